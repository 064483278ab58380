#include "PieceSheet.h"

#include <QPainter>
#include <QRawFont>

#include <algorithm>

namespace {

constexpr int kCell = PieceOutlines::kOutlineCell;
constexpr qreal kPieceHeight = 52.0; // leaves a few pixels of the cell free around the piece

// Glyph order of the kinds: pawn, knight, bishop, rook, queen, king. The outlined glyphs
// carry both the contour and the inner drawing; the solid glyphs are not used, as some
// fonts cut the inner drawing out of them.
constexpr char16_t kOutlineGlyph[6] = {0x2659, 0x2658, 0x2657, 0x2656, 0x2655, 0x2654};

QPainterPath glyphPath(const QRawFont& font, char16_t code) {
    QList<quint32> indexes = font.glyphIndexesForString(QString(QChar(code)));
    if (indexes.isEmpty() || indexes.first() == 0)
        return {};
    return font.pathForGlyph(indexes.first());
}

} // namespace

std::optional<PieceOutlines> OutlinesFromFont(const QString& fontFile, const PieceStyle& style) {
    const QRawFont font(fontFile, 200);
    if (!font.isValid() || !font.supportsCharacter(QChar(0x2654)) ||
        !font.supportsCharacter(QChar(0x2659)))
        return std::nullopt;
    PieceOutlines set;
    set.style = style;
    for (int kind = 0; kind < 6; ++kind) {
        const QPainterPath glyph = glyphPath(font, kOutlineGlyph[kind]);
        const QRectF box = glyph.boundingRect();
        if (box.isEmpty())
            return std::nullopt;
        const qreal scale = std::min(kPieceHeight / box.height(), kPieceHeight / box.width());
        QTransform place;
        place.translate(kCell / 2.0, kCell / 2.0 + 1);
        place.scale(scale, scale);
        place.translate(-box.center().x(), -box.center().y());
        set.shapes[kind] = place.map(glyph);
    }
    return set;
}

QImage DrawPieceSheet(const PieceOutlines& set) {
    QImage sheet(6 * kCell, 2 * kCell, QImage::Format_RGB32);
    sheet.fill(kSheetBackground);
    QPainter p(&sheet);
    for (int row = 0; row < 2; ++row) {
        for (int kind = 0; kind < 3; ++kind) {
            for (int colour = 0; colour < 2; ++colour) {
                const int column = 2 * kind + colour;
                p.drawImage(kCell * column, kCell * row,
                            DrawPiece(set, 3 * row + kind, colour == 0, kCell));
            }
        }
    }
    return sheet;
}
