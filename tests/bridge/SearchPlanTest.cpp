#include "driver/SearchPlan.h"
#include "TestPositions.h"
#include "core/Fen.h"
#include "driver/RecordLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace ferrule;
using Commands = std::vector<std::string>;

SearchRequest startRequest(std::vector<MoveCode> moves, int mode) {
    SearchRequest request;
    request.moves = std::move(moves);
    request.mode = mode;
    return request;
}

TEST(SearchPlan, StartPositionWithIncrement) {
    SearchRequest request = startRequest({ferrule_test::move("e2e4")}, 2);
    request.remaining = 300;
    request.increment = 2;
    TimeControlCache cache;
    const SearchPlan plan = planSearch(request, EngineConfig{}, cache);
    EXPECT_EQ(plan.commands, (Commands{"new\n", "level 0 5:0 2\n", "time 30000\n", "hard\n",
                                       "easy\n", "force\n", "e2e4\n"}));
    EXPECT_FALSE(plan.whiteToMove);
    EXPECT_EQ(plan.position.sideToMove, kBlack);
    // A rebuilt base within a second of the last one sends no new level.
    for (const int remaining : {299, 300, 301}) {
        request.remaining = remaining;
        EXPECT_EQ(planSearch(request, EngineConfig{}, cache).commands[1],
                  "time " + std::to_string(remaining * 100) + "\n");
    }
    request.remaining = 299;
    EXPECT_EQ(planSearch(request, EngineConfig{}, cache).commands[1], "time 29900\n");
}

TEST(SearchPlan, BaseOf299RoundsUp) {
    SearchRequest request = startRequest({}, 2);
    request.remaining = 299;
    request.increment = 2;
    TimeControlCache cache;
    EXPECT_EQ(planSearch(request, EngineConfig{}, cache).commands[1], "level 0 5:0 2\n");
}

TEST(SearchPlan, MovesPerPeriod) {
    SearchRequest request = startRequest({}, 3);
    request.remaining = 100;
    request.used = 20;
    request.toPlay = 30;
    request.played = 10;
    TimeControlCache cache;
    EXPECT_EQ(
        planSearch(request, EngineConfig{}, cache).commands,
        (Commands{"new\n", "level 40 2:0 0\n", "time 10000\n", "hard\n", "easy\n", "force\n"}));
}

TEST(SearchPlan, UnlimitedAndFixedDepth) {
    TimeControlCache cache;
    SearchRequest request = startRequest({}, 0);
    SearchPlan plan = planSearch(request, EngineConfig{}, cache);
    EXPECT_EQ(plan.commands[1], "level 10 30000:0 0\n");
    EXPECT_EQ(plan.commands[2], "time 180000000\n");
    EXPECT_TRUE(plan.periodicStatus);
    EXPECT_FALSE(plan.analysis);
    request.mode = 1;
    request.depth = 8;
    EngineConfig analysing;
    analysing.analyzeMode = true;
    plan = planSearch(request, analysing, cache);
    EXPECT_EQ(plan.targetDepth, 8);
    EXPECT_TRUE(plan.analysis);
    EXPECT_EQ(plan.commands[1], "sd 8\n");
    EXPECT_EQ(plan.commands[2], "hard\n");
    // Without analysis the depth line follows the unlimited level and time.
    plan = planSearch(request, EngineConfig{}, cache);
    EXPECT_EQ(Commands(plan.commands.begin(), plan.commands.begin() + 5),
              (Commands{"new\n", "level 10 30000:0 0\n", "time 180000000\n", "sd 8\n", "hard\n"}));
    // After an unlimited level, a timed search must send its own level again.
    request.mode = 2;
    request.remaining = 1800000;
    EXPECT_EQ(planSearch(request, EngineConfig{}, cache).commands[1], "level 0 30000:0 0\n");
}

