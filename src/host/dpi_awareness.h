#pragma once
// Per-monitor DPI awareness (v2) for the plug-in's windows, without making
// the player's own windows aware. Awareness belongs to the thread, and a
// window keeps the one its thread had when it was made, so every call from
// the player sets it on the way in and gives the player's back on the way
// out. The calls came with Windows 10 1607: on an older system nothing
// changes and everything is sized at 96 DPI, as before.
#include <windows.h>

namespace dpi {
constexpr UINT kDefault = 96;

template <typename Fn>
Fn FromUser32(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

inline DPI_AWARENESS_CONTEXT SetThreadContext(DPI_AWARENESS_CONTEXT context) {
    using Fn = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const Fn set = FromUser32<Fn>("SetThreadDpiAwarenessContext");
    return set != nullptr ? set(context) : nullptr;
}

// Per-monitor v2 where the system knows it; Windows 10 1607 and Wine know
// only the first per-monitor awareness, which still sizes the display window
// for its monitor and blits at real pixels.
inline DPI_AWARENESS_CONTEXT PluginContext() {
    using Fn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const Fn valid = FromUser32<Fn>("IsValidDpiAwarenessContext");
    static const DPI_AWARENESS_CONTEXT context = valid != nullptr && valid(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)
                                                     ? DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
                                                     : DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE;
    return context;
}

// The window's DPI; 96 for an unaware window or before Windows 10.
inline UINT ForWindow(HWND window) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn get = FromUser32<Fn>("GetDpiForWindow");
    const UINT value = get != nullptr && window != nullptr ? get(window) : 0;
    return value != 0 ? value : kDefault;
}

// The awareness of whoever called into the plug-in on this thread; null when
// entry changed nothing.
inline DPI_AWARENESS_CONTEXT& CallerContext() {
    static thread_local DPI_AWARENESS_CONTEXT context = nullptr;
    return context;
}

// The system's DPI, where the taskbar's icons are drawn.
inline UINT SystemDpi() {
    using Fn = UINT(WINAPI*)();
    static const Fn get = FromUser32<Fn>("GetDpiForSystem");
    const UINT value = get != nullptr ? get() : 0;
    return value != 0 ? value : kDefault;
}

// A system metric at a DPI (GetSystemMetricsForDpi, Windows 10 1607);
// before that, the system DPI's.
inline int MetricForDpi(int index, UINT value) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn get = FromUser32<Fn>("GetSystemMetricsForDpi");
    return get != nullptr ? get(index, value) : GetSystemMetrics(index);
}

// The outer rectangle of a window whose client area is `rect`, at `value` DPI.
inline void AdjustForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT value) {
    using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const Fn adjust = FromUser32<Fn>("AdjustWindowRectExForDpi");
    if (adjust == nullptr || !adjust(rect, style, FALSE, exStyle, value)) AdjustWindowRectEx(rect, style, FALSE, exStyle);
}
}  // namespace dpi

class PluginDpiAwareness {
public:
    PluginDpiAwareness() : callers(dpi::SetThreadContext(dpi::PluginContext())), outerCaller(dpi::CallerContext()) {
        dpi::CallerContext() = callers;
    }
    ~PluginDpiAwareness() {
        dpi::CallerContext() = outerCaller;
        if (callers != nullptr) dpi::SetThreadContext(callers);
    }
    PluginDpiAwareness(const PluginDpiAwareness&) = delete;
    PluginDpiAwareness& operator=(const PluginDpiAwareness&) = delete;

private:
    DPI_AWARENESS_CONTEXT callers;  // null: nothing was changed
    DPI_AWARENESS_CONTEXT outerCaller;
};

// Around the player's code that runs inside ours (a modal loop's dispatch, a
// message box): the player's own awareness, as entry found it.
class CallerDpiAwareness {
public:
    CallerDpiAwareness()
        : saved(dpi::CallerContext() != nullptr ? dpi::SetThreadContext(dpi::CallerContext()) : nullptr) {}
    ~CallerDpiAwareness() {
        if (saved != nullptr) dpi::SetThreadContext(saved);
    }
    CallerDpiAwareness(const CallerDpiAwareness&) = delete;
    CallerDpiAwareness& operator=(const CallerDpiAwareness&) = delete;

private:
    DPI_AWARENESS_CONTEXT saved;
};
