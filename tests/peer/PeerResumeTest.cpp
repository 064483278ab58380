// Peer games that outlive their connection: the automatic save and its file, a dropped link
// that leaves the game waiting with its clocks stopped, the resume over a new connection
// with the side behind catching up, and whatever a peer or a damaged file says instead.
// The program's link runs on real loopback sockets against a plain socket that speaks the
// lines of a new copy, and against a second main window in the same process.
#include "PeerResumeTest.h"

#include "PeerFixture.h"
#include "app/OptionsMenu.h"
#include "app/PeerAutosave.h"
#include "game/Clock.h"
#include "game/Fen.h"
#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerResume.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<PeerFixture> fixture;

const QByteArray kGame = "00c0ffee12345678";
const QStringList kOpening = {"e2e4", "e7e5", "g1f3", "b8c6"};

QString saveFolder(const PeerFixture& side) {
    return side.path(QStringLiteral("PeerGames"));
}

// The lines of a plain-socket peer after the `skip` it has read already.
QList<QByteArray> linesAfter(RawPeer& peer, qsizetype skip) {
    return peer.extendedLines().mid(skip);
}

// Whether the peer has received a line that begins with `start`.
bool receivedLine(RawPeer& peer, const QByteArray& start) {
    const QList<QByteArray> lines = peer.extendedLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QByteArray& line) { return line.startsWith(start); });
}

bool consoleHas(TMainForm& form, const QString& text) {
    return consoleText(form).contains(text);
}

// A new copy on a plain socket, with its own board for the positions its moves lead to.
struct Peer {
    std::unique_ptr<RawPeer> socket;
    std::unique_ptr<TMDIChild> board = std::make_unique<TMDIChild>();

    explicit Peer(quint16 port) : socket(std::make_unique<RawPeer>(port)) {}
    bool move(const QString& move) {
        const std::string from = move.left(2).toStdString(), to = move.mid(2, 2).toStdString();
        if (!board->MakeMoveFromOutside(from, to, "Queen"))
            return false;
        const int ply = board->game().LivePosition();
        return socket->send("/rv move " + QByteArray::number(ply) + ' ' + move.toLatin1() +
                            " 300000 " + QByteArray::fromStdString(FenText(board->game().Model())) +
                            "\r\n");
    }
    void follow(const QStringList& moves) {
        for (const QString& move : moves)
            board->MakeMoveFromOutside(move.left(2).toStdString(), move.mid(2, 2).toStdString(),
                                       "Queen");
    }
};

// The program waits with terms White at 5+0; a new copy connects and takes them.
QByteArray agree(Peer& peer, TMDIChild*& game) {
    if (!QTest::qWaitFor([] { return fixture->form->PeerGameWindow() != nullptr; }))
        qFatal("no game window");
    game = fixture->form->PeerGameWindow();
    peer.socket->send("/rv hello 1 Bo\r\n");
    if (!QTest::qWaitFor([&] { return peer.socket->extendedLines().size() == 2; }))
        qFatal("no terms");
    const QByteArray id = readExtendedLine(peer.socket->extendedLines()[1]).message->game;
    peer.socket->send("/rv accept " + id + "\r\n");
    if (!QTest::qWaitFor([&] { return game->PeerColour().has_value(); }))
        qFatal("terms not agreed");
    return id;
}

// The program (White) and the peer (Black) play `moves` in turn from the start.
bool play(Peer& peer, TMDIChild* game, const QStringList& moves) {
    for (const QString& move : moves) {
        const int before = game->game().LivePosition();
        if (before % 2 == 0) {
            if (!dropMove(game, move.left(2).toLatin1(), move.mid(2, 2).toLatin1()))
                return false;
            peer.follow({move});
        } else if (!peer.move(move)) {
            return false;
        }
        if (!QTest::qWaitFor([&] { return game->game().LivePosition() == before + 1; }))
            return false;
    }
    return true;
}

