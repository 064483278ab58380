// The xboard and UCI dialogues on a device: what each writes for the window's requests,
// and which engine output gives a reply, however the bytes arrive.
#include "EngineDevice.h"
#include "ScriptedEngine.h"

#include "engine/EngineCloser.h"
#include "engine/ProtocolProbe.h"
#include "engine/UciEngine.h"
#include "engine/XboardEngine.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

using MoveList = ChessEngine::MoveList;

// A UCI engine on a device, its greeting answered and its first writes taken.
struct GreetedUci {
    EngineDevice device;
    UciEngine engine;
    GreetedUci() {
        engine.Attach(&device);
        engine.Begin();
        device.Feed("id name Stand-in\nid author Tests\noption name Hash type spin default 16 "
                    "min 1 max 33554432\nuciok\n");
        device.TakeWritten();
    }
    // A search of `game` asked for and answered with "readyok".
    void search(const MoveList& game) {
        engine.Compute(game);
        device.Feed("readyok\n");
    }
};

// What Stockfish 15 prints while it thinks, with the fields that older readers did not know.
const QByteArray kStockfishInfo =
    "info depth 12 seldepth 16 multipv 1 score cp 31 wdl 84 863 53 nodes 95213 nps 951130 "
    "hashfull 30 tbhits 0 time 100 pv e7e5 g1f3 b8c6 f1b5\n";

// Bytes of no protocol: NULs, high bytes, lone carriage returns, a terminal escape.
const char kJunkBytes[] = "\x00\x01\xff\xfe\r\r\x1b[2J\x00"
                          "bestmove\x00\n";
const QByteArray kJunk(kJunkBytes, sizeof kJunkBytes - 1);

} // namespace

class ProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void xboardWrites();
    void xboardReplies_data();
    void xboardReplies();
    void uciWrites_data();
    void uciWrites();
    void uciReplies_data();
    void uciReplies();
    void uciRepliesHoweverSplit();
    void uciSearchBeforeGreeting();
    void uciSilentEngineFails();
    void uciFloodOfInfo();
    void uciThinking_data();
    void uciThinking();
    void xboardThinking_data();
    void xboardThinking();
    void uciStrength_data();
    void uciStrength();
    void xboardOffersNoStrength();
    void xboardFeatures_data();
    void xboardFeatures();
    void xboardFeatureDialogue();
    void xboardResignAndDrawOffer();
    void failedWriteReported();
    void detectsProtocol_data();
    void detectsProtocol();
    void silentStartNudged_data();
    void silentStartNudged();
    void noNudgeByDefault_data();
    void noNudgeByDefault();
    void silentStartBound();
};

void ProtocolTest::xboardWrites() {
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    engine.Begin();
    engine.UserMoved("e2e4", {"e2e4"}, true);
    engine.SetSecondsPerMove(15);
    engine.Compute({"e2e4"});
    engine.UserMoved("e7e8n", {}, false);
    QCOMPARE(device.TakeWritten(), QByteArray("xboard\nnew\nst 1\ne2e4\nst 15\ngo\ne7e8n\n"));
}

void ProtocolTest::xboardReplies_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("reply"); // empty: none
    QTest::newRow("move line") << QByteArray("move e7e5\n") << QByteArray("move e7e5");
    QTest::newRow("carriage return") << QByteArray("move e7e5\r\n") << QByteArray("move e7e5");
    QTest::newRow("first of two") << QByteArray("move a7a6\nmove b7b6\n")
                                  << QByteArray("move a7a6");
    QTest::newRow("incomplete line") << QByteArray("move e7e5") << QByteArray();
    // Thinking lines as Fairy-Max, Phalanx, HoiChess and GNU Chess print them.
    QTest::newRow("Fairy-Max thinking")
        << QByteArray(" 4     18      1       535 e7e5 g1f3 b8c6 b1c3\n") << QByteArray();
    QTest::newRow("Phalanx thinking")
        << QByteArray(" 5     10      2      4721  e7e5 g1f3 b8c6 f1b5 g8f6\n") << QByteArray();
    QTest::newRow("HoiChess thinking")
        << QByteArray("  6     17      9      12532  1. ... e5 2. Nf3 Nc6 3. Bb5\n")
        << QByteArray();
    QTest::newRow("GNU Chess thinking")
        << QByteArray("9 +4 19 465042 d5 exd5 Nf6 Bb5+ Bd7 Bc4 b5 Bb3 Bg4 f3\n") << QByteArray();
    QTest::newRow("complaint") << QByteArray("Illegal move: e2e5\n") << QByteArray();
    QTest::newRow("complaint holding the marker, then the move")
        << QByteArray("Illegal move (no such move): e2e5\nmove e7e5\n") << QByteArray("move e7e5");
    QTest::newRow("GNU Chess answering empty lines, then its move")
        << QByteArray("Chess\nInvalid move: \nInvalid move: \n1. e2e4\n1. ... d7d5\n"
                      "My move is : d7d5\n")
        << QByteArray("My move is : d7d5");
    QTest::newRow("1 MiB line, then the move")
        << QByteArray(1 << 20, 'x') + "move e7e5\nmove e7e6\n"
        << QByteArray("move e7e6");
}

void ProtocolTest::xboardReplies() {
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, reply);
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    device.Feed(output);
    QCOMPARE(engine.TakeReplyLine().value_or(QByteArray()), reply);
    QVERIFY(!engine.TakeReplyLine());
}

void ProtocolTest::uciWrites_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<MoveList>("game");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("start, Fast") << 1 << MoveList{}
                                 << QByteArray("isready\nposition startpos\ngo movetime 1000\n");
    QTest::newRow("after moves, Medium")
        << 8 << MoveList{"e2e4", "e7e5"}
        << QByteArray("isready\nposition startpos moves e2e4 e7e5\ngo movetime 8000\n");
    QTest::newRow("promotion, Slow")
        << 15 << MoveList{"a7b8q"}
        << QByteArray("isready\nposition startpos moves a7b8q\ngo movetime 15000\n");
}

void ProtocolTest::uciWrites() {
    QFETCH(int, seconds);
    QFETCH(MoveList, game);
    QFETCH(QByteArray, written);
    EngineDevice device;
    UciEngine engine;
    engine.Attach(&device);
    engine.Begin();
    QCOMPARE(device.TakeWritten(), QByteArray("uci\n"));
    device.Feed("uciok\n");
    QCOMPARE(device.TakeWritten(), QByteArray("ucinewgame\n"));
    engine.SetSecondsPerMove(seconds);
    QCOMPARE(device.TakeWritten(), QByteArray());
    // Not the engine's turn: nothing is asked.
    engine.UserMoved("e2e4", game, false);
    QCOMPARE(device.TakeWritten(), QByteArray());
    engine.UserMoved("e2e4", game, true);
    QCOMPARE(device.TakeWritten(), QByteArray("isready\n"));
    // A second request while the first is being prepared is not a second search.
    engine.Compute(game);
    QCOMPARE(device.TakeWritten(), QByteArray());
    device.Feed("readyok\n");
    QCOMPARE("isready\n" + device.TakeWritten(), written);
    // Compute while the engine thinks: it is to play now.
    engine.Compute(game);
    QCOMPARE(device.TakeWritten(), QByteArray("stop\n"));
}

void ProtocolTest::uciReplies_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("reply"); // empty: none
    QTest::newRow("bestmove") << QByteArray("bestmove e7e5\n") << QByteArray("move e7e5");
    QTest::newRow("with ponder") << QByteArray("bestmove e7e5 ponder g1f3\n")
                                 << QByteArray("move e7e5");
    QTest::newRow("promotion") << QByteArray("bestmove a2a1q\n") << QByteArray("move a2a1q");
    QTest::newRow("tabs and blanks")
        << QByteArray("  bestmove\te7e5  \r\n") << QByteArray("move e7e5");
    QTest::newRow("no move: (none)") << QByteArray("bestmove (none)\n") << QByteArray();
    QTest::newRow("no move: 0000") << QByteArray("bestmove 0000\n") << QByteArray();
    QTest::newRow("bestmove alone") << QByteArray("bestmove\n") << QByteArray();
    QTest::newRow("info with unknown fields, then bestmove")
        << kStockfishInfo + "info string NNUE evaluation enabled\ninfo currmove e7e5 "
                            "currmovenumber 1 frobnicate 7\nbestmove e7e5\n"
        << QByteArray("move e7e5");
    QTest::newRow("info only") << kStockfishInfo << QByteArray();
    QTest::newRow("a 'move ' inside info is no reply")
        << QByteArray("info string best move e2e4 so far\n") << QByteArray();
    QTest::newRow("1 MiB line, then bestmove") << QByteArray(1 << 20, 'i') + "\nbestmove c7c5\n"
                                               << QByteArray("move c7c5");
    QTest::newRow("1 MiB line holding bestmove is dropped whole")
        << "bestmove d7d5 " + QByteArray(1 << 20, 'x') + "\nbestmove c7c5\n"
        << QByteArray("move c7c5");
    QTest::newRow("binary junk, then bestmove") << kJunk + "bestmove g8f6\n"
                                                << QByteArray("move g8f6");
    QTest::newRow("bestmove before readyok is not this search's") << QByteArray() << QByteArray();
}

