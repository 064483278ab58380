#include "RandomGames.h"

#include "game/PgnGame.h"
#include "game/PgnWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Record(const PgnGame& game) {
    std::string text;
    for (const PgnGameMove& move : game.moves) {
        text += (text.empty() ? "" : " ") + move.record;
    }
    return text;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : " ") + line;
    }
    return text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(PgnWriter, ExportFormat) {
    PgnExport game;
    game.tags = {{"White", "Anna \"the\" Rook"}, {"Black", "fairymax"}, {"Annotator", "me"}};
    game.record = {"f2f3", "e7e5", "g2g4", "d8h4"};
    game.result = "0-1";
    EXPECT_EQ(WritePgn(game), "[Event \"?\"]\n"
                              "[Site \"?\"]\n"
                              "[Date \"????.??.??\"]\n"
                              "[Round \"?\"]\n"
                              "[White \"Anna \\\"the\\\" Rook\"]\n"
                              "[Black \"fairymax\"]\n"
                              "[Result \"0-1\"]\n"
                              "[Annotator \"me\"]\n"
                              "\n"
                              "1. f3 e5 2. g4 Qh4# 0-1\n");
}

TEST(PgnWriter, AGameFromAPosition) {
    PgnExport game;
    game.startFen = "4k3/8/8/8/8/8/8/R3K2R b KQ - 4 30";
    game.record = {"e8d7", "e1g1c", "d7c6", "a1a6"};
    game.comments = {"", "castles {late}"};
    const std::string text = WritePgn(game);
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K2R b KQ - 4 30\"]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n30... Kd7 31. O-O {castles {late)} 31... Kc6 32. Ra6+ *\n"),
              std::string::npos)
        << text;
    const std::vector<PgnGame> read = ReadPgnGames(text);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(Record(read[0]), Joined(game.record));
    EXPECT_EQ(read[0].moves[1].comment, "castles {late)");
}

TEST(PgnWriter, LinesShorterThanEightyCharacters) {
    for (const auto& [record, title] : RandomGames(20, 300, 7)) {
        PgnExport game;
        game.record = record;
        game.comments.assign(record.size(), "a comment that is long enough to wrap over lines");
        std::istringstream lines(WritePgn(game));
        for (std::string line; std::getline(lines, line);) {
            ASSERT_LT(line.size(), 80u) << line;
        }
    }
}

TEST(PgnWriter, TimeControlTag) {
    EXPECT_EQ(PgnTimeControl(std::nullopt), "-");
    const std::pair<const char*, const char*> rows[] = {
        {"5+3", "300+3"},
        {"40/90,30+30", "40/5400:1800+30"},
        {"40/90", "40/5400"},
        {"0.5+0", "30"},
        {"40/90+30,20/60,15+0", "40/5400+30:20/3600:900"},
        {"0.001+0.5", "0.06+0.5"},
        {"90+30", "5400+30"},
    };
    for (const auto& [typed, tag] : rows) {
        const ParsedTimeControl parsed = ParseTimeControl(typed);
        ASSERT_TRUE(parsed.control) << typed << ": " << parsed.error;
        EXPECT_EQ(PgnTimeControl(parsed.control), tag) << typed;
    }
}

TEST(PgnWriter, ClockText) {
    using namespace std::chrono_literals;
    const std::pair<ClockTime, const char*> rows[] = {
        {0s, "0:00:00"},     {999ms, "0:00:00"}, {59s + 999ms, "0:00:59"},    {5min, "0:05:00"},
        {3599s, "0:59:59"},  {1h, "1:00:00"},    {5h + 3min + 7s, "5:03:07"}, {-3s, "0:00:00"},
        {100h, "100:00:00"},
    };
    for (const auto& [time, text] : rows) {
        EXPECT_EQ(PgnClockText(time), text) << time.count();
    }
}

