// The UCI line reader, score conversion, protocol probe and command forms, on plain strings.

#include "driver/UciLineParser.h"
#include "TestPositions.h"
#include "config/EngineConfig.h"
#include "driver/UciCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ferrule;
using namespace ferrule_test;
using Kind = UciLine::Kind;

TEST(UciLine, Kinds) {
    struct Case {
        const char* line;
        Kind kind;
        const char* text;
        const char* ponder;
    };
    const Case cases[] = {
        {"uciok\n", Kind::kUciOk, "", ""},
        {"readyok", Kind::kReadyOk, "", ""},
        {"id name Stockfish 15.1\n", Kind::kIdName, "Stockfish 15.1", ""},
        {"id author the Stockfish developers  \r\n", Kind::kIdAuthor, "the Stockfish developers",
         ""},
        {"id", Kind::kIgnored, "", ""},
        {"bestmove e7e5 ponder g1f3\n", Kind::kBestMove, "e7e5", "g1f3"},
        {"bestmove e7e8q\n", Kind::kBestMove, "e7e8q", ""},
        {"bestmove (none)", Kind::kBestMove, "(none)", ""},
        {"bestmove", Kind::kIgnored, "", ""},
        {"option name Hash type spin default 16", Kind::kIgnored, "", ""},
        {"Stockfish 15.1 by the Stockfish developers", Kind::kIgnored, "", ""},
        {"", Kind::kIgnored, "", ""},
        {"info", Kind::kInfo, "", ""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.line);
        const UciLine parsed = parseUciLine(row.line);
        EXPECT_EQ(parsed.kind, row.kind);
        EXPECT_EQ(parsed.text, row.text);
        EXPECT_EQ(parsed.ponder, row.ponder);
    }
}

TEST(UciLine, InfoFields) {
    struct Case {
        const char* line;
        int depth; // -1: none
        long long nodes;
        long long timeMs;
        bool hasScore, mate, bound;
        int score, multipv;
        const char* pv;
        const char* currMove;
        int currMoveNumber;
    };
    const Case cases[] = {
        {"info depth 12 seldepth 17 multipv 1 score cp 31 nodes 123456 nps 900 hashfull 4 tbhits 0 "
         "time 137 pv e2e4 e7e5 g1f3\n",
         12, 123456, 137, true, false, false, 31, 1, "e2e4 e7e5 g1f3", "", 0},
        {"info depth 20 score mate -3 pv e1e2 wdl 0 0 1000", 20, -1, -1, true, true, false, -3, 1,
         "e1e2", "", 0},
        {"info depth 5 score cp -20 upperbound nodes 7", 5, 7, -1, true, false, true, -20, 1, "",
         "", 0},
        {"info depth 8 multipv 2 score cp 5 pv d2d4", 8, -1, -1, true, false, false, 5, 2, "d2d4",
         "", 0},
        {"info depth 6 currmove b1c3 currmovenumber 4", 6, -1, -1, false, false, false, 0, 1, "",
         "b1c3", 4},
        {"info string depth 9 score cp 100 pv a2a3", -1, -1, -1, false, false, false, 0, 1, "", "",
         0},
        {"info depth 99999999999 nodes -5 time x pv", -1, -1, -1, false, false, false, 0, 1, "", "",
         0},
        {"info depth 3 refutation d1h5 g6h5 nodes 40", 3, 40, -1, false, false, false, 0, 1, "", "",
         0},
        {"info depth 3 score lowerbound", 3, -1, -1, false, false, false, 0, 1, "", "", 0},
        {"info nodes 9223372036854775807 pv   a2a4   ", -1, 9223372036854775807LL, -1, false, false,
         false, 0, 1, "a2a4", "", 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.line);
        const UciLine parsed = parseUciLine(row.line);
        ASSERT_EQ(parsed.kind, Kind::kInfo);
        const UciInfo& info = parsed.info;
        EXPECT_EQ(info.depth.value_or(-1), row.depth);
        EXPECT_EQ(info.nodes.value_or(-1), row.nodes);
        EXPECT_EQ(info.timeMs.value_or(-1), row.timeMs);
        EXPECT_EQ(info.hasScore, row.hasScore);
        EXPECT_EQ(info.mate, row.mate);
        EXPECT_EQ(info.bound, row.bound);
        EXPECT_EQ(info.score, row.score);
        EXPECT_EQ(info.multipv, row.multipv);
        EXPECT_EQ(info.pv, row.pv);
        EXPECT_EQ(info.currMove, row.currMove);
        EXPECT_EQ(info.currMoveNumber, row.currMoveNumber);
    }
}

