#include "EngineLink.h"

#include "EngineCloser.h"

#include <QProcess>

namespace {

// How long Start waits for the system to report that the executable could not be run;
// the start itself is the system's, not the engine's, so this is never reached in practice.
constexpr int kStartWaitMs = 5000;

} // namespace

EngineLink::EngineLink(QObject* parent) : QObject(parent) {}

EngineLink::~EngineLink() {
    Close();
}

bool EngineLink::Start(const QString& path, QString* error) {
    if (m_process)
        return true;
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setProgram(path);
    process->start();
    if (!process->waitForStarted(kStartWaitMs)) {
        if (error)
            *error = process->errorString();
        delete process;
        return false;
    }
    m_process = process;
    m_processId = process->processId();
    m_partial.clear();
    m_overlong = false;
    m_reply.reset();
    // Reading as soon as output arrives keeps the pipe drained, so QProcess's own buffer
    // never holds more than one read's worth of an engine that floods its output.
    connect(process, &QProcess::readyReadStandardOutput, this, &EngineLink::ReadOutput);
    connect(process, &QProcess::finished, this, &EngineLink::ReadOutput);
    connect(
        process, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError failure) {
            if (failure == QProcess::WriteError && m_process)
                emit WriteFailed(m_process->errorString());
        },
        Qt::QueuedConnection);
    return true;
}

bool EngineLink::Ended() const {
    return m_process && m_process->state() == QProcess::NotRunning;
}

bool EngineLink::Send(const QByteArray& text, QString* error) {
    if (!m_process)
        return true;
    if (m_process->write(text) == text.size())
        return true;
    if (error)
        *error = m_process->errorString();
    return false;
}

void EngineLink::ReadOutput() {
    if (!m_process)
        return;
    const QByteArray chunk = m_process->readAll();
    qsizetype start = 0;
    while (start < chunk.size()) {
        const qsizetype feed = chunk.indexOf('\n', start);
        const qsizetype end = feed < 0 ? chunk.size() : feed;
        if (!m_overlong) {
            if (m_partial.size() + (end - start) > kMaxLine) {
                m_overlong = true;
                m_partial.clear();
            } else {
                m_partial.append(chunk.constData() + start, end - start);
            }
        }
        if (feed < 0)
            break;
        if (!m_overlong)
            CollectLine(std::move(m_partial));
        m_partial.clear();
        m_overlong = false;
        start = feed + 1;
    }
}

void EngineLink::CollectLine(QByteArray line) {
    if (m_reply || !line.contains("move "))
        return;
    if (line.endsWith('\r'))
        line.chop(1);
    m_reply = std::move(line);
}

std::optional<QByteArray> EngineLink::TakeReplyLine() {
    return std::exchange(m_reply, std::nullopt);
}

void EngineLink::Close() {
    if (!m_process)
        return;
    QProcess* process = std::exchange(m_process, nullptr);
    m_processId = 0;
    m_partial.clear();
    m_reply.reset();
    process->disconnect(this);
    EngineCloser::End(process);
}
