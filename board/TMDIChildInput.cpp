// Moving a piece with the mouse: the pick-up test, the drag, the drop, the board menu
// and the promotion question; and the chat line.
#include "TMDIChild.h"

#include "BoardPictures.h"
#include "Promotion.h"

#include <QCursor>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>

#include "game/Square.h"

#include <algorithm>

namespace {

constexpr QPoint kHotSpot(30, 30);

} // namespace

void TMDIChild::xyMouseDown(QLabel* sender, Qt::MouseButtons buttons) {
    // A press while a drag or the promotion question of this window is under way would
    // start a second move inside the first one.
    if (!sender || m_dragging || m_askingPromotion)
        return;
    const std::string square = sender->objectName().toStdString();
    if (SquareIndex(square) < 0)
        return;
    if (buttons & Qt::LeftButton) {
        BoardModel& model = m_game.Model();
        const int live = m_game.LivePosition();
        if (!model.IsOccupied(square) || m_shownPosition != live || model.finished) {
            ShowPosition(live);
            return;
        }
        const std::uint8_t colour = model.At(square).piece.white;
        const bool engineOwns = EngineAttached() && colour == model.engineColour;
        const bool peerOwns = m_peerColour && colour != *m_peerColour;
        if (colour == model.sideMarker || engineOwns || peerOwns)
            return;
        model.dragSource = square;
        xyStartDrag(sender);
    } else if (buttons & Qt::RightButton) {
        m_popupBoard->popup(QCursor::pos());
    }
}

void TMDIChild::xyStartDrag(QLabel* sender) {
    const TPiece& piece = m_game.Model().At(m_game.Model().dragSource).piece;
    // The drag's source object is the square image it started on: a drop can then tell a
    // drag of this window from one of another window.
    auto* drag = new QDrag(sender);
    auto* data = new QMimeData;
    data->setData(QStringLiteral("application/x-rookvale-square"),
                  QByteArray::fromStdString(m_game.Model().dragSource));
    drag->setMimeData(data);
    drag->setPixmap(m_imageList2.value(PieceEntryOf(piece.kind, piece.white)));
    drag->setHotSpot(kHotSpot);
    if (const QPixmap& cursor = BoardPictures::DragCursor(); !cursor.isNull())
        drag->setDragCursor(cursor, Qt::MoveAction);
    m_dragging = true;
    drag->exec(Qt::MoveAction);
    m_dragging = false;
}

bool TMDIChild::xyDragOver(const QObject* source) const {
    return std::find(m_squareImages.begin(), m_squareImages.end(), source) != m_squareImages.end();
}

bool TMDIChild::xyDragDrop(QLabel* target, const QObject* source) {
    // Only this window's own drag carries this window's drag source; a drop from anywhere
    // else would replay a stale one. No drop is taken while the promotion question is open.
    if (!target || !xyDragOver(source) || m_askingPromotion)
        return false;
    BoardModel& model = m_game.Model();
    if (model.finished)
        return false;
    const std::string to = target->objectName().toStdString();
    const std::string from = model.dragSource;
    if (from.empty() || from == to)
        return false;
    // The letter passed on below is this move's only, never one of an earlier move.
    model.promotionLetter.clear();
    if (!m_game.MakeMove(from, to))
        return false;
    SendMoveToEngine(from, to);
    emit userMoved(QString::fromStdString(from), QString::fromStdString(to),
                   QString::fromStdString(model.promotionLetter));
    model.promotionLetter.clear();
    return true;
}

std::string TMDIChild::AskPromotion() {
    m_askingPromotion = true;
    const QString choice = TPromotionForm::Instance().Ask(this);
    m_askingPromotion = false;
    return choice.toStdString();
}

void TMDIChild::Edit1KeyPress() {
    const QString text = m_edit->text();
    m_edit->clear();
    emit chatEntered(text);
}

void TMDIChild::AddChatLine(const QString& text) {
    // A peer's line may be 64 KiB long, and laying out thousands of those on the user
    // interface thread took seconds and hundreds of megabytes.
    if (text.size() <= kChatLineShown) {
        m_memo->appendPlainText(text);
        return;
    }
    qsizetype shown = kChatLineShown;
    if (text.at(shown - 1).isHighSurrogate())
        --shown;
    m_memo->appendPlainText(text.left(shown) + QStringLiteral("…"));
}
