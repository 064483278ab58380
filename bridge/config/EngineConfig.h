#pragma once

#include "InitFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace ferrule {

// The engine's configuration file, read when a connection opens. A missing file or key
// leaves flags clear and texts empty.
struct EngineConfig {
    bool analyzeMode = false;     // the engine knows "analyze"
    bool ponderMode = false;      // the host's ponder requests are passed on
    bool castleAndEP = false;     // send castling and en-passant lines with a set-up
    bool evaluationWhite = false; // scores come from White's point of view
    std::string commandLine;      // appended to the engine's command line
    std::string author;           // Eng6
    std::string engine;           // Eng7, and the console's title
    bool debug = false;           // echo the engine's output to the console
    bool logfile = false;         // write the dialogue to logfile.text

    static EngineConfig read(const InitFile& file);
};

// A flag is set when its value contains "true" in any case, even "untrue".
bool isFlagSet(std::string_view value);

// Splits a command-line text into words at blanks; double quotes group blanks into a word.
std::vector<std::string> splitCommandLine(std::string_view text);

} // namespace ferrule
