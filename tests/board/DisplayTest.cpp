#include "DisplayTest.h"

#include "GamePlay.h"
#include "TestSettings.h"

#include "board/BoardPictures.h"
#include "board/MoveGrid.h"

#include "game/Square.h"

#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

#include <map>

namespace {

QPoint normalCorner(int index) {
    return {23 + 60 * FileOf(index), 60 * (8 - RankOf(index))};
}

QLabel* label(const TMDIChild& window, const QString& name) {
    return window.findChild<QLabel*>(name);
}

// Every place of the window's child widgets, to compare orientations.
std::map<QString, QPoint> places(const TMDIChild& window) {
    std::map<QString, QPoint> result;
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->objectName().isEmpty())
            result[child->objectName()] = child->pos();
    }
    return result;
}

QImage imageOf(const QLabel* image) {
    return image->pixmap().toImage();
}

} // namespace

void DisplayTest::layoutAtCreation() {
    TMDIChild window;
    QCOMPARE(window.windowTitle(), QString("Game Board"));
    QCOMPARE(window.size(), QSize(734, 607));
    const struct {
        const char* name;
        QRect geometry;
    } expected[] = {
        {"LeftPanel", {0, 0, 504, 511}},         {"RightPanel", {504, 0, 230, 511}},
        {"BottomPanel", {0, 511, 734, 96}},      {"CppWebBrowser1", {0, 0, 734, 96}},
        {"StringGrid1", {66, 33, 153, 162}},     {"ScrollBar1", {202, 33, 17, 162}},
        {"Memo1", {66, 200, 153, 257}},          {"Edit1", {66, 456, 153, 23}},
        {"Button3", {12, 242, 41, 25}},          {"Black", {66, 8, 153, 17}},
        {"White", {66, 488, 153, 17}},           {"Panel1", {12, 8, 41, 41}},
        {"Panel5", {12, 176, 41, 41}},           {"Panel6", {12, 293, 41, 41}},
        {"Panel10", {12, 461, 41, 41}},          {"TheBorderImage1", {-60, -60, 60, 60}},
        {"TheBorderImage2", {-60, -60, 60, 60}},
    };
    for (const auto& item : expected) {
        const QWidget* widget = window.findChild<QWidget*>(item.name);
        QVERIFY2(widget, item.name);
        QCOMPARE(widget->geometry(), item.geometry);
    }
    for (int f = 0; f < 8; ++f) {
        const QLabel* file = label(window, QStringLiteral("Label%1").arg(f + 1));
        QCOMPARE(file->text(), QString(QChar('a' + f)));
        QCOMPARE(file->pos(), QPoint(46 + 60 * f, 480));
        const QLabel* rank = label(window, QStringLiteral("Label%1").arg(9 + f));
        QCOMPARE(rank->text(), QString::number(f + 1));
        QCOMPARE(rank->pos(), QPoint(3, 15 + 60 * (7 - f)));
    }
    const auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    QCOMPARE(grid->RowCount(), 9);
    QCOMPARE(grid->columnWidth(0), 33);
    QCOMPARE(grid->columnWidth(1), 50);
    QCOMPARE(grid->columnWidth(2), 50);
    QCOMPARE(grid->rowHeight(0), 17);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString("#"));
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QString("White"));
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QString("Black"));
    const auto* scrollBar = window.findChild<QScrollBar*>("ScrollBar1");
    QCOMPARE(scrollBar->orientation(), Qt::Vertical);
    QCOMPARE(scrollBar->pageStep(), 6);
    QCOMPARE(PictureMismatch(window, ModelPicture(window.game().Model())), std::string());
    // The stacking order: a frame lies above its square's background and below the pieces.
    const QList<QObject*> order = window.findChild<QWidget*>("LeftPanel")->children();
    const auto at = [&](const char* name) {
        return order.indexOf(window.findChild<QWidget*>(name));
    };
    QVERIFY(at("SqLight") < at("TheBorderImage2"));
    QVERIFY(at("TheBorderImage2") < at("TheBorderImage1"));
    QVERIFY(at("TheBorderImage1") < at("a8"));
    QVERIFY(at("h1") < at("Label1"));
}

void DisplayTest::squaresInBothOrientations() {
    TMDIChild window;
    const QImage light = imageOf(label(window, "SqLight"));
    const QImage dark = imageOf(label(window, "SqDark"));
    QVERIFY(!light.isNull() && !dark.isNull() && light != dark);
    QWidget* panel = window.findChild<QWidget*>("LeftPanel");
    for (int turned = 0; turned < 2; ++turned) {
        for (int i = 0; i < 64; ++i) {
            const QLabel* image = label(window, QString::fromStdString(SquareName(i)));
            const int shownAt = turned ? 63 - i : i;
            QCOMPARE(image->pos(), normalCorner(shownAt));
            // The background under the image has the square's own colour.
            const bool isLight = (FileOf(i) + RankOf(i)) % 2 == 0;
            const QList<QLabel*> under =
                panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
            const QLabel* background = under[shownAt]; // backgrounds come first, in index order
            QCOMPARE(background->pos(), normalCorner(shownAt));
            QCOMPARE(imageOf(background), isLight ? light : dark);
        }
        window.InvertBoard1Click();
    }
    QCOMPARE(label(window, "a8")->pos(), QPoint(23, 0));
    QCOMPARE(label(window, "e2")->pos(), QPoint(263, 360));
    window.InvertBoard1Click();
    QCOMPARE(label(window, "e2")->pos(), QPoint(203, 60));
    QCOMPARE(label(window, "Label1")->x(), 46 + 60 * 7);
    QCOMPARE(label(window, "Label9")->y(), 15);
    QCOMPARE(label(window, "White")->y(), 8);
    QCOMPARE(window.findChild<QFrame*>("Panel1")->y(), 461);
}

