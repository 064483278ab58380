#include "PgnReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Characters that end a move token: they open something of their own.
bool EndsToken(char c) {
    return IsSpace(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == '[' || c == ']' ||
           c == ';' || c == '$' || c == '!' || c == '?' || c == '"';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsResult(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

int SuffixNag(std::string_view annotation) {
    static constexpr std::string_view kSuffixes[] = {"!", "?", "!!", "??", "!?", "?!"};
    for (int i = 0; i < 6; ++i) {
        if (annotation == kSuffixes[i]) {
            return i + 1;
        }
    }
    return 0;
}

class Walker {
public:
    Walker(std::string_view text, PgnVisitor& visitor, std::size_t offset)
        : m_text(text), m_visitor(visitor), m_at(offset) {}

    void Run() {
        if (m_at == 0 && m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            m_at = 3;
        }
        while (SkipSpace()) {
            const char c = m_text[m_at];
            if (c == '%' && AtLineStart()) {
                SkipLine();
            } else if (c == '[') {
                if (m_inGame && m_inMovetext && !End({})) {
                    return;
                }
                Begin(m_at);
                ReadTag();
            } else if (c == '{') {
                ReadBraceComment();
            } else if (c == ';') {
                m_commentStart = m_at;
                m_commentLine = m_line;
                const std::size_t start = ++m_at;
                SkipLine();
                Report(Text(start, m_at));
            } else if (c == '(') {
                ++m_depth;
                ++m_at;
            } else if (c == ')') {
                m_depth -= m_depth > 0;
                ++m_at;
            } else if (c == '$') {
                const std::size_t start = ++m_at;
                while (m_at < m_text.size() && IsDigit(m_text[m_at]) && m_at - start < 3) {
                    ++m_at;
                }
                ReportNag(start == m_at ? 0 : std::stoi(std::string(Text(start, m_at))));
            } else if (c == '!' || c == '?') {
                const std::size_t start = m_at;
                while (m_at < m_text.size() && (m_text[m_at] == '!' || m_text[m_at] == '?') &&
                       m_at - start < 2) {
                    ++m_at;
                }
                ReportNag(SuffixNag(Text(start, m_at)));
            } else if (!ReadToken()) {
                return;
            }
        }
        if (m_inGame) {
            End({});
        }
    }

private:
    std::string_view Text(std::size_t from, std::size_t to) const {
        return m_text.substr(from, to - from);
    }

    bool AtLineStart() const {
        return m_at == 0 || m_text[m_at - 1] == '\n' || m_text[m_at - 1] == '\r';
    }

    // Skips blanks and line ends, counting lines. Returns false at the end of the text.
    bool SkipSpace() {
        while (m_at < m_text.size() && IsSpace(m_text[m_at])) {
            CountLine(m_at);
            ++m_at;
        }
        return m_at < m_text.size();
    }

    void CountLine(std::size_t at) {
        // CR LF counts once, a lone CR or LF once each.
        if (m_text[at] == '\n' ||
            (m_text[at] == '\r' && (at + 1 >= m_text.size() || m_text[at + 1] != '\n'))) {
            ++m_line;
        }
    }

    void SkipLine() {
        while (m_at < m_text.size() && m_text[m_at] != '\n' && m_text[m_at] != '\r') {
            ++m_at;
        }
    }

    // A game starts at `offset`, or at the comments before it: reading from there again
    // gives the same game.
    void Begin(std::size_t offset) {
        if (!m_inGame) {
            m_inGame = true;
            m_inMovetext = false;
            m_skipping = false;
            m_depth = 0;
            m_visitor.BeginGame(m_pendingComments.empty() ? offset : m_pendingStart,
                                m_pendingComments.empty() ? m_line : m_pendingLine);
            for (const std::string_view comment : m_pendingComments) {
                m_visitor.Comment(comment);
            }
            m_pendingComments.clear();
        }
    }

    bool End(std::string_view result) {
        m_inGame = false;
        m_pendingComments.clear();
        return m_visitor.EndGame(result, m_at);
    }

    void ReadTag() {
        // [Name "value"], the value's escapes kept for PgnTagValue; anything else on the
        // line is passed over.
        std::size_t at = m_at + 1;
        while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t')) {
            ++at;
        }
        const std::size_t nameStart = at;
        while (at < m_text.size() && !IsSpace(m_text[at]) && m_text[at] != '"' &&
               m_text[at] != ']') {
            ++at;
        }
        const std::string_view name = Text(nameStart, at);
        while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t')) {
            ++at;
        }
        if (at < m_text.size() && m_text[at] == '"' && !name.empty()) {
            const std::size_t valueStart = ++at;
            while (at < m_text.size() && m_text[at] != '"' && m_text[at] != '\n' &&
                   m_text[at] != '\r') {
                at += (m_text[at] == '\\' && at + 1 < m_text.size() && m_text[at + 1] != '\n') ? 2
                                                                                               : 1;
            }
            if (at < m_text.size() && m_text[at] == '"') {
                m_visitor.Tag(name, Text(valueStart, at));
                ++at;
                while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t')) {
                    ++at;
                }
                if (at < m_text.size() && m_text[at] == ']') {
                    m_at = at + 1;
                    return;
                }
            }
        }
        m_at = at;
        SkipLine();
    }

    void ReadBraceComment() {
        m_commentStart = m_at;
        m_commentLine = m_line;
        const std::size_t start = ++m_at;
        while (m_at < m_text.size() && m_text[m_at] != '}') {
            CountLine(m_at);
            ++m_at;
        }
        Report(Text(start, m_at));
        m_at += m_at < m_text.size();
    }

    bool MainLine() const { return m_inGame && m_depth == 0 && !m_skipping; }

    void Report(std::string_view comment) {
        if (!m_inGame) {
            // Before a game's first tag or move: it belongs to the game that follows, if any.
            if (m_pendingComments.empty()) {
                m_pendingStart = m_commentStart;
                m_pendingLine = m_commentLine;
            }
            m_pendingComments.push_back(comment);
        } else if (MainLine()) {
            m_visitor.Comment(comment);
        }
    }

    void ReportNag(int nag) {
        if (MainLine() && nag > 0) {
            m_visitor.Nag(nag);
        }
    }

    // A move number, a move, a result or something unknown. Returns false to stop.
    bool ReadToken() {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !EndsToken(m_text[m_at])) {
            ++m_at;
        }
        if (m_at == start) {
            ++m_at; // a stray "]", "}" or quote
            return true;
        }
        std::string_view token = Text(start, m_at);
        if (IsResult(token)) {
            if (m_depth > 0) {
                return true; // a variation that ends in a result
            }
            Begin(start);
            return End(token);
        }
        // "12.", "12...", "1.e4", "1...e5": the number goes, a move joined to it stays.
        std::size_t digits = 0;
        while (digits < token.size() && IsDigit(token[digits])) {
            ++digits;
        }
        if (digits > 0 && digits < token.size() && token[digits] == '.') {
            token.remove_prefix(token.find_first_not_of('.', digits) == std::string_view::npos
                                    ? token.size()
                                    : token.find_first_not_of('.', digits));
        } else if (digits == token.size() ||
                   token.find_first_not_of('.') == std::string_view::npos) {
            return true; // a bare number or dots
        }
        if (token.empty()) {
            return true;
        }
        Begin(start);
        m_inMovetext = true;
        if (MainLine() && !m_visitor.Move(token, m_line)) {
            m_skipping = true;
        }
        return true;
    }

    std::string_view m_text;
    PgnVisitor& m_visitor;
    std::size_t m_at;
    int m_line = 1;
    int m_depth = 0;
    bool m_inGame = false;
    bool m_inMovetext = false;
    bool m_skipping = false;
    std::vector<std::string_view> m_pendingComments;
    std::size_t m_pendingStart = 0; // where the first of them began
    int m_pendingLine = 1;
    std::size_t m_commentStart = 0; // where the comment being read began
    int m_commentLine = 1;
};

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80         ? 1
                           : (c >> 5) == 6  ? 2
                           : (c >> 4) == 14 ? 3
                           : (c >> 3) == 30 ? 4
                                            : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

void ReadPgn(std::string_view text, PgnVisitor& visitor, std::size_t offset) {
    Walker(text, visitor, offset).Run();
}

std::string PgnTagValue(std::string_view raw) {
    std::string value;
    value.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            ++i;
        }
        value += raw[i];
    }
    if (IsValidUtf8(value)) {
        return value;
    }
    std::string utf8;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}
