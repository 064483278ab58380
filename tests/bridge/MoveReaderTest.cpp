#include "TestPositions.h"
#include "core/MainLineReader.h"
#include "core/MoveGenerator.h"
#include "core/MoveResolver.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using namespace ferrule;
using ferrule_test::fromFen;
using ferrule_test::move;

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

struct ResolveCase {
    const char* fen;
    const char* word;
    ResolveStatus status;
    const char* expected; // coordinate form, when found
};

class ResolveWord : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveWord, NamesTheOneLegalMove) {
    const ResolveCase& c = GetParam();
    const ResolvedMove resolved = resolveWord(fromFen(c.fen), c.word);
    EXPECT_EQ(resolved.status, c.status) << c.word;
    if (c.status == ResolveStatus::kFound) {
        EXPECT_EQ(moveText(resolved.move), c.expected) << c.word;
    }
}

const char* const kOpenCentre = "r1bqkbnr/pppp1ppp/2n5/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6";
const char* const kCastleBoth = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
const char* const kPromotion = "3r3k/4P3/8/8/8/8/8/4K3 w - -";
const char* const kTwoKnights = "4k3/8/8/8/8/8/8/1N2KN2 w - -";
const char* const kRooks = "4k3/8/8/8/8/8/R7/R3K3 w - -";

INSTANTIATE_TEST_SUITE_P(
    Words, ResolveWord,
    ::testing::Values(
        ResolveCase{kStart, "e4", ResolveStatus::kFound, "e2e4"},
        ResolveCase{kStart, "Nf3", ResolveStatus::kFound, "g1f3"},
        ResolveCase{kStart, "Nf3+", ResolveStatus::kFound, "g1f3"},
        ResolveCase{kStart, "g1f3", ResolveStatus::kFound, "g1f3"},
        ResolveCase{kStart, "e2e4", ResolveStatus::kFound, "e2e4"},
        ResolveCase{kStart, "e5", ResolveStatus::kNoMatch, ""},
        ResolveCase{kStart, "e", ResolveStatus::kNotAMove, ""},
        ResolveCase{kStart, "+!", ResolveStatus::kNotAMove, ""},
        ResolveCase{kStart, "{book}", ResolveStatus::kNoMatch, ""}, // b, o, o: castling
        ResolveCase{kStart, "e3e4", ResolveStatus::kEmptySource, ""},
        ResolveCase{kOpenCentre, "dxe6", ResolveStatus::kFound, "d5e6"},
        ResolveCase{kOpenCentre, "de", ResolveStatus::kFound, "d5e6"},
        ResolveCase{kOpenCentre, "dxc6", ResolveStatus::kFound, "d5c6"},
        ResolveCase{"rnbqkbnr/pppp1ppp/8/4p3/3P4/8/PPP1PPPP/RNBQKBNR w KQkq -", "exd5",
                    ResolveStatus::kNoMatch, ""},
        ResolveCase{"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -", "ed",
                    ResolveStatus::kFound, "e4d5"},
        ResolveCase{kCastleBoth, "O-O", ResolveStatus::kFound, "e1g1"},
        ResolveCase{kCastleBoth, "0-0-0", ResolveStatus::kFound, "e1c1"},
        ResolveCase{kCastleBoth, "O-O-O-O", ResolveStatus::kNoMatch, ""},
        ResolveCase{"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "o-o", ResolveStatus::kFound, "e8g8"},
        ResolveCase{kPromotion, "e8=Q", ResolveStatus::kFound, "e7e8q"},
        ResolveCase{kPromotion, "e7e8Q", ResolveStatus::kFound, "e7e8q"},
        ResolveCase{kPromotion, "e8", ResolveStatus::kFound, "e7e8q"},
        ResolveCase{kPromotion, "e8=N", ResolveStatus::kFound, "e7e8n"},
        ResolveCase{kPromotion, "e7e8n", ResolveStatus::kFound, "e7e8n"},
        ResolveCase{kPromotion, "e7e8b", ResolveStatus::kFound, "e7e8b"},
        ResolveCase{kPromotion, "e7e8R", ResolveStatus::kFound, "e7e8r"},
        ResolveCase{kPromotion, "exd8", ResolveStatus::kFound, "e7d8q"},
        ResolveCase{kPromotion, "ed", ResolveStatus::kFound, "e7d8q"},
        ResolveCase{kPromotion, "e7d8n", ResolveStatus::kFound, "e7d8n"},
        ResolveCase{kTwoKnights, "Nd2", ResolveStatus::kAmbiguous, ""},
        ResolveCase{kTwoKnights, "Nbd2", ResolveStatus::kFound, "b1d2"},
        ResolveCase{kTwoKnights, "Nfd2", ResolveStatus::kFound, "f1d2"},
        ResolveCase{kRooks, "R1a1", ResolveStatus::kNoMatch, ""},
        ResolveCase{kRooks, "Ra3", ResolveStatus::kFound, "a2a3"},
        ResolveCase{kRooks, "R1d1", ResolveStatus::kFound, "a1d1"},
        ResolveCase{"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq -", "Qxf7#",
                    ResolveStatus::kFound, "h5f7"},
        // A pinned knight cannot go: the other one is the only move.
        ResolveCase{"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nd3", ResolveStatus::kNoMatch, ""},
        ResolveCase{"4k3/4r3/8/8/8/8/4N3/1N2K3 w - -", "Nc3", ResolveStatus::kFound, "b1c3"}));

TEST(Castling, IsNotGeneratedOutOfOrThroughCheck) {
    struct Case {
        const char* fen;
        const char* word;
        ResolveStatus status;
    };
    const Case cases[] = {
        {"4k3/4r3/8/8/8/8/8/R3K2R w KQ -", "O-O", ResolveStatus::kNoMatch},   // in check
        {"4k3/5r2/8/8/8/8/8/R3K2R w KQ -", "O-O", ResolveStatus::kNoMatch},   // crosses f1
        {"4k3/3r4/8/8/8/8/8/R3K2R w KQ -", "O-O-O", ResolveStatus::kNoMatch}, // crosses d1
        {"4k3/6r1/8/8/8/8/8/R3K2R w KQ -", "O-O", ResolveStatus::kNoMatch},   // lands on g1
        {"4k3/1r6/8/8/8/8/8/R3K2R w KQ -", "O-O-O", ResolveStatus::kFound},   // b1 may be hit
        {"4k3/8/8/8/8/8/8/R3K2R w Q -", "O-O", ResolveStatus::kNoMatch},      // no right
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveWord(fromFen(c.fen), c.word).status, c.status) << c.fen;
    }
}

