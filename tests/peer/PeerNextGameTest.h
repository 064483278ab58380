#pragma once

#include <QObject>

class PeerNextGameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void endCrossingAMove_data();
    void endCrossingAMove();
    void rematchSwapsColours_data();
    void rematchSwapsColours();
    void newGameProposesTheTermsAgain_data();
    void newGameProposesTheTermsAgain();
    void differingSideTakesTheMoversMoves_data();
    void differingSideTakesTheMoversMoves();
    void moverSendsItsMovesAgain();
};
