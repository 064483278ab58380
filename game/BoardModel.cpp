#include "BoardModel.h"

#include "Fen.h"
#include "Square.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace {

constexpr const char* kInitialFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Far beyond any game, yet small enough that counting on from them cannot overflow.
constexpr int kMaxQuietMoveCount = 9999;
constexpr int kMaxMoveNumber = 9999;

// Letter of a piece in the placement text: upper case for White.
char PlacementLetter(const TPiece& piece) {
    const char letter = KindLetter(piece.kind);
    return piece.white ? letter : static_cast<char>(std::tolower(letter));
}

// Fills `board` from a placement field: exactly eight ranks of exactly eight squares,
// a digit standing for that many empty squares. Returns why anything else is refused,
// having written only inside the board, or empty.
std::string ParsePlacement(std::string_view placement,
                           const std::array<TPiece, kPieceTableSize>& table,
                           std::array<TSquare, 64>& board) {
    int rank = 0;
    int file = 0;
    auto rankError = [&] { return "8 squares expected in rank " + std::to_string(8 - rank); };
    for (const char c : placement) {
        if (c == '/') {
            if (file != 8) {
                return rankError();
            }
            if (rank == 7) {
                return "8 ranks expected";
            }
            ++rank;
            file = 0;
            continue;
        }
        if (c >= '1' && c <= '8') {
            const int empties = c - '0';
            if (file + empties > 8) {
                return rankError();
            }
            for (int i = 0; i < empties; ++i) {
                board[rank * 8 + file++].piece = table[kEmptyPiece];
            }
            continue;
        }
        const std::string kind = KindOfLetter(c);
        if (kind.empty()) {
            return std::string("unknown piece letter '") + c + "'";
        }
        if (file == 8) {
            return rankError();
        }
        const std::uint8_t white = std::isupper(static_cast<unsigned char>(c)) ? 1 : 0;
        board[rank * 8 + file++].piece = table[PieceEntryOf(kind, white)];
    }
    if (rank != 7) {
        return "8 ranks expected";
    }
    return file == 8 ? "" : rankError();
}

// A number field of at most four digits, nothing else, within [low, high].
bool ParseNumberField(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value >= low && value <= high;
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

std::string BoardModel::FenSetUpError(std::string_view fen) {
    std::istringstream fields{std::string(fen)};
    std::string placement, side, castling = "-", enPassant = "-", quiet = "0", fullMove = "1";
    if (!(fields >> placement)) {
        return "empty text";
    }
    if (!(fields >> side)) {
        return "side to move expected after the placement";
    }
    fields >> castling >> enPassant >> quiet >> fullMove;
    std::string rest;
    if (fields >> rest) {
        return "at most 6 fields expected";
    }

    std::array<TSquare, 64> newBoard = board;
    if (std::string error = ParsePlacement(placement, pieceTable, newBoard); !error.empty()) {
        return error;
    }
    if (side != "w" && side != "b") {
        return "side to move must be w or b";
    }
    if (castling.find_first_not_of("KQkq") != std::string::npos && castling != "-") {
        return "castling rights must be - or letters of KQkq";
    }
    if (enPassant != "-" &&
        (SquareIndex(enPassant) < 0 || (enPassant[1] != '3' && enPassant[1] != '6'))) {
        return "en-passant square must be - or a square of rank 3 or 6";
    }
    int quietCount = 0;
    int moveNumber = 0;
    if (!ParseNumberField(quiet, 0, kMaxQuietMoveCount, quietCount)) {
        return "half-move clock must be a number from 0 to 9999";
    }
    if (!ParseNumberField(fullMove, 1, kMaxMoveNumber, moveNumber)) {
        return "move number must be a number from 1 to 9999";
    }

    board = newBoard;
    sideMarker = side == "w" ? 0 : 1;
    // An en-passant capture takes the pawn beyond the square: without that pawn of the side
    // that just moved, and the square behind it empty, it would take another piece.
    enPassantSquare.clear();
    if (enPassant != "-") {
        const bool whiteToMove = sideMarker == 0;
        const int file = enPassant[0] - 'a';
        const int passedRank = whiteToMove ? 6 : 3;
        const int pawn = IndexAt(file, whiteToMove ? 5 : 4);
        const int origin = IndexAt(file, whiteToMove ? 7 : 2);
        if (enPassant[1] - '0' == passedRank &&
            board[pawn].piece == pieceTable[whiteToMove ? kBlackPawn : kWhitePawn] &&
            board[SquareIndex(enPassant)].piece.IsEmpty() && board[origin].piece.IsEmpty()) {
            enPassantSquare = enPassant;
        }
    }
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

    startMoveNumber = moveNumber;
    startSideMarker = sideMarker;
    startFen.clear();
    if (std::string text = FenText(*this); text != kInitialFen) {
        startFen = std::move(text);
    }
    return "";
}
