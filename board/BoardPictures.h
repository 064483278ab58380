#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QVector>

// The picture files of the game window and how they are cut and made transparent.
// Every path is relative to the folder of the program's executable.
namespace BoardPictures {

constexpr int kSquareSize = 60;
constexpr int kPieceImages = 12;

// The full path of a file named relative to the program's folder ("Images/border.bmp").
QString ProgramFile(const QString& relative);

// The piece sheet of a piece-set name; "Sharp" for any name not known.
QString PieceSheetFile(const QString& pieceSet);
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
