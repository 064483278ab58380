// The listening program (White) and a new copy played by a plain socket: the end of a game
// crossing a move on the wire, the next game on the same connection (Rematch, "/new"), and
// taking the other board's moves when the boards differ.
#include "PeerNextGameTest.h"

#include "PeerGameTable.h"
#include "app/OptionsMenu.h"
#include "game/Fen.h"
#include "peer/PeerExtendedProtocol.h"

#include <QAction>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<PeerFixture> fixture;

// The extended lines of one kind the peer received.
QList<ExtendedMessage> received(RawPeer& peer, ExtendedKind kind) {
    QList<ExtendedMessage> found;
    for (const QByteArray& line : peer.extendedLines()) {
        const ExtendedReading reading = readExtendedLine(line);
        if (reading.message && reading.message->kind == kind)
            found << *reading.message;
    }
    return found;
}

// The peer game windows, newest first.
std::vector<TMDIChild*> peerWindows() {
    std::vector<TMDIChild*> windows;
    for (TMDIChild* window : fixture->form->GameWindows()) {
        if (window->windowTitle().startsWith(QStringLiteral("Active Game")))
            windows.push_back(window);
    }
    return windows;
}

} // namespace

void PeerNextGameTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
    fixture->listenOnFreePort();
}

void PeerNextGameTest::cleanup() {
    fixture.reset();
}

void PeerNextGameTest::endCrossingAMove_data() {
    QTest::addColumn<QByteArrayList>("moves");
    QTest::addColumn<QByteArray>("programEnds"); // the Menu item the program's user chooses
    QTest::addColumn<QByteArray>("peerEnds");    // or the line the peer sends
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("live"); // the half-moves both sides end with
    // The program ends the game on the peer's turn while the peer's move is on the wire:
    // the move is still recorded, the result standing.
    QTest::newRow("program resigns, peer's move crosses")
        << QByteArrayList{"e2e4", "e7e5", "g1f3"} << QByteArray("Resign1") << QByteArray()
        << " - (Black Wins)" << 4;
    QTest::newRow("program aborts, peer's first move crosses")
        << QByteArrayList{"e2e4"} << QByteArray("Abort1") << QByteArray() << " - (Aborted)" << 2;
    // The peer ends it while the program's move is on the wire: the program keeps its move.
    QTest::newRow("peer resigns, program's move crosses")
        << QByteArrayList{"e2e4", "e7e5", "g1f3"} << QByteArray() << QByteArray("/rv resign")
        << " - (White Wins)" << 3;
    QTest::newRow("peer aborts, program's first move crosses")
        << QByteArrayList{"e2e4"} << QByteArray() << QByteArray("/rv abort") << " - (Aborted)" << 1;
}

void PeerNextGameTest::endCrossingAMove() {
    QFETCH(QByteArrayList, moves);
    QFETCH(QByteArray, programEnds);
    QFETCH(QByteArray, peerEnds);
    QFETCH(QString, title);
    QFETCH(int, live);
    PeerGameTable table = agreedGame(*fixture);
    QVERIFY(play(table, moves));
    if (!programEnds.isEmpty()) {
        menuItem(table.game, programEnds.constData())->trigger();
        QTRY_COMPARE(result(table.game), title);
        // The peer had not heard of it when it moved.
        const QByteArray next = table.mirror->game().LivePosition() == 1 ? "e7e5" : "b8c6";
        QVERIFY(peerMoves(table, next.left(2).constData(), next.mid(2).constData()));
    } else {
        QVERIFY(table.peer->send(peerEnds + "\r\n"));
    }
    QTRY_COMPARE(table.game->game().LivePosition(), live);
    QTest::qWait(100);
    QCOMPARE(table.game->game().LivePosition(), live);
    QCOMPARE(result(table.game), title);
    QCOMPARE(record(table.game), record(table.mirror.get()));
    // Only the one crossing move: a later one is refused.
    if (!programEnds.isEmpty()) {
        QVERIFY(table.peer->send("/rv move " + QByteArray::number(live + 1) +
                                 " a7a6 - 8/8/8/8/8/8/8/8 w - - 0 1\r\n/chat Client: x\r\n"));
        QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
        QCOMPARE(table.game->game().LivePosition(), live);
    }
}

