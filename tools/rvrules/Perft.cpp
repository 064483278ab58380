#include "Perft.h"

#include "game/Square.h"

#include <array>

namespace {

constexpr std::array<Cell, 4> kPromotionKinds = {cell::Queen, cell::Rook, cell::Bishop,
                                                 cell::Knight};
// More than the most legal moves any position has (218).
constexpr int kMaxMoves = 256;

enum class LastMoves { Made, Counted };

std::uint64_t Count(Position& position, int depth, LastMoves last) {
    if (depth == 0) {
        return 1;
    }
    // Gathered first: making a move while the generator walks the cells would change them.
    struct Move {
        std::int8_t from;
        std::int8_t to;
    };
    std::array<Move, kMaxMoves> moves;
    int count = 0;
    position.VisitLegalMoves([&](int from, int to) {
        moves[count++] = {static_cast<std::int8_t>(from), static_cast<std::int8_t>(to)};
        return count == kMaxMoves;
    });
    std::uint64_t nodes = 0;
    for (int i = 0; i < count; ++i) {
        const Move move = moves[i];
        const int rank = RankOf(move.to);
        const bool promotes =
            KindOfCell(position.At(move.from)) == cell::Pawn && (rank == 8 || rank == 1);
        if (depth == 1 && last == LastMoves::Counted) {
            nodes += promotes ? kPromotionKinds.size() : 1;
            continue;
        }
        for (const Cell kind : kPromotionKinds) {
            const Position::Undo undo = position.Make(move.from, move.to, kind);
            nodes += Count(position, depth - 1, last);
            position.Unmake(undo);
            if (!promotes) {
                break;
            }
        }
    }
    return nodes;
}

} // namespace

std::uint64_t Perft(Game& game, int depth) {
    Position position = game.Current();
    return Count(position, depth, LastMoves::Made);
}

std::uint64_t PerftCountingLastMoves(Game& game, int depth) {
    Position position = game.Current();
    return Count(position, depth, LastMoves::Counted);
}
