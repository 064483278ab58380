#pragma once

#include <QColor>
#include <QImage>

// A 60 x 60 square picture: the base colour with a faint, repeatable grain.
QImage DrawSquare(const QColor& base, unsigned seed);

// The last-move frame: a coloured ring on pure white, which the window treats as transparent.
QImage DrawBorder(const QColor& frame);

// The 128 x 128 tile that paints the main window's workspace.
QImage DrawWorkspaceTile();

// The 32 x 32 drag cursor: four arrows round a point; everything else transparent.
QImage DrawMoveCursor();
