// The player closing while the plug-in runs, as Winamp does: it answers
// messages for a while (or not at all), then waits for the plug-in's thread
// without answering anything. Quit must finish on its own: settings saved,
// the desktop's mode and the pointer given back, whatever dialogs are open and
// whichever thread owns them. On one thread the player's window goes first,
// taking the display window and the dialogs it owns with it.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

struct Shutdown {
    const char* name;
    const char* settings;
    const char* arguments;
};

// Quit takes well under a second; waiting on a dialog that is gone or on a
// thread that no longer pumps took 10 s each.
constexpr int kQuitBoundMs = 5000;

DEVMODEA DesktopMode() {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

class RobustShutdown : public testing::TestWithParam<Shutdown> {};

}  // namespace

TEST_P(RobustShutdown, QuitFinishesWithoutThePlayersHelp) {
    const Shutdown& c = GetParam();
    Sandbox box(std::string("shutdown-") + c.name);
    box.WriteIni(std::string(c.settings) + "Frames_Per_Scene=777\r\n");
    const DEVMODEA before = DesktopMode();
    const PlayerRun run = box.Run(std::string("--songs 1 ") + c.arguments, 90000);
    const DEVMODEA after = DesktopMode();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.TextsOf("plug-in hung"), std::vector<std::string>{});
    EXPECT_EQ(run.FramesOf("player exit").size(), 1u);
    const std::vector<std::string> quits = run.TextsOf("quit in ");
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_LT(std::atoi(quits[0].c_str() + 8), kQuitBoundMs) << quits[0];
    EXPECT_EQ(run.TextsOf("config returned").size(), 1u);
    EXPECT_EQ(box.IniEntries().size(), 15u);  // the twelve, Resolution, Max_Frame_Rate and Monitor
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 777);
    const std::vector<std::string> cursor = run.TextsOf("cursor count ");
    ASSERT_EQ(cursor.size(), 1u);
    EXPECT_GE(std::atoi(cursor[0].c_str() + 13), 0) << cursor[0];
    EXPECT_EQ(after.dmPelsWidth, before.dmPelsWidth);
    EXPECT_EQ(after.dmPelsHeight, before.dmPelsHeight);
    EXPECT_EQ(after.dmBitsPerPel, before.dmBitsPerPel);
}

INSTANTIATE_TEST_SUITE_P(
    Players, RobustShutdown,
    testing::Values(
        // Winamp's two seconds of answering; the About box on the main thread.
        Shutdown{"thread-full", "Display_Mode=0\r\n", "--plugin-thread --config 10 --exit 40"},
        // A main thread that never answers again, with the panel open as well.
        Shutdown{"thread-panel", "Display_Mode=1\r\n",
                 "--plugin-thread --key 5:Tab --config 10 --exit 40 --exit-pump-ms 0"},
        // One thread: the player's window destroys the display window, the
        // panel and the About box it owns before Quit. Config's loop holds
        // the frames, so the exit comes on Config's frame.
        Shutdown{"one-full", "Display_Mode=0\r\n", "--config 10 --exit 10"},
        Shutdown{"one-panel", "Display_Mode=1\r\n", "--key 5:Tab --config-thread 10 --exit 40"}),
    [](const testing::TestParamInfo<Shutdown>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });
