#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

// Keeps the program to one running copy per user. The first start holds a lock file and
// listens on a local socket, both named after "ROOKVALE.SEMAPHORE" and the user and kept in
// the user's private folder (see privateFolder); a later start finds the lock taken, hands
// its text to the running copy and is to end.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The name that lock and socket derive from: ROOKVALE_INSTANCE_NAME when set (tests
    // give every suite its own), else "ROOKVALE.SEMAPHORE" followed by the user's id.
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Where lock and socket live: $XDG_RUNTIME_DIR when it is a folder of this user that no
    // one else may enter, else "rookvale-<uid>" in the temporary folder, made with mode 0700
    // and used only when it is such a folder. Empty when neither is.
    static QString privateFolder();

    // Tries to become the running copy. True when this is the first start: the lock is
    // held and the socket listens until this object goes away. False when another copy
    // runs: it holds the lock, or its socket answers (that socket is never removed). Also
    // true, unprotected, when there is no private folder, the lock cannot be made at all or
    // the socket cannot listen; the lock is then not held, so later starts run too.
    bool becomeFirst();

    // For a later start: sends `text` (which should end in a zero byte) to the running
    // copy and waits until it has handled it or `timeoutMs` has passed. Returns whether
    // the text was delivered.
    bool handOver(const QByteArray& text, int timeoutMs = 5000);

signals:
    // The running copy received a later start's text.
    void received(const QByteArray& text);

private:
    void acceptConnection();
    void readFrom(QLocalSocket* socket);

    QString m_name;
    QString m_socketPath; // in the private folder; empty while unknown
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
