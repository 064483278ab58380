// Premoves: one move of the user's colour entered during the opponent's turn, made as soon
// as the opponent has moved.
#include "TMDIChild.h"

#include "BoardMarks.h"
#include "MoveWords.h"
#include "NextTurnPosition.h"

#include <QRegularExpression>

#include "game/Square.h"

std::optional<std::uint8_t> TMDIChild::UserColour() const {
    // In a peer game without agreed colours either side may move either colour: no premove.
    if (m_peerColour)
        return m_peerColour;
    if (EngineAttached())
        return static_cast<std::uint8_t>(m_game.Model().engineColour ? 0 : 1);
    return std::nullopt;
}

bool TMDIChild::MayPremove(const std::string& square) const {
    const BoardModel& model = m_game.Model();
    const std::optional<std::uint8_t> own = UserColour();
    if (!own || !model.IsOccupied(square) || m_shownPosition != m_game.LivePosition() ||
        model.finished)
        return false;
    // The side marker holds the colour that moved last: the user's, while the opponent is
    // to move.
    return model.At(square).piece.white == *own && model.sideMarker == *own;
}

std::string TMDIChild::PendingPremove() const {
    return m_premoveFrom < 0 ? std::string() : SquareName(m_premoveFrom) + SquareName(m_premoveTo);
}

void TMDIChild::SetPremove(int from, int to, const std::string& promotion) {
    m_premoveFrom = from;
    m_premoveTo = to;
    m_premovePromotion = promotion;
    m_marks->SetDroppedPremove(-1, -1);
    m_marks->SetPremove(from, to);
    if (from >= 0)
        Announce(
            QString::fromStdString(PremoveInWords(SquareName(from), SquareName(to), promotion)));
}

void TMDIChild::CancelPremove() {
    // Said only when one was set: Escape and the right button cancel other things too.
    const bool pending = m_premoveFrom >= 0;
    SetPremove(-1, -1);
    if (pending)
        Announce(QStringLiteral("Premove cancelled"));
}

void TMDIChild::PlayPremove() {
    if (m_premoveFrom < 0)
        return;
    const std::string from = SquareName(m_premoveFrom);
    const std::string to = SquareName(m_premoveTo);
    const std::string promotion = m_premovePromotion;
    // Taken off the board, not cancelled: the reader hears the move, or that it was dropped.
    SetPremove(-1, -1);
    // Only once the user is to move: an opponent's move refused, or a game over, ends it.
    if (MayPickUp(from)) {
        m_game.Model().promotionChoice = promotion;
        if (UserMove(from, to))
            return;
        // A choice the refused move left must not decide a later one.
        m_game.Model().promotionChoice.clear();
    }
    m_marks->SetDroppedPremove(SquareIndex(from), SquareIndex(to));
    const QString dropped = QStringLiteral("Premove %1-%2 dropped: it is not a legal move now.")
                                .arg(QString::fromStdString(from), QString::fromStdString(to));
    ShowStatus(dropped);
    Announce(dropped);
}

bool TMDIChild::EnterTypedPremove(const QString& typed, std::uint8_t own) {
    if (m_peerGameHeld) {
        ShowStatus(QStringLiteral("%1 was not made.").arg(typed));
        return false;
    }
    // The premove is read against the live position, as the board then shows it.
    if (m_shownPosition != m_game.LivePosition())
        ShowPosition(m_game.LivePosition());
    SanMove move;
    // Coordinates are taken as they stand, as a drag is: the opponent's reply may still
    // open or close the way.
    static const QRegularExpression kCoordinates(
        QStringLiteral("^([a-h][1-8])-?([a-h][1-8])=?([QRBNqrbn]?)$"));
    if (const QRegularExpressionMatch squares = kCoordinates.match(typed); squares.hasMatch()) {
        move.from = squares.captured(1).toStdString();
        move.to = squares.captured(2).toStdString();
        if (!squares.captured(3).isEmpty())
            move.promotion = PromotionKindOfLetter(squares.captured(3).front().toLatin1());
        if (!MayPremove(move.from)) {
            ShowStatus(QStringLiteral("%1: there is no piece of yours on %2.")
                           .arg(typed, squares.captured(1)));
            return false;
        }
        const TPiece& piece = m_game.Model().At(move.from).piece;
        const char lastRank = own ? '8' : '1';
        const bool promotes = piece.kind == kind::Pawn && move.to[1] == lastRank;
        if (move.from == move.to || (!move.promotion.empty() && !promotes)) {
            ShowStatus(QStringLiteral("%1 is not a move your pieces could make.").arg(typed));
            return false;
        }
    } else {
        if (const SanStatus status =
                NextTurnPosition(m_game, own).ReadMove(typed.toStdString(), move);
            status != SanStatus::Found)
            return RefuseTyped(status, typed, true);
    }
    CancelPick();
    SetPremove(SquareIndex(move.from), SquareIndex(move.to), move.promotion);
    ShowTyped(QString());
    ShowStatus(QString());
    return true;
}
