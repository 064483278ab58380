#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ferrule {

// One name=value pair of an engine's "feature" line; a quoted value without its quotes.
struct FeaturePair {
    std::string_view name;
    std::string_view value;
};

// Reads the pairs of a "feature" line (the text after the word "feature"). Reading stops at
// the first word that is not a pair, or at a quoted value without its closing quote; the
// texts point into `text`.
std::vector<FeaturePair> readFeaturePairs(std::string_view text);

// What a protocol version 2 engine has said of itself, as far as the plug-in honours it.
struct EngineFeatures {
    static constexpr std::size_t kMaxName = 125;

    bool setboard = false;    // a board goes as "setboard FEN", not as an "edit" block
    bool ping = false;        // "ping N" before each search, nothing credited before "pong N"
    bool usermove = false;    // moves to the engine go as "usermove e2e4"
    bool noAnalyze = false;   // analyze=0: the engine cannot analyse
    bool noColors = false;    // colors=0: "white" and "black" are not sent
    bool doneAwaited = false; // done=0: more features follow until done=1
    bool done = false;        // done=1: the engine has said all
    std::string myname;       // the engine's own name, cut to kMaxName characters

    // Takes one pair and says whether the plug-in accepts it. Accepted: setboard, ping,
    // usermove, time, analyze, colors, myname, draw, reuse, done with any value, and sigint
    // and sigterm with 0. Everything else is rejected: san=1 (moves go as coordinates),
    // sigint=1 and sigterm=1 (no signals are sent), and every feature the plug-in has no use
    // for. colors=0 is honoured: an engine that asks for it may not know "white" and "black"
    // (HoiChess reading a pipe ends at them).
    bool take(const FeaturePair& pair);
};

} // namespace ferrule
