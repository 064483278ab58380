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
    connect(process, &QProcess::finished, this, &EngineLink::Finished);
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

QIODevice* EngineLink::Device() const {
    return m_process;
}

void EngineLink::Close() {
    if (!m_process)
        return;
    QProcess* process = std::exchange(m_process, nullptr);
    m_processId = 0;
    process->disconnect(this);
    EngineCloser::End(process);
}
