#include "PlaySession.h"

#include <cctype>

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// "White Wins" out of " - (White Wins)".
std::string ResultOf(const std::string& added) {
    const std::string prefix = " - (";
    if (added.size() > prefix.size() + 1 && added.compare(0, prefix.size(), prefix) == 0 &&
        added.back() == ')') {
        return added.substr(prefix.size(), added.size() - prefix.size() - 1);
    }
    return added.empty() ? "-" : added;
}

} // namespace

std::string PlaySession::Play(const std::string& input) {
    const std::string move = Trimmed(input);
    const std::size_t recordBefore = m_game.Model().moveRecord.size();
    const std::size_t titleBefore = m_display.Title().size();
    bool made = false;
    if (move.size() == 4 || move.size() == 5) {
        // A fifth letter names the promotion piece, as a peer's move message does.
        const std::string promotion = move.size() == 5 ? KindOfLetter(move[4]) : "";
        if (move.size() == 4 ||
            (!promotion.empty() && promotion != kind::Pawn && promotion != kind::King)) {
            m_game.Model().promotionChoice = promotion;
            made = m_game.MakeMove(move.substr(0, 2), move.substr(2, 2));
        }
    }
    if (!made) {
        return "refused\t\t\t-";
    }
    const auto& record = m_game.Model().moveRecord;
    const std::string recordLine = record.size() > recordBefore ? record.back() : "";
    return "ok\t" + recordLine + "\t" + m_display.MoveList().back() + "\t" +
           ResultOf(m_display.Title().substr(titleBefore));
}
