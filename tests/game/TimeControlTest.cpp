#include "game/TimeControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct ParseRow {
    std::string text;
    std::vector<TimeSession> sessions;
    std::string canonical;
};

TEST(TimeControl, ReadsTheUsualForms) {
    const ParseRow rows[] = {
        {"5+3", {{0, 5min, 3s}}, "5+3"},
        {"1+0", {{0, 1min, 0s}}, "1+0"},
        {"0.5+0", {{0, 30s, 0s}}, "0.5+0"},
        {"90+30", {{0, 90min, 30s}}, "90+30"},
        {" 3 + 2 ", {{0, 3min, 2s}}, "3+2"},
        {"2.25+0.5", {{0, 135s, 500ms}}, "2.25+0.5"},
        {"40/90", {{40, 90min, 0s}}, "40/90"},
        {"40/90+30", {{40, 90min, 30s}}, "40/90+30"},
        {"40/90,30+30", {{40, 90min, 0s}, {0, 30min, 30s}}, "40/90,30+30"},
        {"40/120,20/60,15+30",
         {{40, 120min, 0s}, {20, 60min, 0s}, {0, 15min, 30s}},
         "40/120,20/60,15+30"},
        {"600+600", {{0, 600min, 600s}}, "600+600"},
    };
    for (const ParseRow& row : rows) {
        const ParsedTimeControl parsed = ParseTimeControl(row.text);
        ASSERT_TRUE(parsed.control.has_value()) << row.text << ": " << parsed.error;
        EXPECT_EQ(parsed.control->sessions, row.sessions) << row.text;
        EXPECT_EQ(parsed.control->Text(), row.canonical) << row.text;
        EXPECT_EQ(ParseTimeControl(parsed.control->Text()).control, parsed.control) << row.text;
    }
}

TEST(TimeControl, RefusesOtherTextsWithAReason) {
    const struct {
        std::string text;
        std::string reasonPart;
    } rows[] = {
        {"", "type a time control"},
        {"   ", "type a time control"},
        {"5", "increment"},
        {"abc", "increment"},
        {"5+", "increment after '+'"},
        {"+3", "minutes"},
        {"0+3", "minutes"},
        {"-1+0", "minutes"},
        {"5+-1", "increment after '+'"},
        {"5+3+1", "increment after '+'"},
        {"1e3+0", "minutes"},
        {"0.0001+0", "minutes"},
        {"5.+0", "minutes"},
        {"601+0", "minutes"},
        {"99999999999999999999+0", "minutes"},
        {"5+601", "increment after '+'"},
        {"0/90", "number of moves"},
        {"201/90", "number of moves"},
        {"/90", "number of moves"},
        {"x/90", "number of moves"},
        {"40/", "minutes"},
        {"40/90,", "needs a time"},
        {"5+3,40/90", "only the last session"},
        {"40/90,,5+0", "needs a time"},
        {"1/1,1/1,1/1,1/1,1/1", "at most four"},
    };
    for (const auto& row : rows) {
        const ParsedTimeControl parsed = ParseTimeControl(row.text);
        EXPECT_FALSE(parsed.control.has_value()) << row.text;
        EXPECT_NE(parsed.error.find(row.reasonPart), std::string::npos)
            << row.text << " gave: " << parsed.error;
    }
}

TEST(TimeControl, SessionsAndControlsByMoveNumber) {
    const TimeControl repeating = *ParseTimeControl("40/90").control;
    const TimeControl twoSessions = *ParseTimeControl("40/90,30+30").control;
    const TimeControl suddenDeath = *ParseTimeControl("5+3").control;
    const struct {
        const TimeControl* control;
        int move;
        int controlAfter;
        ClockTime base;
    } rows[] = {
        {&suddenDeath, 1, 0, 5min},    {&suddenDeath, 300, 0, 5min}, {&repeating, 1, 40, 90min},
        {&repeating, 40, 40, 90min},   {&repeating, 41, 80, 90min},  {&repeating, 121, 160, 90min},
        {&twoSessions, 40, 40, 90min}, {&twoSessions, 41, 0, 30min}, {&twoSessions, 99, 0, 30min},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.control->ControlAfter(row.move), row.controlAfter)
            << row.control->Text() << " move " << row.move;
        EXPECT_EQ(row.control->SessionOf(row.move).base, row.base)
            << row.control->Text() << " move " << row.move;
    }
}

} // namespace
