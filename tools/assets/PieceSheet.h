#pragma once

#include "board/PieceArtist.h"

#include <QImage>
#include <QString>

#include <optional>

// The colour every piece sheet leaves around its pieces; the game window keys it out.
inline const QColor kSheetBackground(255, 0, 255);

// The outlines of a set whose shapes are the chess glyphs U+2654..U+2659 of a TrueType
// font, each scaled to stand 52 units high in its 60-unit cell. Returns nothing when the
// font cannot be read or lacks the glyphs.
std::optional<PieceOutlines> OutlinesFromFont(const QString& fontFile, const PieceStyle& style);

// Draws a 360 x 120 piece sheet: row 0 white pawn, black pawn, white knight, black knight,
// white bishop, black bishop; row 1 the rooks, queens and kings in the same colour order.
QImage DrawPieceSheet(const PieceOutlines& set);
