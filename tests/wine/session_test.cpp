// The DLL driven in this process, as a player drives it, through what users
// do to it: held keys, mode keys in any order, the player's window closed,
// the wallpaper and the cursor handed back, a monitor that went away, and a
// long run of random keys.
#include <gtest/gtest.h>

#include <random>

#include "video_test_support.h"

using namespace videotest;

namespace {

constexpr LPARAM kRepeatBit = 1L << 30;

void Press(HWND window, UINT message, WPARAM key, bool repeat = false) {
    LPARAM lParam = 1 | (message == WM_SYSKEYDOWN ? 1L << 29 : 0) | (repeat ? kRepeatBit : 0);
    PostMessageA(window, message, key, lParam);
}

// The thread's cursor display count, unchanged.
int CursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

std::string Wallpaper() {
    char path[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
    return path;
}

// Counts the wallpaper changes the system announces to top-level windows.
class SettingChangeListener {
public:
    SettingChangeListener() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VeluneSettingListener";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        Count() = 0;
    }
    ~SettingChangeListener() {
        DestroyWindow(window);
        UnregisterClassA("VeluneSettingListener", GetModuleHandleA(nullptr));
    }
    static int& Count() {
        static int count = 0;
        return count;
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_SETTINGCHANGE && wp == SPI_SETDESKWALLPAPER) ++Count();
        return DefWindowProcA(w, m, wp, lp);
    }
    HWND window = nullptr;
};

class RobustSession : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        // These count frames, not time: no need to wait a 60th of a second for each.
        WriteSetting("Max_Frame_Rate", 240);
        userWallpaper = ReleasePath("user_wallpaper.bmp");
        for (char& c : userWallpaper)
            if (c == '/') c = '\\';
        CopyFileA(ReleasePath("vis_velune.bmp").c_str(), userWallpaper.c_str(), FALSE);
        keptWallpaper = Wallpaper();
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, &userWallpaper[0], SPIF_SENDCHANGE);
    }
    void TearDown() override {
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, &keptWallpaper[0], SPIF_SENDCHANGE);
        DeleteFileA(userWallpaper.c_str());
        RemoveSettings();
        EXPECT_GE(CursorCount(), 0);
    }
    std::string userWallpaper;
    std::string keptWallpaper;
    ErrorBoxWatchdog watchdog;
};

}  // namespace

// F1, F1, F2 and Esc from Full Screen leave the pointer shown.
TEST_F(RobustSession, CursorShownAfterFullScreenTwiceAndAfterEsc) {
    WriteSetting("Display_Mode", 1);
    const int before = CursorCount();
    {
        PluginSession session;
        ASSERT_EQ(session.Init(), 0);
        Press(session.display, WM_KEYDOWN, VK_F1);
        session.Render(3);
        EXPECT_LT(CursorCount(), 0) << "Full Screen hides the pointer";
        Press(session.display, WM_KEYDOWN, VK_F1);
        session.Render(3);
        Press(session.display, WM_KEYDOWN, VK_F2);
        session.Render(3);
        EXPECT_EQ(CursorCount(), before);
        Press(session.display, WM_KEYDOWN, VK_F1);
        session.Render(3);
        Press(session.display, WM_KEYDOWN, VK_ESCAPE);
        session.Render(2);
        EXPECT_TRUE(session.quitRequested);
        session.Quit();
        EXPECT_EQ(CursorCount(), before);
    }
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 0);
}

// The user's wallpaper is taken aside for Background and put back, exactly,
// when Background is left and at Quit; other modes announce no change.
TEST_F(RobustSession, WallpaperIsTheUsersAgainAfterBackgroundAndQuit) {
    WriteSetting("Display_Mode", 2);
    SettingChangeListener listener;
    {
        PluginSession session;
        ASSERT_EQ(session.Init(), 0);
        session.Render(3);
        EXPECT_NE(Wallpaper().find("\\vis_velune.bmp"), std::string::npos) << Wallpaper();
        Press(session.display, WM_KEYDOWN, VK_F2);
        session.Render(3);
        EXPECT_EQ(Wallpaper(), userWallpaper);
        const int announced = SettingChangeListener::Count();
        Press(session.display, WM_KEYDOWN, VK_F1);
        session.Render(3);
        Press(session.display, WM_KEYDOWN, VK_F2);
        session.Render(3);
        EXPECT_EQ(SettingChangeListener::Count(), announced) << "no change made, none announced";
        session.Quit();
    }
    EXPECT_EQ(Wallpaper(), userWallpaper);
    {
        PluginSession session;  // Windowed was saved; back to Background
        WriteSetting("Display_Mode", 2);
        ASSERT_EQ(session.Init(), 0);
        session.Render(3);
        session.Quit();
    }
    EXPECT_EQ(Wallpaper(), userWallpaper);
}