// The mover's time left follows each move as a "[%clk]" comment, before the move's own
// comment; a move without a time has none. The times are read back as the comments they are.
TEST(PgnWriter, ClockComments) {
    using namespace std::chrono_literals;
    PgnExport game;
    game.tags = {{"TimeControl", "300+3"}};
    game.record = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5"};
    game.clocks = {300s, 300s, std::nullopt, 2s + 900ms, 1h + 1min + 1s};
    game.comments = {"", "", "no clock here", "in time"};
    const std::string text = WritePgn(game);
    EXPECT_NE(text.find("[TimeControl \"300+3\"]\n"), std::string::npos) << text;
    std::string movetext = text.substr(text.find("\n\n") + 2);
    std::replace(movetext.begin(), movetext.end(), '\n', ' ');
    EXPECT_EQ(movetext, "1. e4 {[%clk 0:05:00]} 1... e5 {[%clk 0:05:00]} 2. Nf3 {no clock here} "
                        "2... Nc6 {[%clk 0:00:02] in time} 3. Bb5 {[%clk 1:01:01]} * ");
    const std::vector<PgnGame> read = ReadPgnGames(text);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].error, "");
    EXPECT_EQ(Record(read[0]), Joined(game.record));
    EXPECT_EQ(read[0].moves[0].comment, "[%clk 0:05:00]");
    EXPECT_EQ(read[0].moves[3].comment, "[%clk 0:00:02] in time");
    EXPECT_EQ(read[0].Tag("TimeControl"), "300+3");
}

// A game from a position counts its moves on from the position's move number; one that
// Black begins starts with "N...".
TEST(PgnWriter, MoveNumbersFromThePosition) {
    struct Row {
        const char* fen;
        std::vector<std::string> record;
        const char* movetext;
    };
    const Row rows[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         {"e2e4", "e7e5", "g1f3"},
         "1. e4 e5 2. Nf3 *"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
         {"c7c5", "g1f3"},
         "1... c5 2. Nf3 *"},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 57", {"a1a7", "e8f8", "e1g1c"}, "57. Ra7 Kf8 58. O-O+ *"},
        {"4k3/8/8/8/8/8/8/R3K2R b KQ - 12 99", {"e8d8", "a1a8"}, "99... Kd8 100. Ra8+ *"},
        {"4k3/8/8/8/8/8/8/R3K2R b KQ - 0 7", {}, "*"},
    };
    for (const Row& row : rows) {
        PgnExport game;
        game.startFen = row.fen;
        game.record = row.record;
        const std::string text = WritePgn(game);
        EXPECT_NE(text.find(std::string("\n\n") + row.movetext + "\n"), std::string::npos)
            << row.fen << "\n"
            << text;
        const std::vector<PgnGame> read = ReadPgnGames(text);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].error, "") << row.fen;
        EXPECT_EQ(Record(read[0]), Joined(row.record)) << row.fen;
    }
}

#ifdef PGN_EXTRACT
// A game as the program saves it, with the players' names, a time control, clock comments
// and a start position that Black begins, is read by pgn-extract with no error, its moves
// and its tags as written.
TEST(PgnWriter, PgnExtractReadsClocksNamesAndPositions) {
    using namespace std::chrono_literals;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("pgn-clocks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    struct Remover {
        std::filesystem::path folder;
        ~Remover() { std::filesystem::remove_all(folder); }
    } remover{folder};
    PgnExport game;
    game.tags = {{"White", "Anna \"the\" Rook"},
                 {"Black", "Stockfish 15.1"},
                 {"TimeControl", PgnTimeControl(ParseTimeControl("40/90,30+30").control)}};
    game.startFen = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12";
    game.record = {"e8g8c", "e1c1C", "a8a1", "c1d2"};
    game.clocks = {5400s, 5399s, std::nullopt, 5000s + 500ms};
    game.comments = {"", "long castles"};
    game.result = "1-0";
    std::ofstream(folder / "game.pgn", std::ios::binary) << WritePgn(game);
    const std::string quoted = "'" + folder.string() + "/";
    ASSERT_EQ(std::system((std::string(PGN_EXTRACT) + " -s -C -Wuci -o " + quoted + "uci.txt' " +
                           quoted + "game.pgn' 2>" + quoted + "uci.err'")
                              .c_str()),
              0);
    // pgn-extract reports a move it cannot make, or a tag it cannot read, here.
    EXPECT_EQ(ReadFile(folder / "uci.err"), "");
    const std::string uci = ReadFile(folder / "uci.txt");
    for (const char* expected :
         {"[White \"Anna \\\"the\\\" Rook\"]", "[Black \"Stockfish 15.1\"]",
          "[TimeControl \"40/5400:1800+30\"]", "[FEN \"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12\"]",
          "\ne8g8 e1c1 a8a1 c1d2 1-0\n"}) {
        EXPECT_NE(uci.find(expected), std::string::npos) << expected << "\n" << uci;
    }
}

