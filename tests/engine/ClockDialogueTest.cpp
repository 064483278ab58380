// What engines are told of the clock and of the players' courtesies, on a device: the
// xboard "level", "time" and "otim", the UCI "go" with the times, take-backs, draw offers
// and results.
#include "EngineDevice.h"

#include "engine/ClockCommands.h"
#include "engine/UciEngine.h"
#include "engine/XboardEngine.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using namespace std::chrono_literals;
using MoveList = ChessEngine::MoveList;

class HandTime : public TimeSource {
public:
    ClockTime Now() const override { return m_now; }
    void Advance(ClockTime step) { m_now += step; }

private:
    ClockTime m_now{0};
};

TimeControl control(const char* text) {
    return ParseTimeControl(text).control.value();
}

// An xboard engine on a device past its opening.
struct OpenedXboard {
    EngineDevice device;
    XboardEngine engine;
    OpenedXboard() {
        engine.Attach(&device);
        engine.Begin();
        device.TakeWritten();
    }
};

} // namespace

class ClockDialogueTest : public QObject {
    Q_OBJECT
private slots:
    void xboardLevel_data();
    void xboardLevel();
    void xboardOnTheClock();
    void xboardPinged_data();
    void xboardPinged();
    void xboardToldLessItsRoundTrip();
    void uciOnTheClock_data();
    void uciOnTheClock();
    void xboardTakeBack_data();
    void xboardTakeBack();
    void xboardDrawAndResult();
};

void ClockDialogueTest::xboardLevel_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("level");
    QTest::newRow("1+0") << "1+0" << QByteArray("level 0 1 0\n");
    QTest::newRow("5+3") << "5+3" << QByteArray("level 0 5 3\n");
    QTest::newRow("half a minute") << "0.5+0" << QByteArray("level 0 0:30 0\n");
    QTest::newRow("90+30") << "90+30" << QByteArray("level 0 90 30\n");
    QTest::newRow("40/90") << "40/90" << QByteArray("level 40 90 0\n");
    QTest::newRow("sessions: the first") << "40/90,30+30" << QByteArray("level 40 90 0\n");
    QTest::newRow("2.25 minutes") << "2.25+1" << QByteArray("level 0 2:15 1\n");
}

void ClockDialogueTest::xboardLevel() {
    QFETCH(QString, control);
    QFETCH(QByteArray, level);
    QCOMPARE(XboardLevelCommand(::control(control.toLatin1().constData())), level);
}

void ClockDialogueTest::xboardOnTheClock() {
    OpenedXboard xboard;
    HandTime time;
    Clock clock(control("1+0"), time);
    xboard.engine.SetClock(&clock);
    // A clock is a feature that asks what the engine can do.
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("protover 2\nlevel 0 1 0\n"));
    // Under the clock a new Speed is not sent: it would undo the level.
    xboard.engine.SetSecondsPerMove(8);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray());

    clock.MoveMade(); // the user's untimed first move
    xboard.engine.UserMoved("e2e4", {"e2e4"}, true);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("time 6000\notim 6000\ne2e4\n"));
    time.Advance(2s);
    clock.MoveMade(); // the engine's untimed first move
    time.Advance(12345ms);
    clock.MoveMade(); // the user's second: 47.655 s left
    time.Advance(1999ms);
    // The engine's own time has run 1.999 s since the user moved: rounded down.
    xboard.engine.UserMoved("d2d4", {"e2e4", "e7e5", "d2d4"}, true);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("time 5800\notim 4765\nd2d4\n"));
    // Not its turn (the game ended): no times.
    xboard.engine.UserMoved("f2f4", {}, false);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("f2f4\n"));
    xboard.engine.Compute({});
    QVERIFY(xboard.device.TakeWritten().endsWith("\ngo\n"));

    // The clock taken away: the time per move holds again.
    xboard.engine.SetClock(nullptr);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("st 8\n"));
    xboard.engine.Compute({});
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("go\n"));
}

