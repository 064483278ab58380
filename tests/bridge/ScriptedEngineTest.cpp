// The driver's dialogue with the stand-in engine: what it sends for each kind of search
// and stop, and that misbehaving engines cannot hold a search or a shutdown.

#include "ScriptedInstall.h"
#include "TestPositions.h"
#include "driver/EngineDriver.h"
#include "driver/RecordLayout.h"
#include "quill/Quill32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ferrule;
using namespace ferrule_test;
using Commands = std::vector<std::string>;

// Main lines the host has been told of; the record itself is read only once the search
// has ended, as a host reads it only in its handler.
std::atomic<int> g_mainLines{0};

std::int32_t countMainLines(std::int32_t code, std::int32_t, std::int32_t, void*) {
    if (code == kNotifyMainLine) {
        ++g_mainLines;
    }
    return 0;
}

class ScriptedEngine : public ::testing::Test {
protected:
    void SetUp() override {
        g_mainLines = 0;
        QuillSetHandler(&countMainLines);
    }
    void TearDown() override {
        m_driver->shutdown();
        QuillSetHandler(nullptr);
    }

    void start(const std::string& mode, EngineConfig config = {}) {
        config.commandLine = mode;
        std::string error;
        ASSERT_TRUE(m_driver->start(m_install.paths(), config, error)) << error;
        m_driver->reports().attach(m_record.data(), 0);
    }

    Commands searchAndClose(const SearchRequest& request) {
        m_driver->search(request);
        m_driver->shutdown();
        return m_install.commands();
    }

    int mainLineCount() const { return getLe16(m_record.data(), report::kMainLineCount); }
    // Waits for one more main line than `before` had been reported.
    static bool mainLineReported(int before = 0) {
        return eventually([before] { return g_mainLines > before; });
    }

    // The commands sent from the first `from` on, without the status requests "." that a
    // waiting search sends on its own schedule.
    Commands commandsFrom(const std::string& from) const {
        const Commands all = m_install.commands();
        Commands tail;
        std::copy_if(std::find(all.begin(), all.end(), from), all.end(), std::back_inserter(tail),
                     [](const std::string& command) { return command != "."; });
        return tail;
    }

    ScriptedInstall m_install;
    std::array<unsigned char, report::kSize> m_record{};
    std::shared_ptr<EngineDriver> m_driver = std::make_shared<EngineDriver>();
};

SearchRequest timedRequest() {
    SearchRequest request;
    request.moves = {move("e2e4")};
    request.mode = 2;
    request.remaining = 300;
    request.increment = 2;
    return request;
}

SearchRequest boardRequest(const std::string& fen) {
    const Position position = fromFen(fen);
    SearchRequest request = timedRequest();
    request.fromStart = false;
    request.moves.clear();
    request.whiteToMove = position.sideToMove == kWhite;
    std::copy(position.squares.begin(), position.squares.end(), request.board.begin());
    return request;
}

TEST_F(ScriptedEngine, StartPositionCommandSequence) {
    start("");
    EXPECT_EQ(searchAndClose(timedRequest()),
              (Commands{"xboard", "protover 2", "zelta", "new", "level 0 5:0 2", "time 30000",
                        "hard", "easy", "force", "e2e4", "post", "black", "go", "new", "quit"}));
    EXPECT_EQ(mainLineCount(), 1);
}

// An engine that says nothing to "protover 2" is a version 1 engine: after the wait for
// its features it gets the dialogue it always got.
TEST_F(ScriptedEngine, ASilentEngineGetsTheVersionOneDialogue) {
    start("silent");
    EXPECT_EQ(searchAndClose(timedRequest()),
              (Commands{"xboard", "protover 2", "zelta", "new", "level 0 5:0 2", "time 30000",
                        "hard", "easy", "force", "e2e4", "post", "black", "go", "new", "quit"}));
    EXPECT_EQ(mainLineCount(), 1);
}

