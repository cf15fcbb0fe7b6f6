// The frame-rate cap against a fake clock: a player loop that renders and
// sleeps delayMs on Windows' default 15.625 ms tick, while Render waits for
// its deadline on a timer of its own.
#include <gtest/gtest.h>

#include <vector>

#include "video/frame_pacer.h"

namespace {

constexpr int64_t kSystemTick = 15625;

struct Loop {
    int64_t timerStep = 0;  // Render's timer: 0 fires on time, 1000 on the next millisecond
    int delayMs = 0;        // what Render hands the player: nothing
    int64_t now = 5000000;
    uint32_t seed = 7;

    // One Render's work: 2 to 8 ms, and every 50th frame a 30 ms stall.
    int64_t Work(int frame) {
        seed = seed * 214013 + 2531011;
        return frame % 50 == 25 ? 30000 : 2000 + (seed >> 16) % 6000;
    }

    // Start times of `frames` frames.
    std::vector<int64_t> Run(FramePacer& pacer, int frames) {
        std::vector<int64_t> starts;
        for (int i = 0; i < frames; ++i) {
            const int64_t early = pacer.EarlyBy(now);
            if (early > 0) {
                now += early;
                if (timerStep > 0) now = (now + timerStep - 1) / timerStep * timerStep;
                now += (seed >> 20) % 300;  // the wake-up's own lateness
            }
            pacer.BeginFrame(now);
            starts.push_back(now);
            now += Work(i);
            // The player's Sleep(delayMs) wakes on the first tick after it.
            if (delayMs > 0) now = (now + delayMs * 1000 + kSystemTick - 1) / kSystemTick * kSystemTick;
        }
        return starts;
    }
};

struct Spread {
    double meanMs;
    double withinShare;  // of intervals within 4 ms of the period
    int64_t shortestAfterStall;
};

Spread SpreadOf(const std::vector<int64_t>& starts, int64_t period) {
    int within = 0;
    int64_t shortestAfterStall = INT64_MAX;
    for (size_t i = 1; i < starts.size(); ++i) {
        const int64_t interval = starts[i] - starts[i - 1];
        if (interval >= period - 4000 && interval <= period + 4000) ++within;
        if (i >= 2 && starts[i - 1] - starts[i - 2] > period + 4000 && interval < shortestAfterStall)
            shortestAfterStall = interval;
    }
    const double count = static_cast<double>(starts.size() - 1);
    return {(starts.back() - starts.front()) / count / 1000.0, within / count, shortestAfterStall};
}

}  // namespace

TEST(FramePacer, StoredRatesAndPeriods) {
    EXPECT_EQ(ValidMaxFrameRate(0), 0);
    EXPECT_EQ(ValidMaxFrameRate(-1), 60);
    EXPECT_EQ(ValidMaxFrameRate(1), 10);
    EXPECT_EQ(ValidMaxFrameRate(240), 240);
    EXPECT_EQ(ValidMaxFrameRate(241), 240);
    FramePacer pacer;
    EXPECT_EQ(pacer.Period(), 16667);  // 60 by default, rounded so as never to exceed it
    pacer.SetMaxFrameRate(0);
    EXPECT_EQ(pacer.Period(), 0);
    pacer.FollowRefresh(144);
    EXPECT_EQ(pacer.Period(), 0) << "no cap stays no cap";
}

// The cap follows the display: a whole number of refreshes a frame, the
// number that brings the rate nearest the cap.
TEST(FramePacer, TheCapFollowsTheRefresh) {
    const struct {
        int cap, hertz;
        int64_t period;
    } cases[] = {
        {60, 144, 13889},  // 72 a second, two refreshes a frame
        {60, 60, 16667},   {60, 120, 16667}, {60, 75, 13334},
        {60, 59, 16684},   // 59.94 Hz, as drivers report it
        {30, 144, 34723},  // five refreshes: 28.8
        {240, 60, 16667},  // never faster than the display
        {60, 0, 16667},    {60, 1, 16667},    // unknown: the cap itself
    };
    for (const auto& c : cases) {
        FramePacer pacer;
        pacer.SetMaxFrameRate(c.cap);
        pacer.FollowRefresh(c.hertz);
        EXPECT_EQ(pacer.Period(), c.period) << c.cap << " on " << c.hertz << " Hz";
    }
    // The stored cap and the refresh apply in either order.
    FramePacer pacer;
    pacer.FollowRefresh(144);
    pacer.SetMaxFrameRate(60);
    EXPECT_EQ(pacer.Period(), 13889);
}

// Render waits itself and hands the player no pause: a player sleeping on
// the default 15.6 ms tick then leaves the cadence alone. With a timer that
// fires on time or on the next millisecond, 95 % of the intervals are within
// 4 ms of the period, the rate holds, and the frame after a stall is not
// shortened to make it up.
TEST(FramePacer, ASteadyCadenceWhateverThePlayerSleeps) {
    for (int64_t timerStep : {int64_t(0), int64_t(1000)}) {
        SCOPED_TRACE(timerStep);
        FramePacer pacer;
        Loop loop;
        loop.timerStep = timerStep;
        const Spread spread = SpreadOf(loop.Run(pacer, 600), pacer.Period());
        EXPECT_GE(spread.withinShare, 0.95);
        // 60 a second, and a stall of 30 ms in 50 frames costs its 13.3 ms.
        EXPECT_NEAR(spread.meanMs, 16.667 + 13.333 / 50, 0.1);
        EXPECT_GE(spread.shortestAfterStall, pacer.Period() - pacer.Period() / 8);
    }
}

TEST(FramePacer, WithoutACapNothingWaits) {
    FramePacer pacer;
    pacer.SetMaxFrameRate(0);
    pacer.BeginFrame(0);
    EXPECT_EQ(pacer.EarlyBy(1), 0);
    Loop loop;
    const std::vector<int64_t> starts = loop.Run(pacer, 10);
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_LE(starts[i] - starts[i - 1], 8000);
}

// Small wake-up errors are made up, so the rate is exact; a frame later than
// an eighth of the period starts afresh, and a clock gone back too.
TEST(FramePacer, MakesUpOnlyWakeUpErrors) {
    FramePacer pacer;
    pacer.BeginFrame(0);
    pacer.BeginFrame(16667 + 1000);  // 1 ms late
    EXPECT_EQ(pacer.EarlyBy(17667), 16667 - 1000) << "due at 33334";
    pacer.BeginFrame(33334 + 3000);  // 3 ms late: afresh
    EXPECT_EQ(pacer.EarlyBy(36334), 16667);
    pacer.BeginFrame(0);  // the clock went back
    EXPECT_EQ(pacer.EarlyBy(0), 16667);
    EXPECT_EQ(pacer.EarlyBy(-100000), 16667) << "never more than a period";
}
