// The connecting side of the link: the peer is a server of the test's own on loopback,
// and the program takes the peer's lines one per tick of Timer1.
#include "ClientSideTest.h"

#include "PeerFixture.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>

namespace {

std::unique_ptr<PeerFixture> fixture;

TForm1& connectionWindow() {
    return *fixture->form->findChild<TForm1*>();
}

void pressConnect(const QString& address) {
    connectionWindow().findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(address);
    connectionWindow().findChild<QPushButton*>(QStringLiteral("Button2"))->click();
}

QStringList consoleLines(TForm2* console) {
    return console->Memo1()->toPlainText().split(QLatin1Char('\n'));
}

QTimer& timer1() {
    return *fixture->form->findChild<QTimer*>(QStringLiteral("Timer1"));
}

// The test's server, with the one peer socket the program connected to.
struct PeerServer {
    QTcpServer server;
    QTcpSocket* socket = nullptr;
    PeerServer() {
        if (!server.listen(QHostAddress::LocalHost, fixture->port))
            qFatal("the test's server cannot listen");
    }
    bool accept() {
        if (!QTest::qWaitFor([this] { return server.hasPendingConnections(); }, 10000))
            return false;
        socket = server.nextPendingConnection();
        return QTest::qWaitFor([] { return fixture->link().ClientConnected(); });
    }
    void send(const QByteArray& bytes) {
        socket->write(bytes);
        if (!QTest::qWaitFor([this] { return socket->bytesToWrite() == 0; }))
            qWarning("the test's server could not send");
    }
    QByteArray received;
    // The lines an old copy acts on, and the extended ones that it drops.
    QList<QByteArray> lines() {
        received += socket->readAll();
        return splitLines(received, false);
    }
    QList<QByteArray> extendedLines() {
        received += socket->readAll();
        return splitLines(received, true);
    }
};

// Connects the program to the test's server with the Connect button; returns the new
// peer game window, or null when the connection or the window did not come.
TMDIChild* connectTo(PeerServer& peer) {
    pressConnect(QStringLiteral("127.0.0.1"));
    if (!peer.accept())
        return nullptr;
    // The caller checks for the window; a missing one after the wait is its failure.
    (void)QTest::qWaitFor([] { return fixture->form->PeerGameWindow() != nullptr; }, 5000);
    return fixture->form->PeerGameWindow();
}

} // namespace

void ClientSideTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
}

void ClientSideTest::cleanup() {
    fixture.reset();
}

void ClientSideTest::connectAndPlay() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    QCOMPARE(fixture->gameWindows(), 2);
    QVERIFY(dropMove(game, "e2", "e4"));
    auto* edit = game->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    edit->setText(QStringLiteral("hi"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(chatLog(game), QStringList{"Client: hi"});
    fixture->form->FileNew1Execute();
    QTRY_COMPARE(peer.lines(), (QList<QByteArray>{"/move e2e4", "/chat Client: hi", "/new"}));
    TMDIChild* newest = fixture->form->PeerGameWindow();
    QVERIFY(newest != game);
    peer.send("/move e2e4\r\n/chat Server: yo\n");
    QTRY_COMPARE(chatLog(newest), QStringList{"Server: yo"});
    QCOMPARE(record(newest), std::vector<std::string>{"e2e4"});
}

void ClientSideTest::oneLinePerTick() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    QCOMPARE(timer1().interval(), 500);
    QVERIFY(timer1().isActive());
    timer1().stop();
    peer.send("/move e2e4\r\n/move e7e5\n/chat Server: three\r\n");
    QTest::qWait(100);
    QCOMPARE(game->game().LivePosition(), 0);
    fixture->form->Timer1Timer();
    QCOMPARE(game->game().LivePosition(), 1);
    QVERIFY(timer1().isActive()); // the tick starts it again
    timer1().stop();
    fixture->form->Timer1Timer();
    QCOMPARE(game->game().LivePosition(), 2);
    QVERIFY(chatLog(game).isEmpty());
    timer1().stop();
    fixture->form->Timer1Timer();
    QCOMPARE(chatLog(game), QStringList{"Server: three"});
    // A tick with nothing received does nothing.
    fixture->form->Timer1Timer();
    QCOMPARE(game->game().LivePosition(), 2);
}

