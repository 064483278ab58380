#pragma once

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
    std::string result = "*";          // "1-0", "0-1", "1/2-1/2" or "*"
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
