// The listening side of the link on real loopback sockets: peers are plain sockets that
// send exactly the bytes a test gives them.
#include "ServerSideTest.h"

#include "PeerFixture.h"
#include "PeerGameTable.h"
#include "app/OptionsMenu.h"
#include "peer/GameTermsDialog.h"
#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerWindowQuota.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<PeerFixture> fixture;

// A peer connected to the listening main window.
std::unique_ptr<RawPeer> connectPeer() {
    auto peer = std::make_unique<RawPeer>(fixture->port);
    if (!peer->connected())
        qFatal("cannot connect to the program");
    return peer;
}

// Runs `send` on a thread of its own while the program runs, until `arrived` holds after
// the sending ended; returns the largest growth of the program's resident memory meanwhile.
qint64 residentGrowthWhile(const std::function<void()>& send,
                           const std::function<bool()>& arrived) {
    const qint64 before = residentBytes();
    qint64 peak = before;
    std::atomic<bool> done = false;
    std::thread sender([&] {
        send();
        done = true;
    });
    while (!done || !arrived()) {
        QTest::qWait(5);
        peak = std::max(peak, residentBytes());
        if (QTest::currentTestFailed())
            break;
    }
    sender.join();
    qInfo("resident memory grew by %lld KiB during the flood", (peak - before) / 1024);
    return peak - before;
}

} // namespace

void ServerSideTest::init() {
    fixture = std::make_unique<PeerFixture>();
    fixture->start();
    fixture->listen();
}

void ServerSideTest::cleanup() {
    fixture.reset();
}

void ServerSideTest::wholeGameThroughTheWire() {
    auto peer = connectPeer();
    QTRY_COMPARE(fixture->link().ConnectionCount(), 1);
    TMDIChild* game = fixture->form->PeerGameWindow();
    QVERIFY(game);
    QCOMPARE(game->windowTitle(), QStringLiteral("Active Game"));
    // The peer plays White, sending letters in both cases; this side plays Black with the
    // mouse and promotes through the question. Both promotions capture; White castles long.
    const std::vector<std::pair<const char*, const char*>> moves = {
        {"a2a4", nullptr},  {nullptr, "b7b5"}, {"a4b5", nullptr}, {nullptr, "h7h6"},
        {"b5b6", nullptr},  {nullptr, "h6h5"}, {"b6c7", nullptr}, {nullptr, "h5h4"},
        {"c7d8n", nullptr}, {nullptr, "e8d8"}, {"e2e3", nullptr}, {nullptr, "h4h3"},
        {"b1c3", nullptr},  {nullptr, "h3g2"}, {"f1e2", nullptr}, {nullptr, "g2h1"},
        {"d2d4", nullptr},  {nullptr, "d8e8"}, {"d1d3", nullptr}, {nullptr, "e8d8"},
        {"c1d2", nullptr},  {nullptr, "d8e8"}, {"e1c1", nullptr}};
    QList<QByteArray> expectedSent;
    for (const auto& [white, black] : moves) {
        const int before = game->game().LivePosition();
        if (white) {
            QVERIFY(peer->send(QByteArray("/move ") + white + "\r\n"));
            QTRY_COMPARE(game->game().LivePosition(), before + 1);
            continue;
        }
        const std::string from(black, 2);
        const std::string to(black + 2, 2);
        std::unique_ptr<PromotionAnswer> bishop;
        if (to == "h1")
            bishop = std::make_unique<PromotionAnswer>("Button3");
        QVERIFY(dropMove(game, from.c_str(), to.c_str()));
        expectedSent << QByteArray("/move ") + black + (bishop ? "B" : "");
        QTRY_COMPARE(peer->lines(), expectedSent);
    }
    const std::vector<std::string> made = record(game);
    QCOMPARE(made.size(), moves.size());
    QCOMPARE(made[8], std::string("c7d8qN")); // the pawn takes the queen, a lower-case letter
    QCOMPARE(made[15], std::string("g2h1rB"));
    QCOMPARE(game->game().Model().At("h1").piece.kind, std::string("Bishop"));
    QCOMPARE(game->game().Model().At("c1").piece.kind, std::string("King"));
    QCOMPARE(game->game().Model().At("d1").piece.kind, std::string("Rook"));
    // Moves that came from the peer are not sent back.
    QCOMPARE(peer->lines().size(), qsizetype(11));
    // Beside the old lines the old copy got one line it drops: the hello, first of all.
    QCOMPARE(peer->extendedLines().size(), qsizetype(1));
    QVERIFY(peer->received().startsWith("/rv hello 1 " + fixture->form->PlayerName().toUtf8() +
                                        "\r\n"));
    QVERIFY(!consoleText(*fixture->form).contains("extended"));
}

