// PGN text from anywhere (a file, the clipboard) into the PGN reader. The oracle: every
// game it reads is made of legal moves, so that writing it as PGN and reading that back
// gives the same moves and no error; reading again from a game's offset gives that game
// again; and the walk ends on any text.

#include "game/PgnGame.h"
#include "game/PgnWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const PgnGame& game : ReadPgnGames(text, 20)) {
        Require(game.offset <= size);
        const PgnGame again = ReadPgnGameAt(text, game.offset);
        Require(again.moves.size() == game.moves.size() && again.error == game.error);
        Require(game.error.empty() == game.errorText.empty() || game.moves.empty());
        PgnExport written;
        written.startFen = game.startFen;
        for (const PgnGameMove& move : game.moves) {
            written.record.push_back(move.record);
            written.comments.push_back(move.comment);
        }
        const std::vector<PgnGame> rewritten = ReadPgnGames(WritePgn(written));
        Require(rewritten.size() == 1 && rewritten[0].error.empty());
        Require(rewritten[0].moves.size() == game.moves.size());
        for (std::size_t i = 0; i < game.moves.size(); ++i) {
            Require(rewritten[0].moves[i].record == game.moves[i].record);
        }
    }
    return 0;
}
