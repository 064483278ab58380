#include "GameTestSupport.h"

#include "game/Square.h"

TEST(SquareIndex, NamesAndNonNames) {
    const std::pair<const char*, int> rows[] = {
        {"a8", 0},  {"h8", 7},  {"a7", 8},  {"a1", 56}, {"h1", 63}, {"e4", 36},  {"A8", -1},
        {"i1", -1}, {"a9", -1}, {"a0", -1}, {"a", -1},  {"", -1},   {"e2 ", -1}, {"e22", -1},
    };
    for (const auto& [name, index] : rows) {
        EXPECT_EQ(SquareIndex(name), index) << name;
        if (index >= 0) {
            EXPECT_EQ(SquareName(index), name);
        }
    }
}

TEST(BoardModel, InitialPosition) {
    TestGame test;
    const BoardModel& model = test.game.Model();
    EXPECT_TRUE(model.IsOccupied("e2"));
    EXPECT_FALSE(model.IsOccupied("e4"));
    EXPECT_FALSE(model.IsOccupied("j3"));
    for (int index = 16; index < 48; ++index) {
        EXPECT_TRUE(model.board[index].piece.IsEmpty()) << index;
        EXPECT_EQ(model.board[index].piece.white, 0) << index;
    }
    EXPECT_EQ(model.board[56].piece, model.pieceTable[kWhiteRook]);
    EXPECT_EQ(model.board[4].piece, model.pieceTable[kBlackKing]);
    EXPECT_EQ(model.PlacementText(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR");
    for (int index = 0; index < 64; ++index) {
        EXPECT_EQ(model.board[index].name, SquareName(index));
    }
    EXPECT_EQ(model.sideMarker, 0);
    EXPECT_EQ(model.SideToMove(), 1);
    EXPECT_TRUE(model.moveRecord.empty());
    EXPECT_TRUE(model.positionHistory.empty());
}

TEST(BoardModel, PieceTableOrder) {
    const BoardModel model;
    const char* kinds[] = {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King"};
    for (int entry = 0; entry < 12; ++entry) {
        EXPECT_EQ(model.pieceTable[entry].kind, kinds[entry / 2]);
        EXPECT_EQ(model.pieceTable[entry].white, entry % 2 == 0 ? 1 : 0);
        EXPECT_EQ(model.pieceTable[entry].image, entry);
    }
    EXPECT_TRUE(model.pieceTable[kEmptyPiece].IsEmpty());
    EXPECT_EQ(model.pieceTable[kEmptyPiece].image, kNoImage);
}

TEST(BoardModel, FenSetUp) {
    TestGame test;
    BoardModel& model = test.game.Model();
    ASSERT_TRUE(model.SetUpFromFen("4k2r/8/8/3pP3/8/8/8/R3K3 w Qk d6 12 30"));
    EXPECT_EQ(model.PlacementText(), "4k2r/8/8/3pP3/8/8/8/R3K3");
    EXPECT_EQ(model.SideToMove(), 1);
    EXPECT_EQ(model.enPassantSquare, "d6");
    EXPECT_EQ(model.quietMoveCount, 12);
    const std::array<std::uint8_t, kCastlingMarks> marks = {0, 0, 1, 1, 0, 0};
    EXPECT_EQ(model.castlingMarks, marks);

    // A right whose king or rook is not at home is not granted.
    ASSERT_TRUE(model.SetUpFromFen("4k3/8/8/8/8/8/8/4K2R b KQkq -"));
    EXPECT_EQ(model.SideToMove(), 0);
    EXPECT_EQ(model.castlingMarks[kMarkH1], 0);
    EXPECT_EQ(model.castlingMarks[kMarkA1], 1);
    EXPECT_EQ(model.castlingMarks[kMarkE8], 1);
}

TEST(BoardModel, MalformedFenChangesNothing) {
    const char* rows[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQxq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e4 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - -1 1",
        // Placements that do not fit the board: a ninth rank, ranks too long or too
        // short, a zero, numbers beyond one digit.
        "8/8/8/8/8/8/8/8/8 w",
        "8/8/8/8/8/8/8/8/ w",
        "8/8/8/8/8/8/8/8/K w",
        "8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8 w",
        "99/8/8/8/8/8/8/8 w",
        "88/8/8/8/8/8/8/8 w",
        "8/8/8/8/8/8/8/7 w",
        "8/8/8/8/8/8/8/72 w",
        "8/8/8/8/8/8/8/kK6K w",
        "8/8/8/8/8/8/8/08 w",
        "pppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp w",
        "8/8/8/8/8/8/8 w",
        "8//8/8/8/8/8/8/8 w",
        "/8/8/8/8/8/8/8/8 w",
        // Number fields out of their bounds, or not plain decimal numbers.
        "4k3/8/8/8/8/8/8/4K3 w - - 10000 1",
        "4k3/8/8/8/8/8/8/4K3 w - - 99999999999999999999 1",
        "4k3/8/8/8/8/8/8/4K3 w - - +1 1",
        "4k3/8/8/8/8/8/8/4K3 w - - 1x 1",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 0",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 10000",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 -5",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 1 extra",
    };
    for (const char* fen : rows) {
        BoardModel model;
        model.moveRecord = {"e2e4"};
        const BoardModel before = model;
        EXPECT_FALSE(model.SetUpFromFen(fen)) << fen;
        EXPECT_EQ(model.PlacementText(), before.PlacementText()) << fen;
        EXPECT_EQ(model.castlingMarks, before.castlingMarks) << fen;
        EXPECT_EQ(model.quietMoveCount, before.quietMoveCount) << fen;
        EXPECT_EQ(model.moveRecord, before.moveRecord) << fen;
        EXPECT_EQ(model.positionHistory, before.positionHistory) << fen;
    }
}

TEST(BoardModel, FenAtTheBoundsIsTaken) {
    const std::pair<const char*, const char*> rows[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 9999 9999", "4k3/8/8/8/8/8/8/4K3"},
        {"k7/8/8/8/8/8/8/7K b - - 0 1", "k7/8/8/8/8/8/8/7K"},
        {"44/8/8/8/8/8/8/11111111 w", "8/8/8/8/8/8/8/8"},
        {"pppppppp/PPPPPPPP/8/8/8/8/8/RNBQKBNR w", "pppppppp/PPPPPPPP/8/8/8/8/8/RNBQKBNR"},
    };
    for (const auto& [fen, placement] : rows) {
        BoardModel model;
        EXPECT_TRUE(model.SetUpFromFen(fen)) << fen;
        EXPECT_EQ(model.PlacementText(), placement) << fen;
    }
    BoardModel model;
    ASSERT_TRUE(model.SetUpFromFen("4k3/8/8/8/8/8/8/4K3 w - - 9999 1"));
    EXPECT_EQ(model.quietMoveCount, 9999);
}
