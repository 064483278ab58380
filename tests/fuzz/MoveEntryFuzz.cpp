// Moves as a peer or an engine could send them, good and bad, into the move entry.
// The oracle: MakeMove accepts a move exactly when the side to move owns the piece and
// the target is one of its legal targets (or a legal castling), and an accepted move
// always leaves a well-formed game behind.

#include "game/Game.h"
#include "game/NullDisplay.h"
#include "game/Square.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string SquareText(std::uint8_t byte) {
    static const char* const kOdd[] = {"", "e9", "E2", "i1", "a", "e2 ", "a0", "h10"};
    return byte < 192 ? SquareName(byte % 64) : kOdd[byte % 8];
}

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

int CountKings(const BoardModel& model, std::uint8_t white) {
    return static_cast<int>(std::count_if(model.board.begin(), model.board.end(), [&](const TSquare& s) {
        return s.piece.kind == kind::King && s.piece.white == white;
    }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kChoices[] = {"", "Queen", "Rook", "Bishop", "Knight", "King", "queen"};
    NullDisplay display;
    Game game(display);
    BoardModel& model = game.Model();
    for (std::size_t i = 0; i + 2 < size && i < 3 * 400; i += 3) {
        const std::string from = SquareText(data[i]);
        const std::string to = SquareText(data[i + 1]);
        const std::uint8_t side = model.SideToMove();

        bool expected = false;
        const int s = SquareIndex(from);
        if (s >= 0 && SquareIndex(to) >= 0 && !model.board[s].piece.IsEmpty() &&
            model.board[s].piece.white == side) {
            const auto targets = game.LegalTargets(from);
            const bool castling = model.board[s].piece.kind == kind::King &&
                                  std::abs(FileOf(s) - FileOf(SquareIndex(to))) == 2 &&
                                  game.IsLegalMove(from, to, true);
            expected = castling || std::find(targets.begin(), targets.end(), to) != targets.end();
        }

        const std::size_t recorded = model.moveRecord.size();
        model.promotionChoice = kChoices[data[i + 2] % 7];
        const bool made = game.MakeMove(from, to);
        Require(made == expected);
        Require(model.promotionChoice.empty());
        if (made) {
            Require(model.moveRecord.size() == recorded + 1);
            const std::string& line = model.moveRecord.back();
            Require(line.size() >= 4 && line.size() <= 6 && line.compare(0, 4, from + to) == 0);
            Require(model.SideToMove() != side);
        } else {
            Require(model.moveRecord.size() == recorded);
        }
        Require(CountKings(model, 0) == 1 && CountKings(model, 1) == 1);
    }
    return 0;
}
