#pragma once

#include <QObject>

class ScaleTest : public QObject {
    Q_OBJECT
private slots:
    void outlinesDrawTheSheets_data();
    void outlinesDrawTheSheets();
    void outlineFileRoundTrip();
    void badOutlineFiles_data();
    void badOutlineFiles();
    void piecesAtEverySize_data();
    void piecesAtEverySize();
    void boardFollowsTheWindow_data();
    void boardFollowsTheWindow();
    void framesAndTurnFollowTheSize();
};
