#pragma once

#include <QObject>

class AdvertisementTest : public QObject {
    Q_OBJECT
private slots:
    void pageShownOnlyOnceTheWindowIsShown();
    void failedLoadLeavesPanelEmpty_data();
    void failedLoadLeavesPanelEmpty();
    void pageResourcesAreNeverLoaded();
    void bigPagesAreCutOff_data();
    void bigPagesAreCutOff();
    void pageAtTheLimitIsShown();
    void linksGoToTheUsersBrowserOnly();
    void silentAndSlowHostsAreGivenUp();
};
