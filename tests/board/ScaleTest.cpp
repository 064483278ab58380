#include "ScaleTest.h"

#include "TestSettings.h"

#include "board/BoardPictures.h"
#include "board/PieceOutlineFile.h"
#include "board/TMDIChild.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const kSets[] = {"Modern 1", "Modern 2", "Classic", "Sharp"};

QString writeFile(const QTemporaryDir& folder, const QByteArray& text) {
    const QString path = folder.filePath(QStringLiteral("set.pieces"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    return path;
}

QByteArray validFile() {
    QFile file(BoardPictures::PieceOutlineFile(QStringLiteral("Modern 2")));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QRect geometryOf(const TMDIChild& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->geometry();
}

} // namespace

void ScaleTest::outlinesDrawTheSheets_data() {
    QTest::addColumn<QString>("set");
    for (const char* set : kSets)
        QTest::newRow(set) << set;
}

void ScaleTest::outlinesDrawTheSheets() {
    // Drawn at the sheet's size, the outlines give the sheet's cells to the pixel: the
    // pieces at other sizes are the same drawings.
    QFETCH(QString, set);
    const auto outlines = ReadPieceOutlines(BoardPictures::PieceOutlineFile(set));
    QVERIFY(outlines);
    const QVector<QImage> cells =
        BoardPictures::PieceSheetCells(BoardPictures::PieceSheetFile(set));
    QCOMPARE(cells.size(), BoardPictures::kPieceImages);
    for (int i = 0; i < BoardPictures::kPieceImages; ++i) {
        const QImage drawn = DrawPiece(*outlines, i / 2, i % 2 == 0, BoardPictures::kSquareSize);
        const QImage& cell = cells[i];
        const QRgb key = cell.pixel(0, cell.height() - 1);
        for (int y = 0; y < cell.height(); ++y) {
            for (int x = 0; x < cell.width(); ++x) {
                const QRgb expected = cell.pixel(x, y) == key ? 0 : cell.pixel(x, y);
                if (drawn.pixel(x, y) != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("piece %1 differs at (%2, %3)").arg(i).arg(x).arg(y)));
            }
        }
    }
}

void ScaleTest::outlineFileRoundTrip() {
    const auto read = ReadPieceOutlines(BoardPictures::PieceOutlineFile(QStringLiteral("Sharp")));
    QVERIFY(read);
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("copy.pieces"));
    QVERIFY(WritePieceOutlines(*read, copy));
    const auto again = ReadPieceOutlines(copy);
    QVERIFY(again);
    QCOMPARE(again->style.whiteLight, read->style.whiteLight);
    QCOMPARE(again->style.rimWidth, read->style.rimWidth);
    QCOMPARE(again->style.facetted, read->style.facetted);
    for (int kind = 0; kind < 6; ++kind) {
        QCOMPARE(again->shapes[kind].elementCount(), read->shapes[kind].elementCount());
        QCOMPARE(again->shapes[kind].fillRule(), read->shapes[kind].fillRule());
        QVERIFY(again->shapes[kind] == read->shapes[kind]);
    }
    QVERIFY(!WritePieceOutlines(*read, folder.filePath(QStringLiteral("no/such/folder/x"))));
}

