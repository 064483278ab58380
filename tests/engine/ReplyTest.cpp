// The reply move read from one line of engine output.
#include "board/EngineOutput.h"
#include "engine/EngineReply.h"
#include "game/Game.h"
#include "game/NullDisplay.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<EngineMove>)

class ReplyTest : public QObject {
    Q_OBJECT
private slots:
    void readsMoveWord_data();
    void readsMoveWord();
    void readsFormsInPosition_data();
    void readsFormsInPosition();
    void describesThought_data();
    void describesThought();
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
    QTest::newRow("GNU Chess announcement")
        << QByteArray("My move is : d7d5") << false << std::optional(M{"d7", "d5", ""});
    QTest::newRow("announcement without a move") << QByteArray("My move is : ") << false << none;
    QTest::newRow("GNU Chess complaint") << QByteArray("Invalid move: ") << false << none;
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

void ReplyTest::readsFormsInPosition_data() {
    QTest::addColumn<QByteArray>("fen");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected"); // from, to and the promotion kind; empty: none
    const QByteArray start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    // Black to move; knights on b8 and f6 may both reach d7, rooks on a8 and f8 reach e8.
    const QByteArray twins = "r4rk1/pPp2ppp/5n2/3p4/4P3/8/PPP2PPP/R3K2R b KQ - 0 1";
    const QByteArray promote = "8/4P1k1/8/8/8/8/6K1/8 w - - 0 1";
    const QByteArray castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    QTest::newRow("seed coordinates first") << start << QByteArray("move g1f3") << "g1f3";
    QTest::newRow("SAN knight") << start << QByteArray("move Nf3") << "g1f3";
    QTest::newRow("SAN pawn") << start << QByteArray("move e4") << "e2e4";
    QTest::newRow("SAN pawn capture") << twins << QByteArray("move dxe4") << "d5e4";
    QTest::newRow("SAN pawn capture, no x") << twins << QByteArray("move de4") << "d5e4";
    QTest::newRow("SAN ambiguous rook") << twins << QByteArray("move Re8") << "";
    QTest::newRow("SAN rook by file") << twins << QByteArray("move Rae8") << "a8e8";
    QTest::newRow("SAN rook by file, check") << twins << QByteArray("move Rfe8+") << "f8e8";
    QTest::newRow("SAN illegal") << start << QByteArray("move Nf4") << "";
    QTest::newRow("SAN other side's piece") << start << QByteArray("move Nf6") << "";
    QTest::newRow("coordinates with =") << promote << QByteArray("move e7e8=Q") << "e7e8Queen";
    QTest::newRow("coordinates with =, knight")
        << promote << QByteArray("move e7e8=n") << "e7e8Knight";
    QTest::newRow("SAN promotion with check") << promote << QByteArray("move e8=Q+") << "e7e8Queen";
    QTest::newRow("SAN promotion without =") << promote << QByteArray("move e8R") << "e7e8Rook";
    QTest::newRow("SAN promotion missing") << promote << QByteArray("move e8") << "";
    QTest::newRow("promotion to a king") << promote << QByteArray("move e8=K") << "";
    QTest::newRow("= in the wrong place") << promote << QByteArray("move e7=e8Q") << "";
    QTest::newRow("castling with check") << castle << QByteArray("move O-O+") << "e1g1";
    QTest::newRow("long castling with mate") << castle << QByteArray("move O-O-O#") << "e1c1";
    QTest::newRow("long algebraic, Phalanx") << start << QByteArray("move Ng1-f3") << "g1f3";
    QTest::newRow("long algebraic capture") << twins << QByteArray("move d5xe4") << "d5e4";
    QTest::newRow("long algebraic promotion")
        << promote << QByteArray("move e7-e8=Q") << "e7e8Queen";
    QTest::newRow("words that are no move") << start << QByteArray("move xyzzy") << "";
    QTest::newRow("no marker") << start << QByteArray("Nf3") << "";
    QTest::newRow("mark alone") << start << QByteArray("move +#") << "";
}

void ReplyTest::readsFormsInPosition() {
    QFETCH(QByteArray, fen);
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    NullDisplay display;
    Game game(display);
    QVERIFY(game.Model().SetUpFromFen(fen.toStdString()));
    const BoardModel before = game.Model();
    const std::optional<EngineMove> move = ReadEngineMoveIn(line.toStdString(), game);
    const QString read =
        move ? QString::fromStdString(move->from + move->to + move->promotion) : QString();
    QCOMPARE(read, expected);
    QCOMPARE(game.Model().PlacementText(), before.PlacementText());
}

void ReplyTest::describesThought_data() {
    QTest::addColumn<QStringList>("played");
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Black to move, pawns")
        << QStringList{"e2e4"}
        << QByteArray("info depth 12 score cp 31 time 1500 nodes 9 pv e7e5 g1f3 b8c6 f1b5")
        << "12  -0.31  1.5 s  9  1... e5 2. Nf3 Nc6 3. Bb5";
    QTest::newRow("White to move, mate")
        << QStringList{} << QByteArray("info depth 5 score mate 3 time 0 nodes 1 pv e2e4")
        << "5  #3  0.0 s  1  1. e4";
    QTest::newRow("Black being mated")
        << QStringList{"e2e4"} << QByteArray("info depth 5 score mate -2 time 0 nodes 1 pv a7a6")
        << "5  #2  0.0 s  1  1... a6";
    QTest::newRow("shown as far as legal")
        << QStringList{} << QByteArray("info depth 2 score cp 0 time 0 nodes 2 pv e2e4 e2e4 d7d5")
        << "2  +0.00  0.0 s  2  1. e4";
    QTest::newRow("nonsense shows no moves")
        << QStringList{} << QByteArray("info depth 1 score cp 5 time 0 nodes 1 pv zz99 e2e4")
        << "1  +0.05  0.0 s  1  ";
}

void ReplyTest::describesThought() {
    QFETCH(QStringList, played);
    QFETCH(QByteArray, info);
    QFETCH(QString, shown);
    NullDisplay display;
    Game game(display);
    for (const QString& move : played)
        QVERIFY(game.MakeMove(move.left(2).toStdString(), move.mid(2, 2).toStdString()));
    const std::optional<EngineThought> thought = ReadUciInfo(info);
    QVERIFY(thought);
    QCOMPARE(DescribeThought(*thought, game), shown);
    QCOMPARE(game.LivePosition(), played.size());
}

QObject* MakeReplyTest() {
    return new ReplyTest;
}

#include "ReplyTest.moc"
