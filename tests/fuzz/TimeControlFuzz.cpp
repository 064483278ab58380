// Typed time controls into the reader. The oracle: a refused text says why; a taken one
// has one to four sessions within the bounds, only its last lasting to the end, reads back
// from its own text as the same control, and drives a clock through a long game without
// a time below zero.

#include "game/Clock.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class StepTime : public TimeSource {
public:
    ClockTime Now() const override { return m_now; }
    void Advance(ClockTime step) { m_now += step; }

private:
    ClockTime m_now{0};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace std::chrono_literals;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ParsedTimeControl parsed = ParseTimeControl(text);
    if (!parsed.control) {
        Require(!parsed.error.empty());
        return 0;
    }
    const TimeControl& control = *parsed.control;
    Require(!control.sessions.empty() && control.sessions.size() <= 4);
    for (std::size_t i = 0; i < control.sessions.size(); ++i) {
        const TimeSession& session = control.sessions[i];
        Require(session.base > 0us && session.base <= 600min);
        Require(session.increment >= 0us && session.increment <= 600s);
        Require(session.moves >= 0 && session.moves <= 200);
        Require(session.moves > 0 || i + 1 == control.sessions.size());
    }
    Require(ParseTimeControl(control.Text()).control == control);

    StepTime time;
    Clock clock(control, time);
    for (int halfMove = 0; halfMove < 400 && !clock.Flagged(); ++halfMove) {
        time.Advance(7s);
        clock.MoveMade();
        Require(clock.Remaining(1) >= 0us && clock.Remaining(0) >= 0us);
        Require(clock.MovesToGo(1) >= 0 && clock.MovesToGo(0) >= 0);
    }
    return 0;
}
