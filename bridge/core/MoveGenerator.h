#pragma once

#include "MoveCode.h"
#include "Position.h"

#include <array>

namespace ferrule {

// Up to 255 moves of one position; generation stops quietly when it is full.
struct MoveList {
    static constexpr int kCapacity = 255;
    std::array<MoveCode, kCapacity> moves{};
    int count = 0;

    bool push(MoveCode move) {
        if (count == kCapacity) {
            return false;
        }
        moves[count++] = move;
        return true;
    }
    const MoveCode* begin() const { return moves.data(); }
    const MoveCode* end() const { return moves.data() + count; }
};

// True when a piece of `attacker` (kWhite or kBlack) attacks `square`.
bool isSquareAttacked(const Position& position, int square, int attacker);

// Pseudo-legal moves of the side to move, in a fixed order (squares 0 to 63, each piece's
// directions in turn; promotions queen, rook, bishop, knight). Castling is generated only
// when the king is not in check and does not pass over an attacked square; whether it
// lands on one is left to isLegal like any other move.
void generateMoves(const Position& position, MoveList& list);

// True when the side that has just moved (not the side to move) is not in check.
bool isLegal(const Position& positionAfterMove);

// True when the side to move has no legal move (mate or stalemate).
bool hasNoLegalMove(const Position& position);

} // namespace ferrule
