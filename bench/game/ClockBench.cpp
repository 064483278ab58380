// The chess clock: its drift from the monotonic time over a simulated game of ten
// minutes a side, and the cost of reading it as the game window does on every refresh.

#include "game/Clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using namespace std::chrono_literals;

class SimulatedTime : public TimeSource {
public:
    ClockTime Now() const override { return m_now; }
    void Advance(ClockTime step) { m_now += step; }

private:
    ClockTime m_now{0};
};

// Plays until a flag falls, with random move times, and reads the clocks at random
// moments in between (as a display timer that fires late would); the drift is the largest
// difference between the time both clocks have used and the monotonic time that passed.
void BM_ClockDriftOverTenMinuteGame(benchmark::State& state) {
    const TimeControl control = *ParseTimeControl("10+0").control;
    ClockTime worstDrift{0};
    std::int64_t reads = 0;
    for (auto _ : state) {
        SimulatedTime time;
        Clock clock(control, time);
        std::mt19937 random(10);
        std::uniform_int_distribution<std::int64_t> moveMicros(1, 9'000'000);
        std::uniform_int_distribution<std::int64_t> lookMicros(1, 150'000);
        clock.MoveMade();
        clock.MoveMade();
        const ClockTime start = time.Now();
        while (!clock.Flagged()) {
            ClockTime thinking{moveMicros(random)};
            while (thinking > 0us && !clock.Flagged()) {
                const ClockTime look = std::min(thinking, ClockTime{lookMicros(random)});
                time.Advance(look);
                thinking -= look;
                ++reads;
                if (!clock.Flagged()) {
                    const ClockTime used = 20min - clock.Remaining(1) - clock.Remaining(0);
                    const ClockTime drift = used - (time.Now() - start);
                    worstDrift = std::max(worstDrift, drift < 0us ? -drift : drift);
                }
            }
            clock.MoveMade();
        }
    }
    state.counters["drift_us"] = static_cast<double>(worstDrift.count());
    state.counters["reads"] = static_cast<double>(reads) / static_cast<double>(state.iterations());
}

void BM_ClockReadOnSteadyClock(benchmark::State& state) {
    SteadyTimeSource steady;
    Clock clock(*ParseTimeControl("5+3").control, steady);
    clock.MoveMade();
    clock.MoveMade();
    for (auto _ : state) {
        benchmark::DoNotOptimize(clock.Remaining(1));
    }
}

} // namespace

BENCHMARK(BM_ClockDriftOverTenMinuteGame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockReadOnSteadyClock);

BENCHMARK_MAIN();
