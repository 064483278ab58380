#include "GameTestSupport.h"

#include <algorithm>

namespace {

struct EndRow {
    const char* name;
    const char* fen; // empty: the start position
    const char* moves;
    const char* notation; // of the last move
    const char* title;    // what the game added to the title
};

bool Played(const RecordingDisplay& display, const std::string& sound) {
    return std::find(display.events.begin(), display.events.end(), "sound " + sound) !=
           display.events.end();
}

} // namespace

TEST(EndOfGame, Results) {
    const EndRow rows[] = {
        {"fool's mate", "", "f2f3 e7e5 g2g4 d8h4", "Qh4+", " - (Black Wins)"},
        {"scholar's mate", "", "e2e4 e7e5 f1c4 b8c6 d1h5 g8f6 h5f7", "Qxf7+", " - (White Wins)"},
        {"check escaped by the king", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8+", ""},
        {"check answered by a capture", "7k/6pp/8/4b3/8/8/8/1R2K3 w - - 0 1", "b1b8", "Rb8+", ""},
        {"check answered by a block", "7k/6pp/8/8/8/8/3r4/R3K3 w - - 0 1", "a1a8", "Ra8+", ""},
        {"double check mates although a checker could be taken",
         "3rkb2/2pp1p2/8/8/4N3/8/8/4R1K1 w - - 0 1", "e4d6", "Nd6+", " - (White Wins)"},
        {"pawn check answered en passant", "5r1k/3p4/4p3/2p1P3/4K3/r7/8/8 b - - 0 1", "d7d5", "d5+",
         ""},
        {"stalemate", "7k/5K2/8/8/8/8/8/6Q1 w - - 0 1", "g1g6", "Qg6", " - (Stalemate)"},
        {"king and bishop against king", "4k3/8/8/8/8/8/3r4/2B1K3 w - - 0 1", "e1d2", "Kxd2",
         " - (Draw)"},
        {"king and knight against king", "4k3/8/8/8/8/8/3r4/1N2K3 w - - 0 1", "e1d2", "Kxd2",
         " - (Draw)"},
        {"bishops on one colour", "4kb2/8/8/8/8/8/3r4/2B1K3 w - - 0 1", "e1d2", "Kxd2",
         " - (Draw)"},
        {"bishops on both colours", "2b1k3/8/8/8/8/8/3r4/2B1K3 w - - 0 1", "e1d2", "Kxd2", ""},
        {"two bishops on both colours win", "4k3/8/8/8/8/8/3r4/2B1KB2 w - - 0 1", "e1d2", "Kxd2",
         ""},
        {"knight against bishop can still mate", "4kb2/8/8/8/8/8/3r4/1N2K3 w - - 0 1", "e1d2",
         "Kxd2", ""},
        {"bishop and knight win", "4k3/8/8/8/8/8/3r4/1NB1K3 w - - 0 1", "e1d2", "Kxd2", ""},
        {"two knights go on", "4k3/8/8/8/8/8/3r4/1N2K1N1 w - - 0 1", "e1d2", "Kxd2", ""},
        {"king and pawn go on", "4k3/8/8/8/8/8/3rP3/4K3 w - - 0 1", "e1d2", "Kxd2", ""},
        {"third repetition", "", "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3", "Nf3",
         " - (Draw)"},
        {"hundredth quiet half-move", "7k/8/8/8/8/8/8/K5R1 w - - 99 60", "a1b1", "Kb1",
         " - (Draw)"},
        {"hundredth quiet half-move with check", "7k/8/8/8/8/8/8/K5R1 w - - 99 60", "g1h1", "Rh1+",
         " - (Draw)"},
        {"mate on the hundredth quiet half-move", "7k/8/6K1/8/8/8/8/R7 w - - 99 60", "a1a8", "Ra8+",
         " - (White Wins)"},
        {"a pawn move starts the count again", "7k/8/8/8/8/8/P7/K5R1 w - - 99 60", "a2a3", "a3",
         ""},
    };
    for (const EndRow& row : rows) {
        TestGame test(row.fen);
        ASSERT_TRUE(test.Play(row.moves)) << row.name;
        EXPECT_EQ(test.LastNotation(), row.notation) << row.name;
        EXPECT_EQ(test.display.Title(), row.title) << row.name;
        const bool over = *row.title != '\0';
        EXPECT_EQ(test.game.Model().finished, over ? 1 : 0) << row.name;
        const bool mate = std::string(row.title).find("Wins") != std::string::npos;
        EXPECT_EQ(Played(test.display, "Audio/mate.wav"), mate) << row.name;
    }
}

TEST(EndOfGame, QuietMoveDrawStillCompletesTheMove) {
    TestGame test("7k/8/8/8/8/8/8/K5R1 w - - 99 60");
    ASSERT_TRUE(test.Play("g1g2"));
    const BoardModel& model = test.game.Model();
    EXPECT_EQ(model.PlacementText(), "7k/8/8/8/8/8/6R1/K7");
    EXPECT_EQ(model.sideMarker, 1);
    EXPECT_EQ(model.quietMoveCount, 100);
    EXPECT_EQ(test.display.Title(), " - (Draw)");
    EXPECT_TRUE(Played(test.display, "Audio/move.wav"));
}

TEST(EndOfGame, QuietMoveCount) {
    TestGame test("4k3/8/8/8/8/8/4P3/R3K3 w - - 10 20");
    ASSERT_TRUE(test.Play("a1a2"));
    EXPECT_EQ(test.game.Model().quietMoveCount, 11);
    ASSERT_TRUE(test.Play("e8d8 e2e4"));
    EXPECT_EQ(test.game.Model().quietMoveCount, 0);
    ASSERT_TRUE(test.Play("d8c8 a2a8"));
    EXPECT_EQ(test.game.Model().quietMoveCount, 2);
}

TEST(EndOfGame, RepetitionNeedsTheSameRightsAndSideToMove) {
    // The king-side castling right is lost half-way: placements repeat, positions do not.
    TestGame test("4k3/8/8/8/8/8/8/1N2K2R b K - 0 1");
    ASSERT_TRUE(test.Play("e8d8 b1c3 d8e8 c3b1  e8d8 b1c3 d8e8 c3b1"));
    ASSERT_TRUE(test.Play("e8f8 h1h2 f8e8 h2h1  e8f8 h1h2 f8e8 h2h1"));
    EXPECT_EQ(test.display.Title(), "");
    ASSERT_TRUE(test.Play("e8f8 h1h2"));
    EXPECT_EQ(test.display.Title(), " - (Draw)");
}

TEST(EndOfGame, ThirdRepetitionNotBefore) {
    TestGame test;
    ASSERT_TRUE(test.Play("g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8"));
    EXPECT_EQ(test.display.Title(), "");
    EXPECT_EQ(test.game.Model().positionHistory.size(), 8u);
}

TEST(EndOfGame, AFinishedGameCanGetAnotherResult) {
    // The hundredth quiet move draws; moves from a peer or an engine still arrive, and a
    // mate after the draw appends its own result.
    TestGame test("7k/8/6K1/8/8/8/8/R7 w - - 99 60");
    ASSERT_TRUE(test.Play("a1a2"));
    EXPECT_EQ(test.display.Title(), " - (Draw)");
    EXPECT_EQ(test.game.Model().finished, 1);
    ASSERT_TRUE(test.Play("h8g8 a2a8"));
    EXPECT_EQ(test.display.Title(), " - (Draw) - (White Wins)");
    EXPECT_EQ(test.game.Model().finished, 1);
    EXPECT_TRUE(Played(test.display, "Audio/mate.wav"));
}
