// ferrule-test-engine: a tiny xboard engine for the plug-in's tests where no real engine
// runs (the Windows suite under Wine). It plays random legal moves after a few thinking
// lines, one every 100 ms, and answers the commands the plug-in sends.
//   --chatty       writes a burst of thinking lines each step, with long main lines
//   --ignore-stop  thinks on after "?" (an unlimited search then ends only with the engine)
//   --ignore-quit  stays on after "quit" and the end of its input
//   --deaf         never reads its input
//   --uci          speaks UCI instead (see UciMode.h)
// With either of the last two it ends by itself after kStubbornLife, so that a failed test leaves
// nothing running for long.

#include "LineQueue.h"
#include "Moves.h"
#include "UciMode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ferrule;
using ferrule_test_engine::coordinateMove;
using ferrule_test_engine::legalMoves;
using ferrule_test_engine::LineQueue;
using std::chrono::milliseconds;

constexpr milliseconds kStep(100);
constexpr std::chrono::seconds kStubbornLife(30);
constexpr int kInfinite = -1;
constexpr int kStepCs = static_cast<int>(kStep.count() / 10);
// A timed move takes this fraction of the remaining time: 1/30.
constexpr int kShareOfTime = 30;
// A clock this long means no time control (an unlimited search is sent "time 180000000").
constexpr int kUnlimitedCs = 100000000;
// A chatty engine's burst per step, and the length of its main lines in plies: more than
// the plug-in reports, so that it reads the longest lines it can get.
constexpr int kChattyLines = 40;
constexpr int kChattyPlies = 40;
constexpr int kPlainPlies = 3;

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class Engine {
public:
    Engine(bool chatty, bool ignoresStop) : m_chatty(chatty), m_ignoresStop(ignoresStop) {}
    // Handles one command outside a search; false once the engine is to end.
    bool handle(const std::string& line);
    LineQueue& input() { return m_input; }

private:
    enum class Mode { kTimed, kPonder, kAnalysis };
    enum class Outcome { kMove, kQuiet, kQuit };

    Outcome think(Mode mode, const std::string& ponderMove);
    void thinkingLine(int depth, int elapsedCs, MoveCode best);
    void playAndAnnounce(MoveCode move);
    void editLine(const std::string& line);

    LineQueue m_input;
    const bool m_chatty;
    const bool m_ignoresStop;
    Position m_position = Position::initial();
    std::mt19937 m_random{12};
    bool m_force = false;
    bool m_editing = false;
    int m_editColour = 0; // 0 white pieces, 8 black pieces
    int m_timeCs = 0;
    long long m_nodes = 0;
};

bool Engine::handle(const std::string& line) {
    if (m_editing) {
        editLine(line);
        return true;
    }
    const std::string word = line.substr(0, line.find(' '));
    const std::string argument = line.size() > word.size() ? line.substr(word.size() + 1) : "";
    if (word == "quit") {
        return false;
    }
    if (word == "protover") {
        // A protocol version 1 engine, and one that says so at once.
        say("Error (unknown command): protover");
        return true;
    }
    if (word == "new") {
        m_position = Position::initial();
        m_force = false;
    } else if (word == "force") {
        m_force = true;
    } else if (word == "white" || word == "black") {
        m_position.sideToMove = word == "white" ? kWhite : kBlack;
    } else if (word == "time") {
        m_timeCs = std::atoi(argument.c_str());
    } else if (word == "edit") {
        m_editing = true;
        m_editColour = 0;
    } else if (word == "castle" && argument.size() >= 4) {
        const int bit = (argument[1] == 'w' ? 1 : 4) * (argument.size() == 4 ? 1 : 2);
        m_position.castling =
            argument[0] == '+' ? m_position.castling | bit : m_position.castling & ~bit;
    } else if (word == "ep" && argument.size() == 2 && argument[0] >= 'a' && argument[0] <= 'h' &&
               argument[1] >= '1' && argument[1] <= '8') {
        m_position.enPassant = (argument[0] - 'a') + 8 * (argument[1] - '1');
    } else if (word == "go" || word == "ponder" || word == "analyze") {
        m_force = false;
        Outcome outcome = Outcome::kQuiet;
        if (word == "ponder") {
            const std::optional<MoveCode> expected = coordinateMove(m_position, argument);
            if (!expected) {
                say("Illegal move: " + argument);
                return true;
            }
            m_position.apply(*expected);
            outcome = think(Mode::kPonder, argument);
        } else {
            outcome = think(word == "go" ? Mode::kTimed : Mode::kAnalysis, "");
        }
        return outcome != Outcome::kQuit;
    } else if (const std::optional<MoveCode> move = coordinateMove(m_position, word)) {
        m_position.apply(*move);
        if (!m_force) {
            return think(Mode::kTimed, "") != Outcome::kQuit;
        }
    } else if (word.size() >= 4 && word[0] >= 'a' && word[0] <= 'h' && word[1] >= '1' &&
               word[1] <= '8') {
        say("Illegal move: " + word);
    }
    // Everything else the plug-in sends (xboard, level, hard, easy, post, reset, ...)
    // changes nothing here.
    return true;
}

