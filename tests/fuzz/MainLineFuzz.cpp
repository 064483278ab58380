// Main-line texts of any kind into the plug-in's move reader, from the start position
// and from positions reached by playing legal moves: every move it reads is legal. An
// input that begins with "#" names its position: each byte up to the first line feed
// plays one legal move from the start, chosen by the byte's value.

#include "core/MainLineReader.h"
#include "core/MoveGenerator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool IsLegalMove(const ferrule::Position& position, ferrule::MoveCode move) {
    ferrule::MoveList generated;
    ferrule::generateMoves(position, generated);
    ferrule::Position after = position;
    after.apply(move);
    return std::find(generated.begin(), generated.end(), move) != generated.end() &&
           ferrule::isLegal(after);
}

// Plays the legal move that `choice` picks; false when there is none.
bool PlayChosen(ferrule::Position& position, unsigned char choice) {
    ferrule::MoveList generated;
    ferrule::generateMoves(position, generated);
    std::array<ferrule::MoveCode, 256> legal{};
    std::size_t count = 0;
    for (const ferrule::MoveCode move : generated) {
        if (IsLegalMove(position, move)) {
            legal[count++] = move;
        }
    }
    if (count == 0) {
        return false;
    }
    position.apply(legal[choice % count]);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ferrule::Position start = ferrule::Position::initial();
    if (text.starts_with('#')) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        for (std::size_t i = 1; i < end && PlayChosen(start, static_cast<unsigned char>(text[i]));
             ++i) {
        }
        text.remove_prefix(end);
    }
    std::array<ferrule::MoveCode, 64> moves{};
    const int count = ferrule::readMainLine(start, text, moves);
    if (count < 0) {
        std::abort();
    }
    ferrule::Position position = start;
    for (int i = 0; i < std::min<int>(count, static_cast<int>(moves.size())); ++i) {
        if (!IsLegalMove(position, moves[i])) {
            std::abort();
        }
        position.apply(moves[i]);
    }
    return 0;
}
