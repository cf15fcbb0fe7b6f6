// LoadIconA gives the 32x32 picture scaled down by the taskbar, blurred; at
// high DPI the small size is larger than 16 and wants its own pick from the
// icon file.
#include "desktop/tray_icon_win32.h"

#include "host/dpi_awareness.h"

HICON LoadTrayIcon(HINSTANCE instance, int id) {
    // Common controls 6 (Vista on) when the player has them; its choice of
    // picture is the system's own.
    using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    const Fn loadMetric = controls != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(
                                                    GetProcAddress(controls, "LoadIconMetric")))
                                              : nullptr;
    HICON icon = nullptr;
    constexpr int kSmall = 0;  // LIM_SMALL
    if (loadMetric != nullptr && SUCCEEDED(loadMetric(instance, MAKEINTRESOURCEW(id), kSmall, &icon))) return icon;
    // Without them: the same size, picked by LoadImage.
    const UINT scale = dpi::SystemDpi();
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         dpi::MetricForDpi(SM_CXSMICON, scale), dpi::MetricForDpi(SM_CYSMICON, scale),
                                         0));
}
