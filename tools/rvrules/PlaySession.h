#pragma once

#include "game/Game.h"
#include "game/TextDisplay.h"

#include <string>

// Plays moves typed as text ("e2e4", "e7e8n") into one game and describes each outcome
// as one tab-separated line: ok or refused, the record line, the move list text and the
// result that the move added to the title ("White Wins", "Draw", ... or "-").
class PlaySession {
public:
    PlaySession() : m_game(m_display) {}

    Game& game() { return m_game; }

    // Never fails: input that is not a move is reported as refused.
    std::string Play(const std::string& input);

private:
    TextDisplay m_display;
    Game m_game;
};
