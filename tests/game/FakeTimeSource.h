#pragma once

#include "game/Clock.h"

// A time source that only moves when a test moves it.
class FakeTimeSource : public TimeSource {
public:
    ClockTime Now() const override { return m_now; }
    void Advance(ClockTime step) { m_now += step; }

private:
    ClockTime m_now{1'000'000'000};
};
