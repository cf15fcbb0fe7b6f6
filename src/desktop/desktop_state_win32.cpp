// What the display borrows from the desktop and gives back: the cursor's
// display count and the user's wallpaper.
#include <cstdio>
#include <cstring>

#include "video/video.h"

namespace {
// "vis_velune.bmp" beside the library; false when the path does not fit.
bool WallpaperPath(HINSTANCE instance, char* path, size_t size) {
    char module[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(instance, module, sizeof module);
    if (n == 0 || n >= sizeof module) return false;
    char* cut = strrchr(module, '\\');
    if (cut != nullptr)
        cut[1] = '\0';
    else
        module[0] = '\0';
    int written = snprintf(path, size, "%svis_velune.bmp", module);
    return written > 0 && static_cast<size_t>(written) < size;
}

// The count without changing it.
int CursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}
}  // namespace

// Lowered only as far as hiding needs, and only once per stay in Full Screen:
// a second entry would otherwise push the count further down than leaving
// gives back.
void Video::HideCursor() {
    if (desktop.cursorLowered > 0) return;
    int count;
    do {
        count = ShowCursor(FALSE);
        ++desktop.cursorLowered;
    } while (count >= 0);
}

void Video::RestoreCursor() {
    for (; desktop.cursorLowered > 0; --desktop.cursorLowered) ShowCursor(TRUE);
    // Whoever lowered it before, the pointer is shown over a window.
    for (int count = CursorCount(); count < 0;) count = ShowCursor(TRUE);
}

void Video::InstallWallpaper() {
    char path[MAX_PATH + 16];
    if (instanceRef == nullptr || !WallpaperPath(*instanceRef, path, sizeof path)) return;
    // The user's own, once: a later entry finds ours installed.
    if (!desktop.wallpaperReplaced) {
        desktop.userWallpaper[0] = '\0';
        if (!SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof desktop.userWallpaper, desktop.userWallpaper, 0)) return;
        desktop.userWallpaper[sizeof desktop.userWallpaper - 1] = '\0';
    }
    // Never written to the profile: the system would not undo that.
    if (SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, SPIF_SENDCHANGE)) desktop.wallpaperReplaced = 1;
}

void Video::PutBackWallpaper() {
    // Nothing replaced, nothing broadcast.
    if (!desktop.wallpaperReplaced) return;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, desktop.userWallpaper, SPIF_SENDCHANGE);
    desktop.wallpaperReplaced = 0;
    wallpaperPending = 0;
}
