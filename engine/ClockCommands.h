#pragma once

#include "game/Clock.h"

#include <QByteArray>

// What an engine is told of the game's clock, in each protocol. The times are read from
// the clock when called, rounded down, so an engine is never told it has more time than
// it has.

// xboard "level MPS BASE INC" for the first session of `control`: BASE in minutes, or
// "m:ss" when not a whole number of minutes; INC in whole seconds. With a line feed.
QByteArray XboardLevelCommand(const TimeControl& control);

// xboard "time" (the engine's own remaining time) and "otim" (its opponent's), in
// centiseconds, the engine being the clock's side to move; it is told `reserve` less than it
// has (never less than 0), as in UciClockWords. Two lines, each with its feed.
QByteArray XboardTimeCommands(const Clock& clock, ClockTime reserve = ClockTime{0});

// The time words of a UCI "go" for the clock's side to move: "wtime W btime B winc WI
// binc BI" in milliseconds, then "movestogo N" when a time control comes after N moves.
// The side to move is told `reserve` less than it has (never less than 0): the time its
// reply will take to reach the clock. Without a line feed.
QByteArray UciClockWords(const Clock& clock, ClockTime reserve = ClockTime{0});
