// Background where no overlay exists: the picture behind the desktop icons of
// a stand-in shell (velune-shell, in both window layouts), with the real
// plug-in in the real player on a DirectDraw that makes no overlay.
#include <ddraw.h>

#include <functional>

#include "host_test_harness.h"

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

const uint32_t kShellWallpaper = 0x205080;  // the stand-in's colours, 0xRRGGBB
const uint32_t kShellIcon = 0xF0C828;
constexpr int kIconSquares = 4;

// The icons' squares of the stand-in, shrunk by a pixel against edge blur.
bool InIcon(int x, int y) {
    for (int i = 0; i < kIconSquares; ++i)
        if (x >= 25 && x < 71 && y >= 25 + i * 96 && y < 71 + i * 96) return true;
    return false;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The stand-in shell as its own process: killed and started again, it is
// Explorer restarting.
class Shell {
public:
    explicit Shell(bool layout24h2, const std::string& options = "") : layout24h2(layout24h2), options(options) {
        Start();
    }
    ~Shell() { Kill(); }

    void Start() {
        std::string command = "\"" + host_test::BuildDir() + "\\velune-shell.exe\"" + (layout24h2 ? " --24h2" : "") +
                              (options.empty() ? "" : " " + options);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        for (int i = 0; i < 200 && Progman() == nullptr; ++i) Sleep(50);
        ASSERT_NE(Progman(), nullptr) << "the stand-in shell did not start";
    }
    void Kill() {
        if (process.hProcess == nullptr) return;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        process = {};
        // Its windows go with it; wait until the system agrees.
        for (int i = 0; i < 100 && FindWindowA("Progman", nullptr) != nullptr; ++i) Sleep(50);
    }

    HWND Progman() const {
        for (HWND w = FindWindowExA(nullptr, nullptr, "Progman", nullptr); w != nullptr;
             w = FindWindowExA(nullptr, w, "Progman", nullptr))
            if (process.dwProcessId != 0 && ProcessOf(w) == process.dwProcessId) return w;
        return nullptr;
    }
    // The shell's windows, top-level in z order and each one's children, as
    // text (class, visibility, rectangle; "foreign" for a window of another
    // process among them); `foreign` receives those.
    std::vector<std::string> Tree(std::vector<HWND>* foreign = nullptr) const {
        std::vector<std::string> lines;
        std::function<void(HWND, int)> walk = [&](HWND window, int depth) {
            const bool ours = ProcessOf(window) != process.dwProcessId;
            if (ours && foreign != nullptr) foreign->push_back(window);
            RECT r;
            GetWindowRect(window, &r);
            char line[200];
            std::snprintf(line, sizeof line, "%*s%s%s visible %d %ld,%ld,%ld,%ld", depth * 2, "", ours ? "foreign " : "",
                          ClassOf(window).c_str(), IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right, r.bottom);
            lines.push_back(line);
            for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
                walk(child, depth + 1);
        };
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
            if (ProcessOf(w) == process.dwProcessId) walk(w, 0);
        return lines;
    }
    std::vector<HWND> Foreign() const {
        std::vector<HWND> found;
        Tree(&found);
        return found;
    }

private:
    bool layout24h2;
    std::string options;
    PROCESS_INFORMATION process = {};
};

// Background on a DirectDraw without overlays (or, with `fault` "overlay",
// one that reports and makes them).
void UseDirectDraw(Sandbox& box, const char* fault) {
    box.UseFaultyDirectDraw();
    box.SetEnv("VELUNE_DDRAW_FAULT", fault);
    box.SetEnv("VELUNE_DDRAW_LOG", box.Path("ddraw.log"));
}

// Runs the player on another thread while the test acts on the desktop.
class BackgroundRun {
public:
    // The last run's log goes first: the test reads the new one as it grows.
    BackgroundRun(const Sandbox& box, const std::string& arguments)
        : cleared(DeleteFileA(box.Path("host.log").c_str()) != FALSE),
          thread([this, &box, arguments] { run = box.Run(arguments, 240000); }) {}
    ~BackgroundRun() {
        if (thread.joinable()) thread.join();
    }
    PlayerRun Finish() {
        thread.join();
        return run;
    }

private:
    bool cleared;
    PlayerRun run;
    std::thread thread;
};

// Waits until `done` or the time is up; true when done.
bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(20);
    }
    return true;
}

bool LogHas(const Sandbox& box, const std::string& text) {
    return host_test::ReadFile(box.Path("host.log")).find(text) != std::string::npos;
}

const char kDesktopSettings[] = "Display_Mode=2\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n";

}  // namespace

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

namespace {
// Pixels of a screen capture outside the icons and the player's corner that
// are the shell's wallpaper, black, or neither (the picture).
struct DesktopPixels {
    int wallpaper = 0, black = 0, picture = 0;
};
DesktopPixels CountDesktop(const Capture& screen) {
    DesktopPixels counted;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            if (InIcon(x, y) || (x >= 700 && y >= 600)) continue;
            const uint32_t pixel = screen.pixels[static_cast<size_t>(y) * screen.width + x];
            if (pixel == kShellWallpaper)
                ++counted.wallpaper;
            else if (pixel == 0)
                ++counted.black;
            else
                ++counted.picture;
        }
    return counted;
}
}  // namespace

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
        box.WriteIni("Display_Mode=2\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n");
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
