#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QProcess;

// The process of one engine and what it says: owns the QProcess, with the engine's
// standard output and error merged into one stream, collects that stream into lines as it
// arrives and keeps the first complete line holding "move " for the next TakeReplyLine.
// Knows no window and no rules.
//
// Memory stays bounded whatever the engine prints: one waiting reply line and one
// incomplete line, each at most kMaxLine bytes; a longer line is dropped up to its line
// feed.
class EngineLink : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxLine = 64 * 1024;

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
    // The engine process has ended; its output is all collected.
    bool Ended() const;
    qint64 ProcessId() const { return m_processId; }

    // Queues `text` for the engine's input; it is written as the engine reads, never
    // blocking the caller. Returns false with the system's error text in `error` when the
    // engine's input is closed; without an engine it does nothing and returns true.
    bool Send(const QByteArray& text, QString* error);

    // The first complete line holding "move " (line feed and carriage return removed) that
    // arrived since the last call; every other line of that time is discarded. The
    // incomplete last line stays for a later call.
    std::optional<QByteArray> TakeReplyLine();

    // Ends the engine: sends "quit", closes its input and leaves the rest (a brief wait,
    // then terminate, then kill) to EngineCloser, so the caller never waits. The link is
    // empty afterwards.
    void Close();

signals:
    // Writing to the engine failed after Send had queued the text (the engine closed its
    // input); `error` is the system's text. Delivered queued, never inside a write.
    void WriteFailed(const QString& error);

private:
    void ReadOutput();
    void CollectLine(QByteArray line);

    QProcess* m_process = nullptr;
    qint64 m_processId = 0;
    QByteArray m_partial;    // the incomplete last line
    bool m_overlong = false; // the current line passed kMaxLine and is being skipped
    std::optional<QByteArray> m_reply;
};
