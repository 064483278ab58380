// Premoves: one move of the user's colour entered during the opponent's turn, made as soon
// as the opponent has moved.
#include "TMDIChild.h"

#include "BoardMarks.h"

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

void TMDIChild::SetPremove(int from, int to) {
    m_premoveFrom = from;
    m_premoveTo = to;
    m_marks->SetDroppedPremove(-1, -1);
    m_marks->SetPremove(from, to);
}

void TMDIChild::CancelPremove() {
    SetPremove(-1, -1);
}

void TMDIChild::PlayPremove() {
    if (m_premoveFrom < 0)
        return;
    const std::string from = SquareName(m_premoveFrom);
    const std::string to = SquareName(m_premoveTo);
    CancelPremove();
    // Only once the user is to move: an opponent's move refused, or a game over, ends it.
    if (MayPickUp(from) && UserMove(from, to))
        return;
    m_marks->SetDroppedPremove(SquareIndex(from), SquareIndex(to));
    ShowStatus(QStringLiteral("Premove %1-%2 dropped: it is not a legal move now.")
                   .arg(QString::fromStdString(from), QString::fromStdString(to)));
}
