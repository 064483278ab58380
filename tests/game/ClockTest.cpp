#include "FakeTimeSource.h"

#include "game/Clock.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr std::uint8_t kWhite = 1;
constexpr std::uint8_t kBlack = 0;

TimeControl control(const std::string& text) {
    const ParsedTimeControl parsed = ParseTimeControl(text);
    EXPECT_TRUE(parsed.control) << text << ": " << parsed.error;
    return parsed.control.value_or(TimeControl{});
}

// Plays half-moves each taking the given time, then reads both clocks.
struct Script {
    std::string control;
    std::vector<ClockTime> moveTimes; // one per half-move, White first
    ClockTime thinking;               // then the side to move thinks this long
    ClockTime white;
    ClockTime black;
};

TEST(Clock, RemainingTimesAfterMoves) {
    const Script rows[] = {
        // Nothing runs before a side's first move, however long it takes.
        {"5+0", {}, 10min, 5min, 5min},
        {"5+0", {30s}, 10min, 5min, 5min},
        // White's clock starts after Black's first move; increments start with timed moves.
        {"5+0", {30s, 20s}, 1s, 5min - 1s, 5min},
        {"5+3", {30s, 20s, 10s}, 4s, 5min - 10s + 3s, 5min - 4s},
        {"5+3", {30s, 20s, 10s, 4s}, 0s, 4min + 53s, 4min + 59s},
        {"0.5+0", {1s, 1s, 29s}, 29900ms, 1s, 100ms},
        // Session time arrives with the control's move: 2/1 gives each side one minute
        // for its first two moves (the first untimed), then another minute.
        {"2/1", {0s, 0s, 50s}, 0s, 70s, 1min},
        {"2/1", {0s, 0s, 50s, 59s}, 0s, 70s, 61s},
        {"2/1,1+5", {0s, 0s, 10s, 10s, 10s}, 0s, 1min + 45s, 1min + 50s},
    };
    for (const Script& row : rows) {
        FakeTimeSource time;
        Clock clock(control(row.control), time);
        for (const ClockTime step : row.moveTimes) {
            time.Advance(step);
            EXPECT_TRUE(clock.MoveMade()) << row.control;
        }
        time.Advance(row.thinking);
        EXPECT_EQ(clock.Remaining(kWhite), row.white) << row.control;
        EXPECT_EQ(clock.Remaining(kBlack), row.black) << row.control;
    }
}

TEST(Clock, FlagFallsAtZeroOnlyForTheSideToMove) {
    FakeTimeSource time;
    Clock clock(control("1+0"), time);
    clock.MoveMade();
    clock.MoveMade();
    EXPECT_TRUE(clock.Running());
    time.Advance(59999999us);
    EXPECT_FALSE(clock.Flagged());
    EXPECT_EQ(clock.Remaining(kWhite), 1us);
    time.Advance(1us);
    ASSERT_TRUE(clock.Flagged());
    EXPECT_EQ(*clock.Flagged(), kWhite);
    time.Advance(1h);
    EXPECT_EQ(clock.Remaining(kWhite), 0us);
    EXPECT_EQ(clock.Remaining(kBlack), 1min);
    // A move that comes after the fall is too late: the clock stops with the flag down.
    EXPECT_FALSE(clock.MoveMade());
    EXPECT_TRUE(clock.Stopped());
    EXPECT_EQ(clock.Flagged(), kWhite);
    EXPECT_EQ(clock.SideToMove(), kWhite);
}

TEST(Clock, StopFreezesBothTimes) {
    FakeTimeSource time;
    Clock clock(control("3+2"), time);
    clock.MoveMade();
    clock.MoveMade();
    time.Advance(7s);
    clock.Stop();
    time.Advance(10min);
    EXPECT_EQ(clock.Remaining(kWhite), 3min - 7s);
    EXPECT_FALSE(clock.Flagged());
    EXPECT_FALSE(clock.Running());
    EXPECT_FALSE(clock.MoveMade());
    EXPECT_EQ(clock.Remaining(kWhite), 3min - 7s);
}

