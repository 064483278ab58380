#pragma once

#include "ChessEngine.h"

#include <QElapsedTimer>
#include <QTimer>

#include <array>

// An engine that speaks UCI. Begin sends "uci" and waits at most HandshakeMs() for
// "uciok", then sends "ucinewgame"; an engine that does not answer in time is reported
// through Failed. Every search is "isready", and after "readyok" the position (the
// standard start and the game's moves) and "go movetime N", or under a clock (SetClock)
// "go wtime W btime B winc WI binc BI [movestogo N]" with the times of that moment; the
// engine is told its own time less the longest of the last few "isready" round trips,
// which is what its reply may take to come back on a busy machine.
// "bestmove" gives the reply, as the line "move " + the move; "bestmove (none)" and
// "bestmove 0000" give none.
// "info" lines with a principal variation are the engine's thinking; every other line
// ("info" without one, "id", "option", ...) is ignored.
//
// Strength: offered when the engine lists "UCI_LimitStrength" with "UCI_Elo", or "Skill
// Level", among its options; a level is sent as "setoption" lines before the next search
// ("Full" lifts the limit, "Beginner" is the lowest value the engine allows, the levels
// between are spread evenly). Nothing is sent while no level is chosen.
//
// One search at a time: a request while one runs is not queued (Compute then sends
// "stop", so that the engine plays at once); a request before "uciok" waits for it.
class UciEngine : public ChessEngine {
    Q_OBJECT
public:
    static constexpr int kHandshakeMs = 10000;

    UciEngine();

    EngineProtocol Protocol() const override { return EngineProtocol::Uci; }

    void Begin() override;
    void UserMoved(const QByteArray& move, const MoveList& game, bool engineToMove) override;
    void Compute(const MoveList& game) override;
    void SetSecondsPerMove(int seconds) override;
    void ShowThinking(bool) override {}
    // The next search's position says what is left of the game.
    void TakeBack(int, const MoveList&) override {}
    QStringList StrengthLevels() const override;
    void SetStrength(const QString& level) override;

    // For tests of an engine that never answers.
    void SetHandshakeMs(int ms) { m_handshakeMs = ms; }
    int HandshakeMs() const { return m_handshakeMs; }

    // The position command for `game`: "position startpos" and its moves, with a line feed.
    static QByteArray PositionCommand(const MoveList& game);

protected:
    void ReadLine(const QByteArray& line) override;
    QByteArray OwnName() const override { return m_name; }

private:
    struct Range {
        qint64 min = 0;
        qint64 max = 0;
    };
    enum class State { Silent, Greeting, Idle, Readying, Searching };

    void Search(const MoveList& game);
    void HandshakeExpired();
    void ReadOption(const QByteArray& line);

    State m_state = State::Silent;
    QByteArray m_name; // from "id name"
    int m_handshakeMs = kHandshakeMs;
    int m_moveTimeMs = 1000;
    QTimer m_handshake;
    std::optional<MoveList> m_waiting;      // a search asked for before "uciok"
    MoveList m_game;                        // the game of the search being prepared
    bool m_limitStrength = false;           // "UCI_LimitStrength" is offered
    std::optional<Range> m_elo;             // "UCI_Elo"
    std::optional<Range> m_skill;           // "Skill Level"
    QByteArray m_strengthOptions;           // "setoption" lines waiting for the next search
    QElapsedTimer m_readyAsked;             // since the last "isready"
    std::array<qint64, 8> m_roundTripsMs{}; // the latest "isready" round trips, cyclic
    std::size_t m_roundTrips = 0;           // how many were measured
};