void ProtocolTest::uciReplies() {
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, reply);
    GreetedUci uci;
    QSignalSpy arrived(&uci.engine, &ChessEngine::ReplyArrived);
    if (output.isEmpty()) {
        uci.engine.Compute({});
        uci.device.Feed("bestmove e7e5\n");
    } else {
        uci.search({});
        uci.device.Feed(output);
    }
    QCOMPARE(uci.engine.TakeReplyLine().value_or(QByteArray()), reply);
    QCOMPARE(arrived.count(), reply.isEmpty() ? 0 : 1);
}

void ProtocolTest::uciRepliesHoweverSplit() {
    const QByteArray output = kStockfishInfo + "bestmove e7e5 ponder g1f3\r\n";
    for (const int piece : {1, 2, 3, 7, 64, 1000}) {
        GreetedUci uci;
        uci.search({"e2e4"});
        for (qsizetype at = 0; at < output.size(); at += piece) {
            QVERIFY2(!uci.engine.TakeReplyLine(), qPrintable(QString::number(piece)));
            uci.device.Feed(output.mid(at, piece));
        }
        QCOMPARE(uci.engine.TakeReplyLine().value_or("(none)"), QByteArray("move e7e5"));
    }
}

void ProtocolTest::uciSearchBeforeGreeting() {
    EngineDevice device;
    UciEngine engine;
    engine.Attach(&device);
    engine.Begin();
    engine.Compute({"e2e4"});
    QCOMPARE(device.TakeWritten(), QByteArray("uci\n"));
    device.Feed("option name Skill Level type spin default 20 min 0 max 20\nuciok\n");
    QCOMPARE(device.TakeWritten(), QByteArray("ucinewgame\nisready\n"));
    device.Feed("readyok\n");
    QCOMPARE(device.TakeWritten(), QByteArray("position startpos moves e2e4\ngo movetime 1000\n"));
}

void ProtocolTest::uciSilentEngineFails() {
    EngineDevice device;
    UciEngine engine;
    engine.SetHandshakeMs(200);
    QSignalSpy failed(&engine, &ChessEngine::Failed);
    engine.Attach(&device);
    engine.Begin();
    device.Feed("id name Silent\n");
    QVERIFY(failed.wait(10000));
    QVERIFY(failed.front().front().toString().contains("uciok"));
    // Once greeted in time, the bound never fires.
    GreetedUci greeted;
    greeted.engine.SetHandshakeMs(200);
    QSignalSpy quiet(&greeted.engine, &ChessEngine::Failed);
    QTest::qWait(500);
    QCOMPARE(quiet.count(), 0);
}

void ProtocolTest::uciFloodOfInfo() {
    GreetedUci uci;
    uci.search({});
    QByteArray flood;
    for (int i = 0; i < 2000; ++i)
        flood += kStockfishInfo;
    const qint64 before = PeakMemoryKiB();
    for (int round = 0; round < 50; ++round)
        uci.device.Feed(flood);
    uci.device.Feed("bestmove e7e5\n");
    QCOMPARE(uci.engine.TakeReplyLine().value_or("(none)"), QByteArray("move e7e5"));
    // 100,000 lines (about 14 MB) went by; what is kept is not the flood.
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed memory in quarantine: the peak measures that.
    Q_UNUSED(before);
#else
    QVERIFY2(PeakMemoryKiB() - before < 8 * 1024,
             qPrintable(QString::number(PeakMemoryKiB() - before)));
#endif
}

namespace {

// depth, score (with "#" for a mate), time in ms, nodes and the variation, as one text.
QString summary(const std::optional<EngineThought>& thought) {
    if (!thought)
        return QStringLiteral("none");
    return QStringLiteral("%1 %2%3 %4 %5 %6")
        .arg(thought->depth)
        .arg(thought->mate ? "#" : "")
        .arg(thought->score)
        .arg(thought->timeMs)
        .arg(thought->nodes)
        .arg(QString::fromLatin1(thought->pv.join(' ')));
}

} // namespace

