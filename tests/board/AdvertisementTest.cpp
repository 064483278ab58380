#include "AdvertisementTest.h"

#include "board/AdvertisementPanel.h"
#include "board/TMDIChild.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// A one-page web host on loopback: answers each request with `reply` and keeps the
// request line it was sent.
class TinyHost : public QTcpServer {
public:
    explicit TinyHost(QByteArray reply) : m_reply(std::move(reply)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                requestLine = request.left(request.indexOf("\r\n"));
                socket->write(m_reply);
                socket->disconnectFromHost();
            });
        });
        listen(QHostAddress::LocalHost);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    QByteArray requestLine;

private:
    QByteArray m_reply;
};

} // namespace

void AdvertisementTest::pageShownWhenServed() {
    TinyHost host("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                  "<html><body><p>Rookvale 1.0 for two players</p></body></html>");
    qputenv("ROOKVALE_AD_HOST", host.url().toLatin1());
    TMDIChild window;
    qunsetenv("ROOKVALE_AD_HOST");
    auto* panel = window.findChild<AdvertisementPanel*>("CppWebBrowser1");
    QVERIFY(panel);
    QTRY_VERIFY(panel->toPlainText().contains("Rookvale 1.0 for two players"));
    QCOMPARE(host.requestLine, QByteArray("GET /ad HTTP/1.1"));
}

void AdvertisementTest::failedLoadLeavesPanelEmpty() {
    TinyHost host("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<p>missing</p>");
    qputenv("ROOKVALE_AD_HOST", host.url().toLatin1());
    TMDIChild window;
    qunsetenv("ROOKVALE_AD_HOST");
    auto* panel = window.findChild<AdvertisementPanel*>("CppWebBrowser1");
    // The window is complete before the page arrives, and playing does not wait for it.
    QVERIFY(window.game().MakeMove("e2", "e4"));
    QTRY_VERIFY(!host.requestLine.isEmpty());
    QTest::qWait(200);
    QVERIFY(panel->toPlainText().isEmpty());
}
