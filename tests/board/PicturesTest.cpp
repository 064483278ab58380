#include "PicturesTest.h"

#include "board/BoardPictures.h"

#include <QBitmap>
#include <QFileInfo>
#include <QTest>

namespace {

// The share of a cell's pixels that are not its key colour.
double coverage(const QImage& cell) {
    const QRgb key = cell.pixel(0, cell.height() - 1);
    int covered = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            covered += cell.pixel(x, y) != key;
    return double(covered) / (cell.width() * cell.height());
}

// The share of pixels in which two cells differ.
double difference(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return double(differing) / (a.width() * a.height());
}

} // namespace

void PicturesTest::pieceSheets_data() {
    QTest::addColumn<QString>("set");
    for (const char* set : {"Modern 1", "Modern 2", "Classic", "Sharp"})
        QTest::newRow(set) << set;
}

void PicturesTest::pieceSheets() {
    QFETCH(QString, set);
    const QImage sheet(BoardPictures::PieceSheetFile(set));
    QVERIFY2(!sheet.isNull(), qPrintable(BoardPictures::PieceSheetFile(set)));
    QCOMPARE(sheet.size(), QSize(360, 120));
    const QVector<QImage> cells = BoardPictures::CutPieceSheet(sheet);
    QCOMPARE(cells.size(), 12);
    const QRgb key = sheet.pixel(0, 119);
    for (int i = 0; i < 12; ++i) {
        const QImage& cell = cells[i];
        // One background colour round every piece: all four corners and the whole edge.
        for (int t = 0; t < 60; ++t) {
            QCOMPARE(cell.pixel(t, 0), key);
            QCOMPARE(cell.pixel(t, 59), key);
            QCOMPARE(cell.pixel(0, t), key);
            QCOMPARE(cell.pixel(59, t), key);
        }
        QVERIFY2(coverage(cell) > 0.15, qPrintable(QString("cell %1 nearly empty").arg(i)));
        QVERIFY2(coverage(cell) < 0.75, qPrintable(QString("cell %1 overfull").arg(i)));
        // Even cells are white pieces, odd ones black: white ones are clearly lighter.
        // Even cells hold the white pieces, odd ones the black pieces of the same kind.
        if (i % 2 == 1)
            QVERIFY(difference(cells[i - 1], cell) > 0.2);
        // The keyed picture leaves exactly the background out.
        const QImage mask = BoardPictures::KeyedByBottomLeft(cell).mask().toImage();
        QCOMPARE(mask.pixelIndex(0, 59), mask.pixelIndex(59, 0));
        QVERIFY(mask.pixelIndex(30, 40) != mask.pixelIndex(0, 59));
    }
}

void PicturesTest::setsLookDifferent() {
    const QStringList sets = {"Modern 1", "Modern 2", "Classic", "Sharp"};
    for (int a = 0; a < sets.size(); ++a) {
        for (int b = a + 1; b < sets.size(); ++b) {
            const QImage first(BoardPictures::PieceSheetFile(sets[a]));
            const QImage second(BoardPictures::PieceSheetFile(sets[b]));
            QVERIFY2(difference(first, second) > 0.1, qPrintable(sets[a] + " vs " + sets[b]));
        }
    }
}

void PicturesTest::flatPictures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::newRow("light sky blue") << "Images/lightsq1.bmp" << QSize(60, 60);
    QTest::newRow("dark sky blue") << "Images/darksq1.bmp" << QSize(60, 60);
    QTest::newRow("light best green") << "Images/lightsq2.bmp" << QSize(60, 60);
    QTest::newRow("dark best green") << "Images/darksq2.bmp" << QSize(60, 60);
    QTest::newRow("frame") << "Images/border.bmp" << QSize(60, 60);
    QTest::newRow("workspace tile") << "Images/background.bmp" << QSize(128, 128);
}

void PicturesTest::flatPictures() {
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QImage picture(BoardPictures::ProgramFile(file));
    QCOMPARE(picture.size(), size);
    if (file.endsWith("border.bmp")) {
        QCOMPARE(picture.pixel(30, 30), qRgb(255, 255, 255));
        QVERIFY(picture.pixel(1, 1) != qRgb(255, 255, 255));
        QVERIFY(picture.pixel(58, 30) != qRgb(255, 255, 255));
    }
}

