#pragma once
// What the plug-in changed on the desktop and must give back: the cursor, the
// wallpaper, and Background shown behind the icons.
#include <windows.h>
#include <ddraw.h>

class DesktopLayer;

struct DesktopState {
    int cursorLowered = 0;  // ShowCursor(FALSE) calls to give back
    int wallpaperReplaced = 0;
    char userWallpaper[MAX_PATH] = {};
    // Background shown behind the desktop icons instead of in an overlay.
    int backgroundOnDesktop = 0;
    DesktopLayer* layer = nullptr;
    IDirectDrawClipper* clipper = nullptr;  // on the primary surface
    LONG generation = -1;                   // of the window it is bound to
    RECT rect = {0, 0, 0, 0};               // the monitor covered
};
