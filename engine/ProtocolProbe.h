#pragma once

#include "EngineProtocol.h"
#include "peer/PeerLineFramer.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QProcess;

// Finds out which protocol the engine at a path speaks, without asking anyone and without
// holding up the thread it lives on: Start runs the engine on its own, says "uci" and
// listens for at most the given time while the event loop goes on. "id name" or "uciok"
// in time means UCI; a complaint about the command, silence, an end or a start failure
// mean xboard, the program's own dialogue. Decided follows once, always; the probe's
// process is ended then (see EngineCloser), or when the probe is destroyed before.
// An engine that printed nothing at all in the whole time, or only GNU Chess's greeting
// before its complaint, is silent at its start: the dialogue must see it through that
// (ChessEngine::SeeThroughSilentStart).
inline constexpr int kProtocolProbeMs = 3000;

class ProtocolProbe : public QObject {
    Q_OBJECT
public:
    explicit ProtocolProbe(QString path, int waitMs = kProtocolProbeMs, QObject* parent = nullptr);
    ~ProtocolProbe() override;

    // Starts the engine and the wait; once only.
    void Start();
    // Known once Decided: the engine ran for the whole wait and printed nothing, or it
    // greeted as GNU Chess does before its own engine runs.
    bool Silent() const { return m_silent; }

signals:
    // Delivered from the event loop, never inside Start.
    void Decided(EngineProtocol protocol);

private:
    void ReadAvailable();
    void Decide(EngineProtocol protocol);
    void EndProcess();

    QString m_path;
    int m_waitMs;
    QProcess* m_process = nullptr;
    QTimer m_deadline;
    PeerLineFramer m_framer;
    bool m_decided = false;
    bool m_printed = false; // any byte, a blank line included
    QByteArray m_firstLine; // trimmed; null until a line came
    bool m_silent = false;
};
