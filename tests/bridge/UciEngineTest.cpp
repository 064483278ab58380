// The UCI dialogue with the stand-in engine's UCI modes: what is sent for each kind of
// search, stop and ponder, what the host is told of every form of "info" line, how "auto"
// finds the protocol, and that engines that do not answer hold no call.

#include "ScriptedInstall.h"
#include "TestPositions.h"
#include "driver/EngineDriver.h"
#include "driver/RecordLayout.h"
#include "quill/Quill32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace ferrule;
using namespace ferrule_test;
using Commands = std::vector<std::string>;

// One notification and the record fields it made new, as the host saw them in its handler.
struct Notice {
    int code = 0;
    int depth = 0;
    std::uint32_t nodes = 0;
    int score = 0;
    int time = 0;
    std::vector<MoveCode> line;
    int moveNumber = 0;
    int moveTotal = 0;
    int currentMove = 0;
};

std::mutex g_noticesMutex;
std::vector<Notice> g_notices;
// A pondering search notifies from its own thread too, while the reader writes the record:
// there only the codes are recorded (a host reads the record in its handler, and one
// notified from two threads at once has to keep them apart itself).
std::atomic<bool> g_readRecord{true};

std::int32_t recordNotice(std::int32_t code, std::int32_t, std::int32_t, void* address) {
    Notice notice;
    notice.code = code;
    if (!g_readRecord) {
        std::lock_guard lock(g_noticesMutex);
        g_notices.push_back(notice);
        return 0;
    }
    const auto* record = static_cast<const unsigned char*>(address);
    notice.depth = getLe16(record, report::kDepth);
    notice.nodes = getLe32(record, report::kNodesLow);
    notice.score = static_cast<std::int16_t>(getLe16(record, report::kScore));
    notice.time = static_cast<std::int32_t>(getLe32(record, report::kTime));
    for (int i = 0; i < getLe16(record, report::kMainLineCount); ++i) {
        notice.line.push_back(static_cast<MoveCode>(getLe16(record, report::kMainLine + 2 * i)));
    }
    notice.moveNumber = getLe16(record, report::kMoveNumber);
    notice.moveTotal = getLe16(record, report::kMoveTotal);
    notice.currentMove = getLe16(record, report::kCurrentMove);
    std::lock_guard lock(g_noticesMutex);
    g_notices.push_back(notice);
    return 0;
}

std::vector<Notice> notices(int code) {
    std::lock_guard lock(g_noticesMutex);
    std::vector<Notice> found;
    std::copy_if(g_notices.begin(), g_notices.end(), std::back_inserter(found),
                 [code](const Notice& notice) { return notice.code == code; });
    return found;
}

class UciEngine : public ::testing::Test {
protected:
    void SetUp() override {
        {
            std::lock_guard lock(g_noticesMutex);
            g_notices.clear();
        }
        g_readRecord = true;
        QuillSetHandler(&recordNotice);
    }
    void TearDown() override {
        m_driver->shutdown();
        QuillSetHandler(nullptr);
    }

    void start(const std::string& mode, EngineConfig config = {}) {
        config.commandLine = mode;
        if (config.protocol == Protocol::kXboard) {
            config.protocol = Protocol::kUci;
        }
        std::string error;
        ASSERT_TRUE(m_driver->start(m_install.paths(), config, error)) << error;
        m_driver->reports().attach(m_record.data(), 0);
    }

    // The commands sent from the first `from` on.
    Commands commandsFrom(const std::string& from) const {
        const Commands all = m_install.commands();
        return Commands(std::find(all.begin(), all.end(), from), all.end());
    }

    static bool mainLineReported() {
        return eventually([] { return !notices(kNotifyMainLine).empty(); });
    }

    ScriptedInstall m_install;
    std::array<unsigned char, report::kSize> m_record{};
    std::shared_ptr<EngineDriver> m_driver = std::make_shared<EngineDriver>();
};

SearchRequest startRequest(const std::vector<std::string>& moves, int mode = 1) {
    SearchRequest request;
    for (const std::string& text : moves) {
        request.moves.push_back(move(text));
    }
    request.mode = mode;
    request.depth = 8;
    request.remaining = 300;
    request.increment = 2;
    request.toPlay = 38;
    return request;
}

