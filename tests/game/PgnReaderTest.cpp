#include "game/PgnGame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Record(const PgnGame& game) {
    std::string text;
    for (const PgnGameMove& move : game.moves) {
        text += (text.empty() ? "" : " ") + move.record;
    }
    return text;
}

} // namespace

// The lenient readers' habits, each with the main line it must give.
TEST(PgnReader, ReadsLikeTheLenientReaders) {
    struct Row {
        const char* name;
        std::string text;
        const char* record;
        const char* result;
    };
    const Row rows[] = {
        {"plain", "[Event \"x\"]\n[Result \"*\"]\n\n1. e4 e5 2. Nf3 *\n", "e2e4 e7e5 g1f3", "*"},
        {"comments", "1. e4 {best by test} e5 ; to the line end\n2. Nf3 {x} *", "e2e4 e7e5 g1f3",
         "*"},
        {"variations",
         "1. e4 (1. d4 d5 (1... Nf6 2. c4) 2. c4) e5 2. Nf3 (2. f4 exf4 (2... d5)) Nc6 *",
         "e2e4 e7e5 g1f3 b8c6", "*"},
        {"nags", "1. e4! e5?! 2. Nf3 $1 Nc6 $14 *", "e2e4 e7e5 g1f3 b8c6", "*"},
        {"black move numbers", "1. e4 1... e5 2. Nf3 2...Nc6 *", "e2e4 e7e5 g1f3 b8c6", "*"},
        {"numbers without a blank", "1.e4 e5 2.Nf3 Nc6 3.Bb5 *", "e2e4 e7e5 g1f3 b8c6 f1b5", "*"},
        {"promotion without =",
         "[SetUp \"1\"]\n[FEN \"7k/P7/8/8/8/8/8/K7 w - - 0 1\"]\n\n1. a8Q+ Kh7 *", "a7a8Q h8h7",
         "*"},
        {"castling with zeros", "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. 0-0 Nf6 5. d3 0-0 *",
         "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1c g8f6 d2d3 e8g8c", "*"},
        {"byte-order mark", "\xEF\xBB\xBF[Event \"x\"]\n\n1. e4 *", "e2e4", "*"},
        {"CR LF", "[Event \"x\"]\r\n\r\n1. e4 e5\r\n2. Nf3 1-0\r\n", "e2e4 e7e5 g1f3", "1-0"},
        {"tags without moves", "[Event \"x\"]\n[Result \"1/2-1/2\"]\n", "", "1/2-1/2"},
        {"missing Result tag", "[Event \"x\"]\n\n1. d4 d5 0-1", "d2d4 d7d5", "0-1"},
        {"no result at all", "1. d4 d5", "d2d4 d7d5", "*"},
        {"long algebraic", "1. e2e4 e7e5 2. g1f3 b8c6 *", "e2e4 e7e5 g1f3 b8c6", "*"},
        {"the file's result stays", "[Result \"1-0\"]\n\n1. e4 1-0", "e2e4", "1-0"},
        {"plays on past a threefold repetition",
         "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 *",
         "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1", "*"},
        {"escape lines", "% produced by hand\n1. e4 *", "e2e4", "*"},
        {"en passant and captures", "1. e4 Nf6 2. e5 d5 3. exd6 Qxd6 4. Nc3 Qxh2 5. Rxh2 *",
         "e2e4 g8f6 e4e5 d7d5 e5d6E d8d6p b1c3 d6h2p h1h2q", "*"},
    };
    for (const Row& row : rows) {
        const std::vector<PgnGame> games = ReadPgnGames(row.text);
        ASSERT_EQ(games.size(), 1u) << row.name;
        EXPECT_EQ(Record(games[0]), row.record) << row.name;
        EXPECT_EQ(games[0].result, row.result) << row.name;
        EXPECT_EQ(games[0].error, "") << row.name;
    }
}

TEST(PgnReader, CommentsAndNagsStayWithTheirMove) {
    const std::vector<PgnGame> games =
        ReadPgnGames("{opening} 1. e4 {best\nby test} {really} e5?! $14 (1... c5 {no}) 2. Nf3 *");
    ASSERT_EQ(games.size(), 1u);
    const PgnGame& game = games[0];
    EXPECT_EQ(game.comment, "opening");
    ASSERT_EQ(game.moves.size(), 3u);
    EXPECT_EQ(game.moves[0].comment, "best\nby test really");
    EXPECT_EQ(game.moves[1].nags, "$6 $14");
    EXPECT_EQ(game.moves[1].comment, "");
    EXPECT_EQ(game.moves[2].text, "Nf3");
}

