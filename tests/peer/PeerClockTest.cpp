// Clocked games between the listening program (White) and a new copy played by a plain
// socket: each move carries the mover's time and sets its clock here, pings measure the
// link, and a flag is claimed only after the round trip and checked against the own clock.
#include "PeerClockTest.h"

#include "PeerGameTable.h"
#include "game/Clock.h"
#include "peer/PeerExtendedProtocol.h"

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

} // namespace

void PeerClockTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
    fixture->listen();
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
    QTest::addColumn<bool>("peerMovesInTime");
    QTest::newRow("the peer's move arrives within the round trip") << true;
    QTest::newRow("no move: the flag is claimed") << false;
}

void PeerClockTest::flagClaimedAfterTheRoundTrip() {
    QFETCH(bool, peerMovesInTime);
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
    QCOMPARE(result(table.game), QString());
    if (peerMovesInTime) {
        // In time by the peer's own clock, which is the truth for its time.
        QVERIFY(peerMoves(table, "b8", "c6", "5000"));
        QTRY_COMPARE(table.game->game().LivePosition(), 4);
        QCOMPARE(clock->Remaining(kBlack), ClockTime(5s));
        QVERIFY(!clock->Flagged());
        QVERIFY(!clock->Stopped());
        QCOMPARE(clock->SideToMove(), kWhite);
        // The program answers at once, within what its own second is left; the claim
        // that waited for the round trip is not made.
        QVERIFY(play(table, {"f1c4"}));
        QTest::qWait(3500);
        QVERIFY(!hasLine(*table.peer, "/rv flag"));
        QCOMPARE(result(table.game), QString());
        QVERIFY(!table.game->game().Model().finished);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(hasLine(*table.peer, "/rv flag"), 10000);
    QCOMPARE(result(table.game), QStringLiteral(" - (White Wins)"));
    QVERIFY(table.game->game().Model().finished);
    // A move that crossed the claim is recorded, the result standing.
    QVERIFY(peerMoves(table, "b8", "c6", "0"));
    QTRY_COMPARE(table.game->game().LivePosition(), 4);
    QCOMPARE(result(table.game), QStringLiteral(" - (White Wins)"));
}

void PeerClockTest::claimCheckedAgainstOwnClock_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("said"); // in the Main Console
    QTest::addColumn<QString>("title");
    QTest::newRow("time left: refused")
        << "3+2"
        << "Refused Bo's flag claim: your clock shows " << QString();
    QTest::newRow("no clock: refused")
        << ""
        << "Refused Bo's flag claim: the game has no clock." << QString();
    QTest::newRow("the own flag fell first") << "0.02+0"
                                             << ""
                                             << " - (Black Wins)";
}

void PeerClockTest::claimCheckedAgainstOwnClock() {
    QFETCH(QString, control);
    QFETCH(QString, said);
    QFETCH(QString, title);
    PeerGameTable table = agreedGame(*fixture, control);
    QVERIFY(play(table, {"e2e4", "e7e5"}));
    if (!title.isEmpty()) {
        // The program's own clock runs out: its game ends here by itself.
        QTRY_COMPARE_WITH_TIMEOUT(result(table.game), title, 10000);
    }
    QVERIFY(table.peer->send("/rv flag\r\n/chat Client: x\r\n"));
    QTRY_COMPARE(chatLog(table.game).size(), qsizetype(1));
    if (!said.isEmpty())
        QVERIFY2(consoleText(*fixture->form).contains(said),
                 qPrintable(consoleText(*fixture->form)));
    else
        QVERIFY(!consoleText(*fixture->form).contains("Refused"));
    QCOMPARE(result(table.game), title);
    QCOMPARE(table.game->windowTitle().count(" - ("), title.isEmpty() ? 0 : 1);
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
    // Decided on the position before the move, which stays on the list, as the claimer
    // records it when it arrives there.
    QCOMPARE(record(table.game), record(table.mirror.get()));
    QCOMPARE(table.game->windowTitle().count(" - ("), 1);
}
