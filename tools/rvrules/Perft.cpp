#include "Perft.h"

#include "game/Square.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr std::array<std::string_view, 4> kPromotionKinds = {kind::Queen, kind::Rook, kind::Bishop,
                                                             kind::Knight};

enum class LastMoves { Made, Counted };

// One game per remaining depth, reused for every move at that depth: assigning a game
// into one that already holds a position reuses its strings instead of allocating anew.
using Scratch = std::vector<Game>;

std::uint64_t Count(Game& position, int depth, LastMoves last, Scratch& scratch);

std::uint64_t CountMove(const Game& game, const std::string& from, const std::string& to,
                        const std::string& promotionChoice, int depth, LastMoves last,
                        Scratch& scratch) {
    if (depth == 1 && last == LastMoves::Counted) {
        return 1;
    }
    Game& next = scratch[depth - 1];
    next = game;
    next.Model().promotionChoice = promotionChoice;
    return next.MakeMove(from, to) ? Count(next, depth - 1, last, scratch) : 0;
}

std::uint64_t Count(Game& position, int depth, LastMoves last, Scratch& scratch) {
    if (depth == 0) {
        return 1;
    }
    const auto& board = position.Model().board;
    std::uint64_t nodes = 0;
    for (const Game::SquarePair& move : position.LegalMoves()) {
        const std::string& from = board[move.from].name;
        const std::string& to = board[move.to].name;
        const int rank = RankOf(move.to);
        if (board[move.from].piece.kind == kind::Pawn && (rank == 8 || rank == 1)) {
            for (const std::string_view kind : kPromotionKinds) {
                nodes += CountMove(position, from, to, std::string(kind), depth, last, scratch);
            }
        } else {
            nodes += CountMove(position, from, to, {}, depth, last, scratch);
        }
    }
    return nodes;
}

} // namespace

std::uint64_t Perft(Game& game, int depth) {
    Scratch scratch(std::max(depth, 0), game);
    return Count(game, depth, LastMoves::Made, scratch);
}

std::uint64_t PerftCountingLastMoves(Game& game, int depth) {
    Scratch scratch(std::max(depth, 0), game);
    return Count(game, depth, LastMoves::Counted, scratch);
}
