#include "ClockTest.h"

#include "GamePlay.h"

#include "board/ClockPanel.h"
#include "board/MoveGrid.h"
#include "board/TMDIChild.h"
#include "board/TimeControlDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>

#include "game/Clock.h"

namespace {

// Runs `act` on the first modal widget of type T that comes up, from inside its event loop.
template <typename T> void whenModal(std::function<void(T&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(*modal);
    });
    poll->start(10);
}

QLineEdit* field(TimeControlDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("TimeControlEdit"));
}

// Types `text` into the dialog's field and presses OK.
void typeAndAccept(TimeControlDialog& dialog, const QString& text) {
    QLineEdit* edit = field(dialog);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QLabel* face(const TMDIChild& window, const char* accessibleName) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->accessibleName() == QLatin1String(accessibleName))
            return label;
    }
    return nullptr;
}

void setControl(TMDIChild& window, const char* text) {
    window.SetTimeControl(ParseTimeControl(text).control);
}

QStringList words(const QString& moves) {
    return moves.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

std::vector<std::string> plies(const QStringList& moves) {
    std::vector<std::string> list;
    for (const QString& move : moves)
        list.push_back(move.toStdString());
    return list;
}

// What a window shows besides its board: the move list, the counters, the frames, the
// title, the replay range; one line per element, so that a difference names its place.
QStringList shown(TMDIChild& window) {
    QStringList lines;
    auto* grid = window.findChild<MoveGrid*>(QStringLiteral("StringGrid1"));
    lines << QStringLiteral("rows %1").arg(grid->RowCount());
    for (int row = 1; row < grid->RowCount(); ++row) {
        for (int column = 0; column < 3; ++column)
            lines << QStringLiteral("cell %1 %2 %3")
                         .arg(column)
                         .arg(row)
                         .arg(grid->Cell(column, row));
    }
    lines << QStringLiteral("current %1 %2")
                 .arg(grid->CurrentCell().x())
                 .arg(grid->CurrentCell().y());
    for (const char* name : {"BlackP", "BlackN", "BlackB", "BlackR", "BlackQ", "WhiteQ", "WhiteR",
                             "WhiteB", "WhiteN", "WhiteP"}) {
        auto* image = window.findChild<QLabel*>(QLatin1String(name));
        auto* count = image->parentWidget()->findChildren<QLabel*>().last();
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(QLatin1String(name))
                     .arg(image->isVisibleTo(&window))
                     .arg(count->text())
                     .arg(count->isVisibleTo(&window));
    }
    for (const char* frame : {"TheBorderImage1", "TheBorderImage2"}) {
        const QPoint place = window.findChild<QLabel*>(QLatin1String(frame))->pos();
        lines << QStringLiteral("%1 %2,%3").arg(QLatin1String(frame)).arg(place.x()).arg(place.y());
    }
    auto* scrollBar = window.findChild<QScrollBar*>(QStringLiteral("ScrollBar1"));
    lines << QStringLiteral("replay %1 of %2").arg(scrollBar->value()).arg(scrollBar->maximum());
    lines << window.windowTitle();
    return lines;
}

} // namespace

void ClockTest::newWindowHasNoClock() {
    TMDIChild window;
    QVERIFY(!window.GameClock());
    QVERIFY(!window.CurrentTimeControl());
    QVERIFY(face(window, "White Clock"));
    QVERIFY(face(window, "Black Clock"));
    QVERIFY(face(window, "White Clock")->isHidden());
    QVERIFY(face(window, "Black Clock")->isHidden());
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5", "g1f3"}), -1);
    QVERIFY(!window.GameClock());
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board"));
}

void ClockTest::dialogReadsTypedControls() {
    TMDIChild window;
    QString refusal;
    QString accessibleName;
    whenModal<TimeControlDialog>([&](TimeControlDialog& dialog) {
        accessibleName = field(dialog)->accessibleName();
        typeAndAccept(dialog, QStringLiteral("5"));
        refusal = dialog.findChild<QLabel*>(QStringLiteral("TimeControlReason"))->text();
        // A refused text leaves the dialog open for another try.
        QVERIFY(dialog.isVisible());
        typeAndAccept(dialog, QStringLiteral("1+0"));
    });
    window.TimeControl1Click();
    QCOMPARE(accessibleName, QStringLiteral("Time control"));
    QVERIFY2(refusal.contains(QStringLiteral("increment")), qPrintable(refusal));
    QVERIFY(window.CurrentTimeControl());
    QCOMPARE(window.CurrentTimeControl()->Text(), std::string("1+0"));
    QVERIFY(window.GameClock());
    QVERIFY(!face(window, "White Clock")->isHidden());
    QCOMPARE(face(window, "White Clock")->text(), QStringLiteral("1:00"));
    QCOMPARE(face(window, "Black Clock")->text(), QStringLiteral("1:00"));
    QCOMPARE(face(window, "White Clock")->accessibleDescription(), QStringLiteral("1:00"));

    // Cancel keeps what was set, and the dialog opens with it.
    QString shown;
    whenModal<TimeControlDialog>([&](TimeControlDialog& dialog) {
        shown = field(dialog)->text();
        dialog.reject();
    });
    window.TimeControl1Click();
    QCOMPARE(shown, QStringLiteral("1+0"));
    QCOMPARE(window.CurrentTimeControl()->Text(), std::string("1+0"));
}

