#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A span of clock time; the clock counts in microseconds so that no sum of moves rounds.
using ClockTime = std::chrono::microseconds;

// One period of a time control: `moves` moves in `base` time, each move adding
// `increment`; `moves` 0 means the rest of the game.
struct TimeSession {
    int moves = 0;
    ClockTime base{0};
    ClockTime increment{0};

    bool operator==(const TimeSession&) const = default;
};

// The sessions of a game in order. The last one lasts to the end: when it counts
// moves it starts again each time they are played ("40/90" gives 90 minutes for every 40).
struct TimeControl {
    std::vector<TimeSession> sessions;

    // The canonical text, which ParseTimeControl reads back: "5+3", "40/90", "40/90,30+30".
    std::string Text() const;
    // The session that holds a side's move number `move` (1 for its first move).
    const TimeSession& SessionOf(int move) const;
    // The move number after which the session holding `move` ends, 0 for never.
    int ControlAfter(int move) const;

    bool operator==(const TimeControl&) const = default;
};

// The result of reading a typed time control: the control, or the reason it was refused.
struct ParsedTimeControl {
    std::optional<TimeControl> control;
    std::string error;
};

// Reads "minutes+seconds" ("5+3", "0.5+0", "90+30"), "moves/minutes" with an optional
// "+seconds" ("40/90"), or such sessions joined by commas ("40/90,30+30"). Minutes and
// seconds may carry up to three decimals. Only the last session may omit the move count.
// Anything else is refused with a reason a person can act on; blanks around parts are
// allowed.
ParsedTimeControl ParseTimeControl(std::string_view text);
