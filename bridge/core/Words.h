#pragma once

#include <string_view>

namespace ferrule {

// The words of a text, one by one: runs of characters between ASCII white space (blank,
// tab, line feed, carriage return, vertical tab, form feed). Words point into the text.
class Words {
public:
    explicit Words(std::string_view text) : m_text(text) {}

    static bool isSpace(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

    // Sets `word` to the next word; false when there is none left.
    bool next(std::string_view& word) {
        while (m_at < m_text.size() && isSpace(m_text[m_at])) {
            ++m_at;
        }
        if (m_at == m_text.size()) {
            return false;
        }
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !isSpace(m_text[m_at])) {
            ++m_at;
        }
        word = m_text.substr(start, m_at - start);
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

} // namespace ferrule
