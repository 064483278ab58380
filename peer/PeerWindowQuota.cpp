#include "peer/PeerWindowQuota.h"

bool PeerWindowQuota::Take(Clock::time_point now) {
    while (!m_taken.empty() && now - m_taken.front() >= kSpan)
        m_taken.pop_front();
    if (static_cast<int>(m_taken.size()) >= kMaxWindows)
        return false;
    m_taken.push_back(now);
    return true;
}
