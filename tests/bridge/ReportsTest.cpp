#include "TestPositions.h"
#include "driver/RecordLayout.h"
#include "driver/SearchReports.h"
#include "quill/Quill32.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using namespace ferrule;

std::vector<int> g_codes;

std::int32_t record(std::int32_t code, std::int32_t second, std::int32_t third, void*) {
    g_codes.push_back(code);
    EXPECT_EQ(second, 0x1600);
    EXPECT_EQ(third, 0x0800);
    return code;
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override {
        g_codes.clear();
        m_record.fill(0xEE);
        putLe32(m_record.data(), report::kNotifySecond, 0x1600);
        putLe32(m_record.data(), report::kNotifyThird, 0x0800);
        QuillSetHandler(&record);
        m_reports.attach(m_record.data(), 77);
        m_reports.startSearch(Position::initial());
        g_codes.clear();
    }
    void TearDown() override { QuillSetHandler(nullptr); }

    int at16(int offset) const { return getLe16(m_record.data(), offset); }
    std::uint32_t at32(int offset) const { return getLe32(m_record.data(), offset); }

    std::array<unsigned char, report::kSize + 8> m_record{};
    SearchReports m_reports;
};

TEST_F(Reports, AttachWritesTheHostValueOnly) {
    EXPECT_EQ(at32(report::kHostValue), 77u);
    EXPECT_EQ(m_record[0], 0xEE);
    EXPECT_EQ(m_record[report::kSize], 0xEE);
}

TEST_F(Reports, DepthOnlyGrows) {
    m_reports.showDepth(5, 2);
    m_reports.showDepth(3, 0);
    m_reports.showDepth(5, 0);
    EXPECT_EQ(at16(report::kDepth), 5);
    EXPECT_EQ(at16(report::kSecondDepth), 2);
    EXPECT_EQ(g_codes, std::vector<int>{kNotifyDepth});
}

TEST_F(Reports, NodesAndMovesNotifyFromTheirDepths) {
    m_reports.showDepth(4, 0);
    EXPECT_EQ(m_reports.showNodes(0x12345678, 2), 0);
    EXPECT_EQ(at32(report::kNodesLow), 0x12345678u);
    EXPECT_EQ(at32(report::kNodesHigh), 2u);
    EXPECT_EQ(at16(report::kNodesMark), 0);
    m_reports.showDepth(5, 0);
    EXPECT_EQ(m_reports.showNodes(1, 0), kNotifyNodes);
    EXPECT_EQ(m_reports.showMove(9, 3, 20), 0);
    EXPECT_EQ(at16(report::kMoveNumber), 3);
    EXPECT_EQ(at16(report::kMoveTotal), 20);
    EXPECT_EQ(at16(report::kCurrentMove), 9);
    m_reports.showDepth(6, 0);
    EXPECT_EQ(m_reports.showMove(0, 4, 20), kNotifyRootMove);
    EXPECT_EQ(g_codes, (std::vector<int>{kNotifyDepth, kNotifyDepth, kNotifyNodes, kNotifyDepth,
                                         kNotifyRootMove}));
}

TEST_F(Reports, MainlineCountIsClamped) {
    std::array<std::uint16_t, 40> moves{};
    for (int i = 0; i < 40; ++i) {
        moves[i] = static_cast<std::uint16_t>(100 + i);
    }
    m_reports.showMainline(moves.data(), 40, -25);
    EXPECT_EQ(at16(report::kMainLineCount), 32);
    EXPECT_EQ(at16(report::kMainLine + 2 * 31), 131);
    EXPECT_EQ(at32(report::kTime), 0xEEEEEEEEu); // the time is not ShowMainline's
    EXPECT_EQ(m_record[report::kMainLine + 64], 0xEE);
    EXPECT_EQ(at16(report::kScore), -25);
    EXPECT_EQ(at32(report::kMainLineMark), 2u);
    m_reports.showMainline(moves.data(), -4, 0);
    EXPECT_EQ(at16(report::kMainLineCount), 0);
    EXPECT_EQ(g_codes, (std::vector<int>{kNotifyMainLine, kNotifyMainLine}));
}

TEST_F(Reports, NothingWhileStoppedOrWithoutRecord) {
    EXPECT_TRUE(m_reports.putStop());
    EXPECT_FALSE(m_reports.putStop());
    m_reports.showDepth(9, 0);
    m_reports.showNodes(1, 1);
    EXPECT_EQ(at16(report::kDepth), static_cast<std::int16_t>(0xEEEE));
    m_reports.liftStop();
    m_reports.detach();
    m_reports.showDepth(9, 0);
    const std::uint16_t line[1] = {12};
    EXPECT_EQ(m_reports.showMainline(line, 1, 0), 0);
    EXPECT_TRUE(g_codes.empty());
}

