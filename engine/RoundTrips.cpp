#include "RoundTrips.h"

#include <algorithm>
#include <chrono>

void RoundTrips::Answered() {
    if (!m_asked.isValid())
        return;
    m_ms[m_count++ % m_ms.size()] = m_asked.elapsed();
    m_asked.invalidate();
}

ClockTime RoundTrips::Longest() const {
    return std::chrono::milliseconds(*std::max_element(m_ms.begin(), m_ms.end()));
}
