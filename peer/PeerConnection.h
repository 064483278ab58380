#pragma once

#include "peer/PeerHandshake.h"
#include "peer/PeerLineFramer.h"

#include <QObject>

#include <optional>

class QTcpSocket;

// The lines of one TCP connection, read and written on the user-interface thread.
//
// AtOnce (the server side): every complete line is emitted by lineReceived as soon as it
// has arrived, in order; while one line is being carried out (a promotion question opens a
// nested event loop) the next ones wait for it. OnRequest (the client side): lines are
// taken one at a time with TakeLine; what has not been taken is held up to a bound, and
// beyond it the socket is not read, so that the sender waits instead of this program
// filling its memory.
class PeerConnection : public QObject {
    Q_OBJECT
public:
    enum class Delivery { AtOnce, OnRequest };

    // Works on `socket`, which it does not own and which must outlive it.
    PeerConnection(QTcpSocket& socket, Delivery delivery, QObject* parent = nullptr);

    QTcpSocket& Socket() const { return m_socket; }

    // Sends `text` followed by CR LF. Returns false when the socket is not connected; a
    // failure of the write itself is reported by writeFailed.
    bool WriteLine(const QByteArray& text);

    // OnRequest: the oldest complete line received and not yet taken, or nothing.
    std::optional<QByteArray> TakeLine();

    // Forgets every byte received and the peer's hello, and returns to the delivery it was
    // made with, as for a new connection.
    void Clear();

    // The extended protocol's state on this connection.
    PeerHandshake& Handshake() { return m_handshake; }
    // From OnRequest to AtOnce, once the peer has said hello: the lines already received
    // are delivered from the event loop, right after the caller has returned.
    void DeliverAtOnce();

signals:
    void lineReceived(const QByteArray& line);
    // A write could not be completed: the socket layer's text. Once per broken connection.
    void writeFailed(const QString& error);

private:
    void readSocket(bool bounded);
    void deliverLines();

    QTcpSocket& m_socket;
    const Delivery m_madeWith;
    Delivery m_delivery;
    PeerHandshake m_handshake;
    PeerLineFramer m_framer;
    bool m_delivering = false;
};
