#pragma once

#include "game/TextDisplay.h"

#include <functional>
#include <string>
#include <vector>

// Records every display effect of a move as one text line, in call order, on top of
// keeping the move list and title as text.
class RecordingDisplay : public TextDisplay {
public:
    // What the promotion question answers; empty means the user closed it.
    std::string promotionAnswer;
    // Runs while the promotion question is open, as a nested event loop would.
    std::function<void()> whileAsking;

    std::vector<std::string> events;

    void ShowPosition(int position) override {
        events.push_back("show " + std::to_string(position));
        TextDisplay::ShowPosition(position);
    }
    void SetLivePosition(int live) override {
        events.push_back("live " + std::to_string(live));
        TextDisplay::SetLivePosition(live);
    }
    void MoveSquarePicture(const std::string& from, const std::string& to) override {
        events.push_back("picture " + from + " " + to);
    }
    void MarkLastMove(const std::string& from, const std::string& to) override {
        events.push_back("frames " + from + " " + to);
    }
    void SetSquarePicture(const std::string& square, PieceImage image) override {
        events.push_back("set " + square + " " + std::to_string(image));
    }
    void CountCapture(const std::string& kind, std::uint8_t white) override {
        events.push_back("count " + kind + " " + std::to_string(white));
    }
    void EnterHalfMove(std::uint8_t white, const std::string& notation) override {
        events.push_back("enter " + std::to_string(white) + " " + notation);
        TextDisplay::EnterHalfMove(white, notation);
    }
    void AppendToCurrentCell(const std::string& suffix) override {
        events.push_back("append " + suffix);
        TextDisplay::AppendToCurrentCell(suffix);
    }
    void AppendToTitle(const std::string& text) override {
        events.push_back("title" + text);
        TextDisplay::AppendToTitle(text);
    }
    std::string AskPromotion() override {
        events.push_back("ask");
        if (whileAsking) {
            whileAsking();
        }
        return promotionAnswer;
    }
    void PlaySound(const std::string& file) override { events.push_back("sound " + file); }
};
