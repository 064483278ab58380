#include "AdvertisementPanel.h"

#include <QDesktopServices>
#include <QEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>

namespace {

const char kProductHost[] = "http://www.rookvale.example";

} // namespace

QString AdvertisementPanel::Host() {
    const QString overridden = qEnvironmentVariable("ROOKVALE_AD_HOST");
    return overridden.isEmpty() ? QString::fromLatin1(kProductHost) : overridden;
}

AdvertisementPanel::AdvertisementPanel(QWidget* parent)
    : QTextBrowser(parent), m_pageUrl(Host() + QStringLiteral("/ad")) {
    setObjectName(QStringLiteral("CppWebBrowser1"));
    // A link is handed to the user's browser, never followed here.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &AdvertisementPanel::OpenLink);
    viewport()->installEventFilter(this);
}

QVariant AdvertisementPanel::loadResource(int, const QUrl&) {
    return QByteArray();
}

bool AdvertisementPanel::eventFilter(QObject* watched, QEvent* event) {
    // The first paint has begun; the request goes out once it is on the screen.
    if (watched == viewport() && event->type() == QEvent::Paint &&
        m_state == PageState::NotRequested) {
        viewport()->removeEventFilter(this);
        m_state = PageState::Loading;
        QTimer::singleShot(0, this, &AdvertisementPanel::RequestPage);
    }
    return QTextBrowser::eventFilter(watched, event);
}

void AdvertisementPanel::RequestPage() {
    m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(m_pageUrl);
    // One request for the page itself: no redirect to elsewhere, and no compression, so
    // that the bytes counted against the limit are the bytes that arrive.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply] {
        bool known = false;
        const qlonglong length =
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > kMaxPageBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { ReadPage(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { FinishPage(reply); });
    // The transfer timeout of Qt restarts with every byte; a page sent slowly is given
    // up all the same.
    QTimer::singleShot(kGiveUpMs, reply, &QNetworkReply::abort);
}

void AdvertisementPanel::ReadPage(QNetworkReply* reply) {
    // Only what has arrived: a read asked for more sets aside the whole limit at once.
    m_page +=
        reply->read(std::min<qint64>(reply->bytesAvailable(), kMaxPageBytes + 1 - m_page.size()));
    if (m_page.size() > kMaxPageBytes && reply->isRunning())
        reply->abort();
}

void AdvertisementPanel::FinishPage(QNetworkReply* reply) {
    reply->deleteLater();
    ReadPage(reply);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200 ||
        m_page.size() > kMaxPageBytes) {
        m_page.clear();
        m_state = PageState::Refused;
        return;
    }
    setHtml(QString::fromUtf8(m_page));
    m_page.clear();
    m_state = PageState::Shown;
}

void AdvertisementPanel::OpenLink(const QUrl& link) {
    const QUrl target = m_pageUrl.resolved(link);
    if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(target);
}
