#pragma once

#include "engine/EngineThought.h"

#include <QString>

class Game;

// One line of the Engine Output panel for a report of the engine thinking about the live
// position of `game`: depth, the score from White's point of view in pawns ("+0.35",
// "-1.20") or as a mate ("#5", "#-3"), the time, the nodes and the principal variation in
// short algebraic notation with move numbers ("12. Nf3 Nc6 13. Bb5"). The variation is
// shown as far as its moves are legal one after the other, at most kMaxPvMoves of them;
// move numbers and marks between the moves are stepped over. `game` is not changed.
inline constexpr int kMaxPvMoves = 40;
QString DescribeThought(const EngineThought& thought, const Game& game);