void DisplayTest::invertAndFlipUndoEachOther() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4"}), -1);
    window.findChild<QLabel*>("TheBorderImage1")->move(-60, -60);
    window.findChild<QLabel*>("TheBorderImage2")->move(-60, -60);
    const auto normal = places(window);
    window.InvertBoard1Click();
    const auto inverted = places(window);
    QVERIFY(inverted != normal);
    window.FlipBoard1Click();
    QCOMPARE(places(window), normal);
    window.FlipBoard1Click();
    QCOMPARE(places(window), inverted);
    window.InvertBoard1Click();
    QCOMPARE(places(window), normal);
}

void DisplayTest::framesParkedAndPlaced() {
    TMDIChild window;
    auto* from = label(window, "TheBorderImage1");
    auto* to = label(window, "TheBorderImage2");
    QVERIFY(!from->pixmap().isNull());
    QCOMPARE(PlayMoves(window, {"e2e4"}), -1);
    QCOMPARE(from->pos(), QPoint(263, 360));
    QCOMPARE(to->pos(), QPoint(263, 240));
    window.InvertBoard1Click();
    QCOMPARE(from->pos(), QPoint(-60, -60));
    QCOMPARE(to->pos(), QPoint(-60, -60));
    QCOMPARE(PlayMoves(window, {"e7e5"}), -1);
    QCOMPARE(from->pos(), label(window, "e7")->pos());
    QCOMPARE(to->pos(), label(window, "e5")->pos());
    QCOMPARE(to->pos(), normalCorner(63 - SquareIndex("e5")));
    // The frame is transparent except for its ring.
    const QImage frame = from->pixmap().mask().toImage();
    QVERIFY(frame.pixelIndex(30, 30) != frame.pixelIndex(1, 1));
}

void DisplayTest::counters_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("white");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("panel");
    QTest::newRow("black pawn") << "Pawn" << 0 << "BlackP"
                                << "bp"
                                << "Panel1";
    QTest::newRow("black knight") << "Knight" << 0 << "BlackN"
                                  << "bn"
                                  << "Panel2";
    QTest::newRow("black bishop") << "Bishop" << 0 << "BlackB"
                                  << "bb"
                                  << "Panel3";
    QTest::newRow("black rook") << "Rook" << 0 << "BlackR"
                                << "br"
                                << "Panel4";
    QTest::newRow("black queen") << "Queen" << 0 << "BlackQ"
                                 << "bq"
                                 << "Panel5";
    QTest::newRow("white queen") << "Queen" << 1 << "WhiteQ"
                                 << "wq"
                                 << "Panel6";
    QTest::newRow("white rook") << "Rook" << 1 << "WhiteR"
                                << "wr"
                                << "Panel7";
    QTest::newRow("white bishop") << "Bishop" << 1 << "WhiteB"
                                  << "wb"
                                  << "Panel8";
    QTest::newRow("white knight") << "Knight" << 1 << "WhiteN"
                                  << "wn"
                                  << "Panel9";
    QTest::newRow("white pawn") << "Pawn" << 1 << "WhiteP"
                                << "wp"
                                << "Panel10";
}

