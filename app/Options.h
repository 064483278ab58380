#pragma once

#include <QString>

class IniFile;

// The three choices of the Options menu and how they are kept in "Settings.ini".
enum class PieceSetChoice { Modern1 = 1, Modern2 = 2, Classic = 3, Sharp = 4 };
enum class BoardColourChoice { SkyBlue = 1, BestGreen = 2 };

struct Options {
    PieceSetChoice pieces = PieceSetChoice::Modern2;
    BoardColourChoice board = BoardColourChoice::BestGreen;
    bool sound = true;
};

inline const QString kOptionsSection = QStringLiteral("Options");
inline const QString kPiecesKey = QStringLiteral("Pieces");
inline const QString kBoardKey = QStringLiteral("Board");
inline const QString kSoundKey = QStringLiteral("Sound");
// Added after the first three: a file without it marks the legal targets.
inline const QString kLegalTargetsKey = QStringLiteral("LegalTargets");

// The read rules compare the stored text exactly: anything unexpected, missing or empty
// falls back to Modern 2, Best Green and sounds on.
PieceSetChoice pieceSetFromText(const QString& text);
BoardColourChoice boardColoursFromText(const QString& text);
bool soundFromText(const QString& text);
bool legalTargetsFromText(const QString& text);

Options readOptions(const IniFile& file);

// The digit written for each choice.
QString pieceSetText(PieceSetChoice choice);
QString boardColoursText(BoardColourChoice choice);
QString soundText(bool on);
QString legalTargetsText(bool on);