TEST(Clock, ResumeRunsOnWithoutTheStoppedTime) {
    FakeTimeSource time;
    Clock clock(control("1+0"), time);
    clock.MoveMade();
    clock.MoveMade();
    time.Advance(10s);
    clock.Stop();
    time.Advance(1h);
    EXPECT_TRUE(clock.Resume());
    EXPECT_EQ(clock.Remaining(kWhite), 50s);
    time.Advance(5s);
    EXPECT_EQ(clock.Remaining(kWhite), 45s);

    time.Advance(45s);
    ASSERT_TRUE(clock.Flagged());
    clock.Stop();
    EXPECT_FALSE(clock.Resume());
    EXPECT_TRUE(clock.Stopped());
}

TEST(Clock, MovesToGoAndIncrementForAnEngine) {
    FakeTimeSource time;
    Clock clock(control("3/10,2+7"), time);
    EXPECT_EQ(clock.MovesToGo(kWhite), 3);
    EXPECT_EQ(clock.Increment(kWhite), 0s);
    for (int halfMove = 0; halfMove < 4; ++halfMove) {
        clock.MoveMade();
    }
    EXPECT_EQ(clock.MovesToGo(kWhite), 1);
    EXPECT_EQ(clock.MovesToGo(kBlack), 1);
    clock.MoveMade();
    EXPECT_EQ(clock.MovesToGo(kWhite), 0);
    EXPECT_EQ(clock.Increment(kWhite), 7s);
    EXPECT_EQ(clock.Increment(kBlack), 0s);

    FakeTimeSource repeatingTime;
    Clock repeating(control("2/1"), repeatingTime);
    for (int halfMove = 0; halfMove < 4; ++halfMove) {
        repeating.MoveMade();
    }
    EXPECT_EQ(repeating.MovesToGo(kWhite), 2);
}

TEST(Clock, TakeBackChargesTheThinkerAndGivesTheMoverItsTimeBack) {
    FakeTimeSource time;
    Clock clock(control("1+1"), time);
    clock.MoveMade();
    clock.MoveMade();
    time.Advance(5s);
    clock.MoveMade(); // White: 60 - 5 + 1
    time.Advance(3s);
    clock.TakeBack(); // Black thought 3 s and keeps them spent; White has its 60 s again
    EXPECT_EQ(clock.SideToMove(), kWhite);
    EXPECT_EQ(clock.Remaining(kWhite), 60s);
    EXPECT_EQ(clock.Remaining(kBlack), 57s);
    time.Advance(2s);
    EXPECT_EQ(clock.Remaining(kWhite), 58s);
    // Taking back the first moves makes them untimed again.
    clock.TakeBack();
    clock.TakeBack();
    time.Advance(1h);
    EXPECT_FALSE(clock.Running());
    EXPECT_FALSE(clock.Flagged());
}

TEST(Clock, TakeBackGivesBackTheSessionTimeEarned) {
    FakeTimeSource time;
    Clock clock(control("2/1,1+0"), time);
    clock.MoveMade();
    clock.MoveMade();
    time.Advance(10s);
    clock.MoveMade(); // White's second move ends its session: 60 - 10 + 60
    EXPECT_EQ(clock.Remaining(kWhite), 110s);
    clock.TakeBack();
    EXPECT_EQ(clock.Remaining(kWhite), 60s);
    EXPECT_EQ(clock.MovesToGo(kWhite), 1);
    time.Advance(20s);
    clock.MoveMade();
    EXPECT_EQ(clock.Remaining(kWhite), 100s);
}

TEST(Clock, TakeBackOfAMoveFromBeforeTheClockStarted) {
    FakeTimeSource time;
    Clock clock(control("1+0"), time, 4);
    time.Advance(4s);
    clock.TakeBack(); // White keeps its 4 s spent; Black's move had no time to give back
    EXPECT_EQ(clock.SideToMove(), kBlack);
    EXPECT_EQ(clock.Remaining(kWhite), 56s);
    EXPECT_EQ(clock.Remaining(kBlack), 60s);
    EXPECT_TRUE(clock.Running());
}

