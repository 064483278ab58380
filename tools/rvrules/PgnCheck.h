#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

// What checking the games of a PGN text found.
struct PgnCheckSummary {
    std::uint64_t games = 0;
    std::uint64_t plies = 0;   // main-line half-moves read, a refused game's bad one included
    std::uint64_t refused = 0; // games with an illegal, ambiguous or unreadable move
};

// Reads every game of `text`, checks every move through the rules and writes the first
// error of each refused game to `out` ("game 3 line 40: illegal move \"Nf7\"").
PgnCheckSummary CheckPgnText(std::string_view text, std::ostream& out);

// Checks the regular file `path` (at most kMaxPgnCheckBytes): the errors of refused games
// and then the summary line "games N plies P refused R" go to `out`. Returns 0, or 1
// with a message on `errors` when the file cannot be read.
int CheckPgnFile(const std::string& path, std::ostream& out, std::ostream& errors);

// Reads up to `size` bytes of the open file `descriptor` into `text`. A file cut short
// since its size was taken gives the bytes that are left. Returns false, `text` empty
// and errno set, when reading fails.
bool ReadOpenedFile(int descriptor, std::size_t size, std::string& text);

constexpr std::uint64_t kMaxPgnCheckBytes = 4ULL << 30;
