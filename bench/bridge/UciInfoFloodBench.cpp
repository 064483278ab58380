// How many main lines per second the plug-in reads from a UCI engine's "info" flood: each
// line parsed, its moves read against the searched position and written into the host's
// record, and the host notified, as the reader thread does. The lines are Stockfish's
// thinking after 1. e4; in turn they differ from the one before, so every one is news.

#include "driver/RecordLayout.h"
#include "driver/SearchReports.h"
#include "driver/UciLineParser.h"
#include "quill/Quill32.h"

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>

namespace {

using namespace ferrule;

const char* const kFlood[] = {
    "info depth 11 seldepth 13 multipv 1 score cp -29 nodes 44473 nps 142086 hashfull 14 tbhits 0 "
    "time 313 pv c7c5 g1f3 d7d6 f1b5 c8d7 b5d7 d8d7 e1g1 g7g6\n",
    "info depth 12 seldepth 15 multipv 1 score cp -32 nodes 59683 nps 136887 hashfull 23 tbhits 0 "
    "time 436 pv c7c5 g1f3 e7e6 d2d4 c5d4 f3d4 g8f6 f1d3 d7d6 b1c3 c8d7 e1g1 a7a6\n",
    "info depth 13 seldepth 18 multipv 1 score cp -32 nodes 92572 nps 114711 hashfull 37 tbhits 0 "
    "time 807 pv c7c5 g1f3 d7d6 f1b5 c8d7 b5d7 b8d7 e1g1 g8f6 f1e1 g7g6 d2d3 e7e6\n",
    "info depth 14 seldepth 22 multipv 1 score cp -27 nodes 128979 nps 96685 hashfull 51 tbhits 0 "
    "time 1334 pv c7c5 g1f3 d7d6 f1b5 b8d7 e1g1 a7a6 b5d7 c8d7 h2h3 d8c7 c2c3\n",
    "info depth 15 seldepth 26 multipv 1 score cp -24 nodes 190362 nps 91962 hashfull 70 tbhits 0 "
    "time 2070 pv c7c5 g1f3 d7d6 b1c3 e7e5 f1c4 f8e7 e1g1 b8c6 f1e1 h7h6 c3d5 g8f6 d5e7 c6e7\n",
    "info depth 16 seldepth 19 multipv 1 score cp -27 nodes 236375 nps 93428 hashfull 86 tbhits 0 "
    "time 2530 pv c7c5 g1f3 e7e6 d2d4 c5d4 f3d4 g8f6 b1c3 b8c6 f1e2 f8e7 d4c6 d7c6 d1d8 e7d8 e1g1 "
    "e8g8 f1e1\n",
};

std::atomic<long long> g_mainLines{0};

std::int32_t countMainLines(std::int32_t code, std::int32_t, std::int32_t, void*) {
    if (code == kNotifyMainLine) {
        ++g_mainLines;
    }
    return 0;
}

void BM_UciInfoFlood(benchmark::State& state) {
    QuillSetHandler(&countMainLines);
    std::array<unsigned char, report::kSize> record{};
    SearchReports reports;
    reports.attach(record.data(), 0);
    Position afterE4 = Position::initial();
    afterE4.apply(makeMoveCode(12, 28));
    reports.startSearch(afterE4);
    g_mainLines = 0;
    long long lines = 0;
    for (auto _ : state) {
        for (const char* line : kFlood) {
            reports.handleInfo(parseUciLine(line).info);
        }
        lines += static_cast<long long>(std::size(kFlood));
    }
    if (g_mainLines != lines) {
        state.SkipWithError("a main line was not reported");
    }
    state.counters["main_lines_per_second"] =
        benchmark::Counter(static_cast<double>(g_mainLines.load()), benchmark::Counter::kIsRate);
    QuillSetHandler(nullptr);
}
BENCHMARK(BM_UciInfoFlood);

} // namespace

BENCHMARK_MAIN();
