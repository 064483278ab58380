#include "MoveResolver.h"

#include "MoveGenerator.h"
#include "MoveText.h"

#include <cctype>

namespace ferrule {

namespace {

// What the characters of a word said, before any move is looked at.
struct WordReading {
    int fileCount = 0;
    int rankCount = 0;
    int sourceFile = -1;
    int sourceRank = -1;
    int destinationFile = -1;
    int destinationRank = -1;
    int castlingMarks = 0;
    char pieceLetter = 0;
    char promotionLetter = 0;

    void addFile(int file) {
        sourceFile = fileCount > 0 ? destinationFile : sourceFile;
        destinationFile = file;
        ++fileCount;
    }
    void addRank(int rank) {
        sourceRank = rankCount > 0 ? destinationRank : sourceRank;
        destinationRank = rank;
        ++rankCount;
    }
    bool hasDestination() const { return destinationFile >= 0 && destinationRank >= 0; }
    bool isFileCapture() const { return fileCount == 2 && rankCount == 0 && pieceLetter == 0; }
};

bool isCoordinateWord(std::string_view word) {
    return word.size() >= 4 && isFileLetter(word[0]) && isRankDigit(word[1]) &&
           isFileLetter(word[2]) && isRankDigit(word[3]);
}

WordReading readWord(std::string_view word) {
    WordReading reading;
    if (isCoordinateWord(word)) {
        // An engine writes its promotion piece in lower case right after the squares;
        // read generically, "b" would be taken for a file and "q", "r", "n" dropped.
        reading.addFile(word[0] - 'a');
        reading.addRank(word[1] - '1');
        reading.addFile(word[2] - 'a');
        reading.addRank(word[3] - '1');
        if (word.size() > 4) {
            const char letter =
                static_cast<char>(std::toupper(static_cast<unsigned char>(word[4])));
            if (letter == 'Q' || letter == 'R' || letter == 'B' || letter == 'N') {
                reading.promotionLetter = letter;
            }
        }
        for (const char c : word.substr(4)) {
            if (c >= 'A' && c <= 'Z') {
                reading.promotionLetter = c; // e7e8=Q
            }
        }
        return reading;
    }
    for (const char c : word) {
        if (isFileLetter(c)) {
            reading.addFile(c - 'a');
        } else if (isRankDigit(c)) {
            reading.addRank(c - '1');
        } else if (isCastlingMark(c)) {
            ++reading.castlingMarks;
        } else if (c >= 'A' && c <= 'Z') {
            if (reading.fileCount > 0 && reading.rankCount > 0) {
                reading.promotionLetter = c;
            } else if (reading.pieceLetter == 0) {
                reading.pieceLetter = c;
            }
        }
    }
    return reading;
}

char pieceLetterOf(std::uint8_t piece) {
    switch (pieceType(piece)) {
    case kKnight:
        return 'N';
    case kBishop:
        return 'B';
    case kRook:
        return 'R';
    case kQueen:
        return 'Q';
    case kKing:
        return 'K';
    default:
        return 0;
    }
}

int promotionFromLetter(char letter) {
    switch (letter) {
    case 'Q':
        return kPromoteQueen;
    case 'R':
        return kPromoteRook;
    case 'B':
        return kPromoteBishop;
    case 'N':
        return kPromoteKnight;
    default:
        return -1;
    }
}

bool isLegalMove(const Position& position, MoveCode move) {
    Position next = position;
    next.apply(move);
    return isLegal(next);
}

bool sameSquares(MoveCode a, MoveCode b) {
    return ((a ^ b) & 0x0FFF) == 0;
}

class Resolver {
public:
    Resolver(const Position& position, const WordReading& reading)
        : m_position(position), m_reading(reading) {
        generateMoves(position, m_list);
    }

    ResolvedMove pieceMove() const {
        ResolvedMove chosen{ResolveStatus::kNoMatch, 0};
        for (const MoveCode move : m_list) {
            if (!matchesSquares(move) ||
                pieceLetterOf(m_position.squares[moveFrom(move)]) != m_reading.pieceLetter ||
                !isLegalMove(m_position, move)) {
                continue;
            }
            if (chosen.status != ResolveStatus::kFound) {
                chosen = {ResolveStatus::kFound, move};
            } else if (movePromotion(move) == 0) {
                return {ResolveStatus::kAmbiguous, 0};
            }
        }
        return chosen;
    }

    ResolvedMove pawnMove() const {
        if (m_reading.pieceLetter != 0 && m_reading.pieceLetter != 'P') {
            return {ResolveStatus::kNoMatch, 0};
        }
        const int wanted = promotionFromLetter(m_reading.promotionLetter);
        ResolvedMove chosen{ResolveStatus::kNoMatch, 0};
        for (const MoveCode move : m_list) {
            if (!matchesSquares(move) || pieceType(m_position.squares[moveFrom(move)]) != kPawn ||
                !isLegalMove(m_position, move)) {
                continue;
            }
            if (chosen.status != ResolveStatus::kFound) {
                chosen = {ResolveStatus::kFound, move};
            } else if (movePromotion(move) == 0) {
                return {ResolveStatus::kAmbiguous, 0};
            } else if (movePromotion(move) == wanted) {
                chosen.move = move;
            }
        }
        return chosen;
    }

    // "ed": a pawn of the first file taking on the second. Several such captures pick the
    // last one generated; among the promotions of one capture the named piece or the queen.
    ResolvedMove fileCapture() const {
        const int wanted = promotionFromLetter(m_reading.promotionLetter);
        ResolvedMove chosen{ResolveStatus::kNoMatch, 0};
        for (const MoveCode move : m_list) {
            if (squareFile(moveFrom(move)) != m_reading.sourceFile ||
                squareFile(moveTo(move)) != m_reading.destinationFile ||
                pieceType(m_position.squares[moveFrom(move)]) != kPawn ||
                !isLegalMove(m_position, move)) {
                continue;
            }
            const bool samePawnCapture =
                chosen.status == ResolveStatus::kFound && sameSquares(chosen.move, move);
            if (!samePawnCapture || movePromotion(move) == wanted) {
                chosen = {ResolveStatus::kFound, move};
            }
        }
        return chosen;
    }

private:
    bool matchesSquares(MoveCode move) const {
        const int from = moveFrom(move);
        const int to = moveTo(move);
        return squareFile(to) == m_reading.destinationFile &&
               squareRank(to) == m_reading.destinationRank &&
               (m_reading.sourceFile < 0 || squareFile(from) == m_reading.sourceFile) &&
               (m_reading.sourceRank < 0 || squareRank(from) == m_reading.sourceRank);
    }

    const Position& m_position;
    const WordReading& m_reading;
    MoveList m_list;
};

} // namespace

ResolvedMove resolveWord(const Position& position, std::string_view word) {
    if (word.size() < 2) {
        return {ResolveStatus::kNotAMove, 0};
    }
    WordReading reading = readWord(word);
    if (!reading.hasDestination()) {
        if (reading.isFileCapture()) {
            return Resolver(position, reading).fileCapture();
        }
        if (reading.castlingMarks < 2) {
            return {ResolveStatus::kNotAMove, 0};
        }
        if (reading.castlingMarks > 3) {
            return {ResolveStatus::kNoMatch, 0};
        }
        const int homeRank = position.sideToMove == kWhite ? 0 : 7;
        reading.sourceFile = 4;
        reading.sourceRank = homeRank;
        reading.destinationFile = reading.castlingMarks == 2 ? 6 : 2;
        reading.destinationRank = homeRank;
        reading.pieceLetter = 'K';
    } else if (reading.fileCount >= 2 && reading.rankCount >= 2 && reading.pieceLetter == 0) {
        const std::uint8_t piece =
            position.squares[makeSquare(reading.sourceFile, reading.sourceRank)];
        if (piece == kEmpty) {
            return {ResolveStatus::kEmptySource, 0};
        }
        reading.pieceLetter = pieceLetterOf(piece);
    }
    const Resolver resolver(position, reading);
    if (reading.pieceLetter != 0) {
        const ResolvedMove byPiece = resolver.pieceMove();
        if (byPiece.status != ResolveStatus::kNoMatch) {
            return byPiece;
        }
    }
    return resolver.pawnMove();
}

} // namespace ferrule
