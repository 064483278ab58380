#include "app/DatabaseRefresh.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

namespace {

constexpr int kStepTimeoutMs = 10000;
// At exit a refresh that is nearly done may finish; a slower one is cut off.
constexpr int kExitGraceMs = 1000;

QPointer<DatabaseRefresh> g_refresh;

} // namespace

DatabaseRefresh::DatabaseRefresh(QObject* parent) : QObject(parent) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kStepTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_process)
            m_process->kill();
    });
}

DatabaseRefresh::~DatabaseRefresh() {
    if (m_process) {
        m_process->disconnect(this);
        if (!m_process->waitForFinished(kExitGraceMs))
            m_process->kill();
        m_process->waitForFinished(kExitGraceMs);
    }
}

void DatabaseRefresh::Request(const QString& dataHome) {
    if (!QCoreApplication::instance())
        return;
    if (!g_refresh)
        g_refresh = new DatabaseRefresh(QCoreApplication::instance());
    if (g_refresh->m_process) {
        g_refresh->m_waiting = dataHome;
        return;
    }
    g_refresh->start(dataHome);
}

bool DatabaseRefresh::Busy() {
    return g_refresh && (g_refresh->m_process || !g_refresh->m_waiting.isEmpty());
}

void DatabaseRefresh::start(const QString& dataHome) {
    const QDir home(dataHome);
    m_steps = QStringList{QStringLiteral("update-mime-database"), home.filePath("mime"),
                          QStringLiteral("update-desktop-database"), home.filePath("applications")};
    runNextStep();
}

void DatabaseRefresh::runNextStep() {
    while (m_steps.size() >= 2) {
        const QString tool = QStandardPaths::findExecutable(m_steps.takeFirst());
        const QString folder = m_steps.takeFirst();
        if (tool.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        m_process = new QProcess(this);
        // Best effort and silent: the tools' complaints would only reach a terminal.
        m_process->setStandardOutputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(QProcess::nullDevice());
        connect(m_process, &QProcess::finished, this, &DatabaseRefresh::stepEnded);
        connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                stepEnded();
        });
        m_deadline.start();
        m_process->start(tool, {folder});
        return;
    }
    if (!m_waiting.isEmpty())
        start(std::exchange(m_waiting, QString()));
}

void DatabaseRefresh::stepEnded() {
    m_deadline.stop();
    if (!m_process)
        return;
    m_process->deleteLater();
    m_process = nullptr;
    runNextStep();
}
