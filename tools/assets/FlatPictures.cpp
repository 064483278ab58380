#include "FlatPictures.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <random>

namespace {

constexpr int kSquare = 60;

int clampByte(int v) {
    return std::clamp(v, 0, 255);
}

} // namespace

QImage DrawSquare(const QColor& base, unsigned seed) {
    QImage square(kSquare, kSquare, QImage::Format_RGB32);
    std::mt19937 random(seed); // a fixed seed keeps the committed files stable
    std::uniform_int_distribution<int> grain(-4, 4);
    for (int y = 0; y < kSquare; ++y) {
        // A soft horizontal streak every few rows reads as fine wood or stone.
        const int streak = (y % 7 == 0) ? -3 : 0;
        for (int x = 0; x < kSquare; ++x) {
            const int d = grain(random) + streak;
            square.setPixelColor(x, y,
                                 QColor(clampByte(base.red() + d), clampByte(base.green() + d),
                                        clampByte(base.blue() + d)));
        }
    }
    return square;
}

QImage DrawBorder(const QColor& frame) {
    QImage border(kSquare, kSquare, QImage::Format_RGB32);
    border.fill(Qt::white);
    QPainter p(&border);
    // No antialiasing: a blended pixel would be neither the frame nor the transparent white.
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    QPainterPath ring;
    ring.addRect(0, 0, kSquare, kSquare);
    ring.addRect(3, 3, kSquare - 6, kSquare - 6);
    p.drawPath(ring);
    return border;
}

QImage DrawWorkspaceTile() {
    constexpr int kTile = 128;
    QImage tile(kTile, kTile, QImage::Format_RGB32);
    tile.fill(QColor(86, 98, 112));
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    // A faint chequer of diamonds; the tile repeats seamlessly because every shape is
    // placed on a 32-pixel grid that divides the tile.
    for (int y = 0; y < kTile; y += 32) {
        for (int x = 0; x < kTile; x += 32) {
            const bool lit = ((x + y) / 32) % 2 == 0;
            QPainterPath diamond;
            diamond.moveTo(x + 16, y + 2);
            diamond.lineTo(x + 30, y + 16);
            diamond.lineTo(x + 16, y + 30);
            diamond.lineTo(x + 2, y + 16);
            diamond.closeSubpath();
            p.fillPath(diamond, lit ? QColor(96, 109, 124) : QColor(80, 91, 104));
        }
    }
    return tile;
}

QImage DrawMoveCursor() {
    QImage cursor(32, 32, QImage::Format_ARGB32);
    cursor.fill(Qt::transparent);
    QPainter p(&cursor);
    QPainterPath arrows;
    // One arrow pointing up, turned four times about the centre.
    QPainterPath up;
    up.moveTo(16, 1);
    up.lineTo(21, 7);
    up.lineTo(18, 7);
    up.lineTo(18, 14);
    up.lineTo(14, 14);
    up.lineTo(14, 7);
    up.lineTo(11, 7);
    up.closeSubpath();
    for (int quarter = 0; quarter < 4; ++quarter) {
        QTransform turn;
        turn.translate(16, 16);
        turn.rotate(90 * quarter);
        turn.translate(-16, -16);
        arrows.addPath(turn.map(up));
    }
    arrows.addRect(14, 14, 4, 4);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPath(arrows.simplified());
    return cursor;
}
