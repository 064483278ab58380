// Speed of the rules library: perft through the move entry, and one MakeMove with
// end-of-game detection over whole games.

#include "Perft.h"
#include "RandomGames.h"

#include "game/NullDisplay.h"
#include "game/Square.h"

#include <benchmark/benchmark.h>

#include <string>
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

void BM_MakeMoveOverWholeGames(benchmark::State& state) {
    const auto games = RandomGames(20, 300, 20261207);
    std::size_t made = 0;
    for (auto _ : state) {
        for (const auto& [record, title] : games) {
            NullDisplay display;
            Game game(display);
            for (const std::string& line : record) {
                game.Model().promotionChoice = line.size() > 4 ? KindOfLetter(line.back()) : "";
                made += game.MakeMove(line.substr(0, 2), line.substr(2, 2));
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
