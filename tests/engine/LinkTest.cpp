// The engine process and its xboard dialogue against the scripted stand-in engine: lines, replies,
// the cap on what is kept, start failures, and ending the engine without a trace.
#include "ScriptedEngine.h"

#include "engine/EngineCloser.h"
#include "engine/XboardEngine.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

constexpr int kWait = 20000; // generous for a busy machine; a passing run is far quicker

std::unique_ptr<XboardEngine> startedLink() {
    auto link = std::make_unique<XboardEngine>();
    QString error;
    if (!link->Start(ScriptedEngine::Program(), &error))
        qWarning() << "the scripted engine did not start:" << error;
    return link;
}

// Waits until the link holds a reply line, and takes it. The event loop runs all the
// while, as the program's does (QTest::qWaitFor sleeps between its rounds).
QByteArray nextReply(XboardEngine& link) {
    std::optional<QByteArray> reply;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if ((reply = link.TakeReplyLine()))
            loop.quit();
    });
    QTimer::singleShot(kWait, &loop, &QEventLoop::quit);
    poll.start(20);
    loop.exec();
    return reply.value_or("(none)");
}

} // namespace

class LinkTest : public QObject {
    Q_OBJECT
private slots:
    void replyOnlyFromCompleteLines();
    void otherLinesIgnored();
    void overlongLinesDropped();
    void errorOutputMerged();
    void floodWithoutLineFeedStaysBounded();
    void sendsExactBytes();
    void engineExitEndsTheLink();
    void startFailures_data();
    void startFailures();
    void closeEndsEngineWithQuit();
    void closeEndsStubbornEngines();
    void finishAllIsBounded();
    void writeToClosedInputFails();
};

void LinkTest::replyOnlyFromCompleteLines() {
    ScriptedEngine engine({"say mo", "sleep 400", "say ve e7", "sleep 400", "say e5\\n"});
    auto link = startedLink();
    QTest::qWait(600);
    QVERIFY(!link->TakeReplyLine());
    QCOMPARE(nextReply(*link), QByteArray("move e7e5"));
}

void LinkTest::otherLinesIgnored() {
    ScriptedEngine engine({"say Hello from the engine\\r\\n", "say 5 +12 100 4321 e2e4 e7e5\\n",
                           "say Illegal move: e2e5\\n", "sleep 200",
                           "say move a7a6\\r\\nmove b7b6\\n", "sleep 300", "say move c7c6\\n"});
    auto link = startedLink();
    // The first reply line wins; a second one of the same time is dropped.
    QCOMPARE(nextReply(*link), QByteArray("move a7a6"));
    QCOMPARE(nextReply(*link), QByteArray("move c7c6"));
}

void LinkTest::overlongLinesDropped() {
    const int cap = static_cast<int>(PeerLineFramer::kMaxLineLength);
    // Exactly the cap, its reply at the end, then one byte more.
    const QString fits = QStringLiteral("flood %1").arg(cap - 9);
    const QString over = QStringLiteral("flood %1").arg(cap - 8);
    ScriptedEngine engine(
        {fits, "say move e7e5\\n", "sleep 300", over, "say move d7d5\\n", "say move c7c5\\n"});
    auto link = startedLink();
    QCOMPARE(nextReply(*link), QByteArray(cap - 9, 'x') + "move e7e5");
    QCOMPARE(nextReply(*link), QByteArray("move c7c5"));
}

void LinkTest::errorOutputMerged() {
    ScriptedEngine engine({"err Error (unknown command): protover\\n", "err move e7e5\\n"});
    auto link = startedLink();
    QCOMPARE(nextReply(*link), QByteArray("move e7e5"));
}

void LinkTest::floodWithoutLineFeedStaysBounded() {
    ScriptedEngine engine({"flood 104857600", "say \\nmove e7e5\\n"});
    const qint64 before = PeakMemoryKiB();
    QElapsedTimer clock;
    clock.start();
    auto link = startedLink();
    QCOMPARE(nextReply(*link), QByteArray("move e7e5"));
    qInfo("100 MiB without a line feed read in %lld ms; peak memory grew by %lld KiB",
          static_cast<long long>(clock.elapsed()),
          static_cast<long long>(PeakMemoryKiB() - before));
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed memory in quarantine: the peak measures that.
    Q_UNUSED(before);
#else
    QVERIFY(PeakMemoryKiB() - before < 16 * 1024);
#endif
}

