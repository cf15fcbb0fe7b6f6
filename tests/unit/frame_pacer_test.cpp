// The frame-rate cap against a fake clock: a player loop that renders, hands
// the plug-in's wait to Sleep, and sleeps in quanta as Windows does.
#include <gtest/gtest.h>

#include "video/frame_pacer.h"

namespace {

struct Player {
    int64_t quantum = 1000;     // the player's Sleep granularity, microseconds
    int64_t work = 3000;        // one Render's own work
    bool honoursDelay = true;
    int minimumMs = 0;
    int64_t now = 5000000;
    int64_t shortestFrame = INT64_MAX;

    // Renders `frames` frames; returns the time they took.
    int64_t Run(FramePacer& pacer, int frames) {
        const int64_t start = now;
        int64_t lastBegin = -1;
        for (int i = 0; i < frames; ++i) {
            // Render's own wait: whole milliseconds only, as the DLL sleeps.
            now += pacer.EarlyBy(now) / 1000 * 1000;
            pacer.BeginFrame(now);
            if (lastBegin >= 0 && now - lastBegin < shortestFrame) shortestFrame = now - lastBegin;
            lastBegin = now;
            now += work;
            const int delay = pacer.DelayMs(now, minimumMs);
            EXPECT_GE(delay, minimumMs);
            EXPECT_LE(delay, pacer.Period() / 1000 + minimumMs);
            if (honoursDelay && delay > 0) now += (delay * 1000 + quantum - 1) / quantum * quantum;
        }
        return now - start;
    }
};

}  // namespace

TEST(FramePacer, StoredRatesAndPeriods) {
    EXPECT_EQ(ValidMaxFrameRate(0), 0);
    EXPECT_EQ(ValidMaxFrameRate(-1), 60);
    EXPECT_EQ(ValidMaxFrameRate(1), 10);
    EXPECT_EQ(ValidMaxFrameRate(10), 10);
    EXPECT_EQ(ValidMaxFrameRate(240), 240);
    EXPECT_EQ(ValidMaxFrameRate(241), 240);
    FramePacer pacer;
    EXPECT_EQ(pacer.Period(), 16667);  // 60 by default, rounded so as never to exceed it
    pacer.SetMaxFrameRate(144);
    EXPECT_EQ(pacer.Period(), 6945);
    pacer.SetMaxFrameRate(0);
    EXPECT_EQ(pacer.Period(), 0);
}

// 120 frames at 60 take two seconds, whether the player sleeps to the
// millisecond, in 15.6 ms quanta, or not at all; no frame follows the one
// before it sooner than a millisecond short of the period.
TEST(FramePacer, HoldsTheRateWhateverThePlayerSleeps) {
    for (int64_t quantum : {int64_t(1000), int64_t(15625)}) {
        for (bool honours : {true, false}) {
            FramePacer pacer;
            Player player;
            player.quantum = quantum;
            player.honoursDelay = honours;
            const int64_t elapsed = player.Run(pacer, 121);
            EXPECT_GE(elapsed, 120 * 16667 - 1000) << quantum << " " << honours;
            EXPECT_LE(elapsed, 120 * 16667 + 20000) << quantum << " " << honours;
            if (quantum == 1000) {
                EXPECT_GE(player.shortestFrame, 16667 - 1000) << honours;
            }
        }
    }
    // A player that honours the pause leaves Render nothing to wait for.
    FramePacer pacer;
    Player player;
    player.Run(pacer, 10);
    EXPECT_EQ(pacer.EarlyBy(player.now) / 1000, 0);
}

TEST(FramePacer, WithoutACapOnlyTheMinimumIsLeft) {
    FramePacer pacer;
    pacer.SetMaxFrameRate(0);
    Player player;
    player.minimumMs = 5;
    EXPECT_EQ(player.Run(pacer, 100), 100 * (3000 + 5000));
    EXPECT_EQ(pacer.EarlyBy(player.now), 0);
}

// Use_Delay's 5 ms stays when the frame leaves less; a frame that leaves more
// is paused for it.
TEST(FramePacer, TheMinimumPauseStays) {
    FramePacer pacer;
    pacer.BeginFrame(0);
    EXPECT_EQ(pacer.DelayMs(3000, 5), 13);
    EXPECT_EQ(pacer.DelayMs(14000, 5), 5);
    EXPECT_EQ(pacer.DelayMs(40000, 0), 0);
}

// A frame begun late is made up by the next pause; one late by more than a
// period starts afresh rather than letting frames follow without a pause.
TEST(FramePacer, CatchesUpALateFrameButNeverBursts) {
    FramePacer pacer;
    pacer.BeginFrame(0);
    pacer.BeginFrame(16667 + 10000);       // 10 ms late
    EXPECT_EQ(pacer.DelayMs(30000, 0), 3);  // due at 33334
    pacer.BeginFrame(33334 + 200000);      // stalled for a while
    EXPECT_EQ(pacer.EarlyBy(233334 + 1000), 16667 - 1000);
    EXPECT_EQ(pacer.DelayMs(233334, 0), 16);
    // Early by more than a period cannot happen with a steady clock: at most
    // one period is waited.
    EXPECT_EQ(pacer.EarlyBy(0), 16667);
}
