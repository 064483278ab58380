#include "app/Options.h"

#include "app/IniFile.h"

PieceSetChoice pieceSetFromText(const QString& text) {
    // The order of the tests is the stored format's: "1", then "4", then "3".
    if (text == QLatin1String("1"))
        return PieceSetChoice::Modern1;
    if (text == QLatin1String("4"))
        return PieceSetChoice::Sharp;
    if (text == QLatin1String("3"))
        return PieceSetChoice::Classic;
    return PieceSetChoice::Modern2;
}

BoardColourChoice boardColoursFromText(const QString& text) {
    return text == QLatin1String("1") ? BoardColourChoice::SkyBlue : BoardColourChoice::BestGreen;
}

bool soundFromText(const QString& text) {
    return text != QLatin1String("0");
}

bool legalTargetsFromText(const QString& text) {
    return text != QLatin1String("0");
}

Options readOptions(const IniFile& file) {
    Options options;
    options.pieces = pieceSetFromText(file.value(kOptionsSection, kPiecesKey));
    options.board = boardColoursFromText(file.value(kOptionsSection, kBoardKey));
    options.sound = soundFromText(file.value(kOptionsSection, kSoundKey));
    return options;
}

QString pieceSetText(PieceSetChoice choice) {
    return QString::number(static_cast<int>(choice));
}

QString boardColoursText(BoardColourChoice choice) {
    return QString::number(static_cast<int>(choice));
}

QString soundText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString legalTargetsText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
