// Position texts from anywhere (a command line, a pasted FEN) into the FEN reader. The
// oracle: a text it takes has a placement of eight ranks of eight squares, which the
// board then gives back; a text it refuses changes nothing; and the rules can list and
// make every move of a position it took. A text it takes is written back as a FEN that
// reads to itself; a position it lets start a game has one king a side.

#include "Perft.h"

#include "game/Fen.h"
#include "game/Game.h"
#include "game/NullDisplay.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The placement with every digit spelled out as that many dots, or "" when it is not
// eight ranks of eight squares of piece letters and digits 1 to 8.
std::string Expanded(const std::string& placement) {
    std::string squares;
    int rank = 1;
    int file = 0;
    for (const char c : placement) {
        if (c == '/') {
            if (file != 8) {
                return "";
            }
            ++rank;
            file = 0;
            squares += c;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            squares.append(static_cast<std::size_t>(c - '0'), '.');
        } else if (std::string_view("pnbrqkPNBRQK").find(c) != std::string_view::npos) {
            ++file;
            squares += c;
        } else {
            return "";
        }
        if (file > 8) {
            return "";
        }
    }
    return rank == 8 && file == 8 ? squares : "";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fen(reinterpret_cast<const char*>(data), size);
    NullDisplay display;
    Game game(display);
    BoardModel& model = game.Model();
    model.moveRecord = {"e2e4"};
    const BoardModel before = model;

    if (!model.SetUpFromFen(fen)) {
        Require(model.PlacementText() == before.PlacementText());
        Require(model.castlingMarks == before.castlingMarks);
        Require(model.quietMoveCount == before.quietMoveCount);
        Require(model.moveRecord == before.moveRecord);
        return 0;
    }
    std::istringstream fields(fen);
    std::string placement;
    fields >> placement;
    const std::string squares = Expanded(placement);
    Require(!squares.empty() && Expanded(model.PlacementText()) == squares);
    Require(model.quietMoveCount >= 0 && model.quietMoveCount <= 9999);
    Require(model.moveRecord.empty() && model.positionHistory.empty());
    const std::string written = FenText(model);
    BoardModel again;
    Require(again.SetUpFromFen(written) && FenText(again) == written);
    if (FenRefusal(fen).empty()) {
        const std::string& placement = model.PlacementText();
        Require(std::count(placement.begin(), placement.end(), 'K') == 1 &&
                std::count(placement.begin(), placement.end(), 'k') == 1);
    }
    // Any position at all, kings or none, pawns on the last rank included.
    Perft(game, 1);
    return 0;
}
