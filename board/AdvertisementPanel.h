#pragma once

#include <QByteArray>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The advertisement page of the game window: the "/ad" page of the product's web host.
// The page comes from outside and is held to bounds: it is requested only once the panel
// has first been painted, so that it costs nothing before; it is given up after
// kGiveUpMs or beyond kMaxPageBytes; and it is shown without any resource it names
// (pictures, style sheets, local files), since the text browser would read those itself,
// whole and on the user-interface thread. A page that fails, is too big or never comes
// leaves the panel empty; nothing waits for it.
class AdvertisementPanel : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr int kGiveUpMs = 10000;
    static constexpr qsizetype kMaxPageBytes = 256 * 1024;

    enum class PageState {
        NotRequested, // the panel has not been painted yet
        Loading,
        Shown,
        Refused, // failed, too big, not a plain 200 answer, or given up
    };

    explicit AdvertisementPanel(QWidget* parent = nullptr);

    // The host the page is fetched from: the environment variable ROOKVALE_AD_HOST when
    // set (tests point it at a local server), otherwise the product's host. Read when the
    // panel is made.
    static QString Host();

    PageState State() const { return m_state; }

protected:
    // Refuses every resource: returns an empty value, which also keeps the document from
    // reading the name as a local file by itself.
    QVariant loadResource(int type, const QUrl& name) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RequestPage();
    void ReadPage(QNetworkReply* reply);
    void FinishPage(QNetworkReply* reply);
    void OpenLink(const QUrl& link);

    const QUrl m_pageUrl;
    QNetworkAccessManager* m_network = nullptr;
    QByteArray m_page;
    PageState m_state = PageState::NotRequested;
};
