#include "ReadOnlyFolder.h"

#include "app/IniFile.h"
#include "app/Options.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings file: the read rules for every odd value, and the exact file text.
class SettingsTest : public QObject {
    Q_OBJECT

    static QString writeFile(const QTemporaryDir& dir, const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("Settings.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write the test file");
        return path;
    }

    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private slots:
    void readRules_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<int>("board");
        QTest::addColumn<bool>("sound");
        const int m1 = 1, m2 = 2, classic = 3, sharp = 4, sky = 1, green = 2;
        QTest::newRow("no file text") << QByteArray() << m2 << green << true;
        QTest::newRow("written choices")
            << QByteArray("[Options]\r\nPieces=1\r\nBoard=1\r\nSound=0\r\n") << m1 << sky << false;
        QTest::newRow("classic, green")
            << QByteArray("[Options]\nPieces=3\nBoard=2\nSound=1\n") << classic << green << true;
        QTest::newRow("sharp") << QByteArray("[Options]\nPieces=4\n") << sharp << green << true;
        QTest::newRow("pieces 5") << QByteArray("[Options]\nPieces=5\n") << m2 << green << true;
        QTest::newRow("pieces 01") << QByteArray("[Options]\nPieces=01\n") << m2 << green << true;
        QTest::newRow("pieces 0") << QByteArray("[Options]\nPieces=0\n") << m2 << green << true;
        QTest::newRow("board x") << QByteArray("[Options]\nBoard=x\n") << m2 << green << true;
        QTest::newRow("sound empty") << QByteArray("[Options]\nSound=\n") << m2 << green << true;
        QTest::newRow("sound no") << QByteArray("[Options]\nSound=no\n") << m2 << green << true;
        QTest::newRow("sound 00") << QByteArray("[Options]\nSound=00\n") << m2 << green << true;
        QTest::newRow("blanks and case")
            << QByteArray("[ options ]\r\n pieces = 4 \r\nBOARD=1\r\nsound= 0\r\n") << sharp << sky
            << false;
        QTest::newRow("other section only")
            << QByteArray("[Other]\nPieces=1\nBoard=1\nSound=0\n") << m2 << green << true;
        QTest::newRow("lone CR line ends")
            << QByteArray("[Options]\rPieces=1\rSound=0\r") << m1 << green << false;
    }
    void readRules() {
        QFETCH(QByteArray, text);
        QFETCH(int, pieces);
        QFETCH(int, board);
        QFETCH(bool, sound);
        QTemporaryDir dir;
        const QString path =
            text.isNull() ? dir.filePath(QStringLiteral("Settings.ini")) : writeFile(dir, text);
        const Options options = readOptions(IniFile(path));
        QCOMPARE(static_cast<int>(options.pieces), pieces);
        QCOMPARE(static_cast<int>(options.board), board);
        QCOMPARE(options.sound, sound);
    }

    void newFileKeepsOrderOfFirstWrite() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Settings.ini"));
        IniFile file(path);
        file.setValue(kOptionsSection, kPiecesKey, pieceSetText(PieceSetChoice::Modern2));
        file.setValue(kOptionsSection, kBoardKey, boardColoursText(BoardColourChoice::SkyBlue));
        file.setValue(kOptionsSection, kSoundKey, soundText(true));
        file.setValue(kOptionsSection, kPiecesKey, pieceSetText(PieceSetChoice::Modern2));
        QVERIFY(file.save());
        QCOMPARE(readFile(path), QByteArray("[Options]\r\nPieces=2\r\nBoard=1\r\nSound=1\r\n"));
    }

    void rewriteChangesOnlyTheValue() {
        QTemporaryDir dir;
        const QString path = writeFile(
            dir, "; kept\r\n[Options]\r\nSound=1\r\nBoard=2\r\n\r\n[Window]\r\nLeft=3\r\n");
        IniFile file(path);
        file.setValue(kOptionsSection, kBoardKey, QStringLiteral("1"));
        file.setValue(kOptionsSection, kPiecesKey, QStringLiteral("4"));
        QVERIFY(file.save());
        QCOMPARE(readFile(path), QByteArray("; kept\r\n[Options]\r\nSound=1\r\nBoard=1\r\nPieces=4"
                                            "\r\n\r\n[Window]\r\nLeft=3\r\n"));
        QCOMPARE(IniFile(path).value(QStringLiteral("Window"), QStringLiteral("Left")),
                 QStringLiteral("3"));
    }

    void rewriteKeepsTheFileLineEnds_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("newLineEnd");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("LF file") << QByteArray("[A]\nx=1\n") << "\r\n"
                                 << QByteArray("[A]\nx=1\ny=2\n");
        QTest::newRow("CR LF file") << QByteArray("[A]\r\nx=1\r\n") << "\n"
                                    << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        // Each kind of line end ends one line; the file's first CR LF decides how it is
        // written back.
        QTest::newRow("mixed ends") << QByteArray("[A]\nx=1\r\ny=3\rz=4\r\n") << "\n"
                                    << QByteArray("[A]\r\nx=1\r\ny=2\r\nz=4\r\n");
        QTest::newRow("blank lines kept") << QByteArray("[A]\r\r\ny=3\n\n[B]\n") << "\n"
                                          << QByteArray("[A]\r\n\r\ny=2\r\n\r\n[B]\r\n");
        QTest::newRow("new file") << QByteArray() << "\n" << QByteArray("[A]\ny=2\n");
    }
    void rewriteKeepsTheFileLineEnds() {
        QFETCH(QByteArray, before);
        QFETCH(QString, newLineEnd);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path =
            before.isNull() ? dir.filePath(QStringLiteral("Settings.ini")) : writeFile(dir, before);
        IniFile file(path, newLineEnd);
        file.setValue(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("2"));
        QVERIFY(file.save());
        QCOMPARE(readFile(path), after);
    }

    void saveFailsInReadOnlyFolderAndKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "[Options]\r\nPieces=1\r\n");
        IniFile file(path);
        file.setValue(kOptionsSection, kPiecesKey, QStringLiteral("3"));
        {
            const ReadOnlyFolder readOnly(dir.path());
            QVERIFY(!file.save());
        }
        QCOMPARE(readFile(path), QByteArray("[Options]\r\nPieces=1\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
