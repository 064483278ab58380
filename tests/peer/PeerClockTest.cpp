// Clocked games between the listening program (White) and a new copy played by a plain
// socket: each move carries the mover's time and sets its clock here, pings measure the
// link, and a flag is claimed only after the round trip and checked against the own clock.
#include "PeerClockTest.h"

#include "PeerGameTable.h"
#include "app/OptionsMenu.h"
#include "game/Clock.h"
#include "peer/PeerExtendedProtocol.h"

#include <QMessageBox>
#include <QScopeGuard>
#include <QTest>

#include <memory>

namespace {

using namespace std::chrono_literals;

std::unique_ptr<PeerFixture> fixture;

constexpr std::uint8_t kWhite = 1;
constexpr std::uint8_t kBlack = 0;

// The pings the program sent, as pong lines that answer them.
QByteArray pongsFor(RawPeer& peer) {
    QByteArray pongs;
    for (const QByteArray& line : peer.extendedLines()) {
        if (line.startsWith("/rv ping "))
            pongs += "/rv pong " + line.mid(9) + "\r\n";
    }
    return pongs;
}

bool hasLine(RawPeer& peer, const QByteArray& wanted) {
    return gameLines(peer).contains(wanted);
}

qint64 millisecondsLeft(TMDIChild* game, std::uint8_t white) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               game->GameClock()->Remaining(white))
        .count();
}

} // namespace

void PeerClockTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
    fixture->listenOnFreePort();
}

void PeerClockTest::cleanup() {
    fixture.reset();
}

void PeerClockTest::movesCarryTheMoversTime_data() {
    QTest::addColumn<QByteArray>("time"); // what the peer's move says of its time
    QTest::addColumn<qint64>("black");    // then Black's clock here, in ms
    QTest::addColumn<QString>("title");
    QTest::newRow("its own time") << QByteArray("171234") << qint64(171234) << QString();
    QTest::newRow("more than the program counted")
        << QByteArray("185000") << qint64(185000) << QString();
    QTest::newRow("none: the program's count stays")
        << QByteArray("-") << qint64(180000) << QString();
    QTest::newRow("run out with the move")
        << QByteArray("0") << qint64(0) << QStringLiteral(" - (White Wins)");
}

void PeerClockTest::movesCarryTheMoversTime() {
    QFETCH(QByteArray, time);
    QFETCH(qint64, black);
    QFETCH(QString, title);
    PeerGameTable table = agreedGame(*fixture, QStringLiteral("3+2"));
    const Clock* clock = table.game->GameClock();
    QVERIFY(clock);
    QVERIFY(programMoves(table, "e2", "e4"));
    // The first move is not timed: the whole base time is left.
    QTRY_COMPARE(gameLines(*table.peer).size(), qsizetype(1));
    const ExtendedReading sent = readExtendedLine(gameLines(*table.peer)[0]);
    QVERIFY(sent.message);
    QCOMPARE(sent.message->remainingMs, std::optional<qint64>(180000));

    QVERIFY(peerMoves(table, "e7", "e5", time));
    QTRY_COMPARE(table.game->game().LivePosition(), 2);
    QCOMPARE(std::chrono::duration_cast<std::chrono::milliseconds>(clock->Remaining(kBlack)),
             std::chrono::milliseconds(black));
    QCOMPARE(result(table.game), title);
    if (title.isEmpty()) {
        QCOMPARE(clock->SideToMove(), kWhite);
        QVERIFY(clock->Running());
    }
}

void PeerClockTest::pingIsAnsweredWithPong() {
    PeerGameTable table = agreedGame(*fixture);
    QVERIFY(table.peer->send("/rv ping 77\r\n/rv ping 999999999\r\n"));
    QTRY_COMPARE(gameLines(*table.peer), (QList<QByteArray>{"/rv pong 77", "/rv pong 999999999"}));
    // A game without a clock sends no pings of its own.
    QVERIFY(!table.peer->extendedLines().join('\n').contains("/rv ping"));

    PeerGameTable clocked = agreedGame(*fixture, QStringLiteral("1+0"));
    QTRY_VERIFY(clocked.peer->extendedLines().size() == 3);
    QVERIFY(clocked.peer->extendedLines()[2].startsWith("/rv ping "));
}

