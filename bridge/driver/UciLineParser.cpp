#include "UciLineParser.h"

#include "core/Words.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace ferrule {

namespace {

constexpr int kMaxMateDistance = 15000;
constexpr int kMaxCentipawns = 32000;
constexpr int kMateScore = 30000;

// The info fields this reader knows: a field's value ends where the next one begins.
constexpr std::array<std::string_view, 18> kInfoFields{
    "depth",  "seldepth", "time",           "nodes",      "pv",       "multipv",
    "score",  "currmove", "currmovenumber", "hashfull",   "nps",      "tbhits",
    "sbhits", "cpuload",  "string",         "refutation", "currline", "wdl"};

bool isInfoField(std::string_view word) {
    return std::find(kInfoFields.begin(), kInfoFields.end(), word) != kInfoFields.end();
}

template <typename Int> std::optional<Int> number(std::string_view word) {
    Int value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

template <typename Int> std::optional<Int> count(std::string_view word) {
    const std::optional<Int> value = number<Int>(word);
    return value && *value >= 0 ? value : std::nullopt;
}

std::string_view trimmedEnd(std::string_view text) {
    while (!text.empty() && Words::isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The text after the first word, without surrounding white space.
std::string_view restAfter(std::string_view line, std::string_view word) {
    std::string_view rest = line.substr(word.data() + word.size() - line.data());
    while (!rest.empty() && Words::isSpace(rest.front())) {
        rest.remove_prefix(1);
    }
    return trimmedEnd(rest);
}

void readScore(Words& words, std::string_view& word, bool& more, UciInfo& info) {
    std::string_view kind;
    std::string_view value;
    if (!words.next(kind) || !words.next(value)) {
        more = false;
        return;
    }
    const std::optional<int> score = number<int>(value);
    if (score && (kind == "cp" || kind == "mate")) {
        info.hasScore = true;
        info.mate = kind == "mate";
        info.score = *score;
    }
    more = words.next(word);
    while (more && (word == "lowerbound" || word == "upperbound")) {
        info.bound = true;
        more = words.next(word);
    }
}

UciInfo readInfo(Words& words) {
    UciInfo info;
    std::string_view word;
    bool more = words.next(word);
    while (more) {
        if (word == "string") {
            break; // the rest of the line is the engine's free text
        }
        if (word == "score") {
            readScore(words, word, more, info);
            continue;
        }
        if (word == "pv") {
            const char* start = nullptr;
            const char* end = nullptr;
            while ((more = words.next(word)) && !isInfoField(word)) {
                start = start == nullptr ? word.data() : start;
                end = word.data() + word.size();
            }
            info.pv = start == nullptr ? std::string_view() : std::string_view(start, end - start);
            continue;
        }
        const std::string_view field = word;
        std::string_view value;
        if (!words.next(value)) {
            break;
        }
        if (field == "depth") {
            info.depth = count<int>(value);
        } else if (field == "nodes") {
            info.nodes = count<std::int64_t>(value);
        } else if (field == "time") {
            info.timeMs = count<std::int64_t>(value);
        } else if (field == "currmove") {
            info.currMove = value;
        } else if (field == "currmovenumber") {
            info.currMoveNumber = count<int>(value).value_or(0);
        } else if (field == "multipv") {
            info.multipv = count<int>(value).value_or(1);
        }
        // Any other field's values are passed over up to the next known field.
        while ((more = words.next(word)) && !isInfoField(word)) {
        }
    }
    return info;
}

} // namespace

UciLine parseUciLine(std::string_view line) {
    UciLine parsed;
    Words words(line);
    std::string_view first;
    if (!words.next(first)) {
        return parsed;
    }
    if (first == "uciok") {
        parsed.kind = UciLine::Kind::kUciOk;
    } else if (first == "readyok") {
        parsed.kind = UciLine::Kind::kReadyOk;
    } else if (first == "id") {
        std::string_view which;
        if (words.next(which) && (which == "name" || which == "author")) {
            parsed.kind = which == "name" ? UciLine::Kind::kIdName : UciLine::Kind::kIdAuthor;
            parsed.text = restAfter(line, which);
        }
    } else if (first == "bestmove") {
        std::string_view move;
        if (words.next(move)) {
            parsed.kind = UciLine::Kind::kBestMove;
            parsed.text = move;
            std::string_view label;
            std::string_view ponder;
            if (words.next(label) && label == "ponder" && words.next(ponder)) {
                parsed.ponder = ponder;
            }
        }
    } else if (first == "info") {
        parsed.kind = UciLine::Kind::kInfo;
        parsed.info = readInfo(words);
    }
    return parsed;
}

int uciScore(const UciInfo& info) {
    if (!info.mate) {
        return std::clamp(info.score, -kMaxCentipawns, kMaxCentipawns);
    }
    const int moves = std::clamp(info.score, -kMaxMateDistance, kMaxMateDistance);
    return moves > 0 ? kMateScore - (2 * moves - 1) : -kMateScore - 2 * moves;
}

ProbeVerdict probeVerdict(std::string_view line) {
    if (parseUciLine(line).kind == UciLine::Kind::kUciOk) {
        return ProbeVerdict::kUci;
    }
    for (const std::string_view mark : {"Error", "Illegal", "Invalid", "unknown", "feature"}) {
        if (line.find(mark) != std::string_view::npos) {
            return ProbeVerdict::kXboard;
        }
    }
    return ProbeVerdict::kUndecided;
}

} // namespace ferrule
