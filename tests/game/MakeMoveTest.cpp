#include "GameTestSupport.h"

#include <string>
#include <vector>

using Events = std::vector<std::string>;

TEST(MakeMove, RefusedMovesChangeNothing) {
    const std::pair<const char*, const char*> rows[] = {
        {"e2", "e2"}, {"e2", "e9"}, {"e3", "e4"}, {"e7", "e5"},
        {"e2", "e5"}, {"", "e4"},   {"e2", "E4"},
    };
    for (const auto& [from, to] : rows) {
        TestGame test;
        const BoardModel before = test.game.Model();
        EXPECT_FALSE(test.game.MakeMove(from, to)) << from << to;
        const BoardModel& after = test.game.Model();
        EXPECT_EQ(after.PlacementText(), before.PlacementText());
        EXPECT_EQ(after.sideMarker, before.sideMarker);
        EXPECT_TRUE(after.moveRecord.empty());
        EXPECT_TRUE(test.display.events.empty()) << from << to;
    }
}

TEST(MakeMove, FirstMoveEffectsInOrder) {
    TestGame test;
    ASSERT_TRUE(test.game.MakeMove("e2", "e4"));
    const Events expected = {"picture e2 e4", "frames e2 e4", "live 1", "enter 1 e4",
                             "sound Audio/move.wav"};
    EXPECT_EQ(test.display.events, expected);
    const BoardModel& model = test.game.Model();
    EXPECT_EQ(model.moveRecord, std::vector<std::string>{"e2e4"});
    EXPECT_EQ(model.enPassantSquare, "e3");
    EXPECT_EQ(model.sideMarker, 1);
    EXPECT_EQ(model.At("e4").piece, model.pieceTable[kWhitePawn]);
    EXPECT_TRUE(model.At("e2").piece.IsEmpty());
    // The same side may not move twice in a row.
    EXPECT_FALSE(test.game.MakeMove("d2", "d4"));
}

TEST(MakeMove, CaptureCountsAndSounds) {
    TestGame test;
    ASSERT_TRUE(test.Play("e2e4 d7d5"));
    test.display.events.clear();
    ASSERT_TRUE(test.Play("e4d5"));
    EXPECT_EQ(test.LastRecordLine(), "e4d5p");
    EXPECT_EQ(test.LastNotation(), "exd5");
    const Events expected = {"picture e4 d5", "frames e4 d5", "live 3",
                             "enter 1 exd5",  "count Pawn 0", "sound Audio/attack.wav"};
    EXPECT_EQ(test.display.events, expected);
}

TEST(MakeMove, WhileReplayingReturnsToTheLivePositionFirst) {
    TestGame test;
    ASSERT_TRUE(test.Play("e2e4 e7e5 g1f3"));
    test.display.ShowPosition(1);
    test.display.events.clear();
    ASSERT_TRUE(test.Play("b8c6"));
    ASSERT_GE(test.display.events.size(), 2u);
    EXPECT_EQ(test.display.events[0], "show 3");
    EXPECT_EQ(test.display.events[1], "picture b8 c6");
    EXPECT_EQ(test.display.ShownPosition(), 4);
}

struct NotationRow {
    const char* fen;
    const char* moves; // the last one is examined
    const char* notation;
    const char* record;
};

