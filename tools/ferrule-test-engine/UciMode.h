#pragma once

namespace ferrule_test_engine {

// The test engine as a UCI engine: "uci" is answered with its names and "uciok", "isready"
// with "readyok"; "position startpos|fen ... [moves ...]" sets the position; "go" thinks in
// 100 ms steps with one "info" line each (depth, score, nodes, time, a legal main line) and
// ends with "bestmove" at the depth asked for, after a share of the clock, or on "stop"
// ("go infinite" and "go ponder" only then; "ponderhit" makes a ponder search a timed one).
// Returns the exit code once told "quit" or at the end of the input.
int runUci();

} // namespace ferrule_test_engine