SearchRequest boardRequest(const std::string& fen) {
    const Position position = fromFen(fen);
    SearchRequest request = startRequest({});
    request.fromStart = false;
    request.whiteToMove = position.sideToMove == kWhite;
    request.castling = position.castling;
    request.enPassant = position.enPassant;
    std::copy(position.squares.begin(), position.squares.end(), request.board.begin());
    return request;
}

TEST_F(UciEngine, OpeningOptionsAndAFixedDepthSearch) {
    EngineConfig config;
    config.options = {{"Hash", "16"}, {"SyzygyPath", "/tb/a b"}, {"Clear Hash", ""}};
    start("uci", config);
    m_driver->search(startRequest({"e2e4"}));
    m_driver->shutdown();
    EXPECT_EQ(
        m_install.commands(),
        (Commands{"uci", "setoption name Hash value 16", "setoption name SyzygyPath value /tb/a b",
                  "setoption name Clear Hash", "isready", "ucinewgame", "isready",
                  "position startpos moves e2e4", "go depth 8", "quit"}));
    EXPECT_EQ(m_driver->engineOwnName(), "Scripted Uci");
    EXPECT_EQ(m_driver->engineOwnAuthor(), "Test Author");
}

// Every form of "info" line the stand-in prints, and what the host is told of each.
TEST_F(UciEngine, InfoLinesBecomeReports) {
    start("uci");
    m_driver->search(startRequest({"e2e4"}));
    std::vector<int> depths;
    for (const Notice& notice : notices(kNotifyDepth)) {
        depths.push_back(notice.depth);
    }
    EXPECT_EQ(depths, (std::vector<int>{5, 6, 7}));
    std::vector<std::uint32_t> nodes;
    for (const Notice& notice : notices(kNotifyNodes)) {
        nodes.push_back(notice.nodes);
    }
    // The second multipv line's count is passed over with the rest of that line.
    EXPECT_EQ(nodes, (std::vector<std::uint32_t>{5000, 7000, 8000, 9000}));
    const std::vector<Notice> rootMoves = notices(kNotifyRootMove);
    ASSERT_EQ(rootMoves.size(), 2u);
    EXPECT_EQ(rootMoves[1].moveNumber, 2);
    EXPECT_EQ(rootMoves[1].moveTotal, 20);
    EXPECT_EQ(rootMoves[1].currentMove, move("b8c6"));
    // Main lines: the exact ones only (no free text, no second multipv, no bound), the mate
    // score converted, the time in seconds; the move itself adds nothing new.
    const std::vector<Notice> lines = notices(kNotifyMainLine);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].line, (std::vector<MoveCode>{move("e7e5")}));
    EXPECT_EQ(lines[0].score, 12);
    EXPECT_EQ(lines[1].line, (std::vector<MoveCode>{move("e7e5"), move("g1f3"), move("b8c6")}));
    EXPECT_EQ(lines[1].score, 29997);
    EXPECT_EQ(lines[1].time, 2);
}

TEST_F(UciEngine, ScoresFollowEvaluationWhiteForBlackToMove) {
    EngineConfig config;
    config.evaluationWhite = true;
    start("uci", config);
    m_driver->search(startRequest({"e2e4"}));
    const std::vector<Notice> lines = notices(kNotifyMainLine);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].score, -12);
    EXPECT_EQ(lines[1].score, -29997);
}

// "ucinewgame" only where the game is not the last one continued.
TEST_F(UciEngine, ANewGameOnlyWhenTheGameChanges) {
    start("uci");
    m_driver->search(startRequest({"e2e4"}));
    m_driver->search(startRequest({"e2e4", "e7e5", "g1f3"}));
    m_driver->search(startRequest({"d2d4"}));
    m_driver->reset();
    m_driver->search(startRequest({"d2d4", "d7d5"}));
    m_driver->search(boardRequest("r3k2r/8/8/8/4Pp2/8/8/R3K2R b Kkq e3"));
    m_driver->shutdown();
    Commands setUps;
    for (const std::string& command : commandsFrom("isready")) {
        if (command == "ucinewgame" || command.starts_with("position")) {
            setUps.push_back(command);
        }
    }
    EXPECT_EQ(setUps, (Commands{"ucinewgame", "position startpos moves e2e4",
                                "position startpos moves e2e4 e7e5 g1f3", "ucinewgame",
                                "position startpos moves d2d4", "ucinewgame",
                                "position startpos moves d2d4 d7d5", "ucinewgame",
                                "position fen r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQkq - 0 1"}));
}

