#pragma once

#include "core/MoveCode.h"
#include "core/Position.h"

#include <string>

namespace ferrule_test {

// A position from the first four fields of a FEN text (placement, side, castling, en passant).
ferrule::Position fromFen(const std::string& fen);

// "e2e4" -> move code, with an optional promotion letter.
ferrule::MoveCode move(const std::string& text);

} // namespace ferrule_test
