#include "InputTest.h"

#include "GamePlay.h"

#include "board/MoveGrid.h"
#include "board/Promotion.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QLabel* square(const TMDIChild& window, const char* name) {
    return window.findChild<QLabel*>(name);
}

// Presses the left button on `from` and drops on `to`, as a drag inside the window does.
bool dragAndDrop(TMDIChild& window, const char* from, const char* to) {
    window.xyMouseDown(square(window, from), Qt::LeftButton);
    return window.xyDragDrop(square(window, to), square(window, from));
}

// Runs `answer` once the promotion dialog is up, from inside its event loop.
void whenDialogShows(std::function<void(TPromotionForm&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        TPromotionForm& form = TPromotionForm::Instance();
        if (!form.isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        answer(form);
    });
    poll->start(10);
}

// A white pawn on a7 that can take the knight on b8.
const std::vector<std::string> kPawnOnA7 = {"a2a4", "b7b5", "a4b5", "a7a6",
                                            "b5a6", "h7h6", "a6a7", "h6h5"};

} // namespace

void InputTest::pickUp_data() {
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<bool>("picked");
    QTest::newRow("white pawn at start") << QStringList{} << "e2" << true;
    QTest::newRow("white knight at start") << QStringList{} << "g1" << true;
    QTest::newRow("black pawn at start") << QStringList{} << "e7" << false;
    QTest::newRow("empty square") << QStringList{} << "e4" << false;
    QTest::newRow("black after e4") << QStringList{"e2e4"} << "e7" << true;
    QTest::newRow("white after e4") << QStringList{"e2e4"} << "d2" << false;
}

void InputTest::pickUp() {
    QFETCH(QStringList, moves);
    QFETCH(QString, pressed);
    QFETCH(bool, picked);
    TMDIChild window;
    std::vector<std::string> played;
    for (const QString& move : moves)
        played.push_back(move.toStdString());
    QCOMPARE(PlayMoves(window, played), -1);
    window.xyMouseDown(square(window, pressed.toLatin1()), Qt::LeftButton);
    QCOMPARE(window.game().Model().dragSource == pressed.toStdString(), picked);
}

void InputTest::pressDuringReplayShowsLive() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5"}), -1);
    window.ShowPosition(0);
    window.xyMouseDown(square(window, "g1"), Qt::LeftButton);
    QCOMPARE(window.ShownPosition(), 2);
    QVERIFY(window.game().Model().dragSource.empty());
    window.xyMouseDown(square(window, "g1"), Qt::LeftButton);
    QCOMPARE(window.game().Model().dragSource, std::string("g1"));
}

void InputTest::pressInFinishedGame() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5", "f1c4", "b8c6", "d1h5", "g8f6", "h5f7"}), -1);
    QVERIFY(window.game().Model().finished);
    window.ShowPosition(2);
    window.xyMouseDown(square(window, "e8"), Qt::LeftButton);
    QCOMPARE(window.ShownPosition(), 7);
    QVERIFY(window.game().Model().dragSource.empty());
    // Even a drop that names a square of this window makes no move in a finished game.
    window.game().Model().dragSource = "a7";
    QVERIFY(!window.xyDragDrop(square(window, "a6"), square(window, "a7")));
    QCOMPARE(window.game().LivePosition(), 7);
}

void InputTest::engineColourCannotBeTaken() {
    // Without an engine the engine colour is not looked at; with one attached it is (the
    // engine link's tests).
    TMDIChild free;
    free.game().Model().engineColour = 1;
    free.xyMouseDown(square(free, "e2"), Qt::LeftButton);
    QCOMPARE(free.game().Model().dragSource, std::string("e2"));
}

void InputTest::dropMakesTheMoveAndCallsHooks() {
    TMDIChild window;
    QStringList calls;
    QObject::connect(&window, &TMDIChild::userMoved,
                     [&](const QString& from, const QString& to, const QString& letter) {
                         calls << "peer " + from + to + letter;
                     });
    QVERIFY(dragAndDrop(window, "e2", "e4"));
    QCOMPARE(calls, QStringList({"peer e2e4"}));
    QCOMPARE(window.game().Model().moveRecord, std::vector<std::string>{"e2e4"});
    QCOMPARE(window.findChild<MoveGrid*>("StringGrid1")->Cell(1, 1), QString("e4"));
    QCOMPARE(window.ShownImage("e4"), kWhitePawn);
    QCOMPARE(window.ShownImage("e2"), kNoImage);
}

void InputTest::refusedDrops_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("own square") << "e2"
                                << "e2";
    QTest::newRow("illegal") << "e2"
                             << "e5";
    QTest::newRow("black first") << "e7"
                                 << "e5";
    QTest::newRow("blocked") << "a1"
                             << "a3";
}

void InputTest::refusedDrops() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    TMDIChild window;
    int hooks = 0;
    QObject::connect(&window, &TMDIChild::userMoved, [&] { ++hooks; });
    window.game().Model().dragSource = from.toStdString();
    QVERIFY(!window.xyDragDrop(square(window, to.toLatin1()), square(window, from.toLatin1())));
    QCOMPARE(hooks, 0);
    QCOMPARE(window.game().LivePosition(), 0);
    QCOMPARE(window.game().Model().sideMarker, std::uint8_t(0));
    QCOMPARE(PictureMismatch(window, ModelPicture(window.game().Model())), std::string());
}

