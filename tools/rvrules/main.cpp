// rvrules: the rules library on the command line.
//   rvrules perft DEPTH [FEN]   prints "nodes N"; DEPTH 0 to 10
//   rvrules play [FEN]          reads moves from standard input, one per line
//   rvrules fen FEN [MOVE...]   prints the FEN after the moves (SAN or long algebraic)
//   rvrules pgn FILE            checks every move of every game of a PGN file

#include "Perft.h"
#include "PlaySession.h"

#include "PgnCheck.h"

#include "game/Fen.h"
#include "game/NullDisplay.h"
#include "game/San.h"

#include <charconv>
#include <iostream>
#include <string>

namespace {

// A deeper count would run for days, and a huge depth asks for a scratch game per level
// before the first move is counted.
constexpr int kMaxPerftDepth = 10;

int Usage() {
    std::cerr << "usage: rvrules perft DEPTH [FEN]   (DEPTH 0 to 10)\n"
                 "       rvrules play [FEN]\n"
                 "       rvrules fen FEN [MOVE...]\n"
                 "       rvrules pgn FILE\n";
    return 2;
}

bool SetUp(Game& game, int argc, char** argv, int fenArgument) {
    if (argc <= fenArgument) {
        return true;
    }
    if (!game.Model().SetUpFromFen(argv[fenArgument])) {
        std::cerr << "rvrules: not a valid FEN: " << argv[fenArgument] << "\n";
        return false;
    }
    return true;
}

int RunPerft(int argc, char** argv) {
    int depth = -1;
    const std::string text = argc > 2 ? argv[2] : "";
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), depth);
    if (error != std::errc() || end != text.data() + text.size() || depth < 0 ||
        depth > kMaxPerftDepth || argc > 4) {
        return Usage();
    }
    NullDisplay display;
    Game game(display);
    if (!SetUp(game, argc, argv, 3)) {
        return 1;
    }
    std::cout << "nodes " << Perft(game, depth) << "\n";
    return 0;
}

int RunPlay(int argc, char** argv) {
    if (argc > 3) {
        return Usage();
    }
    PlaySession session;
    if (!SetUp(session.game(), argc, argv, 2)) {
        return 1;
    }
    for (std::string line; std::getline(std::cin, line);) {
        std::cout << session.Play(line) << std::endl;
    }
    return 0;
}

int RunFen(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    if (const std::string refusal = FenRefusal(argv[2]); !refusal.empty()) {
        std::cerr << "rvrules: FEN refused: " << refusal << "\n";
        return 1;
    }
    NullDisplay display;
    Game game(display);
    game.Model().SetUpFromFen(argv[2]);
    for (int i = 3; i < argc; ++i) {
        SanMove move;
        if (ReadSan(game, argv[i], move) != SanStatus::Found) {
            std::cerr << "rvrules: move " << i - 2 << " refused: " << argv[i] << "\n";
            return 1;
        }
        game.Model().promotionChoice = move.promotion;
        game.MakeMove(move.from, move.to);
    }
    std::cout << FenText(game.Model()) << "\n";
    return 0;
}

int RunPgn(int argc, char** argv) {
    if (argc != 3) {
        return Usage();
    }
    return CheckPgnFile(argv[2], std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "perft") {
        return RunPerft(argc, argv);
    }
    if (command == "play") {
        return RunPlay(argc, argv);
    }
    if (command == "fen") {
        return RunFen(argc, argv);
    }
    if (command == "pgn") {
        return RunPgn(argc, argv);
    }
    return Usage();
}
