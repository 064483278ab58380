#pragma once

#include <QObject>

class AdvertisementTest : public QObject {
    Q_OBJECT
private slots:
    void pageShownWhenServed();
    void failedLoadLeavesPanelEmpty();
};
