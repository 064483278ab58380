#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <optional>

// Cuts the bytes of one connection into lines. A line ends at a line feed; the line feed
// and a carriage return directly before it are removed. A line longer than kMaxLineLength
// is discarded up to its line feed, and the lines after it are read as usual, so a peer
// that never sends a line feed holds at most one line's worth of memory.
class PeerLineFramer {
public:
    static constexpr qsizetype kMaxLineLength = 64 * 1024;

    void Append(QByteArrayView bytes);

    // The oldest complete line not yet taken, or nothing.
    std::optional<QByteArray> TakeLine();
    bool HasLine() const { return !m_lines.empty(); }
    // The bytes held in complete lines not yet taken.
    qsizetype QueuedBytes() const { return m_queuedBytes; }
    // Forgets everything, as for a new connection.
    void Clear();

private:
    QByteArray m_partial;
    bool m_discarding = false; // the current line grew too long and is being skipped
    std::deque<QByteArray> m_lines;
    qsizetype m_queuedBytes = 0;
};
