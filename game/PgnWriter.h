#pragma once

#include "TimeControl.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Writes games as PGN in export format, so that any chess program reads them.

struct PgnExport {
    // Tag values by name. The Seven Tag Roster (Event, Site, Date, Round, White, Black,
    // Result) is always written first and in that order, "?" (or "????.??.??" for the
    // date) standing for a missing value; the other tags follow in the order given.
    std::vector<std::pair<std::string, std::string>> tags;
    std::string startFen;              // empty for the initial position, else SetUp and FEN
    std::vector<std::string> record;   // move record lines, as MakeMove writes them
    std::vector<std::string> comments; // per move, may be shorter than record
    // Per move, the mover's time left after it, written as a "[%clk h:mm:ss]" comment;
    // may be shorter than record.
    std::vector<std::optional<ClockTime>> clocks;
    std::string result = "*"; // "1-0", "0-1", "1/2-1/2" or "*"
};

// The game as PGN text: tags, a blank line, the moves in SAN with "+", "#", "=Q" and
// move numbers, the result, in lines shorter than 80 characters, each ended by "\n".
// Moves are replayed through the rules from the start position; the first record line
// that is not a legal move ends the movetext there.
std::string WritePgn(const PgnExport& game);

// The PGN result of a window title's result texts: the first one ended the game
// (" - (White Wins)" 1-0, " - (Black Wins)" 0-1, " - (Draw)" and " - (Stalemate)"
// 1/2-1/2); "*" when there is none.
std::string PgnResultOfTitle(const std::string& title);

// The value of the TimeControl tag for a game under `control`: its sessions joined by ":",
// each "moves/seconds" or, for the rest of the game, "seconds", with "+increment" when it
// has one ("300+3", "40/5400:1800+30"); "-" for a game without a clock.
std::string PgnTimeControl(const std::optional<TimeControl>& control);

// A time left as a "[%clk]" comment writes it: "h:mm:ss", whole seconds rounded down.
std::string PgnClockText(ClockTime remaining);
