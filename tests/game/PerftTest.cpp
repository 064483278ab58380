#include "Perft.h"

#include "game/NullDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct PerftRow {
    const char* name;
    const char* fen;
    std::uint64_t nodes[3]; // depths 1, 2, 3
};

// The six standard perft positions and their published node counts.
const PerftRow kRows[] = {
    {"startpos", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902}},
    {"kiwipete",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
     {48, 2039, 97862}},
    {"position3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812}},
    {"position4",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     {6, 264, 9467}},
    {"position5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379}},
    {"position6",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890}},
};

} // namespace

TEST(Perft, StandardPositionsToDepthThree) {
    for (const PerftRow& row : kRows) {
        NullDisplay display;
        Game game(display);
        ASSERT_TRUE(game.Model().SetUpFromFen(row.fen)) << row.name;
        const std::string before = game.Model().PlacementText();
        for (int depth = 1; depth <= 3; ++depth) {
            EXPECT_EQ(Perft(game, depth), row.nodes[depth - 1]) << row.name << " depth " << depth;
            EXPECT_EQ(PerftCountingLastMoves(game, depth), row.nodes[depth - 1]) << row.name;
        }
        EXPECT_EQ(game.Model().PlacementText(), before) << row.name;
    }
}
