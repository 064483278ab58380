#pragma once

#include "board/TMDIChild.h"

#include <string>
#include <vector>

// What each of the 64 squares holds, as piece image indexes in square-index order.
using BoardPicture = std::vector<PieceImage>;

// The pieces of the board model as piece image indexes.
BoardPicture ModelPicture(const BoardModel& model);

// Where the square images of a window differ from `expected`: both the index each image
// says it shows and the picture it really holds are compared. Empty when they agree.
std::string PictureMismatch(const TMDIChild& window, const BoardPicture& expected);

// Plays moves written as "e2e4" or, with the promotion piece, "e7e8N". Returns the index
// of the first move the game refused, or -1 when all were made.
int PlayMoves(TMDIChild& window, const std::vector<std::string>& moves);

// Plays up to `maxPlies` random legal moves (castling and every promotion piece
// included) from the window's current position, stopping when the game ends. Returns the
// model's picture after every ply, the position before the first move first.
std::vector<BoardPicture> PlayRandomGame(TMDIChild& window, unsigned seed, int maxPlies);

// Whole games that pass through castling on both wings for both colours, en passant for
// both colours, and promotions with and without a capture.
const std::vector<std::vector<std::string>>& ScriptedGames();