TEST_F(Reports, ThinkingLinesBecomeMainLines) {
    ParsedLine line;
    line.kind = ParsedLine::Kind::kThinking;
    line.depth = 7;
    line.score = 32760;
    line.time = 3;
    line.nodes = 0x100000005LL;
    line.text = "e2e4 e7e5 Nf3";
    EXPECT_FALSE(m_reports.handle(line));
    EXPECT_EQ(at16(report::kDepth), 7);
    EXPECT_EQ(at32(report::kNodesHigh), 1u);
    EXPECT_EQ(at16(report::kScore), 29993);
    EXPECT_EQ(at32(report::kTime), 3u);
    EXPECT_EQ(at16(report::kMainLineCount), 3);
    EXPECT_EQ(at16(report::kMainLine + 4), ferrule_test::move("g1f3"));
    m_reports.handle(line); // unchanged: not sent again
    line.text = "(book) e4";
    m_reports.handle(line); // text with "(" is no main line
    ParsedLine done;
    done.kind = ParsedLine::Kind::kMove;
    done.move = "d2d4";
    EXPECT_TRUE(m_reports.handle(done));
    EXPECT_EQ(at16(report::kMainLineCount), 1);
    EXPECT_EQ(at16(report::kScore), 29993);
    EXPECT_EQ(g_codes,
              (std::vector<int>{kNotifyDepth, kNotifyNodes, kNotifyMainLine, kNotifyMainLine}));
    m_reports.endSearch();
    done.move = "c2c4";
    EXPECT_FALSE(m_reports.handle(done));
    EXPECT_EQ(g_codes.size(), 4u);
}

TEST_F(Reports, MoveLineBeforeAnyThinking) {
    ParsedLine done;
    done.kind = ParsedLine::Kind::kMove;
    done.move = "e2e4";
    EXPECT_TRUE(m_reports.handle(done));
    EXPECT_EQ(at16(report::kScore), 1);
    EXPECT_EQ(at32(report::kTime), 1u);
    EXPECT_EQ(at16(report::kDepth), 1);
    EXPECT_EQ(g_codes, (std::vector<int>{kNotifyDepth, kNotifyMainLine}));
}

TEST(HostScore, SaturatesThenConvertsMates) {
    struct Case {
        long long engine;
        bool negate;
        int host;
    };
    const Case cases[] = {
        {32760, false, 29993},   {-32765, false, -29998}, {32000, false, 32000},
        {-32000, false, -32000}, {100005, false, 30000},  {-100005, false, -32768},
        {150, true, -150},       {32767, true, -30000},   {0, true, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(hostScore(c.engine, c.negate), c.host) << c.engine;
    }
}

TEST(EvaluationWhite, NegatesWhenBlackIsToMoveInTheSearchedPosition) {
    std::array<unsigned char, report::kSize> bytes{};
    SearchReports reports;
    reports.attach(bytes.data(), 0);
    reports.setEvaluationWhite(true);
    Position position = Position::initial();
    position.apply(ferrule_test::move("e2e4"));
    reports.startSearch(position);
    ParsedLine line;
    line.kind = ParsedLine::Kind::kThinking;
    line.depth = 3;
    line.score = 150;
    line.text = "e7e5";
    reports.handle(line);
    EXPECT_EQ(getLe16(bytes.data(), report::kScore), -150);
}

TEST(EvaluationWhite, ShowMainlineNegatesOnlyWithBlackToMove) {
    std::array<unsigned char, report::kSize> bytes{};
    SearchReports reports;
    reports.attach(bytes.data(), 0);
    const std::uint16_t line[1] = {ferrule_test::move("e2e4")};
    reports.startSearch(Position::initial());
    reports.showMainline(line, 1, 150);
    EXPECT_EQ(getLe16(bytes.data(), report::kScore), 150) << "white's view is ours unchanged";
    reports.setEvaluationWhite(true);
    reports.showMainline(line, 1, 150);
    EXPECT_EQ(getLe16(bytes.data(), report::kScore), 150);
    Position blackToMove = Position::initial();
    blackToMove.apply(ferrule_test::move("e2e4"));
    reports.startSearch(blackToMove);
    reports.showMainline(line, 1, 150);
    EXPECT_EQ(getLe16(bytes.data(), report::kScore), -150);
    reports.setEvaluationWhite(false);
    reports.showMainline(line, 1, 150);
    EXPECT_EQ(getLe16(bytes.data(), report::kScore), 150);
}

} // namespace
