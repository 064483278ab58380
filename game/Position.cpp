// Move legality on the compact position: the movement rules of the six kinds, castling,
// and whether a move leaves the mover's own king attacked.

#include "Position.h"

#include "Square.h"

#include <cstdlib>

namespace {

constexpr int kKnightSteps[8][2] = {{1, 2}, {-1, 2}, {1, -2}, {-1, -2},
                                    {2, 1}, {-2, 1}, {2, -1}, {-2, -1}};
constexpr int kKingSteps[8][2] = {{0, 1},  {0, -1}, {1, 1},  {1, 0},
                                  {1, -1}, {-1, 1}, {-1, 0}, {-1, -1}};
constexpr int kPawnSteps[8][2] = {{0, 1}, {0, -1}, {0, 2},  {0, -2},
                                  {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
constexpr int kRays[8][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

MoveTables::Steps StepsFrom(int square, const int (&offsets)[8][2]) {
    MoveTables::Steps steps{};
    for (const auto& offset : offsets) {
        const int target = IndexAt(FileOf(square) + offset[0], RankOf(square) + offset[1]);
        if (target >= 0) {
            steps.targets[steps.count++] = static_cast<std::int8_t>(target);
        }
    }
    return steps;
}

MoveTables MakeMoveTables() {
    MoveTables tables{};
    for (int square = 0; square < 64; ++square) {
        tables.knight[square] = StepsFrom(square, kKnightSteps);
        tables.king[square] = StepsFrom(square, kKingSteps);
        tables.pawn[square] = StepsFrom(square, kPawnSteps);
        for (int direction = 0; direction < 8; ++direction) {
            int length = 0;
            for (int f = FileOf(square) + kRays[direction][0],
                     r = RankOf(square) + kRays[direction][1];
                 IndexAt(f, r) >= 0; f += kRays[direction][0], r += kRays[direction][1]) {
                tables.rays[square].squares[direction][length++] =
                    static_cast<std::int8_t>(IndexAt(f, r));
            }
            tables.rays[square].length[direction] = length;
        }
    }
    return tables;
}

} // namespace

const MoveTables kMoveTables = MakeMoveTables();

bool Position::IsLegalMove(int from, int to, bool ownKingTest) const {
    const Cell moving = m_board.cells[from];
    if (moving == cell::Empty || !PassesMovementRule(from, to)) {
        return false;
    }
    const Cell target = m_board.cells[to];
    if (target != cell::Empty && ColourOfCell(target) == ColourOfCell(moving)) {
        return false;
    }
    return !ownKingTest || LeavesOwnKingSafe(from, to);
}

bool Position::PassesMovementRule(int from, int to) const {
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(RankOf(to) - RankOf(from));
    switch (KindOfCell(m_board.cells[from])) {
    case cell::Rook:
        return (df == 0 || dr == 0) && PathIsClear(from, to);
    case cell::Bishop:
        return df == dr && PathIsClear(from, to);
    case cell::Queen:
        return (df == 0 || dr == 0 || df == dr) && PathIsClear(from, to);
    case cell::Knight:
        return (df == 1 && dr == 2) || (df == 2 && dr == 1);
    case cell::King:
        return (df <= 1 && dr <= 1) || CastlingAllowed(from, to);
    case cell::Pawn:
        return PawnMayMove(from, to);
    default:
        return false;
    }
}

bool Position::PathIsClear(int from, int to) const {
    const int fileStep = (FileOf(to) > FileOf(from)) - (FileOf(to) < FileOf(from));
    const int rankStep = (RankOf(to) > RankOf(from)) - (RankOf(to) < RankOf(from));
    // One step on the board's index: a file to the right is +1, a rank up is -8.
    const int step = fileStep - 8 * rankStep;
    for (int square = from + step; square != to; square += step) {
        if (m_board.cells[square] != cell::Empty) {
            return false;
        }
    }
    return true;
}

bool Position::PawnMayMove(int from, int to) const {
    const bool white = ColourOfCell(m_board.cells[from]);
    const int fromRank = RankOf(from);
    const int toRank = RankOf(to);
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(toRank - fromRank);
    const bool targetEmpty = m_board.cells[to] == cell::Empty;
    if (white ? toRank < fromRank : toRank > fromRank) {
        return false;
    }
    if (df > 1 || dr > 2) {
        return false;
    }
    if (df == 1 && dr != 1) {
        return false;
    }
    if (dr == 2 && fromRank != (white ? 2 : 7)) {
        return false;
    }
    if (df == 1 && targetEmpty) {
        return fromRank == (white ? 5 : 4) && m_enPassant == to;
    }
    if (df == 0 && !targetEmpty) {
        return false;
    }
    if (dr == 2 && m_board.cells[IndexAt(FileOf(from), white ? 3 : 6)] != cell::Empty) {
        return false;
    }
    return true;
}

bool Position::CastlingAllowed(int from, int to) const {
    struct Castling {
        int king;
        int target;
        CastlingMark kingMark;
        CastlingMark rookMark;
        std::uint8_t white;
        int mustBeEmpty[3]; // -1 for none
        int mustBeSafe[3];
    };
    // e1 = 60, a1 = 56, h1 = 63; e8 = 4, a8 = 0, h8 = 7.
    static constexpr Castling kCastlings[] = {
        {60, 62, kMarkE1, kMarkH1, 1, {61, 62, -1}, {60, 61, 62}},
        {60, 58, kMarkE1, kMarkA1, 1, {57, 58, 59}, {60, 59, 58}},
        {4, 6, kMarkE8, kMarkH8, 0, {5, 6, -1}, {4, 5, 6}},
        {4, 2, kMarkE8, kMarkA8, 0, {1, 2, 3}, {4, 3, 2}},
    };
    for (const Castling& castling : kCastlings) {
        if (from != castling.king || to != castling.target) {
            continue;
        }
        if (m_castlingMarks[castling.kingMark] || m_castlingMarks[castling.rookMark]) {
            return false;
        }
        for (const int square : castling.mustBeEmpty) {
            if (square >= 0 && m_board.cells[square] != cell::Empty) {
                return false;
            }
        }
        // Out of, through or onto an attacked square is never allowed; a pawn attacks its
        // forward diagonals here whether or not anything stands there.
        for (const int square : castling.mustBeSafe) {
            if (IsAttackedBy(square, castling.white ? 0 : 1)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

bool Position::IsAttackedBy(int square, std::uint8_t white) const {
    const auto& cells = m_board.cells;
    const int file = FileOf(square);
    const int pawnRank = white ? RankOf(square) - 1 : RankOf(square) + 1;
    const Cell pawn = MakeCell(cell::Pawn, white);
    for (const int side : {-1, 1}) {
        const int at = IndexAt(file + side, pawnRank);
        if (at >= 0 && cells[at] == pawn) {
            return true;
        }
    }
    const Cell knight = MakeCell(cell::Knight, white);
    const MoveTables::Steps& knights = kMoveTables.knight[square];
    for (int i = 0; i < knights.count; ++i) {
        if (cells[knights.targets[i]] == knight) {
            return true;
        }
    }
    const Cell king = MakeCell(cell::King, white);
    const MoveTables::Steps& kings = kMoveTables.king[square];
    for (int i = 0; i < kings.count; ++i) {
        if (cells[kings.targets[i]] == king) {
            return true;
        }
    }
    const MoveTables::Rays& rays = kMoveTables.rays[square];
    const Cell queen = MakeCell(cell::Queen, white);
    for (int direction = 0; direction < 8; ++direction) {
        const Cell slider = MakeCell(direction < 4 ? cell::Rook : cell::Bishop, white);
        for (int i = 0; i < rays.length[direction]; ++i) {
            const Cell piece = cells[rays.squares[direction][i]];
            if (piece == cell::Empty) {
                continue;
            }
            if (piece == slider || piece == queen) {
                return true;
            }
            break;
        }
    }
    return false;
}

bool Position::KingAttacked(std::uint8_t white) const {
    if (m_kingAttacked[white] < 0) {
        const int king = m_board.firstKing[white];
        m_kingAttacked[white] = king >= 0 && IsAttackedBy(king, white ? 0 : 1);
    }
    return m_kingAttacked[white] != 0;
}

bool Position::LeavesOwnKingSafe(int from, int to) const {
    auto& cells = m_board.cells;
    const Cell moving = cells[from];
    const std::uint8_t white = ColourOfCell(moving);
    // The pawn that an en-passant capture takes leaves the board during the trial too,
    // or a pin along the rank through both pawns would go unseen.
    int passedPawn = -1;
    if (KindOfCell(moving) == cell::Pawn && FileOf(from) != FileOf(to) &&
        cells[to] == cell::Empty) {
        passedPawn = IndexAt(FileOf(to), RankOf(from));
    }
    const int ownKing = m_board.firstKing[white];
    if (KindOfCell(moving) != cell::King && passedPawn < 0 && ownKing >= 0) {
        // Off the lines through an unchecked king, leaving a square opens no line to it.
        const int df = std::abs(FileOf(ownKing) - FileOf(from));
        const int dr = std::abs(RankOf(ownKing) - RankOf(from));
        if (df != 0 && dr != 0 && df != dr && !KingAttacked(white)) {
            return true;
        }
    }

    const Cell captured = cells[to];
    cells[to] = moving;
    cells[from] = cell::Empty;
    Cell takenPawn = cell::Empty;
    if (passedPawn >= 0) {
        takenPawn = cells[passedPawn];
        cells[passedPawn] = cell::Empty;
    }

    // Only a king move can change where the first king stands.
    const int king =
        KindOfCell(moving) == cell::King ? m_board.FindFirstKing(white) : m_board.firstKing[white];
    const bool safe = king < 0 || !IsAttackedBy(king, white ? 0 : 1);

    if (passedPawn >= 0) {
        cells[passedPawn] = takenPawn;
    }
    cells[from] = moving;
    cells[to] = captured;
    return safe;
}

bool Position::MayExposeOwnKing(int from, bool inCheck) const {
    const Cell moving = m_board.cells[from];
    if (KindOfCell(moving) == cell::King) {
        return true;
    }
    const int king = m_board.firstKing[ColourOfCell(moving)];
    if (king < 0) {
        return false; // no king to expose
    }
    // Off the lines through an unchecked king, leaving a square opens no line to it.
    const int df = std::abs(FileOf(king) - FileOf(from));
    const int dr = std::abs(RankOf(king) - RankOf(from));
    return df == 0 || dr == 0 || df == dr || inCheck;
}

bool Position::IsLegalTarget(int from, int to, bool mayExposeKing) const {
    const Cell moving = m_board.cells[from];
    if (KindOfCell(moving) == cell::Pawn) {
        // An en-passant capture also takes a second piece away, so it is always tried.
        const bool enPassant = FileOf(from) != FileOf(to) && m_board.cells[to] == cell::Empty;
        return IsLegalMove(from, to, mayExposeKing || enPassant);
    }
    // The other kinds' candidates already follow their movement rule.
    const Cell target = m_board.cells[to];
    if (target != cell::Empty && ColourOfCell(target) == ColourOfCell(moving)) {
        return false;
    }
    return !mayExposeKing || LeavesOwnKingSafe(from, to);
}

int Position::Checkers(int& lastChecker) const {
    const std::uint8_t mover = m_sideMarker;
    const int king = m_board.firstKing[mover ? 0 : 1];
    int checkers = 0;
    lastChecker = -1;
    // Nothing attacks the king at all, the usual case, is one quick test.
    if (king < 0 || !IsAttackedBy(king, mover)) {
        return 0;
    }
    for (int square = 0; square < 64; ++square) {
        const Cell piece = m_board.cells[square];
        if (piece == cell::Empty || ColourOfCell(piece) != mover ||
            KindOfCell(piece) == cell::King || !IsLegalMove(square, king, false)) {
            continue;
        }
        ++checkers;
        lastChecker = square;
    }
    return checkers;
}
