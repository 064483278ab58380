#pragma once

#include "PieceArtist.h"

#include <QString>

#include <optional>

// The file that carries a piece set's vector shapes beside its piece sheet, so that the
// game window can draw the pieces at any size. Text, one command a line:
//   rookvale-piece-outlines 1
//   style #rrggbb x6 (white light, white dark, black light, black dark, white lines,
//         black lines) rim-width facetted(0/1) radial(0/1)
//   piece KIND(0..5) winding|oddeven
//   m X Y | l X Y | c X1 Y1 X2 Y2 X Y          (move, line, cubic curve)
//   end
// with one piece block for each of the six kinds.

// Writes `set`; returns false when the file cannot be written.
bool WritePieceOutlines(const PieceOutlines& set, const QString& path);

// Reads a file written by WritePieceOutlines. Returns nothing for a missing, oversized or
// malformed file: a wrong header, an unknown command, a number that is not finite or lies
// far outside the cell, a kind given twice or missing, or a piece of too many commands.
std::optional<PieceOutlines> ReadPieceOutlines(const QString& path);
