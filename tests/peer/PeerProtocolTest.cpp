// The peer protocol on plain strings: how received lines are recognised, how sent lines
// are built, and how a connection's bytes are cut into lines.
#include "peer/PeerProtocol.h"
#include "peer/PeerLineFramer.h"
#include "peer/PeerWindowQuota.h"

#include <QTest>

using Kind = PeerMessageKind;
Q_DECLARE_METATYPE(PeerMessageKind)

class PeerProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void recognition_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<PeerMessageKind>("kind");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("choice"); // promotion choice, or chat text for a chat
        QTest::newRow("move") << QByteArray("/move e2e4") << Kind::Move << "e2"
                              << "e4"
                              << "";
        QTest::newRow("queen") << QByteArray("/move e7e8Q") << Kind::Move << "e7"
                               << "e8"
                               << "Queen";
        QTest::newRow("lower-case queen") << QByteArray("/move e7e8q") << Kind::Move << "e7"
                                          << "e8"
                                          << "Queen";
        QTest::newRow("rook") << QByteArray("/move a2a1r") << Kind::Move << "a2"
                              << "a1"
                              << "Rook";
        QTest::newRow("bishop") << QByteArray("/move h7h8B") << Kind::Move << "h7"
                                << "h8"
                                << "Bishop";
        QTest::newRow("knight") << QByteArray("/move b2a1N") << Kind::Move << "b2"
                                << "a1"
                                << "Knight";
        QTest::newRow("unknown letter") << QByteArray("/move e7e8K") << Kind::Move << "e7"
                                        << "e8"
                                        << "";
        // Character 6 is never looked at, nor anything after character 11.
        QTest::newRow("no space") << QByteArray("/moveXe2e4") << Kind::Move << "e2"
                                  << "e4"
                                  << "";
        QTest::newRow("trailing text") << QByteArray("/move e7e8Nxyz") << Kind::Move << "e7"
                                       << "e8"
                                       << "Knight";
        QTest::newRow("bad square passed on") << QByteArray("/move e2e9") << Kind::Move << "e2"
                                              << "e9"
                                              << "";
        // Lines too short for both squares are not moves at all.
        QTest::newRow("short /move e") << QByteArray("/move e") << Kind::Ignored << ""
                                       << ""
                                       << "";
        QTest::newRow("short /move e2e") << QByteArray("/move e2e") << Kind::Ignored << ""
                                         << ""
                                         << "";
        QTest::newRow("bare /move ") << QByteArray("/move ") << Kind::Ignored << ""
                                     << ""
                                     << "";
        QTest::newRow("/mov") << QByteArray("/mov") << Kind::Ignored << ""
                              << ""
                              << "";
        QTest::newRow("empty") << QByteArray() << Kind::Ignored << ""
                               << ""
                               << "";
        QTest::newRow("upper case") << QByteArray("/MOVE e2e4") << Kind::Ignored << ""
                                    << ""
                                    << "";
        QTest::newRow("leading blank") << QByteArray(" /new") << Kind::Ignored << ""
                                       << ""
                                       << "";
        QTest::newRow("new") << QByteArray("/new") << Kind::NewGame << ""
                             << ""
                             << "";
        QTest::newRow("newgame") << QByteArray("/newgame") << Kind::NewGame << ""
                                 << ""
                                 << "";
        QTest::newRow("ne") << QByteArray("/ne") << Kind::Ignored << ""
                            << ""
                            << "";
        QTest::newRow("chat") << QByteArray("/chat Client: hi") << Kind::Chat << ""
                              << ""
                              << "Client: hi";
        QTest::newRow("chatter") << QByteArray("/chatter") << Kind::Chat << ""
                                 << ""
                                 << "er";
        QTest::newRow("bare chat") << QByteArray("/chat") << Kind::Chat << ""
                                   << ""
                                   << "";
        QTest::newRow("markup stays text")
            << QByteArray("/chat Server: <b>bold</b> &amp;") << Kind::Chat << ""
            << ""
            << "Server: <b>bold</b> &amp;";
        QTest::newRow("utf-8") << QByteArray("/chat Server: \xc3\xa9t\xc3\xa9") << Kind::Chat << ""
                               << "" << QString::fromUtf8("Server: \u00e9t\u00e9");
        QTest::newRow("invalid utf-8")
            << QByteArray("/chat Server: a\xff"
                          "b")
            << Kind::Chat << ""
            << ""
            << QStringLiteral("Server: a") + QChar::ReplacementCharacter + QStringLiteral("b");
        QTest::newRow("control characters")
            << QByteArray("/chat Server: a\rClient: b\x00\x1b[2J\tc", 32) << Kind::Chat << ""
            << ""
            << QStringLiteral("Server: a%1Client: b%1%1[2J\tc")
                   .arg(QString(QChar::ReplacementCharacter));
        QTest::newRow("binary") << QByteArray("\x00\x01\xfe\xff/move e2e4", 14) << Kind::Ignored
                                << ""
                                << ""
                                << "";
    }

    void recognition() {
        QFETCH(QByteArray, line);
        QFETCH(PeerMessageKind, kind);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, choice);
        const PeerMessage message = parsePeerLine(line);
        QCOMPARE(message.kind, kind);
        QCOMPARE(message.from, from);
        QCOMPARE(message.to, to);
        QCOMPARE(kind == Kind::Chat ? message.chatText : message.promotionChoice, choice);
    }

    void sentLines() {
        QCOMPARE(moveLine("e2", "e4", ""), QByteArray("/move e2e4"));
        QCOMPARE(moveLine("b2", "a1", "N"), QByteArray("/move b2a1N"));
        QCOMPARE(chatLine("Server: ", "good luck"), QByteArray("/chat Server: good luck"));
        QCOMPARE(chatLine("Client: ", ""), QByteArray("/chat Client: "));
        QCOMPARE(chatLine("Client: ", QString::fromUtf8("\u00e9")),
                 QByteArray("/chat Client: \xc3\xa9"));
        QCOMPARE(newGameLine(), QByteArray("/new"));
        // What is sent is read back as the same message.
        const PeerMessage move = parsePeerLine(moveLine("g7", "g8", "R"));
        QCOMPARE(move.kind, Kind::Move);
        QCOMPARE(move.promotionChoice, QStringLiteral("Rook"));
        QCOMPARE(parsePeerLine(chatLine("Server: ", QString::fromUtf8("\u00e9t\u00e9"))).chatText,
                 QString::fromUtf8("Server: \u00e9t\u00e9"));
    }

    void peerGameTitles() {
        QVERIFY(isPeerGameTitle("Active Game"));
        QVERIFY(isPeerGameTitle("Active Game - (White Wins)"));
        QVERIFY(!isPeerGameTitle("Active Gam"));
        QVERIFY(!isPeerGameTitle("active game"));
        QVERIFY(!isPeerGameTitle("Game Board"));
        QVERIFY(!isPeerGameTitle("/home/me/Active Game.rvg"));
    }

    void port() {
        qunsetenv("ROOKVALE_PEER_PORT");
        QCOMPARE(peerPort(), quint16(1980));
        for (const char* bad : {"", "0", "65536", "-1", "abc", "19x"}) {
            qputenv("ROOKVALE_PEER_PORT", bad);
            QCOMPARE(peerPort(), quint16(1980));
        }
        qputenv("ROOKVALE_PEER_PORT", "23456");
        QCOMPARE(peerPort(), quint16(23456));
        qunsetenv("ROOKVALE_PEER_PORT");
    }

    void framing_data() {
        QTest::addColumn<QList<QByteArray>>("pieces"); // appended one after the other
        QTest::addColumn<QList<QByteArray>>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("CR LF") << L{"/new\r\n/move e2e4\r\n"} << L{"/new", "/move e2e4"};
        QTest::newRow("bare LF") << L{"/new\n/move e2e4\n"} << L{"/new", "/move e2e4"};
        QTest::newRow("CR alone stays") << L{"a\rb\r\n"} << L{"a\rb"};
        QTest::newRow("only one CR removed") << L{"a\r\r\n"} << L{"a\r"};
        QTest::newRow("empty lines") << L{"\r\n\n"} << L{"", ""};
        QTest::newRow("no line feed yet") << L{"/move e2"} << L{};
        QTest::newRow("split anywhere")
            << L{"/mo", "ve e2", "e4\r", "\n/n", "ew\n"} << L{"/move e2e4", "/new"};
        QTest::newRow("binary kept")
            << L{QByteArray("\x00\xff\x7f\n", 4)} << L{QByteArray("\x00\xff\x7f", 3)};
        const QByteArray longest(PeerLineFramer::kMaxLineLength, 'x');
        QTest::newRow("longest line") << L{longest + "\r\n", "/new\n"} << L{longest, "/new"};
        QTest::newRow("longest line, bare LF") << L{longest + "\n"} << L{longest};
        QTest::newRow("one byte too long") << L{longest + "y\r\n/new\n"} << L{"/new"};
        QTest::newRow("too long in small pieces")
            << L{longest.left(40000), longest.left(40000), "tail\n/chat ok\n"} << L{"/chat ok"};
        QTest::newRow("too long then more of it")
            << L{longest + longest, longest, "\n", "/new\n"} << L{"/new"};
    }

    void framing() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, lines);
        PeerLineFramer framer;
        for (const QByteArray& piece : pieces)
            framer.Append(piece);
        QList<QByteArray> taken;
        qsizetype bytes = framer.QueuedBytes();
        while (std::optional<QByteArray> line = framer.TakeLine())
            taken << *line;
        QCOMPARE(taken, lines);
        qsizetype expected = 0;
        for (const QByteArray& line : lines)
            expected += line.size();
        QCOMPARE(bytes, expected);
        QCOMPARE(framer.QueuedBytes(), qsizetype(0));
    }

    void framerForgets() {
        PeerLineFramer framer;
        framer.Append("/new\n/mov");
        framer.Clear();
        QVERIFY(!framer.HasLine());
        framer.Append("e e2e4\n");
        QCOMPARE(framer.TakeLine(), std::optional<QByteArray>("e e2e4"));
    }

    void windowQuotaRenewsOverTime() {
        using namespace std::chrono_literals;
        PeerWindowQuota quota;
        const PeerWindowQuota::Clock::time_point start{};
        for (int i = 0; i < PeerWindowQuota::kMaxWindows; ++i)
            QVERIFY(quota.Take(start + i * 1s));
        const auto lastTaken = start + (PeerWindowQuota::kMaxWindows - 1) * 1s;
        QVERIFY(!quota.Take(lastTaken));
        QVERIFY(!quota.Take(start + PeerWindowQuota::kSpan - 1ms));
        // The first window leaves the span, and one place opens; a refusal took none.
        QVERIFY(quota.Take(start + PeerWindowQuota::kSpan));
        QVERIFY(!quota.Take(start + PeerWindowQuota::kSpan + 500ms));
        QVERIFY(quota.Take(lastTaken + PeerWindowQuota::kSpan));
    }
};

QTEST_GUILESS_MAIN(PeerProtocolTest)
#include "PeerProtocolTest.moc"