void ProtocolTest::uciThinking_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("latest");
    QTest::newRow("Stockfish 15") << kStockfishInfo << "12 31 100 95213 e7e5 g1f3 b8c6 f1b5";
    QTest::newRow("mate, bound, unknown fields")
        << QByteArray("info depth 20 score mate -3 upperbound frob 9 time 5 nodes 7 pv a7a6\n")
        << "20 #-3 5 7 a7a6";
    QTest::newRow("no pv") << QByteArray("info depth 3 currmove e7e5 currmovenumber 1\n") << "none";
    QTest::newRow("string") << QByteArray("info string pv e7e5\n") << "none";
    QTest::newRow("the latest of many")
        << kStockfishInfo + "info depth 13 score cp -5 time 200 nodes 9 pv d7d5\n"
        << "13 -5 200 9 d7d5";
}

void ProtocolTest::uciThinking() {
    QFETCH(QByteArray, lines);
    QFETCH(QString, latest);
    GreetedUci uci;
    uci.search({"e2e4"});
    uci.device.Feed(lines);
    QCOMPARE(summary(uci.engine.TakeThought()), latest);
    QVERIFY(!uci.engine.TakeThought());
}

void ProtocolTest::xboardThinking_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("read");
    // As the engines printed them after 1. a3 h6 2. h3 a6 3. b3, "post" and "go".
    QTest::newRow("Fairy-Max") << QByteArray(" 6      9       17      31028 d7d5 b1c3 b8c6\n")
                               << "6 9 170 31028 d7d5 b1c3 b8c6";
    QTest::newRow("Phalanx") << QByteArray(" 11     13    54   173441  e7-e5  e2-e4  Ng8-f6  \n")
                             << "11 13 540 173441 e7-e5 e2-e4 Ng8-f6";
    QTest::newRow("HoiChess") << QByteArray("6 4 22 36794 (-) 3. ... d5 4. d4 Nc6\n")
                              << "6 4 220 36794 (-) 3. ... d5 4. d4 Nc6";
    // GNU Chess after 1. e4, and pondering after its reply 1. ... d5 on the guessed 2. exd5.
    QTest::newRow("GNU Chess") << QByteArray(
                                      "9 +4 19 465042 d5 exd5 Nf6 Bb5+ Bd7 Bc4 b5 Bb3 Bg4 f3\n")
                               << "9 4 190 465042 d5 exd5 Nf6 Bb5+ Bd7 Bc4 b5 Bb3 Bg4 f3";
    QTest::newRow("GNU Chess pondering")
        << QByteArray("10 -10 74 598213 (exd5) Nf6 Bb5+ Bd7 Bxd7+ Qxd7 Nf3 Nxd5 O-O Nc6\n")
        << "10 -10 740 598213 (exd5) Nf6 Bb5+ Bd7 Bxd7+ Qxd7 Nf3 Nxd5 O-O Nc6";
    QTest::newRow("ply with a mark")
        << QByteArray("12& -35 100 5000 e7e5\n") << "12 -35 1000 5000 e7e5";
    QTest::newRow("Phalanx book line")
        << QByteArray("  0      0     0        0  (e7-e5  c7-c5  , book1)\n")
        << "0 0 0 0 (e7-e5 c7-c5 , book1)";
    QTest::newRow("not thinking") << QByteArray("tellics whisper depth=11; eval=+0.13\n") << "none";
    QTest::newRow("too few numbers") << QByteArray("5 10 e7e5 d7d5\n") << "none";
}

void ProtocolTest::xboardThinking() {
    QFETCH(QByteArray, line);
    QFETCH(QString, read);
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    engine.Begin();
    // Hidden: the seed's dialogue, and its lines are not read as thinking.
    device.Feed(line);
    QVERIFY(!engine.TakeThought());
    engine.ShowThinking(true);
    engine.ShowThinking(true);
    device.Feed(line);
    QCOMPARE(summary(engine.TakeThought()), read);
    engine.ShowThinking(false);
    device.Feed(line);
    QVERIFY(!engine.TakeThought());
    QCOMPARE(device.TakeWritten(), QByteArray("xboard\nnew\nst 1\nprotover 2\npost\nnopost\n"));
}

