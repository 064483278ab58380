#include "MainLineReader.h"

#include "MoveResolver.h"
#include "MoveText.h"
#include "Words.h"

namespace ferrule {

namespace {

// A word can hold a move when somewhere in it a square, a two-letter file capture ("ed")
// or a castling pattern ("O-O", "0-0") begins. Resolving looks at the whole word, so one
// such place is enough to try it.
bool hasMoveStart(std::string_view word) {
    for (std::size_t i = 0; i + 1 < word.size(); ++i) {
        const char c = word[i];
        const char next = word[i + 1];
        if (isFileLetter(c) && (isRankDigit(next) || (word.size() == 2 && isFileLetter(next)))) {
            return true;
        }
        if (isCastlingMark(c) && i + 2 < word.size() && word[i + 2] == c) {
            return true;
        }
    }
    return false;
}

// "12.e4" -> "e4", "12...Nf6" -> "Nf6", "12." -> "".
std::string_view withoutMoveNumber(std::string_view word) {
    const std::size_t dot = word.rfind('.');
    return dot == std::string_view::npos ? word : word.substr(dot + 1);
}

} // namespace

int readMainLine(const Position& position, std::string_view text, std::span<MoveCode> out) {
    Position current = position;
    int count = 0;
    Words words(text);
    for (std::string_view numbered; words.next(numbered);) {
        const std::string_view word = withoutMoveNumber(numbered);
        if (word.empty() || !hasMoveStart(word)) {
            continue;
        }
        const ResolvedMove resolved = resolveWord(current, word);
        if (resolved.status == ResolveStatus::kAmbiguous) {
            break;
        }
        if (resolved.status == ResolveStatus::kFound) {
            if (static_cast<std::size_t>(count) < out.size()) {
                out[count] = resolved.move;
            }
            ++count;
            current.apply(resolved.move);
        }
    }
    return count;
}

} // namespace ferrule
