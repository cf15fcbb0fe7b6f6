// The size of the display window in Windowed mode.
#include "host/dpi_awareness.h"
#include "video/video.h"

namespace {
// The client area shrunk, keeping its shape, until the window fits the work
// area of its monitor: a 1920x1080 frame at 200 % asks for 3840x2160.
void FitWorkArea(RECT* client, const RECT& outer, const RECT& work) {
    const int frameWidth = (outer.right - outer.left) - (client->right - client->left);
    const int frameHeight = (outer.bottom - outer.top) - (client->bottom - client->top);
    const int roomWidth = work.right - work.left - frameWidth;
    const int roomHeight = work.bottom - work.top - frameHeight;
    const int width = client->right - client->left, height = client->bottom - client->top;
    if (roomWidth <= 0 || roomHeight <= 0 || (width <= roomWidth && height <= roomHeight)) return;
    // The tighter side decides; the other follows the frame's aspect ratio.
    if (static_cast<long long>(roomWidth) * height <= static_cast<long long>(roomHeight) * width) {
        client->right = client->left + roomWidth;
        client->bottom = client->top + MulDiv(height, roomWidth, width);
    } else {
        client->bottom = client->top + roomHeight;
        client->right = client->left + MulDiv(width, roomHeight, height);
    }
}
}  // namespace

SIZE Video::WindowedSize() const {
    const UINT scale = dpi::ForWindow(window);
    RECT client = {0, 0, MulDiv(width, static_cast<int>(scale), dpi::kDefault),
                   MulDiv(height, static_cast<int>(scale), dpi::kDefault)};
    const DWORD style = window != nullptr ? static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) : WS_OVERLAPPED;
    const DWORD exStyle = window != nullptr ? static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) : 0;
    RECT outer = client;
    dpi::AdjustForDpi(&outer, style & ~WS_VISIBLE, exStyle, scale);
    MONITORINFO info;
    info.cbSize = sizeof info;
    const POINT corner = {windowX, windowY};
    // A window the monitor holds is left as asked (the work area just after
    // a mode change can still be the old mode's); one it cannot hold is
    // fitted to the work area.
    if (GetMonitorInfoA(MonitorFromPoint(corner, MONITOR_DEFAULTTONEAREST), &info) &&
        (outer.right - outer.left > info.rcMonitor.right - info.rcMonitor.left ||
         outer.bottom - outer.top > info.rcMonitor.bottom - info.rcMonitor.top)) {
        FitWorkArea(&client, outer, info.rcWork);
        outer = client;
        dpi::AdjustForDpi(&outer, style & ~WS_VISIBLE, exStyle, scale);
    }
    return {outer.right - outer.left, outer.bottom - outer.top};
}