void PeerClockTest::flagClaimedAfterTheRoundTrip_data() {
    // What the peer sends once the program's claim has reached it: its move that was on its
    // way already (its time on its own clock), and its answer to the claim.
    QTest::addColumn<QByteArray>("crossing"); // the move's time; empty for no move
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("plies");
    QTest::addColumn<qint64>("black"); // Black's clock here afterwards, in ms at most
    QTest::addColumn<QString>("said");
    QTest::newRow("claim before the move: declined")
        << QByteArray() << QByteArray("decline 4000") << QString() << 3 << qint64(4000)
        << "Bo's clock shows 0:04.0: the flag claim is withdrawn";
    QTest::newRow("claim before the move: accepted")
        << QByteArray() << QByteArray("accept 0") << QStringLiteral(" - (White Wins)") << 3
        << qint64(0) << "Bo's time ran out.";
    QTest::newRow("move in time already sent: declined")
        << QByteArray("5000") << QByteArray("decline 5000") << QString() << 4 << qint64(5000)
        << "Bo moved in time: the flag claim is withdrawn";
    QTest::newRow("move already sent, flag down by the peer's count: accepted")
        << QByteArray("300") << QByteArray("accept 0") << QStringLiteral(" - (White Wins)") << 4
        << qint64(0) << "Bo's time ran out.";
}

void PeerClockTest::flagClaimedAfterTheRoundTrip() {
    QFETCH(QByteArray, crossing);
    QFETCH(QByteArray, answer);
    QFETCH(QString, title);
    QFETCH(int, plies);
    QFETCH(qint64, black);
    QFETCH(QString, said);
    // 1.2 s a side. The peer answers the first ping late, so that the link's round trip,
    // and with it the wait before a claim, is long enough for a busy machine.
    PeerGameTable table = agreedGame(*fixture, QStringLiteral("0.02+0"));
    QTest::qWait(2500);
    QVERIFY(table.peer->send(pongsFor(*table.peer)));
    QVERIFY(play(table, {"e2e4"}));
    QVERIFY(peerMoves(table, "e7", "e5", "1200"));
    QTRY_COMPARE(table.game->game().LivePosition(), 2);
    QVERIFY(play(table, {"g1f3"}));
    const Clock* clock = table.game->GameClock();
    QTRY_COMPARE_WITH_TIMEOUT(clock->Flagged(), std::optional(kBlack), 10000);
    // The flag is down on the program's clock, and not yet claimed.
    QVERIFY(!hasLine(*table.peer, "/rv flag"));
    QTRY_VERIFY_WITH_TIMEOUT(hasLine(*table.peer, "/rv flag"), 10000);
    // The claim waits for the peer: the game is not over, and a move that crossed the claim
    // waits with it.
    if (!crossing.isEmpty())
        QVERIFY(peerMoves(table, "b8", "c6", crossing));
    QVERIFY(table.peer->send("/chat Client: sent\r\n"));
    QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
    QCOMPARE(result(table.game), QString());
    QVERIFY(!table.game->game().Model().finished);
    QCOMPARE(table.game->game().LivePosition(), 3);
    QVERIFY(consoleText(*fixture->form).contains("you claimed the flag"));

    QVERIFY(table.peer->send("/rv flaganswer " + answer + "\r\n"));
    QTRY_VERIFY2(consoleText(*fixture->form).contains(said),
                 qPrintable(consoleText(*fixture->form)));
    QCOMPARE(result(table.game), title);
    QCOMPARE(table.game->game().Model().finished != 0, !title.isEmpty());
    QCOMPARE(table.game->game().LivePosition(), plies);
    // Both boards hold the same moves.
    QCOMPARE(record(table.game), record(table.mirror.get()));
    const qint64 blackMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock->Remaining(kBlack)).count();
    QVERIFY2(blackMs <= black && blackMs >= black - 1000, qPrintable(QString::number(blackMs)));
    if (title.isEmpty()) {
        QVERIFY(!clock->Flagged());
        QVERIFY(!clock->Stopped());
        QCOMPARE(clock->SideToMove(), plies % 2 == 0 ? kWhite : kBlack);
        // No second claim of the same fall.
        QTest::qWait(500);
        QCOMPARE(gameLines(*table.peer).count("/rv flag"), qsizetype(1));
    }
}

