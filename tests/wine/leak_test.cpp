// Changes of display mode through the display window's keys, as a user makes
// them: every change releases what the last one built.
#include <gtest/gtest.h>

#include "video_test_support.h"

using namespace videotest;

namespace {
// One key press as the window procedure receives it.
void PressKey(HWND window, UINT message, WPARAM key) {
    PostMessageA(window, message, key, message == WM_SYSKEYDOWN ? (1 << 29) | 1 : 1);
    PumpMessages();
}

size_t GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }
DWORD Handles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}
}  // namespace

TEST(VideoLeak, FiftyDisplayModeChangesKeepThePrivateBytes) {
    ErrorBoxWatchdog watchdog;
    RemoveSettings();
    WriteSetting("Display_Mode", 1);
    WriteSetting("Window_Pos_X", 20);
    WriteSetting("Window_Pos_Y", 20);
    PluginSession session;
    ASSERT_EQ(session.Init(), 0);
    ASSERT_NE(session.display, nullptr);
    // Warm up: every path once, so caches of the system are filled.
    PressKey(session.display, WM_KEYDOWN, VK_F1);
    session.Render(2);
    PressKey(session.display, WM_SYSKEYDOWN, VK_RETURN);
    session.Render(2);
    const size_t bytesBefore = PrivateBytes();
    const size_t gdiBefore = GdiObjects();
    const DWORD handlesBefore = Handles();
    for (int change = 0; change < 50; ++change) {
        // Alt+Enter toggles Full Screen and Windowed; F1 and F2 name them.
        if (change % 3 == 0)
            PressKey(session.display, WM_SYSKEYDOWN, VK_RETURN);
        else
            PressKey(session.display, WM_KEYDOWN, change % 3 == 1 ? VK_F1 : VK_F2);
        session.Render(2);
    }
    const size_t bytesAfter = PrivateBytes();
    EXPECT_FALSE(session.quitRequested);
    // One frame buffer pair or one map at 640x480 is 2.4 MB; a leak per change
    // would add fifty of them.
    EXPECT_LT(bytesAfter, bytesBefore + 8 * 1024 * 1024) << bytesBefore << " -> " << bytesAfter;
    // Wine counts neither GDI objects nor handles (both stay 0 there).
    EXPECT_LE(GdiObjects(), gdiBefore + 5);
    EXPECT_LE(Handles(), handlesBefore + 10);
    fprintf(stderr, "private bytes %zu -> %zu, GDI objects %zu -> %zu, handles %lu -> %lu\n", bytesBefore, bytesAfter,
            gdiBefore, GdiObjects(), handlesBefore, Handles());
    session.Quit();
    RemoveSettings();
}
