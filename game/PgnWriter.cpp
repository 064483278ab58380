#include "PgnWriter.h"

#include "Game.h"
#include "NullDisplay.h"
#include "San.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::size_t kMaxLineLength = 79;
const char* const kRoster[] = {"Event", "Site", "Date", "Round", "White", "Black", "Result"};

std::string Escaped(const std::string& value) {
    std::string text;
    for (const char c : value) {
        if (c == '\n' || c == '\r' || c == '\t') {
            text += ' ';
            continue;
        }
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        text += c;
    }
    return text;
}

std::string TagLine(const std::string& name, const std::string& value) {
    return "[" + name + " \"" + Escaped(value) + "\"]\n";
}

// Joins words into lines shorter than 80 characters.
class LineFiller {
public:
    void Add(const std::string& word) {
        if (!m_line.empty() && m_line.size() + 1 + word.size() > kMaxLineLength) {
            m_text += m_line + "\n";
            m_line.clear();
        }
        m_line += m_line.empty() ? word : " " + word;
    }
    std::string Finish() { return m_line.empty() ? m_text : m_text + m_line + "\n"; }

private:
    std::string m_text;
    std::string m_line;
};

// A comment as words of one brace comment: a "}" inside would end it early.
void AddComment(LineFiller& filler, std::string comment) {
    for (char& c : comment) {
        if (c == '}' || c == '\n' || c == '\r' || c == '\t') {
            c = c == '}' ? ')' : ' ';
        }
    }
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = comment.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = comment.find(' ', at);
        words.push_back(comment.substr(at, end - at));
        at = end;
    }
    if (words.empty()) {
        return;
    }
    words.front() = "{" + words.front();
    words.back() += "}";
    for (const std::string& word : words) {
        filler.Add(word);
    }
}

// Whole seconds as they are, a fraction with as few decimals as it needs ("0.06").
std::string SecondsText(ClockTime time) {
    const long long micros = time.count();
    std::string text = std::to_string(micros / 1000000);
    if (const long long fraction = micros % 1000000; fraction != 0) {
        std::string decimals = std::to_string(1000000 + fraction).substr(1);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

} // namespace

std::string WritePgn(const PgnExport& game) {
    auto valueOf = [&](const std::string& name) -> std::string {
        for (const auto& [tag, value] : game.tags) {
            if (tag == name && !value.empty()) {
                return value;
            }
        }
        return name == "Date" ? "????.??.??" : "?";
    };
    std::string text;
    for (const char* name : kRoster) {
        text += TagLine(name, name == std::string("Result") ? game.result : valueOf(name));
    }
    if (!game.startFen.empty()) {
        text += TagLine("SetUp", "1");
        text += TagLine("FEN", game.startFen);
    }
    for (const auto& [name, value] : game.tags) {
        bool roster = name == "SetUp" || name == "FEN";
        for (const char* rosterName : kRoster) {
            roster = roster || name == rosterName;
        }
        if (!roster && !name.empty()) {
            text += TagLine(name, value);
        }
    }
    text += "\n";

    NullDisplay display;
    Game rules(display);
    if (!game.startFen.empty()) {
        rules.Model().SetUpFromFen(game.startFen);
    }
    int moveNumber = rules.Model().startMoveNumber;
    LineFiller filler;
    bool numberBlackMove = true;
    for (std::size_t i = 0; i < game.record.size(); ++i) {
        const std::string& line = game.record[i];
        if (line.size() < 4) {
            break;
        }
        SanMove move{line.substr(0, 2), line.substr(2, 2), ""};
        const char last = line.back();
        if (line.size() > 4 && std::string_view("QRBN").find(last) != std::string_view::npos) {
            move.promotion = KindOfLetter(last);
        }
        // The record line is checked as the long algebraic move it is.
        SanMove checked;
        const std::string letter = move.promotion.empty() ? "" : std::string(1, last);
        if (ReadSan(rules, move.from + move.to + letter, checked) != SanStatus::Found) {
            break;
        }
        const bool white = rules.Model().SideToMove() == 1;
        if (white) {
            filler.Add(std::to_string(moveNumber) + ".");
        } else if (numberBlackMove) {
            filler.Add(std::to_string(moveNumber) + "...");
        }
        filler.Add(MakeSanMove(rules, checked));
        numberBlackMove = false;
        if (!white) {
            ++moveNumber;
        }
        std::string comment = i < game.comments.size() ? game.comments[i] : std::string();
        if (i < game.clocks.size() && game.clocks[i]) {
            comment = "[%clk " + PgnClockText(*game.clocks[i]) + "]" +
                      (comment.empty() ? "" : " " + comment);
        }
        if (!comment.empty()) {
            AddComment(filler, comment);
            // After a comment a Black move says its number again.
            numberBlackMove = true;
        }
    }
    filler.Add(game.result);
    return text + filler.Finish();
}

std::string PgnTimeControl(const std::optional<TimeControl>& control) {
    if (!control || control->sessions.empty()) {
        return "-";
    }
    std::string text;
    for (const TimeSession& session : control->sessions) {
        if (!text.empty()) {
            text += ":";
        }
        if (session.moves > 0) {
            text += std::to_string(session.moves) + "/";
        }
        text += SecondsText(session.base);
        if (session.increment.count() > 0) {
            text += "+" + SecondsText(session.increment);
        }
    }
    return text;
}

std::string PgnClockText(ClockTime remaining) {
    const long long seconds = std::max<long long>(remaining.count(), 0) / 1000000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string PgnResultOfTitle(const std::string& title) {
    const std::pair<const char*, const char*> results[] = {{" - (White Wins)", "1-0"},
                                                           {" - (Black Wins)", "0-1"},
                                                           {" - (Draw)", "1/2-1/2"},
                                                           {" - (Stalemate)", "1/2-1/2"}};
    std::size_t first = std::string::npos;
    std::string result = "*";
    for (const auto& [text, pgn] : results) {
        const std::size_t at = title.find(text);
        if (at < first) {
            first = at;
            result = pgn;
        }
    }
    return result;
}
