// rvassets OUTPUT_FOLDER: draws every picture of the game window into OUTPUT_FOLDER.
#include "CursorFile.h"
#include "FlatPictures.h"
#include "PieceSheet.h"
#include "board/PieceOutlineFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

namespace {

const QString kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const QString kFreeSerif = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";

struct SheetFile {
    const char* name; // the sheet's file name without ".bmp"; the outlines add ".pieces"
    QString fontFile; // a TrueType file with the glyphs U+2654..U+265F
    PieceStyle style;
};

QList<SheetFile> pieceSets() {
    PieceStyle modern1{QColor(255, 255, 255), QColor(196, 200, 206), QColor(92, 96, 104),
                       QColor(18, 20, 24),    QColor(20, 20, 24),    QColor(210, 214, 220)};
    PieceStyle modern2{QColor(255, 252, 240), QColor(214, 190, 150), QColor(120, 84, 60),
                       QColor(28, 16, 10),    QColor(36, 22, 12),    QColor(236, 214, 178)};
    modern2.radial = true;
    PieceStyle classic{QColor(255, 250, 232), QColor(226, 210, 170), QColor(70, 64, 58),
                       QColor(10, 8, 6),      QColor(16, 12, 8),     QColor(220, 206, 170)};
    PieceStyle sharp{QColor(250, 250, 252), QColor(160, 172, 190), QColor(130, 40, 40),
                     QColor(52, 10, 12),    QColor(8, 8, 16),      QColor(250, 220, 200)};
    sharp.facetted = true;
    sharp.rimWidth = 2;
    return {{"modern1", kDejaVu, modern1},
            {"modern2", kDejaVu, modern2},
            {"classic", kFreeSerif, classic},
            {"sharp", kFreeSerif, sharp}};
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    if (!image.isNull() && image.save(folder.filePath(name), "BMP"))
        return true;
    QTextStream(stderr) << "rvassets: cannot write " << folder.filePath(name) << "\n";
    return false;
}

// The sheet and, beside it, the outlines it was drawn from, for drawing at other sizes.
bool savePieces(const SheetFile& set, const QDir& folder) {
    const std::optional<PieceOutlines> outlines = OutlinesFromFont(set.fontFile, set.style);
    const QString name = QString::fromLatin1(set.name);
    if (!outlines) {
        QTextStream(stderr) << "rvassets: no chess glyphs in " << set.fontFile << "\n";
        return false;
    }
    if (!WritePieceOutlines(*outlines, folder.filePath(name + ".pieces"))) {
        QTextStream(stderr) << "rvassets: cannot write " << folder.filePath(name + ".pieces")
                            << "\n";
        return false;
    }
    return save(DrawPieceSheet(*outlines), folder, name + ".bmp");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: rvassets OUTPUT_FOLDER\n";
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) {
        QTextStream(stderr) << "rvassets: cannot create " << argv[1] << "\n";
        return 1;
    }
    bool ok = true;
    for (const SheetFile& set : pieceSets())
        ok &= savePieces(set, folder);
    ok &= save(DrawSquare(QColor(222, 234, 246), 1), folder, "lightsq1.bmp");
    ok &= save(DrawSquare(QColor(104, 146, 196), 2), folder, "darksq1.bmp");
    ok &= save(DrawSquare(QColor(236, 236, 208), 3), folder, "lightsq2.bmp");
    ok &= save(DrawSquare(QColor(112, 148, 82), 4), folder, "darksq2.bmp");
    ok &= save(DrawBorder(QColor(246, 186, 24)), folder, "border.bmp");
    ok &= save(DrawWorkspaceTile(), folder, "background.bmp");
    ok &= WriteCursorFile(folder.filePath("move.cur"), DrawMoveCursor(), 16, 16);
    return ok ? 0 : 1;
}
