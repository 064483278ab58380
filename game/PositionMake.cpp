// Making and unmaking a move on the compact position, and the repetition key kept up to
// date square by square as the cells change.

#include "Position.h"

#include "Square.h"

namespace {

// Random numbers for the repetition key: one per cell value and square, one for the side
// to move, one per set of castling rights and one per en-passant file.
struct KeyTables {
    std::array<std::array<std::uint64_t, 64>, 16> cells;
    std::uint64_t blackToMove;
    std::array<std::uint64_t, 16> castling;
    std::array<std::uint64_t, 8> enPassant;
};

KeyTables MakeKeyTables() {
    // splitmix64: a fixed sequence, so that keys are the same in every run.
    std::uint64_t state = 0x5eed0f0bbeadcafeULL;
    auto next = [&state] {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    KeyTables tables{};
    for (auto& squares : tables.cells) {
        for (auto& key : squares) {
            key = next();
        }
    }
    tables.blackToMove = next();
    for (auto& key : tables.castling) {
        key = next();
    }
    for (auto& key : tables.enPassant) {
        key = next();
    }
    return tables;
}

const KeyTables kKeys = MakeKeyTables();

// a1, h1, a8, h8, e1, e8 with their marks: a move from there, or onto a corner, sets it.
struct MarkSquare {
    int square;
    CastlingMark mark;
};
constexpr MarkSquare kMarkSquares[] = {{56, kMarkA1}, {63, kMarkH1}, {0, kMarkA8},
                                       {7, kMarkH8},  {60, kMarkE1}, {4, kMarkE8}};

// The castling a king's move stands for: 'c' king side, 'C' queen side, 0 none.
char CastlingOf(Cell moving, int from, int to) {
    if (KindOfCell(moving) != cell::King || (from != 60 && from != 4)) {
        return 0;
    }
    return to == from + 2 ? 'c' : to == from - 2 ? 'C' : 0;
}

} // namespace

void Position::ReadFrom(const BoardModel& model) {
    m_board.ReadFrom(model.board);
    m_castlingMarks = model.castlingMarks;
    m_enPassant = static_cast<std::int8_t>(SquareIndex(model.enPassantSquare));
    m_sideMarker = model.sideMarker ? 1 : 0;
    m_kingAttacked = {-1, -1};
    m_placementKey = 0;
    for (int square = 0; square < 64; ++square) {
        if (m_board.cells[square] != cell::Empty) {
            m_placementKey ^= kKeys.cells[m_board.cells[square]][square];
        }
    }
}

void Position::Put(int square, Cell value, Undo& undo) {
    Cell& current = m_board.cells[square];
    undo.squares[undo.changed] = static_cast<std::int8_t>(square);
    undo.cells[undo.changed++] = current;
    if (current != cell::Empty) {
        m_placementKey ^= kKeys.cells[current][square];
    }
    if (value != cell::Empty) {
        m_placementKey ^= kKeys.cells[value][square];
    }
    current = value;
}

Position::Undo Position::Make(int from, int to, Cell promotion) {
    Undo undo;
    undo.castlingMarks = m_castlingMarks;
    undo.firstKing = m_board.firstKing;
    undo.enPassant = m_enPassant;
    undo.sideMarker = m_sideMarker;
    undo.placementKey = m_placementKey;

    const Cell moving = m_board.cells[from];
    const Cell captured = m_board.cells[to];
    const std::uint8_t mover = ColourOfCell(moving);
    const bool pawn = KindOfCell(moving) == cell::Pawn;
    bool kingsMoved = KindOfCell(moving) == cell::King || KindOfCell(captured) == cell::King;

    for (const MarkSquare& mark : kMarkSquares) {
        if (mark.square == from ||
            (mark.square == to && mark.mark != kMarkE1 && mark.mark != kMarkE8)) {
            m_castlingMarks[mark.mark] = 1;
        }
    }
    if (pawn && FileOf(from) != FileOf(to) && captured == cell::Empty) {
        const int taken = IndexAt(FileOf(to), RankOf(from));
        kingsMoved = kingsMoved || KindOfCell(m_board.cells[taken]) == cell::King;
        Put(taken, cell::Empty, undo);
    }
    const int toRank = RankOf(to);
    Put(to, pawn && (toRank == 8 || toRank == 1) ? MakeCell(promotion, mover) : moving, undo);
    Put(from, cell::Empty, undo);
    if (const char castling = CastlingOf(moving, from, to)) {
        // The rook's squares follow the mover's colour, as the records' move does.
        const int rookFrom = castling == 'c' ? (mover ? 63 : 7) : (mover ? 56 : 0);
        const int rookTo = castling == 'c' ? (mover ? 61 : 5) : (mover ? 59 : 3);
        kingsMoved = kingsMoved || KindOfCell(m_board.cells[rookFrom]) == cell::King;
        Put(rookTo, MakeCell(cell::Rook, mover), undo);
        Put(rookFrom, cell::Empty, undo);
    }
    m_sideMarker = m_sideMarker ? 0 : 1;
    m_kingAttacked = {-1, -1};
    m_enPassant = -1;
    if (pawn && mover && RankOf(from) == 2 && toRank == 4) {
        m_enPassant = static_cast<std::int8_t>(IndexAt(FileOf(from), 3));
    } else if (pawn && !mover && RankOf(from) == 7 && toRank == 5) {
        m_enPassant = static_cast<std::int8_t>(IndexAt(FileOf(from), 6));
    }
    if (kingsMoved) {
        m_board.firstKing = {m_board.FindFirstKing(0), m_board.FindFirstKing(1)};
    }
    return undo;
}

void Position::Unmake(const Undo& undo) {
    for (int i = undo.changed - 1; i >= 0; --i) {
        m_board.cells[undo.squares[i]] = undo.cells[i];
    }
    m_castlingMarks = undo.castlingMarks;
    m_board.firstKing = undo.firstKing;
    m_enPassant = undo.enPassant;
    m_sideMarker = undo.sideMarker;
    m_placementKey = undo.placementKey;
    m_kingAttacked = {-1, -1};
}

unsigned Position::CastlingRights() const {
    const auto& marks = m_castlingMarks;
    unsigned rights = 0;
    rights |= !marks[kMarkE1] && !marks[kMarkH1] ? 1u : 0u;
    rights |= !marks[kMarkE1] && !marks[kMarkA1] ? 2u : 0u;
    rights |= !marks[kMarkE8] && !marks[kMarkH8] ? 4u : 0u;
    rights |= !marks[kMarkE8] && !marks[kMarkA8] ? 8u : 0u;
    return rights;
}

bool Position::EnPassantCapturable() const {
    if (m_enPassant < 0) {
        return false;
    }
    const std::uint8_t toMove = SideToMove();
    const int pawnRank = toMove ? 5 : 4;
    for (const int side : {-1, 1}) {
        const int square = IndexAt(FileOf(m_enPassant) + side, pawnRank);
        if (square >= 0 && m_board.cells[square] == MakeCell(cell::Pawn, toMove) &&
            IsLegalMove(square, m_enPassant, true)) {
            return true;
        }
    }
    return false;
}

std::uint64_t Position::RepetitionKey() const {
    std::uint64_t key = m_placementKey ^ kKeys.castling[CastlingRights()];
    if (m_sideMarker) {
        key ^= kKeys.blackToMove;
    }
    if (EnPassantCapturable()) {
        key ^= kKeys.enPassant[FileOf(m_enPassant)];
    }
    return key;
}