void InputTest::dropFromAnotherWindowRefused() {
    TMDIChild first;
    TMDIChild second;
    first.xyMouseDown(square(first, "e2"), Qt::LeftButton);
    second.xyMouseDown(square(second, "d2"), Qt::LeftButton);
    // A drag that began in the second window ends over the first window's e4, where the
    // first window's own drag source e2 would make a legal move.
    QVERIFY(!first.xyDragOver(square(second, "d2")));
    QVERIFY(!first.xyDragDrop(square(first, "e4"), square(second, "d2")));
    QVERIFY(!first.xyDragDrop(square(first, "e4"), nullptr));
    QCOMPARE(first.game().LivePosition(), 0);
    QVERIFY(first.xyDragOver(square(first, "e2")));
    QVERIFY(first.xyDragDrop(square(first, "e4"), square(first, "e2")));
}

void InputTest::promotionDialog_data() {
    QTest::addColumn<QString>("button"); // empty: the dialog is closed without a choice
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<int>("piece");
    QTest::newRow("knight") << "Button4"
                            << "a7b8nN"
                            << "axb8=N" << int(kWhiteKnight);
    QTest::newRow("rook") << "Button2"
                          << "a7b8nR"
                          << "axb8=R" << int(kWhiteRook);
    QTest::newRow("closed") << ""
                            << "a7b8nQ"
                            << "axb8=Q" << int(kWhiteQueen);
}

void InputTest::promotionDialog() {
    QFETCH(QString, button);
    QFETCH(QString, line);
    QFETCH(QString, notation);
    QFETCH(int, piece);
    TMDIChild window;
    window.show();
    QCOMPARE(PlayMoves(window, kPawnOnA7), -1);
    QString letterSeen;
    QObject::connect(
        &window, &TMDIChild::userMoved,
        [&](const QString&, const QString&, const QString& letter) { letterSeen = letter; });
    bool pressIgnored = false;
    bool closeRefused = false;
    QPoint placed;
    whenDialogShows([&](TPromotionForm& form) {
        placed = form.pos();
        // Neither a second press nor closing the window may cut into the running move.
        window.xyMouseDown(square(window, "b1"), Qt::LeftButton);
        pressIgnored = window.game().Model().dragSource == "a7";
        closeRefused = !window.close();
        if (button.isEmpty())
            form.reject();
        else
            form.findChild<QPushButton*>(button)->click();
    });
    QVERIFY(dragAndDrop(window, "a7", "b8"));
    QVERIFY(pressIgnored);
    QVERIFY(closeRefused);
    QCOMPARE(placed, window.mapToGlobal(QPoint(0, 0)) + QPoint(100, 100));
    QCOMPARE(QString::fromStdString(window.game().Model().moveRecord.back()), line);
    QCOMPARE(window.findChild<MoveGrid*>("StringGrid1")->Cell(1, 5), notation);
    QCOMPARE(letterSeen, line.right(1));
    QVERIFY(window.game().Model().promotionLetter.empty());
    QCOMPARE(window.ShownImage("b8"), piece);
    QVERIFY(window.isVisible());
}

void InputTest::promotionChoiceGoesToAsker() {
    TMDIChild asking;
    TMDIChild active;
    asking.show();
    active.show();
    active.activateWindow();
    QCOMPARE(PlayMoves(asking, kPawnOnA7), -1);
    whenDialogShows([](TPromotionForm& form) { form.findChild<QPushButton*>("Button3")->click(); });
    // The move arrives without a promotion piece, as from the peer, in a window that is
    // not the active one.
    QVERIFY(asking.game().MakeMove("a7", "b8"));
    QCOMPARE(asking.game().Model().moveRecord.back(), std::string("a7b8nB"));
    QVERIFY(active.game().Model().promotionChoice.empty());
    QCOMPARE(active.game().LivePosition(), 0);
}

void InputTest::dialogLayout() {
    TPromotionForm& form = TPromotionForm::Instance();
    QCOMPARE(form.windowTitle(), QString("Please select the piece:"));
    QCOMPARE(form.size(), QSize(332, 41));
    const struct {
        const char* name;
        const char* caption;
        int x;
    } buttons[] = {{"Button1", "Queen", 8},
                   {"Button2", "Rook", 88},
                   {"Button3", "Bishop", 168},
                   {"Button4", "Knight", 248}};
    for (const auto& b : buttons) {
        const auto* button = form.findChild<QPushButton*>(b.name);
        QVERIFY2(button, b.name);
        QCOMPARE(button->text(), QString(b.caption));
        QCOMPARE(button->geometry(), QRect(b.x, 8, 75, 25));
    }
}

void InputTest::menus() {
    TMDIChild window;
    window.show();
    auto* popupBoard = window.findChild<QMenu*>("PopupBoard");
    window.xyMouseDown(square(window, "e2"), Qt::RightButton);
    QVERIFY(popupBoard->isVisible());
    QVERIFY(window.game().Model().dragSource.empty());
    popupBoard->close();

    auto* popupAction = window.findChild<QMenu*>("PopupAction");
    auto* engine = window.findChild<QAction*>("Engine1");
    window.Button3Click();
    QVERIFY(popupAction->isVisible());
    QVERIFY(!engine->isEnabled());
    auto* button = window.findChild<QPushButton*>("Button3");
    QCOMPARE(popupAction->pos(), button->mapToGlobal(QPoint(0, button->height())));
    QVERIFY(window.findChild<QAction*>("Fast1")->isChecked());
    QVERIFY(!window.findChild<QAction*>("Slow1")->isChecked());
    popupAction->close();

    window.findChild<QAction*>("FlipBoard1")->trigger();
    QCOMPARE(square(window, "a8")->pos(), QPoint(443, 420));
    window.findChild<QAction*>("InvertBoard1")->trigger();
    QCOMPARE(square(window, "a8")->pos(), QPoint(23, 0));
}
