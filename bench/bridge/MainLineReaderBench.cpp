// How many engine move words per second the main-line reader resolves, over thinking
// lines as real engines print them (fairymax, phalanx, stockfish through polyglot).

#include "core/MainLineReader.h"
#include "core/Position.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace ferrule;

struct Sample {
    std::vector<MoveCode> before; // moves from the start position to the searched position
    const char* text;
};

// Main-line texts copied from the engines' output for 1. e4 and for the start position.
const Sample kSamples[] = {
    {{}, "g8f6 e4e5 f6d5 c2c4 d5b4 d2d4 b8c6"},
    {{}, "b8c6 b1c3 g8f6 d2d4 d7d5 e4e5 f6e4 c3e4 d5e4 c1e3"},
    {{}, "g8f6 e4e5 f6g8 b1c3 d7d6 f2f4 b8c6 g1f3 c8f5 f1c4 d6e5 f4e5"},
    {{}, "1. ... Nf6 2. e5 Nd5 3. c4 Nb6 4. d4 d6 5. exd6 exd6 6. Nc3 Be7"},
    {{}, "c7c5 g1f3 b8c6 d2d4 c5d4 f3d4 g8f6 b1c3 e7e5 d4b5 d7d6 c1g5 a7a6"},
};

std::vector<Position> searchedPositions() {
    Position afterE4 = Position::initial();
    afterE4.apply(makeMoveCode(12, 28));
    return std::vector<Position>(std::size(kSamples), afterE4);
}

int wordsIn(const char* text) {
    std::istringstream in(text);
    int words = 0;
    for (std::string word; in >> word;) {
        words += word.find("...") == std::string::npos && !std::isdigit(word[0]) ? 1 : 0;
    }
    return words;
}

void BM_ReadMainLine(benchmark::State& state) {
    const std::vector<Position> positions = searchedPositions();
    int wordsPerRound = 0;
    for (const Sample& sample : kSamples) {
        wordsPerRound += wordsIn(sample.text);
    }
    std::array<MoveCode, 32> out{};
    std::int64_t words = 0;
    for (auto _ : state) {
        int read = 0;
        for (std::size_t i = 0; i < std::size(kSamples); ++i) {
            read += readMainLine(positions[i], kSamples[i].text, out);
        }
        benchmark::DoNotOptimize(read);
        if (read != wordsPerRound) {
            state.SkipWithError("a move word was not read");
            break;
        }
        words += read;
    }
    state.counters["words_per_second"] =
        benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadMainLine);

} // namespace

BENCHMARK_MAIN();
