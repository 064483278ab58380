#pragma once

#include "EngineLink.h"
#include "EngineProtocol.h"
#include "EngineThought.h"
#include "game/Clock.h"
#include "peer/PeerLineFramer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class QIODevice;

// How long an engine that starts silently may take to answer for the first time: GNU Chess
// took from two to ten seconds of empty lines on a loaded two-core machine.
inline constexpr int kSilentStartMs = 30000;

// The engine of one game window, whatever protocol it speaks: the game window talks only
// to this interface. The base owns the process (or is given a device), cuts what the
// engine prints into lines and keeps the reply; XboardEngine and UciEngine turn the
// window's requests into protocol lines and protocol lines into replies.
//
// Memory stays bounded whatever the engine prints: lines are handled as they arrive, a
// line longer than the framer's limit is dropped, and one reply waits at most.
class ChessEngine : public QObject {
    Q_OBJECT
public:
    // The moves of the game so far in coordinates ("e2e4", "e7e8q"), from the start.
    using MoveList = QList<QByteArray>;

    // An engine of that protocol, not yet attached.
    static std::unique_ptr<ChessEngine> Make(EngineProtocol protocol);
    ~ChessEngine() override;

    virtual EngineProtocol Protocol() const = 0;

    // Starts the executable `path` and talks to it. Returns false with the system's error
    // text in `error` when it cannot be started; true without doing anything when already
    // attached.
    bool Start(const QString& path, QString* error);
    // For an engine that prints nothing at all until it has read more lines than the
    // dialogue sends (GNU Chess 6 holds its input's lock while it waits for a line, and its
    // own threads need that lock once each to start): from Start or Attach on, the engine
    // gets an empty line every few hundredths of a second until its protocol's first real
    // answer, and Failed when none comes within `boundMs`. Called before Start or Attach.
    void SeeThroughSilentStart(int boundMs = kSilentStartMs);
    // Talks over `device`, which stays the caller's and must outlive the engine or Close.
    void Attach(QIODevice* device);
    bool Attached() const { return m_device != nullptr; }
    // The engine process has ended and all it printed has been read.
    bool Ended() const { return m_link.Ended(); }
    qint64 ProcessId() const { return m_link.ProcessId(); }
    // The engine's name for the record of a game: the one it gave itself (UCI "id name",
    // xboard "myname" once its features were asked), else its program's file name; empty
    // for an engine attached to a device that has given none.
    QString Name() const;

    // Writes `text` to the engine as it is. Returns false with the system's error text in
    // `error` when the engine's input is closed; without an engine does nothing and
    // returns true.
    bool Send(const QByteArray& text, QString* error);

    // Stops talking and ends the process (see EngineLink::Close). Attached() is false after.
    void Close();

    // The dialogue. Begin opens it, once, right after Start or Attach.
    virtual void Begin() = 0;
    // Asks the engine what it can do, where its protocol does not tell that anyway (an
    // xboard engine's "feature" lines); StrengthKnown follows once it has said. Called
    // before Begin, the question is part of the opening.
    virtual void LearnFeatures() {}
    // The user made `move`; `game` holds it already. `engineToMove`: the engine's colour is
    // to move now and the game goes on.
    virtual void UserMoved(const QByteArray& move, const MoveList& game, bool engineToMove) = 0;
    // Compute: the engine plays the side to move of `game` now.
    virtual void Compute(const MoveList& game) = 0;
    // Speed: the time the engine thinks per move while the game has no clock.
    virtual void SetSecondsPerMove(int seconds) = 0;
    // The game's clock, whose times the engine is told before each of its moves; null
    // for a game without one (the time per move of Speed holds then). The clock must
    // outlive the engine or the next SetClock; its side to move is the engine's whenever
    // the engine is asked to move.
    void SetClock(const Clock* clock);
    // How much less than its clock holds the engine is told it has, as of its latest
    // search: what its reply may take to reach the clock.
    virtual ClockTime Reserve() const { return ClockTime{0}; }

