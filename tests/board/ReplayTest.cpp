#include "ReplayTest.h"

#include "GamePlay.h"

#include "board/MoveGrid.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <random>

namespace {

// The cell that the selection rule picks for shown position n.
QPoint expectedCell(int n) {
    if (n == 0)
        return {0, 1};
    return {(n - 1) % 2 + 1, (n - 1) / 2 + 1};
}

void checkShown(TMDIChild& window, const std::vector<BoardPicture>& pictures, int n) {
    const auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    const auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    QCOMPARE(window.ShownPosition(), n);
    QCOMPARE(scrollBar->value(), n);
    QCOMPARE(PictureMismatch(window, pictures[n]), std::string());
    QCOMPARE(grid->CurrentCell(), expectedCell(n));
}

} // namespace

void ReplayTest::wholeGames_data() {
    QTest::addColumn<int>("scripted");
    QTest::addColumn<unsigned>("seed");
    for (int i = 0; i < static_cast<int>(ScriptedGames().size()); ++i)
        QTest::addRow("scripted %d", i) << i << 0u;
    for (unsigned seed = 1; seed <= 14; ++seed)
        QTest::addRow("random %u", seed) << -1 << seed;
}

void ReplayTest::wholeGames() {
    QFETCH(int, scripted);
    QFETCH(unsigned, seed);
    TMDIChild window;
    std::vector<BoardPicture> pictures{ModelPicture(window.game().Model())};
    if (scripted >= 0) {
        for (const std::string& move : ScriptedGames()[scripted]) {
            QCOMPARE(PlayMoves(window, {move}), -1);
            pictures.push_back(ModelPicture(window.game().Model()));
        }
    } else {
        pictures = PlayRandomGame(window, seed, 180);
    }
    const int live = window.game().LivePosition();
    QCOMPARE(static_cast<int>(pictures.size()), live + 1);
    checkShown(window, pictures, live);
    if (QTest::currentTestFailed())
        return;

    // Step back one half-move at a time through the scroll bar, as the user does.
    auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    for (int n = live - 1; n >= 0; --n) {
        scrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        checkShown(window, pictures, n);
        if (QTest::currentTestFailed())
            return;
    }
    for (int n = 1; n <= live; ++n) {
        scrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        checkShown(window, pictures, n);
        if (QTest::currentTestFailed())
            return;
    }
    // Jumps in both directions cross many half-moves in one call.
    std::mt19937 random(seed + 100);
    for (int jump = 0; jump < 20; ++jump) {
        const int n = static_cast<int>(random() % (live + 1));
        window.ShowPosition(n);
        checkShown(window, pictures, n);
        if (QTest::currentTestFailed())
            return;
    }
}

void ReplayTest::scriptedGamesCoverEveryMarker() {
    // The replay table above is only as good as the games it walks through.
    std::string lines;
    for (const auto& moves : ScriptedGames()) {
        TMDIChild window;
        QCOMPARE(PlayMoves(window, moves), -1);
        for (const std::string& line : window.game().Model().moveRecord)
            lines += line + " ";
    }
    for (const char* line :
         {"e5d6E", "h4g3E", "e1g1c", "e8c8C", "c7d8qN", "g2h1rB", "e1c1C", "e8g8c", "a4b5p"})
        QVERIFY2(lines.find(line) != std::string::npos, line);
}

void ReplayTest::moveListSelectionAndClicks() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5", "g1f3"}), -1);
    auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    QCOMPARE(grid->Cell(0, 1), QString("1"));
    QCOMPARE(grid->Cell(1, 1), QString("e4"));
    QCOMPARE(grid->Cell(2, 1), QString("e5"));
    QCOMPARE(grid->Cell(1, 2), QString("Nf3"));
    QCOMPARE(grid->CurrentCell(), QPoint(1, 2));

    scrollBar->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(window.ShownPosition(), 0);
    QCOMPARE(grid->CurrentCell(), QPoint(0, 1));
    QCOMPARE(window.ShownImage("e2"), kWhitePawn);
    scrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(grid->CurrentCell(), QPoint(1, 1));
    QCOMPARE(window.ShownImage("e4"), kWhitePawn);
    QCOMPARE(window.ShownImage("e5"), kNoImage);

    struct Click {
        int column, row, shown;
    };
    const Click clicks[] = {
        {2, 1, 2},            // e5: the position after Black's move
        {2, 2, 2},            // the empty Black cell of row 2 lies past the last move: nothing
        {0, 2, 3},            // the move number stands for White's move of that row
        {1, 1, 1}, {1, 5, 1}, // an empty row: nothing
    };
    for (const Click& click : clicks) {
        window.StringGrid1MouseDown(click.column, click.row);
        QCOMPARE(window.ShownPosition(), click.shown);
        QCOMPARE(scrollBar->value(), click.shown);
    }

    // A real click in the grid goes the same way.
    const QRect e5 = grid->visualRect(grid->model()->index(0, 2));
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, e5.center());
    QCOMPARE(window.ShownPosition(), 2);
}

