// Keys sent to the display window: the plug-in's own commands (seen through
// the settings it saves, the player's log and captures) and the keys it hands
// on to the player unchanged.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// Only renderer 2 and transform 4 take part in random choices, so every
// scene starts from them and stepping is predictable. No automatic switch.
const char kNarrowChoice[] = "Display_Mode=1\r\nFrames_Per_Scene=-1\r\nRenderer_Choice=2048\r\nTransform_Choice=1024\r\n";

}  // namespace

// F5 and F6 step the renderer and the transform, F7 and F8 lock what is on
// screen; a letter, F3, F10, F11 and an Alt combination reach the player's
// window as they were sent; Esc ends the run.
TEST(HostKeys, StepLockForwardAndQuit) {
    Sandbox box("step-lock");
    box.WriteIni(kNarrowChoice);
    const PlayerRun run = box.Run(
        "--frames 60 --key 3:F5 --key 4:F6 --key 5:F7 --key 6:F8 --key 7:C --key 8:F3 --key 9:F10 "
        "--key 10:F11 --key 11:alt+K --key 13:Esc");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.FramesOf("stop requested after 12 frames"), std::vector<int>{13});
    EXPECT_EQ(box.Ini("Prefered_Renderer"), 3);
    EXPECT_EQ(box.Ini("Prefered_Transform"), 5);

    // Every forwarded key arrives with the message, key and lParam it was sent with.
    const std::vector<std::string> sent = run.TextsOf("send key ");
    const std::vector<std::string> received = run.TextsOf("key ");
    std::vector<std::string> expected;
    for (const std::string& s : sent) {
        unsigned message = 0, key = 0;
        ASSERT_EQ(std::sscanf(s.c_str(), "send key message %u wparam %u", &message, &key), 2);
        const bool ownKey = (key >= VK_F4 && key <= VK_F9) || key == VK_ESCAPE;
        if (!ownKey) expected.push_back(s.substr(5));
    }
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(received, expected);
    EXPECT_EQ(received.back().compare(0, 26, "key message 260 wparam 75 "), 0) << received.back();
}

// Space chooses a new scene among the enabled entries, so after stepping away
// it returns to renderer 2 and transform 4; the locks then take those.
TEST(HostKeys, SpaceChoosesAmongTheEnabled) {
    Sandbox box("space");
    box.WriteIni(kNarrowChoice);
    const PlayerRun run = box.Run("--frames 10 --key 3:F5 --key 3:F6 --key 5:Space --key 7:F7 --key 7:F8");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(box.Ini("Prefered_Renderer"), 2);
    EXPECT_EQ(box.Ini("Prefered_Transform"), 4);
}

// F7 and F8 pressed twice lock and unlock again, with a message each time;
// after F12 every renderer runs and F7 locks the last one, 13.
TEST(HostKeys, LockTogglesAndAllRenderers) {
    Sandbox box("toggles");
    box.WriteIni(std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n") + host_test::kQuietPicture);
    const PlayerRun run = box.Run(
        "--silent-songs 1 --frames 100 --key 85:F7 --key 86:F7 --key 87:F8 --key 88:F8 --key 89:F12 --key 90:F7 "
        "--capture 84 --capture 87");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(box.Ini("Prefered_Renderer"), 13);
    EXPECT_EQ(box.Ini("Prefered_Transform"), -1);
    EXPECT_LT(box.CaptureAt(84).MessagePixels(), 10) << "the first title should be gone";
    EXPECT_GT(box.CaptureAt(87).MessagePixels(), 50) << "a lock message should show";
}

// F4 switches the information overlay on, Alt+F4 off again (it does not close
// the window); F9 switches the song title off with a message, and the setting
// is saved.
TEST(HostKeys, InfoOverlayAndTitleSwitch) {
    Sandbox box("overlays");
    box.WriteIni(std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n") + host_test::kQuietPicture);
    const PlayerRun run = box.Run(
        "--silent-songs 1 --frames 100 --key 5:F4 --key 12:alt+F4 --key 85:F9 --capture 10 --capture 16 --capture 84 "
        "--capture 90");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.FramesOf("frame count reached"), std::vector<int>{100});
    EXPECT_GT(box.CaptureAt(10).InfoPixels(), 100) << "the overlay's six lines";
    EXPECT_LT(box.CaptureAt(16).InfoPixels(), 10);
    EXPECT_LT(box.CaptureAt(84).MessagePixels(), 10);
    EXPECT_GT(box.CaptureAt(90).MessagePixels(), 50) << "\"Song Title Display Off\"";
    EXPECT_EQ(box.Ini("Show_Song_Title"), 0);
}

// The plug-in on a thread of its own, as real players run it: its keys act,
// others reach the player's window on the main thread, the mode keys switch
// (Alt+Enter from Windowed ends in Full Screen), and Esc stops it with the
// pointer shown.
TEST(HostKeys, KeysOnThePluginThread) {
    Sandbox box("plugin-thread");
    box.WriteIni(kNarrowChoice);
    const PlayerRun run = box.Run(
        "--plugin-thread --frames 60 --key 3:F7 --key 4:C --key 6:F1 --key 10:F2 --key 14:alt+Enter --key 20:Esc");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.FramesOf("stop requested after 19 frames"), std::vector<int>{20});
    EXPECT_EQ(box.Ini("Prefered_Renderer"), 2);
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    const std::vector<std::string> received = run.TextsOf("key message 256 wparam 67 ");
    EXPECT_EQ(received.size(), 1u);
    const std::vector<std::string> counts = run.TextsOf("cursor count ");
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_GE(std::atoi(counts[0].c_str() + 13), 0) << counts[0];
}
