#include "peer/PeerLink.h"

#include "peer/PeerConnection.h"
#include "peer/PeerProtocol.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr int kBacklog = 5;

} // namespace

PeerLink::PeerLink(QObject* parent) : QObject(parent) {
    m_server = new QTcpServer(this);
    m_server->setObjectName(QStringLiteral("IdTCPServer1"));
    m_server->setListenBacklogSize(kBacklog);
    connect(m_server, &QTcpServer::newConnection, this, &PeerLink::acceptConnections);

    m_client = new QTcpSocket(this);
    m_client->setObjectName(QStringLiteral("IdTCPClient1"));
    m_clientLines = new PeerConnection(*m_client, PeerConnection::Delivery::OnRequest, this);
    connect(m_clientLines, &PeerConnection::writeFailed, this, &PeerLink::sendFailed);
    connect(m_clientLines, &PeerConnection::lineReceived, this,
            [this](const QByteArray& line) { routeLine(*m_clientLines, line); });
    connect(m_client, &QTcpSocket::connected, this, [this] {
        sayHello(*m_clientLines);
        finishConnect(true);
    });
    connect(m_client, &QTcpSocket::errorOccurred, this, [this] {
        if (m_connecting)
            finishConnect(false);
    });
}

PeerLink::~PeerLink() {
    // Quietly: whoever listens to the outcome of an attempt may be half gone by now.
    m_connecting = false;
    m_client->abort();
    StopServer();
}

bool PeerLink::Listen(QString& error) {
    if (m_server->isListening())
        return true;
    if (m_server->listen(QHostAddress::Any, peerPort()))
        return true;
    error = m_server->errorString();
    return false;
}

bool PeerLink::ServerActive() const {
    return m_server->isListening();
}

void PeerLink::StopServer() {
    m_server->close();
    // A connection may be in the middle of carrying out one of its lines (a nested event
    // loop); it is deleted once that is over.
    std::vector<PeerConnection*> connections;
    connections.swap(m_connections);
    for (PeerConnection* connection : connections) {
        connection->Socket().abort();
        connection->deleteLater();
    }
}

void PeerLink::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (ConnectionCount() >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* connection = new PeerConnection(*socket, PeerConnection::Delivery::AtOnce, this);
        socket->setParent(connection);
        m_connections.push_back(connection);
        connect(connection, &PeerConnection::lineReceived, this,
                [this, connection](const QByteArray& line) { routeLine(*connection, line); });
        connect(connection, &PeerConnection::writeFailed, this, &PeerLink::sendFailed);
        connect(socket, &QTcpSocket::disconnected, this,
                [this, connection] { dropConnection(connection); });
        sayHello(*connection);
        emit peerConnected(connection);
    }
}

void PeerLink::sayHello(PeerConnection& connection) {
    // An old copy drops the line unread, as it drops every line it does not know.
    connection.WriteLine(PeerHandshake::HelloLine(m_playerName));
}

void PeerLink::routeLine(PeerConnection& connection, const QByteArray& line) {
    if (isExtendedLine(line))
        routeExtendedLine(connection, line);
    else
        emit lineReceived(&connection, line);
}

void PeerLink::routeExtendedLine(PeerConnection& connection, const QByteArray& line) {
    const PeerHandshake::Outcome outcome = connection.Handshake().Receive(line);
    if (!outcome.log.isEmpty())
        emit extendedLog(outcome.log);
    if (outcome.message)
        emit extendedMessage(&connection, *outcome.message);
}

void PeerLink::dropConnection(PeerConnection* connection) {
    const auto found = std::find(m_connections.begin(), m_connections.end(), connection);
    if (found == m_connections.end())
        return;
    m_connections.erase(found);
    connection->deleteLater();
}

bool PeerLink::Connect(const QString& host) {
    if (m_connecting)
        return false;
    m_connecting = true;
    emit connectStarted();
    if (ClientConnected()) {
        finishConnect(false);
        return true;
    }
    m_client->abort();
    m_clientLines->Clear();
    m_client->connectToHost(host, peerPort());
    return true;
}

void PeerLink::finishConnect(bool connected) {
    m_connecting = false;
    emit connectFinished(connected);
}

bool PeerLink::ClientConnected() const {
    return m_client->state() == QAbstractSocket::ConnectedState;
}

void PeerLink::Disconnect() {
    m_client->abort();
    m_clientLines->Clear();
    if (m_connecting)
        finishConnect(false);
}

std::optional<QByteArray> PeerLink::TakeClientLine() {
    // Extended lines are not the old protocol's lines, and take no tick of their own.
    while (std::optional<QByteArray> line = m_clientLines->TakeLine()) {
        if (!isExtendedLine(*line))
            return line;
        routeExtendedLine(*m_clientLines, *line);
        // Both have said hello: from now on this peer's lines are applied as they arrive.
        if (m_clientLines->Handshake().Extended()) {
            m_clientLines->DeliverAtOnce();
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool PeerLink::SendOn(PeerConnection* connection, const QByteArray& line) {
    const bool known =
        connection == m_clientLines ||
        std::find(m_connections.begin(), m_connections.end(), connection) != m_connections.end();
    return known && connection->WriteLine(line);
}

void PeerLink::Send(const QByteArray& line) {
    if (ServerActive()) {
        // A failed write may drop its connection from the list while this runs.
        const std::vector<PeerConnection*> connections = m_connections;
        for (PeerConnection* connection : connections)
            connection->WriteLine(line);
        return;
    }
    m_clientLines->WriteLine(line);
}