void ClockDialogueTest::xboardPinged_data() {
    QTest::addColumn<bool>("clocked");
    QTest::addColumn<QByteArray>("features");
    QTest::addColumn<QByteArray>("written"); // after the engine's reply
    QTest::newRow("clock, ping taken")
        << true << QByteArray("feature ping=1 done=1\n") << QByteArray("ping 1\n");
    QTest::newRow("clock, ping not offered")
        << true << QByteArray("feature ping=0 done=1\n") << QByteArray();
    QTest::newRow("no clock, ping taken")
        << false << QByteArray("feature ping=1 done=1\n") << QByteArray();
}

void ClockDialogueTest::xboardPinged() {
    QFETCH(bool, clocked);
    QFETCH(QByteArray, features);
    QFETCH(QByteArray, written);
    OpenedXboard xboard;
    HandTime time;
    Clock clock(control("1+0"), time);
    xboard.engine.LearnFeatures();
    if (clocked)
        xboard.engine.SetClock(&clock);
    xboard.device.Feed(features);
    xboard.device.TakeWritten();
    clock.MoveMade();
    xboard.engine.UserMoved("e2e4", {"e2e4"}, true);
    xboard.device.TakeWritten();
    QSignalSpy replied(&xboard.engine, &ChessEngine::ReplyArrived);
    xboard.device.Feed("move e7e5\n");
    QCOMPARE(replied.size(), 1);
    QCOMPARE(xboard.device.TakeWritten(), written);
    QCOMPARE(xboard.engine.TakeReplyLine().value_or(""), QByteArray("move e7e5"));
    // A pong is no reply, whether or not it answers a ping.
    xboard.device.Feed("pong 1\npong 9\n");
    QVERIFY(!xboard.engine.TakeReplyLine());
}

void ClockDialogueTest::xboardToldLessItsRoundTrip() {
    OpenedXboard xboard;
    HandTime time;
    Clock clock(control("1+0"), time);
    xboard.engine.SetClock(&clock);
    xboard.device.Feed("feature ping=1 done=1\n");
    clock.MoveMade(); // the user's untimed first move
    xboard.device.TakeWritten();
    // No round trip known yet: the time as the clock has it.
    xboard.engine.UserMoved("e2e4", {"e2e4"}, true);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("time 6000\notim 6000\ne2e4\n"));
    xboard.device.Feed("move e7e5\n");
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("ping 1\n"));
    clock.MoveMade(); // the engine's untimed first move
    // The engine answers its ping no sooner than this; an answer to another is no measure.
    QTest::qWait(300);
    xboard.device.Feed("pong 2\n");
    xboard.device.Feed("pong 1\n");
    time.Advance(5s);
    clock.MoveMade(); // the user's second: 55 s left
    xboard.engine.UserMoved("d2d4", {"e2e4", "e7e5", "d2d4"}, true);
    const QList<QByteArray> lines = xboard.device.TakeWritten().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].startsWith("time "), lines[0].constData());
    const int told = lines[0].mid(5).toInt();
    // Its own time less at least the round trip (0.3 s, 30 centiseconds); the other side's exact.
    QVERIFY2(told >= 0 && told <= 6000 - 30, lines[0].constData());
    QCOMPARE(lines[1], QByteArray("otim 5500"));
    QCOMPARE(lines[2], QByteArray("d2d4"));
}

void ClockDialogueTest::uciOnTheClock_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("reserveMs");
    QTest::addColumn<QByteArray>("go");
    QTest::newRow("2+1") << "2+1" << 0
                         << QByteArray("go wtime 115000 btime 120000 winc 1000 binc 1000\n");
    QTest::newRow("40/90") << "40/90" << 0
                           << QByteArray("go wtime 5395000 btime 5400000 winc 0 binc 0 "
                                         "movestogo 39\n");
    QTest::newRow("0.5+0.25") << "0.5+0.25" << 0
                              << QByteArray("go wtime 25000 btime 30000 winc 250 binc 250\n");
    QTest::newRow("a reserve of the mover's time")
        << "2+1" << 250 << QByteArray("go wtime 114750 btime 120000 winc 1000 binc 1000\n");
    QTest::newRow("a reserve beyond the time left")
        << "0.05+0" << 3000 << QByteArray("go wtime 0 btime 3000 winc 0 binc 0\n");
}

