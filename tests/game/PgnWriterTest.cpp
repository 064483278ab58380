#include "RandomGames.h"

#include "game/PgnGame.h"
#include "game/PgnWriter.h"

#include <gtest/gtest.h>

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

#ifdef PGN_EXTRACT
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
