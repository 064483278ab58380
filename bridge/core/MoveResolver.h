#pragma once

#include "MoveCode.h"
#include "Position.h"

#include <string_view>

namespace ferrule {

enum class ResolveStatus : int {
    kFound = 0,       // exactly one legal move named
    kAmbiguous = 1,   // the word names more than one legal move
    kNoMatch = 2,     // no legal move matches
    kNotAMove = 3,    // shorter than two characters, or no square in it
    kEmptySource = 4, // a coordinate word whose source square is empty
};

struct ResolvedMove {
    ResolveStatus status = ResolveStatus::kNotAMove;
    MoveCode move = 0; // meaningful only with kFound
};

// Finds the one legal move of `position` that a move word names, in algebraic
// (Nf3, exd5, ed, O-O, e8=Q, Nbd2) or coordinate form (g1f3, e7e8n). The fifth letter
// of a coordinate word (q, r, b, n in either case) is its promotion piece; a promotion
// without a letter is a queen.
ResolvedMove resolveWord(const Position& position, std::string_view word);

} // namespace ferrule
