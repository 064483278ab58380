#include "BoardMarks.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor kPickColour(20, 85, 30, 110);
const QColor kTargetColour(20, 85, 30, 90);
const QColor kCursorColour(30, 90, 220);
const QColor kCheckColour(220, 0, 0, 150);
const QColor kPremoveColour(40, 90, 200, 110);
const QColor kDroppedColour(200, 0, 0, 200);

} // namespace

BoardMarks::BoardMarks(QWidget* parent, std::function<QRect(int square)> squareRect)
    : QWidget(parent), m_squareRect(std::move(squareRect)) {
    setObjectName(QStringLiteral("BoardMarks"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(parent->rect());
}

void BoardMarks::SetPick(int square, std::vector<int> quiet, std::vector<int> captures) {
    m_picked = square;
    m_quiet = std::move(quiet);
    m_captures = std::move(captures);
    update();
}

void BoardMarks::SetCheck(int square) {
    if (square == m_check)
        return;
    m_check = square;
    update();
}

void BoardMarks::SetCursor(int square) {
    m_cursor = square;
    update();
}

void BoardMarks::SetPremove(int from, int to) {
    m_premoveFrom = from;
    m_premoveTo = to;
    update();
}

void BoardMarks::SetDroppedPremove(int from, int to) {
    m_droppedFrom = from;
    m_droppedTo = to;
    update();
}

QRect BoardMarks::Place(int square) const {
    return QRect(mapFromParent(m_squareRect(square).topLeft()), m_squareRect(square).size());
}

void BoardMarks::paintEvent(QPaintEvent*) {
    if (m_picked < 0 && m_check < 0 && m_cursor < 0 && m_premoveFrom < 0 && m_droppedFrom < 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int square : {m_premoveFrom, m_premoveTo}) {
        if (square >= 0)
            painter.fillRect(Place(square), kPremoveColour);
    }
    for (int square : {m_droppedFrom, m_droppedTo}) {
        if (square < 0)
            continue;
        // A cross over the square, as thick as the square is large.
        const QRectF place = QRectF(Place(square)).adjusted(4, 4, -4, -4);
        painter.setPen(QPen(kDroppedColour, std::max(2.0, place.width() / 12)));
        painter.drawLine(place.topLeft(), place.bottomRight());
        painter.drawLine(place.topRight(), place.bottomLeft());
        painter.setPen(Qt::NoPen);
    }
    if (m_check >= 0) {
        // A red glow under the king's feet that fades towards the square's edges.
        const QRectF place = Place(m_check);
        QRadialGradient glow(place.center(), place.width() / 2.0);
        glow.setColorAt(0.0, kCheckColour);
        glow.setColorAt(1.0, Qt::transparent);
        painter.fillRect(place, glow);
    }
    if (m_picked >= 0)
        painter.fillRect(Place(m_picked), kPickColour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTargetColour);
    for (int square : m_quiet) {
        const QRectF place = Place(square);
        const qreal radius = place.width() * 0.15;
        painter.drawEllipse(place.center(), radius, radius);
    }
    if (m_cursor >= 0) {
        painter.setPen(QPen(kCursorColour, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(Place(m_cursor)).adjusted(1.5, 1.5, -1.5, -1.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(kTargetColour);
    }
    for (int square : m_captures) {
        // A ring along the square's edge leaves the piece to be taken in sight.
        const QRectF place = Place(square);
        const qreal thickness = place.width() * 0.08;
        QPainterPath ring;
        ring.addEllipse(place);
        ring.addEllipse(place.adjusted(thickness, thickness, -thickness, -thickness));
        painter.drawPath(ring);
    }
}