void ClockDialogueTest::uciOnTheClock() {
    QFETCH(QString, control);
    QFETCH(int, reserveMs);
    QFETCH(QByteArray, go);
    EngineDevice device;
    UciEngine engine;
    engine.Attach(&device);
    engine.Begin();
    device.Feed("uciok\n");
    HandTime time;
    Clock clock(::control(control.toLatin1().constData()), time);
    engine.SetClock(&clock);
    clock.MoveMade();
    clock.MoveMade();
    device.TakeWritten();
    engine.Compute({"e2e4", "e7e5"});
    QCOMPARE(device.TakeWritten(), QByteArray("isready\n"));
    // The times are those of the moment the search starts, not of the request.
    time.Advance(5s);
    QCOMPARE("go " + UciClockWords(clock, std::chrono::milliseconds(reserveMs)) + '\n', go);
    if (reserveMs != 0)
        return;
    device.Feed("readyok\n");
    // The engine keeps back the round trip of its "isready", which took some time here too:
    // its own time may be told a little short, the rest exactly.
    const QList<QByteArray> written = device.TakeWritten().split('\n');
    QCOMPARE(written.value(0), QByteArray("position startpos moves e2e4 e7e5"));
    QList<QByteArray> words = written.value(1).split(' ');
    QList<QByteArray> expected = go.trimmed().split(' ');
    QCOMPARE(words.size(), expected.size());
    QVERIFY(words[2].toLongLong() <= expected[2].toLongLong());
    words[2] = expected[2];
    QCOMPARE(words, expected);
}

void ClockDialogueTest::xboardTakeBack_data() {
    QTest::addColumn<int>("halfMoves");
    QTest::addColumn<QByteArray>("answer"); // what the engine says to "remove"
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("nextMove"); // written for the user's next move
    QTest::newRow("pair, remove known")
        << 2 << QByteArray() << QByteArray("remove\n") << QByteArray("d2d4\n");
    QTest::newRow("pair, remove unknown")
        << 2 << QByteArray("Error (unknown command): remove\n")
        << QByteArray("remove\nforce\nundo\nundo\n") << QByteArray("d2d4\ngo\n");
    QTest::newRow("one half-move")
        << 1 << QByteArray() << QByteArray("force\nundo\n") << QByteArray("d2d4\ngo\n");
}

void ClockDialogueTest::xboardTakeBack() {
    QFETCH(int, halfMoves);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, nextMove);
    OpenedXboard xboard;
    xboard.engine.TakeBack(halfMoves, {});
    xboard.device.Feed(answer);
    QCOMPARE(xboard.device.TakeWritten(), written);
    xboard.engine.UserMoved("d2d4", {"d2d4"}, true);
    QCOMPARE(xboard.device.TakeWritten(), nextMove);
    // An engine that refused "remove" once is not asked again.
    xboard.engine.TakeBack(2, {});
    QCOMPARE(xboard.device.TakeWritten(),
             answer.isEmpty() ? QByteArray("remove\n") : QByteArray("force\nundo\nundo\n"));
}

void ClockDialogueTest::xboardDrawAndResult() {
    OpenedXboard xboard;
    QVERIFY(xboard.engine.TakesDrawOffers());
    QSignalSpy offers(&xboard.engine, &ChessEngine::DrawOffered);
    xboard.engine.OfferDraw();
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("draw\n"));
    xboard.device.Feed("offer draw\n");
    QTRY_COMPARE(offers.size(), 1);
    xboard.engine.GameEnded("1/2-1/2", "Draw");
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("result 1/2-1/2 {Draw}\n"));
    // A game taken back into play after its end: the engine moves again only on "go".
    xboard.engine.TakeBack(2, {});
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("undo\nundo\n"));
    xboard.engine.UserMoved("d2d4", {"d2d4"}, true);
    QCOMPARE(xboard.device.TakeWritten(), QByteArray("d2d4\ngo\n"));

    UciEngine uci;
    QVERIFY(!uci.TakesDrawOffers());
}

QObject* MakeClockDialogueTest() {
    return new ClockDialogueTest;
}

#include "ClockDialogueTest.moc"
