#include "game/San.h"
#include "game/Game.h"
#include "game/NullDisplay.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kInitial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct GameAt {
    NullDisplay display;
    Game game{display};
    explicit GameAt(const char* fen) { EXPECT_TRUE(game.Model().SetUpFromFen(fen)) << fen; }
};

} // namespace

TEST(San, WrittenWithTheLeastDisambiguation) {
    struct Row {
        const char* fen;
        SanMove move;
        const char* san;
    };
    const Row rows[] = {
        {kInitial, {"e2", "e4", ""}, "e4"},
        {kInitial, {"g1", "f3", ""}, "Nf3"},
        // Two knights reach d2: the file tells them apart.
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", {"b1", "d2", ""}, "Nbd2"},
        // Two rooks on one file: the rank.
        {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", {"a1", "a3", ""}, "R1a3"},
        // A third rook on another file and rank changes nothing: the rank still suffices,
        // where the move list writes the full square.
        {"4k3/8/8/R7/8/7R/8/R3K3 w - - 0 1", {"a1", "a3", ""}, "R1a3"},
        // One rival on the file, one on the rank: both.
        {"8/8/8/7k/8/Q7/8/Q1Q4K w - - 0 1", {"a1", "b2", ""}, "Qa1b2"},
        // A rival that is pinned is no rival.
        {"4k3/4r3/8/8/8/8/4N3/2N1K3 w - - 0 1", {"c1", "d3", ""}, "Nd3"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {"e1", "g1", ""}, "O-O"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", {"e8", "c8", ""}, "O-O-O"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", {"e5", "d6", ""}, "exd6"},
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", {"a7", "b8", "Knight"}, "axb8=N"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", {"a7", "a8", "Queen"}, "a8=Q"},
    };
    for (const Row& row : rows) {
        GameAt position(row.fen);
        EXPECT_EQ(SanText(position.game, row.move), row.san) << row.fen;
    }
}

TEST(San, CheckAndMateSigns) {
    GameAt mate(kInitial);
    for (const char* text : {"f3", "e5", "g4"}) {
        SanMove move;
        ASSERT_EQ(ReadSan(mate.game, text, move), SanStatus::Found);
        MakeSanMove(mate.game, move);
    }
    EXPECT_EQ(MakeSanMove(mate.game, {"d8", "h4", ""}), "Qh4#");
    GameAt check("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1");
    EXPECT_EQ(MakeSanMove(check.game, {"a1", "a8", ""}), "Ra8+");
    GameAt castlingCheck("5k2/8/8/8/8/8/8/4K2R w K - 0 1");
    EXPECT_EQ(MakeSanMove(castlingCheck.game, {"e1", "g1", ""}), "O-O+");
}

TEST(San, ReadAsTheLenientReadersDo) {
    struct Row {
        const char* fen;
        const char* text;
        SanStatus status;
        SanMove move;
    };
    const Row rows[] = {
        {kInitial, "e4", SanStatus::Found, {"e2", "e4", ""}},
        {kInitial, "Nf3", SanStatus::Found, {"g1", "f3", ""}},
        {kInitial, "Nf3+!?", SanStatus::Found, {"g1", "f3", ""}},
        {kInitial, "e2e4", SanStatus::Found, {"e2", "e4", ""}},
        {kInitial, "g1f3", SanStatus::Found, {"g1", "f3", ""}},
        {kInitial, "Ng1-f3", SanStatus::Found, {"g1", "f3", ""}},
        {kInitial, "e5", SanStatus::Illegal, {}},
        {kInitial, "Ke2", SanStatus::Illegal, {}},
        {kInitial, "O-O", SanStatus::Illegal, {}},
        {kInitial, "Zz9", SanStatus::NotAMove, {}},
        {kInitial, "", SanStatus::NotAMove, {}},
        {kInitial, "e", SanStatus::NotAMove, {}},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nd2", SanStatus::Ambiguous, {}},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nfd2", SanStatus::Found, {"f3", "d2", ""}},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "0-0", SanStatus::Found, {"e1", "g1", ""}},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "0-0-0", SanStatus::Found, {"e8", "c8", ""}},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O-O", SanStatus::Found, {"e8", "c8", ""}},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8=Q", SanStatus::Found, {"a7", "a8", "Queen"}},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8Q", SanStatus::Found, {"a7", "a8", "Queen"}},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8n", SanStatus::Found, {"a7", "a8", "Knight"}},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8", SanStatus::Illegal, {}},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8=K", SanStatus::NotAMove, {}},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", SanStatus::Found, {"e5", "d6", ""}},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6e.p.", SanStatus::NotAMove, {}},
    };
    for (const Row& row : rows) {
        GameAt position(row.fen);
        SanMove move;
        EXPECT_EQ(ReadSan(position.game, row.text, move), row.status) << row.text;
        if (row.status == SanStatus::Found) {
            EXPECT_EQ(move.from + move.to + move.promotion,
                      row.move.from + row.move.to + row.move.promotion)
                << row.text;
        }
    }
}
