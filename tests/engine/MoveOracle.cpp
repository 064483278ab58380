// engine-test-moves [--safe] SAN...: replays a game given as the move list shows it and
// prints the side to move ("white" or "black", then " finished" when the game has ended)
// and then every legal move of that side, one per line ("e2e4", "e1g1", "a7a8q"); with
// --safe only those after which the other side cannot mate at once, when there are any.
// Exits with 1 when a move of the list is no legal move of its position. The real-engine
// tests use it to pick the user's moves, so that games against engines last, and to check
// that every move the program shows was legal.
#include "game/Game.h"
#include "game/TextDisplay.h"

#include <cctype>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Candidate {
    std::string from;
    std::string to;
    std::string promotion; // kind, or empty
    std::string Text() const {
        std::string text = from + to;
        if (!promotion.empty())
            text +=
                (promotion == "Knight"
                     ? 'n'
                     : static_cast<char>(std::tolower(static_cast<unsigned char>(promotion[0]))));
        return text;
    }
};

std::vector<Candidate> LegalMoves(Game& game) {
    std::vector<Candidate> moves;
    const std::uint8_t mover = game.Model().SideToMove();
    for (const TSquare& square : game.Model().board) {
        if (square.piece.IsEmpty() || square.piece.white != mover)
            continue;
        for (const std::string& to : game.LegalTargets(square.name)) {
            const bool promotion =
                square.piece.kind == kind::Pawn && (to[1] == '1' || to[1] == '8');
            if (!promotion) {
                moves.push_back({square.name, to, {}});
                continue;
            }
            for (const char* kindName : {"Queen", "Rook", "Bishop", "Knight"})
                moves.push_back({square.name, to, kindName});
        }
    }
    const std::string home = mover ? "e1" : "e8";
    if (game.Model().At(home).piece.kind == kind::King &&
        game.Model().At(home).piece.white == mover) {
        for (const char* file : {"g", "c"}) {
            const std::string to = file + home.substr(1);
            if (game.IsLegalMove(home, to, true))
                moves.push_back({home, to, {}});
        }
    }
    return moves;
}

// The notation the move list shows for `move`, found by making it on a copy.
std::string NotationOf(const Game& game, const Candidate& move) {
    Game trial = game;
    TextDisplay display;
    trial.SetDisplay(display);
    trial.Model().promotionChoice = move.promotion;
    if (!trial.MakeMove(move.from, move.to) || display.MoveList().empty())
        return {};
    return display.MoveList().back();
}

// Whether the side to move after `move` has a move that mates.
bool AllowsMate(const Game& game, const Candidate& move) {
    Game after = game;
    NullDisplay quiet;
    after.SetDisplay(quiet);
    after.Model().promotionChoice = move.promotion;
    after.MakeMove(move.from, move.to);
    for (const Candidate& reply : LegalMoves(after)) {
        Game trial = after;
        TextDisplay display;
        trial.SetDisplay(display);
        trial.Model().promotionChoice = reply.promotion;
        if (trial.MakeMove(reply.from, reply.to) &&
            display.Title().find("Wins") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    TextDisplay display;
    Game game(display);
    const bool safe = argc > 1 && std::string(argv[1]) == "--safe";
    for (int i = safe ? 2 : 1; i < argc; ++i) {
        const std::string shown = argv[i];
        bool made = false;
        for (const Candidate& move : LegalMoves(game)) {
            if (NotationOf(game, move) != shown)
                continue;
            game.Model().promotionChoice = move.promotion;
            made = game.MakeMove(move.from, move.to);
            break;
        }
        if (!made) {
            std::cerr << "move " << i << " (" << shown << ") is not legal here\n";
            return 1;
        }
    }
    std::cout << (game.Model().SideToMove() ? "white" : "black")
              << (game.Model().finished ? " finished" : "") << "\n";
    std::vector<Candidate> moves = LegalMoves(game);
    if (safe) {
        std::vector<Candidate> kept;
        for (const Candidate& move : moves) {
            if (!AllowsMate(game, move))
                kept.push_back(move);
        }
        if (!kept.empty())
            moves = kept;
    }
    for (const Candidate& move : moves)
        std::cout << move.Text() << "\n";
    return 0;
}
