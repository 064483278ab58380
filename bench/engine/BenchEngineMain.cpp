// engine-bench-stand-in: an engine for the benchmarks of the engine layer, which answers
// at once with a legal move chosen by the rules library, so that what is measured is the
// program's path from the reply to the board and not the engine's thinking. It takes no
// arguments, as engines are started; the environment says:
//
//   ROOKVALE_BENCH_PROTOCOL  "uci" or "xboard" (the default)
//   ROOKVALE_BENCH_LOG       a file that gets, on the steady clock in nanoseconds,
//                            "reply NS" just before each reply line is written and
//                            "told NS MS" when a search is told its own time (MS);
//                            "flood LINES BYTES" after each flood
//   ROOKVALE_BENCH_FLOOD_MS  before each reply, print thinking lines (UCI "info ... pv",
//                            xboard "depth score time nodes pv") as fast as the pipe takes
//                            them for this long
#include "game/Game.h"
#include "game/NullDisplay.h"
#include "game/Piece.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

void writeAll(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            std::exit(0); // the program went away
        done += static_cast<size_t>(n);
    }
}

class StandIn {
public:
    StandIn() : m_game(m_display) {
        const char* protocol = std::getenv("ROOKVALE_BENCH_PROTOCOL");
        m_uci = protocol && std::string(protocol) == "uci";
        if (const char* log = std::getenv("ROOKVALE_BENCH_LOG"))
            m_log = std::fopen(log, "a");
        if (const char* flood = std::getenv("ROOKVALE_BENCH_FLOOD_MS"))
            m_floodMs = std::atoi(flood);
    }

    // Returns false on "quit".
    bool Read(const std::string& line) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "quit")
            return false;
        if (m_uci)
            ReadUci(first, words);
        else
            ReadXboard(first, words, line);
        return true;
    }

private:
    void ReadUci(const std::string& first, std::istringstream& words) {
        if (first == "uci") {
            writeAll("id name Bench Stand-in\nid author Rookvale\nuciok\n");
        } else if (first == "isready") {
            writeAll("readyok\n");
        } else if (first == "position") {
            m_game = Game(m_display);
            std::string word;
            while (words >> word) {
                if (word != "startpos" && word != "moves")
                    Play(word);
            }
        } else if (first == "go") {
            const std::string own = m_game.Model().SideToMove() ? "wtime" : "btime";
            std::string word;
            while (words >> word) {
                long long ms = 0;
                if (word == own && words >> ms)
                    Log("told " + std::to_string(nowNs()) + ' ' + std::to_string(ms));
            }
            Reply();
        }
    }

    void ReadXboard(const std::string& first, std::istringstream& words, const std::string& line) {
        if (first == "new") {
            m_game = Game(m_display);
            m_forced = false;
        } else if (first == "protover") {
            writeAll("feature myname=\"Bench Stand-in\" ping=1 setboard=0 done=1\n");
        } else if (first == "ping") {
            std::string number;
            words >> number;
            writeAll("pong " + number + '\n');
        } else if (first == "force" || first == "result") {
            m_forced = true;
        } else if (first == "go") {
            m_forced = false;
            Reply();
        } else if (first == "time") {
            long long centiseconds = 0;
            if (words >> centiseconds)
                Log("told " + std::to_string(nowNs()) + ' ' + std::to_string(centiseconds * 10));
        } else if (line.size() >= 4 && Play(first) && !m_forced) {
            Reply();
        }
    }

    // Makes a move in coordinates ("e2e4", "a7a8q"); false when it is none of the position.
    bool Play(const std::string& move) {
        if (move.size() < 4 || move.size() > 5)
            return false;
        BoardModel& model = m_game.Model();
        model.promotionChoice =
            move.size() == 5 ? PromotionKindOfLetter(move[4]) : std::string(kind::Queen);
        return m_game.MakeMove(move.substr(0, 2), move.substr(2, 2));
    }

    std::optional<std::string> Choose() {
        const std::vector<Game::SquarePair> moves = m_game.LegalMoves();
        if (moves.empty() || m_game.Model().finished)
            return std::nullopt;
        const Game::SquarePair pick =
            moves[std::uniform_int_distribution<size_t>(0, moves.size() - 1)(m_random)];
        const BoardModel& model = m_game.Model();
        std::string text = model.board[pick.from].name + model.board[pick.to].name;
        const char rank = text[3];
        if (model.board[pick.from].piece.kind == kind::Pawn && (rank == '1' || rank == '8'))
            text += 'q';
        return text;
    }

    void Flood(const std::string& move) {
        if (m_floodMs <= 0)
            return;
        const auto end = SteadyClock::now() + std::chrono::milliseconds(m_floodMs);
        long long lines = 0, bytes = 0;
        std::string chunk;
        while (SteadyClock::now() < end) {
            chunk.clear();
            for (int i = 0; i < 64; ++i, ++lines) {
                const std::string depth = std::to_string(1 + lines % 40);
                const std::string score = std::to_string(lines % 200 - 100);
                const std::string nodes = std::to_string(lines * 1000);
                chunk += m_uci ? "info depth " + depth + " seldepth " + depth +
                                     " multipv 1 score cp " + score + " nodes " + nodes +
                                     " nps 1000000 hashfull 3 tbhits 0 time " +
                                     std::to_string(lines) + " pv " + move + '\n'
                               : depth + ' ' + score + ' ' + std::to_string(lines) + ' ' + nodes +
                                     ' ' + move + '\n';
            }
            bytes += static_cast<long long>(chunk.size());
            writeAll(chunk);
        }
        Log("flood " + std::to_string(lines) + ' ' + std::to_string(bytes));
    }

    void Reply() {
        const std::optional<std::string> move = Choose();
        if (!move) {
            if (m_uci)
                writeAll("bestmove (none)\n");
            return;
        }
        Flood(*move);
        Play(*move);
        Log("reply " + std::to_string(nowNs()));
        writeAll(m_uci ? "bestmove " + *move + '\n' : "move " + *move + '\n');
    }

    void Log(const std::string& text) {
        if (!m_log)
            return;
        std::fputs((text + '\n').c_str(), m_log);
        std::fflush(m_log);
    }

    NullDisplay m_display;
    Game m_game;
    bool m_uci = false;
    bool m_forced = false;
    int m_floodMs = 0;
    std::FILE* m_log = nullptr;
    std::minstd_rand m_random{2026};
};

} // namespace

int main() {
    StandIn engine;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!engine.Read(line))
            break;
    }
    return 0;
}