void Engine::editLine(const std::string& line) {
    static const std::string kLetters = " PNBRQK";
    if (line == ".") {
        m_editing = false;
        m_position = Position::fromBoard(m_position.squares.data(), m_position.sideToMove);
    } else if (line == "#") {
        m_position.squares.fill(0);
    } else if (line == "c") {
        m_editColour ^= kBlackBit;
    } else if (line.size() == 3 && kLetters.find(line[0]) != std::string::npos && line[1] >= 'a' &&
               line[1] <= 'h' && line[2] >= '1' && line[2] <= '8') {
        const int square = (line[1] - 'a') + 8 * (line[2] - '1');
        m_position.squares[square] =
            static_cast<std::uint8_t>(kLetters.find(line[0]) | m_editColour);
    }
}

Engine::Outcome Engine::think(Mode mode, const std::string& ponderMove) {
    const std::vector<MoveCode> moves = legalMoves(m_position);
    if (moves.empty()) {
        say(m_position.sideToMove == kWhite ? "0-1 {no move}" : "1-0 {no move}");
        return Outcome::kQuiet;
    }
    const MoveCode best = moves[m_random() % moves.size()];
    const auto budgetFor = [this] { return std::max(1, m_timeCs / kShareOfTime / kStepCs); };
    int budget = mode == Mode::kTimed && m_timeCs < kUnlimitedCs ? budgetFor() : kInfinite;
    int elapsedCs = 0;
    for (int depth = 1; budget == kInfinite || depth <= budget; ++depth) {
        if (const std::optional<std::string> line = m_input.next(kStep)) {
            if (*line == "quit") {
                return Outcome::kQuit;
            }
            if (*line == "?" && mode != Mode::kAnalysis && !m_ignoresStop) {
                break;
            }
            if (*line == "exit" && mode == Mode::kAnalysis) {
                return Outcome::kQuiet;
            }
            if (*line == ".") {
                say("stat01: " + std::to_string(elapsedCs) + " " + std::to_string(m_nodes) + " " +
                    std::to_string(depth) + " " + std::to_string(moves.size() / 2) + " " +
                    std::to_string(moves.size()));
            } else if (mode == Mode::kPonder && *line == ponderMove) {
                mode = Mode::kTimed; // the expected reply was played
                budget = depth + budgetFor();
            } else if (*line == "new" || *line == "force" || startsWith(*line, "ponder")) {
                m_input.putBack(*line);
                return Outcome::kQuiet;
            }
        }
        elapsedCs += kStepCs;
        for (int i = 0; i < (m_chatty ? kChattyLines : 1); ++i) {
            thinkingLine(depth, elapsedCs, best);
        }
    }
    if (mode == Mode::kPonder) {
        return Outcome::kQuiet; // stopped without the expected reply: no move
    }
    playAndAnnounce(best);
    return Outcome::kMove;
}

void Engine::thinkingLine(int depth, int elapsedCs, MoveCode best) {
    Position line = m_position;
    std::string text = moveText(best);
    line.apply(best);
    // A main line of random replies, legal all the way.
    for (int ply = 1; ply < (m_chatty ? kChattyPlies : kPlainPlies); ++ply) {
        const std::vector<MoveCode> replies = legalMoves(line);
        if (replies.empty()) {
            break;
        }
        const MoveCode reply = replies[m_random() % replies.size()];
        text += " " + moveText(reply);
        line.apply(reply);
    }
    m_nodes += 1000 * depth;
    const int score = static_cast<int>(m_random() % 41) - 20;
    say(std::to_string(depth) + " " + std::to_string(score) + " " + std::to_string(elapsedCs) +
        " " + std::to_string(m_nodes) + " " + text);
}

void Engine::playAndAnnounce(MoveCode move) {
    m_position.apply(move);
    say("move " + moveText(move));
}

} // namespace

int main(int argc, char** argv) {
    const std::string flag = argc > 1 ? argv[1] : "";
    const auto started = std::chrono::steady_clock::now();
    const auto stubbornLifeOver = [&] {
        return std::chrono::steady_clock::now() - started > kStubbornLife;
    };
    if (flag == "--deaf") {
        while (!stubbornLifeOver()) {
            std::this_thread::sleep_for(kStep);
        }
        return 0;
    }
    if (flag == "--uci") {
        return ferrule_test_engine::runUci();
    }
    Engine engine(flag == "--chatty", flag == "--ignore-stop");
    for (;;) {
        const std::optional<std::string> line = engine.input().next(milliseconds(1000));
        if (line && !engine.handle(*line) && flag != "--ignore-quit") {
            return 0;
        }
        if (flag == "--ignore-quit" && stubbornLifeOver()) {
            return 0;
        }
    }
}
