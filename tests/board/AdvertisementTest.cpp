#include "AdvertisementTest.h"

#include "board/AdvertisementPanel.h"
#include "board/TMDIChild.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

using State = AdvertisementPanel::PageState;

// A web host on loopback that answers every request with `head`, then `bodyBytes` bytes
// of filler sent as the client takes them (or `head` alone when there are none), then
// closes. A host with `silent` set reads the request and never answers; one with
// `trickleMs` sends a byte of its body at that interval. It keeps the request lines it
// was sent, what it sent, and whether the client went away.
class TinyHost : public QTcpServer {
public:
    explicit TinyHost(QByteArray head) : m_head(std::move(head)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this] { clientGone = true; });
        });
        listen(QHostAddress::LocalHost);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    qint64 bodyBytes = 0;
    bool silent = false;
    int trickleMs = 0;

    QList<QByteArray> requestLines;
    qint64 sent = 0;
    bool clientGone = false;

private:
    void answer(QTcpSocket* socket) {
        const QByteArray request = socket->readAll();
        requestLines << request.left(request.indexOf("\r\n"));
        if (silent)
            return;
        socket->write(m_head);
        if (trickleMs > 0) {
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            timer->start(trickleMs);
            return;
        }
        if (bodyBytes == 0) {
            socket->disconnectFromHost();
            return;
        }
        connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { feed(socket); });
        feed(socket);
    }
    void feed(QTcpSocket* socket) {
        const qint64 chunk = 64 * 1024;
        while (socket->bytesToWrite() < chunk && sent < bodyBytes) {
            const qint64 size = std::min(chunk, bodyBytes - sent);
            socket->write(QByteArray(size, 'a'));
            sent += size;
        }
        if (sent >= bodyBytes)
            socket->disconnectFromHost();
    }

    QByteArray m_head;
};

QByteArray okHead(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body;
}

// A game window whose panel asks `host`; not shown yet.
struct AdWindow {
    std::unique_ptr<TMDIChild> window;
    AdvertisementPanel* panel = nullptr;

    explicit AdWindow(const TinyHost& host) {
        qputenv("ROOKVALE_AD_HOST", host.url().toLatin1());
        window = std::make_unique<TMDIChild>();
        qunsetenv("ROOKVALE_AD_HOST");
        panel = window->findChild<AdvertisementPanel*>("CppWebBrowser1");
        if (!panel)
            qFatal("no advertisement panel");
    }
    void show() {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the game window was not exposed");
    }
};

} // namespace

void AdvertisementTest::pageShownOnlyOnceTheWindowIsShown() {
    TinyHost host(okHead("<html><body><p>Rookvale 1.0 for two players</p></body></html>"));
    AdWindow ad(host);
    QTest::qWait(300);
    QVERIFY(host.requestLines.isEmpty());
    QCOMPARE(ad.panel->State(), State::NotRequested);
    ad.show();
    QTRY_COMPARE(ad.panel->State(), State::Shown);
    QVERIFY(ad.panel->toPlainText().contains("Rookvale 1.0 for two players"));
    QCOMPARE(host.requestLines, QList<QByteArray>{"GET /ad HTTP/1.1"});
}

void AdvertisementTest::failedLoadLeavesPanelEmpty_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("not found") << QByteArray("HTTP/1.0 404 Not Found\r\n"
                                             "Content-Type: text/html\r\n\r\n<p>missing</p>");
    QTest::newRow("moved") << QByteArray("HTTP/1.0 301 Moved\r\nLocation: /elsewhere\r\n"
                                         "Content-Type: text/html\r\n\r\n<p>moved</p>");
    QTest::newRow("no answer") << QByteArray("garbage\r\n\r\n");
}
void AdvertisementTest::failedLoadLeavesPanelEmpty() {
    QFETCH(QByteArray, head);
    TinyHost host(head);
    AdWindow ad(host);
    ad.show();
    // The window is complete before the page arrives, and playing does not wait for it.
    QVERIFY(ad.window->game().MakeMove("e2", "e4"));
    QTRY_COMPARE(ad.panel->State(), State::Refused);
    QVERIFY(ad.panel->toPlainText().isEmpty());
    // Not even a redirect within the host is followed; Qt may only ask for the page again.
    QTest::qWait(100);
    for (const QByteArray& line : host.requestLines)
        QCOMPARE(line, QByteArray("GET /ad HTTP/1.1"));
}

