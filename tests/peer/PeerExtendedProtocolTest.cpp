// The extended peer lines on plain strings: every message read and written back, a
// malformed variant of each, and the hello that switches them on for one connection.
#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerHandshake.h"
#include "peer/PeerProtocol.h"

#include <QTest>

namespace {

const QByteArray kGame = "0123456789abcdef";
const QByteArray kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
const QByteArray kAfterPromotion = "Q6k/8/8/8/8/8/8/K7 b - - 0 1";

ExtendedMessage of(ExtendedKind kind) {
    ExtendedMessage message;
    message.kind = kind;
    return message;
}

ExtendedMessage hello(int version, const QString& name) {
    ExtendedMessage message = of(ExtendedKind::Hello);
    message.version = version;
    message.name = name;
    return message;
}

ExtendedMessage withGame(ExtendedKind kind) {
    ExtendedMessage message = of(kind);
    message.game = kGame;
    return message;
}

ExtendedMessage terms(PeerColour colour, const QString& control) {
    ExtendedMessage message = withGame(ExtendedKind::Terms);
    message.colour = colour;
    message.timeControl = control;
    return message;
}

ExtendedMessage move(int ply, const char* from, const char* to, const char* kind,
                     std::optional<qint64> ms, const QByteArray& fen) {
    ExtendedMessage message = of(ExtendedKind::Move);
    message.ply = ply;
    message.from = QString::fromLatin1(from);
    message.to = QString::fromLatin1(to);
    message.promotionKind = QString::fromLatin1(kind);
    message.remainingMs = ms;
    message.fen = fen;
    return message;
}

ExtendedMessage answer(ExtendedKind kind, PeerAnswer value) {
    ExtendedMessage message = of(kind);
    message.answer = value;
    return message;
}

ExtendedMessage numbered(ExtendedKind kind, int ply, quint32 token = 0) {
    ExtendedMessage message = of(kind);
    message.ply = ply;
    message.token = token;
    return message;
}

ExtendedMessage resume(int plies, std::optional<qint64> ms = std::nullopt) {
    ExtendedMessage message = withGame(ExtendedKind::Resume);
    message.ply = plies;
    message.remainingMs = ms;
    return message;
}

ExtendedMessage flagAnswer(PeerAnswer value, std::optional<qint64> ms) {
    ExtendedMessage message = answer(ExtendedKind::FlagAnswer, value);
    message.remainingMs = ms;
    return message;
}

} // namespace

Q_DECLARE_METATYPE(ExtendedMessage)

class PeerExtendedProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void wellFormed_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ExtendedMessage>("expected");
        QTest::newRow("hello") << QByteArray("/rv hello 1 Anna") << hello(1, "Anna");
        QTest::newRow("hello, name with blanks and UTF-8")
            << QByteArray("/rv hello 1 Zoë van Dam") << hello(1, QStringLiteral("Zoë van Dam"));
        QTest::newRow("hello, higher version") << QByteArray("/rv hello 999 B") << hello(999, "B");
        QTest::newRow("terms white 3+2")
            << "/rv terms " + kGame + " white 3+2" << terms(PeerColour::White, "3+2");
        QTest::newRow("terms black, no clock")
            << "/rv terms " + kGame + " black -" << terms(PeerColour::Black, "");
        QTest::newRow("terms in sessions") << "/rv terms " + kGame + " black 40/90,30+30"
                                           << terms(PeerColour::Black, "40/90,30+30");
        QTest::newRow("accept") << "/rv accept " + kGame << withGame(ExtendedKind::Accept);
        QTest::newRow("decline") << "/rv decline " + kGame << withGame(ExtendedKind::Decline);
        QTest::newRow("move with clock")
            << "/rv move 1 e2e4 179500 " + kAfterE4 << move(1, "e2", "e4", "", 179500, kAfterE4);
        QTest::newRow("move without clock")
            << "/rv move 1 e2e4 - " + kAfterE4 << move(1, "e2", "e4", "", std::nullopt, kAfterE4);
        QTest::newRow("move promoting") << "/rv move 77 a7a8q 0 " + kAfterPromotion
                                        << move(77, "a7", "a8", "Queen", 0, kAfterPromotion);
        QTest::newRow("move to a knight")
            << "/rv move 9999 a7a8n 360000000 " + kAfterPromotion
            << move(9999, "a7", "a8", "Knight", kMaxTimeMs, kAfterPromotion);
        QTest::newRow("resign") << QByteArray("/rv resign") << of(ExtendedKind::Resign);
        QTest::newRow("draw offer")
            << QByteArray("/rv draw offer") << answer(ExtendedKind::Draw, PeerAnswer::Offer);
        QTest::newRow("draw accept")
            << QByteArray("/rv draw accept") << answer(ExtendedKind::Draw, PeerAnswer::Accept);
        QTest::newRow("takeback offer") << QByteArray("/rv takeback offer")
                                        << answer(ExtendedKind::TakeBack, PeerAnswer::Offer);
        QTest::newRow("takeback decline") << QByteArray("/rv takeback decline")
                                          << answer(ExtendedKind::TakeBack, PeerAnswer::Decline);
        QTest::newRow("abort") << QByteArray("/rv abort") << of(ExtendedKind::Abort);
        QTest::newRow("rematch") << QByteArray("/rv rematch") << of(ExtendedKind::Rematch);
        QTest::newRow("flag") << QByteArray("/rv flag") << of(ExtendedKind::Flag);
        QTest::newRow("ping") << QByteArray("/rv ping 0") << numbered(ExtendedKind::Ping, 0, 0);
        QTest::newRow("pong") << QByteArray("/rv pong 999999999")
                              << numbered(ExtendedKind::Pong, 0, kMaxToken);
        QTest::newRow("resync") << QByteArray("/rv resync 12")
                                << numbered(ExtendedKind::Resync, 12);
        QTest::newRow("resume") << "/rv resume " + kGame + " 0" << resume(0);
        QTest::newRow("resume with the sender's time")
            << "/rv resume " + kGame + " 41 123456" << resume(41, 123456);
        QTest::newRow("resume, time run out") << "/rv resume " + kGame + " 9 0" << resume(9, 0);
        QTest::newRow("flag answer accept")
            << QByteArray("/rv flaganswer accept 0") << flagAnswer(PeerAnswer::Accept, 0);
        QTest::newRow("flag answer decline")
            << QByteArray("/rv flaganswer decline 4000") << flagAnswer(PeerAnswer::Decline, 4000);
        QTest::newRow("flag answer decline, no clock")
            << QByteArray("/rv flaganswer decline -")
            << flagAnswer(PeerAnswer::Decline, std::nullopt);
    }

    void wellFormed() {
        QFETCH(QByteArray, line);
        QFETCH(ExtendedMessage, expected);
        QVERIFY(isExtendedLine(line));
        const ExtendedReading reading = readExtendedLine(line);
        QVERIFY2(reading.message, qPrintable(reading.error));
        QVERIFY(*reading.message == expected);
        QCOMPARE(extendedLine(expected), line);
        // An old copy takes it for nothing it knows.
        QCOMPARE(parsePeerLine(line).kind, PeerMessageKind::Ignored);
    }

    void malformed_data() {
        QTest::addColumn<QByteArray>("line");
        const QByteArray longName(kMaxNameBytes + 1, 'x');
        QTest::newRow("unknown message") << QByteArray("/rv shout hi");
        QTest::newRow("no message word") << QByteArray("/rv ");
        QTest::newRow("upper-case word") << QByteArray("/rv HELLO 1 Anna");
        QTest::newRow("line too long") << "/rv hello 1 " + QByteArray(kMaxLineBytes, 'a');
        QTest::newRow("hello without name") << QByteArray("/rv hello 1");
        QTest::newRow("hello, empty name") << QByteArray("/rv hello 1 ");
        QTest::newRow("hello, version 0") << QByteArray("/rv hello 0 Anna");
        QTest::newRow("hello, version 1000") << QByteArray("/rv hello 1000 Anna");
        QTest::newRow("hello, leading zero") << QByteArray("/rv hello 01 Anna");
        QTest::newRow("hello, signed version") << QByteArray("/rv hello +1 Anna");
        QTest::newRow("hello, name too long") << "/rv hello 1 " + longName;
        QTest::newRow("hello, 64 KiB name") << "/rv hello 1 " + QByteArray(64 * 1024, 'n');
        QTest::newRow("hello, bad UTF-8") << QByteArray("/rv hello 1 An\xffna");
        QTest::newRow("hello, control character") << QByteArray("/rv hello 1 An\x1bna");
        QTest::newRow("hello, tab") << QByteArray("/rv hello 1 An\tna");
        QTest::newRow("hello, line separator") << QByteArray("/rv hello 1 An\xe2\x80\xa8na");
        QTest::newRow("terms, short game") << QByteArray("/rv terms 0123 white 3+2");
        QTest::newRow("terms, upper-case game") << QByteArray("/rv terms 0123456789ABCDEF white -");
        QTest::newRow("terms, colour") << "/rv terms " + kGame + " red 3+2";
        QTest::newRow("terms, random is not a colour") << "/rv terms " + kGame + " random 3+2";
        QTest::newRow("terms, control") << "/rv terms " + kGame + " white 3+";
        QTest::newRow("terms, control with blank") << "/rv terms " + kGame + " white 3 + 2";
        QTest::newRow("terms, missing control") << "/rv terms " + kGame + " white";
        QTest::newRow("accept, no game") << QByteArray("/rv accept");
        QTest::newRow("accept, trailing blank") << "/rv accept " + kGame + " ";
        QTest::newRow("decline, bad game") << QByteArray("/rv decline 0123456789abcdeg");
        QTest::newRow("move, ply 0") << "/rv move 0 e2e4 - " + kAfterE4;
        QTest::newRow("move, ply too high") << "/rv move 10000 e2e4 - " + kAfterE4;
        QTest::newRow("move, square off the board") << "/rv move 1 e2e9 - " + kAfterE4;
        QTest::newRow("move, upper-case letter") << "/rv move 1 a7a8Q - " + kAfterPromotion;
        QTest::newRow("move, king letter") << "/rv move 1 a7a8k - " + kAfterPromotion;
        QTest::newRow("move, negative time") << "/rv move 1 e2e4 -5 " + kAfterE4;
        QTest::newRow("move, time too high") << "/rv move 1 e2e4 360000001 " + kAfterE4;
        QTest::newRow("move, no position") << QByteArray("/rv move 1 e2e4 -");
        QTest::newRow("move, bad position") << QByteArray("/rv move 1 e2e4 - 8/8/8/8 w - - 0 1");
        QTest::newRow("move, two blanks") << "/rv move 1  e2e4 - " + kAfterE4;
        QTest::newRow("resign with more") << QByteArray("/rv resign now");
        QTest::newRow("resign, trailing blank") << QByteArray("/rv resign ");
        QTest::newRow("draw, no answer") << QByteArray("/rv draw");
        QTest::newRow("draw, bad answer") << QByteArray("/rv draw yes");
        QTest::newRow("takeback, bad answer") << QByteArray("/rv takeback please");
        QTest::newRow("abort with more") << QByteArray("/rv abort 1");
        QTest::newRow("rematch with more") << QByteArray("/rv rematch white");
        QTest::newRow("flag with more") << QByteArray("/rv flag 0");
        QTest::newRow("ping, too big") << QByteArray("/rv ping 1000000000");
        QTest::newRow("pong, not a number") << QByteArray("/rv pong x");
        QTest::newRow("resync, ply 0") << QByteArray("/rv resync 0");
        QTest::newRow("resume, no plies") << "/rv resume " + kGame;
        QTest::newRow("resume, plies too high") << "/rv resume " + kGame + " 10000";
        QTest::newRow("resume, time dash") << "/rv resume " + kGame + " 4 -";
        QTest::newRow("resume, time too high") << "/rv resume " + kGame + " 4 360000001";
        QTest::newRow("resume, negative time") << "/rv resume " + kGame + " 4 -1";
        QTest::newRow("resume, trailing blank") << "/rv resume " + kGame + " 4 ";
        QTest::newRow("resume, word too many") << "/rv resume " + kGame + " 4 100 100";
        QTest::newRow("flag answer, nothing") << QByteArray("/rv flaganswer");
        QTest::newRow("flag answer, no time") << QByteArray("/rv flaganswer decline");
        QTest::newRow("flag answer, an offer") << QByteArray("/rv flaganswer offer 0");
        QTest::newRow("flag answer, bad answer") << QByteArray("/rv flaganswer yes 0");
        QTest::newRow("flag answer, accept with time left")
            << QByteArray("/rv flaganswer accept 5");
        QTest::newRow("flag answer, accept without clock") << QByteArray("/rv flaganswer accept -");
        QTest::newRow("flag answer, decline without time left")
            << QByteArray("/rv flaganswer decline 0");
        QTest::newRow("flag answer, time too high")
            << QByteArray("/rv flaganswer decline 360000001");
        QTest::newRow("flag answer, word too many") << QByteArray("/rv flaganswer decline 5 5");
    }

    void malformed() {
        QFETCH(QByteArray, line);
        const ExtendedReading reading = readExtendedLine(line);
        QVERIFY(!reading.message);
        QVERIFY(!reading.error.isEmpty());
    }

    void oldLinesAreNotExtended_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("move") << QByteArray("/move e2e4");
        QTest::newRow("chat") << QByteArray("/chat Client: /rv hello 1 x");
        QTest::newRow("no blank") << QByteArray("/rvhello 1 x");
        QTest::newRow("upper case") << QByteArray("/RV hello 1 x");
    }

    void oldLinesAreNotExtended() {
        QFETCH(QByteArray, line);
        QVERIFY(!isExtendedLine(line));
        QVERIFY(!readExtendedLine(line).message);
    }

    void handshake_data() {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("acted");     // messages given back to act on
        QTest::addColumn<int>("logged");    // Main Console lines
        QTest::addColumn<bool>("extended"); // afterwards
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("name");
        const QByteArray hi = "/rv hello 1 Anna";
        QTest::newRow("nothing: an old copy") << QByteArrayList{} << 0 << 0 << false << 0 << "";
        QTest::newRow("hello") << QByteArrayList{hi} << 1 << 0 << true << 1 << "Anna";
        QTest::newRow("higher version speaks ours")
            << QByteArrayList{"/rv hello 7 Bo"} << 1 << 0 << true << kExtendedVersion << "Bo";
        QTest::newRow("messages before hello dropped")
            << QByteArrayList{"/rv resign", "/rv draw offer", hi, "/rv abort"} << 2 << 2 << true
            << 1 << "Anna";
        QTest::newRow("second hello dropped, name kept")
            << QByteArrayList{hi, "/rv hello 1 Eve"} << 1 << 1 << true << 1 << "Anna";
        QTest::newRow("malformed hello leaves it off")
            << QByteArrayList{"/rv hello 1 " + QByteArray(64 * 1024, 'n'), "/rv resign"} << 0 << 2
            << false << 0 << "";
        QByteArrayList flood(1000, hi);
        QTest::newRow("hello flood: one taken, the log bounded")
            << flood << 1 << PeerHandshake::kMaxLoggedDrops << true << 1 << "Anna";
        QByteArrayList junk(1000, "/rv junk");
        junk << hi << "/rv flag";
        QTest::newRow("junk flood, then play")
            << junk << 2 << PeerHandshake::kMaxLoggedDrops << true << 1 << "Anna";
    }

    void handshake() {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, acted);
        QFETCH(int, logged);
        QFETCH(bool, extended);
        QFETCH(int, version);
        QFETCH(QString, name);
        PeerHandshake handshake;
        int actedOn = 0;
        int logLines = 0;
        for (const QByteArray& line : lines) {
            const PeerHandshake::Outcome outcome = handshake.Receive(line);
            actedOn += outcome.message ? 1 : 0;
            logLines += outcome.log.isEmpty() ? 0 : 1;
            QVERIFY(!outcome.message || outcome.log.isEmpty());
        }
        QCOMPARE(actedOn, acted);
        QCOMPARE(logLines, logged);
        QCOMPARE(handshake.Extended(), extended);
        QCOMPARE(handshake.Version(), version);
        QCOMPARE(handshake.PeerName(), name);
    }

    void ownHelloIsWellFormed_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sent");
        QTest::newRow("plain") << "anna"
                               << "anna";
        QTest::newRow("empty") << ""
                               << "?";
        QTest::newRow("blanks only") << "   "
                                     << "?";
        QTest::newRow("control characters") << "a\tb\nc"
                                            << "a b c";
        QTest::newRow("too long, cut")
            << QString(100, QLatin1Char('x')) << QString(64, QLatin1Char('x'));
        // 22 three-byte characters are 66 bytes: the cut keeps 21 whole ones.
        QTest::newRow("too long, cut between characters")
            << QString(22, QChar(0x20ac)) << QString(21, QChar(0x20ac));
    }

    void ownHelloIsWellFormed() {
        QFETCH(QString, name);
        QFETCH(QString, sent);
        const QByteArray line = PeerHandshake::HelloLine(name);
        const ExtendedReading reading = readExtendedLine(line);
        QVERIFY2(reading.message, qPrintable(reading.error));
        QCOMPARE(reading.message->version, kExtendedVersion);
        QCOMPARE(reading.message->name, sent);
    }
};

QTEST_GUILESS_MAIN(PeerExtendedProtocolTest)
#include "PeerExtendedProtocolTest.moc"