    // The last `halfMoves` (1 or 2) half-moves were taken back and the user is to move;
    // `game` is what is left of the game.
    virtual void TakeBack(int halfMoves, const MoveList& game) = 0;
    // Whether the engine takes draw offers; OfferDraw offers it one, which it accepts
    // with DrawOffered before its next move, or lets lapse.
    virtual bool TakesDrawOffers() const { return false; }
    virtual void OfferDraw() {}
    // The game ended: `result` is "1-0", "0-1" or "1/2-1/2", `why` a few words. The engine
    // is not asked to move again until a take-back brings the game back.
    virtual void GameEnded(const QByteArray& /*result*/, const QByteArray& /*why*/) {}

    // The strength levels the engine can honour, strongest ("Full") first, down to
    // "Beginner"; empty when it can honour none, or before it has said what it offers
    // (StrengthKnown tells when it has).
    static const QStringList& AllStrengthLevels();
    virtual QStringList StrengthLevels() const { return {}; }
    // Plays at the level of that name from the next search on; an unknown name is ignored.
    virtual void SetStrength(const QString&) {}

    // Whether the window shows the engine's thinking. An xboard engine is asked to print
    // it ("post") only while it is shown, and told to stop ("nopost") when it is hidden
    // again; a UCI engine reports it anyway.
    virtual void ShowThinking(bool shown) = 0;
    // The latest report of the engine's thinking since the last call, or nothing; earlier
    // ones of the same time are dropped, so an engine's flood of reports costs one.
    std::optional<EngineThought> TakeThought() { return std::exchange(m_thought, std::nullopt); }

    // The engine's reply since the last call, as a line in the xboard form ("move e2e4",
    // possibly with more words around it), or nothing. Later replies of the same time are
    // dropped.
    std::optional<QByteArray> TakeReplyLine();

signals:
    // Writing to the engine failed after the text had been queued; `error` is the
    // system's text. Delivered queued, never inside a write or a read.
    void WriteFailed(const QString& error);
    // A reply is waiting for TakeReplyLine.
    void ReplyArrived();
    // The engine cannot be used (it never finished its greeting); `text` says why.
    // Delivered queued.
    void Failed(const QString& text);
    // The engine has said what it offers: StrengthLevels is final.
    void StrengthKnown();
    // The engine gave the game up, or offers a draw. Delivered queued.
    void Resigned();
    void DrawOffered();

protected:
    ChessEngine();
    // The name the engine gave itself as it said it; empty while it has given none.
    virtual QByteArray OwnName() const { return {}; }
    const Clock* GameClock() const { return m_clock; }
    // The clock was set, changed or taken away.
    virtual void ClockChanged() {}
    // One complete line the engine printed, without its line end.
    virtual void ReadLine(const QByteArray& line) = 0;
    // Writes a protocol line the engine did not ask the window for; a failure is reported
    // through WriteFailed and false is returned.
    bool Write(const QByteArray& text);
    // The engine's first real answer has come, or the engine is gone: no more empty
    // lines, no bound (see SeeThroughSilentStart).
    void EndSilentStart();
    bool StartsSilently() const { return m_silentBoundMs > 0; }
    // Keeps `line` as the reply unless one is already waiting.
    void OfferReply(QByteArray line);
    void ReportFailure(const QString& text);
    void OfferThought(EngineThought thought) { m_thought = std::move(thought); }

private:
    void ReadAvailable();
    void Nudge();

    EngineLink m_link;
    QIODevice* m_device = nullptr;
    PeerLineFramer m_framer;
    std::optional<QByteArray> m_reply;
    std::optional<EngineThought> m_thought;
    const Clock* m_clock = nullptr;
    QString m_programName;   // the file name of the started program
    int m_silentBoundMs = 0; // 0: the engine is not seen through a silent start
    QTimer m_nudge;          // an empty line each tick while the start is silent
    QTimer m_silentBound;
};
