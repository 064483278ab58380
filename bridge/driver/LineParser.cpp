#include "LineParser.h"

#include "core/Words.h"

#include <array>
#include <limits>

namespace ferrule {

namespace {

bool isSpace(char c) {
    return Words::isSpace(c);
}

bool contains(std::string_view line, std::string_view needle) {
    return line.find(needle) != std::string_view::npos;
}

// Reads numbers and words the way a scanf pattern would, but stops at the line's end and
// refuses numbers that do not fit instead of wrapping them.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    void skipSpace() {
        while (m_at < m_text.size() && isSpace(m_text[m_at])) {
            ++m_at;
        }
    }

    template <typename Int> bool integer(Int& value) {
        skipSpace();
        bool negative = false;
        std::size_t at = m_at;
        if (at < m_text.size() && (m_text[at] == '-' || m_text[at] == '+')) {
            negative = m_text[at] == '-';
            ++at;
        }
        const std::size_t digitsStart = at;
        const std::uint64_t limit =
            static_cast<std::uint64_t>(std::numeric_limits<Int>::max()) + (negative ? 1 : 0);
        std::uint64_t magnitude = 0;
        while (at < m_text.size() && m_text[at] >= '0' && m_text[at] <= '9') {
            const std::uint64_t digit = static_cast<std::uint64_t>(m_text[at] - '0');
            if (magnitude > (limit - digit) / 10) {
                return false;
            }
            magnitude = magnitude * 10 + digit;
            ++at;
        }
        if (at == digitsStart) {
            return false;
        }
        value = negative && magnitude > 0
                    ? static_cast<Int>(Int{0} - static_cast<Int>(magnitude - 1) - Int{1})
                    : static_cast<Int>(magnitude);
        m_at = at;
        return true;
    }

    bool character(char& c) {
        if (m_at >= m_text.size()) {
            return false;
        }
        c = m_text[m_at++];
        return true;
    }

    // The rest of the line up to its line feed, if it is not empty.
    bool rest(std::string_view& text) {
        skipSpace();
        const std::size_t end = m_text.find('\n', m_at);
        text = m_text.substr(m_at, end == std::string_view::npos ? end : end - m_at);
        return !text.empty();
    }

    bool literal(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word) {
            return false;
        }
        m_at += word.size();
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// The first four words of a line, and how many of them there are (4: four or more).
struct FirstWords {
    std::array<std::string_view, 4> word{};
    int count = 0;
};

FirstWords splitWords(std::string_view line) {
    FirstWords words;
    Words reader(line);
    while (words.count < 4 && reader.next(words.word[words.count])) {
        ++words.count;
    }
    return words;
}

bool parseMoveLine(std::string_view line, ParsedLine& parsed) {
    const FirstWords words = splitWords(line);
    if (words.count == 3 && words.word[1] == "...") {
        parsed.move = words.word[2];
    } else if (words.count >= 2 && words.word[0] == "move") {
        parsed.move = words.word[1];
    } else {
        return false;
    }
    parsed.kind = ParsedLine::Kind::kMove;
    return true;
}

bool isErrorLine(std::string_view line) {
    const std::string_view fromSecond = line.size() > 1 ? line.substr(1) : std::string_view();
    return fromSecond.starts_with("llegal move") || fromSecond.starts_with("nexpected") ||
           line.starts_with("Error");
}

bool isHintLine(std::string_view line) {
    return line.starts_with("Hint: ") && line.size() > 6 && !isSpace(line[6]);
}

bool parseThinkingLine(std::string_view line, ParsedLine& parsed) {
    Scanner scan(line);
    char afterDepth = 0;
    if (!scan.integer(parsed.depth) || !scan.character(afterDepth) || !scan.integer(parsed.score) ||
        !scan.integer(parsed.time) || !scan.integer(parsed.nodes)) {
        return false;
    }
    // Only the score may be negative; anything else would reach the host as nonsense.
    if (parsed.depth < 0 || parsed.time < 0 || parsed.nodes < 0) {
        return false;
    }
    scan.rest(parsed.text);
    // "9 156 284 ..." counts time in hundredths; "9. 156 284 ..." in seconds already.
    if (afterDepth == ' ' || afterDepth == '\t') {
        parsed.time = static_cast<int>((static_cast<std::int64_t>(parsed.time) + 50) / 100);
    }
    parsed.kind = ParsedLine::Kind::kThinking;
    return true;
}

bool parseOnlyMove(std::string_view line, ParsedLine& parsed) {
    constexpr std::string_view kMarker = "(only move)";
    const std::size_t at = line.find(kMarker);
    if (at == std::string_view::npos) {
        return false;
    }
    parsed.kind = ParsedLine::Kind::kOnlyMove;
    const FirstWords words = splitWords(line.substr(at + kMarker.size()));
    parsed.move = words.count > 0 ? words.word[0] : std::string_view();
    return true;
}

bool parseStatusLine(std::string_view line, ParsedLine& parsed) {
    Scanner scan(line);
    if (!scan.literal("stat01:") || !scan.integer(parsed.time) || !scan.integer(parsed.nodes) ||
        !scan.integer(parsed.depth) || !scan.integer(parsed.movesLeft) ||
        !scan.integer(parsed.totalMoves)) {
        return false;
    }
    if (parsed.time < 0 || parsed.nodes < 0 || parsed.depth < 0 || parsed.movesLeft < 0 ||
        parsed.totalMoves < 0) {
        return false;
    }
    parsed.kind = ParsedLine::Kind::kStatus;
    return true;
}

// "feature ..." and "pong N", the answers of a protocol version 2 engine.
bool parseVersionTwoLine(std::string_view line, ParsedLine& parsed) {
    const FirstWords words = splitWords(line);
    if (words.count >= 1 && words.word[0] == "feature") {
        const std::size_t start = words.word[0].data() - line.data() + words.word[0].size();
        parsed.text = line.substr(start);
        while (!parsed.text.empty() && (parsed.text.back() == '\n' || parsed.text.back() == '\r')) {
            parsed.text.remove_suffix(1);
        }
        parsed.kind = ParsedLine::Kind::kFeature;
        return true;
    }
    if (words.count == 2 && words.word[0] == "pong") {
        Scanner scan(words.word[1]);
        char after = 0;
        if (!scan.integer(parsed.pong) || scan.character(after)) {
            return false;
        }
        parsed.kind = ParsedLine::Kind::kPong;
        return true;
    }
    return false;
}

} // namespace

ParsedLine parseEngineLine(std::string_view line) {
    while (!line.empty() && line.front() == '\a') {
        line.remove_prefix(1);
    }
    ParsedLine parsed;
    if (parseMoveLine(line, parsed) || parseVersionTwoLine(line, parsed)) {
        return parsed;
    }
    for (const std::string_view noise : {"unknown host", "No remote directory", "not found",
                                         "No such file", "can't alloc", "Permission denied"}) {
        if (contains(line, noise)) {
            return parsed;
        }
    }
    if (isErrorLine(line)) {
        parsed.kind = contains(line, "analyze")    ? ParsedLine::Kind::kAnalyzeUnknown
                      : contains(line, "protover") ? ParsedLine::Kind::kProtoverUnknown
                                                   : ParsedLine::Kind::kIgnored;
        return parsed;
    }
    if (isHintLine(line)) {
        return parsed;
    }
    ParsedLine attempt;
    if (parseThinkingLine(line, attempt)) {
        return attempt;
    }
    if (parseOnlyMove(line, parsed)) {
        return parsed;
    }
    ParsedLine status;
    if (parseStatusLine(line, status)) {
        return status;
    }
    return ParsedLine{};
}

} // namespace ferrule
