#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

// The link's round trip on one connection, measured by pings and their pongs, and what a
// clocked game allows for it: a flag that falls on this side's clock may belong to a move
// still on the wire, so it is claimed only once it has been down for FlagAllowance(), and a
// claim against this side holds when its own time is within FlagAllowance() of running out.
class PeerRoundTrip {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::milliseconds;

    // Before any pong has come back.
    static constexpr Duration kUnmeasured{1000};
    // Added to the round trip for the time a line waits in the two programs' event loops.
    static constexpr Duration kMargin{100};
    // A round trip longer than this counts as this long: a link that slow is not waited for.
    static constexpr Duration kLongest{10'000};
    // The round trips kept, and the pings waiting for their pong.
    static constexpr std::size_t kSamples = 5;
    static constexpr std::size_t kPending = 8;

    // A ping goes out at `now`: its token (never 0, and within the grammar's bound).
    std::uint32_t Ping(TimePoint now);
    // A pong came at `now`: true, and its round trip kept, when it answers a ping that was
    // sent and not yet answered; any other token changes nothing.
    bool Pong(std::uint32_t token, TimePoint now);

    // The last round trip measured, none before the first.
    std::optional<Duration> Latest() const;
    // The longest of the recent round trips (at most kLongest) plus kMargin; kUnmeasured
    // plus kMargin before the first.
    Duration FlagAllowance() const;

private:
    std::uint32_t m_next = 0;
    std::deque<std::pair<std::uint32_t, TimePoint>> m_pending; // oldest first
    std::deque<Duration> m_samples;                            // oldest first
};