TEST(NoLegalMove, MateAndStalemateButNotCheck) {
    struct Case {
        const char* fen;
        bool none;
    };
    const Case cases[] = {
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -", true}, // fool's mate
        {"7k/5Q2/6K1/8/8/8/8/8 b - -", true},                                // stalemate
        // Mated with the castling rights still there: castling must not count as a way out.
        {"4k3/8/8/8/8/8/3PPq2/R3K2R w KQ -", false},
        {"4k3/8/8/8/8/8/3PPPq1/4K2R w K -", false},
        {"4k3/8/8/8/8/5n2/3PPP2/R3K2R w KQ -", false},
        {"k7/8/8/8/8/3n3b/3PRP2/3QK2R w K -", true}, // only castling "escapes"
        {kStart, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hasNoLegalMove(fromFen(c.fen)), c.none) << c.fen;
    }
}

TEST(ApplyMove, CastlingPromotionAndEnPassant) {
    Position position = fromFen("r3k2r/1P6/8/3pP3/8/8/8/R3K2R w KQkq d6");
    position.apply(move("e5d6"));
    EXPECT_EQ(position.squares[makeSquare(3, 4)], kEmpty) << "the passed pawn is taken";
    position.apply(move("e8c8"));
    EXPECT_EQ(position.squares[makeSquare(3, 7)], kRook | kBlackBit);
    EXPECT_EQ(position.castling & (kBlackKingSide | kBlackQueenSide), 0);
    position.apply(move("e1g1"));
    EXPECT_EQ(position.squares[makeSquare(5, 0)], kRook);
    EXPECT_EQ(position.squares[makeSquare(7, 0)], kEmpty);
    EXPECT_EQ(position.whiteKing, makeSquare(6, 0));
    EXPECT_EQ(position.castling, 0);
    position.apply(move("a8a7"));
    position.apply(makeMoveCode(makeSquare(1, 6), makeSquare(1, 7), 0));
    EXPECT_EQ(position.squares[makeSquare(1, 7)], kQueen) << "no promotion code is a queen";
}

TEST(ApplyMove, HostMovesNeverReachOffTheBoard) {
    Position position = fromFen("5k2/8/8/8/8/8/8/4K3 b - -");
    position.apply(makeMoveCode(61, 63)); // a king "two squares" to the corner
    EXPECT_EQ(position.squares[63], kKing | kBlackBit);
    position.apply(makeMoveCode(20, 22)); // from an empty square
    EXPECT_EQ(position.sideToMove, kBlack);
}

TEST(FromBoard, ReadsOddPieceCodesAsEmpty) {
    std::array<std::uint8_t, 64> board{};
    board[4] = kKing;
    board[7] = kRook;
    board[10] = 7;
    board[11] = 15;
    board[12] = 0x80 | kPawn;
    board[60] = kKing | kBlackBit;
    const Position position = Position::fromBoard(board.data(), kWhite);
    EXPECT_EQ(position.squares[10], kEmpty);
    EXPECT_EQ(position.squares[11], kEmpty);
    EXPECT_EQ(position.squares[12], kPawn);
    EXPECT_EQ(position.castling, kWhiteKingSide);
    EXPECT_EQ(position.blackKing, 60);
}

struct LineCase {
    const char* fen;
    const char* text;
    std::vector<const char*> moves;
};

class ReadMainLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReadMainLine, ReadsEveryMoveInItsOwnPosition) {
    const LineCase& c = GetParam();
    std::array<MoveCode, 32> out{};
    const int count = readMainLine(fromFen(c.fen), c.text, out);
    ASSERT_EQ(count, static_cast<int>(c.moves.size())) << c.text;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(moveText(out[i]), c.moves[i]) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadMainLine,
    ::testing::Values(
        LineCase{kStart, "12. e4 e5 13. Nf3 {book} Nc6", {"e2e4", "e7e5", "g1f3", "b8c6"}},
        LineCase{kStart, "1.e4 1...e5 2.Nf3", {"e2e4", "e7e5", "g1f3"}},
        LineCase{kStart, "e2e4\r\ne7e5  \n g1f3", {"e2e4", "e7e5", "g1f3"}},
        LineCase{kStart, "e4 e4 e5", {"e2e4", "e7e5"}}, LineCase{kStart, "", {}},
        LineCase{kStart, "12. (0:03) <HT>", {}},
        LineCase{kTwoKnights, "Ke2 Kd7 Nd2 Kc6", {"e1e2", "e8d7"}},
        LineCase{"4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8n Kd7 Nb6+", {"a7a8n", "e8d7", "a8b6"}}));

TEST(ReadMainLineLimits, CountsBeyondTheStoredMoves) {
    std::array<MoveCode, 2> out{};
    EXPECT_EQ(readMainLine(fromFen(kStart), "Nf3 Nf6 Ng1 Ng8 Nf3", out), 5);
    EXPECT_EQ(moveText(out[1]), "g8f6");
}

} // namespace
