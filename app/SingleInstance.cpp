#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hand-over is a file name; anything much longer is not one and is cut off.
constexpr qsizetype kMaxHandOver = 64 * 1024;
constexpr int kProbeTimeoutMs = 1000;

} // namespace

QString SingleInstance::defaultName() {
    const QString overridden = qEnvironmentVariable("ROOKVALE_INSTANCE_NAME");
    if (!overridden.isEmpty())
        return overridden;
    return QStringLiteral("ROOKVALE.SEMAPHORE-%1").arg(getuid());
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock, so that a later start that wins the lock never
    // finds the old socket still listening.
    delete m_server;
    m_server = nullptr;
}

QString SingleInstance::privateFolder() {
    // Only a folder that no other user can write keeps another user from planting the lock
    // (the program would end at once) or taking the socket's name (hand-overs would go to
    // them).
    const auto isPrivate = [](const QString& path) {
        struct stat info {};
        return !path.isEmpty() && lstat(QFile::encodeName(path).constData(), &info) == 0 &&
               S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
    };
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivate(runtime))
        return runtime;
    const QString own =
        QDir(QDir::tempPath()).filePath(QStringLiteral("rookvale-%1").arg(getuid()));
    // An existing folder is never opened up: a foreign or shared one simply fails the test.
    mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivate(own) ? own : QString();
}

bool SingleInstance::becomeFirst() {
    const QString folder = privateFolder();
    // Without a private folder the program starts, unprotected.
    if (folder.isEmpty())
        return true;
    m_socketPath = QDir(folder).filePath(m_name);
    m_lock = std::make_unique<QLockFile>(m_socketPath + QStringLiteral(".lock"));
    // The lock left by a copy that crashed names a dead process and is taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        // No lock can be made at all (no rights in the folder): run without protection.
        m_lock.reset();
        return true;
    }
    // A socket that still answers belongs to a running copy whose lock went astray: it keeps
    // serving, and this start hands over to it.
    QLocalSocket probe;
    probe.connectToServer(m_socketPath);
    if (probe.waitForConnected(kProbeTimeoutMs)) {
        probe.disconnectFromServer();
        m_lock.reset();
        return false;
    }
    // What is left is the socket file of a copy that crashed, which would make listen() fail.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    if (!m_server->listen(m_socketPath)) {
        // Holding the lock without listening would make every later start wait for a
        // hand-over that nobody takes and then end: let them start on their own instead.
        delete m_server;
        m_server = nullptr;
        m_lock.reset();
    }
    return true;
}

bool SingleInstance::handOver(const QByteArray& text, int timeoutMs) {
    if (m_socketPath.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running copy may hold the lock but not listen yet, while it is still starting.
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(text);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return false;
    // The running copy closes the connection once it has handled the text.
    if (socket.state() != QLocalSocket::UnconnectedState &&
        !socket.waitForDisconnected(static_cast<int>(deadline.remainingTime())))
        return false;
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket) {
    if (socket->property("handled").toBool())
        return;
    QByteArray text = socket->property("text").toByteArray() + socket->readAll();
    const bool complete = text.contains('\0') || text.size() >= kMaxHandOver ||
                          socket->state() != QLocalSocket::ConnectedState;
    if (!complete) {
        socket->setProperty("text", text);
        return;
    }
    socket->setProperty("handled", true);
    text.truncate(kMaxHandOver);
    emit received(text);
    socket->disconnectFromServer();
    socket->deleteLater();
}
