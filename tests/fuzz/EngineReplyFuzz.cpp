// A line of engine output, whatever an engine prints, into the game window's reply reader:
// it never reads past the line, and a move it finds names two squares and a known piece.

#include "engine/EngineReply.h"
#include "game/Square.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    for (const bool whiteToMove : {true, false}) {
        const std::optional<EngineMove> move = ReadEngineMove(line, whiteToMove);
        if (!move) {
            continue;
        }
        Require(line.find("move ") != std::string_view::npos);
        Require(SquareIndex(move->from) >= 0 && SquareIndex(move->to) >= 0);
        Require(move->promotion.empty() || move->promotion == "Queen" ||
                move->promotion == "Rook" || move->promotion == "Bishop" ||
                move->promotion == "Knight");
    }
    return 0;
}