void PicturesTest::dragCursor() {
    const QImage cursor(BoardPictures::ProgramFile("Images/move.cur"));
    QVERIFY(!cursor.isNull());
    QCOMPARE(cursor.size(), QSize(32, 32));
    QVERIFY(qAlpha(cursor.pixel(0, 0)) == 0);
    QVERIFY(qAlpha(cursor.pixel(16, 3)) == 255);
    // The drag uses this same picture.
    QCOMPARE(BoardPictures::DragCursor().toImage().convertToFormat(QImage::Format_ARGB32),
             cursor.convertToFormat(QImage::Format_ARGB32));
}

void PicturesTest::cuttingOddSheets() {
    // A sheet that does not load gives twelve blank cells, and blank means invisible.
    const QVector<QImage> blank = BoardPictures::CutPieceSheet(QImage());
    QCOMPARE(blank.size(), 12);
    for (const QImage& cell : blank) {
        QCOMPARE(cell.size(), QSize(60, 60));
        const QImage mask = BoardPictures::KeyedByBottomLeft(cell).mask().toImage();
        for (int y = 0; y < 60; y += 7)
            for (int x = 0; x < 60; x += 7)
                QCOMPARE(mask.pixelIndex(x, y), mask.pixelIndex(0, 59));
    }
    // A smaller sheet fills what it covers; a larger one is cut from its top-left part.
    QImage small(90, 30, QImage::Format_RGB32);
    small.fill(Qt::red);
    const QVector<QImage> cut = BoardPictures::CutPieceSheet(small);
    QCOMPARE(cut[0].pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(cut[0].pixel(10, 40), qRgb(255, 255, 255));
    QCOMPARE(cut[1].pixel(29, 29), qRgb(255, 0, 0));
    QCOMPARE(cut[1].pixel(30, 29), qRgb(255, 255, 255));
    QCOMPARE(cut[6].pixel(10, 10), qRgb(255, 255, 255));
    QImage large(400, 200, QImage::Format_RGB32);
    large.fill(Qt::blue);
    large.setPixel(359, 119, qRgb(0, 255, 0));
    large.setPixel(360, 119, qRgb(255, 0, 0));
    QCOMPARE(BoardPictures::CutPieceSheet(large)[11].pixel(59, 59), qRgb(0, 255, 0));
}

void PicturesTest::fileChoice_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("pieces");
    QTest::addColumn<QString>("light");
    QTest::addColumn<QString>("dark");
    QTest::newRow("Modern 1") << "Modern 1"
                              << "modern1.bmp"
                              << "lightsq2.bmp"
                              << "darksq2.bmp";
    QTest::newRow("Modern 2") << "Modern 2"
                              << "modern2.bmp"
                              << "lightsq2.bmp"
                              << "darksq2.bmp";
    QTest::newRow("Classic") << "Classic"
                             << "classic.bmp"
                             << "lightsq2.bmp"
                             << "darksq2.bmp";
    QTest::newRow("unknown") << "Plastic"
                             << "sharp.bmp"
                             << "lightsq2.bmp"
                             << "darksq2.bmp";
    QTest::newRow("Sky Blue") << "Sky Blue"
                              << "sharp.bmp"
                              << "lightsq1.bmp"
                              << "darksq1.bmp";
    QTest::newRow("Best Green") << "Best Green"
                                << "sharp.bmp"
                                << "lightsq2.bmp"
                                << "darksq2.bmp";
}

void PicturesTest::fileChoice() {
    QFETCH(QString, setting);
    QFETCH(QString, pieces);
    QFETCH(QString, light);
    QFETCH(QString, dark);
    const QString folder = QCoreApplication::applicationDirPath() + "/Images/";
    QCOMPARE(BoardPictures::PieceSheetFile(setting), folder + pieces);
    QCOMPARE(BoardPictures::LightSquareFile(setting), folder + light);
    QCOMPARE(BoardPictures::DarkSquareFile(setting), folder + dark);
}
