#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// How one piece set looks: the font whose chess glyphs give the shapes, and the paint
// that turns a glyph into an outlined, shaded piece.
struct PieceStyle {
    QString fontFile;      // a TrueType file with the glyphs U+2654..U+265F
    QColor whiteLight;     // white pieces: lit side
    QColor whiteDark;      //               shaded side
    QColor blackLight;     // black pieces: lit side
    QColor blackDark;      //               shaded side
    QColor whiteLines;     // lines of white pieces, and the rim of every piece
    QColor blackLines;     // inner lines of black pieces
    int rimWidth = 1;      // dark rim round the piece, in pixels
    bool facetted = false; // hard light/shade split instead of a smooth gradient
    bool radial = false;   // light falls from the top left in a round spot
};

// The colour every piece sheet leaves around its pieces; the game window keys it out.
inline const QColor kSheetBackground(255, 0, 255);

// Draws a 360 x 120 piece sheet: row 0 white pawn, black pawn, white knight, black knight,
// white bishop, black bishop; row 1 the rooks, queens and kings in the same colour order.
// Returns a null image when the font cannot be read or lacks the chess glyphs.
QImage DrawPieceSheet(const PieceStyle& style);