void PeerNextGameTest::rematchSwapsColours_data() {
    QTest::addColumn<bool>("programAsks");
    QTest::addColumn<bool>("peerAsks");
    QTest::newRow("the program's user asks") << true << false;
    QTest::newRow("the peer asks") << false << true;
    QTest::newRow("both at once: one game") << true << true;
}

void PeerNextGameTest::rematchSwapsColours() {
    QFETCH(bool, programAsks);
    QFETCH(bool, peerAsks);
    PeerGameTable table = agreedGame(*fixture, QStringLiteral("3+2"));
    QVERIFY(play(table, {"e2e4", "e7e5"}));
    QVERIFY(!menuItem(table.game, "Rematch1")->isEnabled());
    // Before the end a rematch is refused.
    QVERIFY(table.peer->send("/rv rematch\r\n"));
    QTRY_VERIFY(consoleText(*fixture->form).contains("Refused Bo's rematch"));
    QCOMPARE(peerWindows().size(), std::size_t(1));

    QVERIFY(table.peer->send("/rv resign\r\n"));
    QTRY_COMPARE(result(table.game), QStringLiteral(" - (White Wins)"));
    QAction* rematch = menuItem(table.game, "Rematch1");
    QVERIFY(rematch->isVisible());
    QVERIFY(rematch->isEnabled());
    if (peerAsks)
        QVERIFY(table.peer->send("/rv rematch\r\n"));
    if (programAsks) {
        rematch->trigger();
        QTRY_COMPARE(received(*table.peer, ExtendedKind::Rematch).size(), qsizetype(1));
    }
    QTRY_COMPARE(peerWindows().size(), std::size_t(2));
    QTest::qWait(200);
    QCOMPARE(peerWindows().size(), std::size_t(2));
    TMDIChild* next = peerWindows().front();
    QVERIFY(next != table.game);
    QCOMPARE(next->PeerColour(), std::optional<std::uint8_t>(0));
    QVERIFY(next->CurrentTimeControl());
    QCOMPARE(next->CurrentTimeControl()->Text(), std::string("3+2"));
    if (!programAsks)
        QCOMPARE(received(*table.peer, ExtendedKind::Rematch).size(), qsizetype(0));

    // The peer plays White now; the program's user cannot move White's pieces.
    QVERIFY(!dropMove(next, "e2", "e4"));
    QCOMPARE(next->game().LivePosition(), 0);
    PeerGameTable again;
    again.peer = std::move(table.peer);
    again.game = next;
    QVERIFY(peerMoves(again, "d2", "d4"));
    QTRY_COMPARE(next->game().LivePosition(), 1);
    QVERIFY(programMoves(again, "d7", "d5"));
    QTRY_VERIFY(gameLines(*again.peer).last().startsWith("/rv move 2 d7d5 180000 "));
    // The finished game stays as it was.
    QCOMPARE(table.game->game().LivePosition(), 2);
}

void PeerNextGameTest::newGameProposesTheTermsAgain_data() {
    QTest::addColumn<bool>("peerStarts");
    QTest::newRow("the peer's /new") << true;
    QTest::newRow("the program's New") << false;
}

void PeerNextGameTest::newGameProposesTheTermsAgain() {
    QFETCH(bool, peerStarts);
    PeerGameTable table = agreedGame(*fixture, QStringLiteral("5+0"));
    QVERIFY(play(table, {"e2e4"}));
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "Black");
    fixture->form->Options()->WriteSetting("Peer", "TermsTimeControl", "1+1");
    if (peerStarts)
        QVERIFY(table.peer->send("/new\r\n"));
    else
        fixture->form->FileNew1Execute();
    QTRY_COMPARE(received(*table.peer, ExtendedKind::Terms).size(), qsizetype(2));
    if (!peerStarts)
        QVERIFY(table.peer->lines().contains("/new"));
    QCOMPARE(peerWindows().size(), std::size_t(2));
    TMDIChild* next = peerWindows().front();
    QVERIFY(!next->PeerColour());
    const ExtendedMessage terms = received(*table.peer, ExtendedKind::Terms).last();
    QCOMPARE(terms.colour, PeerColour::Black);
    QCOMPARE(terms.timeControl, QStringLiteral("1+1"));
    QVERIFY(terms.game != received(*table.peer, ExtendedKind::Terms).first().game);
    QVERIFY(table.peer->send("/rv accept " + terms.game + "\r\n"));
    QTRY_COMPARE(next->PeerColour(), std::optional<std::uint8_t>(0));
    QCOMPARE(next->CurrentTimeControl()->Text(), std::string("1+1"));
    // The old game is left as it was; the new one takes the connection's moves.
    PeerGameTable again;
    again.peer = std::move(table.peer);
    again.game = next;
    QVERIFY(peerMoves(again, "c2", "c4"));
    QTRY_COMPARE(next->game().LivePosition(), 1);
    QCOMPARE(table.game->game().LivePosition(), 1);
}

