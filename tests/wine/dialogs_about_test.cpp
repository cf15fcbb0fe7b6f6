// The About box of the real plug-in: shown by the player's configure command
// (Config, on the player's main thread or others) and by the panel's "Help
// and Info", with the version and the readme beside the library.
#include <algorithm>

#include "dialog_test_support.h"

using namespace dialog_test;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

void WriteReadme(const Sandbox& box, const std::string& text) {
    std::ofstream(box.Path("vis_velune.txt"), std::ios::binary) << text;
}

bool Logged(const RunningPlayer& player, const char* what) { return player.LogText().find(what) != std::string::npos; }

}  // namespace

// Config on the main thread: name, version, logo and the readme up to its
// zero byte; cancel (Esc) does not close the box; Config sleeps until OK.
TEST(DialogsAbout, ConfigShowsTheBoxAndWaitsForOk) {
    Sandbox box("about-config");
    WriteReadme(box, std::string("Velune test readme\r\nsecond line\0not shown", 41));
    RunningPlayer player(box, "--config 3");
    const HWND about = player.Dialog(kAbout);
    ASSERT_TRUE(about);
    EXPECT_EQ(Text(about, 1022) + ", " + Text(about, 1023), "Velune, Version v1.06");
    EXPECT_EQ(Text(about, 1021), "Velune test readme\r\nsecond line");
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);

    // Logo: the picture's top band holds many colours.
    Sleep(300);
    ASSERT_TRUE(CaptureWindow(about, box.Path("about.bmp")));
    host_test::Capture shot;
    ASSERT_TRUE(host_test::ReadCapture(box.Path("about.bmp"), shot));
    std::vector<uint32_t> band(shot.pixels.begin() + shot.width * shot.height / 10,
                               shot.pixels.begin() + shot.width * shot.height / 4);
    std::sort(band.begin(), band.end());
    EXPECT_GT(std::unique(band.begin(), band.end()) - band.begin(), 50);

    const double before = player.CpuMs();
    ASSERT_GE(before, 0.0) << "the player's CPU time cannot be read";
    Sleep(3000);
    const double share = (player.CpuMs() - before) / 3000.0;
    std::printf("player CPU while Config waits: %.1f %%\n", 100.0 * share);
    EXPECT_LT(share, 0.05);
    EXPECT_EQ(player.Count(kAbout), 1) << "cancel must not close the box";
    EXPECT_TRUE(Logged(player, "config start") && !Logged(player, "config returned"));

    Click(about, IDOK);
    ASSERT_TRUE(player.Gone(kAbout));
    Sleep(300);
    EXPECT_TRUE(Logged(player, "config returned"));
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.TextsOf("fpu changed").empty());
}

// Without a readme the box says so. Esc in the display window while Config
// waits is not swallowed by Config's loop: the plug-in stops and saves.
TEST(DialogsAbout, MissingReadmeAndStopDuringConfig) {
    Sandbox box("about-stop");
    RunningPlayer player(box, "--config 3");
    const HWND about = player.Dialog(kAbout);
    ASSERT_TRUE(about);
    EXPECT_EQ(Text(about, 1021), "Readme file missing...");
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.FramesOf("config returned").empty());
    EXPECT_FALSE(run.FramesOf("stop requested").empty());
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 500);
}

// "Help and Info" shows the shipped readme whole; a second press while the
// box is open does nothing. Both dialogs are captured for the README.
TEST(DialogsAbout, HelpAndInfoWithTheShippedReadme) {
    Sandbox box("about-help");
    box.WriteIni(std::string("Display_Mode=1\r\n") + host_test::kQuietPicture);
    const std::string readme = VELUNE_RELEASE_DIR "\\vis_velune.txt";
    CopyFileA(readme.c_str(), box.Path("vis_velune.txt").c_str(), FALSE);
    RunningPlayer player(box, "");
    player.Key(VK_TAB);
    const HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    Click(panel, 1026);
    const HWND about = player.Dialog(kAbout);
    ASSERT_TRUE(about);
    EXPECT_TRUE(Text(about, 1021) == host_test::ReadFile(readme));
    Click(panel, 1026);
    SetWindowPos(about, HWND_TOP, 8, 8, 0, 0, SWP_NOSIZE);
    SetWindowPos(panel, HWND_TOP, 520, 8, 0, 0, SWP_NOSIZE);
    Sleep(1000);
    EXPECT_EQ(player.Count(kAbout), 1);
    const std::string folder = host_test::BuildDir() + "\\dialog-captures";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_TRUE(CaptureWindow(panel, folder + "\\config_panel.bmp"));
    EXPECT_TRUE(CaptureWindow(about, folder + "\\about_box.bmp"));
    Click(about, IDOK);
    EXPECT_TRUE(player.Gone(kAbout));
    Click(panel, 1011);
    ASSERT_TRUE(player.Finish().finished);
}

// Config on a thread other than the plug-in's; a second Config brings the
// open box forward and waits instead of opening another. Quit, with the panel
// and that box open, closes both; both Configs return; the panel's change is
// saved. A readme longer than the text area shows its first 19999 bytes.
class DialogsAboutThreads : public testing::TestWithParam<const char*> {};

TEST_P(DialogsAboutThreads, QuitClosesPanelAndBoxThenSaves) {
    Sandbox box(std::string("about-threads-") + (GetParam()[2] == 'p' ? "plugin" : "config"));
    box.WriteIni("Display_Mode=1\r\n");
    std::string text;
    for (int line = 0; text.size() < 25000; ++line) text += "line " + std::to_string(line) + " of a long readme\r\n";
    WriteReadme(box, text);
    RunningPlayer player(box, GetParam());
    const HWND about = player.Dialog(kAbout);
    ASSERT_TRUE(about);
    const std::string shown = Text(about, 1021);
    EXPECT_TRUE(shown == text.substr(0, 19999)) << shown.size() << " bytes shown";
    player.Key(VK_TAB);
    const HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    Click(panel, 1026);
    MoveSlider(panel, 10);
    Sleep(300);
    EXPECT_EQ(player.Count(kAbout), 1);

    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.TextsOf("config start").size(), 2u);
    EXPECT_EQ(run.TextsOf("config returned").size(), 2u);
    EXPECT_TRUE(run.TextsOf("config thread still running").empty());
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 1000);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DialogsAboutThreads,
                         testing::Values("--config-thread 3 --config-thread 6",
                                         "--plugin-thread --config 3 --config-thread 6"));
