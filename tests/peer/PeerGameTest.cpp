// A game between the listening program (White, by its terms) and a new copy played by a
// plain socket: resign, draw, takeback and abort through the window's Menu and the
// non-modal prompts, and the half-move number and position each move carries.
#include "PeerGameTest.h"

#include "PeerGameTable.h"
#include "app/OptionsMenu.h"
#include "game/Fen.h"
#include "peer/PeerExtendedProtocol.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<PeerFixture> fixture;

using Table = PeerGameTable;

Table agreedGame() {
    return agreedGame(*fixture);
}

} // namespace

void PeerGameTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
    fixture->listenOnFreePort();
}

void PeerGameTest::cleanup() {
    fixture.reset();
}

void PeerGameTest::resign_data() {
    QTest::addColumn<bool>("programResigns");
    QTest::addColumn<QString>("title");
    QTest::newRow("the program's user") << true << " - (Black Wins)";
    QTest::newRow("the peer") << false << " - (White Wins)";
}

void PeerGameTest::resign() {
    QFETCH(bool, programResigns);
    QFETCH(QString, title);
    Table table = agreedGame();
    QVERIFY(play(table, {"e2e4"}));
    if (programResigns) {
        QAction* resign = menuItem(table.game, "Resign1");
        QVERIFY(resign->isEnabled());
        resign->trigger();
        QTRY_COMPARE(gameLines(*table.peer).size(), qsizetype(2));
        QCOMPARE(gameLines(*table.peer)[1], QByteArray("/rv resign"));
        QVERIFY(!consoleText(*fixture->form).contains("resigned"));
    } else {
        QVERIFY(table.peer->send("/rv resign\r\n"));
    }
    QTRY_COMPARE(result(table.game), title);
    QVERIFY(table.game->game().Model().finished);
    QVERIFY(!menuItem(table.game, "Resign1")->isEnabled());
    // A move after the end is refused; only the one that crossed the program's own
    // resignation on the wire is still recorded.
    QVERIFY(peerMoves(table, "e7", "e5"));
    if (programResigns) {
        QTRY_COMPARE(table.game->game().LivePosition(), 2);
        QVERIFY(peerMoves(table, "g1", "f3"));
    }
    QTRY_VERIFY(consoleText(*fixture->form).contains("the game is over"));
    QCOMPARE(table.game->game().LivePosition(), programResigns ? 2 : 1);
    QCOMPARE(result(table.game), title);
}

void PeerGameTest::drawOffer_data() {
    QTest::addColumn<bool>("programOffers");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("peer offers, accepted") << false << true;
    QTest::newRow("peer offers, declined") << false << false;
    QTest::newRow("program offers, accepted") << true << true;
    QTest::newRow("program offers, declined") << true << false;
}

void PeerGameTest::drawOffer() {
    QFETCH(bool, programOffers);
    QFETCH(bool, accepted);
    Table table = agreedGame();
    QVERIFY(play(table, {"e2e4", "e7e5"}));
    const QByteArray reply = accepted ? "/rv draw accept" : "/rv draw decline";
    if (programOffers) {
        // On its own turn the offer goes with the next move.
        menuItem(table.game, "OfferDraw1")->trigger();
        QTest::qWait(100);
        QCOMPARE(gameLines(*table.peer).size(), qsizetype(1));
        QVERIFY(programMoves(table, "g1", "f3"));
        QTRY_COMPARE(gameLines(*table.peer).size(), qsizetype(3));
        QVERIFY(gameLines(*table.peer)[1].startsWith("/rv move 3 g1f3 "));
        QCOMPARE(gameLines(*table.peer)[2], QByteArray("/rv draw offer"));
        QVERIFY(table.peer->send(reply + "\r\n"));
        if (!accepted)
            QTRY_VERIFY(consoleText(*fixture->form).contains("Bo declined the draw."));
    } else {
        QVERIFY(table.peer->send("/rv draw offer\r\n"));
        answer(QStringLiteral("Draw Offer"), accepted ? "Accept" : "Decline");
        QTRY_COMPARE(gameLines(*table.peer).size(), qsizetype(2));
        QCOMPARE(gameLines(*table.peer)[1], reply);
    }
    QTRY_COMPARE(result(table.game), accepted ? QStringLiteral(" - (Draw)") : QString());
    QCOMPARE(bool(table.game->game().Model().finished), accepted);
    // An answer nobody asked for changes nothing.
    if (!accepted) {
        QVERIFY(table.peer->send("/rv draw accept\r\n/chat Client: x\r\n"));
        QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
        QVERIFY(!table.game->game().Model().finished);
    }
}

