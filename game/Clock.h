#pragma once

#include "TimeControl.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where the clock reads the time: a monotonic source, so that a change of the wall-clock
// time never moves a game's clocks. Tests give it a hand-driven one.
class TimeSource {
public:
    virtual ~TimeSource() = default;
    // Monotonic time since an arbitrary fixed start.
    virtual ClockTime Now() const = 0;
};

// The process's steady clock.
class SteadyTimeSource : public TimeSource {
public:
    ClockTime Now() const override;
};

// The chess clock of one game: two remaining times under one time control, as plain
// arithmetic on a time source. White moves first. The first move of each side is not
// timed: White's clock starts when Black has made its first move. After every timed move
// the mover's increment is added; a side that completes the last move of a session gets
// the next session's time. A side's remaining time is always the time it had when its
// turn began minus the time since then, read afresh from the source, so the clock cannot
// drift however often or late anyone looks at it.
//
// Not thread-safe; the time source must outlive the clock.
class Clock {
public:
    // A clock for a game in which `halfMovesPlayed` half-moves were made without one: the
    // side to move follows from the count, each side has the time of the session its next
    // move belongs to, and only a side that has not moved yet has an untimed first move.
    Clock(const TimeControl& control, const TimeSource& source, int halfMovesPlayed = 0);

    const TimeControl& Control() const { return m_control; }

    // The side to move has moved; the other side's turn begins. Returns false, and stops
    // the clock with the mover's flag fallen, when the mover's time had already run out.
    // Does nothing and returns false on a stopped clock.
    bool MoveMade();

    // The time left to a side (1 White, 0 Black) now; 0 once it has run out, never less.
    ClockTime Remaining(std::uint8_t white) const;
    // The colour whose turn it is on the clock.
    std::uint8_t SideToMove() const { return m_sideToMove; }
    // Whether the side to move's time is running (its first move is not timed).
    bool Running() const;
    // The side whose time has run out, read now; stays so once it has happened.
    std::optional<std::uint8_t> Flagged() const;
    // Moves a side has still to make before its next time control, counting the one it is
    // about to make; 0 when its session lasts to the end of the game.
    int MovesToGo(std::uint8_t white) const;
    // The increment of the session a side's next move belongs to.
    ClockTime Increment(std::uint8_t white) const;

    // Freezes both times as they are now (the game has ended). Flagged() still reports a
    // flag that had fallen by then.
    void Stop();
    bool Stopped() const { return m_stopped; }
    // Runs a stopped clock on from where it stopped, the stopped time not counted: the end
    // of the game was taken back. A clock whose flag had fallen stays stopped; returns
    // whether the clock runs now.
    bool Resume();

    // A move was taken back: the side to move is charged the time it has used so far, and
    // the other side is on move again with the time it had before that move: the time the
    // move took, its increment and any session time it earned are given back, and its move
    // count goes back by one. A move made before this clock started has nothing to give
    // back; its side just counts one move less. Does nothing on a stopped clock.
    void TakeBack();

    // Sets a side's time to what its own clock says (a peer's clock is the truth for its
    // own time): the side has `remaining` from now on, at least 0. A side on move has its
    // turn counted afresh from now. A clock stopped by that side's flag runs again when the
    // time given is above zero, the side having moved in time after all; a clock stopped
    // for any other reason stays stopped.
    void SetRemaining(std::uint8_t white, ClockTime remaining);

private:
    struct Side {
        ClockTime remaining{0}; // at the start of the current turn
        int movesMade = 0;
    };

    Side& SideOf(std::uint8_t white) { return m_sides[white ? 1 : 0]; }
    const Side& SideOf(std::uint8_t white) const { return m_sides[white ? 1 : 0]; }
    ClockTime Elapsed() const;

    TimeControl m_control;
    const TimeSource* m_source;
    Side m_sides[2];
    std::vector<Side> m_movers; // each mover's side as it was before its move, in order
    std::uint8_t m_sideToMove = 1;
    ClockTime m_turnStart{0};
    bool m_stopped = false;
    ClockTime m_stoppedAt{0};
};

// A remaining time as a clock face shows it: "m:ss" (minutes may pass 59: "90:00"), and
// below ten seconds with tenths, "0:09.4". Always rounded down, so that "0:00.0" shows
// only when the time has run out or is about to within a tenth.
std::string ClockText(ClockTime remaining);
