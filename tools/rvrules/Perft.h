#pragma once

#include "game/Game.h"

#include <cstdint>

// Counts the move paths of `depth` half-moves from the game's position, through the
// rules library itself: every legal move of the side to move as the move list gets them,
// each promotion once per piece, each made and unmade on a copy of the game's compact
// position with the same Make that MakeMove uses. The game itself is left as it was.
std::uint64_t Perft(Game& game, int depth);

// The same count with the moves of the last half-move counted, not made: the usual
// shortcut of move-generator benchmarks, for comparing with other generators.
std::uint64_t PerftCountingLastMoves(Game& game, int depth);
