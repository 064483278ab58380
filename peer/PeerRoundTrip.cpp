#include "peer/PeerRoundTrip.h"

#include "peer/PeerExtendedProtocol.h"

#include <algorithm>

std::uint32_t PeerRoundTrip::Ping(TimePoint now) {
    m_next = m_next % kMaxToken + 1;
    // A peer that never answers must not make the list grow.
    if (m_pending.size() == kPending)
        m_pending.pop_front();
    m_pending.emplace_back(m_next, now);
    return m_next;
}

bool PeerRoundTrip::Pong(std::uint32_t token, TimePoint now) {
    const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                    [token](const auto& ping) { return ping.first == token; });
    if (found == m_pending.end())
        return false;
    const Duration trip = std::chrono::duration_cast<Duration>(now - found->second);
    m_pending.erase(found);
    if (m_samples.size() == kSamples)
        m_samples.pop_front();
    m_samples.push_back(std::clamp(trip, Duration{0}, kLongest));
    return true;
}

std::optional<PeerRoundTrip::Duration> PeerRoundTrip::Latest() const {
    if (m_samples.empty())
        return std::nullopt;
    return m_samples.back();
}

PeerRoundTrip::Duration PeerRoundTrip::FlagAllowance() const {
    if (m_samples.empty())
        return kUnmeasured + kMargin;
    return *std::max_element(m_samples.begin(), m_samples.end()) + kMargin;
}