void ClientSideTest::linesAtOnceAfterHello() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    // The client says hello as it connects; the old lines follow it.
    QTRY_COMPARE(peer.extendedLines().size(), qsizetype(1));
    QVERIFY(peer.extendedLines().front().startsWith("/rv hello 1 "));
    peer.send("/rv hello 1 Bo\r\n");
    QTRY_VERIFY(consoleText(*fixture->form).contains("Bo speaks the extended protocol"));
    // Without a single tick, the lines of a peer that said hello are applied as they arrive.
    timer1().stop();
    peer.send("/move e2e4\r\n/move e7e5\n/chat Server: three\r\n");
    QTRY_COMPARE(chatLog(game), QStringList{"Server: three"});
    QCOMPARE(game->game().LivePosition(), 2);
    QVERIFY(!timer1().isActive());
}

void ClientSideTest::termsPrompt_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("accepted") << "Accept";
    QTest::newRow("declined") << "Decline";
}

void ClientSideTest::termsPrompt() {
    QFETCH(QString, button);
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    peer.send("/rv hello 1 Srv\r\n/rv terms 0123456789abcdef white 3+2\r\n");
    QMessageBox* prompt = nullptr;
    QTRY_VERIFY(
        (prompt = fixture->form->findChild<QMessageBox*>(QStringLiteral("GameTermsPrompt"))));
    QCOMPARE(prompt->windowTitle(), QStringLiteral("Game Terms"));
    QVERIFY(prompt->text().contains("Srv offers a game: you play Black, time control 3+2."));
    // The question stops nothing: lines go on being applied while it is open.
    QVERIFY(!QApplication::activeModalWidget());
    peer.send("/chat Server: while asked\r\n");
    QTRY_COMPARE(chatLog(game), QStringList{"Server: while asked"});
    QAbstractButton* answer = nullptr;
    for (QAbstractButton* candidate : prompt->buttons()) {
        if (candidate->text() == button)
            answer = candidate;
    }
    QVERIFY(answer);
    answer->click();
    const QByteArray word = button == "Accept" ? "accept" : "decline";
    QTRY_COMPARE(peer.extendedLines().size(), qsizetype(2));
    QCOMPARE(peer.extendedLines().last(), "/rv " + word + " 0123456789abcdef");
    auto square = [game](const char* name) {
        return game->findChild<QLabel*>(QString::fromLatin1(name));
    };
    if (button == "Accept") {
        QCOMPARE(game->PeerColour(), std::optional<std::uint8_t>(0));
        QCOMPARE(game->CurrentTimeControl()->Text(), std::string("3+2"));
        QVERIFY(square("a8")->y() > square("a1")->y()); // seen from Black's side
    } else {
        // The connection keeps the colourless game.
        QVERIFY(!game->PeerColour());
        QVERIFY(!game->CurrentTimeControl());
        QVERIFY(square("a8")->y() < square("a1")->y());
    }
}

void ClientSideTest::burstArrivesCompleteInOrder() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    // Only this test shortens the tick: 10 000 lines at 500 ms would take over an hour.
    timer1().setInterval(0);
    QByteArray burst;
    QStringList expected;
    for (int i = 0; i < 10000; ++i) {
        burst += "/chat Server: " + QByteArray::number(i) + "\r\n";
        expected << QStringLiteral("Server: %1").arg(i);
    }
    peer.socket->write(burst);
    QTRY_VERIFY_WITH_TIMEOUT(chatLog(game).endsWith(QStringLiteral("Server: 9999")), 60000);
    // The log keeps the newest lines, in the order they came.
    QCOMPARE(chatLog(game), expected.mid(expected.size() - TMDIChild::kChatLinesKept));
}

void ClientSideTest::floodWithoutLineFeed() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    const qint64 before = residentBytes();
    qint64 peak = before;
    const QByteArray chunk(1024 * 1024, 'x');
    for (int i = 0; i < 100; ++i) {
        peer.socket->write(chunk);
        while (peer.socket->bytesToWrite() > 2 * chunk.size()) {
            QTest::qWait(1);
            peak = std::max(peak, residentBytes());
        }
    }
    peer.send("\n/chat Server: after\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(chatLog(game), QStringList{"Server: after"}, 30000);
    qInfo("resident memory grew by %lld KiB during the flood", (peak - before) / 1024);
    QVERIFY2(peak - before < 48 * 1024 * 1024, "the flood was held in memory");
    QVERIFY(fixture->link().ClientConnected());
}

