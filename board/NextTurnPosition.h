#pragma once

#include "game/Game.h"
#include "game/NullDisplay.h"
#include "game/San.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The game's position as a player will meet it on the next turn, for a move entered during
// the opponent's turn: the same pieces and castling rights with `mover` to move, and no
// en-passant capture (that right belongs to the opponent now). The rules library reads it;
// the game itself is never changed.
class NextTurnPosition {
public:
    NextTurnPosition(const Game& game, std::uint8_t mover);
    NextTurnPosition(const NextTurnPosition&) = delete;
    NextTurnPosition& operator=(const NextTurnPosition&) = delete;

    // The squares (indices, in index order) the mover's piece on `from` could go to there,
    // castling included; empty for any other square.
    std::vector<int> TargetsOf(int from);
    // Reads `text` as ReadSan does, against the mover's pieces there.
    SanStatus ReadMove(std::string_view text, SanMove& move);

private:
    NullDisplay m_display; // the copy's moves are tried, never shown
    Game m_game;
};
