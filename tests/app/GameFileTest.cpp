#include "ReadOnlyFolder.h"

#include "app/GameFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Lines = std::vector<std::string>;
Q_DECLARE_METATYPE(Lines)

// Game files: what a record line may be, how a file is split into lines and refused,
// and that a failed save leaves the old file as it was.
class GameFileTest : public QObject {
    Q_OBJECT

    static QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("game.rvg"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

private slots:
    void recordLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        const char* valid[] = {"e2e4",   "g1f3",   "e4d5p", "e5d6E", "d4e3E", "e1g1c",
                               "e8g8c",  "e1c1C",  "e8c8C", "e7e8Q", "a2a1N", "b7a8rQ",
                               "g7h8rQ", "h2g1bR", "a1h8q", "c3d5n"};
        for (const char* line : valid)
            QTest::newRow(line) << QString::fromLatin1(line) << true;
        const char* invalid[] = {"",       "e2e",    "e2e4e4x", "i2e4",  "e9e4",  "E2E4",
                                 "e2e2",   "e2e4x",  "e2e4k",   "e2e4K", "e2e4P", "e1e1",
                                 "e1g1C",  "e1c1c",  "e2e4c",   "e4d5E", "e7e6Q", "e7e8Qr",
                                 "e7e8pp", "e4d5pE", " e2e4",   "e2e4 ", "e2-e4", "e2e4\t"};
        for (const char* line : invalid)
            QTest::newRow(qPrintable(QStringLiteral("bad '%1'").arg(QLatin1String(line))))
                << QString::fromLatin1(line) << false;
    }
    void recordLine() {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QCOMPARE(isMoveRecordLine(line.toStdString()), valid);
    }

    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<int>("badLine");
        QTest::addColumn<QString>("badText");
        const Lines three{"e2e4", "e7e5", "g1f3"};
        QTest::newRow("CR LF") << QByteArray("e2e4\r\ne7e5\r\ng1f3\r\n") << three << 0 << "";
        QTest::newRow("LF") << QByteArray("e2e4\ne7e5\ng1f3\n") << three << 0 << "";
        QTest::newRow("CR") << QByteArray("e2e4\re7e5\rg1f3\r") << three << 0 << "";
        QTest::newRow("no final line end")
            << QByteArray("e2e4\r\ne7e5\r\ng1f3") << three << 0 << "";
        QTest::newRow("empty lines at the end")
            << QByteArray("e2e4\r\ne7e5\r\ng1f3\r\n\r\n\n\r") << three << 0 << "";
        QTest::newRow("zero byte ends the file")
            << QByteArray("e2e4\r\ne7e5\r\ng1f3\r\n\0garbage", 26) << three << 0 << "";
        QTest::newRow("markers") << QByteArray("e1g1c\r\nb7a8rQ\r\n") << Lines{"e1g1c", "b7a8rQ"}
                                 << 0 << "";
        QTest::newRow("empty file") << QByteArray("") << Lines{} << 0 << "";
        QTest::newRow("bad second line")
            << QByteArray("e2e4\r\nhello\r\ng1f3\r\n") << Lines{} << 2 << "hello";
        QTest::newRow("empty line before a move")
            << QByteArray("e2e4\r\n\r\ng1f3\r\n") << Lines{} << 2 << "";
        QTest::newRow("short line") << QByteArray("e2e\n") << Lines{} << 1 << "e2e";
        QTest::newRow("unknown marker") << QByteArray("e2e4\ne7e5z\n") << Lines{} << 2 << "e7e5z";
    }
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(Lines, lines);
        QFETCH(int, badLine);
        QFETCH(QString, badText);
        QTemporaryDir dir;
        const GameFileContents contents = readGameFile(writeFile(dir, bytes));
        if (badLine == 0) {
            QCOMPARE(contents.status, GameFileContents::Status::Loaded);
            QCOMPARE(contents.lines, lines);
        } else {
            QCOMPARE(contents.status, GameFileContents::Status::Invalid);
            QVERIFY(contents.lines.empty());
            QCOMPARE(contents.badLineNumber, badLine);
            QCOMPARE(contents.badLineText, badText);
        }
    }

    void missingAndUnreadable() {
        QTemporaryDir dir;
        QCOMPARE(readGameFile(dir.filePath(QStringLiteral("none.rvg"))).status,
                 GameFileContents::Status::Missing);
        // A folder of that name exists but cannot be read as a file.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.rvg")));
        QCOMPARE(readGameFile(dir.filePath(QStringLiteral("folder.rvg"))).status,
                 GameFileContents::Status::Unreadable);
    }

    // Nothing but a regular file is read: a named pipe would wait for a writer for ever
    // and a device such as /dev/zero never ends. Each is refused at once, as is a file
    // over the size limit, whether named directly or through a link.
    void onlyRegularFilesAreRead() {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("pipe.rvg"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString zero = dir.filePath(QStringLiteral("zero.rvg"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        const QString pipeLink = dir.filePath(QStringLiteral("pipe link.rvg"));
        QVERIFY(QFile::link(pipe, pipeLink));
        const QString huge = dir.filePath(QStringLiteral("huge.rvg"));
        {
            QFile file(huge);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(5) << 30));
        }
        for (const QString& path : {pipe, zero, pipeLink, huge, QStringLiteral("/dev/zero"),
                                    QStringLiteral("/dev/null")}) {
            const GameFileContents contents = readGameFile(path);
            QCOMPARE(contents.status, GameFileContents::Status::Unreadable);
            QVERIFY(contents.lines.empty());
        }
    }

    void sizeLimitIsExact() {
        QTemporaryDir dir;
        QByteArray bytes;
        while (bytes.size() + 6 <= kMaxGameFileBytes)
            bytes += "e2e4\r\n";
        bytes += QByteArray(kMaxGameFileBytes - bytes.size(), '\n');
        const GameFileContents full = readGameFile(writeFile(dir, bytes));
        QCOMPARE(full.status, GameFileContents::Status::Loaded);
        QCOMPARE(qsizetype(full.lines.size()), kMaxGameFileBytes / 6);
        QCOMPARE(readGameFile(writeFile(dir, bytes + '\n')).status,
                 GameFileContents::Status::Unreadable);
    }

    void longBadLineIsQuotedShort() {
        QTemporaryDir dir;
        const QByteArray line = "e2e4" + QByteArray(100000, 'x');
        const GameFileContents contents = readGameFile(writeFile(dir, "d2d4\r\n" + line));
        QCOMPARE(contents.status, GameFileContents::Status::Invalid);
        QCOMPARE(contents.badLineNumber, 2);
        QCOMPARE(contents.badLineText.size(), kMaxQuotedCharacters);
        QCOMPARE(contents.badLineText,
                 QString::fromLatin1(line.left(kMaxQuotedCharacters - 1)) + QChar(0x2026));
        // A line of exactly the longest quotation is quoted whole.
        const QByteArray eighty(kMaxQuotedCharacters, 'y');
        QCOMPARE(readGameFile(writeFile(dir, eighty)).badLineText, QString::fromLatin1(eighty));
    }

    void writeThenReadGivesTheSameLines() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("round.rvg"));
        const Lines lines{"e2e4", "d7d5", "e4d5p", "d8d5p", "e1e2", "e8c8C"};
        QVERIFY(writeGameFile(path, lines));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("e2e4\r\nd7d5\r\ne4d5p\r\nd8d5p\r\ne1e2\r\ne8c8C\r\n"));
        const GameFileContents contents = readGameFile(path);
        QCOMPARE(contents.status, GameFileContents::Status::Loaded);
        QCOMPARE(contents.lines, lines);
    }

    void failedWriteKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "e2e4\r\n");
        {
            const ReadOnlyFolder readOnly(dir.path());
            QVERIFY(!writeGameFile(path, {"d2d4", "d7d5", "c2c4"}));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("e2e4\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"game.rvg"});
    }

    void writeIntoMissingFolderFails() {
        QTemporaryDir dir;
        QVERIFY(!writeGameFile(dir.filePath(QStringLiteral("no/such/folder/g.rvg")), {"e2e4"}));
    }
};

QTEST_GUILESS_MAIN(GameFileTest)
#include "GameFileTest.moc"