SavedPeerGame savedGame(int plies, const QString& host = {}) {
    SavedPeerGame saved;
    saved.game = kGame;
    saved.host = host;
    saved.own = 1;
    saved.opponent = QStringLiteral("Bo");
    saved.timeControl = QStringLiteral("5+0");
    for (int i = 0; i < plies; ++i)
        saved.moves.push_back(kOpening[i].toLatin1());
    saved.whiteMs = 200'000;
    saved.blackMs = 123'400;
    return saved;
}

void writeSave(const QString& folder, const QString& name, const QByteArray& text) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 seconds(const Clock* clock, std::uint8_t white) {
    return std::chrono::duration_cast<std::chrono::seconds>(clock->Remaining(white)).count();
}

} // namespace

void PeerResumeTest::init() {
    // A port nobody listens on now, so that this suite runs beside any other.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::Any, 0));
    qputenv("ROOKVALE_PEER_PORT", QByteArray::number(probe.serverPort()));
    probe.close();
    fixture = std::make_unique<PeerFixture>();
}

void PeerResumeTest::cleanup() {
    fixture.reset();
}

void PeerResumeTest::savedGameText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("readable");
    const QByteArray good = savedPeerGameText(savedGame(3, QStringLiteral("192.168.1.20")));
    QTest::newRow("as written") << good << true;
    QTest::newRow("no clock") << QByteArray(good)
                                     .replace("control 5+0", "control ")
                                     .replace("clock 200000 123400", "clock -")
                              << true;
    QTest::newRow("no moves") << QByteArray(good).replace("moves e2e4 e7e5 g1f3", "moves ") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("cut short") << good.left(good.size() - 3) << false;
    QTest::newRow("other version") << QByteArray(good).replace("game 1", "game 2") << false;
    QTest::newRow("line missing") << QByteArray(good).replace("host 192.168.1.20\n", "") << false;
    QTest::newRow("line twice") << good + "moves e2e4\n" << false;
    QTest::newRow("keys swapped") << QByteArray(good).replace("colour white\nopponent Bo",
                                                              "opponent Bo\ncolour white")
                                  << false;
    QTest::newRow("upper-case id") << QByteArray(good).replace(kGame, kGame.toUpper()) << false;
    QTest::newRow("short id") << QByteArray(good).replace(kGame, kGame.left(15)) << false;
    QTest::newRow("colour") << QByteArray(good).replace("colour white", "colour red") << false;
    QTest::newRow("no name") << QByteArray(good).replace("opponent Bo", "opponent ") << false;
    QTest::newRow("long name") << QByteArray(good).replace("opponent Bo",
                                                           "opponent " + QByteArray(65, 'x'))
                               << false;
    QTest::newRow("control character")
        << QByteArray(good).replace("opponent Bo", "opponent B\to") << false;
    QTest::newRow("bad UTF-8") << QByteArray(good).replace("opponent Bo", "opponent B\xff")
                               << false;
    QTest::newRow("control") << QByteArray(good).replace("control 5+0", "control fast") << false;
    QTest::newRow("clock without control")
        << QByteArray(good).replace("control 5+0", "control ") << false;
    QTest::newRow("control without clock")
        << QByteArray(good).replace("clock 200000 123400", "clock -") << false;
    QTest::newRow("negative time") << QByteArray(good).replace("200000", "-200000") << false;
    QTest::newRow("huge time") << QByteArray(good).replace("200000", "999999999999") << false;
    QTest::newRow("one time") << QByteArray(good).replace("200000 123400", "200000") << false;
    QTest::newRow("move") << QByteArray(good).replace("g1f3", "g1f9") << false;
    QTest::newRow("promotion") << QByteArray(good).replace("g1f3", "g1f3k") << false;
    QTest::newRow("two blanks") << QByteArray(good).replace("e7e5 g1f3", "e7e5  g1f3") << false;
    QTest::newRow("address") << QByteArray(good).replace("192.168.1.20", "a b") << false;
    QTest::newRow("too long") << good + QByteArray(200 * 1024, 'x') + '\n' << false;
}

void PeerResumeTest::savedGameText() {
    QFETCH(QByteArray, text);
    QFETCH(bool, readable);
    QString error;
    const std::optional<SavedPeerGame> game = readSavedPeerGame(text, error);
    QCOMPARE(game.has_value(), readable);
    QCOMPARE(error.isEmpty(), readable);
    if (game)
        QCOMPARE(savedPeerGameText(*game), text);
}

