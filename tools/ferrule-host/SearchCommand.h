#pragma once

#include "core/Position.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace ferrule_host {

// One search as written on the command line, e.g.
//   search start moves e2e4 e7e5 inc 300 2
//   search fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1 depth 6
//   search start period 120 40 10 3 ponder
struct SearchCommand {
    std::array<unsigned char, 1144> request{}; // the host's search request bytes
    ferrule::Position position;                // the searched position before the moves
    std::vector<std::uint16_t> moves;
};

// Returns nothing and sets `error` when the words do not describe a search.
std::optional<SearchCommand> parseSearchCommand(const std::vector<std::string>& words,
                                          std::string& error);

// The position after all `moves` (a ponder move included): the one the engine searches.
ferrule::Position positionAfter(const SearchCommand& command);

} // namespace ferrule_host