void ProtocolTest::uciStrength_data() {
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QByteArray>("sent"); // before "isready"; empty with no levels offered
    const QByteArray stockfish = "option name Skill Level type spin default 20 min 0 max 20\n"
                                 "option name UCI_LimitStrength type check default false\n"
                                 "option name UCI_Elo type spin default 1350 min 1350 max 2850\n";
    QTest::newRow("Stockfish, Beginner")
        << stockfish << "Beginner"
        << QByteArray("setoption name UCI_LimitStrength value true\n"
                      "setoption name UCI_Elo value 1350\n");
    QTest::newRow("Stockfish, Club") << stockfish << "Club"
                                     << QByteArray("setoption name UCI_LimitStrength value true\n"
                                                   "setoption name UCI_Elo value 2100\n");
    QTest::newRow("Stockfish, Full")
        << stockfish << "Full" << QByteArray("setoption name UCI_LimitStrength value false\n");
    QTest::newRow("skill only, Casual")
        << QByteArray("option name Skill Level type spin default 20 min 0 max 20\n") << "Casual"
        << QByteArray("setoption name Skill Level value 5\n");
    QTest::newRow("Elo without the limit switch")
        << QByteArray("option name UCI_Elo type spin default 1350 min 1350 max 2850\n")
        << "Beginner" << QByteArray();
    QTest::newRow("nothing offered")
        << QByteArray("option name Hash type spin default 16\n") << "Beginner" << QByteArray();
    QTest::newRow("unknown level") << stockfish << "Grandmaster" << QByteArray();
}

void ProtocolTest::uciStrength() {
    QFETCH(QByteArray, options);
    QFETCH(QString, level);
    QFETCH(QByteArray, sent);
    EngineDevice device;
    UciEngine engine;
    QSignalSpy known(&engine, &ChessEngine::StrengthKnown);
    engine.Attach(&device);
    engine.Begin();
    device.Feed(options + "uciok\n");
    QCOMPARE(known.count(), 1);
    const bool offered = options.contains("Skill Level") || options.contains("UCI_LimitStrength");
    QCOMPARE(engine.StrengthLevels().size(), offered ? 5 : 0);
    device.TakeWritten();
    engine.SetStrength(level);
    QCOMPARE(device.TakeWritten(), QByteArray()); // only before a search
    engine.Compute({});
    QCOMPARE(device.TakeWritten(), sent + "isready\n");
    device.Feed("readyok\nbestmove e2e4\n");
    device.TakeWritten();
    engine.Compute({"e2e4", "e7e5"});
    QCOMPARE(device.TakeWritten(), QByteArray("isready\n")); // sent once
}

void ProtocolTest::xboardOffersNoStrength() {
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    engine.Begin();
    QVERIFY(engine.StrengthLevels().isEmpty());
    engine.SetStrength("Beginner");
    QCOMPARE(device.TakeWritten(), QByteArray("xboard\nnew\nst 1\n"));
}

void ProtocolTest::xboardResignAndDrawOffer() {
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    QSignalSpy resigned(&engine, &ChessEngine::Resigned);
    QSignalSpy offered(&engine, &ChessEngine::DrawOffered);
    device.Feed("0-1 {Black mates}\n1/2-1/2 {Draw by repetition}\nresign\n");
    QVERIFY(resigned.wait(5000));
    QCOMPARE(offered.count(), 0);
    device.Feed("tellics say I resign soon\noffer draw\r\n");
    QVERIFY(offered.wait(5000));
    QCOMPARE(resigned.count(), 1);
    QVERIFY(!engine.TakeReplyLine());
}

void ProtocolTest::failedWriteReported() {
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    device.CloseInput();
    QSignalSpy failed(&engine, &ChessEngine::WriteFailed);
    engine.Compute({});
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.front().front().toString(), QStringLiteral("Broken pipe"));
    QString error;
    QVERIFY(!engine.Send("go\n", &error));
    QCOMPARE(error, QStringLiteral("Broken pipe"));
}

