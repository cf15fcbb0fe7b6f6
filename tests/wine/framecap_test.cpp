// The frame-rate cap seen from the stand-in player, which renders and then
// sleeps delayMs, nothing else: Render waits for its frame itself and hands
// the player no pause, and at the default cap 120 frames take two seconds,
// whichever thread calls Render; without a cap they run as fast as the
// machine goes. The player times the frames after the first, which sets the
// display up.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

struct Timing {
    int ms = -1;
    int cpuMs = -1;
};

Timing TimingOf(const PlayerRun& run) {
    Timing t;
    const std::vector<std::string> lines = run.TextsOf("timing ");
    if (!lines.empty()) std::sscanf(lines.back().c_str(), "timing %*d frames %d ms cpu %d ms", &t.ms, &t.cpuMs);
    return t;
}

}  // namespace

// 320x240 (the second mode of the list) keeps frames under the period on a
// busy machine, so the pause is mostly the player's to take.
TEST(FrameCap, SixtyFramesASecondByDefaultOnEitherThread) {
    for (const char* thread : {"", "--plugin-thread "}) {
        Sandbox box("pacing");
        box.WriteIni("Resolution_Mode=1\r\n");
        const PlayerRun run = box.Run(std::string(thread) + "--frames 121");
        ASSERT_TRUE(run.finished);
        const Timing t = TimingOf(run);
        EXPECT_GE(t.ms, 1900) << thread;
        const std::vector<int> delays = run.Delays();
        ASSERT_EQ(delays.size(), 122u);
        for (int frame = 1; frame <= 121; ++frame) EXPECT_EQ(delays[frame], 0) << thread << "frame " << frame;
        EXPECT_EQ(box.Ini("Max_Frame_Rate"), 60);
        std::fprintf(stderr, "%s120 frames at 320x240: %d ms, CPU %d ms\n", thread, t.ms, t.cpuMs);
    }
}

// A cap below 10 is taken as 10: 30 frames then last three seconds. Without a
// cap the same frames take a fraction of that and delayMs stays 0, as it
// always was in Full Screen.
TEST(FrameCap, TheLowestCapAndNoCap) {
    Sandbox box("pacing10");
    box.WriteIni("Resolution_Mode=1\r\nMax_Frame_Rate=5\r\n");
    const PlayerRun slow = box.Run("--frames 31");
    ASSERT_TRUE(slow.finished);
    const Timing ten = TimingOf(slow);
    EXPECT_GE(ten.ms, 2900);
    EXPECT_EQ(box.Ini("Max_Frame_Rate"), 10);

    box.WriteIni("Resolution_Mode=1\r\nMax_Frame_Rate=0\r\n");
    const PlayerRun free = box.Run("--frames 31");
    ASSERT_TRUE(free.finished);
    const Timing none = TimingOf(free);
    // Loose on purpose: a loaded machine may take 50 ms a frame.
    EXPECT_LT(none.ms, ten.ms);
    EXPECT_EQ(box.Ini("Max_Frame_Rate"), 0);
    std::fprintf(stderr, "30 frames at 320x240: capped at 10 %d ms, uncapped %d ms (CPU %d ms)\n", ten.ms, none.ms,
                 none.cpuMs);
}

// Full Screen at 640x480, the default: the cap holds, and the player's CPU
// time is reported.
TEST(FrameCap, FullScreen640x480IsCapped) {
    Sandbox box("pacing640");
    const PlayerRun run = box.Run("--frames 121");
    ASSERT_TRUE(run.finished);
    const Timing t = TimingOf(run);
    EXPECT_GE(t.ms, 1900);
    std::fprintf(stderr, "120 frames at 640x480 Full Screen: %d ms, CPU %d ms\n", t.ms, t.cpuMs);
}
