#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Where the single-instance lock and socket live, and what a start does with a socket file
// it finds there. Every case has its own runtime and temporary folders.
class SingleInstanceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_work;
    QByteArray m_tmpdir;

    QString runtime() const { return m_work->filePath(QStringLiteral("runtime")); }
    QString temp() const { return m_work->filePath(QStringLiteral("tmp")); }
    QString ownTempFolder() const { return temp() + QStringLiteral("/rookvale-%1").arg(getuid()); }
    static void makeFolder(const QString& path, mode_t mode) {
        QVERIFY(QDir().mkpath(path));
        QVERIFY(chmod(QFile::encodeName(path).constData(), mode) == 0);
    }
    static mode_t modeOf(const QString& path) {
        struct stat info {};
        return lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
    }

private slots:
    void initTestCase() { m_tmpdir = qgetenv("TMPDIR"); }
    void init() {
        // Made in the machine's own temporary folder: nested ones would soon give socket
        // paths too long for the system.
        qputenv("TMPDIR", m_tmpdir);
        m_work = std::make_unique<QTemporaryDir>();
        makeFolder(runtime(), 0700);
        makeFolder(temp(), 0777);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime()));
        qputenv("TMPDIR", QFile::encodeName(temp()));
    }

    void lockAndSocketLiveInTheRuntimeFolder() {
        QCOMPARE(SingleInstance::privateFolder(), runtime());
        SingleInstance first(QStringLiteral("case1"));
        QVERIFY(first.becomeFirst());
        QVERIFY(QFileInfo::exists(runtime() + QStringLiteral("/case1.lock")));
        QVERIFY(QFileInfo(runtime() + QStringLiteral("/case1")).exists());
        QVERIFY(QDir(temp()).isEmpty());
        SingleInstance second(QStringLiteral("case1"));
        QVERIFY(!second.becomeFirst());
    }

    void aRuntimeFolderOthersMayEnterIsNotUsed_data() {
        QTest::addColumn<bool>("set");
        QTest::addColumn<int>("mode");
        QTest::newRow("unset") << false << 0700;
        QTest::newRow("open to all") << true << 0777;
        QTest::newRow("readable by the group") << true << 0750;
    }
    void aRuntimeFolderOthersMayEnterIsNotUsed() {
        QFETCH(bool, set);
        QFETCH(int, mode);
        if (set)
            makeFolder(runtime(), mode);
        else
            qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(SingleInstance::privateFolder(), ownTempFolder());
        QCOMPARE(modeOf(ownTempFolder()), mode_t(0700));
        SingleInstance first(QStringLiteral("case2"));
        QVERIFY(first.becomeFirst());
        QVERIFY(QFileInfo::exists(ownTempFolder() + QStringLiteral("/case2.lock")));
    }

    void aPlantedFolderIsNeitherUsedNorOpened() {
        qunsetenv("XDG_RUNTIME_DIR");
        makeFolder(ownTempFolder(), 0777);
        QCOMPARE(SingleInstance::privateFolder(), QString());
        QCOMPARE(modeOf(ownTempFolder()), mode_t(0777));
        // A lock planted there does not stop the program: it runs, unprotected.
        QFile planted(ownTempFolder() + QStringLiteral("/case3.lock"));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.write("1\nrookvale\nhost\n");
        planted.close();
        SingleInstance first(QStringLiteral("case3"));
        QVERIFY(first.becomeFirst());
        SingleInstance second(QStringLiteral("case3"));
        QVERIFY(second.becomeFirst());
    }

    void aServedSocketIsNeverRemoved() {
        // A running copy whose lock file was deleted still serves its socket.
        QLocalServer running;
        QVERIFY(running.listen(runtime() + QStringLiteral("/case4")));
        SingleInstance later(QStringLiteral("case4"));
        QVERIFY(!later.becomeFirst());
        QVERIFY(running.isListening());
        QLocalSocket client;
        client.connectToServer(runtime() + QStringLiteral("/case4"));
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(running.waitForNewConnection(5000));
        // Having found it, the later start does not keep the lock from the running copy's
        // next successor either.
        QVERIFY(!QFileInfo::exists(runtime() + QStringLiteral("/case4.lock")));
    }

    void aCrashedCopysSocketFileIsReplaced() {
        QFile stale(runtime() + QStringLiteral("/case5"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SingleInstance first(QStringLiteral("case5"));
        QVERIFY(first.becomeFirst());
        QLocalSocket client;
        client.connectToServer(runtime() + QStringLiteral("/case5"));
        QVERIFY(client.waitForConnected(5000));
    }

    void aSocketThatCannotListenLeavesTheLockFree() {
        // A folder in the socket's place cannot be removed, so listen() fails.
        QVERIFY(QDir().mkpath(runtime() + QStringLiteral("/case6/inside")));
        SingleInstance first(QStringLiteral("case6"));
        QVERIFY(first.becomeFirst());
        QVERIFY(!QFileInfo::exists(runtime() + QStringLiteral("/case6.lock")));
        // A later start does not wait for a hand-over nobody takes: it runs on its own.
        SingleInstance second(QStringLiteral("case6"));
        QVERIFY(second.becomeFirst());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