void ProtocolTest::detectsProtocol_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("script"); // of the stand-in
    QTest::addColumn<EngineProtocol>("expected");
    QTest::addColumn<bool>("silent");
    const QStringList quiet{"sleep 10000"};
    QTest::newRow("Stockfish") << "/usr/games/stockfish" << quiet << EngineProtocol::Uci << false;
    QTest::newRow("Fairy-Max") << "/usr/games/fairymax" << quiet << EngineProtocol::Xboard << false;
    QTest::newRow("Phalanx") << "/usr/games/phalanx" << quiet << EngineProtocol::Xboard << false;
    QTest::newRow("HoiChess") << "/usr/games/hoichess" << quiet << EngineProtocol::Xboard << false;
    // Without "--xboard" GNU Chess greets at once; its silence needs the wrapper (see
    // engine_program_test.py).
    QTest::newRow("silent stand-in")
        << ScriptedEngine::Program() << quiet << EngineProtocol::Xboard << true;
    QTest::newRow("stand-in with a banner")
        << ScriptedEngine::Program() << QStringList{"say Stand-in 1.0\\n", "sleep 10000"}
        << EngineProtocol::Xboard << false;
    // GNU Chess when the probe's one line got only its front end going.
    QTest::newRow("GNU Chess's greeting, then its complaint")
        << ScriptedEngine::Program()
        << QStringList{"say Chess\\n", "say Invalid move: uci\\n", "sleep 10000"}
        << EngineProtocol::Xboard << true;
    QTest::newRow("a complaint alone")
        << ScriptedEngine::Program()
        << QStringList{"say Error (unknown command): uci\\n", "sleep 10000"}
        << EngineProtocol::Xboard << false;
    QTest::newRow("GNU Chess's greeting alone")
        << ScriptedEngine::Program() << QStringList{"say Chess\\n", "sleep 10000"}
        << EngineProtocol::Xboard << true;
    QTest::newRow("stand-in printing a blank line")
        << ScriptedEngine::Program() << QStringList{"say \\n", "sleep 10000"}
        << EngineProtocol::Xboard << false;
    QTest::newRow("stand-in ending at once")
        << ScriptedEngine::Program() << QStringList{"exit"} << EngineProtocol::Xboard << false;
    QTest::newRow("no such file") << "/nonexistent/engine" << quiet << EngineProtocol::Xboard
                                  << false;
}

void ProtocolTest::detectsProtocol() {
    QFETCH(QString, program);
    QFETCH(QStringList, script);
    QFETCH(EngineProtocol, expected);
    QFETCH(bool, silent);
    if (program.startsWith("/usr/games/") && !QFile::exists(program))
        QSKIP("the engine is not installed");
    ScriptedEngine standIn(script);
    ProtocolProbe probe(program, 3000);
    QSignalSpy decided(&probe, &ProtocolProbe::Decided);
    probe.Start();
    QVERIFY(decided.isEmpty()); // never from inside Start
    QVERIFY(decided.wait(15000));
    QCOMPARE(decided.size(), 1);
    QCOMPARE(decided.front().front().value<EngineProtocol>(), expected);
    QCOMPARE(probe.Silent(), silent);
    // Decided once only, and the engine is ended.
    QTest::qWait(100);
    QCOMPARE(decided.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(EngineCloser::Pending(), 0, 15000);
}

void ProtocolTest::xboardFeatures_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("ping");
    QTest::addColumn<bool>("setboard");
    QTest::addColumn<bool>("draw");
    QTest::addColumn<QByteArray>("level"); // "NAME MIN MAX", empty for none
    QTest::addColumn<bool>("done");
    // As Fairy-Max 5.0b, Phalanx XXV and HoiChess 0.22 print them (options shortened).
    QTest::newRow("Fairy-Max")
        << QByteArray("feature myname=\"Fairy-Max 5.0b\"\nfeature memory=1 exclude=1\n"
                      "feature setboard=0 xedit=1 ping=1 done=0\n"
                      "feature option=\"Resign Threshold -spin 800 200 1200\"\n"
                      "feature option=\"Dummy String Example -string happy birthday!\"\n"
                      "feature done=1\n")
        << QByteArray("accepted myname\naccepted memory\naccepted exclude\naccepted setboard\n"
                      "accepted xedit\naccepted ping\naccepted done\naccepted option\n"
                      "accepted option\naccepted done\n")
        << QByteArray("Fairy-Max 5.0b") << true << false << true << QByteArray() << true;
    QTest::newRow("Phalanx")
        << QByteArray("feature myname=\"Phalanx XXV\"\nfeature analyze=1 setboard=1 draw=0 "
                      "option=\"Randomizer (0-50) -slider 0 0 50\" ping=1 \nfeature done=1\n")
        << QByteArray("accepted myname\naccepted analyze\naccepted setboard\naccepted draw\n"
                      "accepted option\naccepted ping\naccepted done\n")
        << QByteArray("Phalanx XXV") << true << true << false << QByteArray() << true;
    QTest::newRow("HoiChess, one line")
        << QByteArray("feature myname=\"HoiChess 0.22.0-3-debian\" ping=1 setboard=1 name=1 "
                      "option=\"verbose -spin 0 -2147483648 2147483647\" done=1\n")
        << QByteArray("accepted myname\naccepted ping\naccepted setboard\naccepted name\n"
                      "accepted option\naccepted done\n")
        << QByteArray("HoiChess 0.22.0-3-debian") << true << true << true << QByteArray() << true;
    QTest::newRow("a strength option, refused move forms")
        << QByteArray("feature usermove=1 san=1 option=\"Skill Level -spin 20 0 20\" "
                      "option=\"Elo -spin 2000 800 2800\"\n")
        << QByteArray("rejected usermove\nrejected san\naccepted option\naccepted option\n")
        << QByteArray() << false << false << true << QByteArray("Skill Level 0 20") << false;
    QTest::newRow("broken: no value, open quote")
        << QByteArray("feature ping\nfeature myname=\"Never closed ping=1\n")
        << QByteArray("accepted myname\n") << QByteArray("Never closed ping=1") << false << false
        << true << QByteArray() << false;
}

