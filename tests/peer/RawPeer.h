#pragma once

#include <QByteArray>
#include <QList>

// The other end of the link as a plain blocking socket, with nothing of the program in
// it: it sends exactly the bytes it is given and keeps what it receives.
class RawPeer {
public:
    // Connects to 127.0.0.1:`port`; connected() tells whether that worked.
    explicit RawPeer(quint16 port);
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connected() const { return m_fd >= 0; }
    // Writes all of `bytes`, waiting while the program does not read; false on failure.
    // May run on a thread of its own while the test's thread runs the program.
    bool send(const QByteArray& bytes);
    // Everything received so far (reads what has arrived, without waiting).
    const QByteArray& received();
    // The lines received so far that an old copy acts on, without their CR LF: the
    // extended ones are left out, as an old copy drops them.
    QList<QByteArray> lines();
    // The extended lines received so far, which an old copy drops.
    QList<QByteArray> extendedLines();
    // The program closed its end (or reset it).
    bool closedByProgram();
    // Ends the connection with a reset instead of an orderly close.
    void reset();

private:
    int m_fd = -1;
    QByteArray m_in;
    bool m_closed = false;
};

// The lines of `bytes` without their CR LF, up to the last line feed; `extended` picks the
// lines of the extended protocol, else those of the old one.
QList<QByteArray> splitLines(const QByteArray& bytes, bool extended);

// The program's resident memory in bytes.
qint64 residentBytes();
