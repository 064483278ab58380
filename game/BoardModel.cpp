#include "BoardModel.h"

#include "Square.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace {

constexpr const char* kInitialFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Letter of a piece in the placement text: upper case for White.
char PlacementLetter(const TPiece& piece) {
    const char letter = KindLetter(piece.kind);
    return piece.white ? letter : static_cast<char>(std::tolower(letter));
}

bool ParsePlacement(std::string_view placement, const std::array<TPiece, kPieceTableSize>& table,
                    std::array<TSquare, 64>& board) {
    int index = 0;
    int fileInRank = 0;
    for (const char c : placement) {
        if (c == '/') {
            if (fileInRank != 8) {
                return false;
            }
            fileInRank = 0;
            continue;
        }
        if (c >= '1' && c <= '8') {
            fileInRank += c - '0';
            if (fileInRank > 8) {
                return false;
            }
            for (int i = 0; i < c - '0'; ++i) {
                board[index++].piece = table[kEmptyPiece];
            }
            continue;
        }
        const std::string kind = KindOfLetter(c);
        if (kind.empty() || fileInRank >= 8 || index >= 64) {
            return false;
        }
        const std::uint8_t white = std::isupper(static_cast<unsigned char>(c)) ? 1 : 0;
        board[index++].piece = table[PieceEntryOf(kind, white)];
        ++fileInRank;
    }
    return index == 64 && fileInRank == 8;
}

} // namespace

BoardModel::BoardModel() {
    for (int entry = 0; entry < kEmptyPiece; ++entry) {
        static constexpr std::string_view kinds[] = {kind::Pawn, kind::Knight, kind::Bishop,
                                                     kind::Rook, kind::Queen,  kind::King};
        pieceTable[entry] =
            TPiece{std::string(kinds[entry / 2]), static_cast<std::uint8_t>(entry % 2 == 0),
                   static_cast<PieceImage>(entry)};
    }
    pieceTable[kEmptyPiece] = TPiece{};
    pieceTable[kScratch] = TPiece{};
    for (int index = 0; index < 64; ++index) {
        board[index].name = SquareName(index);
    }
    SetUpFromFen(kInitialFen);
}

const TSquare& BoardModel::At(std::string_view name) const {
    return board[SquareIndex(name)];
}

TSquare& BoardModel::At(std::string_view name) {
    return board[SquareIndex(name)];
}

bool BoardModel::IsOccupied(std::string_view name) const {
    const int index = SquareIndex(name);
    return index >= 0 && !board[index].piece.IsEmpty();
}

std::string BoardModel::PlacementText() const {
    std::string text;
    text.reserve(72);
    int empties = 0;
    for (int index = 0; index < 64; ++index) {
        if (index > 0 && index % 8 == 0) {
            if (empties) {
                text += static_cast<char>('0' + empties);
                empties = 0;
            }
            text += '/';
        }
        const TPiece& piece = board[index].piece;
        if (piece.IsEmpty()) {
            ++empties;
            continue;
        }
        if (empties) {
            text += static_cast<char>('0' + empties);
            empties = 0;
        }
        text += PlacementLetter(piece);
    }
    if (empties) {
        text += static_cast<char>('0' + empties);
    }
    return text;
}

bool BoardModel::SetUpFromFen(std::string_view fen) {
    std::istringstream fields{std::string(fen)};
    std::string placement, side, castling = "-", enPassant = "-", quiet = "0";
    if (!(fields >> placement >> side)) {
        return false;
    }
    fields >> castling >> enPassant >> quiet;

    std::array<TSquare, 64> newBoard = board;
    if (!ParsePlacement(placement, pieceTable, newBoard)) {
        return false;
    }
    if (side != "w" && side != "b") {
        return false;
    }
    if (castling.find_first_not_of("KQkq") != std::string::npos && castling != "-") {
        return false;
    }
    if (enPassant != "-" &&
        (SquareIndex(enPassant) < 0 || (enPassant[1] != '3' && enPassant[1] != '6'))) {
        return false;
    }
    int quietCount = 0;
    const auto [end, error] =
        std::from_chars(quiet.data(), quiet.data() + quiet.size(), quietCount);
    if (error != std::errc() || end != quiet.data() + quiet.size() || quietCount < 0) {
        return false;
    }

    board = newBoard;
    sideMarker = side == "w" ? 0 : 1;
    enPassantSquare = enPassant == "-" ? "" : enPassant;
    quietMoveCount = quietCount;
    moveRecord.clear();
    positionHistory.clear();

    // A right is kept only where the king and the rook still stand at home: the rules
    // rely on clear marks meaning exactly that.
    auto holds = [&](const char* square, int entry) {
        return At(square).piece == pieceTable[entry];
    };
    const bool whiteKing = holds("e1", kWhiteKing);
    const bool blackKing = holds("e8", kBlackKing);
    const bool whiteShort =
        whiteKing && castling.find('K') != std::string::npos && holds("h1", kWhiteRook);
    const bool whiteLong =
        whiteKing && castling.find('Q') != std::string::npos && holds("a1", kWhiteRook);
    const bool blackShort =
        blackKing && castling.find('k') != std::string::npos && holds("h8", kBlackRook);
    const bool blackLong =
        blackKing && castling.find('q') != std::string::npos && holds("a8", kBlackRook);
    castlingMarks[kMarkH1] = !whiteShort;
    castlingMarks[kMarkA1] = !whiteLong;
    castlingMarks[kMarkE1] = !whiteShort && !whiteLong;
    castlingMarks[kMarkH8] = !blackShort;
    castlingMarks[kMarkA8] = !blackLong;
    castlingMarks[kMarkE8] = !blackShort && !blackLong;
    return true;
}