TEST(PgnReader, TagValues) {
    const std::vector<PgnGame> games = ReadPgnGames("[Event \"The \\\"Big\\\" One \\\\ 2\"]\n"
                                                    "[White \"M\xFCller, J\xF6rg\"]\n"
                                                    "[Black \"Jos\xC3\xA9\"]\n*");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].Tag("Event"), "The \"Big\" One \\ 2");
    EXPECT_EQ(games[0].Tag("White"), "M\xC3\xBCller, J\xC3\xB6rg"); // Latin-1 made UTF-8
    EXPECT_EQ(games[0].Tag("Black"), "Jos\xC3\xA9");                // UTF-8 kept
}

TEST(PgnReader, AnIllegalMoveEndsOnlyItsGame) {
    const std::string text = "[Event \"1\"]\n\n1. e4 e5\n2. Ke3 Nc6 3. d4 *\n\n"
                             "[Event \"2\"]\n\n1. d4 d5 2. Nf3 Nf6 3. Nd2 *\n\n"
                             "[Event \"3\"]\n\n1. e4 e5 2. Nf3 zz9 *\n\n"
                             "[Event \"4\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 *\n\n"
                             "[Event \"5\"]\n1. c4 *";
    const std::vector<PgnGame> games = ReadPgnGames(text);
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(Record(games[0]), "e2e4 e7e5");
    EXPECT_EQ(games[0].error, "illegal move \"Ke3\"");
    EXPECT_EQ(games[0].errorLine, 4);
    EXPECT_EQ(Record(games[1]), "d2d4 d7d5 g1f3 g8f6");
    EXPECT_EQ(games[1].error, "ambiguous move \"Nd2\"");
    EXPECT_EQ(games[1].errorLine, 8);
    EXPECT_EQ(games[2].error, "not a move \"zz9\"");
    EXPECT_EQ(Record(games[2]), "e2e4 e7e5 g1f3");
    EXPECT_EQ(games[3].error, "FEN tag refused: White must have exactly one king");
    EXPECT_EQ(Record(games[3]), "");
    EXPECT_EQ(games[4].error, "");
    EXPECT_EQ(Record(games[4]), "c2c4");
}

TEST(PgnReader, AGameAtAnOffset) {
    const std::string text = "[Event \"1\"]\n\n1. e4 *\n\n[Event \"2\"]\n\n1. d4 d5 *\n";
    const std::size_t second = text.find("[Event \"2\"]");
    const PgnGame game = ReadPgnGameAt(text, second);
    EXPECT_EQ(game.offset, second);
    EXPECT_EQ(game.Tag("Event"), "2");
    EXPECT_EQ(Record(game), "d2d4 d7d5");
}

// Every game, with tags or without, with comments before it or not, reads the same again
// from its offset: the "Games in File" index opens games that way.
TEST(PgnReader, EveryGameReadsAgainFromItsOffset) {
    const std::string text = "1. e4 e5 *\n1. d4 d5 2. c4 1-0 {before} ; also\n1. c4 *\n"
                             "[Event \"x\"]\n1. Nf3 *\n2... f5 *\n";
    const std::vector<PgnGame> games = ReadPgnGames(text);
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(games[2].comment, "before also");
    EXPECT_EQ(games[2].line, 2);
    for (const PgnGame& game : games) {
        const PgnGame again = ReadPgnGameAt(text, game.offset);
        EXPECT_EQ(Record(again), Record(game)) << game.offset;
        EXPECT_EQ(again.comment, game.comment);
        EXPECT_EQ(again.error, game.error);
    }
    EXPECT_EQ(Record(games[1]), "d2d4 d7d5 c2c4");
    EXPECT_EQ(games[4].error, "illegal move \"f5\"");
}

TEST(PgnReader, HostileTextEnds) {
    const std::string rows[] = {
        "",
        "[",
        "[Event",
        "[Event \"x",
        "{ never closed",
        "((((((",
        "))))",
        "1.",
        "$",
        "$99999999",
        std::string(100000, '('),
        std::string(1000, '['),
        "1. e4 ( e5",
        "\xEF\xBB\xBF",
    };
    for (const std::string& text : rows) {
        for (const PgnGame& game : ReadPgnGames(text)) {
            EXPECT_LE(game.moves.size(), 1u);
        }
    }
}
