#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>

#include <array>

// How one piece set looks: the paint that turns a piece's outline into an outlined,
// shaded piece.
struct PieceStyle {
    QColor whiteLight;     // white pieces: lit side
    QColor whiteDark;      //               shaded side
    QColor blackLight;     // black pieces: lit side
    QColor blackDark;      //               shaded side
    QColor whiteLines;     // lines of white pieces, and the rim of every piece
    QColor blackLines;     // inner lines of black pieces
    int rimWidth = 1;      // dark rim round the piece, in pixels of a 60-pixel cell
    bool facetted = false; // hard light/shade split instead of a smooth gradient
    bool radial = false;   // light falls from the top left in a round spot
};

// A piece set as vector shapes: its style and the outlines of pawn, knight, bishop, rook,
// queen and king, each placed in a cell of kOutlineCell x kOutlineCell units.
struct PieceOutlines {
    static constexpr int kOutlineCell = 60;
    PieceStyle style;
    std::array<QPainterPath, 6> shapes;
};

// One piece drawn for a cell of `pixels` x `pixels`: the shaded body, the outline's
// drawing and a hard rim, on full transparency. Edge pixels are either left out or
// opaque, so that the piece looks the same on light and dark squares and as the cell of a
// piece sheet. `kind` 0..5 is pawn .. king. Returns a null image for a kind out of range
// or a size below 8 or above 1024 pixels.
QImage DrawPiece(const PieceOutlines& set, int kind, bool white, int pixels);