// 1000 random games written here are read by pgn-extract with no error and the same moves,
// and the same games as pgn-extract writes them are read here with the same moves.
TEST(PgnWriter, RoundTripWithPgnExtract) {
    const std::vector<RandomGame> games = RandomGames(1000, 200, 1804);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("pgn-round-trip-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    struct Remover {
        std::filesystem::path folder;
        ~Remover() { std::filesystem::remove_all(folder); }
    } remover{folder};
    {
        std::ofstream out(folder / "ours.pgn", std::ios::binary);
        for (std::size_t i = 0; i < games.size(); ++i) {
            PgnExport game;
            game.tags = {{"Event", "random " + std::to_string(i)}};
            game.record = games[i].record;
            game.result = PgnResultOfTitle(games[i].title);
            out << WritePgn(game) << "\n";
        }
    }
    const std::string tool = PGN_EXTRACT;
    const std::string quoted = "'" + folder.string() + "/";
    ASSERT_EQ(std::system((tool + " -s -Wuci -w1000 -o " + quoted + "uci.txt' " + quoted +
                           "ours.pgn' 2>" + quoted + "uci.err'")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((tool + " -s -Wsan -o " + quoted + "theirs.pgn' " + quoted +
                           "ours.pgn' 2>" + quoted + "san.err'")
                              .c_str()),
              0);
    // Its standard error holds only its count of games, without a warning or an error.
    for (const char* log : {"uci.err", "san.err"}) {
        EXPECT_EQ(ReadFile(folder / log), "Games: 1000\r") << log;
    }

    // pgn-extract's long algebraic: each game's tags, then its moves and its result.
    std::vector<std::string> uciGames;
    std::istringstream uci(ReadFile(folder / "uci.txt"));
    bool inTags = false;
    for (std::string line; std::getline(uci, line);) {
        if (!line.empty() && line[0] == '[') {
            if (!inTags) {
                uciGames.emplace_back();
            }
            inTags = true;
        } else if (!line.empty() && !uciGames.empty()) {
            inTags = false;
            uciGames.back() += (uciGames.back().empty() ? "" : " ") + line;
        }
    }
    for (std::string& moves : uciGames) {
        const std::size_t last = moves.rfind(' ');
        moves = last == std::string::npos ? "" : moves.substr(0, last);
    }
    const std::vector<PgnGame> theirs = ReadPgnGames(ReadFile(folder / "theirs.pgn"));
    ASSERT_EQ(uciGames.size(), games.size());
    ASSERT_EQ(theirs.size(), games.size());
    for (std::size_t i = 0; i < games.size(); ++i) {
        std::string expected;
        for (const std::string& line : games[i].record) {
            std::string move = line.substr(0, 4);
            // pgn-extract 19.04 writes the promotion letter in upper case.
            if (line.size() > 4 &&
                std::string_view("QRBN").find(line.back()) != std::string::npos) {
                move += line.back();
            }
            expected += (expected.empty() ? "" : " ") + move;
        }
        EXPECT_EQ(uciGames[i], expected) << "game " << i;
        EXPECT_EQ(theirs[i].error, "") << "game " << i;
        EXPECT_EQ(Record(theirs[i]), Joined(games[i].record)) << "game " << i;
        EXPECT_EQ(theirs[i].result, PgnResultOfTitle(games[i].title)) << "game " << i;
    }
}
#endif

TEST(PgnWriter, ResultOfTheTitle) {
    const std::pair<const char*, const char*> rows[] = {
        {"Game Board", "*"},
        {"Game Board - (White Wins)", "1-0"},
        {"Active Game - (Black Wins)", "0-1"},
        {"g.rvg - (Stalemate)", "1/2-1/2"},
        {"g - (Draw) - (White Wins)", "1/2-1/2"},
    };
    for (const auto& [title, result] : rows) {
        EXPECT_EQ(PgnResultOfTitle(title), result) << title;
    }
}
