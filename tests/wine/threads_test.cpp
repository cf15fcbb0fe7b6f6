// A player that owns the display window on its main thread and calls Render
// from another, as players do that render from their input thread: display
// changes asked on the window's thread never land in the middle of a frame,
// and the player closing under a frame stops the plug-in without a box.
#include <random>
#include <string>
#include <vector>

#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// A seeded storm of the given keys over 1,100 frames: every frame is
// rendered, nothing crashes and no box is shown.
void ExpectStormSurvived(const char* name, const std::vector<const char*>& keys) {
    Sandbox box(name);
    box.WriteIni("Display_Mode=1\r\nResolution_Mode=1\r\n");
    std::mt19937 random(24);
    std::string arguments = "--render-thread --songs 1 --song-seconds 40 --frames 1100";
    int sent = 0;
    for (int frame = 20; frame < 1080; frame += 8 + static_cast<int>(random() % 25), ++sent)
        arguments += std::string(" --key ") + std::to_string(frame) + ":" + keys[random() % keys.size()];
    const PlayerRun run = box.Run(arguments, 400000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(run.FramesOf("frame count reached").size(), 1u);
    EXPECT_EQ(run.FramesOf("render returned").size(), 0u);
    EXPECT_EQ(run.FramesOf("heap damaged").size(), 0u);
    const std::vector<int> delays = run.Delays();
    EXPECT_EQ(delays.size(), 1101u) << "a delay logged for every frame";
    EXPECT_GE(run.FramesOf("send key").size(), static_cast<size_t>(sent));
    EXPECT_EQ(run.TextsOf("quit in ").size(), 1u);
}

}  // namespace

// Mode switches and scene choices.
TEST(HostThreads, KeyStormWithRenderOffTheWindowsThread) {
    ExpectStormSurvived("threads-storm", {"F1", "F2", "alt+Enter", "Space"});
}

// The same with the panel. Tab in Full Screen, on the window's thread, asks
// for Windowed; the panel is built once the Render thread has entered it.
// Built at the same time, it hung the player in about half the runs.
TEST(HostThreads, KeyStormWithThePanel) {
    ExpectStormSurvived("threads-storm-panel", {"F1", "F2", "alt+Enter", "Tab", "Space"});
}

// The player closes: its window goes, and the display window it owns with
// it, while a blit is under way on the render thread (each takes 25 ms, and
// one whose window is gone fails as on Windows). Render answers 1 without a
// box, the player's exit is not held, and Quit still saves the settings.
TEST(HostThreads, PlayerClosingUnderAFrameIsAStop) {
    int duringBlit = 0;
    for (int exitFrame : {30, 41, 57}) {
        SCOPED_TRACE(exitFrame);
        Sandbox box("threads-exit");
        box.UseFaultyDirectDraw();
        box.SetEnv("VELUNE_DDRAW_FAULT", "slowblt");
        box.SetEnv("VELUNE_DDRAW_LOG", box.Path("ddraw.log"));
        box.WriteIni("Display_Mode=1\r\nResolution_Mode=1\r\nFrames_Per_Scene=777\r\n");
        const PlayerRun run =
            box.Run("--render-thread --songs 1 --frames 200 --exit " + std::to_string(exitFrame), 90000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.boxes, std::vector<std::string>{});
        EXPECT_EQ(run.TextsOf("plug-in hung"), std::vector<std::string>{});
        EXPECT_EQ(run.TextsOf("render returned 1").size(), 1u);
        EXPECT_EQ(run.TextsOf("quit in ").size(), 1u);
        EXPECT_EQ(box.Ini("Transform_Choice"), 32767) << "saved by Quit";
        EXPECT_EQ(box.Ini("Frames_Per_Scene"), 777);
        EXPECT_EQ(box.Ini("Display_Mode"), 1);
        if (host_test::ReadFile(box.Path("ddraw.log")).find("destroyed window") != std::string::npos) ++duringBlit;
    }
    EXPECT_GE(duringBlit, 1) << "the window never went during a blit";
}

// The player's main thread busy for three seconds, answering nothing, while
// its vis thread renders: the play position asked meanwhile is given up
// after a moment, and frames go on (a blocking query held them all).
TEST(HostThreads, ABusyPlayerDoesNotHoldTheFrames) {
    Sandbox box("threads-busy");
    box.WriteIni("Display_Mode=1\r\nResolution_Mode=1\r\n");
    const PlayerRun run = box.Run("--plugin-thread --songs 1 --frames 400 --main-stall 40:3000", 120000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    const std::vector<int> from = run.FramesOf("main stall 3000");
    const std::vector<int> to = run.FramesOf("main stall over");
    ASSERT_EQ(from.size(), 1u);
    ASSERT_EQ(to.size(), 1u);
    // 3 s at 60 frames a second is 180; a query every 30 frames costs 0.1 s.
    EXPECT_GE(to[0] - from[0], 60) << "frames rendered while the player was busy";
    EXPECT_EQ(run.FramesOf("frame count reached").size(), 1u);
}