// With StartNudge, an engine is sent empty lines while its features are awaited, and none
// once the wait is over: a silent one for the whole wait, one that says them at once at
// most while its last feature line is on its way.
TEST_F(ScriptedEngine, StartNudgeSendsEmptyLinesOnlyWhileTheFeaturesAreAwaited) {
    struct Row {
        const char* mode;
        const char* afterWait; // the first command once the wait for features is over
    };
    const Row rows[] = {{"silent", "zelta"}, {"v2", "new"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        std::filesystem::remove(m_install.folder() / "commands.log");
        m_driver = std::make_shared<EngineDriver>();
        EngineConfig config;
        config.startNudge = true;
        start(row.mode, config);
        const Commands commands = searchAndClose(timedRequest());
        const auto protover = std::find(commands.begin(), commands.end(), "protover 2");
        const auto afterWait = std::find(protover, commands.end(), row.afterWait);
        ASSERT_NE(afterWait, commands.end());
        EXPECT_EQ(std::count(afterWait, commands.end(), ""), 0);
        EXPECT_EQ(commands.back(), "quit");
        if (row.afterWait == std::string("zelta")) {
            // About one every 20 ms of the ten-second wait; a busy machine sends fewer.
            EXPECT_GT(afterWait - protover - 1, 5);
            EXPECT_EQ(std::count(protover + 1, afterWait, ""), afterWait - protover - 1);
        }
    }
}

// Every feature is answered; a board goes as "setboard" with the castling rights the
// request and the pieces allow and the en-passant square, moves as "usermove", and a move
// the engine prints before its "pong" is not taken for the new search's.
TEST_F(ScriptedEngine, VersionTwoFeaturesShapeTheDialogue) {
    EngineConfig config;
    config.castleAndEP = true;
    start("v2", config);
    SearchRequest request = boardRequest("r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQk e3");
    request.castling = kWhiteKingSide | kBlackKingSide | kBlackQueenSide;
    request.enPassant = 20; // e3
    request.moves = {move("f4e3")};
    const Commands commands = searchAndClose(request);
    const Commands expected{"xboard",
                            "protover 2",
                            "accepted done",
                            "accepted myname",
                            "accepted setboard",
                            "accepted ping",
                            "accepted usermove",
                            "rejected san",
                            "accepted colors",
                            "rejected sigint",
                            "accepted sigterm",
                            "rejected variants",
                            "accepted done",
                            "new",
                            "level 0 5:0 2",
                            "time 30000",
                            "force",
                            "setboard r3k2r/8/8/8/4Pp2/8/8/R3K2R b Kkq e3 0 1",
                            "hard",
                            "easy",
                            "force",
                            "usermove f4e3",
                            "ping 1",
                            "post",
                            "go",
                            "new",
                            "quit"};
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(m_driver->engineOwnName(), "Scripted Two");
}

// The engine prints a left-over "move a7a6" just before its "pong": a legal move here, which
// would be reported and end the wait if it were credited to the search.
TEST_F(ScriptedEngine, OutputBeforeThePongIsNotCredited) {
    start("v2");
    m_driver->search(timedRequest());
    EXPECT_EQ(g_mainLines, 1);
    EXPECT_EQ(mainLineCount(), 1);
    EXPECT_EQ(getLe16(m_record.data(), report::kMainLine), move("e7e5"));
    EXPECT_TRUE(m_install.waitForCommand("go"));
}

TEST_F(ScriptedEngine, BoardCommandSequence) {
    start("");
    SearchRequest request = boardRequest("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    request.moves = {move("e2e4")};
    const Commands commands = searchAndClose(request);
    ASSERT_EQ(commands.size(), 6u + 2u + 16u + 1u + 16u + 1u + 1u + 9u);
    EXPECT_EQ(Commands(commands.begin() + 6, commands.begin() + 9), (Commands{"edit", "#", "Ra1"}));
    EXPECT_EQ(commands[6 + 2 + 16], "c");
    EXPECT_EQ(commands[6 + 2 + 16 + 1], "Pa7");
    EXPECT_EQ(Commands(commands.begin() + 41, commands.end()),
              (Commands{"c", ".", "hard", "easy", "force", "e2e4", "post", "black", "go", "new",
                        "quit"}));
    EXPECT_EQ(mainLineCount(), 1);
}

TEST_F(ScriptedEngine, FixedDepthTellsTheEngineItsDepthBeforeTheSetUp) {
    start("");
    SearchRequest request = boardRequest("4k3/8/8/8/8/8/4P3/4K3 w - -");
    request.mode = 1;
    request.depth = 4;
    const Commands commands = searchAndClose(request);
    EXPECT_EQ(Commands(commands.begin() + 3, commands.begin() + 8),
              (Commands{"new", "level 10 30000:0 0", "time 180000000", "sd 4", "edit"}));
}

TEST_F(ScriptedEngine, StopTellsAThinkingEngineToMoveNow) {
    start("thinker");
    Background search([&] { m_driver->search(timedRequest()); });
    ASSERT_TRUE(mainLineReported());
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(commandsFrom("go"), (Commands{"go", "?"}));
    EXPECT_EQ(mainLineCount(), 2) << "the move after the stop is not reported";
}

// A stop may land anywhere in the start of a search, also between the check for a stop
// and the start command: it must never be lost (the unlimited search would not end) nor
// reach the engine before "go".
TEST_F(ScriptedEngine, AStopAsTheSearchStartsIsNeverLost) {
    start("thinker");
    SearchRequest request = timedRequest();
    request.mode = 0;
    std::mt19937 random(7);
    constexpr int kRaces = 1000;
    for (int race = 0; race < kRaces; ++race) {
        const auto delay = std::chrono::microseconds(random() % 400);
        std::atomic<bool> done{false};
        std::thread search([&] {
            m_driver->search(request);
            done = true;
        });
        while (!m_driver->searchRunning() && !done) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(delay);
        m_driver->stop();
        const bool ended = eventually([&] { return done.load(); }, 10s);
        if (!ended) {
            // The search would never end by itself: shutdown ends it, so that the test can.
            m_driver->shutdown();
        }
        search.join();
        ASSERT_TRUE(ended) << "race " << race << " of " << kRaces << " lost its stop";
    }
    const Commands all = m_install.commands();
    for (auto at = all.begin(); at != all.end(); ++at) {
        if (*at == "?") {
            const auto go = std::find(std::make_reverse_iterator(at), all.rend(), "go");
            const auto post = std::find(std::make_reverse_iterator(at), all.rend(), "post");
            ASSERT_TRUE(go != all.rend() && go < post)
                << "a \"?\" reached the engine before \"go\"";
        }
    }
}

TEST_F(ScriptedEngine, StopEndsAnAnalysisWithExit) {
    EngineConfig config;
    config.analyzeMode = true;
    start("thinker", config);
    SearchRequest request = timedRequest();
    request.mode = 0;
    Background search([&] { m_driver->search(request); });
    ASSERT_TRUE(mainLineReported());
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    // The search ends as "exit" is sent, maybe before the engine has logged it.
    EXPECT_TRUE(m_install.waitForCommand("exit"));
    EXPECT_EQ(commandsFrom("post"), (Commands{"post", "black", "analyze", "exit"}));
}

SearchRequest ponderRequest() {
    SearchRequest request = timedRequest();
    request.moves.push_back(move("e7e5"));
    request.ponder = true;
    return request;
}

EngineConfig pondering() {
    EngineConfig config;
    config.ponderMode = true;
    return config;
}

TEST_F(ScriptedEngine, StopWhilePonderingPlaysThePonderMoveFirst) {
    start("thinker", pondering());
    Background search([&] { m_driver->search(ponderRequest()); });
    ASSERT_TRUE(mainLineReported());
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(commandsFrom("hard"), (Commands{"hard", "force", "e2e4", "post", "black",
                                              "ponder e7e5", "e7e5", "easy", "?"}));
}

TEST_F(ScriptedEngine, PonderHitHandsOverTheMoveOnce) {
    start("thinker", pondering());
    Background search([&] { m_driver->search(ponderRequest()); });
    ASSERT_TRUE(mainLineReported());
    m_driver->ponderHit();
    ASSERT_TRUE(m_install.waitForCommand("easy"));
    m_driver->ponderHit();
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(commandsFrom("ponder e7e5"), (Commands{"ponder e7e5", "e7e5", "easy", "?"}));
}

TEST_F(ScriptedEngine, FixedDepthStopsWhenADeeperLineArrives) {
    start("thinker");
    SearchRequest request = timedRequest();
    request.mode = 1;
    request.depth = 2; // the engine reports depth 3
    Background search([&] { m_driver->search(request); });
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(commandsFrom("go"), (Commands{"go", "?"}));
}

// A status answer before the first thinking line may carry the depth of the engine's
// previous search: it must not stop a fixed-depth search before it has a main line.
TEST_F(ScriptedEngine, AStaleStatusDepthStopsNothing) {
    start("stale-status");
    SearchRequest request = timedRequest();
    request.mode = 1;
    request.depth = 3;
    Background search([&] { m_driver->search(request); });
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(g_mainLines, 1);
    EXPECT_EQ(commandsFrom("go"), (Commands{"go"}));
}

TEST_F(ScriptedEngine, AnEngineWithoutAnalysisGetsTimedSearchesInstead) {
    EngineConfig config;
    config.analyzeMode = true;
    start("no-analyze", config);
    SearchRequest request = timedRequest();
    request.mode = 0;
    {
        Background search([&] { m_driver->search(request); });
        // The thinking line comes after the error line, so the error has been read.
        ASSERT_TRUE(mainLineReported());
        m_driver->stop();
        EXPECT_TRUE(search.finishes());
    }
    const int before = g_mainLines;
    Background search([&] { m_driver->search(request); });
    ASSERT_TRUE(mainLineReported(before));
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    const Commands second = commandsFrom("analyze");
    ASSERT_GE(second.size(), 4u);
    EXPECT_EQ(Commands(second.begin() + 1, second.begin() + 4),
              (Commands{"?", "new", "level 10 30000:0 0"}));
    EXPECT_EQ(Commands(second.end() - 3, second.end()), (Commands{"black", "go", "?"}));
}

TEST_F(ScriptedEngine, APositionWithoutLegalMovesIsNotSearched) {
    start("thinker");
    Background search([&] { m_driver->search(boardRequest("7k/5Q2/6K1/8/8/8/8/8 b - -")); });
    EXPECT_TRUE(search.finishes(5s));
    m_driver->shutdown();
    EXPECT_EQ(commandsFrom("post"), (Commands{"post", "black", "new", "quit"}));
}

TEST_F(ScriptedEngine, AnEngineThatStopsReadingHoldsNoCall) {
    start("deaf");
    SearchRequest request = timedRequest();
    request.mode = 0;
    Background search([&] { m_driver->search(request); });
    ASSERT_TRUE(mainLineReported());
    // Enough commands to fill the pipe many times over; from the one that cannot be
    // written on, the engine counts as gone.
    Background flood([&] {
        for (int i = 0; i < 40000; ++i) {
            m_driver->reset();
        }
        m_driver->stop();
    });
    EXPECT_TRUE(flood.finishes());
    EXPECT_TRUE(search.finishes());
    const int pid = m_install.enginePid();
    Background close([&] { m_driver->shutdown(); });
    EXPECT_TRUE(close.finishes());
    EXPECT_TRUE(processGone(pid));
}

TEST_F(ScriptedEngine, ShutdownEndsASearchTheEngineWillNotEnd) {
    start("stubborn");
    SearchRequest request = timedRequest();
    request.mode = 0;
    Background search([&] { m_driver->search(request); });
    ASSERT_TRUE(mainLineReported());
    const int pid = m_install.enginePid();
    Background close([&] { m_driver->shutdown(); });
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(close.finishes());
    EXPECT_FALSE(m_driver->searchRunning());
    EXPECT_TRUE(processGone(pid));
}

} // namespace
