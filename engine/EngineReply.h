#pragma once

#include <optional>
#include <string>
#include <string_view>

// The move an engine answers with, as the game window makes it: the king's two-square
// move for castling, and the promotion kind ("Queen", "Rook", "Bishop", "Knight") or empty.
struct EngineMove {
    std::string from;
    std::string to;
    std::string promotion;

    bool operator==(const EngineMove&) const = default;
};

// Reads the reply in one complete line of engine output: the first "move " in the line and
// the word that follows it, either two square names ("e2e4"), two square names and a
// promotion letter of either case as the fifth and last character ("e7e8q", "e7e8N"), or
// castling "O-O" / "O-O-O", which is the king's move of the side to move (`whiteToMove`).
// Returns nothing for a line without such a word; never reads past the line.
std::optional<EngineMove> ReadEngineMove(std::string_view line, bool whiteToMove);
