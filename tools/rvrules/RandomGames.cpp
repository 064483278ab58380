#include "RandomGames.h"

#include "game/Game.h"
#include "game/Square.h"
#include "game/TextDisplay.h"

#include <cstdlib>
#include <random>
#include <utility>

namespace {

constexpr std::string_view kPromotionKinds[] = {kind::Queen, kind::Rook, kind::Bishop,
                                                kind::Knight};

// Every legal move of the side to move, castling included.
std::vector<std::pair<std::string, std::string>> LegalMoves(Game& game) {
    std::vector<std::pair<std::string, std::string>> moves;
    for (int index = 0; index < 64; ++index) {
        const TSquare& square = game.Model().board[index];
        if (square.piece.IsEmpty() || square.piece.white != game.Model().SideToMove()) {
            continue;
        }
        for (const std::string& target : game.LegalTargets(square.name)) {
            moves.emplace_back(square.name, target);
        }
        if (square.piece.kind == kind::King) {
            for (const char* castle : {"g1", "c1", "g8", "c8"}) {
                if (std::abs(FileOf(index) - FileOf(SquareIndex(castle))) == 2 &&
                    game.IsLegalMove(square.name, castle, true)) {
                    moves.emplace_back(square.name, castle);
                }
            }
        }
    }
    return moves;
}

} // namespace

std::vector<RandomGame> RandomGames(int count, int maxPlies, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<RandomGame> games;
    for (int i = 0; i < count; ++i) {
        TextDisplay display;
        Game game(display);
        while (!game.Model().finished && game.LivePosition() < maxPlies) {
            const auto moves = LegalMoves(game);
            if (moves.empty()) {
                break;
            }
            const auto& [from, to] = moves[random() % moves.size()];
            game.Model().promotionChoice = std::string(kPromotionKinds[random() % 4]);
            game.MakeMove(from, to);
        }
        games.push_back({game.Model().moveRecord, display.Title()});
    }
    return games;
}
