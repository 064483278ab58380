#include "MoveHints.h"

#include "game/Square.h"

std::vector<int> LegalTargetSquares(Game& game, int from) {
    std::vector<int> targets;
    for (const Game::SquarePair& move : game.LegalMoves()) {
        if (move.from == from)
            targets.push_back(move.to);
    }
    return targets;
}

int CheckedKingSquare(Game& game) {
    const BoardModel& model = game.Model();
    const std::uint8_t mover = model.SideToMove();
    int king = -1;
    for (int i = 0; i < 64; ++i) {
        const TPiece& piece = model.board[i].piece;
        if (piece.kind == kind::King && piece.white == mover)
            king = i;
    }
    if (king < 0)
        return -1;
    const std::string kingName = SquareName(king);
    // The plain movement test is the rules' test of whether a piece attacks a square.
    for (int i = 0; i < 64; ++i) {
        const TPiece& piece = model.board[i].piece;
        if (!piece.IsEmpty() && piece.white != mover &&
            game.IsLegalMove(SquareName(i), kingName, false))
            return king;
    }
    return -1;
}
