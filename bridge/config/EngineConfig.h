#pragma once

#include "InitFile.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ferrule {

// The protocol the engine speaks: xboard unless the configuration says otherwise; "auto"
// asks the engine "uci" when the connection opens and goes by its answer.
enum class Protocol { kXboard, kUci, kAuto };

// The engine's configuration file, read when a connection opens. A missing file or key
// leaves flags clear and texts empty.
struct EngineConfig {
    bool analyzeMode = false;              // the engine knows "analyze"
    bool ponderMode = false;               // the host's ponder requests are passed on
    bool castleAndEP = false;              // send castling and en-passant lines with a set-up
    bool evaluationWhite = false;          // scores come from White's point of view
    std::string commandLine;               // appended to the engine's command line
    std::string author;                    // Eng6
    std::string engine;                    // Eng7, and the console's title
    bool debug = false;                    // echo the engine's output to the console
    bool logfile = false;                  // write the dialogue to logfile.text
    Protocol protocol = Protocol::kXboard; // [Parameter] Protocol: xboard, uci or auto
    bool startNudge = false;               // [Parameter] StartNudge: see XboardDialogue
    // [Options]: each key and value, in order, sent to a UCI engine as "setoption".
    std::vector<std::pair<std::string, std::string>> options;

    static EngineConfig read(const InitFile& file);
};

// "uci" and "auto" in any case; anything else, or nothing, is xboard.
Protocol readProtocol(std::string_view value);

// A flag is set when its value contains "true" in any case, even "untrue".
bool isFlagSet(std::string_view value);

// Splits a command-line text into words at blanks; double quotes group blanks into a word.
std::vector<std::string> splitCommandLine(std::string_view text);

} // namespace ferrule
