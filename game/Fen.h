#pragma once

#include "BoardModel.h"

#include <string>
#include <string_view>

// The Forsyth-Edwards Notation of positions, beside BoardModel::SetUpFromFen that reads it.

// The FEN of the model's position: placement, side to move, castling rights from the
// castling marks, the en-passant square as the model holds it, the quiet-move count, and
// the full-move number counted on from the one the game started with.
std::string FenText(const BoardModel& model);

// Why `fen` cannot start a game, or empty when it can. Beyond what SetUpFromFen refuses,
// a position that cannot arise in a game is refused: a side without exactly one king,
// a pawn on the first or last rank, the side to move giving check.
std::string FenRefusal(std::string_view fen);
