// Speed of the rules library: perft through the move entry, and one MakeMove with
// end-of-game detection over whole games.

#include "Perft.h"

#include "game/NullDisplay.h"
#include "game/Square.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

template <std::uint64_t (*Count)(Game&, int)>
void RunPerft(benchmark::State& state, const char* fen, int depth) {
    NullDisplay display;
    Game game(display);
    game.Model().SetUpFromFen(fen);
    std::uint64_t nodes = 0;
    for (auto _ : state) {
        nodes += Count(game, depth);
    }
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}

void BM_PerftStartDepth4(benchmark::State& state) {
    RunPerft<Perft>(state, kStart, 4);
}
void BM_PerftKiwipeteDepth3(benchmark::State& state) {
    RunPerft<Perft>(state, kKiwipete, 3);
}
void BM_PerftCountingLastStartDepth4(benchmark::State& state) {
    RunPerft<PerftCountingLastMoves>(state, kStart, 4);
}
void BM_PerftCountingLastKiwipeteDepth3(benchmark::State& state) {
    RunPerft<PerftCountingLastMoves>(state, kKiwipete, 3);
}

using Moves = std::vector<std::pair<std::string, std::string>>;

// Whole games of random legal moves (fixed seed), played until they end or reach 300
// half-moves: captures, castling, promotions and every kind of ending occur.
std::vector<Moves> RandomGames(int count) {
    std::mt19937 random(20261207);
    std::vector<Moves> games;
    for (int i = 0; i < count; ++i) {
        NullDisplay display;
        Game game(display);
        Moves moves;
        while (!game.Model().finished && moves.size() < 300) {
            Moves legal;
            for (int index = 0; index < 64; ++index) {
                const TSquare& square = game.Model().board[index];
                if (!square.piece.IsEmpty() && square.piece.white == game.Model().SideToMove()) {
                    for (const std::string& target : game.LegalTargets(square.name)) {
                        legal.emplace_back(square.name, target);
                    }
                }
            }
            const auto& [from, to] = legal[random() % legal.size()];
            game.MakeMove(from, to);
            moves.emplace_back(from, to);
        }
        games.push_back(std::move(moves));
    }
    return games;
}

void BM_MakeMoveOverWholeGames(benchmark::State& state) {
    const std::vector<Moves> games = RandomGames(20);
    std::size_t made = 0;
    for (auto _ : state) {
        for (const Moves& moves : games) {
            NullDisplay display;
            Game game(display);
            for (const auto& [from, to] : moves) {
                made += game.MakeMove(from, to);
            }
            benchmark::DoNotOptimize(game.Model().finished);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(made));
    state.counters["per_move"] = benchmark::Counter(
        static_cast<double>(made) / 1e6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_PerftStartDepth4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftKiwipeteDepth3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftCountingLastStartDepth4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftCountingLastKiwipeteDepth3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeMoveOverWholeGames)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
