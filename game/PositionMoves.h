#pragma once

// The move visitors of Position, inline so that each caller's visit is compiled into the
// loop that walks the targets.

#include <array>
#include <cstdint>

// Where each kind may step or slide from each square, in the order the targets are
// listed to the user; worked out once.
struct MoveTables {
    struct Steps {
        std::array<std::int8_t, 8> targets;
        int count;
    };
    struct Rays {
        // Rook directions first, then the bishop's; each ray outwards from the square.
        std::array<std::array<std::int8_t, 7>, 8> squares;
        std::array<int, 8> length;
    };
    std::array<Steps, 64> knight;
    std::array<Steps, 64> king;
    std::array<Steps, 64> pawn; // both directions, one and two squares, both diagonals
    std::array<Rays, 64> rays;
};
extern const MoveTables kMoveTables;

template <typename Visit> bool Position::VisitCandidates(int from, Visit visit) const {
    auto steps = [&](const MoveTables::Steps& list) {
        for (int i = 0; i < list.count; ++i) {
            if (visit(list.targets[i])) {
                return true;
            }
        }
        return false;
    };
    const MoveTables::Rays& rays = kMoveTables.rays[from];
    auto slide = [&](int first, int last) {
        for (int direction = first; direction < last; ++direction) {
            for (int i = 0; i < rays.length[direction]; ++i) {
                const int target = rays.squares[direction][i];
                if (visit(target)) {
                    return true;
                }
                if (m_board.cells[target] != cell::Empty) {
                    break;
                }
            }
        }
        return false;
    };
    switch (KindOfCell(m_board.cells[from])) {
    case cell::Rook:
        return slide(0, 4);
    case cell::Bishop:
        return slide(4, 8);
    case cell::Queen:
        return slide(0, 8);
    case cell::Knight:
        return steps(kMoveTables.knight[from]);
    case cell::King:
        return steps(kMoveTables.king[from]);
    case cell::Pawn:
        return steps(kMoveTables.pawn[from]);
    default:
        return false;
    }
}

template <typename Visit> bool Position::VisitLegalTargets(int from, Visit visit) const {
    if (m_board.cells[from] == cell::Empty) {
        return false;
    }
    const bool inCheck = m_board.firstKing[ColourOfCell(m_board.cells[from])] >= 0 &&
                         IsAttackedBy(m_board.firstKing[ColourOfCell(m_board.cells[from])],
                                      ColourOfCell(m_board.cells[from]) ? 0 : 1);
    const bool mayExposeKing = MayExposeOwnKing(from, inCheck);
    return VisitCandidates(from, [&](int target) {
        return IsLegalTarget(from, target, mayExposeKing) && visit(target);
    });
}

template <typename Visit> bool Position::VisitLegalMoves(Visit visit) const {
    const std::uint8_t toMove = SideToMove();
    const int king = m_board.firstKing[toMove];
    const bool inCheck = king >= 0 && IsAttackedBy(king, toMove ? 0 : 1);
    for (int from = 0; from < 64; ++from) {
        const Cell piece = m_board.cells[from];
        if (piece == cell::Empty || ColourOfCell(piece) != toMove) {
            continue;
        }
        const bool mayExposeKing = MayExposeOwnKing(from, inCheck);
        if (VisitCandidates(from, [&](int target) {
                return IsLegalTarget(from, target, mayExposeKing) && visit(from, target);
            })) {
            return true;
        }
        // Castling is the king's move from its home square two files aside.
        if (KindOfCell(piece) == cell::King && (from == 60 || from == 4)) {
            for (const int target : {from + 2, from - 2}) {
                if (IsLegalMove(from, target, true) && visit(from, target)) {
                    return true;
                }
            }
        }
    }
    return false;
}
