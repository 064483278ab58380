#include "driver/LineParser.h"
#include "driver/LineBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ferrule::LineBuffer;
using ferrule::parseEngineLine;
using Kind = ferrule::ParsedLine::Kind;

struct ParseCase {
    const char* line;
    Kind kind;
    int depth = 0;
    int score = 0;
    int time = 0;
    long long nodes = 0;
    const char* text = ""; // main line, or the move for move lines
};

class ParseLine : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseLine, ClassifiesAndReadsTheFields) {
    const ParseCase& c = GetParam();
    const ferrule::ParsedLine parsed = parseEngineLine(c.line);
    ASSERT_EQ(parsed.kind, c.kind) << c.line;
    if (c.kind == Kind::kThinking || c.kind == Kind::kStatus) {
        EXPECT_EQ(parsed.depth, c.depth);
        EXPECT_EQ(parsed.nodes, c.nodes);
        EXPECT_EQ(parsed.time, c.time);
    }
    if (c.kind == Kind::kThinking) {
        EXPECT_EQ(parsed.score, c.score);
        EXPECT_EQ(std::string(parsed.text), c.text);
    }
    if (c.kind == Kind::kMove || c.kind == Kind::kOnlyMove) {
        EXPECT_EQ(std::string(parsed.move), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseLine,
    ::testing::Values(
        ParseCase{"9 156 284 1234567 e2e4 e7e5\n", Kind::kThinking, 9, 156, 3, 1234567,
                  "e2e4 e7e5"},
        ParseCase{"9. 156 284 1234567 e2e4\n", Kind::kThinking, 9, 156, 284, 1234567, "e2e4"},
        ParseCase{"9& -30 249 7 Nf3\n", Kind::kThinking, 9, -30, 249, 7, "Nf3"},
        ParseCase{"  12\t 5 349 9876543210 d4\n", Kind::kThinking, 12, 5, 3, 9876543210LL, "d4"},
        ParseCase{"3 10 0 55\n", Kind::kThinking, 3, 10, 0, 55, ""},
        ParseCase{"3 10 0 55", Kind::kThinking, 3, 10, 0, 55, ""},
        ParseCase{"\a\a4 1 1 1 e4\n", Kind::kThinking, 4, 1, 0, 1, "e4"},
        ParseCase{"99999999999 1 1 1 e4\n", Kind::kIgnored},
        ParseCase{"9 156 99999999999 1 e4\n", Kind::kIgnored},
        ParseCase{"9 156 284\n", Kind::kIgnored}, ParseCase{"9 8 -29 -29 e4\n", Kind::kIgnored},
        ParseCase{"-1 8 29 29 e4\n", Kind::kIgnored},
        ParseCase{"stat01: 345 -123456 7 12 30\n", Kind::kIgnored},
        ParseCase{"move e2e4\n", Kind::kMove, 0, 0, 0, 0, "e2e4"},
        ParseCase{"move  Nf3 extra\n", Kind::kMove, 0, 0, 0, 0, "Nf3"},
        ParseCase{"1. ... e7e5\n", Kind::kMove, 0, 0, 0, 0, "e7e5"},
        ParseCase{"1. ... e7e5 more\n", Kind::kIgnored}, ParseCase{"moves e2e4\n", Kind::kIgnored},
        ParseCase{"12 Permission denied\n", Kind::kIgnored},
        ParseCase{"1 2 3 4 file not found\n", Kind::kIgnored},
        ParseCase{"Hint: e7e5\n", Kind::kIgnored},
        ParseCase{"Illegal move: zelta\n", Kind::kIgnored},
        ParseCase{"Error (unknown command): zelta\n", Kind::kIgnored},
        ParseCase{"Error (unknown command): analyze\n", Kind::kAnalyzeUnknown},
        ParseCase{"Unexpected analyze\n", Kind::kAnalyzeUnknown},
        ParseCase{"illegal move analyze\n", Kind::kAnalyzeUnknown},
        ParseCase{"(only move) e2e4\n", Kind::kOnlyMove, 0, 0, 0, 0, "e2e4"},
        ParseCase{"stat01: 345 123456 7 12 30\n", Kind::kStatus, 7, 0, 345, 123456},
        ParseCase{"stat01: 345 123456 7\n", Kind::kIgnored}, ParseCase{"", Kind::kIgnored},
        ParseCase{"\n", Kind::kIgnored}));

TEST(ParseLine, StatusMoveCounts) {
    const auto parsed = parseEngineLine("stat01: 1 2 3 12 30");
    EXPECT_EQ(parsed.movesLeft, 12);
    EXPECT_EQ(parsed.totalMoves, 30);
}

std::vector<std::string> feed(LineBuffer& buffer, const std::string& bytes) {
    bytes.copy(buffer.freeSpace(), bytes.size());
    buffer.commit(bytes.size());
    std::vector<std::string> lines;
    buffer.takeLines([&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(LineBuffer, NormalisesLineEndsAcrossReads) {
    struct Case {
        std::vector<std::string> reads;
        std::vector<std::string> lines;
        std::string rest;
    };
    const Case cases[] = {
        {{"a\nb\n"}, {"a\n", "b\n"}, ""},       {{"ab", "c\nd"}, {"abc\n"}, "d"},
        {{"a\r\nb\n\r"}, {"a\n", "b\n"}, ""},   {{"a\r", "\nb\r\n"}, {"a\n", "b\n"}, ""},
        {{"a\r\n\r\nb\n"}, {"a\n", "b\n"}, ""}, {{"a\n", "\rb\n"}, {"a\n", "b\n"}, ""},
        {{"a\rb\n"}, {"a\rb\n"}, ""},
    };
    for (const Case& c : cases) {
        LineBuffer buffer;
        std::vector<std::string> lines;
        for (const std::string& read : c.reads) {
            for (std::string& line : feed(buffer, read)) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, c.lines) << c.reads[0];
        EXPECT_EQ(buffer.held(), c.rest);
    }
}

TEST(LineBuffer, AFullBufferWithoutLineEndIsOneLine) {
    LineBuffer buffer;
    const std::string longLine(LineBuffer::kCapacity, 'x');
    const auto lines = feed(buffer, longLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), LineBuffer::kCapacity);
    EXPECT_EQ(buffer.freeSize(), LineBuffer::kCapacity);
    EXPECT_EQ(feed(buffer, "y\n"), std::vector<std::string>{"y\n"});
}

TEST(LineBuffer, CommitNeverPassesTheEnd) {
    LineBuffer buffer;
    feed(buffer, std::string(LineBuffer::kCapacity - 3, 'x'));
    buffer.commit(1000);
    std::vector<std::size_t> sizes;
    buffer.takeLines([&](std::string_view line) { sizes.push_back(line.size()); });
    EXPECT_EQ(sizes, std::vector<std::size_t>{LineBuffer::kCapacity});
}

TEST(LineBuffer, RestIsHandedOutOnce) {
    LineBuffer buffer;
    feed(buffer, "move e2e4");
    std::vector<std::string> rest;
    buffer.takeRest([&](std::string_view line) { rest.emplace_back(line); });
    buffer.takeRest([&](std::string_view line) { rest.emplace_back(line); });
    EXPECT_EQ(rest, std::vector<std::string>{"move e2e4"});
}

} // namespace
