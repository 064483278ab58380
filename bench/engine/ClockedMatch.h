#pragma once

#include "engine/ChessEngine.h"
#include "game/Clock.h"
#include "game/Game.h"
#include "game/NullDisplay.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

#include <memory>
#include <string>
#include <vector>

// One engine against itself under a chess clock, through the engine layer as a game
// window uses it: each side is an engine process of its own, told the clock before each of
// its moves, its reply read as it arrives and made through the rules. The clock is the
// program's own on the steady time source, so a forfeit here is one a user would see.
class ClockedMatch : public QObject {
    Q_OBJECT
public:
    struct GameRecord {
        std::string result; // "1-0", "0-1", "1/2-1/2", or "*" when the game broke off
        std::string reason; // what ended it: "flag", "rules", "illegal reply", ...
        int plies = 0;
        // The least time either side had left when it moved, over its timed moves.
        ClockTime smallestMargin{ClockTime::max()};
        bool forfeit = false;
        // For each timed move: from the moment the reply was read off the engine's pipe
        // until the clock stopped, in milliseconds.
        std::vector<double> readToStopMs;
        // For each timed move, the reserve its search was given (ChessEngine::Reserve), in
        // milliseconds.
        std::vector<double> reserveMs;
    };

    ClockedMatch(QString path, EngineProtocol protocol, TimeControl control);

    // Plays one game to its end; runs the event loop meanwhile. The record tells how.
    GameRecord Play();

private:
    class ResultDisplay : public NullDisplay {
    public:
        void AppendToTitle(const std::string& text) override { title += text; }
        std::string title;
    };

    bool StartEngines();
    void ReplyArrived(int side);
    void LookAtFlag();
    void End(std::string result, std::string reason);

    QString m_path;
    EngineProtocol m_protocol;
    TimeControl m_control;
    SteadyTimeSource m_time;
    std::unique_ptr<Clock> m_clock;
    ResultDisplay m_display;
    std::unique_ptr<Game> m_game;
    std::unique_ptr<ChessEngine> m_engines[2]; // by colour: 1 White, 0 Black
    ChessEngine::MoveList m_moves;
    QTimer m_flagWatch;
    GameRecord m_record;
    bool m_over = false;
    std::chrono::steady_clock::time_point m_replyRead[2];
};
