#pragma once

#include <QObject>

class PeerResumeTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savedGameText_data();
    void savedGameText();
    void unreadableSavedGameIsSetAside_data();
    void unreadableSavedGameIsSetAside();
    void recordMovesGoOnTheWire_data();
    void recordMovesGoOnTheWire();
    void droppedGameWaitsAndResumes_data();
    void droppedGameWaitsAndResumes();
    void resumeOfNoWaitingGameIsDeclined_data();
    void resumeOfNoWaitingGameIsDeclined();
    void savedGameReopensAndCatchesUp();
    void illegalCatchUpIsRefused();
    void killedClientResumesByConnecting();
};
