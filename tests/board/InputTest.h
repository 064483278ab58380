#pragma once

#include <QObject>

class InputTest : public QObject {
    Q_OBJECT
private slots:
    void pickUp_data();
    void pickUp();
    void pressDuringReplayShowsLive();
    void pressInFinishedGame();
    void engineColourCannotBeTaken();
    void dropMakesTheMoveAndCallsHooks();
    void refusedDrops_data();
    void refusedDrops();
    void dropFromAnotherWindowRefused();
    void promotionDialog_data();
    void promotionDialog();
    void promotionChoiceGoesToAsker();
    void dialogLayout();
    void menus();
};