// A peer's clock tells its side's time; the clock here takes it, running on from now.
TEST(Clock, SetRemainingTakesTheSidesOwnTime) {
    const struct {
        const char* what;
        ClockTime before;  // thinking of White (on move) before the time is set
        std::uint8_t side; // whose time is set
        ClockTime given;
        bool stopFirst;  // the clock was stopped (the game ended) before
        ClockTime after; // then White thinks this long
        ClockTime white;
        ClockTime black;
        bool stopped;
    } rows[] = {
        {"the side not on move", 10s, kBlack, 42s, false, 1s, 49s, 42s, false},
        {"the side on move, counted from now", 10s, kWhite, 30s, false, 1s, 29s, 1min, false},
        {"below zero reads as zero", 0s, kBlack, -5s, false, 0s, 1min, 0s, false},
        {"a fallen flag lifted", 61s, kWhite, 2s, false, 1s, 1s, 1min, false},
        {"a fallen flag given no time", 61s, kWhite, 0s, false, 1s, 0s, 1min, true},
        {"another side's time leaves the flag", 61s, kBlack, 9s, false, 1s, 0s, 9s, true},
        {"a stop for the end of the game stays", 10s, kWhite, 30s, true, 5s, 30s, 1min, true},
    };
    for (const auto& row : rows) {
        FakeTimeSource time;
        Clock clock(control("1+0"), time);
        clock.MoveMade();
        clock.MoveMade();
        time.Advance(row.before);
        if (row.stopFirst)
            clock.Stop();
        if (clock.Flagged())
            EXPECT_FALSE(clock.MoveMade()) << row.what; // stops the clock, as a late move does
        clock.SetRemaining(row.side, row.given);
        time.Advance(row.after);
        EXPECT_EQ(clock.Remaining(kWhite), row.white) << row.what;
        EXPECT_EQ(clock.Remaining(kBlack), row.black) << row.what;
        EXPECT_EQ(clock.Stopped(), row.stopped) << row.what;
    }
}

TEST(Clock, TextOfAClockFace) {
    const struct {
        ClockTime remaining;
        const char* text;
    } rows[] = {
        {5min, "5:00"},        {90min, "90:00"},   {61s + 999ms, "1:01"}, {10s, "0:10"},
        {9999999us, "0:09.9"}, {9400ms, "0:09.4"}, {100ms, "0:00.1"},     {99999us, "0:00.0"},
        {0us, "0:00.0"},       {-5s, "0:00.0"},    {600min, "600:00"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClockText(row.remaining), row.text) << row.remaining.count();
    }
}

TEST(Clock, StartedDuringAGame) {
    const struct {
        const char* control;
        int halfMovesPlayed;
        std::uint8_t toMove;
        bool running;
        int whiteToGo;
        ClockTime whiteTime;
    } rows[] = {
        {"5+3", 0, kWhite, false, 0, 5min},
        {"5+3", 1, kBlack, false, 0, 5min},
        {"5+3", 2, kWhite, true, 0, 5min},
        {"5+3", 7, kBlack, true, 0, 5min},
        {"40/90,30+30", 20, kWhite, true, 30, 90min},
        {"40/90,30+30", 80, kWhite, true, 0, 30min},
    };
    for (const auto& row : rows) {
        FakeTimeSource time;
        Clock clock(control(row.control), time, row.halfMovesPlayed);
        time.Advance(1s);
        EXPECT_EQ(clock.SideToMove(), row.toMove) << row.control << " " << row.halfMovesPlayed;
        EXPECT_EQ(clock.Running(), row.running) << row.control << " " << row.halfMovesPlayed;
        EXPECT_EQ(clock.MovesToGo(kWhite), row.whiteToGo) << row.control;
        EXPECT_EQ(clock.Remaining(kWhite) + (row.running && row.toMove == kWhite ? 1s : 0s),
                  row.whiteTime)
            << row.control << " " << row.halfMovesPlayed;
    }
}

// A game of ten minutes a side with random move times, read at random moments as a display would:
// what both clocks show always adds up exactly with the monotonic time that passed.
TEST(Clock, NoDriftOverALongGame) {
    FakeTimeSource time;
    Clock clock(control("10+0"), time);
    std::mt19937 random(19);
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
            const ClockTime used = 20min - clock.Remaining(kWhite) - clock.Remaining(kBlack);
            if (!clock.Flagged()) {
                ASSERT_EQ(used, time.Now() - start);
            }
        }
        if (!clock.Flagged()) {
            clock.MoveMade();
        }
    }
    EXPECT_GE(time.Now() - start, 10min);
    EXPECT_EQ(clock.Remaining(clock.SideToMove()), 0us);
}

} // namespace