void PeerResumeTest::unreadableSavedGameIsSetAside_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("said");
    const QByteArray good = savedPeerGameText(savedGame(4));
    QTest::newRow("garbage") << QByteArray("\x00\x01garbage", 9) << "cannot be read";
    QTest::newRow("cut short") << good.left(40) << "cannot be read";
    QTest::newRow("illegal move") << QByteArray(good).replace("g1f3", "g1g3")
                                  << "illegal half-move 3";
    QTest::newRow("promotion without piece")
        << savedPeerGameText(savedGame(0))
               .replace("moves ", "moves a2a4 b7b5 a4b5 a7a6 b5a6 "
                                  "c8b7 a6b7 b8c6 b7a8")
        << "illegal half-move 9";
}

void PeerResumeTest::unreadableSavedGameIsSetAside() {
    QFETCH(QByteArray, text);
    QFETCH(QString, said);
    const QString name = PeerAutosave::FileName(kGame, 1);
    writeSave(saveFolder(*fixture), name, text);
    fixture->start();
    QVERIFY(consoleHas(*fixture->form, said));
    // Nothing is opened for it, and the file is kept as it was under another name.
    QCOMPARE(fixture->gameWindows(), 1);
    QVERIFY(!QFile::exists(QDir(saveFolder(*fixture)).filePath(name)));
    QCOMPARE(readFile(QDir(saveFolder(*fixture)).filePath(name + ".unreadable")), text);
}

void PeerResumeTest::recordMovesGoOnTheWire_data() {
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("quiet") << "e2e4" << QByteArray("e2e4");
    QTest::newRow("capture") << "e4d5p" << QByteArray("e4d5");
    QTest::newRow("promotion") << "b7b8N" << QByteArray("b7b8n");
    QTest::newRow("capturing promotion") << "b7a8rQ" << QByteArray("b7a8q");
    QTest::newRow("black promotion") << "g2h1nR" << QByteArray("g2h1r");
    QTest::newRow("castling") << "e1g1K" << QByteArray("e1g1");
    QTest::newRow("long castling") << "e8c8Q" << QByteArray("e8c8");
    QTest::newRow("en passant") << "e5d6E" << QByteArray("e5d6");
}

void PeerResumeTest::recordMovesGoOnTheWire() {
    QFETCH(QString, record);
    QFETCH(QByteArray, wire);
    QCOMPARE(wireMoveOfRecord(record.toStdString()), wire);
}

void PeerResumeTest::droppedGameWaitsAndResumes_data() {
    QTest::addColumn<int>("peerPlies");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("the peer has all") << 4 << QStringList{};
    QTest::newRow("the peer lacks one") << 3 << QStringList{"4 b8c6"};
    QTest::newRow("the peer lacks two") << 2 << QStringList{"3 g1f3", "4 b8c6"};
    QTest::newRow("the peer has none") << 0 << QStringList{"1 e2e4", "2 e7e5", "3 g1f3", "4 b8c6"};
}

