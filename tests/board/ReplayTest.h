#pragma once

#include <QObject>

class ReplayTest : public QObject {
    Q_OBJECT
private slots:
    void wholeGames_data();
    void wholeGames();
    void scriptedGamesCoverEveryMarker();
    void moveListSelectionAndClicks();
    void rowsAndScrollRange();
    void moveArrivingDuringReplay();
    void turningDuringReplay();
    void loadedGame();
};
