#include "EngineReply.h"

#include "game/Square.h"

namespace {

constexpr std::string_view kMoveMarker = "move ";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string PromotionKind(char letter) {
    switch (letter) {
    case 'q':
    case 'Q':
        return "Queen";
    case 'r':
    case 'R':
        return "Rook";
    case 'b':
    case 'B':
        return "Bishop";
    case 'n':
    case 'N':
        return "Knight";
    default:
        return {};
    }
}

} // namespace

std::optional<EngineMove> ReadEngineMove(std::string_view line, bool whiteToMove) {
    const size_t marker = line.find(kMoveMarker);
    if (marker == std::string_view::npos)
        return std::nullopt;
    std::string_view word = line.substr(marker + kMoveMarker.size());
    size_t length = 0;
    while (length < word.size() && !IsBlank(word[length]))
        ++length;
    word = word.substr(0, length);

    const std::string rank = whiteToMove ? "1" : "8";
    if (word == "O-O")
        return EngineMove{"e" + rank, "g" + rank, {}};
    if (word == "O-O-O")
        return EngineMove{"e" + rank, "c" + rank, {}};
    if (word.size() != 4 && word.size() != 5)
        return std::nullopt;
    EngineMove move{std::string(word.substr(0, 2)), std::string(word.substr(2, 2)), {}};
    if (SquareIndex(move.from) < 0 || SquareIndex(move.to) < 0)
        return std::nullopt;
    if (word.size() == 5) {
        move.promotion = PromotionKind(word[4]);
        if (move.promotion.empty())
            return std::nullopt;
    }
    return move;
}
