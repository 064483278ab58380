#include "ScriptedEngine.h"

#include <QFile>

#include <cerrno>
#include <csignal>

QString ScriptedEngine::Program() {
    return QStringLiteral(ROOKVALE_SCRIPTED_ENGINE);
}

ScriptedEngine::ScriptedEngine(const QStringList& script) {
    const QString scriptFile = m_folder.filePath(QStringLiteral("script"));
    QFile file(scriptFile);
    if (file.open(QIODevice::WriteOnly))
        file.write(script.join(QLatin1Char('\n')).toUtf8() + '\n');
    qputenv("ROOKVALE_ENGINE_SCRIPT", scriptFile.toLocal8Bit());
    qputenv("ROOKVALE_ENGINE_LOG", m_folder.filePath(QStringLiteral("received")).toLocal8Bit());
}

ScriptedEngine::~ScriptedEngine() {
    qunsetenv("ROOKVALE_ENGINE_SCRIPT");
    qunsetenv("ROOKVALE_ENGINE_LOG");
}

QByteArray ScriptedEngine::Received() const {
    QFile file(m_folder.filePath(QStringLiteral("received")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ProcessExists(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

qint64 PeakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
