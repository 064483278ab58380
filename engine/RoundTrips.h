#pragma once

#include "game/TimeControl.h"

#include <QElapsedTimer>

#include <array>
#include <cstddef>

// How long the engine takes to answer a question that costs it no thought ("isready",
// "ping"), over the latest few: the longest is what its reply may take to reach the clock
// on a busy machine, and is kept back from the time it is told it has.
class RoundTrips {
public:
    // A question went out; an earlier one not yet answered is forgotten.
    void Asked() { m_asked.start(); }
    bool Waiting() const { return m_asked.isValid(); }
    // Its answer came in; nothing when no question is out.
    void Answered();
    // The longest of the latest answers; 0 before any.
    ClockTime Longest() const;

private:
    QElapsedTimer m_asked;
    std::array<qint64, 8> m_ms{}; // cyclic
    std::size_t m_count = 0;
};
