#include "BoardPictures.h"

#include "BoardSettings.h"
#include "PieceOutlineFile.h"

#include <QBitmap>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace BoardPictures {

QString ProgramFile(const QString& relative) {
    return BoardSettings::Current().ProgramFolder() + QLatin1Char('/') + relative;
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

QString PieceOutlineFile(const QString& pieceSet) {
    QString file = PieceSheetFile(pieceSet);
    file.chop(4); // ".bmp"
    return file + QStringLiteral(".pieces");
}

namespace {

// What a file was when it was read: a changed file is read again.
QString fileStamp(const QString& file) {
    const QFileInfo info(file);
    return file + QLatin1Char('|') + QString::number(info.size()) + QLatin1Char('|') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

std::optional<PieceOutlines> outlinesOf(const QString& file) {
    static QHash<QString, std::optional<PieceOutlines>> read;
    const QString stamp = fileStamp(file);
    auto found = read.constFind(stamp);
    if (found == read.constEnd())
        found = read.insert(stamp, ReadPieceOutlines(file));
    return *found;
}

constexpr int kPiecePictureSizesKept = 8;

} // namespace

QVector<QImage> PieceSheetCells(const QString& file) {
    static QHash<QString, QVector<QImage>> cut;
    const QString stamp = fileStamp(file);
    auto found = cut.constFind(stamp);
    if (found == cut.constEnd())
        found = cut.insert(stamp, CutPieceSheet(QImage(file)));
    return *found;
}

QVector<QPixmap> PiecePictures(const QString& pieceSet, int pixels, qreal ratio) {
    const int devicePixels = qRound(pixels * ratio);
    const QString sheet = PieceSheetFile(pieceSet);
    const QString outline = PieceOutlineFile(pieceSet);
    const QString key = fileStamp(sheet) + QLatin1Char('|') + fileStamp(outline) +
                        QLatin1Char('|') + QString::number(devicePixels) + QLatin1Char('|') +
                        QString::number(ratio);
    // A few sizes are kept: a window being resized asks for many in turn.
    static QList<std::pair<QString, QVector<QPixmap>>> kept;
    for (const auto& [known, pictures] : std::as_const(kept)) {
        if (known == key)
            return pictures;
    }
    QVector<QPixmap> pictures;
    const QVector<QImage> cells = PieceSheetCells(sheet);
    const std::optional<PieceOutlines> set =
        pixels == kSquareSize && ratio == 1.0 ? std::nullopt : outlinesOf(outline);
    for (int i = 0; i < kPieceImages; ++i) {
        QPixmap picture;
        if (set) {
            // Image i is kind i / 2, white for even i.
            picture = QPixmap::fromImage(DrawPiece(*set, i / 2, i % 2 == 0, devicePixels));
        } else {
            picture = KeyedByBottomLeft(cells.value(i));
            if (devicePixels != kSquareSize)
                picture = picture.scaled(devicePixels, devicePixels, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
        }
        picture.setDevicePixelRatio(ratio);
        pictures.append(picture);
    }
    if (kept.size() >= kPiecePictureSizesKept)
        kept.removeFirst();
    kept.append({key, pictures});
    return pictures;
}

QPixmap SquarePicture(const QPixmap& picture, int pixels, qreal ratio, bool smooth) {
    const int devicePixels = qRound(pixels * ratio);
    if (picture.isNull() || (devicePixels == picture.width() && ratio == 1.0))
        return picture;
    QPixmap scaled = picture.scaled(devicePixels, devicePixels, Qt::IgnoreAspectRatio,
                                    smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
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