void PeerResumeTest::droppedGameWaitsAndResumes() {
    QFETCH(int, peerPlies);
    QFETCH(QStringList, sent);
    fixture->start();
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "White");
    fixture->form->Options()->WriteSetting("Peer", "TermsTimeControl", "5+0");
    fixture->listen();
    Peer first(fixture->port);
    TMDIChild* game = nullptr;
    const QByteArray id = agree(first, game);
    QVERIFY(play(first, game, kOpening));

    // Saved after every move, under the settings' folder.
    const QString file = QDir(saveFolder(*fixture)).filePath(PeerAutosave::FileName(id, 1));
    QString error;
    std::optional<SavedPeerGame> saved = readSavedPeerGame(readFile(file), error);
    QVERIFY2(saved, qPrintable(error));
    QCOMPARE(saved->moves.size(), std::size_t(4));
    QCOMPARE(saved->opponent, QStringLiteral("Bo"));
    QVERIFY(saved->whiteMs && saved->blackMs);

    first.socket->reset();
    QTRY_VERIFY(game->PeerGameHeld());
    QVERIFY(consoleHas(*fixture->form, "The link to Bo dropped"));
    QVERIFY(chatLog(game).last().contains("waits for Bo"));
    // The window keeps its moves; its clocks stand and its board takes no move.
    QCOMPARE(game->game().LivePosition(), 4);
    QVERIFY(game->GameClock()->Stopped());
    QVERIFY(!dropMove(game, "f1", "c4"));
    QCOMPARE(game->game().LivePosition(), 4);
    const qint64 heldWhite =
        std::chrono::duration_cast<std::chrono::milliseconds>(game->GameClock()->Remaining(1))
            .count();

    Peer second(fixture->port);
    second.follow(kOpening.mid(0, peerPlies));
    QTRY_COMPARE(fixture->gameWindows(), 3);
    QVERIFY(second.socket->send("/rv hello 1 Bo\r\n/rv resume " + id + ' ' +
                                QByteArray::number(peerPlies) + "\r\n"));
    // The program answers with its count and sends what the peer lacks.
    QTRY_VERIFY(linesAfter(*second.socket, 2).size() >= qsizetype(1 + sent.size()));
    const QList<QByteArray> lines = linesAfter(*second.socket, 2);
    // A peer that says no time of its own leaves the clocks as they stood; the program says
    // its own.
    const ExtendedReading answer = readExtendedLine(lines[0]);
    QVERIFY(answer.message && answer.message->kind == ExtendedKind::Resume);
    QCOMPARE(answer.message->game, id);
    QCOMPARE(answer.message->ply, 4);
    QCOMPARE(answer.message->remainingMs, std::optional<qint64>(heldWhite));
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const ExtendedReading move = readExtendedLine(lines[i + 1]);
        QVERIFY(move.message && move.message->kind == ExtendedKind::Move);
        QCOMPARE(QString::number(move.message->ply) + ' ' + move.message->from + move.message->to,
                 sent[i]);
        second.follow({move.message->from + move.message->to});
        QCOMPARE(move.message->fen,
                 QByteArray::fromStdString(FenText(second.board->game().Model())));
    }
    // The window the new connection opened gives way to the game's own, which goes on.
    QTRY_COMPARE(fixture->gameWindows(), 2);
    QCOMPARE(fixture->form->GameWindows().front(), game);
    QVERIFY(!game->PeerGameHeld());
    QVERIFY(!game->GameClock()->Stopped());
    QVERIFY(consoleHas(*fixture->form, "Resumed the game with Bo"));
    QVERIFY(play(second, game, {"f1c4", "g8f6"}));
    QTRY_VERIFY(receivedLine(*second.socket, "/rv move 5 f1c4 "));
    saved = readSavedPeerGame(readFile(file), error);
    QVERIFY2(saved, qPrintable(error));
    QCOMPARE(saved->moves.size(), std::size_t(6));

    // The end of the game removes its save.
    game->Resign1Click();
    QTRY_VERIFY(game->game().Model().finished);
    QVERIFY(!QFile::exists(file));
}

void PeerResumeTest::resumeOfNoWaitingGameIsDeclined_data() {
    QTest::addColumn<bool>("agreedFirst");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown game") << false << "no such game waits here";
    QTest::newRow("a game on the connection") << true << "this connection has its game already";
}

void PeerResumeTest::resumeOfNoWaitingGameIsDeclined() {
    QFETCH(bool, agreedFirst);
    QFETCH(QString, said);
    fixture->start();
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "White");
    fixture->listen();
    Peer peer(fixture->port);
    TMDIChild* game = nullptr;
    if (agreedFirst) {
        agree(peer, game);
        QVERIFY(play(peer, game, kOpening.mid(0, 2)));
    } else {
        QTRY_COMPARE(fixture->gameWindows(), 2);
        QVERIFY(peer.socket->send("/rv hello 1 Bo\r\n"));
        QTRY_COMPARE(peer.socket->extendedLines().size(), qsizetype(2));
    }
    const qsizetype before = peer.socket->extendedLines().size();
    QVERIFY(peer.socket->send("/rv resume " + kGame + " 30\r\n"));
    QTRY_COMPARE(peer.socket->extendedLines().size(), before + 1);
    QCOMPARE(peer.socket->extendedLines().last(), "/rv decline " + kGame);
    QVERIFY(consoleHas(*fixture->form, "Refused the peer's resume of game " + kGame + ": " + said));
    QCOMPARE(fixture->gameWindows(), 2);
    if (game) {
        QCOMPARE(game->game().LivePosition(), 2);
        QVERIFY(!game->PeerGameHeld());
    }
}