void ReplayTest::rowsAndScrollRange() {
    TMDIChild window;
    auto moves = ScriptedGames()[0];
    moves.push_back("a2a3");
    QCOMPARE(PlayMoves(window, moves), -1);
    QCOMPARE(window.game().LivePosition(), 21);
    auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    QCOMPARE(grid->RowCount(), 19);
    QCOMPARE(scrollBar->minimum(), 0);
    QCOMPARE(scrollBar->maximum(), 21);
    QCOMPARE(scrollBar->singleStep(), 1);
    scrollBar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(window.ShownPosition(), 15);
    scrollBar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(window.ShownPosition(), 9);
    scrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(window.ShownPosition(), 15);
}

void ReplayTest::moveArrivingDuringReplay() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5", "g1f3", "b8c6"}), -1);
    window.ShowPosition(3);
    // A move from the peer or the engine is made all the same, on the live position.
    QVERIFY(window.game().MakeMove("f1", "c4"));
    QCOMPARE(window.ShownPosition(), 5);
    QCOMPARE(window.findChild<QScrollBar*>("ScrollBar1")->value(), 5);
    QCOMPARE(window.findChild<QScrollBar*>("ScrollBar1")->maximum(), 5);
    QCOMPARE(PictureMismatch(window, ModelPicture(window.game().Model())), std::string());
}

void ReplayTest::turningDuringReplay() {
    TMDIChild window;
    std::vector<BoardPicture> pictures = PlayRandomGame(window, 77, 60);
    const int live = window.game().LivePosition();
    window.ShowPosition(live / 2);
    window.InvertBoard1Click();
    for (int n = live / 2; n >= 0; --n) {
        window.ShowPosition(n);
        checkShown(window, pictures, n);
        if (QTest::currentTestFailed())
            return;
    }
    window.InvertBoard1Click();
    window.ShowPosition(live);
    checkShown(window, pictures, live);
}

void ReplayTest::loadedGame() {
    const std::vector<std::string>& moves = ScriptedGames()[1];
    TMDIChild played;
    QCOMPARE(PlayMoves(played, moves), -1);
    const std::vector<std::string> lines = played.game().Model().moveRecord;

    TMDIChild window;
    window.LoadMoveRecord(lines);
    auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    QVERIFY(window.game().Model().finished);
    QCOMPARE(window.ShownPosition(), 0);
    QCOMPARE(scrollBar->maximum(), static_cast<int>(lines.size()));
    QCOMPARE(grid->Cell(1, 5), QString::fromStdString(lines[8])); // c7d8qN, as stored
    QCOMPARE(grid->Cell(2, 5), QString::fromStdString(lines[9]));
    QCOMPARE(grid->RowCount(), 9 + static_cast<int>(lines.size()) / 2);

    // A press on the board shows the last position and starts nothing.
    window.xyMouseDown(window.findChild<QLabel*>("e2"), Qt::LeftButton);
    QCOMPARE(window.ShownPosition(), static_cast<int>(lines.size()));
    QCOMPARE(PictureMismatch(window, ModelPicture(played.game().Model())), std::string());
    QVERIFY(window.game().Model().dragSource.empty());

    // A piece-set change keeps the loaded game's last position on the board, although
    // its board model never left the initial position.
    window.LoadPieceSet();
    window.RefreshPieceImages();
    QCOMPARE(PictureMismatch(window, ModelPicture(played.game().Model())), std::string());

    // A window that already has moves is not overwritten.
    played.LoadMoveRecord({"a2a3"});
    QCOMPARE(played.game().Model().moveRecord, lines);

    // Lines that do not name squares are stepped over without harm.
    TMDIChild broken;
    broken.LoadMoveRecord({"e2e4", "zz", "", "e7e5Q", "g1"});
    broken.ShowPosition(5);
    broken.ShowPosition(0);
    QCOMPARE(broken.ShownImage("e2"), kWhitePawn);
}
