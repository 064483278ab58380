#pragma once

#include "game/Game.h"

#include <cstdint>

// Counts the move paths of `depth` half-moves from the game's position, through the
// rules library itself: every legal target of every piece of the side to move, the
// castling moves, each promotion once per piece, each made with MakeMove on a copy.
// The game itself is left as it was.
std::uint64_t Perft(Game& game, int depth);

// The same count with the moves of the last half-move counted, not made: the usual
// shortcut of move-generator benchmarks, for comparing with other generators.
std::uint64_t PerftCountingLastMoves(Game& game, int depth);
