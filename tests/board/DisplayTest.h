#pragma once

#include <QObject>

class DisplayTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAtCreation();
    void squaresInBothOrientations();
    void invertAndFlipUndoEachOther();
    void framesParkedAndPlaced();
    void counters_data();
    void counters();
    void capturesCountedInPlay();
    void pieceSetChangeDuringReplay();
    void boardColourChange();
    void titleAndSounds();
    void closing();
};
