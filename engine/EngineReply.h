#pragma once

#include <optional>

class Game;
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

// Reads the reply of a line against the position of `game`: the seed's reading above
// first, then the forms engines also send: "=" before the promotion letter ("e7e8=Q"),
// castling with a check mark ("O-O+", "O-O-O#"), long algebraic ("e7-e5", "Nf3xd4"),
// and short algebraic notation ("Nf3",
// "exd5", "e8=Q+", "Rae1"), which must name exactly one legal move of the side to move.
// Returns nothing for anything else. Changes nothing in `game`.
std::optional<EngineMove> ReadEngineMoveIn(std::string_view line, Game& game);