TEST(MakeMove, NotationAndRecordLines) {
    const NotationRow rows[] = {
        {"", "e2e4", "e4", "e2e4"},
        {"", "g1f3", "Nf3", "g1f3"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", "Nbd2", "b1d2"},
        {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", "R1a3", "a1a3"},
        {"4k3/8/8/R7/8/7R/8/R3K3 w - - 0 1", "a1a3", "Ra1a3", "a1a3"},
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "O-O", "e1g1c"},
        {"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", "O-O-O", "e8c8C"},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8", "e8=Q+", "e7e8Q"}, // question closed: queen
        {"rn2k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", "bxa8=N", "b7a8rN"},
        {"3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8n", "exd8=N", "e7d8rN"},
        {"3r4/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7d8n", "exd8=N", "e7d8rN"},
        {"3r4/4Pk2/8/8/8/8/8/4K3 w - - 0 1", "e7d8n", "exd8=N+", "e7d8rN"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6", "e5d6E"},
        {"4k3/8/8/8/8/8/5q2/4K3 w - - 0 1", "e1f2", "Kxf2", "e1f2q"},
        {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", "h1h8", "Rh8+", "h1h8"},
        {"4k3/8/8/8/Q7/8/8/4K2Q w - - 0 1", "h1e4", "Qhe4+", "h1e4"},
        {"8/8/7k/8/Q7/8/8/Q3K1Q1 w - - 0 1", "a1d4", "Qa1d4", "a1d4"},
    };
    for (const NotationRow& row : rows) {
        TestGame test(row.fen);
        ASSERT_TRUE(test.Play(row.moves)) << row.fen;
        EXPECT_EQ(test.LastNotation(), row.notation) << row.fen << " " << row.moves;
        EXPECT_EQ(test.LastRecordLine(), row.record) << row.fen << " " << row.moves;
    }
}

TEST(MakeMove, CastlingMovesTheRookInModelAndPictures) {
    TestGame test("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    ASSERT_TRUE(test.Play("e1g1"));
    const BoardModel& model = test.game.Model();
    EXPECT_EQ(model.PlacementText(), "4k3/8/8/8/8/8/8/R4RK1");
    EXPECT_EQ(model.castlingMarks[kMarkE1], 1);
    EXPECT_EQ(model.castlingMarks[kMarkA1], 0);
    EXPECT_EQ(test.display.events[2], "picture h1 f1");
}

TEST(MakeMove, PromotionWithTheQuestion) {
    TestGame test("k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    test.display.promotionAnswer = "Rook";
    ASSERT_TRUE(test.Play("e7e8"));
    const BoardModel& model = test.game.Model();
    EXPECT_EQ(test.LastRecordLine(), "e7e8R");
    EXPECT_EQ(test.LastNotation(), "e8=R+");
    EXPECT_EQ(model.At("e8").piece, model.pieceTable[kWhiteRook]);
    EXPECT_EQ(model.promotionLetter, "R");
    EXPECT_TRUE(model.promotionChoice.empty());
    const Events expected = {"picture e7 e8", "frames e7 e8", "live 1",
                             "ask",           "enter 1 e8",   "sound Audio/move.wav",
                             "set e8 6",      "append =R",    "append +"};
    EXPECT_EQ(test.display.events, expected);
}

TEST(MakeMove, PromotionChoiceSetByACallerIsUsedWithoutAsking) {
    TestGame test("4k3/8/8/8/8/8/1p6/4K3 b - - 0 1");
    ASSERT_TRUE(test.Play("b2b1n"));
    EXPECT_EQ(test.LastRecordLine(), "b2b1N");
    EXPECT_EQ(test.game.Model().promotionLetter, "N");
    EXPECT_EQ(test.game.Model().At("b1").piece, test.game.Model().pieceTable[kBlackKnight]);
    for (const std::string& event : test.display.events) {
        EXPECT_NE(event, "ask");
    }
}

TEST(MakeMove, UnusedPromotionChoiceIsEmptied) {
    TestGame test("k7/4P3/8/8/8/8/4P3/4K3 w - - 0 1");
    // Refused move with a choice, then an ordinary move with a choice.
    test.game.Model().promotionChoice = "Knight";
    EXPECT_FALSE(test.game.MakeMove("e7", "e6"));
    EXPECT_TRUE(test.game.Model().promotionChoice.empty());
    test.game.Model().promotionChoice = "Knight";
    ASSERT_TRUE(test.game.MakeMove("e2", "e3"));
    EXPECT_TRUE(test.game.Model().promotionChoice.empty());
    ASSERT_TRUE(test.Play("a8b7"));
    // The later promotion asks and makes a queen when the question is closed.
    ASSERT_TRUE(test.game.MakeMove("e7", "e8"));
    EXPECT_EQ(test.LastRecordLine(), "e7e8Q");
}

TEST(MakeMove, EnPassantRemovesThePassedPawn) {
    TestGame test("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    ASSERT_TRUE(test.Play("d7d5"));
    test.display.events.clear();
    ASSERT_TRUE(test.Play("e5d6"));
    EXPECT_EQ(test.game.Model().PlacementText(), "4k3/8/3P4/8/8/8/8/4K3");
    const Events expected = {"picture e5 d6", "frames e5 d6",           "live 2",   "enter 1 exd6",
                             "count Pawn 0",  "sound Audio/attack.wav", "set d5 -1"};
    EXPECT_EQ(test.display.events, expected);
}

TEST(MakeMove, MovesArrivingDuringThePromotionQuestionWaitTheirTurn) {
    TestGame test("8/4P2k/8/8/8/8/1p6/4K3 w - - 0 1");
    test.display.promotionAnswer = "Queen";
    bool queuedResult = true;
    test.display.whileAsking = [&] {
        test.display.whileAsking = nullptr;
        // A peer's move with its own promotion piece, then one more.
        test.game.Model().promotionChoice = "Knight";
        queuedResult = test.game.MakeMove("b2", "b1");
        EXPECT_TRUE(test.game.Model().moveRecord.empty()) << "the game changed during the question";
        test.game.MakeMove("e1", "f2");
    };
    ASSERT_TRUE(test.game.MakeMove("e7", "e8"));
    EXPECT_FALSE(queuedResult);
    const std::vector<std::string> record = {"e7e8Q", "b2b1N", "e1f2"};
    EXPECT_EQ(test.game.Model().moveRecord, record);
    EXPECT_EQ(test.game.Model().promotionLetter, "Q");
}

TEST(MakeMove, DoesNotLookAtTheFinishedMark) {
    TestGame test;
    test.game.Model().finished = 1;
    EXPECT_TRUE(test.game.MakeMove("e2", "e4"));
}
