#include "NextTurnPosition.h"

#include "MoveHints.h"

NextTurnPosition::NextTurnPosition(const Game& game, std::uint8_t mover) : m_game(game) {
    m_game.SetDisplay(m_display);
    BoardModel& model = m_game.Model();
    // The side marker holds the colour that moved last.
    model.sideMarker = mover ? 0 : 1;
    model.enPassantSquare.clear();
}

std::vector<int> NextTurnPosition::TargetsOf(int from) {
    return LegalTargetSquares(m_game, from);
}

SanStatus NextTurnPosition::ReadMove(std::string_view text, SanMove& move) {
    return ReadSan(m_game, text, move);
}