void ScaleTest::badOutlineFiles_data() {
    QTest::addColumn<QByteArray>("text");
    const QByteArray good = validFile();
    QVERIFY(!good.isEmpty());
    const qsizetype firstPiece = good.indexOf("piece 0");
    const qsizetype firstMove = good.indexOf("\nm ", firstPiece) + 1;
    QByteArray noPiece = good;
    noPiece.truncate(good.lastIndexOf("piece 5"));
    QByteArray twice = good;
    twice.replace("piece 5", "piece 4");
    QByteArray notANumber = good;
    notANumber.insert(firstMove, "l nan 3\n");
    QByteArray farAway = good;
    farAway.insert(firstMove, "l 1e9 3\n");
    QByteArray unknown = good;
    unknown.insert(firstMove, "q 1 2 3 4\n");
    QByteArray shortLine = good;
    shortLine.insert(firstMove, "c 1 2 3\n");
    QByteArray open = good;
    open.chop(good.size() - good.lastIndexOf("end"));
    QByteArray badColour = good;
    badColour.replace("style #", "style ?");
    QByteArray huge = good;
    QByteArray lines;
    for (int i = 0; i < 20001; ++i)
        lines += "l 1 2\n";
    huge.insert(firstMove, lines);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("wrong header") << QByteArray("rookvale-piece-outlines 2\n") + good.mid(26);
    QTest::newRow("a kind missing") << noPiece;
    QTest::newRow("a kind twice") << twice;
    QTest::newRow("not a number") << notANumber;
    QTest::newRow("far outside the cell") << farAway;
    QTest::newRow("unknown command") << unknown;
    QTest::newRow("curve too short") << shortLine;
    QTest::newRow("piece not ended") << open;
    QTest::newRow("bad colour") << badColour;
    QTest::newRow("too many commands") << huge;
    QTest::newRow("binary") << QByteArray("\x00\xff\x10piece", 8);
}

void ScaleTest::badOutlineFiles() {
    QFETCH(QByteArray, text);
    QTemporaryDir folder;
    QVERIFY(!ReadPieceOutlines(writeFile(folder, text)));
    QVERIFY(ReadPieceOutlines(writeFile(folder, validFile())));
}

void ScaleTest::piecesAtEverySize_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<double>("ratio");
    QTest::newRow("smallest") << 30 << 1.0;
    QTest::newRow("default") << 60 << 1.0;
    QTest::newRow("default at ratio 2") << 60 << 2.0;
    QTest::newRow("odd size at ratio 1.5") << 77 << 1.5;
    QTest::newRow("largest") << 160 << 1.0;
    QTest::newRow("largest at ratio 2") << 160 << 2.0;
}

void ScaleTest::piecesAtEverySize() {
    QFETCH(int, pixels);
    QFETCH(double, ratio);
    const auto outlines = ReadPieceOutlines(BoardPictures::PieceOutlineFile("Classic"));
    QVERIFY(outlines);
    const QVector<QPixmap> pieces = BoardPictures::PiecePictures("Classic", pixels, ratio);
    QCOMPARE(pieces.size(), BoardPictures::kPieceImages);
    const int device = qRound(pixels * ratio);
    for (int i = 0; i < pieces.size(); ++i) {
        QCOMPARE(pieces[i].width(), device);
        QCOMPARE(pieces[i].devicePixelRatio(), ratio);
        const QImage picture = pieces[i].toImage().convertToFormat(QImage::Format_ARGB32);
        // Drawn for this size, not a scaled 60-pixel picture: every pixel is either left
        // out or opaque, as a smoothly scaled picture's edges never are.
        int opaque = 0;
        for (int y = 0; y < device; ++y) {
            for (int x = 0; x < device; ++x) {
                const int alpha = qAlpha(picture.pixel(x, y));
                QVERIFY2(alpha == 0 || alpha == 255, "a half-transparent edge pixel");
                opaque += alpha == 255;
            }
        }
        // A piece covers a fair part of its square at any size.
        QVERIFY(opaque > device * device / 8);
        if (device != BoardPictures::kSquareSize) {
            QImage drawn = DrawPiece(*outlines, i / 2, i % 2 == 0, device);
            drawn.setDevicePixelRatio(ratio);
            QCOMPARE(picture, drawn);
        }
    }
}

void ScaleTest::boardFollowsTheWindow_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("square");
    QTest::newRow("default") << QSize(734, 607) << 60;
    QTest::newRow("smallest window") << QSize(100, 100) << 30;
    QTest::newRow("narrow") << QSize(520, 900) << 34;
    QTest::newRow("wide but low") << QSize(1800, 700) << 70;
    QTest::newRow("large") << QSize(1100, 950) << 100;
    QTest::newRow("beyond the largest") << QSize(2400, 2000) << 160;
}

