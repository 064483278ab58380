// Moving a piece with the mouse: the pick-up test, the drag, the drop, the board menu
// and the promotion question; and the chat line.
#include "TMDIChild.h"

#include "BoardMarks.h"
#include "BoardPictures.h"
#include "BoardSettings.h"
#include "MoveHints.h"
#include "NextTurnPosition.h"
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

void TMDIChild::xyMouseDown(QLabel* sender, Qt::MouseButtons buttons) {
    // A press while a drag or the promotion question of this window is under way would
    // start a second move inside the first one.
    if (!sender || m_dragging || m_askingPromotion)
        return;
    const std::string square = sender->objectName().toStdString();
    const int index = SquareIndex(square);
    if (index < 0)
        return;
    if (buttons & Qt::LeftButton) {
        const int picked = m_marks->Picked();
        m_pressed = -1;
        const bool mayPick = MayPickUp(square) || MayPremove(square);
        if (picked >= 0 && picked != index && !mayPick) {
            // The second click of a click-click move; one that goes nowhere drops the pick.
            CancelPick();
            UserMove(SquareName(picked), square);
            return;
        }
        BoardModel& model = m_game.Model();
        const int live = m_game.LivePosition();
        if (!model.IsOccupied(square) || m_shownPosition != live || model.finished) {
            CancelPick();
            ShowPosition(live);
            return;
        }
        if (!mayPick) {
            CancelPick();
            return;
        }
        model.dragSource = square;
        m_pressed = index;
        m_pressOnPicked = picked == index;
        MarkTargetsOf(index);
    } else if (buttons & Qt::RightButton) {
        // The right button takes back a premove, or one being entered, before anything else.
        if (m_premoveFrom >= 0 || (m_marks->Picked() >= 0 && MayPremove(PickedSquare()))) {
            CancelPick();
            CancelPremove();
            return;
        }
        m_popupBoard->popup(QCursor::pos());
    }
}

bool TMDIChild::MayPickUp(const std::string& square) const {
    const BoardModel& model = m_game.Model();
    if (!model.IsOccupied(square) || m_shownPosition != m_game.LivePosition() || model.finished ||
        m_peerGameHeld)
        return false;
    // The side marker holds the colour that moved last: only the side to move qualifies.
    const std::uint8_t colour = model.At(square).piece.white;
    const bool engineOwns = EngineAttached() && colour == model.engineColour;
    const bool peerOwns = m_peerColour && colour != *m_peerColour;
    return colour != model.sideMarker && !engineOwns && !peerOwns;
}

void TMDIChild::xyMouseMove(QLabel*) {
    // The drag starts with the pointer's first motion, so that a press and a release in
    // one place are a click.
    if (m_pressed < 0 || m_dragging)
        return;
    QLabel* source = m_squareImages[m_pressed];
    m_pressed = -1;
    xyStartDrag(source);
}

void TMDIChild::xyMouseUp(QLabel*) {
    if (m_pressed < 0)
        return;
    m_pressed = -1;
    if (m_pressOnPicked)
        CancelPick(); // the second click on the picked piece puts it back
}

void TMDIChild::CancelPick() {
    m_pressed = -1;
    m_marks->ClearPick();
}

void TMDIChild::MarkTargetsOf(int square) {
    std::vector<int> quiet;
    std::vector<int> captures;
    if (BoardSettings::Current().ShowLegalTargets()) {
        // A piece picked for a premove shows where it could go on the user's next turn.
        const std::vector<int> targets =
            MayPremove(SquareName(square))
                ? NextTurnPosition(m_game, *UserColour()).TargetsOf(square)
                : LegalTargetSquares(m_game, square);
        for (int target : targets)
            (m_game.Model().board[target].piece.IsEmpty() ? quiet : captures).push_back(target);
    }
    m_marks->SetPick(square, std::move(quiet), std::move(captures));
}

void TMDIChild::UpdateCheckMark() {
    // Read once the move that changed the board has ended, when the turn has passed.
    if (m_checkMarkPending)
        return;
    m_checkMarkPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkMarkPending = false;
            const bool live = m_shownPosition == m_game.LivePosition();
            m_marks->SetCheck(live && BoardSettings::Current().ShowLegalTargets()
                                  ? CheckedKingSquare(m_game)
                                  : -1);
        },
        Qt::QueuedConnection);
}

std::string TMDIChild::PickedSquare() const {
    return m_marks->Picked() < 0 ? std::string() : SquareName(m_marks->Picked());
}

std::vector<std::string> TMDIChild::MarkedTargets() const {
    std::vector<int> squares = m_marks->QuietTargets();
    squares.insert(squares.end(), m_marks->CaptureTargets().begin(),
                   m_marks->CaptureTargets().end());
    std::sort(squares.begin(), squares.end());
    std::vector<std::string> names;
    for (int square : squares)
        names.push_back(SquareName(square));
    return names;
}

std::string TMDIChild::MarkedCheck() const {
    return m_marks->Check() < 0 ? std::string() : SquareName(m_marks->Check());
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
    // The pointer holds the piece at its centre, at the board's size.
    drag->setPixmap(m_boardPieces.value(PieceEntryOf(piece.kind, piece.white)));
    drag->setHotSpot(QPoint(m_squareSize / 2, m_squareSize / 2));
    if (const QPixmap& cursor = BoardPictures::DragCursor(); !cursor.isNull())
        drag->setDragCursor(cursor, Qt::MoveAction);
    m_dragging = true;
    // A drop back on its own square leaves the piece picked, as a click does.
    if (drag->exec(Qt::MoveAction) == Qt::IgnoreAction)
        CancelPick();
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
    const std::string to = target->objectName().toStdString();
    const std::string from = m_game.Model().dragSource;
    if (from.empty() || from == to)
        return false;
    CancelPick();
    return UserMove(from, to);
}

bool TMDIChild::UserMove(const std::string& from, const std::string& to) {
    BoardModel& model = m_game.Model();
    if (model.finished || m_askingPromotion || m_peerGameHeld)
        return false;
    if (MayPremove(from)) {
        SetPremove(SquareIndex(from), SquareIndex(to));
        return false;
    }
    // In a peer game with agreed colours the opponent's pieces are its own, whichever way
    // the user enters the move (a typed move passes no pick-up test).
    if (m_peerColour && model.SideToMove() != *m_peerColour)
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
