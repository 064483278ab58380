#pragma once

#include <QObject>

// Click-click moves, the legal-target marks, typed moves and the shared promotion dialog.
class PlayTest : public QObject {
    Q_OBJECT
private slots:
    void clicks_data();
    void clicks();
    void escapeDropsThePick();
    void marksMatchRulesInRandomPositions();
    void marksSwitchedOff();
    void typedMoves_data();
    void typedMoves();
    void chatLineKeepsItsKeys();
    void secondPromotionWaitsForTheDialog();
    void movesInWords_data();
    void movesInWords();
    void squaresNamed();
    void cursorKeysPlay();
    void additionsDrawNothingUntilUsed();
};
