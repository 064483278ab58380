#include "GameTestSupport.h"

#include "game/NullDisplay.h"

#include <random>
#include <sstream>

namespace {

struct Ply {
    std::string from;
    std::string to;
    std::string promotion; // the promotion choice, or empty
};

std::vector<Ply> parsePlies(const std::string& moves) {
    std::vector<Ply> plies;
    std::istringstream words(moves);
    for (std::string move; words >> move;) {
        plies.push_back({move.substr(0, 2), move.substr(2, 2),
                         move.size() == 5 ? KindOfLetter(move[4]) : std::string()});
    }
    return plies;
}

// Plays the plies from `fen` (the start position when empty) on a fresh game.
void replay(Game& game, const std::string& fen, const std::vector<Ply>& plies, std::size_t count) {
    if (!fen.empty()) {
        ASSERT_TRUE(game.Model().SetUpFromFen(fen));
    }
    for (std::size_t i = 0; i < count; ++i) {
        game.Model().promotionChoice = plies[i].promotion;
        ASSERT_TRUE(game.MakeMove(plies[i].from, plies[i].to)) << plies[i].from << plies[i].to;
    }
}

// Every field of the board model, or the first that differs.
std::string difference(const BoardModel& a, const BoardModel& b) {
    for (int square = 0; square < 64; ++square) {
        if (!(a.board[square].piece == b.board[square].piece)) {
            return "square " + a.board[square].name;
        }
    }
    const std::pair<bool, const char*> fields[] = {
        {a.enPassantSquare == b.enPassantSquare, "en-passant square"},
        {a.promotionChoice == b.promotionChoice, "promotion choice"},
        {a.promotionLetter == b.promotionLetter, "promotion letter"},
        {a.dragSource == b.dragSource, "drag source"},
        {a.finished == b.finished, "finished mark"},
        {a.engineColour == b.engineColour, "engine colour"},
        {a.sideMarker == b.sideMarker, "side marker"},
        {a.castlingMarks == b.castlingMarks, "castling marks"},
        {a.quietMoveCount == b.quietMoveCount, "quiet-move count"},
        {a.positionHistory == b.positionHistory, "position history"},
        {a.moveRecord == b.moveRecord, "move record"},
    };
    for (const auto& [same, name] : fields) {
        if (!same) {
            return name;
        }
    }
    return {};
}

TEST(TakeBack, AfterEveryKindOfMoveEqualsTheShortenedGame) {
    const struct {
        const char* what;
        const char* fen;
        const char* moves;
        const char* capturedKind;
    } rows[] = {
        {"quiet first move", "", "e2e4", ""},
        {"capture", "", "e2e4 d7d5 e4d5", "Pawn"},
        {"castling king side", "", "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1", ""},
        {"castling queen side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", ""},
        {"en passant", "", "e2e4 a7a6 e4e5 d7d5 e5d6", "Pawn"},
        {"promotion with capture", "1n5k/P7/8/8/8/8/8/7K w - - 0 1", "a7b8r", "Knight"},
        {"check", "", "e2e4 f7f6 d1h5", ""},
        {"mate", "", "f2f3 e7e5 g2g4 d8h4", ""},
        {"stalemate", "7k/8/5Q2/6K1/8/8/8/8 w - - 0 1", "f6f7", ""},
        {"material draw", "7k/8/8/8/8/8/1n6/B6K w - - 0 1", "a1b2", "Knight"},
        {"repetition draw", "", "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", ""},
        {"rook corner taken", "r3k3/8/8/8/8/8/8/4K2R w - - 0 1", "h1h8 e8d7 h8a8", "Rook"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<Ply> plies = parsePlies(row.moves);
        TestGame played(row.fen);
        replay(played.game, row.fen, plies, plies.size());
        const BoardModel full = played.game.Model();

        const auto taken = played.game.TakeBack();
        ASSERT_TRUE(taken);
        EXPECT_EQ(taken->from, plies.back().from);
        EXPECT_EQ(taken->to, plies.back().to);
        EXPECT_EQ(taken->capturedKind, row.capturedKind);
        EXPECT_EQ(taken->wasFinished, full.finished != 0);

        TestGame shortened(row.fen);
        replay(shortened.game, row.fen, plies, plies.size() - 1);
        EXPECT_EQ(difference(played.game.Model(), shortened.game.Model()), "");

        // Made again, the move gives the same game as before.
        replay(played.game, "", {plies.back()}, 1);
        EXPECT_EQ(difference(played.game.Model(), full), "");
    }
}

TEST(TakeBack, NothingToTakeBack) {
    TestGame fresh;
    EXPECT_FALSE(fresh.game.TakeBack());

    // Lines loaded into the record were not made here.
    TestGame loaded;
    loaded.game.Model().moveRecord = {"e2e4", "e7e5"};
    EXPECT_FALSE(loaded.game.TakeBack());

    // A board set up afresh leaves the moves before it behind.
    TestGame setUp;
    ASSERT_TRUE(setUp.Play("e2e4 e7e5 g1f3"));
    ASSERT_TRUE(setUp.game.Model().SetUpFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_FALSE(setUp.game.TakeBack());
    ASSERT_TRUE(setUp.Play("e1e2"));
    EXPECT_TRUE(setUp.game.TakeBack());
    EXPECT_FALSE(setUp.game.TakeBack());
    EXPECT_EQ(setUp.game.Model().PlacementText(), "4k3/8/8/8/8/8/8/4K3");
}

// Random games, each taken back by a random number of half-moves, compared field by field
// with replaying the shortened game from the start; then the same moves are made again.
TEST(TakeBack, ThousandRandomGamesAgreeWithReplay) {
    std::mt19937 random(1919);
    const char* const kPromotions[] = {"Queen", "Rook", "Bishop", "Knight"};
    int finishedGames = 0;
    for (int gameNumber = 0; gameNumber < 1000; ++gameNumber) {
        NullDisplay display;
        Game game(display);
        std::vector<Ply> plies;
        while (!game.Model().finished && plies.size() < 200) {
            std::vector<Ply> legal;
            for (const TSquare& square : game.Model().board) {
                if (!square.piece.IsEmpty() && square.piece.white == game.Model().SideToMove()) {
                    for (const std::string& target : game.LegalTargets(square.name)) {
                        legal.push_back({square.name, target, kPromotions[random() % 4]});
                    }
                }
            }
            ASSERT_FALSE(legal.empty());
            const Ply& ply = legal[random() % legal.size()];
            game.Model().promotionChoice = ply.promotion;
            ASSERT_TRUE(game.MakeMove(ply.from, ply.to));
            plies.push_back(ply);
        }
        finishedGames += game.Model().finished;
        const BoardModel full = game.Model();
        const std::size_t back = 1 + random() % plies.size();
        for (std::size_t i = 0; i < back; ++i) {
            ASSERT_TRUE(game.TakeBack()) << "game " << gameNumber << " take-back " << i;
        }
        NullDisplay replayDisplay;
        Game shortened(replayDisplay);
        replay(shortened, "", plies, plies.size() - back);
        ASSERT_EQ(difference(game.Model(), shortened.Model()), "")
            << "game " << gameNumber << " taken back " << back << " of " << plies.size();
        for (std::size_t i = plies.size() - back; i < plies.size(); ++i) {
            game.Model().promotionChoice = plies[i].promotion;
            ASSERT_TRUE(game.MakeMove(plies[i].from, plies[i].to));
        }
        ASSERT_EQ(difference(game.Model(), full), "") << "game " << gameNumber << " made again";
    }
    // The games reach their ends often enough for taking back a finished game to be tried.
    EXPECT_GT(finishedGames, 100);
}

} // namespace