void ProtocolTest::xboardFeatures() {
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, name);
    QFETCH(bool, ping);
    QFETCH(bool, setboard);
    QFETCH(bool, draw);
    QFETCH(QByteArray, level);
    QFETCH(bool, done);
    XboardFeatures features;
    QByteArray said;
    for (const QByteArray& line : lines.split('\n'))
        said += features.Read(line);
    QCOMPARE(said, answer);
    QCOMPARE(features.name, name);
    QCOMPARE(features.ping, ping);
    QCOMPARE(features.setboard, setboard);
    QCOMPARE(features.draw, draw);
    QCOMPARE(features.level ? features.level->name + ' ' + QByteArray::number(features.level->min) +
                                  ' ' + QByteArray::number(features.level->max)
                            : QByteArray(),
             level);
    QCOMPARE(features.done, done);
}

void ProtocolTest::xboardFeatureDialogue() {
    // Asked before the opening: right after "xboard". Strength levels follow the features.
    EngineDevice device;
    XboardEngine engine;
    engine.Attach(&device);
    QSignalSpy known(&engine, &ChessEngine::StrengthKnown);
    engine.LearnFeatures();
    engine.Begin();
    QCOMPARE(device.TakeWritten(), QByteArray("xboard\nprotover 2\nnew\nst 1\n"));
    device.Feed("feature option=\"Skill Level -spin 20 0 20\" draw=0 done=1\n");
    QCOMPARE(device.TakeWritten(), QByteArray("accepted option\naccepted draw\naccepted done\n"));
    QCOMPARE(known.size(), 1);
    QCOMPARE(engine.StrengthLevels(), ChessEngine::AllStrengthLevels());
    QVERIFY(!engine.TakesDrawOffers());
    engine.SetStrength("Beginner");
    engine.SetStrength("Club");
    QCOMPARE(device.TakeWritten(), QByteArray("option Skill Level=0\noption Skill Level=10\n"));
    // Feature lines when none was asked for are not the dialogue's business.
    // The device outlives the engine that is attached to it, as in every other case.
    EngineDevice seedDevice;
    XboardEngine seed;
    seed.Attach(&seedDevice);
    seed.Begin();
    seedDevice.Feed("feature done=1\n");
    QCOMPARE(seedDevice.TakeWritten(), QByteArray("xboard\nnew\nst 1\n"));
    // Asked later, when the thinking is shown: once.
    seed.ShowThinking(true);
    seed.ShowThinking(false);
    seed.ShowThinking(true);
    QCOMPARE(seedDevice.TakeWritten(), QByteArray("protover 2\npost\nnopost\npost\n"));
}

namespace {

// What an engine seen through a silent start is written after its opening: nothing but
// empty lines, at least `lines` of them (waited for, not timed).
bool NudgedAtLeast(EngineDevice& device, QByteArray& written, qsizetype lines) {
    return QTest::qWaitFor(
               [&] {
                   written += device.TakeWritten();
                   return written.count('\n') >= lines;
               },
               15000) &&
           written.count('\n') == written.size();
}

} // namespace

