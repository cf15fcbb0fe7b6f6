// The plug-in on a desktop shared with other programs: a second program takes
// the focus, or switches the display to another mode for a while, as Alt+Tab,
// a UAC prompt or a game does. The player must live, no box may appear, and
// the picture must come back.
#include "host_test_harness.h"

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// Non-black pixels of a capture: the plug-in's picture is on the screen.
int Lit(const Capture& capture) {
    int n = 0;
    for (uint32_t p : capture.pixels) n += (p & 0xF0F0F0) != 0;
    return n;
}

// What every desktop scenario must show: the run ended as the player ended
// it, with no box, the frames after the intrusion drawn again, and the
// settings saved with the mode the run was in.
void ExpectSurvived(const Sandbox& box, const PlayerRun& run, int frames, int mode) {
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(run.FramesOf("frame count reached"), std::vector<int>{frames});
    EXPECT_EQ(run.FramesOf("quit").size(), 1u);
    EXPECT_EQ(box.Ini("Display_Mode"), mode);
    EXPECT_GE(box.Ini("Resolution_Mode"), 0);
    const Capture late = box.CaptureAt(frames - 5);
    EXPECT_GT(Lit(late), late.width * late.height / 50) << "the picture did not come back";
    const std::vector<std::string> counts = run.TextsOf("cursor count ");
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_GE(std::atoi(counts[0].c_str() + 13), 0) << "the pointer stays hidden";
}

}  // namespace

// Alt+Tab to another program and back during Full Screen, with the plug-in
// on the player's thread and on a thread of its own, as real players run it.
TEST(RobustDesktop, FocusTakenInFullScreen) {
    for (const char* thread : {"", "--plugin-thread "}) {
        Sandbox box("focus-full");
        box.WriteIni(std::string("Display_Mode=0\r\n") + host_test::kBrightPicture);
        const PlayerRun run = box.Run(std::string(thread) + "--songs 1 --frames 220 --capture 215", 180000,
                                      "--at-frame 60 --focus 1500 --return-focus");
        EXPECT_EQ(run.companionExit, 0u) << "the second program did not get the focus";
        ExpectSurvived(box, run, 220, 0);
    }
}

// Another program switches the display to 800x600 for 1.5 s.
TEST(RobustDesktop, ModeChangedInFullScreen) {
    Sandbox box("mode-full");
    box.WriteIni(std::string("Display_Mode=0\r\n") + host_test::kBrightPicture);
    // At 60 frames a second the 1.5 s take 90 frames: the picture then has
    // well over a hundred frames to grow back.
    const PlayerRun run = box.Run("--songs 1 --frames 320 --capture 315", 180000, "--at-frame 80 --mode 800x600x32 1500");
    EXPECT_EQ(run.companionExit, 0u);
    ExpectSurvived(box, run, 320, 0);
}

// Windowed follows the desktop to another depth and back.
TEST(RobustDesktop, FocusAndDepthChangedInWindowed) {
    Sandbox box("windowed-desktop");
    box.WriteIni(std::string("Display_Mode=1\r\n") + host_test::kBrightPicture);
    // Each of the two changes restarts the picture from black, and the way
    // back can take Wine a second or more: the late capture leaves room.
    PlayerRun run = box.Run("--songs 1 --frames 260 --capture 255", 180000, "--at-frame 40 --mode 800x600x16 1500");
    EXPECT_EQ(run.companionExit, 0u);
    ExpectSurvived(box, run, 260, 1);
    run = box.Run("--songs 1 --frames 150 --capture 145", 180000, "--at-frame 40 --focus 1500");
    ExpectSurvived(box, run, 150, 1);
}
