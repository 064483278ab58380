#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QVector>

// The picture files of the game window and how they are cut and made transparent.
// Every path is relative to the program's folder (BoardSettings::ProgramFolder).
namespace BoardPictures {

constexpr int kSquareSize = 60;
constexpr int kPieceImages = 12;

// The full path of a file named relative to the program's folder ("Images/border.bmp").
QString ProgramFile(const QString& relative);

// The piece sheet of a piece-set name; "Sharp" for any name not known.
QString PieceSheetFile(const QString& pieceSet);
// The vector outlines of the same set, beside its sheet ("Images/modern2.pieces").
QString PieceOutlineFile(const QString& pieceSet);

// The cut cells of a piece sheet file (CutPieceSheet), decoded once for the whole program
// while the file stays as it is.
QVector<QImage> PieceSheetCells(const QString& file);

// The twelve piece pictures of a set for squares of `pixels` x `pixels` on a screen of
// `ratio` device pixels per pixel, by piece image index, transparent around the pieces.
// At 60 pixels and a ratio of 1 they are the sheet's cells; at any other size they are
// drawn from the set's outlines, or, when those cannot be read, the cells scaled.
// Shared by every window that asks for the same set and size.
QVector<QPixmap> PiecePictures(const QString& pieceSet, int pixels, qreal ratio);

// A square picture (a board colour, the last-move frame) for squares of `pixels` on a
// screen of `ratio`: the picture itself at 60 pixels and a ratio of 1, else scaled, with
// smoothing for textures and without it for flat drawings whose edges must stay hard.
QPixmap SquarePicture(const QPixmap& picture, int pixels, qreal ratio, bool smooth);
// The light and dark square pictures of a board-colour name; "Best Green" for any other name.
QString LightSquareFile(const QString& boardColours);
QString DarkSquareFile(const QString& boardColours);
QString BorderFile();

// The program's drag cursor from "Images/move.cur", loaded once; null when it cannot be
// read, and then the standard drag cursor stays.
const QPixmap& DragCursor();

// Cuts a piece sheet into its twelve 60 x 60 cells, row by row. A missing or smaller
// sheet leaves the missing parts blank (white), which shows as fully transparent.
QVector<QImage> CutPieceSheet(const QImage& sheet);

// The picture drawn transparently: every pixel of the colour of its bottom-left pixel
// is left out.
QPixmap KeyedByBottomLeft(const QImage& picture);
// The picture with every pixel of the colour `key` left out.
QPixmap KeyedBy(const QImage& picture, QRgb key);

} // namespace BoardPictures