TEST(SearchPlan, ATimedLevelReplacesAPeriodLevelOfTheSameTime) {
    TimeControlCache cache;
    SearchRequest period = startRequest({}, 3);
    period.remaining = 300;
    period.toPlay = 40;
    EXPECT_EQ(planSearch(period, EngineConfig{}, cache).commands[1], "level 40 5:0 0\n");
    SearchRequest timed = startRequest({}, 2);
    timed.remaining = 300;
    EXPECT_EQ(planSearch(timed, EngineConfig{}, cache).commands[1], "level 0 5:0 0\n");
    EXPECT_EQ(planSearch(timed, EngineConfig{}, cache).commands[1], "time 30000\n");
}

SearchRequest boardRequest(const char* fen, bool whiteToMove) {
    const Position position = ferrule_test::fromFen(fen);
    SearchRequest request;
    request.fromStart = false;
    std::copy(position.squares.begin(), position.squares.end(), request.board.begin());
    request.whiteToMove = whiteToMove;
    request.mode = 2;
    request.remaining = 300;
    request.increment = 2;
    request.castling = 1 | 8;
    return request;
}

TEST(SearchPlan, BoardSetUpWithWhiteToMove) {
    SearchRequest request = boardRequest("4k3/8/8/3pP3/8/8/8/4K2R w - -", true);
    request.enPassant = makeSquare(3, 5);
    request.moves = {ferrule_test::move("h1h2")};
    EngineConfig config;
    config.castleAndEP = true;
    TimeControlCache cache;
    const SearchPlan plan = planSearch(request, config, cache);
    EXPECT_EQ(plan.commands, (Commands{"new\n",         "level 0 5:0 2\n",
                                       "time 30000\n",  "edit\n",
                                       "#\n",           "Ke1\n",
                                       "Rh1\n",         "Pe5\n",
                                       "c\n",           "Pd5\n",
                                       "Ke8\n",         "c\n",
                                       "castle +w00\n", "castle -w000\n",
                                       "castle -b00\n", "castle +b000\n",
                                       "ep d6\n",       ".\n",
                                       "hard\n",        "easy\n",
                                       "force\n",       "h1h2\n"}));
}

TEST(SearchPlan, BoardSetUpWithBlackToMoveAndEnPassantKeptForReading) {
    SearchRequest request = boardRequest("4k3/8/8/8/3pP3/8/8/4K3 b - -", false);
    request.enPassant = makeSquare(4, 2);
    EngineConfig config;
    TimeControlCache cache;
    SearchPlan plan = planSearch(request, config, cache);
    EXPECT_EQ(Commands(plan.commands.begin() + 3, plan.commands.end()),
              (Commands{"force\n", "a2a3\n", "edit\n", "#\n", "Ke1\n", "Pe4\n", "c\n", "Pd4\n",
                        "Ke8\n", ".\n", "hard\n", "easy\n", "force\n"}));
    EXPECT_EQ(plan.position.enPassant, 0) << "not sent, so not assumed";
    config.castleAndEP = true;
    plan = planSearch(request, config, cache);
    EXPECT_EQ(plan.position.enPassant, makeSquare(4, 2));
    request.enPassant = makeSquare(0, 2); // no pawn beside it: implausible
    plan = planSearch(request, config, cache);
    EXPECT_EQ(plan.position.enPassant, 0);
}

TEST(SearchPlan, PonderMoveIsHeldBack) {
    SearchRequest request =
        startRequest({ferrule_test::move("e2e4"), ferrule_test::move("e7e5")}, 2);
    request.ponder = true;
    request.remaining = 60;
    EngineConfig config;
    config.ponderMode = true;
    TimeControlCache cache;
    const SearchPlan plan = planSearch(request, config, cache);
    EXPECT_EQ(Commands(plan.commands.begin() + 3, plan.commands.end()),
              (Commands{"hard\n", "force\n", "e2e4\n"}));
    EXPECT_EQ(plan.ponderMove, "e7e5");
    EXPECT_FALSE(plan.whiteToMove);
    EXPECT_EQ(plan.position.sideToMove, kWhite) << "the ponder move is played on our copy";
}

TEST(Fen, WritesThePositionItIsGiven) {
    const char* const kRows[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w Kq d6 0 1",
        "8/8/8/8/4Pp2/8/8/4K2k b - e3 0 1",
    };
    for (const char* fen : kRows) {
        EXPECT_EQ(toFen(ferrule_test::fromFen(fen)), fen);
    }
}