void PeerGameTest::takeBack_data() {
    QTest::addColumn<QByteArrayList>("moves");
    QTest::addColumn<bool>("programAsks");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<int>("left"); // half-moves left on both boards
    // The program plays White.
    QTest::newRow("program, its turn: a pair")
        << QByteArrayList{"e2e4", "e7e5"} << true << true << 0;
    QTest::newRow("program, peer's turn: one")
        << QByteArrayList{"e2e4", "e7e5", "g1f3"} << true << true << 2;
    QTest::newRow("program, refused") << QByteArrayList{"e2e4", "e7e5"} << true << false << 2;
    QTest::newRow("peer, its turn: a pair")
        << QByteArrayList{"e2e4", "e7e5", "g1f3"} << false << true << 1;
    QTest::newRow("peer, program's turn: one")
        << QByteArrayList{"e2e4", "e7e5"} << false << true << 1;
    QTest::newRow("peer, refused") << QByteArrayList{"e2e4", "e7e5"} << false << false << 2;
}

void PeerGameTest::takeBack() {
    QFETCH(QByteArrayList, moves);
    QFETCH(bool, programAsks);
    QFETCH(bool, granted);
    QFETCH(int, left);
    Table table = agreedGame();
    QVERIFY(play(table, moves));
    const qsizetype sent = gameLines(*table.peer).size();
    const QByteArray reply = granted ? "/rv takeback accept" : "/rv takeback decline";
    if (programAsks) {
        QAction* takeBack = menuItem(table.game, "TakeBack1");
        QVERIFY(takeBack->isEnabled());
        takeBack->trigger();
        QTRY_COMPARE(gameLines(*table.peer).size(), sent + 1);
        QCOMPARE(gameLines(*table.peer).last(), QByteArray("/rv takeback offer"));
        // Nothing is taken back before the answer.
        QTest::qWait(100);
        QCOMPARE(table.game->game().LivePosition(), moves.size());
        QVERIFY(table.peer->send(reply + "\r\n"));
    } else {
        QVERIFY(table.peer->send("/rv takeback offer\r\n"));
        answer(QStringLiteral("Take Back"), granted ? "Accept" : "Decline");
        QTRY_COMPARE(gameLines(*table.peer).size(), sent + 1);
        QCOMPARE(gameLines(*table.peer).last(), reply);
    }
    QTRY_COMPARE(table.game->game().LivePosition(), left);
    table.mirror->TakeBackPeerMoves(left);
    QCOMPARE(record(table.game), record(table.mirror.get()));
    QCOMPARE(FenText(table.game->game().Model()), FenText(table.mirror->game().Model()));
    // Play goes on from there, the boards agreeing on the half-move number.
    const bool programsTurn = left % 2 == 0;
    QVERIFY(programsTurn ? programMoves(table, "d2", "d4") : peerMoves(table, "d7", "d5"));
    QTRY_COMPARE(table.game->game().LivePosition(), left + 1);
    QVERIFY(!consoleText(*fixture->form).contains("differ"));
}

void PeerGameTest::abort_data() {
    QTest::addColumn<QByteArrayList>("moves");
    QTest::addColumn<bool>("programAborts");
    QTest::addColumn<bool>("aborted");
    QTest::newRow("program, before any move") << QByteArrayList{} << true << true;
    QTest::newRow("program, after its move") << QByteArrayList{"e2e4"} << true << true;
    QTest::newRow("program, both moved") << QByteArrayList{"e2e4", "e7e5"} << true << false;
    QTest::newRow("peer, before its move") << QByteArrayList{"e2e4"} << false << true;
    QTest::newRow("peer, both moved") << QByteArrayList{"e2e4", "e7e5"} << false << false;
}

void PeerGameTest::abort() {
    QFETCH(QByteArrayList, moves);
    QFETCH(bool, programAborts);
    QFETCH(bool, aborted);
    Table table = agreedGame();
    QVERIFY(play(table, moves));
    const qsizetype sent = gameLines(*table.peer).size();
    if (programAborts) {
        QAction* abort = menuItem(table.game, "Abort1");
        QVERIFY(abort->isVisible());
        QCOMPARE(abort->isEnabled(), aborted);
        abort->trigger();
        if (aborted) {
            QTRY_COMPARE(gameLines(*table.peer).size(), sent + 1);
            QCOMPARE(gameLines(*table.peer).last(), QByteArray("/rv abort"));
        }
    } else {
        QVERIFY(table.peer->send("/rv abort\r\n"));
        if (!aborted)
            QTRY_VERIFY(consoleText(*fixture->form).contains("Refused Bo's abort"));
    }
    QTRY_COMPARE(result(table.game), aborted ? QStringLiteral(" - (Aborted)") : QString());
    QCOMPARE(table.game->game().LivePosition(), moves.size());
    QTest::qWait(100);
    if (!aborted)
        QCOMPARE(gameLines(*table.peer).size(), sent);
}

