#pragma once

#include "GameDisplay.h"

// A display without a screen: keeps the replay position so that moves never trigger a
// replay, answers the promotion question with "no choice" (so a queen), shows nothing.
// For tools and searches that make many moves on copies of a game.
class NullDisplay : public GameDisplay {
public:
    int ShownPosition() const override { return m_shown; }
    void ShowPosition(int position) override { m_shown = position; }
    void SetLivePosition(int live) override { m_shown = live; }
    void MoveSquarePicture(const std::string&, const std::string&) override {}
    void MarkLastMove(const std::string&, const std::string&) override {}
    void SetSquarePicture(const std::string&, PieceImage) override {}
    void CountCapture(const std::string&, std::uint8_t) override {}
    void EnterHalfMove(std::uint8_t, const std::string&) override {}
    void AppendToCurrentCell(const std::string&) override {}
    void AppendToTitle(const std::string&) override {}
    std::string AskPromotion() override { return {}; }
    void PlaySound(const std::string&) override {}

private:
    int m_shown = 0;
};