// With CastleAndEP the request's castling rights and en-passant square go into the FEN.
TEST_F(UciEngine, ABoardWithRightsAndEnPassant) {
    EngineConfig config;
    config.castleAndEP = true;
    start("uci", config);
    SearchRequest request = boardRequest("r3k2r/8/8/8/4Pp2/8/8/R3K2R b Kkq e3");
    request.moves = {move("f4e3")};
    m_driver->search(request);
    EXPECT_TRUE(m_install.waitForCommand("position fen r3k2r/8/8/8/4Pp2/8/8/R3K2R b Kkq e3 0 1 "
                                         "moves f4e3"));
}

TEST_F(UciEngine, TimeControlsBecomeGoLimits) {
    start("uci");
    m_driver->search(startRequest({"e2e4"}, 2));
    m_driver->search(startRequest({"e2e4", "e7e5", "g1f3"}, 3));
    EXPECT_TRUE(m_install.waitForCommand("go wtime 300000 btime 300000 winc 2000 binc 2000"));
    EXPECT_TRUE(m_install.waitForCommand("go wtime 300000 btime 300000 movestogo 38"));
}

TEST_F(UciEngine, StopAnInfiniteSearchAndWaitForItsMove) {
    start("uci");
    Background search([&] { m_driver->search(startRequest({"e2e4"}, 0)); });
    ASSERT_TRUE(mainLineReported());
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(commandsFrom("go infinite"), (Commands{"go infinite", "stop"}));
    EXPECT_EQ(notices(kNotifyMainLine).size(), 1u) << "the move after the stop is not reported";
}

EngineConfig pondering() {
    g_readRecord = false;
    EngineConfig config;
    config.ponderMode = true;
    return config;
}

SearchRequest ponderRequest() {
    SearchRequest request = startRequest({"e2e4", "e7e5"}, 2);
    request.ponder = true;
    return request;
}

TEST_F(UciEngine, PonderHitGoesOnWithTheSearch) {
    start("uci", pondering());
    Background search([&] { m_driver->search(ponderRequest()); });
    ASSERT_TRUE(mainLineReported());
    m_driver->ponderHit();
    m_driver->ponderHit();
    ASSERT_TRUE(eventually([] { return notices(kNotifyMainLine).size() == 2; }));
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(
        commandsFrom("position startpos moves e2e4 e7e5"),
        (Commands{"position startpos moves e2e4 e7e5",
                  "go ponder wtime 300000 btime 300000 winc 2000 binc 2000", "ponderhit", "stop"}));
}

// The expected reply was not played: the ponder search is stopped and its move thrown away.
TEST_F(UciEngine, APonderMissDropsThePonderSearchsMove) {
    EngineConfig config = pondering();
    config.logfile = true;
    start("uci", config);
    Background search([&] { m_driver->search(ponderRequest()); });
    ASSERT_TRUE(mainLineReported());
    m_driver->stop();
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(notices(kNotifyMainLine).size(), 1u);
    EXPECT_EQ(commandsFrom("position startpos moves e2e4 e7e5").back(), "stop");
    m_driver->ponderHit(); // nothing pending any more
    m_driver->shutdown();
    const Commands all = m_install.commands();
    EXPECT_EQ(std::count(all.begin(), all.end(), "ponderhit"), 0);
}

