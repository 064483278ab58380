#include "app/DatabaseRefresh.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The desktop's refresh with stand-in tools first on PATH that log when they start and end.
class DatabaseRefreshTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QByteArray m_path;

    QString log() const { return m_work.filePath(QStringLiteral("log")); }
    QString dataHome() const { return m_work.filePath(QStringLiteral("data")); }

    void standIn(const char* tool, const QByteArray& body) {
        QFile script(m_work.filePath(QStringLiteral("bin/") + QString::fromLatin1(tool)));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QStringList logLines() const {
        QFile file(log());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // A tool that logs its start with the folder it was given, waits, then logs its end.
    static QByteArray slowLogger(const char* name, const char* seconds, const QString& log) {
        return QByteArray("echo ") + name + " start \"$1\" >>'" + log.toUtf8() + "'\nsleep " +
               seconds + "\necho " + name + " end >>'" + log.toUtf8() + "'\n";
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_work.filePath(QStringLiteral("bin"))));
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_work.filePath(QStringLiteral("bin"))) + ':' + m_path);
    }
    void init() {
        QFile::remove(log());
        QDir(dataHome()).removeRecursively();
        QVERIFY(QDir().mkpath(dataHome() + QStringLiteral("/mime")));
        QVERIFY(QDir().mkpath(dataHome() + QStringLiteral("/applications")));
    }
    void cleanupTestCase() { qputenv("PATH", m_path); }

    void returnsAtOnceAndRunsOneRefreshAtATime() {
        standIn("update-mime-database", slowLogger("mime", "1", log()));
        standIn("update-desktop-database", slowLogger("desktop", "0", log()));
        DatabaseRefresh::Request(dataHome());
        QVERIFY(DatabaseRefresh::Busy());
        // Requests made meanwhile wait and are run once, after the running refresh.
        DatabaseRefresh::Request(dataHome());
        DatabaseRefresh::Request(dataHome());
        QTRY_VERIFY(!logLines().isEmpty());
        QCOMPARE(logLines(), QStringList{"mime start " + dataHome() + "/mime"});
        QTRY_VERIFY_WITH_TIMEOUT(!DatabaseRefresh::Busy(), 30000);
        QCOMPARE(logLines(),
                 (QStringList{"mime start " + dataHome() + "/mime", "mime end",
                              "desktop start " + dataHome() + "/applications", "desktop end",
                              "mime start " + dataHome() + "/mime", "mime end",
                              "desktop start " + dataHome() + "/applications", "desktop end"}));
    }

    void aFailingToolDoesNotStopTheNext() {
        standIn("update-mime-database",
                "echo mime >>'" + log().toUtf8() + "'\necho broken >&2\nexit 3\n");
        standIn("update-desktop-database", "echo desktop >>'" + log().toUtf8() + "'\n");
        DatabaseRefresh::Request(dataHome());
        QTRY_VERIFY_WITH_TIMEOUT(!DatabaseRefresh::Busy(), 30000);
        QCOMPARE(logLines(), (QStringList{"mime", "desktop"}));
    }

    void aMissingFolderOrToolIsSkipped() {
        standIn("update-mime-database", "echo mime >>'" + log().toUtf8() + "'\n");
        QFile::remove(m_work.filePath(QStringLiteral("bin/update-desktop-database")));
        const QByteArray path = qgetenv("PATH");
        // Only the stand-ins are found: the machine's own tools stay out of the test.
        qputenv("PATH", QFile::encodeName(m_work.filePath(QStringLiteral("bin"))));
        QDir(dataHome() + QStringLiteral("/mime")).removeRecursively();
        DatabaseRefresh::Request(dataHome());
        QTRY_VERIFY_WITH_TIMEOUT(!DatabaseRefresh::Busy(), 30000);
        qputenv("PATH", path);
        QCOMPARE(logLines(), QStringList{});
    }
};

QTEST_GUILESS_MAIN(DatabaseRefreshTest)
#include "DatabaseRefreshTest.moc"
