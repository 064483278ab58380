#include "peer/PeerConnection.h"

#include <QPointer>
#include <QTcpSocket>

namespace {

// The socket's own buffer: when it is full Qt stops reading and TCP makes the sender wait.
constexpr qint64 kSocketBuffer = 256 * 1024;
// Lines held for the client side's one-per-tick reading before the socket is left unread.
constexpr qsizetype kMaxQueuedBytes = 1024 * 1024;
constexpr qint64 kChunk = 64 * 1024;

} // namespace

PeerConnection::PeerConnection(QTcpSocket& socket, Delivery delivery, QObject* parent)
    : QObject(parent), m_socket(socket), m_madeWith(delivery), m_delivery(delivery) {
    m_socket.setReadBufferSize(kSocketBuffer);
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        if (m_delivery == Delivery::AtOnce)
            deliverLines();
        else
            readSocket(true);
    });
    // What the peer sent before it closed is still read, on the client side at its pace.
    connect(&m_socket, &QTcpSocket::readChannelFinished, this, [this] {
        if (m_delivery == Delivery::AtOnce)
            deliverLines();
        else
            readSocket(false);
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
        // An error while bytes wait to go out means they are lost; a peer that merely
        // closed or broke off with nothing to send is noticed silently.
        if (m_socket.bytesToWrite() > 0)
            emit writeFailed(m_socket.errorString());
    });
}

bool PeerConnection::WriteLine(const QByteArray& text) {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return false;
    m_socket.write(text + "\r\n");
    // Hands the bytes to the system now, so that a broken connection shows at once.
    m_socket.flush();
    return true;
}

void PeerConnection::readSocket(bool bounded) {
    char chunk[kChunk];
    while (m_socket.bytesAvailable() > 0 &&
           (!bounded || m_framer.QueuedBytes() < kMaxQueuedBytes)) {
        const qint64 got = m_socket.read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        m_framer.Append(QByteArrayView(chunk, got));
    }
}

std::optional<QByteArray> PeerConnection::TakeLine() {
    readSocket(true);
    std::optional<QByteArray> line = m_framer.TakeLine();
    readSocket(true);
    return line;
}

void PeerConnection::deliverLines() {
    // Qt does not signal readyRead again while its slot runs, so the loop itself picks up
    // what arrived while a line was being carried out.
    if (m_delivering)
        return;
    m_delivering = true;
    const QPointer<PeerConnection> alive(this);
    do {
        readSocket(false);
        while (std::optional<QByteArray> line = m_framer.TakeLine()) {
            emit lineReceived(*line);
            if (!alive)
                return;
            // The connection was ended while its line was carried out: the rest is dropped.
            if (m_socket.state() != QAbstractSocket::ConnectedState && !m_socket.isReadable())
                break;
        }
    } while (m_socket.bytesAvailable() > 0);
    m_delivering = false;
}

void PeerConnection::Clear() {
    m_framer.Clear();
    m_handshake = PeerHandshake();
    m_delivery = m_madeWith;
}

void PeerConnection::DeliverAtOnce() {
    if (m_delivery == Delivery::AtOnce)
        return;
    m_delivery = Delivery::AtOnce;
    QMetaObject::invokeMethod(this, &PeerConnection::deliverLines, Qt::QueuedConnection);
}
