// A game window with the scripted engine attached: what it sends, what it makes of the
// replies, the Engine items, the colour question, failures and the end of the engine.
#include "ScriptedEngine.h"
#include "WindowSupport.h"

#include "board/Promotion.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int kWait = 15000; // a reply takes up to one poll; generous for a busy machine

// A white pawn on a7 that can take the knight on b8; White to move.
const std::vector<std::string> kPawnOnA7 = {"a2a4", "b7b5", "a4b5", "a7a6",
                                            "b5a6", "h7h6", "a6a7", "h6h5"};

QString lastRecordLine(const TMDIChild& window) {
    const auto& record = window.game().Model().moveRecord;
    return record.empty() ? QString() : QString::fromStdString(record.back());
}

QString pieceOn(const TMDIChild& window, const char* square) {
    const TPiece& piece = window.game().Model().At(square).piece;
    return QString::fromStdString((piece.white ? "white " : "black ") + piece.kind);
}

QAction* item(const TMDIChild& window, const char* name) {
    return window.findChild<QAction*>(name);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void dialogueBytes();
    void repliesMade_data();
    void repliesMade();
    void refusedRepliesDropped();
    void pollStopsDuringItsTick();
    void finishedGameTakesNoEngineMove();
    void engineExitClosesLink();
    void computeTwice();
    void playingBlack();
    void speedAndEngineItemWithoutEngine();
    void startFailureLeavesOrdinaryGame();
    void engineGetsMoveBeforePeer();
    void writeFailureShown();
    void resignationAndDrawOffer_data();
    void resignationAndDrawOffer();
    void courtesiesAgainstTheEngine_data();
    void courtesiesAgainstTheEngine();
    void clockedGameTellsTheEngine();
};

void WindowTest::dialogueBytes() {
    ScriptedEngine engine({"await a7b8n\\n", "say move h5h4\\n"});
    auto* window = new TMDIChild;
    window->show();
    Play(*window, kPawnOnA7);
    StartScripted(*window, true);
    QVERIFY(window->EngineAttached());
    const qint64 pid = window->EngineProcessId();
    QVERIFY(window->findChild<QTimer*>("Timer1")->isActive());
    window->Button3Click();
    QVERIFY(item(*window, "Engine1")->isEnabled());
    window->findChild<QMenu*>("PopupAction")->close();

    PromotionAnswerer knight(
        [](QDialog& form) { form.findChild<QPushButton*>("Button4")->click(); });
    QVERIFY(DragAndDrop(*window, "a7", "b8"));
    QTRY_COMPARE_WITH_TIMEOUT(lastRecordLine(*window), QString("h5h4"), kWait);
    // Black's pawn may not be picked up while the engine plays Black.
    window->game().Model().dragSource.clear();
    window->xyMouseDown(window->findChild<QLabel*>("g7"), Qt::LeftButton);
    QVERIFY(window->game().Model().dragSource.empty());

    item(*window, "Slow1")->trigger();
    QVERIFY(item(*window, "Slow1")->isChecked());
    QVERIFY(!item(*window, "Fast1")->isChecked());
    item(*window, "Medium1")->trigger();
    item(*window, "Fast1")->trigger();
    QVERIFY(item(*window, "Fast1")->isChecked());
    item(*window, "Compute1")->trigger();
    const QByteArray dialogue = "xboard\nnew\nst 1\na7b8n\nst 15\nst 8\nst 1\ngo\n";
    QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), dialogue, kWait);

    // Closing the window ends its engine: quit, and gone without a zombie.
    QVERIFY(window->close());
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessExists(pid), kWait);
    QCOMPARE(engine.Received(), dialogue + "quit\n");
}