void PeerNextGameTest::differingSideTakesTheMoversMoves_data() {
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted") << true;
    QTest::newRow("declined") << false;
}

void PeerNextGameTest::differingSideTakesTheMoversMoves() {
    QFETCH(bool, accepted);
    PeerGameTable table = agreedGame(*fixture);
    QVERIFY(play(table, {"e2e4", "e7e5", "g1f3"}));
    // The peer's line names a move this board cannot make.
    QVERIFY(table.peer->send(
        "/rv move 4 b8d7 - r1bqkbnr/pppnpppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3\r\n"));
    QTRY_COMPARE(received(*table.peer, ExtendedKind::Resync).size(), qsizetype(1));
    QCOMPARE(received(*table.peer, ExtendedKind::Resync)[0].ply, 4);
    // The peer, as the side that moved, sends its moves from there again; they wait for
    // the program's user.
    const QByteArray fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
    QVERIFY(table.peer->send("/rv move 4 b8c6 - " + fen + "\r\n"));
    QTest::qWait(100);
    answer(QStringLiteral("Boards Differ"), accepted ? "Accept" : "Decline");
    if (accepted) {
        QTRY_COMPARE(QByteArray::fromStdString(FenText(table.game->game().Model())), fen);
        QTRY_VERIFY(consoleText(*fixture->form).contains("Took Bo's moves from half-move 4 on."));
        QCOMPARE(table.game->game().LivePosition(), 4);
        // Play goes on, the program's own move ending the catching up.
        QVERIFY(dropMove(table.game, "f1", "c4"));
        QTRY_VERIFY(gameLines(*table.peer).last().startsWith("/rv move 5 f1c4 - "));
    } else {
        QTest::qWait(100);
        QCOMPARE(table.game->game().LivePosition(), 3);
    }
}

void PeerNextGameTest::moverSendsItsMovesAgain() {
    PeerGameTable table = agreedGame(*fixture);
    QVERIFY(play(table, {"e2e4", "d7d5", "e4d5", "g8f6"}));
    const qsizetype before = gameLines(*table.peer).size();
    QVERIFY(table.peer->send("/rv resync 2\r\n"));
    QTRY_COMPARE(gameLines(*table.peer).size(), before + 3);
    QVERIFY(consoleText(*fixture->form).contains("Bo says the boards differ from half-move 2 on."));
    // Both sides' moves from half-move 2, each with the position it leads to.
    std::vector<std::string> record = table.mirror->game().Model().moveRecord;
    for (int ply = 2; ply <= 4; ++ply) {
        const ExtendedReading move = readExtendedLine(gameLines(*table.peer)[before + ply - 2]);
        QVERIFY(move.message);
        QCOMPARE(move.message->ply, ply);
        QCOMPARE((move.message->from + move.message->to).toStdString(),
                 record[ply - 1].substr(0, 4));
    }
    QCOMPARE(readExtendedLine(gameLines(*table.peer).last()).message->fen,
             QByteArray::fromStdString(FenText(table.mirror->game().Model())));
    // A resync beyond the game sends nothing.
    QVERIFY(table.peer->send("/rv resync 9\r\n/chat Client: x\r\n"));
    QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
    QCOMPARE(gameLines(*table.peer).size(), before + 3);
}
