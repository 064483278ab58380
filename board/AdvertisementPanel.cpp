#include "AdvertisementPanel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

const char kProductHost[] = "http://www.rookvale.example";
constexpr int kGiveUpMs = 15000; // a host that accepts and never answers is dropped

} // namespace

QString AdvertisementPanel::Host() {
    const QString overridden = qEnvironmentVariable("ROOKVALE_AD_HOST");
    return overridden.isEmpty() ? QString::fromLatin1(kProductHost) : overridden;
}

AdvertisementPanel::AdvertisementPanel(QWidget* parent)
    : QTextBrowser(parent), m_network(new QNetworkAccessManager(this)) {
    setObjectName(QStringLiteral("CppWebBrowser1"));
    setOpenExternalLinks(true);
    QNetworkRequest request(QUrl(Host() + QStringLiteral("/ad")));
    request.setTransferTimeout(kGiveUpMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply->error() == QNetworkReply::NoError)
            setHtml(QString::fromUtf8(reply->readAll()));
    });
}