// Held keys repeat with bit 30 set: toggles and mode changes act once.
TEST_F(RobustSession, HeldKeysActOnce) {
    WriteSetting("Display_Mode", 1);
    WriteSetting("Frames_Per_Scene", -1);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    const int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    Press(session.display, WM_KEYDOWN, VK_F9);
    Press(session.display, WM_KEYDOWN, VK_F7);
    for (int i = 0; i < 3; ++i) {
        Press(session.display, WM_KEYDOWN, VK_F9, true);
        Press(session.display, WM_KEYDOWN, VK_F7, true);
        Press(session.display, WM_KEYDOWN, VK_F1, true);
    }
    session.Render(3);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopWidth) << "a repeated F1 changed the mode";
    Press(session.display, WM_SYSKEYDOWN, VK_RETURN);
    Press(session.display, WM_SYSKEYDOWN, VK_RETURN, true);
    Press(session.display, WM_SYSKEYDOWN, VK_RETURN, true);
    session.Render(3);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640) << "Alt+Enter held: Full Screen once";
    session.Quit();
    EXPECT_EQ(ReadSetting("Show_Song_Title", -1), 0);
    EXPECT_NE(ReadSetting("Prefered_Renderer", -1), -1);
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 0);
}

// The player's main window closed under the plug-in: the display window goes
// with it (it is owned), the plug-in asks to stop, frames until the player
// notices do no harm, and Quit saves and asks nothing more.
TEST_F(RobustSession, PlayerWindowClosedWhileRunning) {
    WriteSetting("Display_Mode", 1);
    WriteSetting("Frames_Per_Scene", 123);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    session.Render(5);
    DestroyWindow(session.player.window);
    session.Render(5);
    EXPECT_TRUE(session.quitRequested);
    EXPECT_FALSE(IsWindow(session.display));
    session.module->Quit(session.module);
    session.running = false;
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a stray quit message after Quit";
    EXPECT_EQ(ReadSetting("Frames_Per_Scene", -1), 123);
    EXPECT_EQ(ReadSetting("Display_Mode", -1), 1);
}

// A stored position counts only while the window's caption can be grabbed
// on a monitor: one gone, a caption above the screen (the picture below it
// showing), or a sliver of it at an edge opens at the monitor's corner; a
// window half off the side keeps its place.
TEST_F(RobustSession, PositionWithoutAReachableCaptionFallsBack) {
    const struct {
        int x, y;
        bool kept;
    } cases[] = {{5000, -3000, false}, {100, -400, false}, {1000, 300, false}, {-300, 100, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        WriteSetting("Display_Mode", 1);
        WriteSetting("Window_Pos_X", c.x);
        WriteSetting("Window_Pos_Y", c.y);
        PluginSession session;
        ASSERT_EQ(session.Init(), 0);
        RECT rect = {};
        GetWindowRect(session.display, &rect);
        EXPECT_EQ(rect.left, c.kept ? c.x : 0);
        EXPECT_EQ(rect.top, c.kept ? c.y : 0);
        session.Render(2);
        session.Quit();
        EXPECT_FALSE(session.strayQuit);
        EXPECT_EQ(ReadSetting("Window_Pos_X", -1), c.kept ? c.x : 0);
    }
}

// Thousands of frames of random keys from the key table, held keys included:
// the memory stays flat and the settings come out valid.
TEST_F(RobustSession, ChaosOfKeysKeepsMemoryFlatAndSettingsValid) {
    WriteSetting("Display_Mode", 1);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    const WPARAM keys[] = {VK_F1, VK_F2, VK_RETURN, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F12, VK_SPACE};
    std::mt19937 random(20261208);
    size_t warm = 0;
    int presses = 0;
    int modeChanges = 0;
    for (int frame = 0; frame < 2000; ++frame) {
        if (frame == 400) warm = PrivateBytes();
        if (random() % 10 == 0) {
            const WPARAM key = keys[random() % (sizeof keys / sizeof keys[0])];
            bool held = random() % 3 == 0;
            // A real mode change takes Wine a second: a handful of them, the
            // other mode keys arrive held.
            const bool modeKey = key == VK_F1 || key == VK_F2 || key == VK_RETURN;
            if (modeKey && !held && ++modeChanges > 6) held = true;
            Press(session.display, key == VK_RETURN ? WM_SYSKEYDOWN : WM_KEYDOWN, key, held);
            ++presses;
        }
        session.Render(1);
        ASSERT_FALSE(session.quitRequested) << "frame " << frame;
    }
    const size_t end = PrivateBytes();
    fprintf(stderr, "%d keys; private bytes %zu -> %zu\n", presses, warm, end);
    EXPECT_LT(end, warm + 8 * 1024 * 1024);
    session.Quit();
    const char* keysSaved[] = {"Display_Mode", "Resolution_Mode", "Frames_Per_Scene", "Minimize_Winamp", "Use_Delay",
                               "Prefered_Renderer", "Prefered_Transform", "Show_Song_Title", "Window_Pos_X",
                               "Window_Pos_Y", "Renderer_Choice", "Transform_Choice", "Max_Frame_Rate"};
    for (const char* key : keysSaved) EXPECT_NE(ReadSetting(key, -12345), -12345) << key;
    const int mode = ReadSetting("Display_Mode", -1);
    EXPECT_TRUE(mode == 0 || mode == 1) << mode;
    EXPECT_GE(ReadSetting("Resolution_Mode", -1), 0);
    EXPECT_GE(ReadSetting("Prefered_Renderer", -2), -1);
    EXPECT_LT(ReadSetting("Prefered_Renderer", 99), 14);
}
