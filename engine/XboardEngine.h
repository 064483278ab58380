#pragma once

#include "ChessEngine.h"
#include "RoundTrips.h"
#include "XboardFeatures.h"

// An engine that speaks the xboard protocol, in the program's own dialogue: "xboard",
// "new" and "st 1" at the start, the user's moves in coordinates, "go" for Compute and
// "st N" for the time per move. Nothing else is sent: the engine answers the user's moves
// from its own start-up state and plays whichever side is to move on "go". A reply is the
// first line holding "move " since the last TakeReplyLine. While the thinking is shown the
// engine gets "post", and its thinking lines are read. "resign" and "offer draw" are passed
// on; a result the engine claims is not: the rules find every end of a game themselves,
// so a claim is either known already or wrong.
//
// A take-back of the last pair is "remove"; an engine that does not know it, or one
// taking back a single half-move, gets "force" and "undo" for each, and "go" after the
// user's next move. The end of a game is told as "result"; a draw offer is "draw", and
// the engine's "offer draw" before its next move accepts it.
//
// What the engine can do is asked ("protover 2", after "xboard" when asked before Begin)
// only once a feature needs it: LearnFeatures, the thinking shown, or a clock. Its
// "feature" lines are then answered and kept; a strength option among them is offered
// as the strength levels, sent as "option NAME=VALUE". An engine that starts silently
// (SeeThroughSilentStart) is always asked: its "done=1", a reply or a thinking line ends
// its empty lines.
//
// Under a clock (SetClock) the engine gets "level" for the clock's control, and "time" and
// "otim" before each of its moves; when the clock goes, "st" with the time per move again.
// An engine that takes "ping" is pinged after each reply under a clock, and its own "time"
// is told less the longest of its latest round trips (see RoundTrips).
class XboardEngine : public ChessEngine {
    Q_OBJECT
public:
    EngineProtocol Protocol() const override { return EngineProtocol::Xboard; }

    void Begin() override;
    void LearnFeatures() override;
    QStringList StrengthLevels() const override;
    void SetStrength(const QString& level) override;
    const XboardFeatures& Features() const { return m_features; }
    void UserMoved(const QByteArray& move, const MoveList& game, bool engineToMove) override;
    void Compute(const MoveList& game) override;
    void SetSecondsPerMove(int seconds) override;
    void ShowThinking(bool shown) override;
    void TakeBack(int halfMoves, const MoveList& game) override;
    bool TakesDrawOffers() const override { return m_features.draw; }
    void OfferDraw() override;
    void GameEnded(const QByteArray& result, const QByteArray& why) override;
    ClockTime Reserve() const override { return m_pingTrips.Longest(); }

protected:
    void ReadLine(const QByteArray& line) override;
    void ClockChanged() override;
    QByteArray OwnName() const override { return m_features.name; }

private:
    void TellTimes();
    void Undo(int halfMoves);

    bool m_begun = false;
    bool m_learning = false; // "protover 2" was sent, or goes with the opening
    XboardFeatures m_features;
    bool m_posting = false;
    // In force mode, after an undo or the end of a game: the engine moves only on "go".
    bool m_forced = false;
    bool m_removeRefused = false; // the engine said it does not know "remove"
    int m_removing = 0;           // half-moves of a "remove" not yet answered by an error
    int m_secondsPerMove = 1;     // the opening's "st 1"
    RoundTrips m_pingTrips;
    int m_pings = 0; // the number of the latest "ping"
};
