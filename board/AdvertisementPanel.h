#pragma once

#include <QString>
#include <QTextBrowser>

class QNetworkAccessManager;

// The advertisement page of the game window: the "/ad" page of the product's web host,
// fetched in the background once the panel exists. A page that fails or never comes
// leaves the panel empty; nothing waits for it.
class AdvertisementPanel : public QTextBrowser {
    Q_OBJECT
public:
    explicit AdvertisementPanel(QWidget* parent = nullptr);

    // The host the page is fetched from: the environment variable ROOKVALE_AD_HOST when
    // set (tests point it at a local server), otherwise the product's host.
    static QString Host();

private:
    QNetworkAccessManager* m_network;
};
