#include "RawPeer.h"

#include "peer/PeerExtendedProtocol.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

RawPeer::RawPeer(quint16 port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RawPeer::~RawPeer() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawPeer::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(m_fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += sent;
    }
    return true;
}

const QByteArray& RawPeer::received() {
    char buffer[65536];
    while (m_fd >= 0 && !m_closed) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            m_in.append(buffer, got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            m_closed = true;
        break;
    }
    return m_in;
}

QList<QByteArray> splitLines(const QByteArray& bytes, bool extended) {
    QList<QByteArray> all = bytes.split('\n');
    all.removeLast(); // the part after the last line feed
    QList<QByteArray> result;
    for (QByteArray& line : all) {
        line.chop(line.endsWith('\r') ? 1 : 0);
        if (isExtendedLine(line) == extended)
            result << line;
    }
    return result;
}

QList<QByteArray> RawPeer::lines() {
    return splitLines(received(), false);
}

QList<QByteArray> RawPeer::extendedLines() {
    return splitLines(received(), true);
}

bool RawPeer::closedByProgram() {
    received();
    return m_closed;
}

void RawPeer::reset() {
    const linger abortive{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(m_fd);
    m_fd = -1;
}

qint64 residentBytes() {
    std::ifstream statm("/proc/self/statm");
    qint64 pages = 0;
    qint64 resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}
