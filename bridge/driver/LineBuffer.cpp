#include "LineBuffer.h"

#include <algorithm>
#include <cstring>

namespace ferrule {

void LineBuffer::commit(std::size_t count) {
    count = std::min(count, freeSize());
    const std::size_t end = m_length + count;
    std::size_t write = m_length;
    for (std::size_t read = m_length; read < end; ++read) {
        const char c = m_data[read];
        const bool pairEnd = (c == '\n' && m_lastRead == '\r') || (c == '\r' && m_lastRead == '\n');
        m_lastRead = c;
        if (pairEnd && write == 0) {
            continue; // the first half already ended a line that has been handed out
        }
        if (pairEnd && (m_data[write - 1] == '\r' || m_data[write - 1] == '\n')) {
            m_data[write - 1] = '\n';
            continue;
        }
        m_data[write++] = c;
    }
    m_length = write;
}

void LineBuffer::dropFront(std::size_t count) {
    if (count == 0) {
        return;
    }
    std::memmove(m_data.data(), m_data.data() + count, m_length - count);
    m_length -= count;
}

} // namespace ferrule
