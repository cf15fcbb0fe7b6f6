// The player closing while the plug-in runs, as Winamp does: it answers
// messages for a while (or not at all), then waits for the plug-in's thread
// without answering anything. Quit must finish on its own: settings saved,
// the desktop's mode and the pointer given back, whatever dialogs are open and
// whichever thread owns them. On one thread the player's window goes first,
// taking the display window and the dialogs it owns with it.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

// Quit takes well under a second; waiting on a dialog that is gone, or on a
// thread that no longer pumps, took 10 s each.
TEST(RobustShutdown, QuitFinishesWithoutThePlayersHelp) {
    const struct {
        const char* name;
        const char* settings;
        const char* arguments;
    } players[] = {
        // Winamp's two seconds of answering.
        {"thread-full", "Display_Mode=0\r\n", "--plugin-thread --exit 40"},
        // A main thread that never answers again, with the panel open as well.
        {"thread-panel", "Display_Mode=1\r\n", "--plugin-thread --key 5:Tab --config 10 --exit 40 --exit-pump-ms 0"},
        // One thread: the player's window destroys the display window, the
        // panel and the About box it owns before Quit. Config's loop holds
        // the frames, so the exit comes on Config's frame.
        {"one-full", "Display_Mode=0\r\n", "--config 10 --exit 10"},
        {"one-panel", "Display_Mode=1\r\n", "--key 5:Tab --config-thread 10 --exit 40"},
    };
    for (const auto& c : players) {
        SCOPED_TRACE(c.name);
        Sandbox box(std::string("shutdown-") + c.name);
        box.WriteIni(std::string(c.settings) + "Frames_Per_Scene=777\r\n");
        const PlayerRun run = box.Run(std::string("--songs 1 ") + c.arguments, 90000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.TextsOf("plug-in hung"), std::vector<std::string>{});
        EXPECT_EQ(run.FramesOf("player exit").size(), 1u);
        const std::vector<std::string> quits = run.TextsOf("quit in ");
        ASSERT_EQ(quits.size(), 1u);
        EXPECT_LT(std::atoi(quits[0].c_str() + 8), 5000) << quits[0];
        EXPECT_EQ(run.TextsOf("config returned").size(), run.TextsOf("config start").size());
        EXPECT_EQ(box.Ini("Transform_Choice"), 32767) << "saved by Quit";
        EXPECT_EQ(box.Ini("Frames_Per_Scene"), 777);
        const std::vector<std::string> cursor = run.TextsOf("cursor count ");
        ASSERT_EQ(cursor.size(), 1u);
        EXPECT_GE(std::atoi(cursor[0].c_str() + 13), 0) << cursor[0];
        const std::vector<std::string> desktop = run.TextsOf("desktop ");
        ASSERT_EQ(desktop.size(), 2u);
        EXPECT_EQ(desktop[1], desktop[0]) << "the desktop's mode after Quit";
    }
}