void DisplayTest::counters() {
    QFETCH(QString, kind);
    QFETCH(int, white);
    QFETCH(QString, image);
    QFETCH(QString, count);
    QFETCH(QString, panel);
    TMDIChild window;
    window.show();
    QLabel* picture = label(window, image);
    QLabel* number = label(window, count);
    QCOMPARE(picture->parentWidget()->objectName(), panel);
    QVERIFY(!picture->isVisible());
    QVERIFY(!number->isVisible());
    QCOMPARE(imageOf(picture),
             window.PieceImages()[PieceEntryOf(kind.toStdString(), white)].toImage());

    window.CountCapture("King", white); // a king counts nowhere
    for (const QLabel* other : window.findChildren<QLabel*>())
        QVERIFY(other->objectName() != image || !other->isVisible());

    const QString expected[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    for (int n = 0; n < 10; ++n) {
        window.CountCapture(kind.toStdString(), white);
        QVERIFY(picture->isVisible());
        QCOMPARE(number->text(), expected[n]);
        QCOMPARE(number->isVisible(), n > 0);
    }
    // Only this counter moved.
    for (const QLabel* other : window.findChildren<QLabel*>()) {
        if (other->objectName().size() == 2 && other->objectName() != count &&
            other->parentWidget()->objectName().startsWith("Panel"))
            QCOMPARE(other->text(), QString("0"));
    }
}

void DisplayTest::capturesCountedInPlay() {
    TMDIChild window;
    window.show();
    QCOMPARE(PlayMoves(window, ScriptedGames()[0]), -1);
    // White took the pawn on d5 en passant; Black took on d6, then the pawn on g4 en passant.
    QCOMPARE(label(window, "bp")->text(), QString("1"));
    QVERIFY(label(window, "BlackP")->isVisible());
    QCOMPARE(label(window, "wp")->text(), QString("2"));
    QVERIFY(label(window, "wp")->isVisible());
    QVERIFY(!label(window, "BlackN")->isVisible());
}

void DisplayTest::pieceSetChangeDuringReplay() {
    TestSettings settings;
    TMDIChild window;
    window.show();
    QCOMPARE(PlayMoves(window, ScriptedGames()[1]), -1); // with two capture-promotions
    window.ShowPosition(3);
    const QImage oldKnight = window.PieceImages()[kWhiteKnight].toImage();

    settings.pieceSet = "Classic";
    window.LoadPieceSet();
    window.RefreshPieceImages();
    QCOMPARE(window.ShownPosition(), window.game().LivePosition());
    QCOMPARE(PictureMismatch(window, ModelPicture(window.game().Model())), std::string());
    const QImage classic(BoardPictures::PieceSheetFile("Classic"));
    for (int i = 0; i < 12; ++i) {
        const QImage cell = classic.copy(60 * (i % 6), 60 * (i / 6), 60, 60);
        QCOMPARE(window.PieceSheetCells()[i].convertToFormat(QImage::Format_RGB32),
                 cell.convertToFormat(QImage::Format_RGB32));
    }
    QVERIFY(window.PieceImages()[kWhiteKnight].toImage() != oldKnight);
    // The promoted knight on d8 was taken; the promoted bishop on h1 shows in the new set.
    QCOMPARE(window.ShownImage("h1"), kBlackBishop);
    QCOMPARE(imageOf(label(window, "h1")), window.PieceImages()[kBlackBishop].toImage());
    // Counters keep their counts and take the new pictures.
    QCOMPARE(imageOf(label(window, "BlackQ")), window.PieceImages()[kBlackQueen].toImage());
    QVERIFY(label(window, "BlackQ")->isVisible());
    QCOMPARE(imageOf(label(window, "WhiteN")), window.PieceImages()[kWhiteKnight].toImage());
    QVERIFY(label(window, "WhiteN")->isVisible());
    QVERIFY(!label(window, "WhiteB")->isVisible());
}

void DisplayTest::boardColourChange() {
    TestSettings settings;
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5"}), -1);
    window.ShowPosition(1);
    const QPoint frame = label(window, "TheBorderImage1")->pos();
    settings.boardColours = "Sky Blue";
    window.LoadBoardColours();
    window.PaintBoardSquares();
    const QImage light(BoardPictures::LightSquareFile("Sky Blue"));
    QCOMPARE(imageOf(label(window, "SqLight")).convertToFormat(QImage::Format_RGB32),
             light.convertToFormat(QImage::Format_RGB32));
    const QList<QLabel*> under = window.findChild<QWidget*>("LeftPanel")
                                     ->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(imageOf(under[0]).convertToFormat(QImage::Format_RGB32),
             light.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(window.ShownPosition(), 1);
    QCOMPARE(label(window, "TheBorderImage1")->pos(), frame);
    QCOMPARE(window.ShownImage("e5"), kNoImage);
    QCOMPARE(window.ShownImage("e7"), kBlackPawn);
}

void DisplayTest::titleAndSounds() {
    TestSettings settings;
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "d7d5", "e4d5"}), -1);
    QCOMPARE(settings.sounds,
             QStringList({"Audio/move.wav", "Audio/move.wav", "Audio/attack.wav"}));
    // Fool's mate ends the game; its result goes after the title.
    TMDIChild mated;
    QCOMPARE(PlayMoves(mated, {"f2f3", "e7e5", "g2g4", "d8h4"}), -1);
    QCOMPARE(mated.windowTitle(), QString("Game Board - (Black Wins)"));
    QVERIFY(mated.game().Model().finished);
    QCOMPARE(settings.sounds.back(), QString("Audio/mate.wav"));
}

void DisplayTest::closing() {
    QMdiArea area;
    auto* window = new TMDIChild;
    QMdiSubWindow* frame = area.addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->move(-20, -5);
    area.show();
    frame->show();
    QCOMPARE(frame->pos(), QPoint(1, 1));
    QCOMPARE(frame->windowTitle(), QString("Game Board"));
    QPointer<TMDIChild> alive(window);
    QVERIFY(frame->close());
    QTRY_VERIFY(alive.isNull());
}