void ServerSideTest::extendedHelloAndDroppedLines() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // Before the hello an extended message is dropped and logged; a malformed hello too.
    QVERIFY(peer->send("/rv resign\r\n/rv hello 1 \xff\r\n/rv hello 2 Anna Lee\r\n"
                       "/rv hello 1 Eve\r\n/rv move 1 e2e4 - x\r\n/move e2e4\r\n"
                       "/chat Client: end\r\n"));
    QTRY_COMPARE(chatLog(game), QStringList{"Client: end"});
    const QString console = consoleText(*fixture->form);
    QVERIFY2(console.contains("Anna Lee speaks the extended protocol, version 1."),
             qPrintable(console));
    QVERIFY(!console.contains("Eve"));
    QCOMPARE(console.count("Dropped a line from the peer: "), 4);
    QVERIFY(console.contains("a message before the hello"));
    QVERIFY(console.contains("hello: bad name"));
    QVERIFY(console.contains("a second hello"));
    QVERIFY(console.contains("move: bad position"));
    // The old lines around them are carried out as ever, and nothing is acted on in part.
    QCOMPARE(record(game), std::vector<std::string>{"e2e4"});
    QVERIFY(!game->game().Model().finished);
}

void ServerSideTest::enPassantAndPromotionLetters() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // En passant for both colours and castling on both wings, all from the peer; then a
    // lower-case and an upper-case letter, and a move with no letter, which asks.
    QByteArray lines;
    for (const char* move :
         {"e2e4", "g8f6", "e4e5", "d7d5", "e5d6", "c7d6", "g1f3", "h7h5", "f1e2", "h5h4",
          "g2g4", "h4g3", "e1g1", "b8c6", "d2d3", "c8e6", "b1c3", "d8d7", "c1e3", "e8c8"})
        lines += QByteArray("/move ") + move + "\r\n";
    QVERIFY(peer->send(lines));
    QTRY_COMPARE(game->game().LivePosition(), 20);
    QCOMPARE(game->game().Model().At("g1").piece.kind, std::string("King"));
    QCOMPARE(game->game().Model().At("c8").piece.kind, std::string("King"));
    QVERIFY(!game->game().Model().IsOccupied("e5"));
    QVERIFY(!game->game().Model().IsOccupied("g2"));
}

void ServerSideTest::promotionChoiceDoesNotStayBehind() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // A letter on a move that promotes nothing, and one on a refused move, must not
    // decide the later promotion: that one, sent without a letter, asks this side's user.
    QVERIFY(peer->send("/move a2a4r\r\n/move h7h6\r\n/move a4a5\r\n/move h6h5\r\n"
                       "/move a5a6\r\n/move h5h4\r\n/move a6b7\r\n/move h4h3\r\n"
                       "/move b7c9R\r\n/move b7a9b\r\n"));
    QTRY_COMPARE(game->game().LivePosition(), 8);
    QVERIFY(game->game().Model().promotionChoice.empty());
    // The lines after it wait until the question is answered, so they keep their order.
    QStringList chatWhileAsked{"not asked"};
    NextModal knight([&](QWidget* dialog) {
        QTest::qWait(300);
        chatWhileAsked = chatLog(game);
        dialog->findChild<QPushButton*>(QStringLiteral("Button4"))->click();
    });
    QVERIFY(peer->send("/move b7a8\r\n/chat Client: after\r\n/move h3g2\r\n"));
    QTRY_COMPARE(game->game().LivePosition(), 10);
    QCOMPARE(chatWhileAsked, QStringList());
    QCOMPARE(chatLog(game), QStringList{"Client: after"});
    QCOMPARE(game->game().Model().At("a8").piece.kind, std::string("Knight"));
    QCOMPARE(record(game)[8], std::string("b7a8rN"));
    QVERIFY(game->game().Model().promotionLetter.empty());
    QCOMPARE(peer->lines(), QList<QByteArray>()); // nothing is sent back
}

void ServerSideTest::termsAndNameRemembered() {
    TMainForm& form = *fixture->form;
    QCOMPARE(form.OfferedTerms(), GameTerms{});
    QVERIFY(!form.PlayerName().isEmpty());
    // A text the clock cannot read keeps the dialog open and says why; "3+2" and White close it.
    QString refusal;
    NextModal answer([&](QWidget* modal) {
        auto* dialog = qobject_cast<GameTermsDialog*>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Game Terms"));
        dialog->findChild<QRadioButton*>(QStringLiteral("WhiteColour"))->click();
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("TimeControlEdit"));
        QCOMPARE(field->accessibleName(), QStringLiteral("Time control"));
        field->setText(QStringLiteral("3+"));
        dialog->accept();
        QVERIFY(dialog->isVisible());
        refusal = dialog->findChild<QLabel*>(QStringLiteral("GameTermsReason"))->text();
        field->setText(QStringLiteral(" 3+2 "));
        dialog->accept();
    });
    form.GameTerms1Click();
    QVERIFY(answer.seen());
    QVERIFY(refusal.startsWith("Not a time control"));
    QCOMPARE(form.OfferedTerms(), (GameTerms{GameTerms::Colour::White, "3+2"}));
    NextModal name([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        QVERIFY(dialog);
        dialog->setTextValue(QStringLiteral("  Anna Lee "));
        dialog->accept();
    });
    form.PlayerName1Click();
    QCOMPARE(form.PlayerName(), QStringLiteral("Anna Lee"));
    // New keys of their own; the old keys keep their form.
    QFile file(fixture->path(QStringLiteral("Settings.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("TermsColour=White") && text.contains("TermsTimeControl=3+2") &&
                 text.contains("PlayerName=Anna Lee"),
             text.constData());
    // A new copy of the program reads them back.
    fixture->form.reset();
    fixture->start();
    QCOMPARE(fixture->form->OfferedTerms(), (GameTerms{GameTerms::Colour::White, "3+2"}));
    QCOMPARE(fixture->form->PlayerName(), QStringLiteral("Anna Lee"));
}

void ServerSideTest::termsAgreedWithANewCopy() {
    // This side waits with White and 3+2.
    fixture->form->Options()->WriteSetting("Peer", "TermsColour", "White");
    fixture->form->Options()->WriteSetting("Peer", "TermsTimeControl", "3+2");
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // An old copy gets no terms; a new one gets them after its hello.
    QTest::qWait(200);
    QCOMPARE(peer->extendedLines().size(), qsizetype(1));
    QVERIFY(peer->send("/rv hello 1 Bo\r\n"));
    QTRY_COMPARE(peer->extendedLines().size(), qsizetype(2));
    // The game's record names the peer from its hello on.
    QCOMPARE(game->PlayerNames(QStringLiteral("Me")),
             std::pair(QStringLiteral("Me"), QStringLiteral("Bo")));
    const ExtendedReading terms = readExtendedLine(peer->extendedLines()[1]);
    QVERIFY(terms.message && terms.message->kind == ExtendedKind::Terms);
    QCOMPARE(terms.message->colour, PeerColour::White);
    QCOMPARE(terms.message->timeControl, QStringLiteral("3+2"));
    // An answer to another offer is no answer to this one.
    QVERIFY(peer->send("/rv accept ffffffffffffffff\r\n/chat Client: x\r\n"));
    QTRY_COMPARE(chatLog(game).size(), qsizetype(1));
    QVERIFY(!game->PeerColour());
    QVERIFY(peer->send("/rv accept " + terms.message->game + "\r\n"));
    QTRY_VERIFY(game->PeerColour());
    QCOMPARE(*game->PeerColour(), std::uint8_t(1));
    QVERIFY(game->CurrentTimeControl());
    QCOMPARE(game->CurrentTimeControl()->Text(), std::string("3+2"));
    QCOMPARE(game->findChild<QLabel*>(QStringLiteral("White"))->text(),
             "White: " + fixture->form->PlayerName());
    QCOMPARE(game->findChild<QLabel*>(QStringLiteral("Black"))->text(),
             QStringLiteral("Black: Bo"));
    auto square = [game](const char* name) {
        return game->findChild<QLabel*>(QString::fromLatin1(name));
    };
    QVERIFY(square("a8")->y() < square("a1")->y()); // seen from White's side
    // The peer may not move White, nor move by an old line: each is refused and logged,
    // the board unchanged.
    QVERIFY(peer->send("/rv move 1 e2e4 - rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq "
                       "e3 0 1\r\n/move e2e4\r\n/chat Client: y\r\n"));
    QTRY_COMPARE(chatLog(game).size(), qsizetype(2));
    QCOMPARE(game->game().LivePosition(), 0);
    QVERIFY(consoleText(*fixture->form)
                .contains("Refused the peer's move e2e4: it is not the peer's turn."));
    QVERIFY(consoleText(*fixture->form)
                .contains("Refused the peer's move e2e4: this game takes numbered moves only."));
    // This side moves White, and cannot pick up Black's pieces even on Black's turn.
    QVERIFY(dropMove(game, "e2", "e4"));
    // The clocked game's pings to measure the link go between; they are not the game's.
    QTRY_COMPARE(gameLines(*peer).size(), qsizetype(1));
    QVERIFY(gameLines(*peer)[0].startsWith("/rv move 1 e2e4 "));
    game->xyMouseDown(square("e7"), Qt::LeftButton);
    QVERIFY(game->game().Model().dragSource != "e7");
    QVERIFY(peer->send("/rv move 2 e7e5 - rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w "
                       "KQkq e6 0 2\r\n"));
    QTRY_COMPARE(game->game().LivePosition(), 2);
}

void ServerSideTest::malformedLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("newWindows");
    QTest::addColumn<QString>("chat"); // the peer window's chat log afterwards
    QTest::newRow("empty") << QByteArray("\r\n") << 0 << "";
    QTest::newRow("/mov") << QByteArray("/mov e2e4\r\n") << 0 << "";
    QTest::newRow("/move ") << QByteArray("/move \r\n") << 0 << "";
    QTest::newRow("/move e") << QByteArray("/move e\r\n") << 0 << "";
    QTest::newRow("/move e2e") << QByteArray("/move e2e\n") << 0 << "";
    QTest::newRow("/move e2e9") << QByteArray("/move e2e9Q\r\n") << 0 << "";
    QTest::newRow("/move e2e5") << QByteArray("/move e2e5\r\n") << 0 << "";
    QTest::newRow("black first") << QByteArray("/move e7e5\r\n") << 0 << "";
    QTest::newRow("/chatter") << QByteArray("/chatter\r\n") << 0 << "er";
    QTest::newRow("/newgame") << QByteArray("/newgame\r\n") << 1 << "";
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe/move\x00\x01\x02\x03\x04\x05\r\n", 16) << 0
                            << "";
    QTest::newRow("markup") << QByteArray("/chat Client: <img src=x><b>hi</b>\r\n") << 0
                            << "Client: <img src=x><b>hi</b>";
    QTest::newRow("carriage return inside")
        << QByteArray("/chat Client: a\rServer: b\r\n") << 0
        << QStringLiteral("Client: a%1Server: b").arg(QString(QChar::ReplacementCharacter));
}

