// The DLL driven as a player drives it, in each display mode, on Wine's real
// DirectDraw: what the display is switched to, what reaches the screen, and
// what is left behind.
#include <gtest/gtest.h>

#include "video_test_support.h"

using namespace videotest;

namespace {
class VideoLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        GetWindowRect(GetDesktopWindow(), &desktop);
    }
    void TearDown() override { RemoveSettings(); }
    RECT desktop = {};
    ErrorBoxWatchdog watchdog;
};
}  // namespace

TEST_F(VideoLifecycle, FullScreenByDefaultAt480LinesOf16Bits) {
    WriteSetting("Use_Delay", 1);  // has no say in Full Screen
    PluginSession session;
    ASSERT_NE(session.module, nullptr);
    ASSERT_EQ(session.Init(), 0);
    ASSERT_NE(session.display, nullptr);
    // The last 480-line mode of the virtual desktop's list is 640x480x16.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    EXPECT_EQ(ScreenBitsPerPixel(), 16);
    // This player never sleeps delayMs: Render itself keeps to 60 frames a
    // second, and hands back what is left of the frame, Use_Delay or not.
    const DWORD start = GetTickCount();
    session.Render(200);
    EXPECT_GE(GetTickCount() - start, 3250u);
    EXPECT_FALSE(session.quitRequested);
    EXPECT_LE(session.module->delayMs, 16);
    // The frames reached the screen: the picture is no longer black.
    std::vector<uint32_t> screen = GrabScreen(0, 0, 640, 480);
    EXPECT_GT(CountNonBlack(screen), 1000u);
    session.Quit();
    // The display has its own mode back.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktop.right - desktop.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), desktop.bottom - desktop.top);
    EXPECT_EQ(FindWindowA("Velune v1.06", nullptr), nullptr);
}

TEST_F(VideoLifecycle, WindowedAtTheStoredSizeAndPlace) {
    WriteSetting("Display_Mode", 1);
    WriteSetting("Window_Pos_X", 40);
    WriteSetting("Window_Pos_Y", 30);
    WriteSetting("Use_Delay", 1);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    session.Render(200);
    RECT rect = {};
    GetWindowRect(session.display, &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.top, 30);
    RECT client = {};
    GetClientRect(session.display, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktop.right - desktop.left);  // the desktop keeps its mode
    EXPECT_GE(session.module->delayMs, 5);
    EXPECT_LE(session.module->delayMs, 16);
    std::vector<uint32_t> inside = GrabScreen(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    EXPECT_GT(CountNonBlack(inside), 1000u);
    session.Quit();
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 1);
}

TEST_F(VideoLifecycle, BackgroundShowsTheOverlayAndSetsTheWallpaperOnce) {
    WriteSetting("Display_Mode", 2);
    char before[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof before, before, 0);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    EXPECT_FALSE(IsWindowVisible(session.display));
    session.Render(1);
    char during[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof during, during, 0);
    // The wallpaper beside the library, by its full path.
    const char* name = strstr(during, "\\vis_velune.bmp");
    EXPECT_NE(name, nullptr) << during;
    EXPECT_EQ(during[1], ':') << during;
    // Taken away again: not put back on the next frames of the same entry.
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_SENDCHANGE);
    session.Render(150);
    char later[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof later, later, 0);
    EXPECT_EQ(strstr(later, "vis_velune.bmp"), nullptr) << later;
    EXPECT_FALSE(session.quitRequested);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, during, SPIF_SENDCHANGE);
    // The picture sits in the middle of the desktop, key green where the
    // overlay is to show.
    const int cx = (desktop.right - desktop.left) / 2, cy = (desktop.bottom - desktop.top) / 2;
    Sleep(300);
    EXPECT_EQ(GrabScreen(cx, cy, 1, 1)[0], 0x00FF00u);
    session.Quit();
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 2);
    // Leaving Background hands the wallpaper back with a null path; Wine
    // keeps the last one for that, so it is not checked here.
}

TEST_F(VideoLifecycle, InitThenQuitSavesTheModeTheVideoChose) {
    WriteSetting("Minimize_Winamp", 1);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    EXPECT_TRUE(IsIconic(session.player.window));  // Full Screen minimised the player
    session.Quit();
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 0);
    const int resolution = ReadSetting("Resolution_Mode", -1);
    EXPECT_GE(resolution, 0);
    // The saved index enters the same mode next time.
    PluginSession again;
    ASSERT_EQ(again.Init(), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(ScreenBitsPerPixel(), 16);
    again.Quit();
    EXPECT_EQ(ReadSetting("Resolution_Mode", -1), resolution);
}

TEST_F(VideoLifecycle, StoredValuesOutsideTheListsStillStart) {
    WriteSetting("Display_Mode", 7);
    WriteSetting("Resolution_Mode", 5000);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    session.Render(3);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);  // Full Screen at the default mode
    session.Quit();
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 0);
}

namespace {
BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}
}  // namespace

TEST_F(VideoLifecycle, ResourcesAndConfigReturn) {
    PluginSession session;
    ASSERT_NE(session.module, nullptr);
    EXPECT_NE(LoadIconA(session.dll, MAKEINTRESOURCEA(106)), nullptr);
    HBITMAP picture = LoadBitmapA(session.dll, MAKEINTRESOURCEA(113));
    EXPECT_NE(picture, nullptr);
    DeleteObject(picture);
    // The configure command shows the About box and returns once it is closed.
    std::atomic<bool> closed{false};
    const DWORD thread = GetCurrentThreadId();
    std::thread user([&] {
        for (int tries = 0; tries < 200 && !closed; ++tries) {
            HWND box = nullptr;
            EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&box));
            if (box != nullptr) {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                closed = true;
            }
            Sleep(50);
        }
    });
    session.module->Config(session.module);
    closed = true;
    user.join();
    SUCCEED();
}