void LinkTest::sendsExactBytes() {
    ScriptedEngine engine({"await e7e8q\\n", "say move e2e4\\n"});
    auto link = startedLink();
    QString error;
    QVERIFY(link->Send("xboard\nnew\nst 1\n", &error));
    QVERIFY(link->Send("e7e8q\n", &error));
    QCOMPARE(nextReply(*link), QByteArray("move e2e4"));
    link->Close();
    QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), QByteArray("xboard\nnew\nst 1\ne7e8q\nquit\n"),
                              kWait);
}

void LinkTest::engineExitEndsTheLink() {
    ScriptedEngine engine({"say move e7e5\\n", "say bye", "exit"});
    auto link = startedLink();
    const qint64 pid = link->ProcessId();
    QTRY_VERIFY_WITH_TIMEOUT(link->Ended(), kWait);
    // What the engine said before it ended is still there.
    QCOMPARE(link->TakeReplyLine().value_or("(none)"), QByteArray("move e7e5"));
    QVERIFY(link->Attached());
    link->Close();
    QVERIFY(!link->Attached());
    QVERIFY(!ProcessExists(pid));
    QString error;
    QVERIFY(link->Send("e2e4\n", &error)); // without an engine nothing is sent
}

void LinkTest::startFailures_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("not executable") << "plain";
    QTest::newRow("a folder") << "folder";
}

void LinkTest::startFailures() {
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QString path = folder.filePath(kind);
    if (kind == "plain") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho move e7e5\n");
    } else if (kind == "folder") {
        QVERIFY(QDir(folder.path()).mkdir(kind));
    }
    XboardEngine link;
    QString error;
    QVERIFY(!link.Start(path, &error));
    QVERIFY2(!error.isEmpty(), "no system error text");
    qInfo() << kind << "->" << error;
    QVERIFY(!link.Attached());
    QVERIFY(!link.TakeReplyLine());
}

void LinkTest::closeEndsEngineWithQuit() {
    ScriptedEngine engine({"say ready\\n"});
    auto link = startedLink();
    const qint64 pid = link->ProcessId();
    QVERIFY(ProcessExists(pid));
    link.reset(); // a link that goes away ends its engine
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessExists(pid), kWait);
    QCOMPARE(engine.Received(), QByteArray("quit\n"));
    QTRY_COMPARE_WITH_TIMEOUT(EngineCloser::Pending(), 0, kWait);
}

void LinkTest::closeEndsStubbornEngines() {
    // Deaf to "quit", to the end of its input and to terminate: only a kill ends it.
    ScriptedEngine engine({"stubborn"});
    auto link = startedLink();
    const qint64 pid = link->ProcessId();
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    link->Close();
    QVERIFY(ProcessExists(pid)); // Close itself never waits
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessExists(pid), kWait);
    qInfo("a stubborn engine ended and was reaped after %lld ms",
          static_cast<long long>(clock.elapsed()));
    QTRY_COMPARE_WITH_TIMEOUT(EngineCloser::Pending(), 0, kWait);
}

void LinkTest::finishAllIsBounded() {
    ScriptedEngine engine({"stubborn"});
    std::vector<std::unique_ptr<XboardEngine>> links;
    std::vector<qint64> pids;
    for (int i = 0; i < 4; ++i) {
        links.push_back(startedLink());
        pids.push_back(links.back()->ProcessId());
    }
    ScriptedEngine polite({"say ready\\n"});
    links.push_back(startedLink());
    pids.push_back(links.back()->ProcessId());
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    links.clear();
    EngineCloser::FinishAll();
    qInfo("five engines, four of them stubborn, ended at exit in %lld ms",
          static_cast<long long>(clock.elapsed()));
    for (qint64 pid : pids)
        QVERIFY2(!ProcessExists(pid), qPrintable(QString::number(pid)));
    QCOMPARE(EngineCloser::Pending(), 0);
}

void LinkTest::writeToClosedInputFails() {
    ScriptedEngine engine({"closein", "say closed\\n", "sleep 5000"});
    auto link = startedLink();
    QSignalSpy failed(link.get(), &ChessEngine::WriteFailed);
    QTest::qWait(300);
    QString error;
    const bool sent = link->Send("e2e4\n", &error);
    // The system reports the broken pipe when the bytes are written.
    if (sent)
        QVERIFY(failed.wait(kWait));
    const QString text = sent ? failed.first().first().toString() : error;
    qInfo() << "write failure:" << text;
    QVERIFY(!text.isEmpty());
    QVERIFY(link->Attached()); // the link stays
}

QObject* MakeLinkTest() {
    return new LinkTest;
}

#include "LinkTest.moc"