void ServerSideTest::malformedLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, newWindows);
    QFETCH(QString, chat);
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    const int windows = fixture->gameWindows();
    QVERIFY(peer->send(bytes + "/chat Client: end\r\n"));
    // The line after the odd one arrives: the odd one has been dealt with.
    QTRY_VERIFY(!fixture->form->PeerGameWindow() ||
                chatLog(fixture->form->PeerGameWindow()).contains("Client: end"));
    QCOMPARE(fixture->gameWindows(), windows + newWindows);
    QCOMPARE(game->game().LivePosition(), 0);
    QCOMPARE(game->game().Model().sideMarker, std::uint8_t(0));
    QVERIFY(game->game().Model().promotionChoice.empty());
    QStringList expected;
    if (!chat.isEmpty())
        expected << chat;
    if (!newWindows)
        expected << "Client: end";
    QCOMPARE(chatLog(game), expected);
    QCOMPARE(fixture->link().ConnectionCount(), 1);
}

void ServerSideTest::floodWithoutLineFeed() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    const qint64 growth = residentGrowthWhile(
        [&] {
            const QByteArray chunk(1024 * 1024, 'x');
            for (int i = 0; i < 100; ++i)
                peer->send(chunk);
            peer->send("\r\n/chat Client: after\r\n");
        },
        [&] { return chatLog(game).contains("Client: after"); });
    QVERIFY2(growth < 48 * 1024 * 1024, "the flood was held in memory");
    QCOMPARE(chatLog(game), QStringList{"Client: after"});
    QCOMPARE(fixture->link().ConnectionCount(), 1);
}

