// Main-line texts of any kind into the plug-in's move reader, from the start position
// and from positions reached by playing legal moves: every move it reads is legal.

#include "core/MainLineReader.h"
#include "core/MoveGenerator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ferrule::Position start = ferrule::Position::initial();
    std::array<ferrule::MoveCode, 64> moves{};
    const int count = ferrule::readMainLine(start, text, moves);
    if (count < 0) {
        std::abort();
    }
    ferrule::Position position = start;
    for (int i = 0; i < std::min<int>(count, static_cast<int>(moves.size())); ++i) {
        ferrule::MoveList legal;
        ferrule::generateMoves(position, legal);
        ferrule::Position after = position;
        after.apply(moves[i]);
        if (std::find(legal.begin(), legal.end(), moves[i]) == legal.end() ||
            !ferrule::isLegal(after)) {
            std::abort();
        }
        position = after;
    }
    return 0;
}
