#include "app/HandOver.h"

#include <QDir>
#include <QTest>

// The text a second start hands over, and how the running copy reads it.
class HandOverTest : public QObject {
    Q_OBJECT
private slots:
    void fileName_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("quoted, zero byte")
            << QByteArray("\"/home/a/g 1.rvg\"\0", 18) << "/home/a/g 1.rvg";
        QTest::newRow("not quoted keeps every character")
            << QByteArray("/tmp/g.rvg") << "/tmp/g.rvg";
        QTest::newRow("blanks round the quotes")
            << QByteArray("  \"/tmp/g.rvg\" \n") << "/tmp/g.rvg";
        QTest::newRow("only an opening quote") << QByteArray("\"/tmp/g.rvg") << "\"/tmp/g.rvg";
        QTest::newRow("only a closing quote") << QByteArray("/tmp/g.rvg\"") << "/tmp/g.rvg\"";
        QTest::newRow("one pair only") << QByteArray("\"\"x\"\"") << "\"x\"";
        QTest::newRow("text after the zero byte")
            << QByteArray("\"a.rvg\"\0\"b.rvg\"", 15) << "a.rvg";
        QTest::newRow("empty") << QByteArray("") << "";
        QTest::newRow("blanks") << QByteArray("   ") << "";
        QTest::newRow("empty quotes") << QByteArray("\"\"") << "";
        QTest::newRow("a lone quote") << QByteArray("\"") << "\"";
        QTest::newRow("starts with zero") << QByteArray("\0\"a.rvg\"", 8) << "";
        QTest::newRow("UTF-8") << QByteArray("\"/tmp/\xc3\xa9t\xc3\xa9.rvg\"") << "/tmp/été.rvg";
    }
    void fileName() {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QCOMPARE(handOverFileName(text), name);
    }

    void textQuotesTheAbsoluteName_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("relative") << "games/a.rvg" << QByteArray("\"/work/games/a.rvg\"\0", 20);
        QTest::newRow("dot dot") << "../b.rvg" << QByteArray("\"/b.rvg\"\0", 9);
        QTest::newRow("absolute") << "/x/c d.rvg" << QByteArray("\"/x/c d.rvg\"\0", 13);
    }
    void textQuotesTheAbsoluteName() {
        QFETCH(QString, argument);
        QFETCH(QByteArray, text);
        QCOMPARE(handOverText(argument, QStringLiteral("/work")), text);
        QCOMPARE(handOverFileName(handOverText(argument, QStringLiteral("/work"))),
                 QString::fromUtf8(text.mid(1, text.size() - 3)));
    }
};

QTEST_GUILESS_MAIN(HandOverTest)
#include "HandOverTest.moc"
