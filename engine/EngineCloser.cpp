#include "EngineCloser.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

#include <vector>

namespace {

std::vector<QProcess*>& pending() {
    static std::vector<QProcess*> processes;
    return processes;
}

void forget(QProcess* process) {
    std::erase(pending(), process);
}

bool running(const QProcess* process) {
    return process->state() != QProcess::NotRunning;
}

// Waits for each process until the shared deadline, so that many processes together wait
// no longer than one.
void waitAll(const std::vector<QProcess*>& processes, const QDeadlineTimer& deadline) {
    for (QProcess* process : processes) {
        if (running(process))
            process->waitForFinished(std::max<qint64>(1, deadline.remainingTime()));
    }
}

} // namespace

void EngineCloser::End(QProcess* process) {
    process->setParent(nullptr);
    pending().push_back(process);
    // What the engine still prints is read and dropped, so that a full pipe cannot keep it
    // from reading "quit".
    QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                     [process] { process->readAll(); });
    QObject::connect(process, &QProcess::finished, process, [process] {
        forget(process);
        process->deleteLater();
    });
    if (!running(process)) {
        forget(process);
        process->deleteLater();
        return;
    }
    process->write("quit\n");
    process->closeWriteChannel();
    QTimer::singleShot(kQuitGraceMs, process, [process] {
        if (running(process))
            process->terminate();
    });
    QTimer::singleShot(kQuitGraceMs + kTerminateGraceMs, process, [process] {
        if (running(process))
            process->kill();
    });
}

void EngineCloser::FinishAll() {
    std::vector<QProcess*> processes = std::exchange(pending(), {});
    for (QProcess* process : processes)
        process->disconnect();
    waitAll(processes, QDeadlineTimer(kQuitGraceMs));
    for (QProcess* process : processes) {
        if (running(process))
            process->terminate();
    }
    waitAll(processes, QDeadlineTimer(kTerminateGraceMs));
    for (QProcess* process : processes) {
        if (running(process))
            process->kill();
    }
    waitAll(processes, QDeadlineTimer(kKillWaitMs));
    for (QProcess* process : processes) {
        // Deleting a QProcess that still runs waits for it without a limit.
        if (!running(process))
            delete process;
    }
}

int EngineCloser::Pending() {
    return static_cast<int>(pending().size());
}
