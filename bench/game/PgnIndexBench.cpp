// Speed and memory of indexing a 1,000,000-game PGN file for the "Games in File" table:
// the file is made in a temporary directory from the 10,000 lichess games of bench/data
// (100 copies of the 100 games, a hundred times over), read as the program reads PGN
// files, walked once to find where each game starts and how many moves it has, and
// deleted. Prints MB/s and the memory the index added, per game.

#include "PgnCheck.h"

#include "game/PgnReader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kHundredGameCopies = 10000;

// What the table keeps per game: where it starts, how many half-moves it has.
struct IndexEntry {
    std::uint64_t offset;
    std::uint32_t plies;
};

class Indexer : public PgnVisitor {
public:
    std::vector<IndexEntry> entries;
    void BeginGame(std::size_t offset, int) override { entries.push_back({offset, 0}); }
    void Tag(std::string_view, std::string_view) override {}
    bool Move(std::string_view, int) override {
        ++entries.back().plies;
        return true;
    }
    void Comment(std::string_view) override {}
    void Nag(int) override {}
    bool EndGame(std::string_view, std::size_t) override { return true; }
};

// Resident memory of this process, in bytes.
std::uint64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

std::filesystem::path MakeMillionGameFile() {
    std::ifstream in(std::string(BENCH_DATA) + "/lichess-100.pgn", std::ios::binary);
    std::ostringstream hundred;
    hundred << in.rdbuf() << "\n";
    const std::string chunk = hundred.str();
    const std::filesystem::path directory = std::filesystem::temp_directory_path() /
                                            ("rookvale-index-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directory(directory);
    const std::filesystem::path file = directory / "million.pgn";
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < kHundredGameCopies; ++i) {
        out << chunk;
    }
    return file;
}

void BM_IndexMillionGameFile(benchmark::State& state) {
    const std::filesystem::path file = MakeMillionGameFile();
    std::string text;
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read =
        descriptor >= 0 && ReadOpenedFile(descriptor, std::filesystem::file_size(file), text);
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    std::filesystem::remove_all(file.parent_path());
    if (!read) {
        state.SkipWithError("cannot make the file");
        return;
    }
    std::size_t games = 0;
    double growth = 0;
    for (auto _ : state) {
        const std::uint64_t before = ResidentBytes();
        Indexer indexer;
        ReadPgn(text, indexer);
        growth = static_cast<double>(ResidentBytes() - before);
        games = indexer.entries.size();
        benchmark::DoNotOptimize(indexer.entries.data());
    }
    state.counters["games"] = static_cast<double>(games);
    state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
    state.counters["index_bytes/game"] = games ? growth / static_cast<double>(games) : 0;
}

} // namespace

BENCHMARK(BM_IndexMillionGameFile)->Unit(benchmark::kMillisecond)->Iterations(1);
