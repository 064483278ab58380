#pragma once

#include <QObject>

class PicturesTest : public QObject {
    Q_OBJECT
private slots:
    void pieceSheets_data();
    void pieceSheets();
    void setsLookDifferent();
    void flatPictures_data();
    void flatPictures();
    void dragCursor();
    void cuttingOddSheets();
    void fileChoice_data();
    void fileChoice();
};