void ClientSideTest::connectFailure() {
    // Not linked: a chat line is emptied and shown nowhere.
    TMDIChild* board = fixture->form->GameWindows().front();
    auto* edit = board->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    QTest::keyClicks(edit, QStringLiteral("nobody"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(chatLog(board), QStringList());
    // Nobody listens on the port: the open console says so, no window opens.
    TForm2* console = fixture->form->findChild<TForm2*>();
    const int windows = fixture->gameWindows();
    pressConnect(QStringLiteral("127.0.0.1"));
    QTRY_COMPARE(consoleLines(console), (QStringList{"", "Connection could not be established!"}));
    QCOMPARE(fixture->gameWindows(), windows);
    QVERIFY(!QApplication::overrideCursor());
    pressConnect(QStringLiteral("no-such-host.invalid"));
    QTRY_COMPARE(consoleLines(console).size(), 4);
    QVERIFY(!fixture->link().ClientConnected());
    // With the console closed the failure shows nowhere; a new console starts empty.
    fixture->form->MainConsole1Click();
    QTRY_VERIFY(!fixture->form->findChild<TForm2*>());
    pressConnect(QStringLiteral("127.0.0.1"));
    QTRY_VERIFY(!fixture->link().Connecting());
    fixture->form->MainConsole1Click();
    QCOMPARE(fixture->form->findChild<TForm2*>()->Memo1()->toPlainText(), QString());
}

void ClientSideTest::slowConnectKeepsRunning() {
    // A listener whose queue is full never answers a further connect at once.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(fixture->port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 0) == 0);
    // With a backlog of 0 the queue holds one connection, this one.
    RawPeer filler(fixture->port);
    QVERIFY(filler.connected());
    TForm2* console = fixture->form->findChild<TForm2*>();
    pressConnect(QStringLiteral("127.0.0.1"));
    QVERIFY(fixture->link().Connecting());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    // The program goes on meanwhile, and a second Connect does nothing.
    int ticks = 0;
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, [&ticks] { ++ticks; });
    ticking.start(10);
    // However busy the machine, the ticks come while the attempt runs.
    QTRY_VERIFY_WITH_TIMEOUT(ticks > 10, 20000);
    pressConnect(QStringLiteral("127.0.0.1"));
    QVERIFY(fixture->link().Connecting());
    QCOMPARE(console->Memo1()->toPlainText(), QString());
    // Reset Connection ends the attempt, which then counts as failed.
    connectionWindow().findChild<QPushButton*>(QStringLiteral("Button3"))->click();
    QVERIFY(!fixture->link().Connecting());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(consoleLines(console), (QStringList{"", "Connection could not be established!"}));
    ::close(listener);
}

void ClientSideTest::connectWhileConnected() {
    PeerServer peer;
    pressConnect(QStringLiteral("127.0.0.1"));
    QVERIFY(peer.accept());
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    const int windows = fixture->gameWindows();
    TForm2* console = fixture->form->findChild<TForm2*>();
    pressConnect(QStringLiteral("127.0.0.1"));
    QTRY_COMPARE(consoleLines(console), (QStringList{"", "Connection could not be established!"}));
    QCOMPARE(fixture->gameWindows(), windows);
    QVERIFY(fixture->link().ClientConnected());
    QVERIFY(!QApplication::overrideCursor());
    QTest::qWait(100);
    QVERIFY(!peer.server.hasPendingConnections());
}

void ClientSideTest::peerClosesMidGame() {
    PeerServer peer;
    TMDIChild* game = connectTo(peer);
    QVERIFY(game);
    timer1().setInterval(10);
    // Lines sent just before the close are still carried out.
    peer.send("/move e2e4\r\n/move e7e5\r\n");
    peer.socket->disconnectFromHost();
    QTRY_COMPARE(game->game().LivePosition(), 2);
    QTRY_VERIFY(!fixture->link().ClientConnected());
    NextModal none([](QWidget* box) { box->close(); });
    QVERIFY(dropMove(game, "g1", "f3"));
    QTest::qWait(100);
    QVERIFY(!none.seen());
    fixture->form->FileNew1Execute();
    QCOMPARE(fixture->form->ActiveGameWindow()->windowTitle(), QStringLiteral("Game Board"));
}

void ClientSideTest::resetConnection() {
    // Reset while idle shows nothing; serving and connected at once, it ends both.
    connectionWindow().findChild<QPushButton*>(QStringLiteral("Button3"))->click();
    QVERIFY(!fixture->link().Linked());
    PeerServer peer;
    pressConnect(QStringLiteral("127.0.0.1"));
    QVERIFY(peer.accept());
    peer.server.close();
    fixture->listen();
    RawPeer raw(fixture->port);
    QTRY_COMPARE(fixture->link().ConnectionCount(), 1);
    // Both up: sending uses the server side only.
    fixture->form->SendToPeer("/chat Server: both");
    QTRY_COMPARE(raw.lines(), QList<QByteArray>{"/chat Server: both"});
    QTest::qWait(50);
    QCOMPARE(peer.lines(), QList<QByteArray>{});
    connectionWindow().findChild<QPushButton*>(QStringLiteral("Button3"))->click();
    QVERIFY(!fixture->link().ServerActive());
    QVERIFY(!fixture->link().ClientConnected());
    QTRY_VERIFY(raw.closedByProgram());
    QTRY_COMPARE(peer.socket->state(), QAbstractSocket::UnconnectedState);
    const int windows = fixture->gameWindows();
    fixture->form->FileNew1Execute();
    QCOMPARE(fixture->form->ActiveGameWindow()->windowTitle(), QStringLiteral("Game Board"));
    QCOMPARE(fixture->gameWindows(), windows + 1);
}

void ClientSideTest::closingEndsTheLink() {
    PeerServer peer;
    pressConnect(QStringLiteral("127.0.0.1"));
    QVERIFY(peer.accept());
    peer.server.close();
    fixture->listen();
    RawPeer raw(fixture->port);
    QTRY_COMPARE(fixture->link().ConnectionCount(), 1);
    fixture->form->close();
    QVERIFY(!fixture->link().ServerActive());
    QVERIFY(!fixture->link().ClientConnected());
    QTRY_VERIFY(raw.closedByProgram());
}

void ClientSideTest::linkWindows() {
    QList<QMdiSubWindow*> windows = fixture->form->Workspace()->subWindowList();
    QMdiSubWindow* connection = nullptr;
    QMdiSubWindow* console = nullptr;
    for (QMdiSubWindow* window : windows) {
        if (qobject_cast<TForm1*>(window->widget()))
            connection = window;
        if (qobject_cast<TForm2*>(window->widget()))
            console = window;
    }
    QVERIFY(connection && console);
    QCOMPARE(connection->windowTitle(), QStringLiteral("Connection"));
    QCOMPARE(connection->geometry(), QRect(744, 1, 280, 116));
    QCOMPARE(console->windowTitle(), QStringLiteral("Main Console"));
    QCOMPARE(console->geometry(), QRect(744, 118, 280, 524));
    for (const char* button : {"Button1", "Button2", "Button3"})
        QVERIFY(connection->widget()->findChild<QPushButton*>(button)->isVisible());
    auto* memo = qobject_cast<TForm2*>(console->widget())->Memo1();
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->objectName(), QStringLiteral("Memo1"));
    QVERIFY(!(memo->focusPolicy() & Qt::TabFocus));
    // The font really shown, not the one asked for.
    QVERIFY(QFontInfo(memo->font()).fixedPitch());
    QCOMPARE(memo->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(memo->palette().color(QPalette::Text), QColor(192, 192, 192));
    // The engine's message goes to the start-up console only, a failed Connect to all.
    fixture->form->MainConsole1Click();
    fixture->form->MainConsole1Click();
    QTRY_COMPARE(fixture->form->findChildren<TForm2*>().size(), 1);
    fixture->form->AddStartupConsoleLine(QStringLiteral("gone"));
    QCOMPARE(fixture->form->findChildren<TForm2*>()[0]->Memo1()->toPlainText(), QString());
    // Closing the Connection window leaves the link; a new one starts with an empty field.
    fixture->listen();
    connectionWindow().findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText("x");
    fixture->form->OpponentSeekingGames1Click();
    QTRY_VERIFY(!fixture->form->findChild<TForm1*>());
    QVERIFY(fixture->link().ServerActive());
    fixture->form->OpponentSeekingGames1Click();
    QCOMPARE(connectionWindow().findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QString());
}