void ScaleTest::boardFollowsTheWindow() {
    QFETCH(QSize, size);
    QFETCH(int, square);
    TestSettings settings;
    TMDIChild window;
    window.resize(size);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.SquareSize(), square);
    QVERIFY(window.width() >= std::min(size.width(), window.minimumWidth()));
    // The squares tile the board edge to edge, a8 top left, h1 bottom right.
    const QRect a8 = geometryOf(window, "a8");
    QCOMPARE(a8.size(), QSize(square, square));
    QCOMPARE(a8.top(), 0);
    QCOMPARE(geometryOf(window, "b8").topLeft(), a8.topLeft() + QPoint(square, 0));
    QCOMPARE(geometryOf(window, "a7").topLeft(), a8.topLeft() + QPoint(0, square));
    QCOMPARE(geometryOf(window, "h1").topLeft(), a8.topLeft() + QPoint(7 * square, 7 * square));
    // The board and its labels fit the board panel, left of the right panel.
    const QWidget* left = window.findChild<QWidget*>("LeftPanel");
    QVERIFY(left->rect().contains(geometryOf(window, "h1")));
    QVERIFY(left->rect().contains(geometryOf(window, "Label8")));
    QCOMPARE(window.findChild<QWidget*>("RightPanel")->x(), left->width());
    // The labels grow with the squares and stay beside their file and rank.
    const QRect fileA = geometryOf(window, "Label1");
    const QRect rank8 = geometryOf(window, "Label16");
    QVERIFY(fileA.top() >= 8 * square);
    QVERIFY(fileA.center().x() > a8.left() && fileA.center().x() < a8.right());
    QVERIFY(rank8.right() < a8.left());
    QVERIFY(rank8.center().y() > a8.top() && rank8.center().y() < a8.bottom());
    QCOMPARE(window.findChild<QLabel*>("Label1")->font().pixelSize(), (24 * square + 30) / 60);
    // Every square shows its piece at the board's size.
    const QPixmap pawn = window.findChild<QLabel*>("e2")->pixmap();
    QCOMPARE(qRound(pawn.width() / pawn.devicePixelRatio()), square);
    QVERIFY(window.findChild<QLabel*>("e4")->pixmap().isNull());
}

void ScaleTest::framesAndTurnFollowTheSize() {
    TestSettings settings;
    TMDIChild window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.game().MakeMove("e2", "e4"));
    QLabel* frame = window.findChild<QLabel*>("TheBorderImage2");
    QCOMPARE(frame->geometry(), geometryOf(window, "e4"));
    // The frames follow the board as it grows, and keep to their squares when it turns.
    window.resize(1100, 950);
    QTRY_COMPARE(window.SquareSize(), 100);
    QCOMPARE(frame->geometry(), geometryOf(window, "e4"));
    QCOMPARE(qRound(frame->pixmap().width() / frame->pixmap().devicePixelRatio()), 100);
    window.InvertBoard1Click();
    QCOMPARE(geometryOf(window, "h1").topLeft(),
             geometryOf(window, "a8").topLeft() - QPoint(7 * 100, 7 * 100));
    QVERIFY(frame->geometry().bottom() < 0); // parked until the next move
    QVERIFY(window.game().MakeMove("e7", "e5"));
    QCOMPARE(frame->geometry(), geometryOf(window, "e5"));
    // A turned board keeps turned when the window shrinks back.
    window.resize(734, 607);
    QTRY_COMPARE(window.SquareSize(), 60);
    QCOMPARE(geometryOf(window, "h1").topLeft(), QPoint(23, 0));
    QCOMPARE(frame->geometry(), geometryOf(window, "e5"));
}
