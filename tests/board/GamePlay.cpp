#include "GamePlay.h"

#include "game/Square.h"

#include <QLabel>

#include <random>
#include <utility>

BoardPicture ModelPicture(const BoardModel& model) {
    BoardPicture picture;
    for (const TSquare& square : model.board) {
        picture.push_back(square.piece.IsEmpty()
                              ? kNoImage
                              : PieceEntryOf(square.piece.kind, square.piece.white));
    }
    return picture;
}

std::string PictureMismatch(const TMDIChild& window, const BoardPicture& expected) {
    std::string mismatch;
    for (int i = 0; i < 64; ++i) {
        const std::string name = SquareName(i);
        const auto* image = window.findChild<QLabel*>(QString::fromStdString(name));
        const QPixmap held = image->pixmap();
        const bool heldRight =
            expected[i] == kNoImage
                ? held.isNull()
                : held.cacheKey() == window.PieceImages()[expected[i]].cacheKey();
        if (window.ShownImage(name) != expected[i] || !heldRight) {
            mismatch += name + ": expected " + std::to_string(expected[i]) + ", shows " +
                        std::to_string(window.ShownImage(name)) + (heldRight ? "" : " (picture)") +
                        "; ";
        }
    }
    return mismatch;
}

int PlayMoves(TMDIChild& window, const std::vector<std::string>& moves) {
    for (size_t i = 0; i < moves.size(); ++i) {
        const std::string& move = moves[i];
        if (move.size() == 5)
            window.game().Model().promotionChoice = KindOfLetter(move[4]);
        if (!window.game().MakeMove(move.substr(0, 2), move.substr(2, 2)))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<BoardPicture> PlayRandomGame(TMDIChild& window, unsigned seed, int maxPlies) {
    static const char* const kPromotions[] = {"Queen", "Rook", "Bishop", "Knight"};
    std::mt19937 random(seed);
    Game& game = window.game();
    std::vector<BoardPicture> pictures{ModelPicture(game.Model())};
    for (int ply = 0; ply < maxPlies && !game.Model().finished; ++ply) {
        const std::uint8_t mover = game.Model().SideToMove();
        std::vector<std::pair<std::string, std::string>> moves;
        for (const TSquare& square : game.Model().board) {
            if (square.piece.IsEmpty() || square.piece.white != mover)
                continue;
            for (const std::string& to : game.LegalTargets(square.name))
                moves.emplace_back(square.name, to);
        }
        // Castling is not among the legal targets; offer it whenever the rules allow it,
        // and prefer it, so that random games castle often.
        const std::string home = mover ? "e1" : "e8";
        for (const char* side : {"g", "c"}) {
            const std::string to = side + home.substr(1);
            if (game.Model().At(home).piece.kind == kind::King && game.IsLegalMove(home, to, true))
                moves.insert(moves.begin(), 4, {home, to});
        }
        if (moves.empty())
            break;
        const auto& [from, to] = moves[random() % moves.size()];
        game.Model().promotionChoice = kPromotions[random() % 4];
        if (!game.MakeMove(from, to))
            break;
        pictures.push_back(ModelPicture(game.Model()));
    }
    return pictures;
}

const std::vector<std::vector<std::string>>& ScriptedGames() {
    static const std::vector<std::vector<std::string>> games = {
        // En passant by White, then by Black; White castles short, Black long.
        {"e2e4", "g8f6", "e4e5", "d7d5", "e5d6", "c7d6", "g1f3", "h7h5", "f1e2", "h5h4",
         "g2g4", "h4g3", "e1g1", "b8c6", "d2d3", "c8e6", "b1c3", "d8d7", "c1e3", "e8c8"},
        // Promotions that capture, for White (to a knight) and for Black (to a bishop);
        // then White castles long.
        {"a2a4",  "b7b5", "a4b5", "h7h6", "b5b6", "h6h5", "b6c7", "h5h4",
         "c7d8N", "e8d8", "e2e3", "h4h3", "b1c3", "h3g2", "f1e2", "g2h1B",
         "d2d4",  "d8e8", "d1d3", "e8d8", "c1d2", "d8e8", "e1c1"},
        // Both sides castle short.
        {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5", "e1g1", "e8g8"},
    };
    return games;
}
