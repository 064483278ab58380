#pragma once

#include <QObject>
#include <QString>

class QIODevice;
class QProcess;

// The process of one engine: owns the QProcess, with the engine's standard output and
// error merged into one stream. Knows no protocol, no window and no rules: the dialogue
// reads and writes the process through Device().
class EngineLink : public QObject {
    Q_OBJECT
public:
    explicit EngineLink(QObject* parent = nullptr);
    // Ends a running engine as Close does.
    ~EngineLink() override;

    // Starts the executable `path` with no arguments, in the program's own current folder
    // and environment. Returns false, with the system's error text in `error` and the link
    // left empty, when it cannot be started (missing file, not executable, no rights).
    // Does nothing and returns true when an engine is already attached.
    bool Start(const QString& path, QString* error);

    // An engine process is held: from a successful Start until Close.
    bool Attached() const { return m_process != nullptr; }
    // The engine process has ended.
    bool Ended() const;
    qint64 ProcessId() const { return m_processId; }
    // The process as a device, while one is attached; owned by the link.
    QIODevice* Device() const;

    // Ends the engine: sends "quit", closes its input and leaves the rest (a brief wait,
    // then terminate, then kill) to EngineCloser, so the caller never waits. The link is
    // empty afterwards.
    void Close();

signals:
    // Writing to the engine failed after the text had been queued (the engine closed its
    // input); `error` is the system's text. Delivered queued, never inside a write.
    void WriteFailed(const QString& error);
    // The process ended; what it printed before is readable from Device() until Close.
    void Finished();

private:
    QProcess* m_process = nullptr;
    qint64 m_processId = 0;
};
