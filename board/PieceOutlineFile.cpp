#include "PieceOutlineFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <bitset>
#include <cmath>

namespace {

const QByteArray kHeader = "rookvale-piece-outlines 1";
constexpr qint64 kLargestFile = 4 * 1024 * 1024;
constexpr int kMostCommands = 20000; // per piece; a glyph outline has a few hundred
// Shapes lie in a 60-unit cell; anything far beyond it is not a piece.
constexpr double kFarthest = 4.0 * PieceOutlines::kOutlineCell;

QByteArray number(qreal value) {
    // Seventeen digits read back to the same double, so that a piece drawn from the file
    // is the piece the file was written from, to the pixel.
    return QByteArray::number(value, 'g', 17);
}

QByteArray colourText(const QColor& colour) {
    return colour.name(QColor::HexRgb).toLatin1();
}

std::optional<QColor> colourOf(const QByteArray& text) {
    if (text.size() != 7 || !text.startsWith('#'))
        return std::nullopt;
    const QColor colour = QColor::fromString(QLatin1StringView(text));
    return colour.isValid() ? std::optional(colour) : std::nullopt;
}

std::optional<std::vector<double>> numbersOf(const QList<QByteArray>& words, int count) {
    if (words.size() != count + 1)
        return std::nullopt;
    std::vector<double> values;
    for (int i = 1; i <= count; ++i) {
        bool ok = false;
        const double v = words[i].toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::abs(v) > kFarthest)
            return std::nullopt;
        values.push_back(v);
    }
    return values;
}

bool readStyle(const QList<QByteArray>& words, PieceStyle& style) {
    if (words.size() != 10)
        return false;
    QColor* colours[6] = {&style.whiteLight, &style.whiteDark,  &style.blackLight,
                          &style.blackDark,  &style.whiteLines, &style.blackLines};
    for (int i = 0; i < 6; ++i) {
        const std::optional<QColor> colour = colourOf(words[1 + i]);
        if (!colour)
            return false;
        *colours[i] = *colour;
    }
    bool rimOk = false, facettedOk = false, radialOk = false;
    style.rimWidth = words[7].toInt(&rimOk);
    const int facetted = words[8].toInt(&facettedOk);
    const int radial = words[9].toInt(&radialOk);
    if (!rimOk || !facettedOk || !radialOk || style.rimWidth < 0 || style.rimWidth > 8 ||
        (facetted != 0 && facetted != 1) || (radial != 0 && radial != 1))
        return false;
    style.facetted = facetted == 1;
    style.radial = radial == 1;
    return true;
}

// One path command; returns false for an unknown or malformed one.
bool readCommand(const QList<QByteArray>& words, QPainterPath& path) {
    const QByteArray& command = words.first();
    if (command == "m" || command == "l") {
        const auto v = numbersOf(words, 2);
        if (!v)
            return false;
        if (command == "m")
            path.moveTo((*v)[0], (*v)[1]);
        else
            path.lineTo((*v)[0], (*v)[1]);
        return true;
    }
    if (command == "c") {
        const auto v = numbersOf(words, 6);
        if (!v)
            return false;
        path.cubicTo((*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5]);
        return true;
    }
    return false;
}

} // namespace

bool WritePieceOutlines(const PieceOutlines& set, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const PieceStyle& s = set.style;
    QByteArray text = kHeader + '\n';
    text += "style " + colourText(s.whiteLight) + ' ' + colourText(s.whiteDark) + ' ' +
            colourText(s.blackLight) + ' ' + colourText(s.blackDark) + ' ' +
            colourText(s.whiteLines) + ' ' + colourText(s.blackLines) + ' ' +
            QByteArray::number(s.rimWidth) + ' ' + (s.facetted ? "1" : "0") + ' ' +
            (s.radial ? "1" : "0") + '\n';
    for (int kind = 0; kind < 6; ++kind) {
        const QPainterPath& shape = set.shapes[kind];
        text += "piece " + QByteArray::number(kind) + ' ' +
                (shape.fillRule() == Qt::WindingFill ? "winding" : "oddeven") + '\n';
        for (int i = 0; i < shape.elementCount(); ++i) {
            const QPainterPath::Element e = shape.elementAt(i);
            if (e.isMoveTo() || e.isLineTo()) {
                text += (e.isMoveTo() ? "m " : "l ") + number(e.x) + ' ' + number(e.y) + '\n';
            } else if (e.isCurveTo() && i + 2 < shape.elementCount()) {
                const QPainterPath::Element c2 = shape.elementAt(i + 1);
                const QPainterPath::Element end = shape.elementAt(i + 2);
                text += "c " + number(e.x) + ' ' + number(e.y) + ' ' + number(c2.x) + ' ' +
                        number(c2.y) + ' ' + number(end.x) + ' ' + number(end.y) + '\n';
                i += 2;
            }
        }
        text += "end\n";
    }
    return file.write(text) == text.size() && file.commit();
}

std::optional<PieceOutlines> ReadPieceOutlines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFile)
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        return std::nullopt;
    PieceOutlines set;
    bool styled = false;
    std::bitset<6> seen;
    int kind = -1; // the piece being read, -1 between pieces
    int commands = 0;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QList<QByteArray> words = lines[n].simplified().split(' ');
        const QByteArray& command = words.first();
        if (command.isEmpty())
            continue;
        if (kind < 0) {
            if (command == "style" && !styled) {
                if (!readStyle(words, set.style))
                    return std::nullopt;
                styled = true;
            } else if (command == "piece" && words.size() == 3) {
                bool ok = false;
                kind = words[1].toInt(&ok);
                if (!ok || kind < 0 || kind >= 6 || seen[kind] ||
                    (words[2] != "winding" && words[2] != "oddeven"))
                    return std::nullopt;
                seen[kind] = true;
                commands = 0;
                set.shapes[kind].setFillRule(words[2] == "winding" ? Qt::WindingFill
                                                                   : Qt::OddEvenFill);
            } else {
                return std::nullopt;
            }
        } else if (command == "end") {
            kind = -1;
        } else if (++commands > kMostCommands || !readCommand(words, set.shapes[kind])) {
            return std::nullopt;
        }
    }
    if (!styled || !seen.all() || kind >= 0)
        return std::nullopt;
    return set;
}