void ProtocolTest::silentStartNudged_data() {
    QTest::addColumn<EngineProtocol>("protocol");
    QTest::addColumn<QByteArray>("opening");
    QTest::addColumn<bool>("posting");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("answered");
    const QByteArray xboard = "xboard\nprotover 2\nnew\nst 1\n";
    // GNU Chess prints this once the first of its threads is through, and answers each
    // empty line so; neither means the second one is.
    QTest::newRow("banner after the first thread")
        << EngineProtocol::Xboard << xboard << false << QByteArray("Chess\n") << false;
    QTest::newRow("complaint about an empty line")
        << EngineProtocol::Xboard << xboard << false << QByteArray("Invalid move: \n") << false;
    QTest::newRow("features not yet done")
        << EngineProtocol::Xboard << xboard << false
        << QByteArray("feature ping=1 done=0\nfeature setboard=1\n") << false;
    QTest::newRow("thinking while not shown") << EngineProtocol::Xboard << xboard << false
                                              << QByteArray("9 +4 19 465042 d5 exd5\n") << false;
    QTest::newRow("features done")
        << EngineProtocol::Xboard << xboard << false
        << QByteArray("feature done=0\nfeature myname=\"GNU Chess 6.2.7\" ping=1 done=1\n") << true;
    QTest::newRow("a reply") << EngineProtocol::Xboard << xboard << false
                             << QByteArray("move e7e5\n") << true;
    QTest::newRow("thinking shown") << EngineProtocol::Xboard << xboard + "post\n"
                                    << true << QByteArray("9 +4 19 465042 d5 exd5\n") << true;
    QTest::newRow("UCI name only") << EngineProtocol::Uci << QByteArray("uci\n") << false
                                   << QByteArray("id name X\n") << false;
    QTest::newRow("UCI greeting done") << EngineProtocol::Uci << QByteArray("uci\n") << false
                                       << QByteArray("id name X\nuciok\n") << true;
}

void ProtocolTest::silentStartNudged() {
    QFETCH(EngineProtocol, protocol);
    QFETCH(QByteArray, opening);
    QFETCH(bool, posting);
    QFETCH(QByteArray, output);
    QFETCH(bool, answered);
    EngineDevice device;
    std::unique_ptr<ChessEngine> engine = ChessEngine::Make(protocol);
    engine->SeeThroughSilentStart(60000);
    QSignalSpy failed(engine.get(), &ChessEngine::Failed);
    engine->Attach(&device);
    engine->Begin();
    engine->ShowThinking(posting);
    QCOMPARE(device.TakeWritten(), opening);
    QByteArray written;
    QVERIFY(NudgedAtLeast(device, written, 3));
    device.Feed(output);
    device.TakeWritten(); // the answers to features
    written.clear();
    if (answered) {
        // Not one more empty line, however long the engine then stays quiet.
        QTest::qWait(400);
        QCOMPARE(device.TakeWritten(), QByteArray());
    } else {
        QVERIFY(NudgedAtLeast(device, written, 3));
    }
    QCOMPARE(failed.count(), 0);
}

void ProtocolTest::noNudgeByDefault_data() {
    QTest::addColumn<EngineProtocol>("protocol");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("xboard, silent")
        << EngineProtocol::Xboard << QByteArray() << QByteArray("xboard\nnew\nst 1\n");
    QTest::newRow("xboard with a banner")
        << EngineProtocol::Xboard << QByteArray("Fairy-Max 5.0b\n")
        << QByteArray("xboard\nnew\nst 1\n");
    QTest::newRow("UCI, silent") << EngineProtocol::Uci << QByteArray() << QByteArray("uci\n");
}

void ProtocolTest::noNudgeByDefault() {
    QFETCH(EngineProtocol, protocol);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, written);
    EngineDevice device;
    std::unique_ptr<ChessEngine> engine = ChessEngine::Make(protocol);
    engine->Attach(&device);
    engine->Begin();
    device.Feed(output);
    QTest::qWait(400);
    QCOMPARE(device.TakeWritten(), written);
}

void ProtocolTest::silentStartBound() {
    // A real process that never answers: empty lines for the bound's time, then the
    // failure, and the engine ends when the engine is closed, as the window does on it.
    ScriptedEngine standIn({"sleep 60000"});
    XboardEngine engine;
    engine.SeeThroughSilentStart(800);
    QSignalSpy failed(&engine, &ChessEngine::Failed);
    QString error;
    QVERIFY(engine.Start(ScriptedEngine::Program(), &error));
    engine.Begin();
    const qint64 pid = engine.ProcessId();
    QVERIFY(failed.wait(15000));
    QVERIFY(failed.front().front().toString().contains("no answer within 0.8 s"));
    QTRY_VERIFY_WITH_TIMEOUT(standIn.Received().contains("st 1\n\n\n"), 15000);
    engine.Close();
    QTRY_COMPARE_WITH_TIMEOUT(EngineCloser::Pending(), 0, 15000);
    QVERIFY(!ProcessExists(pid));
    QCOMPARE(failed.count(), 1);
}

QObject* MakeProtocolTest() {
    return new ProtocolTest;
}

#include "ProtocolTest.moc"