TEST(UciScore, CentipawnsAndMates) {
    struct Case {
        bool mate;
        int score;
        int host;
    };
    const Case cases[] = {{false, 31, 31},    {false, -250, -250}, {false, 40000, 32000},
                          {true, 1, 29999},   {true, 3, 29995},    {true, -1, -29998},
                          {true, -4, -29992}, {true, 0, -30000},   {true, 100000, 1}};
    for (const Case& row : cases) {
        UciInfo info;
        info.hasScore = true;
        info.mate = row.mate;
        info.score = row.score;
        EXPECT_EQ(uciScore(info), row.host) << row.mate << " " << row.score;
    }
}

TEST(ProtocolProbe, OnlyAnAnswerDecides) {
    struct Case {
        const char* line;
        ProbeVerdict verdict;
    };
    const Case cases[] = {
        {"uciok\n", ProbeVerdict::kUci},
        {"Error (unknown command): uci\n", ProbeVerdict::kXboard},
        {"Illegal move: uci\n", ProbeVerdict::kXboard},
        {"Invalid command\n", ProbeVerdict::kXboard},
        {"uci: unknown\n", ProbeVerdict::kXboard},
        {"feature done=0\n", ProbeVerdict::kXboard},
        {"Stockfish 15.1 by the Stockfish developers\n", ProbeVerdict::kUndecided},
        {"id name Knight\n", ProbeVerdict::kUndecided},
        {"tellics say     Fairy-Max 5.0b\n", ProbeVerdict::kUndecided},
        {"uciokay\n", ProbeVerdict::kUndecided},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(probeVerdict(row.line), row.verdict) << row.line;
    }
}

TEST(ProtocolKey, XboardUnlessSaidOtherwise) {
    EXPECT_EQ(readProtocol(""), Protocol::kXboard);
    EXPECT_EQ(readProtocol("xboard"), Protocol::kXboard);
    EXPECT_EQ(readProtocol("UCI"), Protocol::kUci);
    EXPECT_EQ(readProtocol("Auto"), Protocol::kAuto);
    EXPECT_EQ(readProtocol("ucci"), Protocol::kXboard);
    const EngineConfig config = EngineConfig::read(InitFile::parse(
        "[Parameter]\nProtocol=uci\n[Options]\nHash = 64\nThreads=1\nhash=8\nSyzygyPath=\"/a b\"\n"
        "[Other]\nx=1\n"));
    EXPECT_EQ(config.protocol, Protocol::kUci);
    using Options = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(config.options, (Options{{"Hash", "64"}, {"Threads", "1"}, {"SyzygyPath", "/a b"}}));
    EXPECT_EQ(EngineConfig::read(InitFile::parse("")).protocol, Protocol::kXboard);
}

SearchRequest request(int mode) {
    SearchRequest request;
    request.mode = mode;
    request.depth = 8;
    request.remaining = 120;
    request.increment = 3;
    request.toPlay = 12;
    return request;
}

TEST(UciCommands, GoLimits) {
    struct Case {
        int mode;
        bool ponder;
        const char* command;
    };
    const Case cases[] = {
        {1, false, "go depth 8\n"},
        {2, false, "go wtime 120000 btime 120000 winc 3000 binc 3000\n"},
        {3, false, "go wtime 120000 btime 120000 movestogo 12\n"},
        {0, false, "go infinite\n"},
        {7, false, "go infinite\n"},
        {2, true, "go ponder wtime 120000 btime 120000 winc 3000 binc 3000\n"},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(uciGoCommand(request(row.mode), row.ponder), row.command);
    }
    SearchRequest odd = request(3);
    odd.remaining = -5;
    odd.toPlay = 0;
    EXPECT_EQ(uciGoCommand(odd, false), "go wtime 0 btime 0\n");
}

TEST(UciCommands, Positions) {
    SearchRequest fromStart = request(1);
    EXPECT_EQ(uciPositionCommand(fromStart, Position::initial()), "position startpos\n");
    fromStart.moves = {move("e2e4"), move("e7e5"), move("g1f3")};
    EXPECT_EQ(uciPositionCommand(fromStart, Position::initial()),
              "position startpos moves e2e4 e7e5 g1f3\n");
    SearchRequest board = request(1);
    board.fromStart = false;
    board.moves = {move("a7a8n")};
    EXPECT_EQ(uciPositionCommand(board, fromFen("4k3/P7/8/8/8/8/8/4K3 w - -")),
              "position fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8n\n");
}

} // namespace
