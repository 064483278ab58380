#pragma once

#include <QObject>

class ServerSideTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void wholeGameThroughTheWire();
    void enPassantAndPromotionLetters();
    void promotionChoiceDoesNotStayBehind();
    void extendedHelloAndDroppedLines();
    void termsAndNameRemembered();
    void termsAgreedWithANewCopy();
    void malformedLines_data();
    void malformedLines();
    void floodWithoutLineFeed();
    void burstArrivesCompleteInOrder();
    void floodOfLongChatLines();
    void connectingInALoopOpensBoundedWindows();
    void connectionsAreLimited();
    void newGamesAreLimited();
    void writeToBrokenConnection();
    void peerLeavesSilently();
    void sendingAndChat();
    void noPeerYet();
    void portInUse();
};
