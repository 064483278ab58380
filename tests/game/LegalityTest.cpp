#include "GameTestSupport.h"

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct LegalityRow {
    const char* fen;
    const char* from;
    const char* to;
    bool ownKingTest;
    bool allowed;
};

// Everything a test could change, to prove that asking changed nothing.
std::string Snapshot(const BoardModel& model) {
    std::string text = model.PlacementText() + model.enPassantSquare;
    for (const auto mark : model.castlingMarks) {
        text += static_cast<char>('0' + mark);
    }
    return text;
}

} // namespace

TEST(IsLegalMove, Table) {
    const LegalityRow rows[] = {
        {kStart, "e2", "e4", true, true},
        {kStart, "g1", "f3", true, true},
        {kStart, "e2", "e5", true, false},
        {kStart, "f1", "c4", true, false}, // blocked by its own pawn
        {kStart, "g1", "e2", true, false}, // own piece on the target
        {kStart, "e1", "g1", true, false}, // f1 and g1 occupied
        {kStart, "e2", "e2", true, false},
        {kStart, "e3", "e4", true, false}, // empty source
        {kStart, "e2", "e9", true, false},
        {kStart, "E2", "e4", true, false},
        {kStart, "e7", "e8", true, false}, // straight onto an occupied square
        // En passant only onto exactly the en-passant square, and only for the next move.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5", "d6", true, true},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "e5", "d6", true, false},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - e6 0 1", "e5", "d6", true, false},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", "d4", "e3", true, true},
        // The double step needs both squares empty.
        {"4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", "e2", "e4", true, false},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "e4", true, true},
        {"4k3/8/8/8/8/4P3/8/4K3 w - - 0 1", "e3", "e5", true, false},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "e1", true, false},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "d2", true, false},
        // Castling conditions.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1", "g1", true, true},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1", "c1", true, true},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8", "c8", true, true},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", "e1", "g1", true, false}, // h1 mark set
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1", "f1", true, true},
        {"4k3/8/8/8/4r3/8/8/R3K2R w KQ - 0 1", "e1", "g1", true, false}, // in check
        {"4k3/8/8/8/5r2/8/8/R3K2R w KQ - 0 1", "e1", "g1", true, false}, // f1 attacked
        {"4k3/8/8/8/6r1/8/8/R3K2R w KQ - 0 1", "e1", "g1", true, false}, // g1 attacked
        {"4k3/8/8/8/1r6/8/8/R3K2R w KQ - 0 1", "e1", "c1", true, true},  // b1 may be attacked
        {"4k3/8/8/8/8/8/7k/R3K2R w KQ - 0 1", "e1", "g1", true, false},  // king on h2
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", "e1", "c1", true, false},  // b1 occupied
        {"4k3/8/8/8/8/8/4p3/4K2R w K - 0 1", "e1", "g1", true, false},   // pawn guards f1
        {"4k3/8/8/8/8/8/6p1/4K2R w K - 0 1", "e1", "g1", true, false},   // pawn guards f1 and h1
        {"4k3/8/8/8/8/8/1p6/R3K3 w Q - 0 1", "e1", "c1", true, false},   // pawn guards c1
        {"4k2r/4P3/8/8/8/8/8/4K3 b k - 0 1", "e8", "g8", true, false},   // pawn guards f8
        // Pins, and the opposing king as an attacker.
        {"4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", "e2", "d3", true, false},
        {"4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", "e2", "d3", false, true},
        {"8/8/8/4k3/8/4K3/8/8 w - - 0 1", "e3", "e4", true, false},
        {"8/8/8/4k3/8/4K3/8/8 w - - 0 1", "e3", "e2", true, true},
        // The pawn taken en passant leaves the rank: the capture may expose the king.
        {"8/8/8/K2pP2r/8/8/8/7k w - d6 0 1", "e5", "d6", true, false},
        {"5r1k/8/4p3/2ppP3/4K3/r7/8/8 w - d6 0 1", "e5", "d6", true, true},
    };
    for (const LegalityRow& row : rows) {
        TestGame test(row.fen);
        const std::string before = Snapshot(test.game.Model());
        EXPECT_EQ(test.game.IsLegalMove(row.from, row.to, row.ownKingTest), row.allowed)
            << row.fen << " " << row.from << row.to;
        EXPECT_EQ(Snapshot(test.game.Model()), before) << row.fen;
    }
}

TEST(IsLegalMove, EnPassantOnlyRightAfterTheDoubleStep) {
    TestGame test("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
    ASSERT_TRUE(test.Play("e2e4"));
    EXPECT_EQ(test.game.Model().enPassantSquare, "e3");
    EXPECT_TRUE(test.game.IsLegalMove("d4", "e3", true));
    ASSERT_TRUE(test.Play("e8e7 e1e2"));
    EXPECT_EQ(test.game.Model().enPassantSquare, "");
    EXPECT_FALSE(test.game.IsLegalMove("d4", "e3", true));
}

TEST(IsLegalMove, RookThatLeftAndCameBackCannotCastle) {
    TestGame test("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    ASSERT_TRUE(test.Play("h1h2 e8d8 h2h1 d8e8"));
    EXPECT_EQ(test.game.Model().castlingMarks[kMarkH1], 1);
    EXPECT_FALSE(test.game.IsLegalMove("e1", "g1", true));
}

TEST(LegalTargets, ListsInCandidateOrder) {
    struct Row {
        const char* fen;
        const char* square;
        std::vector<std::string> targets;
    };
    const Row rows[] = {
        {kStart, "b1", {"c3", "a3"}},
        {kStart, "e1", {}},
        {kStart, "e4", {}},
        {kStart, "z9", {}},
        {kStart, "e2", {"e3", "e4"}},
        {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1",
         "a1",
         {"a2", "a3", "a4", "a5", "a6", "a7", "a8", "b1", "c1", "d1"}},
        {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1", {"e2", "f2", "f1", "d2", "d1"}}, // no castling
        {"4k3/8/8/8/8/8/8/1B2K3 w - - 0 1", "b1", {"c2", "d3", "e4", "f5", "g6", "h7", "a2"}},
        {"4k3/8/8/8/8/8/8/4K2N w - - 0 1", "h1", {"g3", "f2"}},
        {"4k3/8/8/8/4r3/8/8/4K2N w - - 0 1", "h1", {}}, // the knight cannot cover the check
    };
    for (const Row& row : rows) {
        TestGame test(row.fen);
        const std::string before = Snapshot(test.game.Model());
        EXPECT_EQ(test.game.LegalTargets(row.square), row.targets) << row.fen << " " << row.square;
        EXPECT_EQ(Snapshot(test.game.Model()), before);
    }
}
