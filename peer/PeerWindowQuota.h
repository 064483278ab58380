#pragma once

#include <chrono>
#include <deque>

// How many game windows peers may open within a span of time. A peer that connects and
// resets in a loop, or streams "/new" lines, would otherwise bury the program in windows:
// the cap on connections open at one moment does not see connections that have ended.
class PeerWindowQuota {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kMaxWindows = 64;
    static constexpr std::chrono::minutes kSpan{10};

    // Takes one window from the quota at `now`. Returns false, and takes nothing, when
    // kMaxWindows windows were already taken within the kSpan before `now`.
    bool Take(Clock::time_point now = Clock::now());

private:
    std::deque<Clock::time_point> m_taken; // oldest first, none older than kSpan
};