void AdvertisementTest::pageResourcesAreNeverLoaded() {
    // Names that the text browser would read itself, whole, on the user-interface thread:
    // a device that never ends, a pipe that waits for a writer, a real picture; and a
    // picture and a style sheet on the host.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString picture = dir.filePath(QStringLiteral("picture.png"));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(picture));
    TinyHost host("");
    const QByteArray page = "<html><head><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
                            "<p>Buy Rookvale</p><img src=\"file:///dev/zero\">"
                            "<img src=\"" +
                            QUrl::fromLocalFile(pipe).toEncoded() + "\"><img src=\"" +
                            QUrl::fromLocalFile(picture).toEncoded() + "\"><img src=\"" +
                            host.url().toLatin1() + "/banner.png\"></body></html>";
    TinyHost served(okHead(page));
    AdWindow ad(served);
    ad.show();
    QTRY_COMPARE(ad.panel->State(), State::Shown);
    // Drawing the page is when pictures are asked for.
    ad.panel->grab();
    QTest::qWait(200);
    QVERIFY(ad.panel->toPlainText().contains("Buy Rookvale"));
    QCOMPARE(served.requestLines, QList<QByteArray>{"GET /ad HTTP/1.1"});
    QVERIFY(host.requestLines.isEmpty());
    // What the document keeps for the picture: the empty answer, not a decoded image.
    const QVariant kept =
        ad.panel->document()->resource(QTextDocument::ImageResource, QUrl::fromLocalFile(picture));
    QCOMPARE(kept.userType(), int(QMetaType::QByteArray));
    QVERIFY(kept.toByteArray().isEmpty());
    // Nobody holds the pipe open for reading.
    const int writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
    QCOMPARE(writer, -1);
    QCOMPARE(errno, ENXIO);
}

void AdvertisementTest::bigPagesAreCutOff_data() {
    QTest::addColumn<QByteArray>("head");
    const QByteArray hundredMiB = QByteArray::number(100 * 1024 * 1024);
    QTest::newRow("length given") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                                "Content-Length: " +
                                                hundredMiB + "\r\n\r\n");
    QTest::newRow("length not given")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
}
void AdvertisementTest::bigPagesAreCutOff() {
    QFETCH(QByteArray, head);
    TinyHost host(head);
    host.bodyBytes = 100 * 1024 * 1024;
    AdWindow ad(host);
    ad.show();
    QTRY_COMPARE(ad.panel->State(), State::Refused);
    QTRY_VERIFY(host.clientGone);
    QVERIFY(ad.panel->toPlainText().isEmpty());
    // Cut off near the limit, not after reading the whole page; the socket buffers of
    // loopback hold a few MiB of what was sent.
    QVERIFY2(host.sent < 16 * 1024 * 1024, qPrintable(QString::number(host.sent)));
}

void AdvertisementTest::pageAtTheLimitIsShown() {
    const QByteArray open = "<p>At the limit ";
    const QByteArray filler(AdvertisementPanel::kMaxPageBytes - open.size() - 4, 'a');
    TinyHost exact(okHead(open + filler + "</p>"));
    TinyHost over(okHead(open + filler + "a</p>"));
    AdWindow shown(exact);
    AdWindow refused(over);
    shown.show();
    refused.show();
    QTRY_COMPARE(shown.panel->State(), State::Shown);
    QVERIFY(shown.panel->toPlainText().startsWith("At the limit aaa"));
    QTRY_COMPARE(refused.panel->State(), State::Refused);
    QVERIFY(refused.panel->toPlainText().isEmpty());
}

// Records the links handed to the user's browser.
class LinkRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

void AdvertisementTest::linksGoToTheUsersBrowserOnly() {
    TinyHost host(okHead("<p><a href=\"/buy\">Buy</a></p>"));
    AdWindow ad(host);
    LinkRecorder browser;
    for (const char* scheme : {"http", "https", "file"})
        QDesktopServices::setUrlHandler(scheme, &browser, "open");
    // A link on the page goes out, resolved against the page; one to a local file does
    // not, and the panel itself never follows any.
    emit ad.panel->anchorClicked(QUrl("/buy"));
    emit ad.panel->anchorClicked(QUrl("https://shop.example/rookvale"));
    emit ad.panel->anchorClicked(QUrl("file:///dev/zero"));
    emit ad.panel->anchorClicked(QUrl("zero"));
    for (const char* scheme : {"http", "https", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(browser.opened,
             (QList<QUrl>{QUrl(host.url() + "/buy"), QUrl("https://shop.example/rookvale"),
                          QUrl(host.url() + "/zero")}));
    QVERIFY(ad.panel->source().isEmpty());
}

void AdvertisementTest::silentAndSlowHostsAreGivenUp() {
    TinyHost silent("");
    silent.silent = true;
    TinyHost slow("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>");
    slow.trickleMs = 200;
    AdWindow quiet(silent);
    AdWindow trickling(slow);
    quiet.show();
    trickling.show();
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY(!silent.requestLines.isEmpty() && !slow.requestLines.isEmpty());
    // Meanwhile the windows take moves and their event loop runs.
    QVERIFY(quiet.window->game().MakeMove("e2", "e4"));
    QVERIFY(trickling.window->game().MakeMove("d2", "d4"));
    QTest::qWait(2000);
    QCOMPARE(quiet.panel->State(), State::Loading);
    QCOMPARE(trickling.panel->State(), State::Loading);
    QTRY_VERIFY_WITH_TIMEOUT(silent.clientGone && slow.clientGone, 15000);
    QCOMPARE(quiet.panel->State(), State::Refused);
    QCOMPARE(trickling.panel->State(), State::Refused);
    QVERIFY(trickling.panel->toPlainText().isEmpty());
    qInfo("given up after %lld ms", static_cast<long long>(clock.elapsed()));
}

#include "AdvertisementTest.moc"
