// Which monitor Full Screen takes, and the DirectDraw device that drives it;
// whether a stored window position can still be reached.
#include <cstring>

#include "host/dpi_awareness.h"
#include "video/video.h"

namespace {
// A caption is reachable when this much of it lies on a monitor's work area.
constexpr int kGripWidth = 48;

struct NameSearch {
    const char* name;
    HMONITOR found;
};

BOOL CALLBACK MonitorNamed(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    NameSearch* search = reinterpret_cast<NameSearch*>(context);
    MONITORINFOEXA info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && lstrcmpiA(info.szDevice, search->name) == 0) {
        search->found = monitor;
        return FALSE;
    }
    return TRUE;
}

struct DeviceSearch {
    HMONITOR monitor;
    GUID guid;
    bool found;
};

BOOL WINAPI DeviceOfMonitor(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR monitor) {
    DeviceSearch* search = static_cast<DeviceSearch*>(context);
    if (guid == nullptr || monitor == nullptr || monitor != search->monitor) return TRUE;
    search->guid = *guid;
    search->found = true;
    return FALSE;
}

struct CaptionSearch {
    RECT caption;
    int minWidth;
    int minHeight;
    bool reachable;
};

BOOL CALLBACK CaptionOnMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    CaptionSearch* search = reinterpret_cast<CaptionSearch*>(context);
    MONITORINFO info;
    info.cbSize = sizeof info;
    RECT part;
    if (GetMonitorInfoA(monitor, &info) && IntersectRect(&part, &search->caption, &info.rcWork) &&
        part.right - part.left >= search->minWidth && part.bottom - part.top >= search->minHeight) {
        search->reachable = true;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HMONITOR Video::ChosenMonitor() const {
    // Where the user put the window, while it is there to see.
    if (window != nullptr && displayMode == kWindowed && IsWindowVisible(window) && !IsIconic(window))
        return MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor.name[0] != '\0') {
        NameSearch search = {monitor.name, nullptr};
        EnumDisplayMonitors(nullptr, nullptr, MonitorNamed, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
    }
    const HWND player = hostWindowRef != nullptr ? *hostWindowRef : nullptr;
    return MonitorFromWindow(player, MONITOR_DEFAULTTOPRIMARY);
}

RECT Video::ChosenMonitorRect() const {
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(ChosenMonitor(), &info)) return info.rcMonitor;
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool Video::DeviceOf(HMONITOR monitor, GUID* guid) {
    using Enumerate = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
    // Absent from the first DirectDraw: one device for everything then.
    static const Enumerate enumerate = reinterpret_cast<Enumerate>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("ddraw.dll"), "DirectDrawEnumerateExA")));
    DeviceSearch search = {monitor, GUID_NULL, false};
    if (enumerate == nullptr || monitor == nullptr ||
        FAILED(enumerate(DeviceOfMonitor, &search, DDENUM_ATTACHEDSECONDARYDEVICES)) || !search.found)
        return false;
    *guid = search.guid;
    return true;
}

void Video::NoteMonitorChoice() {
    if (window == nullptr || displayMode != kWindowed || !IsWindowVisible(window) || IsIconic(window)) return;
    MONITORINFOEXA info;
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return;
    memcpy(monitor.name, info.szDevice, sizeof monitor.name);
    monitor.name[sizeof monitor.name - 1] = '\0';
}

void Video::KeepWindowOnAMonitor() {
    const SIZE outer = WindowedSize();
    // At the window's DPI, as the window is sized: the system DPI's caption
    // is too short on a 200 % monitor.
    const UINT scale = dpi::ForWindow(window);
    const int captionHeight = dpi::MetricForDpi(SM_CYCAPTION, scale) + dpi::MetricForDpi(SM_CYFRAME, scale);
    CaptionSearch search = {{windowX, windowY, windowX + outer.cx, windowY + captionHeight},
                            outer.cx < kGripWidth ? outer.cx : kGripWidth, (captionHeight + 1) / 2, false};
    EnumDisplayMonitors(nullptr, nullptr, CaptionOnMonitor, reinterpret_cast<LPARAM>(&search));
    if (search.reachable) return;
    // A monitor removed since, or a caption pushed off every screen: the
    // corner of the player's monitor.
    MONITORINFO info;
    info.cbSize = sizeof info;
    const HWND player = hostWindowRef != nullptr ? *hostWindowRef : nullptr;
    if (GetMonitorInfoA(MonitorFromWindow(player, MONITOR_DEFAULTTOPRIMARY), &info)) {
        windowX = info.rcWork.left;
        windowY = info.rcWork.top;
    } else {
        windowX = 0;
        windowY = 0;
    }
}
