// The reply move read from one line of engine output.
#include "engine/EngineReply.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<EngineMove>)

class ReplyTest : public QObject {
    Q_OBJECT
private slots:
    void readsMoveWord_data();
    void readsMoveWord();
};

void ReplyTest::readsMoveWord_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("whiteToMove");
    QTest::addColumn<std::optional<EngineMove>>("expected");
    using M = EngineMove;
    const std::optional<EngineMove> none;
    QTest::newRow("plain") << QByteArray("move e7e5") << false << std::optional(M{"e7", "e5", ""});
    QTest::newRow("inside a line")
        << QByteArray("my move e2e4 is best") << true << std::optional(M{"e2", "e4", ""});
    QTest::newRow("carriage return")
        << QByteArray("move e2e4\r") << true << std::optional(M{"e2", "e4", ""});
    QTest::newRow("queen, lower case")
        << QByteArray("move e7e8q") << true << std::optional(M{"e7", "e8", "Queen"});
    QTest::newRow("knight, upper case")
        << QByteArray("move e7e8N") << true << std::optional(M{"e7", "e8", "Knight"});
    QTest::newRow("rook") << QByteArray("move a2a1r") << false
                          << std::optional(M{"a2", "a1", "Rook"});
    QTest::newRow("bishop") << QByteArray("move a2b1B") << false
                            << std::optional(M{"a2", "b1", "Bishop"});
    QTest::newRow("king side, Black")
        << QByteArray("move O-O") << false << std::optional(M{"e8", "g8", ""});
    QTest::newRow("king side, White")
        << QByteArray("move O-O") << true << std::optional(M{"e1", "g1", ""});
    QTest::newRow("queen side, Black")
        << QByteArray("move O-O-O") << false << std::optional(M{"e8", "c8", ""});
    QTest::newRow("queen side, White")
        << QByteArray("move O-O-O\r") << true << std::optional(M{"e1", "c1", ""});
    QTest::newRow("first move word counts")
        << QByteArray("move a7a6 move b7b6") << false << std::optional(M{"a7", "a6", ""});
    // Nothing is read past the move word, nor past the line.
    QTest::newRow("cut short") << QByteArray("move e2") << true << none;
    QTest::newRow("marker at the end") << QByteArray("move ") << true << none;
    QTest::newRow("two blanks") << QByteArray("move  e2e4") << true << none;
    QTest::newRow("promotion letter then more") << QByteArray("move e7e8qq") << true << none;
    QTest::newRow("not a promotion letter") << QByteArray("move e7e8k") << true << none;
    QTest::newRow("letter beyond the word")
        << QByteArray("move e2e4 q") << true << std::optional(M{"e2", "e4", ""});
    QTest::newRow("no square") << QByteArray("move z9e4") << true << none;
    QTest::newRow("castling with more") << QByteArray("move O-Ox") << true << none;
    QTest::newRow("complaint") << QByteArray("Illegal move: e2e4") << true << none;
    QTest::newRow("complaint in brackets")
        << QByteArray("Illegal move (no such move): e2e4") << true << none;
    QTest::newRow("greeting") << QByteArray("Hello from the engine") << true << none;
    QTest::newRow("thinking") << QByteArray(" 5 +12 100 4321 e2e4 e7e5 g1f3") << true << none;
    QTest::newRow("upper case marker") << QByteArray("MOVE e2e4") << true << none;
}

void ReplyTest::readsMoveWord() {
    QFETCH(QByteArray, line);
    QFETCH(bool, whiteToMove);
    QFETCH(std::optional<EngineMove>, expected);
    const std::optional<EngineMove> read = ReadEngineMove(line.toStdString(), whiteToMove);
    QCOMPARE(read.has_value(), expected.has_value());
    if (expected) {
        QCOMPARE(QString::fromStdString(read->from), QString::fromStdString(expected->from));
        QCOMPARE(QString::fromStdString(read->to), QString::fromStdString(expected->to));
        QCOMPARE(QString::fromStdString(read->promotion),
                 QString::fromStdString(expected->promotion));
    }
}

QObject* MakeReplyTest() {
    return new ReplyTest;
}

#include "ReplyTest.moc"
