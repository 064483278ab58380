#include "PieceArtist.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRawFont>

#include <algorithm>
#include <vector>

namespace {

constexpr int kCell = 60;
constexpr qreal kPieceHeight = 52.0; // leaves a few pixels of the cell free around the piece
// Edge pixels weaker than this vanish into the key colour; stronger ones are blended
// with a mid-grey so that the keyed edge reads well on light and dark squares alike.
constexpr int kAlphaCut = 90;
const QColor kEdgeBlend(120, 120, 120);

// Glyph order of the cell columns: pawn, knight, bishop / rook, queen, king.
// The outlined glyphs U+2654 (king) .. U+2659 (pawn) carry both the contour and the inner
// drawing; the solid glyphs are not used, as some fonts cut the inner drawing out of them.
constexpr char16_t kOutlineGlyph[6] = {0x2659, 0x2658, 0x2657, 0x2656, 0x2655, 0x2654};

QPainterPath glyphPath(const QRawFont& font, char16_t code) {
    QList<quint32> indexes = font.glyphIndexesForString(QString(QChar(code)));
    if (indexes.isEmpty() || indexes.first() == 0)
        return {};
    return font.pathForGlyph(indexes.first());
}

// Marks the pixels inside the piece: everything that a flood from the cell's edge cannot
// reach through the glyph's lines. Works for any font, whatever the direction of its contours
// and however its inner drawing is cut.
std::vector<bool> insideOf(const QImage& lines) {
    std::vector<bool> outside(kCell * kCell, false);
    auto wall = [&](int x, int y) { return qAlpha(lines.pixel(x, y)) > 8; };
    std::vector<QPoint> todo;
    for (int i = 0; i < kCell; ++i)
        todo.insert(todo.end(), {{i, 0}, {i, kCell - 1}, {0, i}, {kCell - 1, i}});
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (p.x() < 0 || p.y() < 0 || p.x() >= kCell || p.y() >= kCell)
            continue;
        const int i = p.y() * kCell + p.x();
        if (outside[i] || wall(p.x(), p.y()))
            continue;
        outside[i] = true;
        todo.insert(
            todo.end(),
            {{p.x() + 1, p.y()}, {p.x() - 1, p.y()}, {p.x(), p.y() + 1}, {p.x(), p.y() - 1}});
    }
    std::vector<bool> inside(outside.size());
    for (size_t i = 0; i < outside.size(); ++i)
        inside[i] = !outside[i];
    return inside;
}

bool nearBody(const std::vector<bool>& inside, int x, int y, int reach) {
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const int nx = x + dx;
            const int ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < kCell && ny < kCell && inside[ny * kCell + nx])
                return true;
        }
    }
    return false;
}

QBrush bodyBrush(const PieceStyle& style, bool white, const QRectF& box) {
    const QColor light = white ? style.whiteLight : style.blackLight;
    const QColor dark = white ? style.whiteDark : style.blackDark;
    if (style.radial) {
        QRadialGradient g(box.left() + box.width() * 0.35, box.top() + box.height() * 0.3,
                          box.height() * 0.85);
        g.setColorAt(0, light);
        g.setColorAt(1, dark);
        return g;
    }
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, light);
    if (style.facetted) {
        g.setColorAt(0.49, light);
        g.setColorAt(0.51, dark);
    }
    g.setColorAt(1, dark);
    return g;
}

// Paints one piece on a transparent cell: shaded body, the glyph's drawing, a hard rim.
QImage drawPiece(const PieceStyle& style, const QRawFont& font, int column, bool white) {
    const QPainterPath glyph = glyphPath(font, kOutlineGlyph[column]);
    const QRectF box = glyph.boundingRect();
    const qreal scale = std::min(kPieceHeight / box.height(), kPieceHeight / box.width());
    QTransform place;
    place.translate(kCell / 2.0, kCell / 2.0 + 1);
    place.scale(scale, scale);
    place.translate(-box.center().x(), -box.center().y());
    const QPainterPath lines = place.map(glyph);

    QImage drawing(kCell, kCell, QImage::Format_ARGB32);
    drawing.fill(Qt::transparent);
    {
        QPainter p(&drawing);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(lines, white ? style.whiteLines : style.blackLines);
    }
    const std::vector<bool> inside = insideOf(drawing);

    QImage shade(kCell, kCell, QImage::Format_ARGB32);
    {
        QPainter p(&shade);
        p.fillRect(shade.rect(), bodyBrush(style, white, lines.boundingRect()));
    }
    QImage cell(kCell, kCell, QImage::Format_ARGB32);
    cell.fill(Qt::transparent);
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            if (inside[y * kCell + x])
                cell.setPixel(x, y, shade.pixel(x, y));
            else if (nearBody(inside, x, y, style.rimWidth))
                cell.setPixelColor(x, y, style.whiteLines);
        }
    }
    QPainter p(&cell);
    p.drawImage(0, 0, drawing);
    return cell;
}

// Puts an antialiased piece on the key colour without leaving a fringe of it.
void keyOnto(QImage& sheet, const QImage& piece, int x0, int y0) {
    const QImage argb = piece.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            const QColor c = argb.pixelColor(x, y);
            if (c.alpha() < kAlphaCut)
                continue;
            const qreal a = c.alphaF();
            const QColor mixed = QColor::fromRgbF(c.redF() * a + kEdgeBlend.redF() * (1 - a),
                                                  c.greenF() * a + kEdgeBlend.greenF() * (1 - a),
                                                  c.blueF() * a + kEdgeBlend.blueF() * (1 - a));
            sheet.setPixelColor(x0 + x, y0 + y, mixed);
        }
    }
}

} // namespace

QImage DrawPieceSheet(const PieceStyle& style) {
    const QRawFont font(style.fontFile, 200);
    if (!font.isValid() || !font.supportsCharacter(QChar(0x2654)) ||
        !font.supportsCharacter(QChar(0x2659)))
        return {};
    QImage sheet(6 * kCell, 2 * kCell, QImage::Format_RGB32);
    sheet.fill(kSheetBackground);
    for (int row = 0; row < 2; ++row) {
        for (int kind = 0; kind < 3; ++kind) {
            for (int colour = 0; colour < 2; ++colour) {
                const int column = 2 * kind + colour;
                const QImage piece = drawPiece(style, font, 3 * row + kind, colour == 0);
                keyOnto(sheet, piece, kCell * column, kCell * row);
            }
        }
    }
    return sheet;
}