void PeerGameTest::oldPeerSeesNothingNew() {
    auto peer = std::make_unique<RawPeer>(fixture->port);
    QVERIFY(peer->connected());
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // Without colours the Menu's game items stay as they were in a peer window.
    for (const char* name : {"Resign1", "OfferDraw1", "TakeBack1"})
        QVERIFY2(!menuItem(game, name)->isEnabled(), name);
    QVERIFY(!menuItem(game, "Abort1")->isVisible());
    QVERIFY(dropMove(game, "e2", "e4"));
    QVERIFY(peer->send("/move e7e5\r\n"));
    QTRY_COMPARE(game->game().LivePosition(), 2);
    QVERIFY(!menuItem(game, "TakeBack1")->isEnabled());
    game->TakeBack1Click();
    game->Resign1Click();
    QTest::qWait(200);
    QCOMPARE(game->game().LivePosition(), 2);
    QVERIFY(!game->game().Model().finished);
    // The old copy got the move as it always did, and the hello it drops, nothing else.
    QCOMPARE(peer->lines(), QList<QByteArray>{"/move e2e4"});
    QCOMPARE(peer->extendedLines().size(), qsizetype(1));
}

void PeerGameTest::movesCarryHalfMoveAndPosition() {
    Table table = agreedGame();
    QVERIFY(play(table, {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}));
    // Each of the program's moves carries its number and the position it leads to; the
    // old move line is not sent as well, or a new copy would make the move twice.
    const QList<QByteArray> lines = gameLines(*table.peer);
    QCOMPARE(lines.size(), qsizetype(3));
    QCOMPARE(table.peer->lines(), QList<QByteArray>{});
    const QByteArrayList expected = {"1 e2e4", "3 g1f3", "5 f1c4"};
    for (int i = 0; i < lines.size(); ++i) {
        const ExtendedReading move = readExtendedLine(lines[i]);
        QVERIFY(move.message && move.message->kind == ExtendedKind::Move);
        QCOMPARE(QByteArray::number(move.message->ply) + ' ' +
                     (move.message->from + move.message->to).toLatin1(),
                 expected[i]);
    }
    QCOMPARE(readExtendedLine(lines.last()).message->fen,
             QByteArray("r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3"));
    QCOMPARE(record(table.game), record(table.mirror.get()));
    QVERIFY(!consoleText(*fixture->form).contains("differ"));
}

void PeerGameTest::differingBoardsAreSaidOnBothSides_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("ply"); // where the boards differ, as both sides are told
    // The en-passant square is written after every double step.
    const QByteArray fen = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2";
    QTest::newRow("right") << "/rv move 2 e7e5 - " + fen << 0;
    QTest::newRow("other position")
        << QByteArray(
               "/rv move 2 e7e5 - rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBN1 w Qkq - 0 2")
        << 2;
    QTest::newRow("half-move ahead") << "/rv move 4 e7e5 - " + fen << 2;
    QTest::newRow("half-move behind") << "/rv move 1 e7e5 - " + fen << 1;
    QTest::newRow("illegal") << "/rv move 2 e7e4 - " + fen << 2;
}

void PeerGameTest::differingBoardsAreSaidOnBothSides() {
    QFETCH(QByteArray, line);
    QFETCH(int, ply);
    Table table = agreedGame();
    QVERIFY(play(table, {"e2e4"}));
    QVERIFY(table.peer->send(line + "\r\n/chat Client: x\r\n"));
    QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
    const QList<QByteArray> lines = gameLines(*table.peer);
    if (ply == 0) {
        QCOMPARE(table.game->game().LivePosition(), 2);
        QCOMPARE(lines.size(), qsizetype(1));
        QVERIFY(!consoleText(*fixture->form).contains("differ"));
        return;
    }
    QCOMPARE(lines.size(), qsizetype(2));
    QCOMPARE(lines[1], "/rv resync " + QByteArray::number(ply));
    QVERIFY(consoleText(*fixture->form)
                .contains(QStringLiteral("The boards differ from half-move %1 on").arg(ply)));
    // The other side's word that the boards differ is shown too.
    QVERIFY(table.peer->send("/rv resync 2\r\n"));
    QTRY_VERIFY(
        consoleText(*fixture->form).contains("Bo says the boards differ from half-move 2 on."));
}
