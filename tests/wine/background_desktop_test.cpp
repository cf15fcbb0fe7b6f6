// Background where no overlay exists: the picture behind the desktop icons of
// a stand-in shell (velune-shell, in both window layouts), with the real
// plug-in in the real player on a DirectDraw that makes no overlay.
#include "background_test_support.h"

using namespace background_test;

// Ours goes between the icons and the wallpaper's WorkerW, in both layouts.
// Seen on the screen with the shell inside the player (Wine composes a child
// window's pixels only within one process, and shows no DirectDraw blit into
// it: the blit is refused there, so GDI draws the picture), and in the window
// tree with the shell as a process of its own.
TEST(BackgroundDesktop, AttachesBehindTheIconsInBothLayouts) {
    for (bool layout24h2 : {false, true}) {
        const char* layout = layout24h2 ? "24h2" : "classic";
        SCOPED_TRACE(layout);
        Sandbox box(std::string("desktop-") + layout);
        box.WriteIni(kDesktopSettings);
        UseDirectDraw(box, "childblit");
        PlayerRun run = box.Run(std::string("--silent-songs 1 --frames 40 --capture 35 --capture-screen --shell ") + layout);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.boxes, std::vector<std::string>{});
        EXPECT_EQ(box.Ini("Display_Mode"), 2);
        const Capture screen = box.CaptureAt(35);
        int icons = 0, iconPixels = 0, wallpaper = 0;
        for (int y = 0; y < screen.height; ++y)
            for (int x = 0; x < screen.width; ++x) {
                const uint32_t pixel = screen.pixels[static_cast<size_t>(y) * screen.width + x];
                if (InIcon(x, y)) {
                    ++iconPixels;
                    icons += pixel == kShellIcon;
                } else if (x < 700 || y < 600) {  // the player's own window may sit in the corner
                    wallpaper += pixel == kShellWallpaper;
                }
            }
        EXPECT_EQ(icons, iconPixels) << "the icons are in front of ours";
        EXPECT_EQ(wallpaper, 0) << "ours is not in front of the shell's wallpaper";

        Shell shell(layout24h2);
        UseDirectDraw(box, "nooverlay");
        std::vector<HWND> foreign;
        std::string tree, siblings;
        HWND parent = nullptr;
        LONG extended = 0;
        BackgroundRun background(box, "--silent-songs 1 --frames 60");
        // The walk of the tree is not one atomic look: ours is made on top of
        // its siblings and then moved under the icons, and a walk across that
        // move meets it twice. Two equal looks in a row are the settled tree.
        WaitFor([&] {
            std::vector<HWND> now = shell.Foreign();
            const bool settled = !now.empty() && now == foreign;
            foreign = std::move(now);
            return settled || LogHas(box, "quit");
        }, 60000);
        if (!foreign.empty()) {
            parent = GetParent(foreign[0]);
            siblings = ClassOf(GetWindow(foreign[0], GW_HWNDPREV)) + " | " + ClassOf(GetWindow(foreign[0], GW_HWNDNEXT));
            extended = GetWindowLongA(foreign[0], GWL_EXSTYLE);
            for (const std::string& line : shell.Tree()) tree += line + "\n";
        }
        run = background.Finish();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_EQ(foreign.size(), 1u) << tree;
        if (layout24h2) {
            EXPECT_EQ(ClassOf(parent), "Progman") << tree;
            EXPECT_EQ(siblings, "SHELLDLL_DefView | WorkerW") << tree;
            EXPECT_NE(extended & WS_EX_LAYERED, 0) << tree;
        } else {
            EXPECT_EQ(ClassOf(parent), "WorkerW") << tree;
            EXPECT_EQ(FindWindowExA(parent, nullptr, "SHELLDLL_DefView", nullptr), nullptr) << tree;
            EXPECT_EQ(GetAncestor(parent, GA_PARENT), GetDesktopWindow()) << tree;
        }
    }
}

// Where an overlay exists (reported and made), Background keeps to it: no
// window of ours among the shell's.
TEST(BackgroundDesktop, OverlayPathStaysWhereAnOverlayExists) {
    Shell shell(false);
    Sandbox box("desktop-overlay");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "overlay");
    bool seen = false;
    BackgroundRun background(box, "--silent-songs 1 --frames 60");
    WaitFor([&] { return (seen = seen || !shell.Foreign().empty()) || LogHas(box, "quit"); }, 60000);
    const PlayerRun run = background.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_FALSE(seen) << "a window of ours went behind the icons";
    const std::string log = host_test::ReadFile(box.Path("ddraw.log"));
    const size_t at = log.find("mode sets, ");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_GT(std::atoi(log.c_str() + at + 11), 50) << "the overlay shows the frames";
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
}

// A full-screen program in front: nothing of the desktop is seen, so no
// frame is made (no scene, so no position query of the player) or presented,
// and the player is asked for a long pause; afterwards all comes back.
TEST(BackgroundDesktop, NothingPresentedUnderAFullScreenProgram) {
    Shell shell(false);
    Sandbox box("desktop-covered");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "nooverlay");
    BackgroundRun background(box, "--silent-songs 1 --frames 100000 --min-frame-ms 20 --key 300:Esc");
    ASSERT_TRUE(WaitFor([&] { return LogHas(box, "frame 50 "); }, 60000));
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(cover);
    WaitFor([&] {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        return LogHas(box, "frame 250 ");
    }, 60000);
    DestroyWindow(cover);
    const PlayerRun run = background.Finish();
    ASSERT_TRUE(run.finished);
    const std::string log = host_test::ReadFile(box.Path("ddraw.log"));
    const size_t at = log.find("end: ");
    ASSERT_NE(at, std::string::npos) << log;
    const int presented = std::atoi(log.c_str() + at + 5);
    EXPECT_LT(presented, 200) << "presented while covered";
    EXPECT_GT(presented, 70) << "not presented again after";
    // Frames 150..249 are well inside the covered stretch.
    const std::vector<int> delays = run.Delays();
    int longPauses = 0, queries = 0;
    for (int frame = 150; frame < 250 && frame < static_cast<int>(delays.size()); ++frame) longPauses += delays[frame] >= 50;
    for (int frame : run.FramesOf("query 105")) queries += frame >= 150 && frame < 250;
    EXPECT_GT(longPauses, 90) << "no long pause while covered";
    EXPECT_EQ(queries, 0) << "the scene ran while covered";
}

