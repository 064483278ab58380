#pragma once

#include <QObject>

class PeerClockTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void movesCarryTheMoversTime_data();
    void movesCarryTheMoversTime();
    void pingIsAnsweredWithPong();
    void flagClaimedAfterTheRoundTrip_data();
    void flagClaimedAfterTheRoundTrip();
    void claimCheckedAgainstOwnClock_data();
    void claimCheckedAgainstOwnClock();
    void claimCrossingTheOwnMove();
    void flagClaimBetweenTwoPrograms_data();
    void flagClaimBetweenTwoPrograms();
};
