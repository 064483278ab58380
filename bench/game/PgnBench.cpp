// Speed of PGN reading: every move of 10,000 real games (the 100 lichess games of
// bench/data, a hundred times over, 7.6 MB) checked through the rules, beside pgn-extract
// reading the same file in the same run when it is installed.

#include "PgnCheck.h"

#include "game/PgnReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kCopies = 100;

// CPU seconds, user and system, of the child processes waited for so far.
double ChildrenCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string TenThousandGames() {
    std::ifstream in(std::string(BENCH_DATA) + "/lichess-100.pgn", std::ios::binary);
    std::ostringstream hundred;
    hundred << in.rdbuf();
    std::string text;
    for (int i = 0; i < kCopies; ++i) {
        text += hundred.str() + "\n";
    }
    return text;
}

void BM_ReadPgnTenThousandGames(benchmark::State& state) {
    const std::string text = TenThousandGames();
    std::ostringstream errors;
    PgnCheckSummary summary;
    for (auto _ : state) {
        summary = CheckPgnText(text, errors);
    }
    state.counters["games"] = static_cast<double>(summary.games);
    state.counters["plies"] = static_cast<double>(summary.plies);
    state.counters["refused"] = static_cast<double>(summary.refused);
    state.counters["games/s"] = benchmark::Counter(static_cast<double>(summary.games) *
                                                       static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);

#ifdef PGN_EXTRACT
    // The same file through pgn-extract, every move checked (-r reports errors only).
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("rookvale-bench-" + std::to_string(::getpid()) + ".pgn");
    std::ofstream(file, std::ios::binary) << text;
    // Its CPU time, comparable with this benchmark's CPU column on a busy machine.
    const double cpuBefore = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int code = std::system(
        (std::string(PGN_EXTRACT) + " -s -r '" + file.string() + "' >/dev/null 2>&1").c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double cpu = ChildrenCpuSeconds() - cpuBefore;
    std::filesystem::remove(file);
    if (code == 0) {
        state.counters["pgn_extract_s"] = took.count();
        state.counters["pgn_extract_cpu_s"] = cpu;
        state.counters["pgn_extract_games/s"] = static_cast<double>(summary.games) / took.count();
    }
#endif
}

// What the "Games in File" index does: where each game starts and how many moves it has,
// without playing them.
class Counter : public PgnVisitor {
public:
    std::size_t games = 0;
    std::size_t moves = 0;
    void BeginGame(std::size_t, int) override { ++games; }
    void Tag(std::string_view, std::string_view) override {}
    bool Move(std::string_view, int) override {
        ++moves;
        return true;
    }
    void Comment(std::string_view) override {}
    void Nag(int) override {}
    bool EndGame(std::string_view, std::size_t) override { return true; }
};

void BM_IndexPgnTenThousandGames(benchmark::State& state) {
    const std::string text = TenThousandGames();
    Counter counter;
    for (auto _ : state) {
        counter = Counter();
        ReadPgn(text, counter);
    }
    state.counters["games"] = static_cast<double>(counter.games);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ReadPgnTenThousandGames)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IndexPgnTenThousandGames)->Unit(benchmark::kMillisecond);
