#include "Clock.h"

#include <algorithm>
#include <cstdio>

ClockTime SteadyTimeSource::Now() const {
    return std::chrono::duration_cast<ClockTime>(
        std::chrono::steady_clock::now().time_since_epoch());
}

Clock::Clock(const TimeControl& control, const TimeSource& source, int halfMovesPlayed)
    : m_control(control), m_source(&source) {
    halfMovesPlayed = std::max(halfMovesPlayed, 0);
    SideOf(1).movesMade = (halfMovesPlayed + 1) / 2;
    SideOf(0).movesMade = halfMovesPlayed / 2;
    for (Side& side : m_sides) {
        side.remaining = m_control.SessionOf(side.movesMade + 1).base;
    }
    m_sideToMove = halfMovesPlayed % 2 == 0 ? 1 : 0;
    m_turnStart = m_source->Now();
}

bool Clock::Running() const {
    // A side's first move is free, and so is everything after the clock stopped.
    return !m_stopped && SideOf(m_sideToMove).movesMade > 0;
}

ClockTime Clock::Elapsed() const {
    if (SideOf(m_sideToMove).movesMade == 0) {
        return ClockTime{0};
    }
    const ClockTime now = m_stopped ? m_stoppedAt : m_source->Now();
    return now - m_turnStart;
}

ClockTime Clock::Remaining(std::uint8_t white) const {
    const Side& side = SideOf(white);
    if (white != m_sideToMove) {
        return side.remaining;
    }
    return std::max(side.remaining - Elapsed(), ClockTime{0});
}

std::optional<std::uint8_t> Clock::Flagged() const {
    if (SideOf(m_sideToMove).movesMade > 0 && Remaining(m_sideToMove) == ClockTime{0}) {
        return m_sideToMove;
    }
    return std::nullopt;
}

bool Clock::MoveMade() {
    if (m_stopped) {
        return false;
    }
    if (Flagged()) {
        Stop();
        return false;
    }
    const ClockTime now = m_source->Now();
    Side& mover = SideOf(m_sideToMove);
    m_movers.push_back(mover);
    const bool timed = mover.movesMade > 0;
    const int move = ++mover.movesMade;
    if (timed) {
        mover.remaining -= now - m_turnStart;
        mover.remaining += m_control.SessionOf(move).increment;
    }
    if (m_control.ControlAfter(move) == move) {
        mover.remaining += m_control.SessionOf(move + 1).base;
    }
    m_sideToMove = m_sideToMove ? 0 : 1;
    m_turnStart = now;
    return true;
}

int Clock::MovesToGo(std::uint8_t white) const {
    const int next = SideOf(white).movesMade + 1;
    const int control = m_control.ControlAfter(next);
    return control == 0 ? 0 : control - next + 1;
}

ClockTime Clock::Increment(std::uint8_t white) const {
    return m_control.SessionOf(SideOf(white).movesMade + 1).increment;
}

void Clock::Stop() {
    if (!m_stopped) {
        m_stoppedAt = m_source->Now();
        m_stopped = true;
    }
}

bool Clock::Resume() {
    if (m_stopped && !Flagged()) {
        m_turnStart += m_source->Now() - m_stoppedAt;
        m_stopped = false;
    }
    return !m_stopped;
}

void Clock::TakeBack() {
    if (m_stopped) {
        return;
    }
    // The side that was thinking keeps the time it spent; then its opponent is back on move.
    const ClockTime now = m_source->Now();
    Side& thinking = SideOf(m_sideToMove);
    thinking.remaining = Remaining(m_sideToMove);
    m_sideToMove = m_sideToMove ? 0 : 1;
    Side& side = SideOf(m_sideToMove);
    if (m_movers.empty()) {
        side.movesMade = std::max(side.movesMade - 1, 0);
    } else {
        side = m_movers.back();
        m_movers.pop_back();
    }
    m_turnStart = now;
}

void Clock::SetRemaining(std::uint8_t white, ClockTime remaining) {
    remaining = std::max(remaining, ClockTime{0});
    const bool revived = m_stopped && remaining > ClockTime{0} && Flagged() == white;
    SideOf(white).remaining = remaining;
    if (revived) {
        m_stopped = false;
    }
    if (white == m_sideToMove) {
        m_turnStart = m_stopped ? m_stoppedAt : m_source->Now();
    }
}

std::string ClockText(ClockTime remaining) {
    const std::int64_t micros = std::max<std::int64_t>(remaining.count(), 0);
    const std::int64_t seconds = micros / 1'000'000;
    char text[32];
    if (seconds < 10) {
        std::snprintf(text, sizeof text, "0:%02lld.%lld", static_cast<long long>(seconds),
                      static_cast<long long>(micros / 100'000 % 10));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}
