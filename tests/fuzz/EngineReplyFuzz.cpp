// A line of engine output, whatever an engine prints, into the game window's reply reader:
// it never reads past the line, and a move it finds names two squares and a known piece;
// read against a position, a move in a form beyond the coordinates (which MakeMove checks
// as before) is legal there, and the position is unchanged.

#include "engine/EngineReply.h"
#include "game/Game.h"
#include "game/NullDisplay.h"
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
    // A middle game with both castlings, captures and a promotion at hand for White.
    NullDisplay display;
    Game game(display);
    Require(
        game.Model().SetUpFromFen("r3k2r/1P3ppp/2n2n2/3pp3/3PP3/2N2N2/5PPP/R3K2R w KQkq - 0 1"));
    const std::string before = game.Model().PlacementText();
    if (const std::optional<EngineMove> move = ReadEngineMoveIn(line, game)) {
        Require(game.Model().PlacementText() == before);
        if (!ReadEngineMove(line, true))
            Require(game.IsLegalMove(move->from, move->to, true));
    }
    return 0;
}
