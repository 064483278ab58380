#include "GameTestSupport.h"
#include "RandomGames.h"

#include "game/Fen.h"
#include "game/NullDisplay.h"
#include "game/San.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kInitial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The FEN after playing `moves` (SAN or long algebraic) from `fen`; "refused" when a
// move is not legal.
std::string FenAfter(const std::string& fen, const std::string& moves) {
    NullDisplay display;
    Game game(display);
    if (!game.Model().SetUpFromFen(fen)) {
        return "bad fen";
    }
    std::istringstream words(moves);
    for (std::string text; words >> text;) {
        SanMove move;
        if (ReadSan(game, text, move) != SanStatus::Found) {
            return "refused " + text;
        }
        game.Model().promotionChoice = move.promotion;
        game.MakeMove(move.from, move.to);
    }
    return FenText(game.Model());
}

} // namespace

TEST(Fen, PlaysOnFromAnyPosition) {
    struct Row {
        const char* fen;
        const char* moves;
        const char* expected;
    };
    const Row rows[] = {
        {kInitial, "", kInitial},
        {kInitial, "e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
        {kInitial, "e4 c5", "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2"},
        {kInitial, "e4 c5 Nf3", "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"},
        // Castling rights as the FEN gives them, and lost as the king and rooks move.
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", "O-O", "r3k2r/8/8/8/8/8/8/R4RK1 b q - 1 1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", "O-O O-O-O", "2kr3r/8/8/8/8/8/8/R4RK1 w - - 2 2"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", "O-O-O", "refused O-O-O"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 7 20", "Rxa1", "4k2r/8/8/8/8/8/8/r3K2R w Kk - 0 21"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "Rh2", "r3k2r/8/8/8/8/8/7R/R3K3 b Qkq - 1 1"},
        // The en-passant square of the FEN allows the capture once.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", "4k3/8/3P4/8/8/8/8/4K3 b - - 0 1"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "exd6", "refused exd6"},
        // Counters: Black moving first ends move 30; a capture and a pawn move reset the clock.
        {"4k3/8/8/8/8/8/4p3/R3K3 b Q - 12 30", "Kd7", "8/3k4/8/8/8/8/4p3/R3K3 w Q - 13 31"},
        {"4k3/8/8/8/8/8/4p3/R3K3 b Q - 12 30", "Kd7 Kxe2", "8/3k4/8/8/8/8/4K3/R7 b - - 0 31"},
        {"4k3/8/8/8/8/8/3p4/6K1 b - - 5 9", "d1=N", "4k3/8/8/8/8/8/8/3n2K1 w - - 0 10"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FenAfter(row.fen, row.moves), row.expected) << row.fen << " / " << row.moves;
    }
}

TEST(Fen, RefusedWithItsReason) {
    const std::pair<const char*, const char*> rows[] = {
        {"", "empty text"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP", "side to move expected after the placement"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1", "8 ranks expected"},
        {"rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "8 ranks expected"},
        {"rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "8 squares expected in rank 7"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1", "unknown piece letter 'X'"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1", "side to move must be w or b"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQxq - 0 1",
         "castling rights must be - or letters of KQkq"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e5 0 1",
         "en-passant square must be - or a square of rank 3 or 6"},
        {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "half-move clock must be a number from 0 to 9999"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", "move number must be a number from 1 to 9999"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 x", "at most 6 fields expected"},
        {"8/8/8/8/8/8/8/4K3 w - - 0 1", "Black must have exactly one king"},
        {"4k3/8/8/8/8/8/8/4KK2 w - - 0 1", "White must have exactly one king"},
        {"4k3/8/8/8/8/8/8/P3K3 w - - 0 1", "a pawn stands on a1, on the first or last rank"},
        {"p3k3/8/8/8/8/8/8/4K3 w - - 0 1", "a pawn stands on a8, on the first or last rank"},
        {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", ""},
        {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", "White to move gives check"},
        {"4k3/3P4/8/8/8/8/8/4K3 w - - 0 1", "White to move gives check"},
        {"4k3/8/8/8/8/8/8/4r1K1 b - - 0 1", "Black to move gives check"},
        {"8/8/8/8/8/8/3k4/4K3 w - - 0 1", "White to move gives check"},
        {kInitial, ""},
    };
    for (const auto& [fen, reason] : rows) {
        EXPECT_EQ(FenRefusal(fen), reason) << fen;
    }
}

TEST(Fen, StartOfAGameFromAPosition) {
    BoardModel model;
    EXPECT_EQ(model.startFen, "");
    ASSERT_TRUE(model.SetUpFromFen("4k3/8/8/8/8/8/8/4K2R b K - 3 41"));
    EXPECT_EQ(model.startFen, "4k3/8/8/8/8/8/8/4K2R b K - 3 41");
    EXPECT_EQ(model.startMoveNumber, 41);
    // The initial position, however written, is no position of its own.
    ASSERT_TRUE(model.SetUpFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"));
    EXPECT_EQ(model.startFen, "");
}

TEST(Fen, EveryPositionOfRandomGamesReadsBackEqual) {
    std::size_t positions = 0;
    for (const auto& [record, title] : RandomGames(1000, 160, 18)) {
        TestGame test;
        for (const std::string& line : record) {
            test.game.Model().promotionChoice = line.size() > 4 ? KindOfLetter(line.back()) : "";
            ASSERT_TRUE(test.game.MakeMove(line.substr(0, 2), line.substr(2, 2))) << line;
            const BoardModel& played = test.game.Model();
            const std::string fen = FenText(played);
            BoardModel read;
            ASSERT_TRUE(read.SetUpFromFen(fen)) << fen;
            ASSERT_EQ(FenText(read), fen);
            ASSERT_EQ(read.PlacementText(), played.PlacementText());
            ASSERT_EQ(read.SideToMove(), played.SideToMove());
            ASSERT_EQ(read.enPassantSquare, played.enPassantSquare) << fen;
            ASSERT_EQ(read.quietMoveCount, played.quietMoveCount);
            ++positions;
        }
    }
    EXPECT_GT(positions, 50000u);
}
