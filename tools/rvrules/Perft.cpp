#include "Perft.h"

#include "game/Square.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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
    const std::uint8_t toMove = position.Model().SideToMove();
    std::uint64_t nodes = 0;
    for (int index = 0; index < 64; ++index) {
        const TSquare& square = position.Model().board[index];
        if (square.piece.IsEmpty() || square.piece.white != toMove) {
            continue;
        }
        std::vector<std::string> targets = position.LegalTargets(square.name);
        if (square.piece.kind == kind::King) {
            for (const char* castle : {"g1", "c1", "g8", "c8"}) {
                if (position.IsLegalMove(square.name, castle, true) &&
                    std::abs(FileOf(index) - FileOf(SquareIndex(castle))) == 2) {
                    targets.push_back(castle);
                }
            }
        }
        const bool pawn = square.piece.kind == kind::Pawn;
        for (const std::string& target : targets) {
            const int rank = target[1] - '0';
            if (pawn && (rank == 8 || rank == 1)) {
                for (const std::string_view kind : kPromotionKinds) {
                    nodes += CountMove(position, square.name, target, std::string(kind), depth,
                                       last, scratch);
                }
            } else {
                nodes += CountMove(position, square.name, target, {}, depth, last, scratch);
            }
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
