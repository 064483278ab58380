#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ferrule {

// The fields of a UCI "info" line that reports are made of. Texts point into the line.
struct UciInfo {
    std::optional<int> depth;
    std::optional<std::int64_t> nodes;
    std::optional<std::int64_t> timeMs;
    std::string_view currMove; // empty without "currmove"
    int currMoveNumber = 0;
    bool hasScore = false;
    bool mate = false;  // `score` counts moves to mate ("score mate N"), not centipawns
    bool bound = false; // the score is only a lower or upper bound
    int score = 0;
    int multipv = 1;
    std::string_view pv; // the main line's moves, empty without "pv"
};

// What one line of a UCI engine's output says.
struct UciLine {
    enum class Kind { kIgnored, kUciOk, kReadyOk, kIdName, kIdAuthor, kInfo, kBestMove };
    Kind kind = Kind::kIgnored;
    std::string_view text;   // the name or author of an "id" line; the move of "bestmove"
    std::string_view ponder; // the expected reply a "bestmove" names, if any
    UciInfo info;
};

// Classifies one output line (with or without its line feed). Unknown "info" fields are
// skipped up to the next field this reader knows; numbers that do not fit, or are negative
// where they cannot be, leave their field out rather than wrap. "info string ..." is ignored.
UciLine parseUciLine(std::string_view line);

// A UCI score in the host's terms: centipawns as they are (within +-32000), "mate N" as
// 30000 - (2N - 1) and "mate -N" as -30000 + 2N.
int uciScore(const UciInfo& info);

// What a line says of the protocol while "uci" waits for its answer.
enum class ProbeVerdict { kUndecided, kUci, kXboard };
// "uciok" means UCI; a line with "Error", "Illegal", "Invalid", "unknown" or "feature"
// means xboard; anything else (a banner, "id name ...") decides nothing.
ProbeVerdict probeVerdict(std::string_view line);

} // namespace ferrule