void PeerResumeTest::savedGameReopensAndCatchesUp() {
    // The program was ended after its third half-move went out; the peer has the fourth.
    const QString name = PeerAutosave::FileName(kGame, 1);
    writeSave(saveFolder(*fixture), name, savedPeerGameText(savedGame(3)));
    fixture->start();
    QCOMPARE(fixture->gameWindows(), 2);
    TMDIChild* game = fixture->form->PeerGameWindow();
    QVERIFY(game);
    QCOMPARE(game->windowTitle(), QStringLiteral("Active Game"));
    QCOMPARE(game->game().LivePosition(), 3);
    QCOMPARE(game->PeerColour(), std::optional<std::uint8_t>(1));
    QVERIFY(game->PeerGameHeld());
    QVERIFY(chatLog(game).last().contains("goes on when Bo connects to this program again"));
    QVERIFY(consoleHas(*fixture->form, "Reopened the unfinished game against Bo (3 half-moves)"));
    // The clocks show the saved times and stand.
    QCOMPARE(seconds(game->GameClock(), 1), 200);
    QCOMPARE(seconds(game->GameClock(), 0), 123);
    QTest::qWait(1100);
    QCOMPARE(seconds(game->GameClock(), 0), 123);

    fixture->listen();
    Peer peer(fixture->port);
    peer.follow(kOpening.mid(0, 3));
    QTRY_COMPARE(fixture->gameWindows(), 3);
    // The peer says its own time, Black's, which this side takes; it says its own, White's.
    QVERIFY(peer.socket->send("/rv hello 1 Bo\r\n/rv resume " + kGame + " 4 99000\r\n"));
    QTRY_VERIFY(linesAfter(*peer.socket, 2).size() >= qsizetype(1));
    QCOMPARE(linesAfter(*peer.socket, 2)[0], "/rv resume " + kGame + " 3 200000");
    QTRY_COMPARE(fixture->gameWindows(), 2);
    QCOMPARE(seconds(game->GameClock(), 1), 200);
    QVERIFY(seconds(game->GameClock(), 0) <= 99 && seconds(game->GameClock(), 0) >= 95);
    QVERIFY(peer.move(kOpening[3]));
    QTRY_COMPARE(game->game().LivePosition(), 4);
    QVERIFY(!game->PeerGameHeld());
    QVERIFY(play(peer, game, {"f1c4"}));
    QTRY_VERIFY(receivedLine(*peer.socket, "/rv move 5 f1c4 "));
}

void PeerResumeTest::illegalCatchUpIsRefused() {
    // The program plays Black; after two half-moves it is the peer's turn.
    SavedPeerGame saved = savedGame(2);
    saved.own = 0;
    writeSave(saveFolder(*fixture), PeerAutosave::FileName(kGame, 0), savedPeerGameText(saved));
    fixture->start();
    TMDIChild* game = fixture->form->PeerGameWindow();
    QVERIFY(game);
    fixture->listen();
    Peer peer(fixture->port);
    peer.follow(kOpening.mid(0, 2));
    QTRY_COMPARE(fixture->gameWindows(), 3);
    // A peer that claims more half-moves than the game has, and sends an illegal one.
    QVERIFY(peer.socket->send("/rv hello 1 Bo\r\n/rv resume " + kGame +
                              " 9999\r\n"
                              "/rv move 3 g1g5 300000 8/8/8/8/8/8/8/K6k w - - 0 1\r\n"));
    QTRY_VERIFY(consoleHas(*fixture->form, "the peer's move g1g5 is not legal here"));
    QTRY_VERIFY(linesAfter(*peer.socket, 2).contains("/rv resync 3"));
    QCOMPARE(linesAfter(*peer.socket, 2).first(), "/rv resume " + kGame + " 2 123400");
    QCOMPARE(game->game().LivePosition(), 2);
    // The user keeps this side's board.
    QMessageBox* differ = nullptr;
    QTRY_VERIFY(differ = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible() && box->windowTitle() == QStringLiteral("Boards Differ"))
                return box;
        }
        return static_cast<QMessageBox*>(nullptr);
    }());
    for (QAbstractButton* button : differ->buttons())
        if (button->text() == QStringLiteral("Decline"))
            QTest::mouseClick(button, Qt::LeftButton);
    // The game goes on from what this side has.
    QVERIFY(peer.move("g1f3"));
    QTRY_COMPARE(game->game().LivePosition(), 3);
    QVERIFY(dropMove(game, "b8", "c6"));
    QCOMPARE(record(game).size(), std::size_t(4));
}

