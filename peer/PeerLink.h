#pragma once

#include "peer/PeerExtendedProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class PeerConnection;
class QTcpServer;
class QTcpSocket;

// Both ends of the peer link of one program: the server IdTCPServer1, which waits for
// peers on all local addresses, and the client IdTCPClient1, which connects to one.
// Everything runs on the user-interface thread; nothing here blocks it.
class PeerLink : public QObject {
    Q_OBJECT
public:
    // At most this many peers are served at once; a further one is closed at once.
    static constexpr int kMaxConnections = 16;

    explicit PeerLink(QObject* parent = nullptr);
    ~PeerLink() override;

    // Starts the server on peerPort(). Returns true when it listens (also when it already
    // did); false with the socket layer's text in `error`, the server staying inactive.
    bool Listen(QString& error);
    bool ServerActive() const;
    // Stops listening and closes every connection; harmless when inactive.
    void StopServer();
    int ConnectionCount() const { return static_cast<int>(m_connections.size()); }

    // Starts connecting the client to `host` on peerPort(); connectFinished tells the
    // outcome. While an attempt runs a further call does nothing and returns false; while
    // the client is connected the attempt fails at once and the connection stays.
    bool Connect(const QString& host);
    bool Connecting() const { return m_connecting; }
    bool ClientConnected() const;
    // Closes the client, also ending an attempt that runs (which then fails).
    void Disconnect();
    // The client side's next received line, without waiting; lines the peer sent before
    // closing are still given out.
    std::optional<QByteArray> TakeClientLine();

    // The name this side says in the hello it sends as each later connection opens.
    void SetPlayerName(const QString& name) { m_playerName = name; }

    // Sends one line on `connection` only; false when it is gone or not connected.
    bool SendOn(PeerConnection* connection, const QByteArray& line);
    // The client's connection, for telling its messages from the server's connections'.
    PeerConnection* ClientConnection() const { return m_clientLines; }

    // The server is active or the client is connected: moves, chat and new games go out.
    bool Linked() const { return ServerActive() || ClientConnected(); }

    // Sends one line: to every connection of the server, in the order they came, while
    // the server is active; else through the client when it is connected; else nowhere.
    void Send(const QByteArray& line);

    QTcpServer& IdTCPServer1() const { return *m_server; }
    QTcpSocket& IdTCPClient1() const { return *m_client; }

signals:
    // A peer connected to the server (one within the limit), on this connection.
    void peerConnected(PeerConnection* connection);
    // A complete line of the old protocol from one of the server's connections, in the
    // order received; from the client too once its peer has said hello.
    void lineReceived(PeerConnection* connection, const QByteArray& line);
    // A well-formed extended message that the connection's handshake lets through (the
    // peer's hello among them), on any connection.
    void extendedMessage(PeerConnection* connection, const ExtendedMessage& message);
    // A Main Console line about an extended line that was dropped.
    void extendedLog(const QString& text);
    void connectStarted();
    void connectFinished(bool connected);
    // A line could not be sent: the socket layer's text.
    void sendFailed(const QString& error);

private:
    void acceptConnections();
    void dropConnection(PeerConnection* connection);
    void finishConnect(bool connected);
    void sayHello(PeerConnection& connection);
    // Old lines are passed on as lineReceived; extended ones go through the handshake.
    void routeLine(PeerConnection& connection, const QByteArray& line);
    void routeExtendedLine(PeerConnection& connection, const QByteArray& line);

    QTcpServer* m_server = nullptr;
    QTcpSocket* m_client = nullptr;
    PeerConnection* m_clientLines = nullptr;
    std::vector<PeerConnection*> m_connections; // in the order they came
    bool m_connecting = false;
    QString m_playerName;
};
