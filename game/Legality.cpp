// The legality questions of the game window, answered by the compact position.

#include "Game.h"
#include "Square.h"

bool Game::IsLegalMove(const std::string& from, const std::string& to, bool ownKingTest) {
    const int s = SquareIndex(from);
    const int t = SquareIndex(to);
    return s >= 0 && t >= 0 && Current().IsLegalMove(s, t, ownKingTest);
}

std::vector<std::string> Game::LegalTargets(const std::string& square) {
    std::vector<std::string> targets;
    const int from = SquareIndex(square);
    if (from < 0) {
        return targets;
    }
    Current().VisitLegalTargets(from, [&](int target) {
        targets.push_back(m_model.board[target].name);
        return false;
    });
    return targets;
}

std::vector<Game::SquarePair> Game::LegalMoves() {
    std::vector<SquarePair> moves;
    Current().VisitLegalMoves([&](int from, int to) {
        moves.push_back({from, to});
        return false;
    });
    return moves;
}

std::vector<int> Game::LegalOrigins(int to) {
    std::vector<int> origins;
    if (to < 0 || to >= 64) {
        return origins;
    }
    const Position& position = Current();
    const std::uint8_t toMove = position.SideToMove();
    for (int from = 0; from < 64; ++from) {
        const Cell piece = position.At(from);
        if (piece != cell::Empty && ColourOfCell(piece) == toMove &&
            position.IsLegalMove(from, to, true)) {
            origins.push_back(from);
        }
    }
    return origins;
}
