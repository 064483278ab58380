// rvrules: the rules library on the command line.
//   rvrules perft DEPTH [FEN]   prints "nodes N"; DEPTH 0 to 10
//   rvrules play [FEN]          reads moves from standard input, one per line

#include "Perft.h"
#include "PlaySession.h"

#include "game/NullDisplay.h"

#include <charconv>
#include <iostream>
#include <string>

namespace {

// A deeper count would run for days, and a huge depth asks for a scratch game per level
// before the first move is counted.
constexpr int kMaxPerftDepth = 10;

int Usage() {
    std::cerr << "usage: rvrules perft DEPTH [FEN]   (DEPTH 0 to 10)\n"
                 "       rvrules play [FEN]\n";
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

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "perft") {
        return RunPerft(argc, argv);
    }
    if (command == "play") {
        return RunPlay(argc, argv);
    }
    return Usage();
}