void WindowTest::repliesMade_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("square");
    QTest::addColumn<QString>("piece");
    const QStringList italian = {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5"};
    const QStringList queens = {"d2d4", "d7d5", "b1c3", "b8c6", "c1f4", "c8f5", "d1d2", "d8d7"};
    QStringList pawnOnA7;
    for (const std::string& move : kPawnOnA7)
        pawnOnA7 << QString::fromStdString(move);
    QTest::newRow("O-O, Black to move")
        << (italian + QStringList{"d2d3"}) << QStringList{"say move O-O\\n"} << "e8g8c"
        << "g8"
        << "black King";
    QTest::newRow("O-O, White to move") << italian << QStringList{"say move O-O\\n"} << "e1g1c"
                                        << "f1"
                                        << "white Rook";
    QTest::newRow("O-O-O, White to move") << queens << QStringList{"say move O-O-O\\n"} << "e1c1C"
                                          << "c1"
                                          << "white King";
    QTest::newRow("O-O-O, Black to move")
        << (queens + QStringList{"a2a3"}) << QStringList{"say move O-O-O\\n"} << "e8c8C"
        << "d8"
        << "black Rook";
    QTest::newRow("e7e8q style") << pawnOnA7 << QStringList{"say move a7b8q\\n"} << "a7b8nQ"
                                 << "b8"
                                 << "white Queen";
    QTest::newRow("e7e8N style") << pawnOnA7 << QStringList{"say move a7b8N\\n"} << "a7b8nN"
                                 << "b8"
                                 << "white Knight";
    QTest::newRow("split across two ticks")
        << QStringList{} << QStringList{"say mo", "sleep 1500", "say ve e2e4\\n"} << "e2e4"
        << "e4"
        << "white Pawn";
    QTest::newRow("greeting and thinking first")
        << QStringList{}
        << QStringList{"say Hello, I am an engine\\n", "say 4 +20 10 999 e2e4 e7e5\\n",
                       "sleep 1200", "say move d2d4\\n"}
        << "d2d4"
        << "d4"
        << "white Pawn";
}

void WindowTest::repliesMade() {
    QFETCH(QStringList, setup);
    QFETCH(QStringList, script);
    QFETCH(QString, record);
    QFETCH(QString, square);
    QFETCH(QString, piece);
    ScriptedEngine engine(QStringList{"await st 1\\n"} + script);
    TMDIChild window;
    window.show();
    std::vector<std::string> moves;
    for (const QString& move : setup)
        moves.push_back(move.toStdString());
    Play(window, moves);
    bool asked = false;
    PromotionAnswerer refuse([&](QDialog& form) {
        asked = true;
        form.reject();
    });
    StartScripted(window, true);
    QTRY_COMPARE_WITH_TIMEOUT(window.game().LivePosition(), setup.size() + 1, kWait);
    QCOMPARE(lastRecordLine(window), record);
    QCOMPARE(pieceOn(window, square.toLatin1()), piece);
    QVERIFY2(!asked, "the engine's promotion asked the user");
    QVERIFY(window.game().Model().promotionLetter.empty());
}

void WindowTest::refusedRepliesDropped() {
    ScriptedEngine engine({"await st 1\\n", "say move e2e5\\n", "sleep 1200", "say move h2h1q\\n",
                           "sleep 1200", "say move z9a1\\nmove\\n", "await a7b8r\\n",
                           "say move O-O\\n"});
    TMDIChild window;
    window.show();
    Play(window, kPawnOnA7);
    StartScripted(window, true);
    QTest::qWait(3800);
    QCOMPARE(window.game().LivePosition(), 8);
    QVERIFY(window.game().Model().promotionChoice.empty());
    // No choice of the refused "h2h1q" is left behind: the user's promotion asks.
    bool asked = false;
    PromotionAnswerer rook([&](QDialog& form) {
        asked = true;
        form.findChild<QPushButton*>("Button2")->click();
    });
    QVERIFY(DragAndDrop(window, "a7", "b8"));
    QVERIFY(asked);
    QCOMPARE(lastRecordLine(window), QString("a7b8nR"));
    // Castling that the position does not allow is refused too.
    QTRY_VERIFY_WITH_TIMEOUT(engine.Received().endsWith("a7b8r\n"), kWait);
    QTest::qWait(1500);
    QCOMPARE(window.game().LivePosition(), 9);
}

void WindowTest::pollStopsDuringItsTick() {
    // A reply without its promotion letter asks the user, inside the tick; the next reply
    // arrives after that tick began (a tick is at most a second away) and before the answer,
    // and waits for the tick to end.
    ScriptedEngine engine({"await st 1\\n", "say move a7b8\\n", "sleep 1500", "say move h5h4\\n"});
    TMDIChild window;
    window.show();
    Play(window, kPawnOnA7);
    bool pollStopped = false;
    int pliesWhileAsked = -1;
    PromotionAnswerer bishop([&](QDialog& form) {
        QTest::qWait(3000);
        pollStopped = !window.findChild<QTimer*>("Timer1")->isActive();
        pliesWhileAsked = window.game().LivePosition();
        form.findChild<QPushButton*>("Button3")->click();
    });
    StartScripted(window, true);
    QTRY_COMPARE_WITH_TIMEOUT(window.game().LivePosition(), 10, kWait);
    QVERIFY(pollStopped);
    QCOMPARE(pliesWhileAsked, 8);
    QCOMPARE(QString::fromStdString(window.game().Model().moveRecord[8]), QString("a7b8nB"));
    QCOMPARE(lastRecordLine(window), QString("h5h4"));
}

void WindowTest::finishedGameTakesNoEngineMove() {
    ScriptedEngine engine({"await st 1\\n", "say move d8h4\\n", "sleep 1200", "say move a2a3\\n"});
    TMDIChild window;
    Play(window, {"f2f3", "e7e5", "g2g4"});
    StartScripted(window, true);
    QTRY_COMPARE_WITH_TIMEOUT(window.game().LivePosition(), 4, kWait);
    QVERIFY(window.game().Model().finished);
    QTest::qWait(2500);
    QCOMPARE(window.game().LivePosition(), 4);
}

void WindowTest::engineExitClosesLink() {
    ScriptedEngine engine({"await st 1\\n", "say move e2e4\\n", "exit"});
    TMDIChild window;
    StartScripted(window, true);
    const qint64 pid = window.EngineProcessId();
    // What it said before it ended is still made; the next tick closes the link.
    QTRY_VERIFY_WITH_TIMEOUT(!window.EngineAttached(), kWait);
    QCOMPARE(lastRecordLine(window), QString("e2e4"));
    QVERIFY(!ProcessExists(pid));
    QVERIFY(!window.findChild<QTimer*>("Timer1")->isActive());
    window.Button3Click();
    QVERIFY(!item(window, "Engine1")->isEnabled());
    window.findChild<QMenu*>("PopupAction")->close();
    // An ordinary game now: the engine's colour may be moved.
    QVERIFY(DragAndDrop(window, "e7", "e5"));
}

void WindowTest::computeTwice() {
    ScriptedEngine engine({});
    TMDIChild window;
    StartScripted(window, true);
    item(window, "Compute1")->trigger();
    QCOMPARE(window.game().Model().engineColour, std::uint8_t(1));
    // White is the engine's now: its pawn stays where it is.
    window.xyMouseDown(window.findChild<QLabel*>("e2"), Qt::LeftButton);
    QVERIFY(window.game().Model().dragSource.empty());
    window.Compute1Click();
    QCOMPARE(window.game().Model().engineColour, std::uint8_t(0));
    QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), QByteArray("xboard\nnew\nst 1\ngo\ngo\n"), kWait);
    window.xyMouseDown(window.findChild<QLabel*>("e2"), Qt::LeftButton);
    QCOMPARE(window.game().Model().dragSource, std::string("e2"));
}

void WindowTest::playingBlack() {
    ScriptedEngine engine({"await go\\n", "say move e2e4\\n", "await e7e5\\n", "say move g1f3\\n"});
    TMDIChild window;
    window.show();
    StartScripted(window, false);
    // Black at the bottom: a8 sits where h1 sits normally.
    QCOMPARE(window.findChild<QLabel*>("a8")->pos(), QPoint(443, 420));
    QCOMPARE(window.game().Model().engineColour, std::uint8_t(1));
    QTRY_COMPARE_WITH_TIMEOUT(lastRecordLine(window), QString("e2e4"), kWait);
    QVERIFY(DragAndDrop(window, "e7", "e5"));
    QTRY_COMPARE_WITH_TIMEOUT(lastRecordLine(window), QString("g1f3"), kWait);
    QCOMPARE(engine.Received(), QByteArray("xboard\nnew\nst 1\ngo\ne7e5\n"));
}

