// bench-engine-match: stockfish (UCI) and fairymax (xboard), each against itself at 1+0
// through the engine layer under the program's clock; prints every game's result and
// the least time a side had left when it moved, then the forfeits of each engine, how long
// a reply took from being read off the engine's pipe to the clock stopping, and the reserve
// the engine was given.
// ROOKVALE_BENCH_GAMES sets the games per engine (10); an engine not installed is skipped.
#include "ClockedMatch.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Entrant {
    const char* path;
    EngineProtocol protocol;
};
constexpr Entrant kEntrants[] = {{"/usr/games/stockfish", EngineProtocol::Uci},
                                 {"/usr/games/fairymax", EngineProtocol::Xboard}};

double seconds(ClockTime time) {
    return static_cast<double>(time.count()) / 1e6;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int games = std::max(1, qEnvironmentVariableIntValue("ROOKVALE_BENCH_GAMES") > 0
                                      ? qEnvironmentVariableIntValue("ROOKVALE_BENCH_GAMES")
                                      : 10);
    const TimeControl control = *ParseTimeControl("1+0").control;
    for (const Entrant& entrant : kEntrants) {
        const QString path = QString::fromLatin1(entrant.path);
        if (!QFileInfo(path).isExecutable()) {
            std::printf("%s: not installed, skipped\n", entrant.path);
            continue;
        }
        ClockedMatch match(path, entrant.protocol, control);
        int forfeits = 0;
        int broken = 0;
        std::vector<double> margins;
        std::vector<double> readToStop;
        std::vector<double> reserves;
        for (int number = 1; number <= games; ++number) {
            const ClockedMatch::GameRecord game = match.Play();
            const bool timed = game.smallestMargin != ClockTime::max();
            std::printf("%s 1+0 game %d: %s after %d plies (%s), least time left at a move "
                        "%.3f s\n",
                        entrant.path, number, game.result.c_str(), game.plies, game.reason.c_str(),
                        timed ? seconds(game.smallestMargin) : -1.0);
            std::fflush(stdout);
            forfeits += game.forfeit ? 1 : 0;
            broken += game.result == "*" ? 1 : 0;
            if (timed)
                margins.push_back(seconds(game.smallestMargin));
            readToStop.insert(readToStop.end(), game.readToStopMs.begin(), game.readToStopMs.end());
            reserves.insert(reserves.end(), game.reserveMs.begin(), game.reserveMs.end());
        }
        std::sort(margins.begin(), margins.end());
        std::printf("%s 1+0: %d games, %d time forfeits, %d broken off; least time left at a "
                    "move: smallest %.3f s, median of the games %.3f s\n",
                    entrant.path, games, forfeits, broken, margins.empty() ? -1.0 : margins[0],
                    margins.empty() ? -1.0 : margins[margins.size() / 2]);
        std::printf("%s 1+0: reply read -> clock stopped over %zu timed moves: median %.3f ms, "
                    "p99 %.3f ms, max %.3f ms\n",
                    entrant.path, readToStop.size(), percentile(readToStop, 0.5),
                    percentile(readToStop, 0.99), percentile(readToStop, 1.0));
        std::printf("%s 1+0: reserve kept back from its time over %zu searches: median "
                    "%.1f ms, max %.1f ms\n",
                    entrant.path, reserves.size(), percentile(reserves, 0.5),
                    percentile(reserves, 1.0));
        std::fflush(stdout);
    }
    return 0;
}
