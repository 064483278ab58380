#include "BoardPictures.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QPainter>

namespace BoardPictures {

QString ProgramFile(const QString& relative) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + relative;
}

QString PieceSheetFile(const QString& pieceSet) {
    if (pieceSet == QLatin1String("Modern 1"))
        return ProgramFile(QStringLiteral("Images/modern1.bmp"));
    if (pieceSet == QLatin1String("Modern 2"))
        return ProgramFile(QStringLiteral("Images/modern2.bmp"));
    if (pieceSet == QLatin1String("Classic"))
        return ProgramFile(QStringLiteral("Images/classic.bmp"));
    return ProgramFile(QStringLiteral("Images/sharp.bmp"));
}

QString LightSquareFile(const QString& boardColours) {
    return ProgramFile(boardColours == QLatin1String("Sky Blue")
                           ? QStringLiteral("Images/lightsq1.bmp")
                           : QStringLiteral("Images/lightsq2.bmp"));
}

QString DarkSquareFile(const QString& boardColours) {
    return ProgramFile(boardColours == QLatin1String("Sky Blue")
                           ? QStringLiteral("Images/darksq1.bmp")
                           : QStringLiteral("Images/darksq2.bmp"));
}

QString BorderFile() {
    return ProgramFile(QStringLiteral("Images/border.bmp"));
}

const QPixmap& DragCursor() {
    static const QPixmap cursor(ProgramFile(QStringLiteral("Images/move.cur")));
    return cursor;
}

QVector<QImage> CutPieceSheet(const QImage& sheet) {
    QVector<QImage> cells;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 6; ++column) {
            QImage cell(kSquareSize, kSquareSize, QImage::Format_RGB32);
            cell.fill(Qt::white);
            if (!sheet.isNull()) {
                QPainter p(&cell);
                p.drawImage(
                    QPoint(0, 0), sheet,
                    QRect(kSquareSize * column, kSquareSize * row, kSquareSize, kSquareSize));
            }
            cells.append(cell);
        }
    }
    return cells;
}

QPixmap KeyedByBottomLeft(const QImage& picture) {
    if (picture.isNull())
        return {};
    return KeyedBy(picture, picture.pixel(0, picture.height() - 1));
}

QPixmap KeyedBy(const QImage& picture, QRgb key) {
    if (picture.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setMask(QBitmap::fromImage(picture.createMaskFromColor(key, Qt::MaskInColor)));
    return pixmap;
}

} // namespace BoardPictures
