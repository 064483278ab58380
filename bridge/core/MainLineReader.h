#pragma once

#include "MoveCode.h"
#include "Position.h"

#include <span>
#include <string_view>

namespace ferrule {

// Reads an engine's main line ("12. e4 e5 13. Nf3 {book} Nc6") into move codes, playing
// each move on a copy of `position` so that the next word is read in its own position.
// Words without a move in them are skipped; an ambiguous word ends the reading.
// Returns how many moves were read; only the first out.size() are stored in `out`.
int readMainLine(const Position& position, std::string_view text, std::span<MoveCode> out);

} // namespace ferrule