void ServerSideTest::burstArrivesCompleteInOrder() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    QByteArray burst;
    QStringList expected;
    for (int i = 0; i < 10000; ++i) {
        burst += "/chat Client: " + QByteArray::number(i) + "\r\n";
        expected << QStringLiteral("Client: %1").arg(i);
    }
    std::thread sender([&] { peer->send(burst); });
    QTRY_VERIFY_WITH_TIMEOUT(chatLog(game).endsWith(QStringLiteral("Client: 9999")), 30000);
    sender.join();
    // The log keeps the newest lines, in the order they came.
    QCOMPARE(chatLog(game), expected.mid(expected.size() - TMDIChild::kChatLinesKept));
}

void ServerSideTest::floodOfLongChatLines() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    const qint64 growth = residentGrowthWhile(
        [&] {
            for (int i = 0; i < 1000; ++i)
                peer->send("/chat Client: " + QByteArray::number(i) + QByteArray(60 * 1024, 'x') +
                           "\r\n");
            peer->send("/chat Client: after\r\n");
        },
        [&] { return chatLog(game).endsWith(QStringLiteral("Client: after")); });
    QVERIFY2(growth < 48 * 1024 * 1024, "the long lines were all kept and laid out");
    const QStringList log = chatLog(game);
    QCOMPARE(log.size(), 1001);
    const QString shown = QStringLiteral("Client: 999") +
                          QString(TMDIChild::kChatLineShown - 11, QLatin1Char('x')) +
                          QStringLiteral("…");
    QCOMPARE(log.at(999), shown);
}

void ServerSideTest::connectingInALoopOpensBoundedWindows() {
    const int windows = fixture->gameWindows();
    for (int i = 0; i < 200; ++i) {
        RawPeer peer(fixture->port);
        QVERIFY(peer.connected());
        QTRY_COMPARE(fixture->link().ConnectionCount(), 1);
        peer.reset();
        QTRY_COMPARE(fixture->link().ConnectionCount(), 0);
    }
    QCOMPARE(fixture->gameWindows(), windows + PeerWindowQuota::kMaxWindows);
    TForm2* console = fixture->form->findChild<TForm2*>();
    QVERIFY(console);
    QCOMPARE(console->Memo1()->toPlainText().count(QStringLiteral("too many game windows")), 1);
    // Closing the windows does not renew the quota before its span has passed.
    for (TMDIChild* game : fixture->form->GameWindows()) {
        if (game->windowTitle() == QStringLiteral("Active Game"))
            game->parentWidget()->close();
    }
    QTRY_COMPARE(fixture->gameWindows(), windows);
    RawPeer late(fixture->port);
    QTRY_COMPARE(fixture->link().ConnectionCount(), 1);
    QTest::qWait(200);
    QCOMPARE(fixture->gameWindows(), windows);
}

