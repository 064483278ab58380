#pragma once

#include "game/Game.h"

#include <vector>

// What the board marks for the player, read from the rules: never decided here.

// The squares (indices, in index order) the piece on square index `from` may legally move
// to, castling included; empty when it is not a piece of the side to move.
std::vector<int> LegalTargetSquares(Game& game, int from);

// The square index of the side to move's king when it stands in check, or -1.
int CheckedKingSquare(Game& game);