EngineFeatures setboardAndUsermove() {
    EngineFeatures features;
    features.setboard = true;
    features.usermove = true;
    return features;
}

TEST(SearchPlan, AVersionTwoBoardIsOneSetboardAndMovesAreUsermoves) {
    SearchRequest request;
    request.fromStart = false;
    const Position position = ferrule_test::fromFen("r3k2r/8/8/8/8/8/8/R3K3 b Qkq - 0 1");
    std::copy(position.squares.begin(), position.squares.end(), request.board.begin());
    request.whiteToMove = false;
    request.castling = 0xF; // White's king side has no rook: no such right
    request.moves = {ferrule_test::move("e8g8")};
    TimeControlCache cache;
    EngineConfig config;
    config.castleAndEP = true;
    const SearchPlan plan = planSearch(request, config, cache, setboardAndUsermove());
    // After "new" and the unlimited search's level and time.
    EXPECT_EQ(Commands(plan.commands.begin() + 3, plan.commands.end()),
              (Commands{"force\n", "setboard r3k2r/8/8/8/8/8/8/R3K3 b Qkq - 0 1\n", "hard\n",
                        "easy\n", "force\n", "usermove e8g8\n"}));
    EXPECT_EQ(plan.position.castling, kWhiteQueenSide);

    config.castleAndEP = false;
    const SearchPlan fromPieces = planSearch(request, config, cache, setboardAndUsermove());
    EXPECT_EQ(fromPieces.commands.at(4), "setboard r3k2r/8/8/8/8/8/8/R3K3 b Qkq - 0 1\n");
}

TEST(EngineFeatures, AcceptsWhatThePlugInHonours) {
    struct Row {
        const char* line;
        const char* answers; // one letter per pair: a accepted, r rejected
    };
    const Row kRows[] = {
        {"setboard=1 ping=1 usermove=1 time=1 analyze=0 draw=0 reuse=1 done=1", "aaaaaaaa"},
        {"san=1 colors=0 sigint=1 sigterm=1 sigint=0 sigterm=0 colors=1", "rarraaa"},
        {"myname=\"Some Engine 1.0\" variants=\"normal,suicide\" option=\"Hash -spin 16 1 64\"",
         "arr"},
        {"nps=1 memory=1 smp=1 egt=\"syzygy\" name=1 ics=1 pause=1 playother=1", "rrrrrrrr"},
        {"setboard=1 broken ping=1", "a"},
        {"myname=\"unterminated", ""},
    };
    for (const Row& row : kRows) {
        EngineFeatures features;
        std::string answers;
        for (const FeaturePair& pair : readFeaturePairs(row.line)) {
            answers += features.take(pair) ? 'a' : 'r';
        }
        EXPECT_EQ(answers, row.answers) << row.line;
    }
    EngineFeatures features;
    for (const FeaturePair& pair :
         readFeaturePairs("done=0 myname=\"A B\" analyze=0 colors=0 done=1")) {
        features.take(pair);
    }
    EXPECT_TRUE(features.done);
    EXPECT_FALSE(features.doneAwaited);
    EXPECT_TRUE(features.noAnalyze);
    EXPECT_TRUE(features.noColors);
    EXPECT_EQ(features.myname, "A B");
}

TEST(SearchRequest, ClampsTheMoveCount) {
    std::array<unsigned char, request::kSize> bytes{};
    putLe16(bytes.data(), request::kMoveCount, 9000);
    EXPECT_EQ(SearchRequest::read(bytes.data()).moves.size(), 512u);
    putLe16(bytes.data(), request::kMoveCount, -3);
    EXPECT_TRUE(SearchRequest::read(bytes.data()).moves.empty());
    putLe16(bytes.data(), request::kMoveCount, 1);
    putLe16(bytes.data(), request::kMoves, 0x1234);
    putLe32(bytes.data(), request::kRemaining, static_cast<std::uint32_t>(-5));
    const SearchRequest request = SearchRequest::read(bytes.data());
    EXPECT_EQ(request.moves.at(0), 0x1234);
    EXPECT_EQ(request.remaining, -5);
}

} // namespace
