#pragma once
// What the plug-in changed on the desktop and must give back: the cursor, the
// wallpaper, and Background shown behind the icons.
#include <windows.h>
#include <ddraw.h>

class DesktopLayer;

// How a frame reaches the window behind the icons: chosen by what works.
enum class DesktopPresent {
    kBlit,     // DirectDraw: the primary surface through a clipper
    kGdi,      // the blit failed: StretchBlt to the window's DC
    kLayered,  // layered attributes refused: UpdateLayeredWindow
};

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
    DesktopPresent present = DesktopPresent::kBlit;
    int layeredFailed = 0;  // UpdateLayeredWindow refused too: GDI into plain windows
    // UpdateLayeredWindow's source: a DIB of the monitor's size, made once.
    HDC layeredDc = nullptr;
    HBITMAP layeredBitmap = nullptr;
    HGDIOBJ layeredKept = nullptr;
    SIZE layeredSize = {0, 0};
};