void ClockTest::dialogPresetsAndNoClock() {
    TMDIChild window;
    setControl(window, "5+3");
    whenModal<TimeControlDialog>([&](TimeControlDialog& dialog) {
        auto* presets = dialog.findChild<QComboBox*>(QStringLiteral("TimeControlPresets"));
        const int tournament = presets->findText(QStringLiteral("40/90,30+30"));
        QVERIFY(tournament > 1);
        presets->setCurrentIndex(tournament);
        emit presets->activated(tournament);
        QCOMPARE(field(dialog)->text(), QStringLiteral("40/90,30+30"));
        const int none = presets->findText(QStringLiteral("No clock"));
        emit presets->activated(none);
        QCOMPARE(field(dialog)->text(), QString());
        dialog.accept();
    });
    window.TimeControl1Click();
    QVERIFY(!window.CurrentTimeControl());
    QVERIFY(!window.GameClock());
    QVERIFY(face(window, "White Clock")->isHidden());
}

void ClockTest::changingDuringAGameAsks_data() {
    QTest::addColumn<bool>("agree");
    QTest::addColumn<QString>("kept");
    QTest::newRow("yes: afresh") << true << "3+2";
    QTest::newRow("no: unchanged") << false << "1+0";
}

void ClockTest::changingDuringAGameAsks() {
    QFETCH(bool, agree);
    QFETCH(QString, kept);
    TMDIChild window;
    setControl(window, "1+0");
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5", "g1f3"}), -1);
    QString question;
    whenModal<TimeControlDialog>([&](TimeControlDialog& dialog) {
        whenModal<QMessageBox>([&](QMessageBox& box) {
            question = box.text();
            box.button(agree ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        typeAndAccept(dialog, QStringLiteral("3+2"));
    });
    window.TimeControl1Click();
    QVERIFY2(question.contains(QStringLiteral("3+2")), qPrintable(question));
    QCOMPARE(QString::fromStdString(window.CurrentTimeControl()->Text()), kept);
    // Afresh means at the game's move: Black to move, and its clock running.
    QCOMPARE(window.GameClock()->SideToMove(), std::uint8_t{0});
    QVERIFY(window.GameClock()->Running());
}

void ClockTest::faces() {
    TMDIChild window;
    setControl(window, "0.15+0"); // nine seconds: the faces show tenths
    QCOMPARE(face(window, "White Clock")->text(), QStringLiteral("0:09.0"));
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5"}), -1);
    // White's clock runs now; its face changes within a tenth of a second or so.
    QTRY_VERIFY(face(window, "White Clock")->text() != QStringLiteral("0:09.0"));
    QVERIFY(face(window, "White Clock")->text().startsWith(QStringLiteral("0:08.")));
    QCOMPARE(face(window, "Black Clock")->text(), QStringLiteral("0:09.0"));
}

void ClockTest::flagFall_data() {
    QTest::addColumn<QString>("fen");
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("result");
    const QString start =
        QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    QTest::newRow("White runs out") << start << "e2e4 e7e5"
                                    << " - (Black Wins)";
    QTest::newRow("Black runs out") << start << "e2e4 e7e5 g1f3"
                                    << " - (White Wins)";
    QTest::newRow("queen runs out against a lone king") << "4k3/8/8/8/8/8/8/4KQ2 w - - 0 1"
                                                        << "e1d1 e8d8"
                                                        << " - (Draw)";
    QTest::newRow("lone king runs out against a queen") << "4k3/8/8/8/8/8/8/4KQ2 w - - 0 1"
                                                        << "e1d1 e8d8 d1c1"
                                                        << " - (White Wins)";
    QTest::newRow("queen runs out against a knight") << "4kn2/8/8/8/8/8/8/4KQ2 w - - 0 1"
                                                     << "e1d1 e8d8"
                                                     << " - (Draw)";
    QTest::newRow("knight runs out against a rook") << "4kr2/8/8/8/8/8/8/4KN2 w - - 0 1"
                                                    << "e1d1 e8d8"
                                                    << " - (Black Wins)";
}

void ClockTest::flagFall() {
    QFETCH(QString, fen);
    QFETCH(QString, moves);
    QFETCH(QString, result);
    TMDIChild window;
    QVERIFY(window.game().Model().SetUpFromFen(fen.toStdString()));
    setControl(window, "0.005+0"); // 300 ms
    QCOMPARE(PlayMoves(window, plies(words(moves))), -1);
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Game Board") + result);
    QVERIFY(window.game().Model().finished);
    QVERIFY(window.GameClock()->Stopped());
    const bool whiteRanOut = words(moves).size() % 2 == 0;
    QCOMPARE(face(window, whiteRanOut ? "White Clock" : "Black Clock")->text(),
             QStringLiteral("0:00.0"));
    // Once over, the game stays over: nothing more is appended, the user cannot move.
    QTest::qWait(50);
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board") + result);
}

void ClockTest::gameEndStopsTheClocks() {
    TMDIChild window;
    setControl(window, "0.01+0"); // 600 ms: the mate comes first, and the flag never
    QCOMPARE(PlayMoves(window, {"f2f3", "e7e5", "g2g4", "d8h4"}), -1);
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board - (Black Wins)"));
    QVERIFY(window.GameClock()->Stopped());
    const QString white = face(window, "White Clock")->text();
    QTest::qWait(700);
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board - (Black Wins)"));
    QCOMPARE(face(window, "White Clock")->text(), white);
}

void ClockTest::turningSwapsTheFaces() {
    TMDIChild window;
    setControl(window, "5+3");
    QLabel* white = face(window, "White Clock");
    QLabel* black = face(window, "Black Clock");
    const int whiteTop = white->y();
    const int blackTop = black->y();
    QVERIFY(whiteTop > blackTop);
    window.InvertBoard1Click();
    QCOMPARE(white->y(), blackTop);
    QCOMPARE(black->y(), whiteTop);
    window.FlipBoard1Click();
    QCOMPARE(white->y(), whiteTop);
}

void ClockTest::resignAndDraw_data() {
    QTest::addColumn<QString>("moves");
    QTest::addColumn<bool>("resign");
    QTest::addColumn<QString>("result");
    QTest::newRow("White resigns at once") << "" << true << " - (Black Wins)";
    QTest::newRow("Black resigns") << "e2e4" << true << " - (White Wins)";
    QTest::newRow("White resigns later") << "e2e4 e7e5" << true << " - (Black Wins)";
    QTest::newRow("draw agreed") << "e2e4 e7e5" << false << " - (Draw)";
}

void ClockTest::resignAndDraw() {
    QFETCH(QString, moves);
    QFETCH(bool, resign);
    QFETCH(QString, result);
    TMDIChild window;
    setControl(window, "5+0");
    QCOMPARE(PlayMoves(window, plies(words(moves))), -1);
    resign ? window.Resign1Click() : window.OfferDraw1Click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board") + result);
    QVERIFY(window.game().Model().finished);
    QVERIFY(window.GameClock()->Stopped());
    // A finished game is not resigned or drawn a second time.
    window.Resign1Click();
    window.OfferDraw1Click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board") + result);
}

void ClockTest::itemsOnlyForOneBoard() {
    TMDIChild window;
    window.show();
    QAction* resign = window.findChild<QAction*>(QStringLiteral("Resign1"));
    QAction* draw = window.findChild<QAction*>(QStringLiteral("OfferDraw1"));
    QAction* timeControl = window.findChild<QAction*>(QStringLiteral("TimeControl1"));
    QVERIFY(resign && draw && timeControl);
    const auto openMenu = [&] {
        window.Button3Click();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    };
    openMenu();
    QVERIFY(resign->isEnabled() && draw->isEnabled() && timeControl->isEnabled());

    // The peer game is not decided on one board.
    window.setWindowTitle(QStringLiteral("Active Game"));
    openMenu();
    QVERIFY(!resign->isEnabled() && !draw->isEnabled() && !timeControl->isEnabled());
    window.Resign1Click();
    window.OfferDraw1Click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Active Game"));
    QVERIFY(!window.game().Model().finished);

    window.setWindowTitle(QStringLiteral("Game Board"));
    window.OfferDraw1Click();
    openMenu();
    QVERIFY(!resign->isEnabled() && !draw->isEnabled() && timeControl->isEnabled());
}

void ClockTest::takeBack_data() {
    QTest::addColumn<QString>("moves");
    QTest::addColumn<int>("back");
    QTest::newRow("first move") << "e2e4" << 1;
    QTest::newRow("capture") << "e2e4 d7d5 e4d5" << 1;
    QTest::newRow("second capture of a kind") << "e2e4 d7d5 e4d5 c7c6 d5c6" << 1;
    QTest::newRow("capture and reply") << "e2e4 d7d5 e4d5 d8d5" << 2;
    QTest::newRow("en passant") << "e2e4 a7a6 e4e5 d7d5 e5d6" << 1;
    QTest::newRow("castling") << "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1" << 1;
    QTest::newRow("promotion with capture") << "a2a4 b7b5 a4b5 a7a6 b5a6 h7h6 a6a7 h6h5 a7b8N" << 1;
    QTest::newRow("check") << "e2e4 f7f6 d1h5" << 1;
    QTest::newRow("mate back into play") << "f2f3 e7e5 g2g4 d8h4" << 1;
    QTest::newRow("repetition draw back into play")
        << "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8" << 1;
    QTest::newRow("whole game") << "e2e4 d7d5 e4d5 d8d5" << 4;
}

void ClockTest::takeBack() {
    QFETCH(QString, moves);
    QFETCH(int, back);
    const QStringList all = words(moves);
    TMDIChild window;
    QCOMPARE(PlayMoves(window, plies(all)), -1);
    for (int i = 0; i < back; ++i)
        window.TakeBack1Click();

    TMDIChild shortened;
    QCOMPARE(PlayMoves(shortened, plies(all.mid(0, all.size() - back))), -1);
    QCOMPARE(shown(window), shown(shortened));
    QCOMPARE(PictureMismatch(window, ModelPicture(shortened.game().Model())), std::string());
    QCOMPARE(window.game().Model().moveRecord, shortened.game().Model().moveRecord);
    QCOMPARE(window.game().Model().finished, shortened.game().Model().finished);

    // The game goes on from there as the shortened one does.
    QCOMPARE(PlayMoves(window, plies(all.mid(all.size() - back))), -1);
    TMDIChild full;
    QCOMPARE(PlayMoves(full, plies(all)), -1);
    QCOMPARE(shown(window), shown(full));
}

void ClockTest::takeBackByKeys() {
    TMDIChild window;
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5"}), -1);

    // In the chat line Ctrl+Z undoes the typing, not a move.
    auto* chat = window.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    chat->setFocus();
    QTest::keyClicks(chat, QStringLiteral("hi"));
    QTest::keyClick(chat, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.game().LivePosition(), 2);
    QCOMPARE(chat->text(), QString());

    // A press on a square gives the board the focus; there Ctrl+Z takes the move back.
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("a3")), Qt::LeftButton);
    QTRY_VERIFY(window.findChild<QWidget*>(QStringLiteral("LeftPanel"))->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.game().LivePosition(), 1);
    QCOMPARE(window.game().Model().moveRecord.back(), std::string("e2e4"));
}

void ClockTest::takeBackRunsTheClockOn() {
    TMDIChild window;
    setControl(window, "1+0");
    QCOMPARE(PlayMoves(window, {"f2f3", "e7e5", "g2g4", "d8h4"}), -1);
    QVERIFY(window.GameClock()->Stopped());
    window.TakeBack1Click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Game Board"));
    QVERIFY(!window.GameClock()->Stopped());
    QCOMPARE(window.GameClock()->SideToMove(), std::uint8_t{0});
    QVERIFY(window.GameClock()->Running());

    // After a fallen flag the game comes back, its clocks stay as they fell.
    TMDIChild flagged;
    setControl(flagged, "0.005+0");
    QCOMPARE(PlayMoves(flagged, {"e2e4", "e7e5"}), -1);
    QTRY_COMPARE(flagged.windowTitle(), QStringLiteral("Game Board - (Black Wins)"));
    flagged.TakeBack1Click();
    QCOMPARE(flagged.windowTitle(), QStringLiteral("Game Board"));
    QVERIFY(!flagged.game().Model().finished);
    QVERIFY(flagged.GameClock()->Stopped());
    QCOMPARE(PlayMoves(flagged, {"e7e6"}), -1);
}
