#pragma once

#include <cstdint>
#include <string_view>

namespace ferrule {

// What one line of engine output says. Texts point into the parsed line.
struct ParsedLine {
    enum class Kind {
        kIgnored,         // nothing to act on
        kMove,            // "move e2e4" or "1. ... e7e5": the search ends with `move`
        kAnalyzeUnknown,  // an error line about "analyze": the engine cannot analyse
        kThinking,        // depth, score, time in seconds, nodes, main line `text`
        kOnlyMove,        // "(only move) e2e4": `move`
        kStatus,          // "stat01:" answer: time, nodes, depth, movesLeft, totalMoves
        kFeature,         // "feature ...": the pairs in `text`
        kPong,            // "pong N": `pong`
        kProtoverUnknown, // an error line about "protover": a protocol version 1 engine
    };
    Kind kind = Kind::kIgnored;
    std::string_view move;
    std::string_view text; // empty when a thinking line has no main line
    int depth = 0;
    int score = 0;
    int time = 0;
    std::int64_t nodes = 0;
    int movesLeft = 0;
    int totalMoves = 0;
    int pong = 0;
};

// Classifies one output line (with or without its line feed). Numbers outside their
// range make a line unusable rather than wrap; nothing is read past the line.
ParsedLine parseEngineLine(std::string_view line);

} // namespace ferrule
