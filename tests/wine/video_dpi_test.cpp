// The plug-in's windows are DPI aware per monitor while the player keeps its
// own awareness, and at 144 DPI the Windowed picture is as large on screen
// as at 96.
#include <memory>

#include "host_test_harness.h"
#include "video_test_support.h"

namespace {

DPI_AWARENESS ThreadAwareness() { return GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()); }
DPI_AWARENESS WindowAwareness(HWND window) {
    return GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window));
}

// The desktop's scale for the processes started while it lives (Wine reads
// it once per process); the test's own process keeps 96.
class DesktopScale {
public:
    explicit DesktopScale(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~DesktopScale() {
        RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }

private:
    HKEY key = nullptr;
};

}  // namespace

// A player whose thread is unaware of DPI, as an old one is.
TEST(VideoDpi, PluginWindowsArePerMonitorAwareAndThePlayerKeepsItsOwn) {
    using namespace videotest;
    const DPI_AWARENESS_CONTEXT players = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE);
    ASSERT_NE(players, nullptr);
    RemoveSettings();
    WriteSetting("Display_Mode", 1);
    {
        PluginSession session;
        ASSERT_EQ(session.Init(), 0);
        EXPECT_EQ(ThreadAwareness(), DPI_AWARENESS_UNAWARE);
        EXPECT_EQ(WindowAwareness(session.display), DPI_AWARENESS_PER_MONITOR_AWARE);
        EXPECT_EQ(WindowAwareness(session.player.window), DPI_AWARENESS_UNAWARE);
        PostMessageA(session.display, WM_KEYDOWN, VK_TAB, 0);
        session.Render(3);
        EXPECT_EQ(ThreadAwareness(), DPI_AWARENESS_UNAWARE);
        const HWND panel = FindWindowA(nullptr, "Velune Configuration Panel");
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(WindowAwareness(panel), DPI_AWARENESS_PER_MONITOR_AWARE);
        // Moved to a monitor of another scale (Wine has one scale for all, so
        // the system's message is sent here): the suggested place is taken.
        RECT suggested = {100, 50, 100 + 975, 50 + 755};
        SendMessageA(session.display, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
        RECT moved = {};
        GetWindowRect(session.display, &moved);
        EXPECT_TRUE(EqualRect(&moved, &suggested));
        session.Quit();
        EXPECT_EQ(ThreadAwareness(), DPI_AWARENESS_UNAWARE);
    }
    SetThreadDpiAwarenessContext(players);
    RemoveSettings();
}

// 640x480 at 150 %: a client area of 960x720 at the stored corner (all of it
// on the 1024x768 screen, which GDI reads back), the frame
// stretched over all of it (the message at the frame's foot is at the
// client's foot).
TEST(VideoDpi, WindowedAt144DpiKeepsThePictureSizeOnScreen) {
    DesktopScale scale(144);
    host_test::Sandbox box("dpi144");
    box.WriteIni(std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\nWindow_Pos_X=30\r\nWindow_Pos_Y=10\r\n") +
                 host_test::kQuietPicture);
    const host_test::PlayerRun run = box.Run("--silent-songs 1 --frames 60 --key 40:F9 --capture 45");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    const host_test::Capture capture = box.CaptureAt(45);
    EXPECT_EQ(capture.width, 960);
    EXPECT_EQ(capture.height, 720);
    EXPECT_GT(capture.MessagePixels(), 75) << "\"Song Title Display Off\", stretched";
    const std::vector<std::string> windows = run.TextsOf("window ");
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows.back().compare(0, 13, "window 30 10 "), 0) << windows.back();
    EXPECT_EQ(box.Ini("Window_Pos_X"), 30);
    EXPECT_EQ(box.Ini("Window_Pos_Y"), 10);
}

// The message's text at 144 DPI: in Full Screen drawn one and a half times as
// large (about 2.25 times the pixels); in Windowed drawn as at 96 and
// stretched by the blit, so about as large on screen as in Full Screen, not
// scaled twice.
TEST(VideoDpi, TextGrowsWithTheDpiOnceOnScreen) {
    const std::string settings = std::string("Frames_Per_Scene=-1\r\n") + host_test::kQuietPicture;
    const std::string arguments = "--silent-songs 1 --frames 46 --key 40:F9 --capture 45 ";
    auto messagePixels = [&](DWORD dpi, const std::string& mode, const char* capture) {
        std::unique_ptr<DesktopScale> scale(dpi != 96 ? new DesktopScale(dpi) : nullptr);
        host_test::Sandbox box("dpi-text");
        box.WriteIni(mode + settings);
        const host_test::PlayerRun run = box.Run(arguments + capture);
        EXPECT_TRUE(run.finished);
        return box.CaptureAt(45).MessagePixels();
    };
    const int full96 = messagePixels(96, "Display_Mode=0\r\n", "--capture-screen");
    const int full144 = messagePixels(144, "Display_Mode=0\r\n", "--capture-screen");
    const int windowed144 = messagePixels(144, "Display_Mode=1\r\n", "");
    ASSERT_GT(full96, 50);
    EXPECT_GT(full144, full96 * 18 / 10);
    EXPECT_LT(full144, full96 * 3);
    EXPECT_GT(windowed144, full144 * 6 / 10);
    EXPECT_LT(windowed144, full144 * 16 / 10);
    std::fprintf(stderr, "message pixels: Full Screen 96 DPI %d, 144 DPI %d; Windowed 144 DPI %d\n", full96, full144,
                 windowed144);
}

// At 200 % a 640x480 frame asks for a 1280x960 client area on a 1024x768
// desktop: the window is fitted to the work area, keeping the frame's shape.
TEST(VideoDpi, WindowedAt192DpiFitsTheWorkAreaKeepingItsShape) {
    DesktopScale scale(192);
    host_test::Sandbox box("dpi192");
    box.WriteIni(std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\nWindow_Pos_X=0\r\nWindow_Pos_Y=0\r\n") +
                 host_test::kQuietPicture);
    const host_test::PlayerRun run = box.Run("--silent-songs 1 --frames 30 --capture 25");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const host_test::Capture capture = box.CaptureAt(25);
    EXPECT_LE(capture.width, work.right - work.left);
    EXPECT_LT(capture.height, work.bottom - work.top) << "no room left for the caption";
    EXPECT_GT(capture.height, (work.bottom - work.top) * 8 / 10) << "shrunk more than needed";
    EXPECT_NEAR(capture.width * 3, capture.height * 4, 6) << capture.width << "x" << capture.height;
}
