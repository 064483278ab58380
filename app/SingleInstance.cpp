#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {

// A hand-over is a file name; anything much longer is not one and is cut off.
constexpr qsizetype kMaxHandOver = 64 * 1024;

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

bool SingleInstance::becomeFirst() {
    m_lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(m_name + ".lock"));
    // The lock left by a copy that crashed names a dead process and is taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        // No lock can be made at all (no rights in the folder): run without protection.
        m_lock.reset();
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left behind by a crashed copy would make listen() fail.
    QLocalServer::removeServer(m_name);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    m_server->listen(m_name);
    return true;
}

bool SingleInstance::handOver(const QByteArray& text, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running copy may hold the lock but not listen yet, while it is still starting.
    for (;;) {
        socket.connectToServer(m_name);
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
