#pragma once

#include <QObject>

class ClockTest : public QObject {
    Q_OBJECT
private slots:
    void newWindowHasNoClock();
    void dialogReadsTypedControls();
    void dialogPresetsAndNoClock();
    void changingDuringAGameAsks_data();
    void changingDuringAGameAsks();
    void faces();
    void flagFall_data();
    void flagFall();
    void gameEndStopsTheClocks();
    void turningSwapsTheFaces();
    void resignAndDraw_data();
    void resignAndDraw();
    void itemsOnlyForOneBoard();
    void takeBack_data();
    void takeBack();
    void takeBackByKeys();
    void takeBackRunsTheClockOn();
};