// Explorer restarting: the shell is killed and started again (its new windows
// broadcast "TaskbarCreated"), and ours is back behind the new icons. The goal
// is a second; the bound here is loose for a loaded machine.
TEST(BackgroundDesktop, BackBehindTheIconsAfterTheShellRestarts) {
    Shell shell(false);
    Sandbox box("desktop-restart");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "nooverlay");
    BackgroundRun background(box, "--silent-songs 1 --frames 100000 --min-frame-ms 20 --key 600:Esc");
    ASSERT_TRUE(WaitFor([&] { return !shell.Foreign().empty(); }, 60000)) << "not behind the icons at first";
    shell.Kill();
    Sleep(300);
    shell.Start();
    const DWORD restarted = GetTickCount();
    const bool back = WaitFor(
        [&] {
            const std::vector<HWND> foreign = shell.Foreign();
            return foreign.size() == 1 && IsWindowVisible(foreign[0]) && ClassOf(GetParent(foreign[0])) == "WorkerW";
        },
        5000);
    const DWORD took = GetTickCount() - restarted;
    EXPECT_TRUE(back) << "not back behind the new shell's icons";
    std::printf("back behind the icons %lu ms after the shell restarted\n", static_cast<unsigned long>(took));
    const PlayerRun run = background.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(run.FramesOf("quit"), std::vector<int>{600});
}

// The render thread held in a long wait: the shell, which relays a settings
// change to its children (ours among them), still answers another process.
TEST(BackgroundDesktop, StalledRenderThreadLeavesTheShellAnswering) {
    Shell shell(false);
    Sandbox box("desktop-stall");
    box.WriteIni(kDesktopSettings);
    UseDirectDraw(box, "nooverlay");
    BackgroundRun background(box, "--silent-songs 1 --frames 60 --stall 30:8000");
    ASSERT_TRUE(WaitFor([&] { return LogHas(box, "stall 8000"); }, 60000));
    ASSERT_FALSE(shell.Foreign().empty()) << "not behind the icons";
    const char area[] = "Environment";
    for (HWND target : {shell.Progman(), FindWindowExA(nullptr, nullptr, "WorkerW", nullptr)}) {
        DWORD_PTR answer = 0;
        const DWORD start = GetTickCount();
        const LRESULT answered = SendMessageTimeoutA(target, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area),
                                                     SMTO_NORMAL, 3000, &answer);
        EXPECT_NE(answered, 0) << ClassOf(target) << " did not answer within 3 s";
        EXPECT_LT(GetTickCount() - start, 3000u);
    }
    EXPECT_FALSE(LogHas(box, "stall over")) << "the wait ended before the shell was asked";
    const PlayerRun run = background.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.FramesOf("frame count reached"), std::vector<int>{60});
}

// Quit and leaving Background (F2) give the desktop back as it was: the
// shell's windows as they were (none of ours left, the icons shown) and the
// user's wallpaper setting never changed.
TEST(BackgroundDesktop, QuitAndLeavingLeaveTheDesktopAsItWas) {
    for (bool layout24h2 : {false, true}) {
        SCOPED_TRACE(layout24h2 ? "24H2" : "classic");
        Shell shell(layout24h2);
        // The WorkerW made beforehand, as any wallpaper program may have.
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(shell.Progman(), 0x052C, 0xD, 1, SMTO_NORMAL, 3000, &answer);
        const std::vector<std::string> before = shell.Tree();
        const std::string wallpaper = host_test::DesktopWallpaper();
        Sandbox box(layout24h2 ? "desktop-quit-24h2" : "desktop-quit");
        box.WriteIni(kDesktopSettings);
        UseDirectDraw(box, "nooverlay");

        bool attached = false;
        BackgroundRun quitting(box, "--silent-songs 1 --frames 40");
        WaitFor([&] { return (attached = attached || !shell.Foreign().empty()) && LogHas(box, "quit"); }, 60000);
        PlayerRun run = quitting.Finish();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(attached);
        EXPECT_EQ(shell.Tree(), before);

        // Leaving for Windowed while the player goes on.
        attached = false;
        BackgroundRun leaving(box, "--silent-songs 1 --frames 100000 --min-frame-ms 20 --key 80:F2 --key 250:Esc");
        WaitFor([&] { return (attached = attached || !shell.Foreign().empty()) && LogHas(box, "frame 160 "); }, 60000);
        const std::vector<HWND> left = shell.Foreign();
        const std::vector<std::string> whileWindowed = shell.Tree();
        run = leaving.Finish();
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(attached);
        EXPECT_EQ(left, std::vector<HWND>{}) << "ours stayed behind the icons in Windowed";
        EXPECT_EQ(whileWindowed, before);
        EXPECT_EQ(box.Ini("Display_Mode"), 1);
        EXPECT_EQ(shell.Tree(), before);
        EXPECT_EQ(host_test::DesktopWallpaper(), wallpaper);
    }
}
