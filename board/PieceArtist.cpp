#include "PieceArtist.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <vector>

namespace {

// Edge pixels weaker than this vanish; stronger ones are blended with a mid-grey, so that
// the edge reads well on light and dark squares alike and a sheet can key its background.
constexpr int kAlphaCut = 90;
const QColor kEdgeBlend(120, 120, 120);
constexpr int kSmallest = 8;
constexpr int kLargest = 1024;

// Marks the pixels inside the piece: everything that a flood from the cell's edge cannot
// reach through the outline's lines. Works whatever the direction of the contours and
// however the inner drawing is cut.
std::vector<bool> insideOf(const QImage& lines) {
    const int n = lines.width();
    std::vector<bool> outside(n * n, false);
    auto wall = [&](int x, int y) { return qAlpha(lines.pixel(x, y)) > 8; };
    std::vector<QPoint> todo;
    for (int i = 0; i < n; ++i)
        todo.insert(todo.end(), {{i, 0}, {i, n - 1}, {0, i}, {n - 1, i}});
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (p.x() < 0 || p.y() < 0 || p.x() >= n || p.y() >= n)
            continue;
        const int i = p.y() * n + p.x();
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

// The pixels within `reach` of the body in either direction (a square neighbourhood),
// spread along the rows and then along the columns.
std::vector<bool> grown(const std::vector<bool>& body, int n, int reach) {
    auto spread = [n, reach](const std::vector<bool>& from, int step, int lineStep) {
        std::vector<bool> to(from.size(), false);
        for (int line = 0; line < n; ++line) {
            int last = -kLargest; // the latest body pixel seen along this line
            for (int i = 0; i < n; ++i) {
                if (from[line * lineStep + i * step])
                    last = i;
                if (i - last <= reach)
                    to[line * lineStep + i * step] = true;
            }
            last = 2 * kLargest;
            for (int i = n - 1; i >= 0; --i) {
                if (from[line * lineStep + i * step])
                    last = i;
                if (last - i <= reach)
                    to[line * lineStep + i * step] = true;
            }
        }
        return to;
    };
    return spread(spread(body, 1, n), n, 1);
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

// Every pixel either left out or opaque: weak edge pixels go, the others are blended.
void settleEdges(QImage& piece) {
    for (int y = 0; y < piece.height(); ++y) {
        for (int x = 0; x < piece.width(); ++x) {
            const QColor c = piece.pixelColor(x, y);
            if (c.alpha() < kAlphaCut) {
                piece.setPixel(x, y, 0);
                continue;
            }
            const qreal a = c.alphaF();
            piece.setPixelColor(x, y,
                                QColor::fromRgbF(c.redF() * a + kEdgeBlend.redF() * (1 - a),
                                                 c.greenF() * a + kEdgeBlend.greenF() * (1 - a),
                                                 c.blueF() * a + kEdgeBlend.blueF() * (1 - a)));
        }
    }
}

} // namespace

QImage DrawPiece(const PieceOutlines& set, int kind, bool white, int pixels) {
    if (kind < 0 || kind >= 6 || pixels < kSmallest || pixels > kLargest)
        return {};
    const PieceStyle& style = set.style;
    const qreal scale = qreal(pixels) / PieceOutlines::kOutlineCell;
    const QPainterPath lines = QTransform::fromScale(scale, scale).map(set.shapes[kind]);

    QImage drawing(pixels, pixels, QImage::Format_ARGB32);
    drawing.fill(Qt::transparent);
    {
        QPainter p(&drawing);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(lines, white ? style.whiteLines : style.blackLines);
    }
    const std::vector<bool> inside = insideOf(drawing);
    const int reach = style.rimWidth > 0 ? std::max(1, qRound(style.rimWidth * scale)) : 0;
    const std::vector<bool> rim = reach > 0 ? grown(inside, pixels, reach) : inside;

    QImage shade(pixels, pixels, QImage::Format_ARGB32);
    {
        QPainter p(&shade);
        p.fillRect(shade.rect(), bodyBrush(style, white, lines.boundingRect()));
    }
    QImage cell(pixels, pixels, QImage::Format_ARGB32);
    cell.fill(Qt::transparent);
    for (int y = 0; y < pixels; ++y) {
        for (int x = 0; x < pixels; ++x) {
            if (inside[y * pixels + x])
                cell.setPixel(x, y, shade.pixel(x, y));
            else if (rim[y * pixels + x])
                cell.setPixelColor(x, y, style.whiteLines);
        }
    }
    {
        QPainter p(&cell);
        p.drawImage(0, 0, drawing);
    }
    settleEdges(cell);
    return cell;
}
