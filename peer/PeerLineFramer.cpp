#include "peer/PeerLineFramer.h"

void PeerLineFramer::Append(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!m_discarding) {
            // One byte more than the limit may be the carriage return before the line feed.
            if (m_partial.size() + piece.size() > kMaxLineLength + 1) {
                m_discarding = true;
                m_partial.clear();
            } else {
                m_partial.append(piece);
            }
        }
        if (end < 0)
            return;
        if (!m_discarding) {
            if (m_partial.endsWith('\r'))
                m_partial.chop(1);
            if (m_partial.size() <= kMaxLineLength) {
                m_queuedBytes += m_partial.size();
                m_lines.push_back(std::move(m_partial));
            }
        }
        m_partial = QByteArray();
        m_discarding = false;
        bytes = bytes.sliced(end + 1);
    }
}

std::optional<QByteArray> PeerLineFramer::TakeLine() {
    if (m_lines.empty())
        return std::nullopt;
    QByteArray line = std::move(m_lines.front());
    m_lines.pop_front();
    m_queuedBytes -= line.size();
    return line;
}

void PeerLineFramer::Clear() {
    m_partial.clear();
    m_discarding = false;
    m_lines.clear();
    m_queuedBytes = 0;
}