void ServerSideTest::connectionsAreLimited() {
    const int windows = fixture->gameWindows();
    std::vector<std::unique_ptr<RawPeer>> peers;
    for (int i = 0; i < 100; ++i) {
        peers.push_back(std::make_unique<RawPeer>(fixture->port));
        QCoreApplication::processEvents();
    }
    // Every peer beyond the limit is closed by the program, without a window.
    QTRY_VERIFY_WITH_TIMEOUT(std::count_if(peers.begin(), peers.end(),
                                           [](auto& p) { return p->closedByProgram(); }) == 84,
                             30000);
    QCOMPARE(fixture->link().ConnectionCount(), PeerLink::kMaxConnections);
    QCOMPARE(fixture->gameWindows(), windows + PeerLink::kMaxConnections);
    // The link still serves the peers it kept.
    fixture->form->SendToPeer(newGameLine());
    for (auto& p : peers) {
        if (!p->closedByProgram())
            QTRY_COMPARE(p->lines(), QList<QByteArray>{"/new"});
    }
    // A place freed is taken by the next peer.
    peers.erase(
        std::find_if(peers.begin(), peers.end(), [](auto& p) { return !p->closedByProgram(); }));
    QTRY_COMPARE(fixture->link().ConnectionCount(), PeerLink::kMaxConnections - 1);
    RawPeer late(fixture->port);
    QTRY_COMPARE(fixture->link().ConnectionCount(), PeerLink::kMaxConnections);
    QVERIFY(!late.closedByProgram());
}

void ServerSideTest::newGamesAreLimited() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    QByteArray lines;
    for (int i = 0; i < 100; ++i)
        lines += "/new\r\n";
    QVERIFY(peer->send(lines + "/chat Client: still here\r\n"));
    QTRY_VERIFY_WITH_TIMEOUT(
        chatLog(fixture->form->PeerGameWindow()).contains("Client: still here"), 60000);
    // The start-up "Game Board" and 64 peer games.
    QCOMPARE(fixture->gameWindows(), 65);
}

void ServerSideTest::writeToBrokenConnection() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    // The peer breaks off; the program writes before it has seen that.
    peer->reset();
    QTest::qSleep(100);
    QString text;
    int boxes = 0;
    NextModal modal([&](QWidget* box) {
        ++boxes;
        NextModal::recordMessage(text)(box);
    });
    QVERIFY(dropMove(game, "e2", "e4"));
    QTRY_VERIFY(modal.seen());
    QCOMPARE(text, QStringLiteral("The remote host closed the connection"));
    // The move stays made; later sends go nowhere and show nothing more.
    QCOMPARE(record(game), std::vector<std::string>{"e2e4"});
    QTRY_COMPARE(fixture->link().ConnectionCount(), 0);
    NextModal second([&](QWidget* box) {
        ++boxes;
        box->close();
    });
    QVERIFY(dropMove(game, "e7", "e5"));
    QTest::qWait(200);
    QCOMPARE(boxes, 1);
}

void ServerSideTest::peerLeavesSilently() {
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    TMDIChild* game = fixture->form->PeerGameWindow();
    QVERIFY(peer->send("/move e2e4\r\n"));
    QTRY_COMPARE(game->game().LivePosition(), 1);
    peer.reset();
    QTRY_COMPARE(fixture->link().ConnectionCount(), 0);
    // The game stays; what is sent now reaches nobody, and no message appears.
    NextModal none([](QWidget* box) { box->close(); });
    QVERIFY(dropMove(game, "e7", "e5"));
    QTest::qWait(100);
    QVERIFY(!none.seen());
    QCOMPARE(record(game), (std::vector<std::string>{"e2e4", "e7e5"}));
    QVERIFY(fixture->link().ServerActive());
}

void ServerSideTest::sendingAndChat() {
    TMDIChild* board = fixture->form->GameWindows().back(); // "Game Board" from start-up
    auto first = connectPeer();
    auto second = connectPeer();
    QTRY_COMPARE(fixture->link().ConnectionCount(), 2);
    std::vector<TMDIChild*> games = fixture->form->GameWindows();
    TMDIChild* newer = games[0];
    TMDIChild* older = games[1];
    // Moves from either peer reach the window activated last.
    fixture->form->Workspace()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow*>(older->parentWidget()));
    QVERIFY(second->send("/move e2e4\r\n"));
    QTRY_COMPARE(older->game().LivePosition(), 1);
    QVERIFY(first->send("/move e7e5\r\n/chat Client: one\r\n"));
    QTRY_COMPARE(older->game().LivePosition(), 2);
    QTRY_COMPARE(chatLog(older), QStringList{"Client: one"});
    QCOMPARE(newer->game().LivePosition(), 0);
    // A Main Console that is active is not a game window and is skipped.
    fixture->form->MainConsole1Click();
    fixture->form->MainConsole1Click();
    QVERIFY(first->send("/move g1f3\r\n"));
    QTRY_COMPARE(older->game().LivePosition(), 3);
    // Our mouse moves and chat go to both peers, in the order of the connections.
    QVERIFY(dropMove(older, "b8", "c6"));
    auto* edit = board->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    edit->setText(QStringLiteral("h\u00e9llo <b>"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(chatLog(board), QStringList{QStringLiteral("Server: h\u00e9llo <b>")});
    // The empty chat line sends the tag alone.
    QTest::keyClick(edit, Qt::Key_Enter);
    const QList<QByteArray> sent = {"/move b8c6", "/chat Server: h\xc3\xa9llo <b>",
                                    "/chat Server: "};
    QTRY_COMPARE(first->lines(), sent);
    QTRY_COMPARE(second->lines(), sent);
    // A move in a window that is not in the peer game goes nowhere.
    QVERIFY(dropMove(board, "d2", "d4"));
    QTest::qWait(100);
    QCOMPARE(first->lines(), sent);
    // New Game while serving: a new "Active Game" here and "/new" to each peer.
    fixture->form->FileNew1Execute();
    QCOMPARE(fixture->form->PeerGameWindow(), fixture->form->ActiveGameWindow());
    QTRY_COMPARE(first->lines().size(), sent.size() + 1);
    QCOMPARE(first->lines().last(), QByteArray("/new"));
    // "/new" from a peer: a newer "Active Game", which takes the next move.
    QVERIFY(second->send("/new\r\n/move d2d4\r\n"));
    QTRY_COMPARE(fixture->form->PeerGameWindow()->game().LivePosition(), 1);
    QCOMPARE(fixture->gameWindows(), 5);
}

void ServerSideTest::noPeerYet() {
    // Listening without a peer: New Game makes "Active Game" windows, whose moves are
    // made here and sent nowhere.
    fixture->form->FileNew1Execute();
    TMDIChild* game = fixture->form->ActiveGameWindow();
    QCOMPARE(game->windowTitle(), QStringLiteral("Active Game"));
    QVERIFY(dropMove(game, "e2", "e4"));
    // Wait for Connection again changes nothing.
    QString error;
    QVERIFY(fixture->link().Listen(error));
    QVERIFY(fixture->link().ServerActive());
    QCOMPARE(fixture->link().ConnectionCount(), 0);
    // A move line with no "Active Game" window open is dropped.
    game->parentWidget()->close();
    QTRY_VERIFY(!fixture->form->PeerGameWindow());
    auto peer = connectPeer();
    QTRY_VERIFY(fixture->form->PeerGameWindow());
    fixture->form->PeerGameWindow()->parentWidget()->close();
    QTRY_VERIFY(!fixture->form->PeerGameWindow());
    QVERIFY(peer->send("/move e2e4\r\n/chat Client: lost\r\n"));
    QTest::qWait(100);
    for (TMDIChild* window : fixture->form->GameWindows())
        QCOMPARE(window->game().LivePosition(), 0);
}

void ServerSideTest::portInUse() {
    // Another listener holds the port: Wait for Connection says why and stays inactive.
    fixture->link().StopServer();
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::Any, fixture->port));
    QString text;
    NextModal modal(NextModal::recordMessage(text));
    fixture->form->findChild<TForm1*>()
        ->findChild<QPushButton*>(QStringLiteral("Button1"))
        ->click();
    QVERIFY(modal.seen());
    QCOMPARE(text, QStringLiteral("The bound address is already in use"));
    QVERIFY(!fixture->link().ServerActive());
}
