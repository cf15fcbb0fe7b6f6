// The About box of the real plug-in: the player's configure command (Config,
// on the player's main thread or another one) and the panel's "Help and
// Info" show it with the version and the readme beside the library; Config
// returns after OK and sleeps meanwhile; Quit closes it from any thread.
#include <cstdio>

#include "dialog_test_support.h"

using dialog_test::Click;
using dialog_test::RunningPlayer;
using dialog_test::Text;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

void WriteReadme(const Sandbox& box, const std::string& text) {
    std::ofstream out(box.Path("vis_velune.txt"), std::ios::binary);
    out << text;
}

bool Logged(const std::string& log, const char* what) { return log.find(what) != std::string::npos; }

// Distinct colours in a rectangle of a 24-bit capture (fractions of its size).
int Colours(const host_test::Capture& c, double left, double top, double right, double bottom) {
    std::vector<uint32_t> seen;
    for (int y = static_cast<int>(top * c.height); y < static_cast<int>(bottom * c.height); ++y)
        for (int x = static_cast<int>(left * c.width); x < static_cast<int>(right * c.width); ++x) {
            const uint32_t p = c.pixels[static_cast<size_t>(y) * c.width + x];
            if (std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
        }
    return static_cast<int>(seen.size());
}

}  // namespace

// Config on the player's main thread (rendering waits for it): the box shows
// name, version, logo and the readme up to its zero byte; Config keeps the
// CPU idle and returns only after OK.
TEST(DialogsAbout, ConfigShowsTheBoxAndWaitsForOk) {
    Sandbox box("about-config");
    WriteReadme(box, std::string("Velune test readme\r\nsecond line\0not shown", 41));
    RunningPlayer player(box, "--frames -1 --config 3");
    const HWND about = player.About();
    ASSERT_TRUE(about);
    EXPECT_EQ(Text(about, 1022), "Velune");
    EXPECT_EQ(Text(about, 1023), "Version v1.06");
    EXPECT_EQ(Text(about, 1021), "Velune test readme\r\nsecond line");
    EXPECT_FALSE(GetWindowLongA(about, GWL_STYLE) & WS_SYSMENU);

    // Esc's cancel does not close the box; only OK does.
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    EXPECT_EQ(player.Count(dialog_test::kAboutCaption), 1);

    Sleep(300);
    ASSERT_TRUE(dialog_test::CaptureWindow(about, box.Path("about.bmp")));
    host_test::Capture shot;
    ASSERT_TRUE(host_test::ReadCapture(box.Path("about.bmp"), shot));
    EXPECT_GT(Colours(shot, 0.1, 0.1, 0.9, 0.25), 50) << "the logo shows";

    const double cpuBefore = player.CpuMs();
    ASSERT_GE(cpuBefore, 0.0) << "the player's CPU time cannot be read";
    const DWORD start = GetTickCount();
    Sleep(3000);
    const double share = (player.CpuMs() - cpuBefore) / static_cast<double>(GetTickCount() - start);
    std::printf("player CPU while the About box waits: %.1f %%\n", 100.0 * share);
    EXPECT_LT(share, 0.05) << "Config should sleep until a message comes";
    EXPECT_TRUE(Logged(player.LogText(), "config start"));
    EXPECT_FALSE(Logged(player.LogText(), "config returned"));

    Click(about, IDOK);
    ASSERT_TRUE(player.Gone(dialog_test::kAboutCaption));
    Sleep(300);
    EXPECT_TRUE(Logged(player.LogText(), "config returned"));
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.TextsOf("fpu changed").empty());
}

// Esc in the display window while Config's box waits: the stop request is
// not swallowed by Config's loop; the box closes, Config returns, the
// plug-in stops and saves.
TEST(DialogsAbout, StopRequestDuringConfigStillStops) {
    Sandbox box("about-stop");
    RunningPlayer player(box, "--frames -1 --config 3");
    ASSERT_TRUE(player.About());
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish(30000);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.FramesOf("config returned").empty());
    EXPECT_FALSE(run.FramesOf("stop requested").empty());
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 500) << "the settings were saved";
}

// Without a readme the box says so; "Help and Info" opens the box once, a
// second press while it is open does nothing, and OK closes it.
TEST(DialogsAbout, HelpAndInfoWithoutReadme) {
    Sandbox box("about-missing");
    box.WriteIni("Display_Mode=1\r\n");
    RunningPlayer player(box, "--frames -1");
    ASSERT_TRUE(player.Display());
    player.Key(VK_TAB);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel);
    Click(panel, 1026);
    const HWND about = player.About();
    ASSERT_TRUE(about);
    EXPECT_EQ(Text(about, 1021), "Readme file missing...");
    Click(panel, 1026);
    Sleep(300);
    EXPECT_EQ(player.Count(dialog_test::kAboutCaption), 1);
    Click(about, IDOK);
    EXPECT_TRUE(player.Gone(dialog_test::kAboutCaption));
    Click(panel, 1026);
    EXPECT_TRUE(player.About()) << "it opens again after OK";
    Click(panel, 1011);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(player.Count(dialog_test::kAboutCaption), 0);
}

// A readme longer than the text area holds shows its first 19999 bytes.
TEST(DialogsAbout, LongReadmeShowsItsBeginning) {
    Sandbox box("about-long");
    std::string text;
    for (int line = 0; text.size() < 25000; ++line) text += "line " + std::to_string(line) + " of a long readme\r\n";
    WriteReadme(box, text);
    RunningPlayer player(box, "--frames -1 --config 3");
    const HWND about = player.About();
    ASSERT_TRUE(about);
    const std::string shown = Text(about, 1021);
    EXPECT_EQ(shown.size(), 19999u);
    EXPECT_TRUE(shown == text.substr(0, 19999)) << "the text is the file's beginning";
    Click(about, IDOK);
    ASSERT_TRUE(player.Gone(dialog_test::kAboutCaption));
    player.Key(VK_ESCAPE);
    ASSERT_TRUE(player.Finish().finished);
}

// Config on a thread other than the plug-in's: a second Config brings the
// open box forward and waits for it instead of opening another; Quit, with
// the panel and the box of the other thread both open, closes both, both
// Config calls return, and the settings changed in the panel are saved.
struct ThreadLayout {
    const char* name;
    const char* arguments;
};

class DialogsAboutThreads : public testing::TestWithParam<ThreadLayout> {};

TEST_P(DialogsAboutThreads, QuitClosesPanelAndBoxThenSaves) {
    Sandbox box(std::string("about-threads-") + GetParam().name);
    box.WriteIni("Display_Mode=1\r\n");
    RunningPlayer player(box, std::string("--frames -1 ") + GetParam().arguments);
    const HWND about = player.About();
    ASSERT_TRUE(about);
    Sleep(500);
    EXPECT_EQ(player.Count(dialog_test::kAboutCaption), 1);
    player.Key(VK_TAB);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel);
    Click(panel, 1026);
    dialog_test::MoveSlider(panel, 1020, 10);
    Sleep(300);
    EXPECT_EQ(player.Count(dialog_test::kAboutCaption), 1);

    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.TextsOf("config start").size(), 2u);
    EXPECT_EQ(run.TextsOf("config returned").size(), 2u);
    EXPECT_TRUE(run.TextsOf("config thread still running").empty());
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 1000);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DialogsAboutThreads,
                         testing::Values(ThreadLayout{"config-threads", "--config-thread 3 --config-thread 6"},
                                         ThreadLayout{"plugin-thread", "--plugin-thread --config 3 --config-thread 6"}),
                         [](const testing::TestParamInfo<ThreadLayout>& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });
