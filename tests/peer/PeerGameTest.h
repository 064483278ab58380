#pragma once

#include <QObject>

class PeerGameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void resign_data();
    void resign();
    void drawOffer_data();
    void drawOffer();
    void takeBack_data();
    void takeBack();
    void abort_data();
    void abort();
    void oldPeerSeesNothingNew();
    void movesCarryHalfMoveAndPosition();
    void differingBoardsAreSaidOnBothSides_data();
    void differingBoardsAreSaidOnBothSides();
};
