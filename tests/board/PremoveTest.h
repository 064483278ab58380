#pragma once

#include <QObject>

// Premoves entered on the board without an opponent process: the user's colour comes from
// agreed peer colours, and the opponent's moves are made from outside as the link makes them.
class PremoveTest : public QObject {
    Q_OBJECT
private slots:
    void marksMatchNextTurnRules();
    void marksSwitchedOff();
    void typedPremoves_data();
    void typedPremoves();
    void typedPremoveIsMade_data();
    void typedPremoveIsMade();
    void cancelledPremoveIsSaid();
    void noPremoveWithoutColours();
};
