#pragma once

#include "SearchRequest.h"
#include "core/Position.h"

#include <string>

namespace ferrule {

// "position startpos" or "position fen FEN", then " moves ..." with every move of the
// request (an expected reply to ponder on included); ends in "\n".
std::string uciPositionCommand(const SearchRequest& request, const Position& start);

// "go" with the request's limits: "depth N"; "wtime/btime/winc/binc" in milliseconds
// (the request knows only the engine's own clock, which both sides are given); with
// "movestogo" for moves per period; "infinite" for anything else. `ponder` adds "ponder".
std::string uciGoCommand(const SearchRequest& request, bool ponder);

} // namespace ferrule