void PeerResumeTest::killedClientResumesByConnecting() {
    // Two programs in one process: the one of `fixture` waits, the other connects.
    fixture->start();
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "Black");
    fixture->form->Options()->WriteSetting("Peer", "TermsTimeControl", "5+0");
    fixture->listen();
    auto client = std::make_unique<PeerFixture>();
    client->start();
    pressConnect(*client);
    QMessageBox* prompt = nullptr;
    QTRY_VERIFY((prompt = client->form->findChild<QMessageBox*>("GameTermsPrompt")));
    QTest::mouseClick(prompt->buttons().first(), Qt::LeftButton);
    TMDIChild* server = fixture->form->PeerGameWindow();
    TMDIChild* mine = client->form->PeerGameWindow();
    QTRY_VERIFY(server->PeerColour() && mine->PeerColour());
    QCOMPARE(*mine->PeerColour(), std::uint8_t(1));
    QVERIFY(dropMove(mine, "e2", "e4"));
    QTRY_COMPARE(server->game().LivePosition(), 1);
    QVERIFY(dropMove(server, "e7", "e5"));
    QTRY_COMPARE(mine->game().LivePosition(), 2);
    // White's time runs on the waiting side until it sees the link drop; the client's save
    // has White's time as of its last move.
    QTest::qWait(1500);

    // The client's program goes away without a word; its folder stays for its next start.
    client->folder.setAutoRemove(false);
    const QString folder = client->folder.path();
    client.reset();
    QTRY_VERIFY(server->PeerGameHeld());

    auto again = std::make_unique<PeerFixture>();
    again->folder.remove();
    QVERIFY(QDir().rename(folder, again->folder.path()));
    again->folder.setAutoRemove(true);
    again->start();
    TMDIChild* reopened = again->form->PeerGameWindow();
    QVERIFY(reopened);
    QCOMPARE(reopened->game().LivePosition(), 2);
    QVERIFY(chatLog(reopened).last().contains("press Connect to 127.0.0.1"));
    pressConnect(*again);
    QTRY_VERIFY(!reopened->PeerGameHeld());
    QTRY_VERIFY(!server->PeerGameHeld());
    QTRY_COMPARE(again->gameWindows(), 2);
    QCOMPARE(fixture->gameWindows(), 2);
    // No terms were asked: the old game goes on, both sides showing the same times: each
    // side's own, as its resume said it.
    QVERIFY(!again->form->findChild<QMessageBox*>("GameTermsPrompt"));
    for (const std::uint8_t white : {std::uint8_t{1}, std::uint8_t{0}}) {
        const qint64 apart =
            std::chrono::duration_cast<std::chrono::milliseconds>(
                server->GameClock()->Remaining(white) - reopened->GameClock()->Remaining(white))
                .count();
        QVERIFY2(std::abs(apart) < 500, qPrintable(QStringLiteral("%1 ms apart").arg(apart)));
    }
    QVERIFY(dropMove(reopened, "g1", "f3"));
    QTRY_COMPARE(server->game().LivePosition(), 3);
    QCOMPARE(record(server), record(reopened));
}
