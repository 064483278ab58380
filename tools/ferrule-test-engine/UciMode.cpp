#include "UciMode.h"

#include "LineQueue.h"
#include "Moves.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ferrule_test_engine {

namespace {

using namespace ferrule;
using std::chrono::milliseconds;

constexpr milliseconds kStep(100);
constexpr int kInfinite = -1;
// A timed search takes this fraction of the remaining time: 1/30.
constexpr long long kShareOfTime = 30;
constexpr int kPlies = 3;

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// Placement and side of a FEN; castling rights as the pieces allow them, no en passant.
Position fromFen(const std::vector<std::string>& words, std::size_t at) {
    std::array<std::uint8_t, 64> board{};
    const std::string kLetters = "pnbrqk";
    int rank = 7;
    int file = 0;
    for (const char c : at < words.size() ? words[at] : std::string()) {
        if (c == '/') {
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else if (const std::size_t type = kLetters.find(static_cast<char>(std::tolower(c)));
                   type != std::string::npos && rank >= 0 && file < 8) {
            board[makeSquare(file++, rank)] =
                static_cast<std::uint8_t>((type + 1) | (std::islower(c) ? kBlackBit : 0));
        }
    }
    const bool black = at + 1 < words.size() && words[at + 1] == "b";
    return Position::fromBoard(board.data(), black ? kBlack : kWhite);
}

class UciEngine {
public:
    int run();

private:
    void setPosition(const std::vector<std::string>& words);
    // Thinks until done; false when told to quit meanwhile.
    bool go(const std::vector<std::string>& words);
    std::string mainLine(MoveCode best);

    LineQueue m_input;
    Position m_position = Position::initial();
    std::mt19937 m_random{21};
    long long m_nodes = 0;
};

int UciEngine::run() {
    for (;;) {
        const std::optional<std::string> line = m_input.next(milliseconds(1000));
        if (!line) {
            continue;
        }
        const std::vector<std::string> words = wordsOf(*line);
        const std::string command = words.empty() ? std::string() : words[0];
        if (command == "quit") {
            return 0;
        }
        if (command == "uci") {
            say("id name Ferrule Test Engine");
            say("id author The Ferrule tests");
            say("option name Hash type spin default 1 min 1 max 16");
            say("uciok");
        } else if (command == "isready") {
            say("readyok");
        } else if (command == "position") {
            setPosition(words);
        } else if (command == "go" && !go(words)) {
            return 0;
        }
        // ucinewgame, setoption, and a stray stop or ponderhit change nothing here.
    }
}

void UciEngine::setPosition(const std::vector<std::string>& words) {
    const auto moves = std::find(words.begin(), words.end(), "moves");
    m_position = words.size() > 2 && words[1] == "fen" ? fromFen(words, 2) : Position::initial();
    for (auto word = moves == words.end() ? moves : moves + 1; word < words.end(); ++word) {
        if (const std::optional<MoveCode> move = coordinateMove(m_position, *word)) {
            m_position.apply(*move);
        }
    }
}

std::string UciEngine::mainLine(MoveCode best) {
    Position line = m_position;
    std::string text = moveText(best);
    line.apply(best);
    for (int ply = 1; ply < kPlies; ++ply) {
        const std::vector<MoveCode> replies = legalMoves(line);
        if (replies.empty()) {
            break;
        }
        const MoveCode reply = replies[m_random() % replies.size()];
        text += " " + moveText(reply);
        line.apply(reply);
    }
    return text;
}

bool UciEngine::go(const std::vector<std::string>& words) {
    const auto value = [&](const std::string& name) -> long long {
        const auto at = std::find(words.begin(), words.end(), name);
        return at != words.end() && at + 1 != words.end() ? std::atoll((at + 1)->c_str()) : -1;
    };
    const bool ponder = std::find(words.begin(), words.end(), "ponder") != words.end();
    const bool infinite = std::find(words.begin(), words.end(), "infinite") != words.end();
    const long long clock = value(m_position.sideToMove == kWhite ? "wtime" : "btime");
    const auto stepsFor = [&] {
        return clock < 0 ? 10
                         : static_cast<int>(std::max(1LL, clock / kShareOfTime / kStep.count()));
    };
    const int depth = static_cast<int>(value("depth"));
    int steps = infinite || ponder ? kInfinite : depth > 0 ? depth : stepsFor();
    const std::vector<MoveCode> moves = legalMoves(m_position);
    if (moves.empty()) {
        say("bestmove (none)");
        return true;
    }
    const MoveCode best = moves[m_random() % moves.size()];
    for (int depth = 1; steps == kInfinite || depth <= steps; ++depth) {
        if (const std::optional<std::string> line = m_input.next(kStep)) {
            if (*line == "quit") {
                return false;
            }
            if (*line == "stop") {
                break;
            }
            if (*line == "ponderhit" && ponder) {
                steps = depth + stepsFor();
            }
        }
        m_nodes += 1000 * depth;
        const int score = static_cast<int>(m_random() % 41) - 20;
        say("info depth " + std::to_string(depth) + " score cp " + std::to_string(score) +
            " nodes " + std::to_string(m_nodes) + " time " + std::to_string(depth * kStep.count()) +
            " pv " + mainLine(best));
    }
    say("bestmove " + moveText(best));
    return true;
}

} // namespace

int runUci() {
    return UciEngine().run();
}

} // namespace ferrule_test_engine