void PeerClockTest::claimCheckedAgainstOwnClock_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("said"); // in the Main Console
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("answer"); // the start of the answer the peer gets
    QTest::newRow("time left: refused") << "3+2"
                                        << "Refused Bo's flag claim: your clock shows " << QString()
                                        << QByteArray("/rv flaganswer decline 1");
    QTest::newRow("no clock: refused") << ""
                                       << "Refused Bo's flag claim: the game has no clock."
                                       << QString() << QByteArray("/rv flaganswer decline -");
    QTest::newRow("the own flag fell first")
        << "0.02+0"
        << "Bo claimed your flag."
        << " - (Black Wins)" << QByteArray("/rv flaganswer accept 0");
}

void PeerClockTest::claimCheckedAgainstOwnClock() {
    QFETCH(QString, control);
    QFETCH(QString, said);
    QFETCH(QString, title);
    QFETCH(QByteArray, answer);
    PeerGameTable table = agreedGame(*fixture, control);
    QVERIFY(play(table, {"e2e4", "e7e5"}));
    if (!title.isEmpty()) {
        // The program's own clock runs out: its game ends here by itself.
        QTRY_COMPARE_WITH_TIMEOUT(result(table.game), title, 10000);
    }
    QVERIFY(table.peer->send("/rv flag\r\n/chat Client: x\r\n"));
    QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
    QVERIFY2(consoleText(*fixture->form).contains(said), qPrintable(consoleText(*fixture->form)));
    QCOMPARE(result(table.game), title);
    QCOMPARE(table.game->windowTitle().count(" - ("), title.isEmpty() ? 0 : 1);
    // The claimer hears the answer, with this side's own time when the claim is refused.
    QTRY_VERIFY(!gameLines(*table.peer).isEmpty());
    const QByteArray said2 = gameLines(*table.peer).last();
    QVERIFY2(said2.startsWith(answer), said2.constData());
    const ExtendedReading reading = readExtendedLine(said2);
    QVERIFY(reading.message && reading.message->kind == ExtendedKind::FlagAnswer);
    if (control == "3+2")
        QVERIFY(*reading.message->remainingMs > 170'000);
}

void PeerClockTest::claimCrossingTheOwnMove() {
    // 2.4 s a side, and a round trip of 2.5 s: the program's move leaves it less time than
    // the link allows for, so the peer's claim that crossed the move holds.
    PeerGameTable table = agreedGame(*fixture, QStringLiteral("0.04+0"));
    QTest::qWait(2500);
    QVERIFY(table.peer->send(pongsFor(*table.peer)));
    QVERIFY(play(table, {"e2e4"}));
    QVERIFY(peerMoves(table, "e7", "e5", "2400"));
    QTRY_COMPARE(table.game->game().LivePosition(), 2);
    QVERIFY(play(table, {"g1f3"}));
    QVERIFY(table.peer->send("/rv flag\r\n"));
    QTRY_COMPARE(result(table.game), QStringLiteral(" - (Black Wins)"));
    QVERIFY(consoleText(*fixture->form).contains("Bo claimed your flag."));
    QTRY_VERIFY(hasLine(*table.peer, "/rv flaganswer accept 0"));
    QCOMPARE(table.game->GameClock()->Remaining(kWhite), ClockTime{0});
    // Decided on the position before the move, which stays on the list, as the claimer
    // records it when it arrives there.
    QCOMPARE(record(table.game), record(table.mirror.get()));
    QCOMPARE(table.game->windowTitle().count(" - ("), 1);
}

void PeerClockTest::flagClaimBetweenTwoPrograms_data() {
    QTest::addColumn<bool>("flagDown"); // Black's time runs out, or only on White's clock
    QTest::newRow("the flag really down: both end alike") << true;
    QTest::newRow("down on the claimer's clock only: refused, both go on") << false;
}

void PeerClockTest::flagClaimBetweenTwoPrograms() {
    QFETCH(bool, flagDown);
    // The fixture's program waits and plays White; a second one connects and plays Black.
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "White");
    fixture->form->Options()->WriteSetting("Peer", "TermsTimeControl", flagDown ? "0.02+0" : "3+0");
    const QByteArray portBefore = qgetenv("ROOKVALE_PEER_PORT");
    const auto restorePort = qScopeGuard([&] { qputenv("ROOKVALE_PEER_PORT", portBefore); });
    qputenv("ROOKVALE_PEER_PORT", QByteArray::number(fixture->port));
    PeerFixture client;
    client.start();
    pressConnect(client);
    QMessageBox* terms = nullptr;
    QTRY_VERIFY((terms = client.form->findChild<QMessageBox*>("GameTermsPrompt")));
    QTest::mouseClick(terms->buttons().first(), Qt::LeftButton);
    TMDIChild* white = fixture->form->PeerGameWindow();
    TMDIChild* black = client.form->PeerGameWindow();
    QTRY_VERIFY(white->PeerColour() && black->PeerColour());
    QCOMPARE(*black->PeerColour(), kBlack);
    QVERIFY(dropMove(white, "e2", "e4"));
    QTRY_COMPARE(black->game().LivePosition(), 1);
    QVERIFY(dropMove(black, "e7", "e5"));
    QTRY_COMPARE(white->game().LivePosition(), 2);
    QVERIFY(dropMove(white, "g1", "f3"));
    QTRY_COMPARE(black->game().LivePosition(), 3);
    // Black's time runs on both clocks now.
    if (!flagDown) {
        // White's clock has run ahead: there Black's time is nearly gone.
        white->SetPeerClockTime(kBlack, std::chrono::milliseconds(300));
    }
    QTRY_VERIFY_WITH_TIMEOUT(consoleText(*fixture->form).contains("you claimed the flag"), 15000);
    if (flagDown) {
        QTRY_COMPARE_WITH_TIMEOUT(result(white), QStringLiteral(" - (White Wins)"), 15000);
        QCOMPARE(result(black), QStringLiteral(" - (White Wins)"));
        QVERIFY(consoleText(*fixture->form).contains("'s time ran out."));
        QVERIFY2(consoleText(*client.form).contains("claimed your flag."),
                 qPrintable(consoleText(*client.form)));
        // The same clocks: Black's time gone, White's as its last move said it.
        for (TMDIChild* side : {white, black}) {
            QVERIFY(side->game().Model().finished);
            QCOMPARE(millisecondsLeft(side, kBlack), qint64(0));
        }
        QVERIFY(std::abs(millisecondsLeft(white, kWhite) - millisecondsLeft(black, kWhite)) <= 1);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(
            consoleText(*fixture->form).contains("the flag claim is withdrawn"), 15000);
        QVERIFY2(consoleText(*client.form).contains("Refused"),
                 qPrintable(consoleText(*client.form)));
        // White's clock shows Black's time as Black's own clock does, both running on.
        const qint64 apart = millisecondsLeft(white, kBlack) - millisecondsLeft(black, kBlack);
        QVERIFY2(std::abs(apart) < 500, qPrintable(QStringLiteral("%1 ms apart").arg(apart)));
        QVERIFY(millisecondsLeft(white, kBlack) > 100'000);
        QVERIFY(!white->GameClock()->Stopped());
        QVERIFY(dropMove(black, "b8", "c6"));
        QTRY_COMPARE(white->game().LivePosition(), 4);
        for (TMDIChild* side : {white, black}) {
            QVERIFY(!side->game().Model().finished);
            QCOMPARE(result(side), QString());
        }
    }
    QCOMPARE(record(white), record(black));
}
