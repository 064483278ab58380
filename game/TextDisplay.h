#pragma once

#include "NullDisplay.h"

#include <string>
#include <vector>

// A display that keeps the move list and the title as plain text, for tools and tests.
class TextDisplay : public NullDisplay {
public:
    void EnterHalfMove(std::uint8_t, const std::string& notation) override {
        m_moveList.push_back(notation);
    }
    void AppendToCurrentCell(const std::string& suffix) override { m_moveList.back() += suffix; }
    void AppendToTitle(const std::string& text) override { m_title += text; }

    // The notation of every half-move entered, suffixes included.
    const std::vector<std::string>& MoveList() const { return m_moveList; }
    const std::string& Title() const { return m_title; }

private:
    std::vector<std::string> m_moveList;
    std::string m_title;
};
