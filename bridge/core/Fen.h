#pragma once

#include "Position.h"

#include <string>

namespace ferrule {

// The position as a FEN record for an engine's "setboard": placement, side to move,
// castling rights and en-passant square as the position holds them, then the move counters
// "0 1" (the plug-in sends the moves of the game after the position, never before it).
std::string toFen(const Position& position);

} // namespace ferrule
