#include "CursorFile.h"

#include <QDataStream>
#include <QFile>

bool WriteCursorFile(const QString& path, const QImage& image, int hotX, int hotY) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    const int maskStride = ((w + 31) / 32) * 4; // 1-bit rows padded to 32 bits
    const quint32 bitmapBytes = 40 + w * h * 4 + maskStride * h;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    // Directory: reserved, type 2 (cursor), one image.
    out << quint16(0) << quint16(2) << quint16(1);
    // Entry: size, colour count, reserved, hot spot, data size and offset.
    out << quint8(w) << quint8(h) << quint8(0) << quint8(0) << quint16(hotX) << quint16(hotY)
        << bitmapBytes << quint32(6 + 16);
    // Device-independent bitmap header; the height counts the colour and the mask rows.
    out << quint32(40) << qint32(w) << qint32(2 * h) << quint16(1) << quint16(32) << quint32(0)
        << quint32(w * h * 4 + maskStride * h) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);
    for (int y = h - 1; y >= 0; --y) { // rows are stored bottom-up
        for (int x = 0; x < w; ++x) {
            const QRgb c = argb.pixel(x, y);
            const bool opaque = qAlpha(c) >= 128;
            out << quint8(opaque ? qBlue(c) : 0) << quint8(opaque ? qGreen(c) : 0)
                << quint8(opaque ? qRed(c) : 0) << quint8(opaque ? 255 : 0);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(argb.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.writeRawData(row.constData(), row.size());
    }
    return out.status() == QDataStream::Ok && file.flush();
}
