#pragma once

#include "core/MoveCode.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ferrule {

// The host's search request, copied out of its byte layout. Nothing the host wrote is
// trusted: the move count is clamped to 0..512.
struct SearchRequest {
    std::array<std::uint8_t, 64> board{};
    bool fromStart = true;
    bool whiteToMove = true;
    int enPassant = 0;
    int castling = 0;
    std::vector<MoveCode> moves;
    int mode = 0; // 1 fixed depth, 2 base time and increment, 3 moves per period, else unlimited
    int remaining = 0;
    int increment = 0;
    int used = 0;
    int toPlay = 0;
    int played = 0;
    int depth = 0;
    bool ponder = false;

    static SearchRequest read(const unsigned char* bytes);
};

} // namespace ferrule