TEST_F(UciEngine, AMatedPositionIsNotSearched) {
    start("uci");
    Background search([&] { m_driver->search(boardRequest("7k/5Q2/6K1/8/8/8/8/8 b - -")); });
    EXPECT_TRUE(search.finishes(5s));
    m_driver->shutdown();
    EXPECT_EQ(commandsFrom("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"),
              (Commands{"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "quit"}));
}

// Engines that never get ready: the search returns after its bound without a move, and the
// connection counts as ended.
TEST_F(UciEngine, AnEngineThatNeverGetsReadyGetsNoSearch) {
    for (const char* mode : {"uci-mute", "uci-unready"}) {
        SCOPED_TRACE(mode);
        m_driver = std::make_shared<EngineDriver>();
        start(mode);
        Background search([&] { m_driver->search(startRequest({"e2e4"})); });
        EXPECT_TRUE(search.finishes(30s));
        EXPECT_TRUE(m_driver->engineEnded());
        EXPECT_TRUE(notices(kNotifySearchStart).empty());
        const int pid = m_install.enginePid();
        m_driver->shutdown();
        EXPECT_TRUE(processGone(pid));
        std::filesystem::remove(m_install.folder() / "engine.pid");
    }
}

TEST_F(UciEngine, AnEngineThatDiesMidSearchEndsTheSearch) {
    start("uci-dies");
    Background search([&] { m_driver->search(startRequest({"e2e4"})); });
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(m_driver->engineEnded());
    const int pid = m_install.enginePid();
    m_driver->shutdown();
    EXPECT_TRUE(processGone(pid));
}

TEST_F(UciEngine, AFloodOfInfoLinesIsReadToTheMove) {
    start("uci-flood");
    Background search([&] { m_driver->search(startRequest({"e2e4"})); });
    EXPECT_TRUE(search.finishes(60s));
    const std::vector<Notice> lines = notices(kNotifyMainLine);
    ASSERT_EQ(lines.size(), 1u) << "an unchanged line is reported once";
    EXPECT_EQ(lines[0].line.size(), 5u);
    EXPECT_EQ(lines[0].score, 31);
}

// No "bestmove" after "stop": the engine is ended after the bound and the search returns.
TEST_F(UciEngine, AnEngineThatIgnoresStopIsEnded) {
    start("uci-no-bestmove");
    Background search([&] { m_driver->search(startRequest({"e2e4"}, 0)); });
    ASSERT_TRUE(mainLineReported());
    const int pid = m_install.enginePid();
    m_driver->stop();
    EXPECT_TRUE(search.finishes(30s));
    EXPECT_TRUE(processGone(pid));
    EXPECT_TRUE(m_driver->engineEnded());
}

TEST_F(UciEngine, ShutdownDuringASearchLeavesNothing) {
    start("uci-no-bestmove");
    Background search([&] { m_driver->search(startRequest({"e2e4"}, 0)); });
    ASSERT_TRUE(mainLineReported());
    const int pid = m_install.enginePid();
    Background close([&] { m_driver->shutdown(); });
    EXPECT_TRUE(close.finishes(5s));
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(processGone(pid));
}

// "auto": "uciok" makes a UCI engine of it; an error line ends the wait early for xboard,
// silence after its bound; an xboard engine then gets its dialogue as always.
TEST_F(UciEngine, AutoFindsTheProtocol) {
    struct Case {
        const char* mode;
        Protocol found;
        const char* firstAfterUci;
    };
    const Case cases[] = {{"uci", Protocol::kUci, "isready"},
                          {"v2", Protocol::kXboard, "xboard"},
                          {"plain", Protocol::kXboard, "xboard"}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.mode);
        std::filesystem::remove(m_install.folder() / "commands.log");
        {
            std::lock_guard lock(g_noticesMutex);
            g_notices.clear();
        }
        m_driver = std::make_shared<EngineDriver>();
        EngineConfig config;
        config.protocol = Protocol::kAuto;
        const auto started = std::chrono::steady_clock::now();
        start(row.mode, config);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_EQ(m_driver->protocol(), row.found);
        ASSERT_TRUE(m_install.waitForCommand(row.firstAfterUci));
        EXPECT_EQ(m_install.commands().front(), "uci");
        EXPECT_EQ(m_install.commands()[1], row.firstAfterUci);
        m_driver->search(startRequest({"e2e4"}));
        EXPECT_FALSE(notices(kNotifyMainLine).empty());
        m_driver->shutdown();
    }
}

} // namespace
