#pragma once

#include <QObject>

class ClientSideTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void connectAndPlay();
    void oneLinePerTick();
    void linesAtOnceAfterHello();
    void termsPrompt_data();
    void termsPrompt();
    void burstArrivesCompleteInOrder();
    void floodWithoutLineFeed();
    void connectFailure();
    void slowConnectKeepsRunning();
    void connectWhileConnected();
    void peerClosesMidGame();
    void resetConnection();
    void closingEndsTheLink();
    void linkWindows();
};
