#include "EngineReply.h"

#include "game/Game.h"
#include "game/Piece.h"
#include "game/Square.h"

#include <algorithm>

namespace {

constexpr std::string_view kMoveMarker = "move ";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// GNU Chess announces its reply as "My move is : d7d5".
constexpr std::string_view kAnnouncement = "is : ";

// The word after the first "move " of the line, or nothing without the marker.
std::optional<std::string_view> MoveWord(std::string_view line) {
    const size_t marker = line.find(kMoveMarker);
    if (marker == std::string_view::npos)
        return std::nullopt;
    std::string_view word = line.substr(marker + kMoveMarker.size());
    if (word.starts_with(kAnnouncement))
        word.remove_prefix(kAnnouncement.size());
    size_t length = 0;
    while (length < word.size() && !IsBlank(word[length]))
        ++length;
    return word.substr(0, length);
}

bool IsFile(char c) {
    return c >= 'a' && c <= 'h';
}

bool IsRank(char c) {
    return c >= '1' && c <= '8';
}

// Short algebraic notation without check marks and "=": the one legal move of the side to
// move that fits, or nothing.
std::optional<EngineMove> ReadShortNotation(std::string text, Game& game) {
    std::string promotion;
    if (text.size() >= 3 && IsRank(text[text.size() - 2])) {
        promotion = PromotionKindOfLetter(text.back());
        if (promotion.empty())
            return std::nullopt;
        text.pop_back();
    }
    if (text.size() < 2)
        return std::nullopt;
    const std::string to = text.substr(text.size() - 2);
    if (SquareIndex(to) < 0)
        return std::nullopt;
    std::string body = text.substr(0, text.size() - 2);
    std::string moving(kind::Pawn);
    if (!body.empty() && std::string_view("NBRQK").find(body[0]) != std::string_view::npos) {
        moving = KindOfLetter(body[0]);
        body.erase(0, 1);
    }
    if (!body.empty() && body.back() == 'x')
        body.pop_back();
    if (body.size() > 2)
        return std::nullopt;
    for (const char c : body) {
        if (!IsFile(c) && !IsRank(c))
            return std::nullopt;
    }
    // A pawn reaching the last rank must say what it becomes, and only then may it.
    const bool lastRank = to[1] == '1' || to[1] == '8';
    if (moving == kind::Pawn ? lastRank == promotion.empty() : !promotion.empty())
        return std::nullopt;

    std::optional<EngineMove> found;
    const std::uint8_t mover = game.Model().SideToMove();
    for (const TSquare& square : game.Model().board) {
        if (square.piece.kind != moving || square.piece.white != mover)
            continue;
        bool fits = true;
        for (const char c : body)
            fits = fits && (IsFile(c) ? square.name[0] == c : square.name[1] == c);
        if (!fits)
            continue;
        const std::vector<std::string> targets = game.LegalTargets(square.name);
        if (std::find(targets.begin(), targets.end(), to) == targets.end())
            continue;
        if (found)
            return std::nullopt;
        found = EngineMove{square.name, to, promotion};
    }
    return found;
}

} // namespace

std::optional<EngineMove> ReadEngineMoveIn(std::string_view line, Game& game) {
    const bool whiteToMove = game.Model().SideToMove() == 1;
    if (std::optional<EngineMove> move = ReadEngineMove(line, whiteToMove))
        return move;
    const std::optional<std::string_view> word = MoveWord(line);
    if (!word)
        return std::nullopt;
    std::string text(*word);
    while (!text.empty() && (text.back() == '+' || text.back() == '#'))
        text.pop_back();
    if (text == "O-O" || text == "O-O-O")
        return ReadEngineMove("move " + text, whiteToMove);
    // Long algebraic ("e7-e5", "Ng8-f6", "Nf3xd4"): the two squares are the coordinates.
    std::string squares = text;
    if (!squares.empty() && std::string_view("NBRQK").find(squares[0]) != std::string_view::npos)
        squares.erase(0, 1);
    if (squares.size() >= 5 && (squares[2] == '-' || squares[2] == 'x') &&
        SquareIndex(squares.substr(0, 2)) >= 0 && SquareIndex(squares.substr(3, 2)) >= 0) {
        squares.erase(2, 1);
        std::erase(squares, '=');
        return ReadEngineMove("move " + squares, whiteToMove);
    }
    if (const size_t equals = text.find('='); equals != std::string::npos) {
        if (equals + 2 != text.size())
            return std::nullopt;
        text.erase(equals, 1);
        if (std::optional<EngineMove> move = ReadEngineMove("move " + text, whiteToMove))
            return move;
    }
    return ReadShortNotation(text, game);
}

std::optional<EngineMove> ReadEngineMove(std::string_view line, bool whiteToMove) {
    const std::optional<std::string_view> found = MoveWord(line);
    if (!found)
        return std::nullopt;
    const std::string_view word = *found;

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
        move.promotion = PromotionKindOfLetter(word[4]);
        if (move.promotion.empty())
            return std::nullopt;
    }
    return move;
}
