// Background where the system refuses what Background first tries, or where
// the shell is odd: no blit, no layered window, a decoy WorkerW, a busy or
// missing shell; and clicks on the desktop still reach the shell.
#include "background_test_support.h"

using namespace background_test;

// Where the system refuses DirectDraw's blit into a child of the shell's
// window, GDI draws the picture; where it refuses a layered child both its
// attributes and the layered update (24H2 in a player that does not declare
// Windows 8), a plain child replaces it and GDI draws there. Either way the
// picture is on the screen behind the icons, and the refused call is not
// tried again every frame.
TEST(BackgroundDesktop, PictureShownWhereTheBlitOrTheLayeredWindowIsRefused) {
    const struct {
        const char* fault;
        const char* layout;
    } cases[] = {{"childblit", "classic"}, {"layered", "24h2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " " + c.layout);
        Sandbox box(std::string("desktop-gdi-") + c.fault + "-" + c.layout);
        box.WriteIni(std::string("Display_Mode=2\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n") +
                     host_test::kBrightPicture);
        UseDirectDraw(box, c.fault);
        const PlayerRun run = box.Run(std::string("--frames 90 --capture 85 --capture-screen --shell ") + c.layout);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.boxes, std::vector<std::string>{});
        const DesktopPixels seen = CountDesktop(box.CaptureAt(85));
        EXPECT_GT(seen.picture, 20000) << "the picture is not on the screen";
        EXPECT_EQ(seen.wallpaper, 0) << "the picture does not cover the wallpaper";
        const std::string log = host_test::ReadFile(box.Path("ddraw.log"));
        const size_t at = log.find("blits into a child refused");
        ASSERT_NE(at, std::string::npos) << log;
        const size_t comma = log.rfind(", ", at);
        EXPECT_LE(std::atoi(log.c_str() + comma + 2), 1) << "the refused blit was tried again";
        EXPECT_LE(std::atoi(log.c_str() + log.find("end: ") + 5), 1) << "DirectDraw blits where GDI draws";
        EXPECT_EQ(box.Ini("Display_Mode"), 2);
    }
}

// Nothing presented (a DirectDraw blit that Wine does not show in another
// window's child, like a frame not blitted at all): the monitor shows the
// wallpaper through ours, never a black sheet.
TEST(BackgroundDesktop, WallpaperNotBlackWhereNoFrameIsShown) {
    Sandbox box("desktop-unpainted");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "nooverlay");
    const PlayerRun run = box.Run("--silent-songs 1 --frames 40 --capture 35 --capture-screen --shell classic");
    ASSERT_TRUE(run.finished);
    const DesktopPixels seen = CountDesktop(box.CaptureAt(35));
    EXPECT_LT(seen.black, 1000) << "ours paints black";
    EXPECT_GT(seen.wallpaper, 100000);
}

// Clicks, right-clicks and drag-selection on the empty desktop go to the shell:
// ours answers every hit test as transparent and says so in its style.
TEST(BackgroundDesktop, ClicksGoThroughToTheShell) {
    for (bool layout24h2 : {false, true}) {
        SCOPED_TRACE(layout24h2 ? "24h2" : "classic");
        Shell shell(layout24h2);
        Sandbox box(layout24h2 ? "desktop-clicks-24h2" : "desktop-clicks");
        box.WriteIni(kDesktopSettings);
        UseDirectDraw(box, "nooverlay");
        BackgroundRun background(box, "--silent-songs 1 --frames 100000 --min-frame-ms 20 --key 150:Esc");
        std::vector<HWND> foreign;
        ASSERT_TRUE(WaitFor([&] { return !(foreign = shell.Foreign()).empty(); }, 60000));
        DWORD_PTR hit = 0;
        const POINT empty = {500, 300};
        EXPECT_NE(SendMessageTimeoutA(foreign[0], WM_NCHITTEST, 0, MAKELPARAM(empty.x, empty.y), SMTO_NORMAL, 3000, &hit),
                  0);
        EXPECT_EQ(static_cast<LRESULT>(hit), HTTRANSPARENT);
        EXPECT_NE(GetWindowLongA(foreign[0], GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
        EXPECT_TRUE(background.Finish().finished);
    }
}

// A hidden 10x10 WorkerW right behind the icons is no place for the picture:
// ours goes into the shown WorkerW that covers the monitor.
TEST(BackgroundDesktop, DecoyWorkerIsPassedOver) {
    Shell shell(false, "--decoy");
    Sandbox box("desktop-decoy");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "nooverlay");
    BackgroundRun background(box, "--silent-songs 1 --frames 60");
    std::vector<HWND> foreign;
    WaitFor([&] { return !(foreign = shell.Foreign()).empty() || LogHas(box, "quit"); }, 60000);
    std::string tree;
    for (const std::string& line : shell.Tree()) tree += line + "\n";
    RECT parent = {};
    if (!foreign.empty()) GetWindowRect(GetParent(foreign[0]), &parent);
    EXPECT_TRUE(background.Finish().finished);
    ASSERT_EQ(foreign.size(), 1u) << tree;
    EXPECT_EQ(parent.right - parent.left, GetSystemMetrics(SM_CXSCREEN)) << tree;
    EXPECT_EQ(parent.bottom - parent.top, GetSystemMetrics(SM_CYSCREEN)) << tree;
}

// A shell busy for 1.5 s at start: this run shows Windowed, the stored choice
// stays Background, and the next start is behind the icons. (The notice is
// seen in the test without a shell: here Wine puts the shell's windows over
// every DirectDraw blit.)
TEST(BackgroundDesktop, BusyShellAtStartKeepsBackgroundForTheNextStart) {
    Shell shell(false, "--busy 1500");
    Sandbox box("desktop-busy");
    box.WriteIni(std::string(kDesktopSettings) + host_test::kQuietPicture);
    UseDirectDraw(box, "nooverlay");
    PlayerRun run = box.Run("--silent-songs 1 --frames 40");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    ASSERT_FALSE(run.TextsOf("window ").empty());
    EXPECT_NE(run.TextsOf("window ").back().find("visible 1"), std::string::npos) << "not shown Windowed";
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
    bool attached = false;
    BackgroundRun again(box, "--silent-songs 1 --frames 60");
    WaitFor([&] { return (attached = attached || !shell.Foreign().empty()) || LogHas(box, "quit"); }, 60000);
    run = again.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(attached) << "not behind the icons at the second start";
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
}

// No desktop shell at all and default settings: the notice that says so is
// on the screen for its whole time, above the first song's title, which
// arrives in the very first frame.
TEST(BackgroundDesktop, NoShellNoticeOutlastsTheFirstTitle) {
    Sandbox box("desktop-noshell");
    box.WriteIni(std::string("Display_Mode=2\r\nFrames_Per_Scene=-1\r\n") + host_test::kQuietPicture);
    UseDirectDraw(box, "nooverlay");
    const PlayerRun run = box.Run("--silent-songs 1 --frames 90 --capture 5 --capture 75 --capture 88");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    // The notice's line, above the message's.
    auto notice = [&](int frame) { return box.CaptureAt(frame).WhitePixels(0.03, 0.895, 0.60, 0.935); };
    auto title = [&](int frame) { return box.CaptureAt(frame).WhitePixels(0.03, 0.94, 0.60, 0.99); };
    EXPECT_GT(notice(5), 50);
    EXPECT_GT(title(5), 50) << "the title is shown too";
    EXPECT_GT(notice(75), 50) << "the notice went before its time";
    EXPECT_LT(notice(88), 10) << "the notice outstayed its time";
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
}