void WindowTest::speedAndEngineItemWithoutEngine() {
    TMDIChild window;
    window.Button3Click();
    QVERIFY(!item(window, "Engine1")->isEnabled());
    window.findChild<QMenu*>("PopupAction")->close();
    item(window, "Slow1")->trigger();
    QVERIFY(item(window, "Fast1")->isChecked());
    QVERIFY(!item(window, "Slow1")->isChecked());
    window.Compute1Click();
    QCOMPARE(window.game().Model().engineColour, std::uint8_t(0));
}

void WindowTest::startFailureLeavesOrdinaryGame() {
    TMDIChild window;
    BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok});
    window.StartEngine(QStringLiteral("/nonexistent/folder/engine"));
    QTest::qWait(100);
    QCOMPARE(boxes.seen.size(), 1); // the error; no colour question
    QVERIFY2(boxes.seen.front().contains("No such file"), qPrintable(boxes.seen.front()));
    QVERIFY(!window.EngineAttached());
    QVERIFY(!window.findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(DragAndDrop(window, "e2", "e4"));
    QVERIFY(DragAndDrop(window, "e7", "e5"));
}

void WindowTest::engineGetsMoveBeforePeer() {
    ScriptedEngine engine({});
    TMDIChild window;
    StartScripted(window, true);
    bool engineFirst = false;
    QObject::connect(&window, &TMDIChild::userMoved, [&] {
        engineFirst = QTest::qWaitFor([&] { return engine.Received().endsWith("e2e4\n"); }, kWait);
    });
    QVERIFY(DragAndDrop(window, "e2", "e4"));
    QVERIFY(engineFirst);
}

void WindowTest::writeFailureShown() {
    // The engine reads the opening before it closes its input, so that only the move's
    // write can fail, not the opening's (which would raise the box during the colour question).
    ScriptedEngine engine({"sleep 300", "closein", "sleep 20000"});
    TMDIChild window;
    StartScripted(window, true);
    QTest::qWait(1000);
    BoxAnswerer boxes({QMessageBox::Ok});
    QVERIFY(DragAndDrop(window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1, kWait);
    qInfo() << boxes.seen;
    QVERIFY(window.EngineAttached()); // the command is lost, the link stays
}

void WindowTest::resignationAndDrawOffer_data() {
    QTest::addColumn<QString>("said");
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<QString>("title"); // empty: the game goes on
    using B = QMessageBox::StandardButton;
    QTest::newRow("resign") << "resign" << QList<B>{} << " - (White Wins)";
    QTest::newRow("draw accepted") << "offer draw" << QList<B>{B::Yes} << " - (Draw)";
    QTest::newRow("draw declined") << "offer draw" << QList<B>{B::No} << "";
    QTest::newRow("wrong claim") << "1-0 {White mates}" << QList<B>{} << "";
}

void WindowTest::resignationAndDrawOffer() {
    QFETCH(QString, said);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(QString, title);
    ScriptedEngine engine(
        {"await e2e4\\n", "say " + said + "\\n", "sleep 300", "say move e7e5\\n"});
    auto* window = new TMDIChild;
    window->setWindowTitle("scripted");
    window->show();
    StartScripted(*window, true);
    BoxAnswerer boxes(answers);
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    if (title.isEmpty()) {
        // The game goes on: the engine's move is made.
        QTRY_COMPARE_WITH_TIMEOUT(window->game().LivePosition(), 2, kWait);
        QVERIFY(!window->game().Model().finished);
        QCOMPARE(window->windowTitle(), QStringLiteral("scripted"));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), "scripted" + title, kWait);
        QVERIFY(window->game().Model().finished);
        QTest::qWait(1500); // the move after it is not made in a finished game
        QCOMPARE(window->game().LivePosition(), 1);
    }
    QCOMPARE(boxes.seen.size(), answers.size());
    delete window;
}

void WindowTest::courtesiesAgainstTheEngine_data() {
    QTest::addColumn<QString>("command"); // the Menu item the user picks after 1. e4 e5
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("title");       // what the title gains
    QTest::addColumn<int>("live");            // half-moves left
    QTest::addColumn<QByteArray>("received"); // what the engine gets after "e2e4\n"
    const QString opening = "await e2e4\\n";
    const QString reply = "say move e7e5\\n";
    QTest::newRow("take back, remove known")
        << "TakeBack1" << QStringList{opening, reply} << "" << 0 << QByteArray("remove\n");
    QTest::newRow("take back, remove unknown")
        << "TakeBack1"
        << QStringList{opening, reply, "await remove\\n", "say Error (unknown command): remove\\n"}
        << "" << 0 << QByteArray("remove\nforce\nundo\nundo\n");
    QTest::newRow("resign") << "Resign1" << QStringList{opening, reply} << " - (Black Wins)" << 2
                            << QByteArray("result 0-1 {Black wins}\n");
    QTest::newRow("draw offer accepted")
        << "OfferDraw1" << QStringList{opening, reply, "await draw\\n", "say offer draw\\n"}
        << " - (Draw)" << 2 << QByteArray("draw\nresult 1/2-1/2 {Draw}\n");
    QTest::newRow("draw offer unanswered")
        << "OfferDraw1" << QStringList{opening, reply} << "" << 2 << QByteArray("draw\n");
}

void WindowTest::courtesiesAgainstTheEngine() {
    QFETCH(QString, command);
    QFETCH(QStringList, script);
    QFETCH(QString, title);
    QFETCH(int, live);
    QFETCH(QByteArray, received);
    ScriptedEngine engine(script);
    auto* window = new TMDIChild;
    window->setWindowTitle("scripted");
    window->show();
    StartScripted(*window, true);
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(window->game().LivePosition(), 2, kWait);
    window->Button3Click();
    QAction* chosen = item(*window, command.toLatin1().constData());
    QVERIFY(chosen->isEnabled());
    window->findChild<QMenu*>("PopupAction")->close();
    chosen->trigger();
    const QByteArray opening = "xboard\nnew\nst 1\ne2e4\n";
    QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), opening + received, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), "scripted" + title, kWait);
    QCOMPARE(window->game().LivePosition(), live);
    QCOMPARE(window->game().Model().finished != 0, !title.isEmpty());
    if (live == 0) {
        // The user is to move again, and the engine hears the new move.
        QVERIFY(DragAndDrop(*window, "d2", "d4"));
        const QByteArray next = received.contains("undo") ? "d2d4\ngo\n" : "d2d4\n";
        QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), opening + received + next, kWait);
    }
    delete window;
}

void WindowTest::clockedGameTellsTheEngine() {
    ScriptedEngine engine(
        {"await e2e4\\n", "say move e7e5\\n", "await d2d4\\n", "say move d7d5\\n"});
    TMDIChild window;
    window.show();
    StartScripted(window, true);
    window.SetTimeControl(ParseTimeControl("1+0").control);
    QVERIFY(DragAndDrop(window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(window.game().LivePosition(), 2, kWait);
    QVERIFY(DragAndDrop(window, "d2", "d4"));
    QTRY_COMPARE_WITH_TIMEOUT(window.game().LivePosition(), 4, kWait);
    // The engine's time runs after its untimed first move, and it is told so.
    const QList<QByteArray> lines = engine.Received().split('\n');
    QCOMPARE(lines.mid(0, 9),
             (QList<QByteArray>{"xboard", "new", "st 1", "protover 2", "level 0 1 0", "time 6000",
                                "otim 6000", "e2e4", lines[8]}));
    QVERIFY(lines[8].startsWith("time "));
    QVERIFY(lines[9].startsWith("otim "));
    QVERIFY(lines[9].mid(5).toInt() < 6000); // the user's second move was timed
    QCOMPARE(lines[10], QByteArray("d2d4"));
    QVERIFY(window.GameClock()->Remaining(0) < std::chrono::seconds(60));
}

QObject* MakeWindowTest() {
    return new WindowTest;
}

#include "WindowTest.moc"
