#pragma once

#include "Piece.h"

#include <cstdint>
#include <string>

// Everything that making a move shows goes through this interface: the game window
// implements it, tools and tests implement it without a screen. The game calls it only
// from inside MakeMove, in the order of the move's steps.
class GameDisplay {
public:
    virtual ~GameDisplay() = default;

    // Replay range: the shown position is the number of recorded half-moves the board shows.
    virtual int ShownPosition() const = 0;
    // Show the position after `position` half-moves (0 <= position <= live position).
    virtual void ShowPosition(int position) = 0;
    // A move was recorded: the live position is now `live`, and it is the one shown.
    virtual void SetLivePosition(int live) = 0;

    // T's image takes S's picture and S's image is cleared.
    virtual void MoveSquarePicture(const std::string& from, const std::string& to) = 0;
    // Place the two last-move highlight frames on S and T.
    virtual void MarkLastMove(const std::string& from, const std::string& to) = 0;
    virtual void SetSquarePicture(const std::string& square, PieceImage image) = 0;
    // Raise the captured-piece count of that kind and colour (a king counts nowhere).
    virtual void CountCapture(const std::string& kind, std::uint8_t white) = 0;

    // Enter a half-move into the move list; the written cell becomes the current cell.
    virtual void EnterHalfMove(std::uint8_t white, const std::string& notation) = 0;
    // Add a suffix ("=Q", "+") to the current cell of the move list.
    virtual void AppendToCurrentCell(const std::string& suffix) = 0;
    // Append a result text such as " - (Draw)" to the window title.
    virtual void AppendToTitle(const std::string& text) = 0;

    // Ask the user for the promotion piece; may run a nested event loop.
    // Returns "Queen", "Rook", "Bishop", "Knight", or empty when the question was closed.
    virtual std::string AskPromotion() = 0;
    // Play a sound file named relative to the program's folder ("Audio/move.wav").
    virtual void PlaySound(const std::string& file) = 0;
};
