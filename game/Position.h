#pragma once

#include "BoardModel.h"
#include "CompactBoard.h"

#include <array>
#include <cstdint>

// The position as the rules work on it: one byte a square and the game-state fields that
// decide the legal moves, as small numbers. Game keeps one in step with its records and
// makes every move on it through Make, so that the legality test, the move generator, the
// end-of-game detection and perft all read one compact form, never the kind texts.
class Position {
public:
    // What Make changed, for Unmake: every square it wrote with the cell it held before.
    struct Undo {
        std::array<std::int8_t, 4> squares{};
        std::array<Cell, 4> cells{};
        int changed = 0;
        std::array<std::uint8_t, kCastlingMarks> castlingMarks{};
        std::array<int, 2> firstKing{};
        std::int8_t enPassant = -1;
        std::uint8_t sideMarker = 0;
        std::uint64_t placementKey = 0;
    };

    // Takes every field again from the records.
    void ReadFrom(const BoardModel& model);

    const CompactBoard& Board() const { return m_board; }
    Cell At(int square) const { return m_board.cells[square]; }
    std::uint8_t SideToMove() const { return m_sideMarker ? 0 : 1; }
    std::uint8_t SideMarker() const { return m_sideMarker; }
    int EnPassant() const { return m_enPassant; }
    int FirstKing(std::uint8_t white) const { return m_board.firstKing[white]; }

    // The movement rules of the six kinds, castling, and with ownKingTest whether the
    // move leaves the mover's own (first) king attacked. Does not look at whose turn it is.
    bool IsLegalMove(int from, int to, bool ownKingTest) const;
    bool IsAttackedBy(int square, std::uint8_t white) const;

    // Calls visit(from, to) for every legal move of the side to move, castling as the
    // king's two-square move, square by square in index order, the castlings after the
    // king's other targets; stops early when visit returns true. Returns whether it did.
    template <typename Visit> bool VisitLegalMoves(Visit visit) const;
    // The legal targets of the piece on `from` in the order they are listed to the user,
    // castling excluded; stops early when visit returns true. Returns whether it did.
    template <typename Visit> bool VisitLegalTargets(int from, Visit visit) const;
    bool HasLegalMove() const {
        return VisitLegalMoves([](int, int) { return true; });
    }
    // The pieces other than kings of the side that made the last move that attack the
    // first king of the side to move: their number, and the last one's square.
    int Checkers(int& lastChecker) const;

    // Makes a legal move of the piece on `from`; a pawn reaching the last rank becomes
    // `promotion` (a kind cell). Exactly the changes MakeMove makes to the records.
    Undo Make(int from, int to, Cell promotion);
    void Unmake(const Undo& undo);

    // The key of the position for repetition: placement, side to move, castling rights,
    // and the en-passant square only when a capture there is legal. Kept up to date move
    // by move; equal positions have equal keys.
    std::uint64_t RepetitionKey() const;
    // Whether a legal en-passant capture is open to the side to move.
    bool EnPassantCapturable() const;
    // The castling rights that the marks still allow, as the bits of "KQkq" (K = 1).
    unsigned CastlingRights() const;

private:
    bool PassesMovementRule(int from, int to) const;
    bool PathIsClear(int from, int to) const;
    bool PawnMayMove(int from, int to) const;
    bool CastlingAllowed(int from, int to) const;
    bool LeavesOwnKingSafe(int from, int to) const;
    bool MayExposeOwnKing(int from, bool inCheck) const;
    bool IsLegalTarget(int from, int to, bool mayExposeKing) const;
    template <typename Visit> bool VisitCandidates(int from, Visit visit) const;
    void Put(int square, Cell value, Undo& undo);
    // Whether the first king of `white` stands attacked now; worked out once a position.
    bool KingAttacked(std::uint8_t white) const;

    // Trial moves are made on the cells and undone before the test returns.
    mutable CompactBoard m_board;
    std::array<std::uint8_t, kCastlingMarks> m_castlingMarks{};
    std::int8_t m_enPassant = -1;
    std::uint8_t m_sideMarker = 0;
    std::uint64_t m_placementKey = 0;
    // KingAttacked's answers, per colour: -1 not yet known, else 0 or 1.
    mutable std::array<std::int8_t, 2> m_kingAttacked{-1, -1};
};

#include "PositionMoves.h"
