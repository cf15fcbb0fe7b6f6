// The stand-in desktop shell's windows, for the Background tests. Progman
// holds SHELLDLL_DefView, the icons (a few squares; the rest of it is cut
// away, as a real one is transparent there), and makes its WorkerW when sent
// 0x052C:
//   default  a top-level WorkerW takes over the icons, and the WorkerW for
//            the wallpaper is a top-level window right behind it;
//   --24h2   the WorkerW is a child of Progman, under SHELLDLL_DefView.
// Options: a decoy WorkerW (hidden, 10x10) right behind the icons, and a
// shell busy at its first request for the WorkerW.
// Like Explorer it broadcasts "TaskbarCreated" when it starts, and relays a
// settings change to its child windows with SendMessage, so a child whose
// thread stops pumping holds the shell.
#include "shell/shell_windows.h"

#include <windows.h>

#include <initializer_list>

namespace {
const COLORREF kWallpaper = RGB(32, 80, 128);
const COLORREF kIcon = RGB(240, 200, 40);
constexpr int kIcons = 4;
constexpr int kIconSize = 48;
constexpr UINT kSpawnWorker = 0x052C;

shell::Options options;
bool placing = false;  // our own z-order changes
HWND progman = nullptr, icons = nullptr, iconHolder = nullptr, wallpaperWorker = nullptr, decoy = nullptr;

RECT Screen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// The icons' squares down the left edge, as window coordinates.
HRGN IconRegion() {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; i < kIcons; ++i) {
        HRGN square = CreateRectRgn(24, 24 + i * 96, 24 + kIconSize, 24 + i * 96 + kIconSize);
        CombineRgn(region, region, square, RGN_OR);
        DeleteObject(square);
    }
    return region;
}

// `parent`: of a child; of a top-level window, its owner, which it stays in front of.
HWND Make(const char* name, DWORD style, HWND parent) {
    const RECT s = Screen();
    const DWORD extended = (style & WS_CHILD) ? 0 : WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    return CreateWindowExA(extended, name, name, style, 0, 0, s.right, s.bottom, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

bool TopLevel(HWND window) { return GetAncestor(window, GA_PARENT) == GetDesktopWindow(); }

// Top-level shell windows stay behind everything, in the order given.
void KeepAtBottom(HWND top, HWND next, HWND last) {
    placing = true;
    // Shown first: showing a window brings it to the top.
    for (HWND w : {top, next, last})
        if (w != nullptr) SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER | SWP_SHOWWINDOW);
    HWND above = HWND_BOTTOM;
    for (HWND w : {top, next, last}) {
        if (w == nullptr) continue;
        SetWindowPos(w, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = w;  // the next one goes right under this one
    }
    placing = false;
}

// Hidden, small, and the first WorkerW behind the icons' holder.
void MakeDecoy() {
    decoy = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "WorkerW", "WorkerW", WS_POPUP, 0, 0, 10, 10,
                            wallpaperWorker, nullptr, GetModuleHandleA(nullptr), nullptr);
    placing = true;
    SetWindowPos(decoy, iconHolder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    placing = false;
}

void SpawnWorker() {
    if (wallpaperWorker != nullptr) return;
    if (options.busyMs > 0) {
        Sleep(static_cast<DWORD>(options.busyMs));
        options.busyMs = 0;
    }
    if (options.layout24h2) {
        wallpaperWorker = Make("WorkerW", WS_CHILD | WS_CLIPSIBLINGS, progman);
        SetWindowPos(wallpaperWorker, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        return;
    }
    // Owners keep the order: icons in front of the wallpaper's WorkerW, and
    // that in front of Progman.
    wallpaperWorker = Make("WorkerW", WS_POPUP | WS_CLIPCHILDREN, progman);
    iconHolder = Make("WorkerW", WS_POPUP | WS_CLIPCHILDREN, wallpaperWorker);
    SetWindowRgn(iconHolder, IconRegion(), FALSE);
    SetParent(icons, iconHolder);
    KeepAtBottom(iconHolder, wallpaperWorker, progman);
    if (options.decoy) MakeDecoy();
}

BOOL CALLBACK Relay(HWND child, LPARAM message) {
    const MSG& m = *reinterpret_cast<const MSG*>(message);
    SendMessageA(child, m.message, m.wParam, m.lParam);
    return TRUE;
}

LRESULT CALLBACK ShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == progman) {
        if (message == kSpawnWorker) {
            SpawnWorker();
            return 0;
        }
        if (message == WM_SETTINGCHANGE) {
            const MSG m = {window, message, wParam, lParam, 0, {0, 0}};
            for (HWND top : {progman, iconHolder, decoy, wallpaperWorker})
                if (top != nullptr && TopLevel(top)) EnumChildWindows(top, Relay, reinterpret_cast<LPARAM>(&m));
            return 0;
        }
        if (message == WM_CLOSE) {
            PostQuitMessage(0);
            return 0;
        }
    }
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    // Activated or not, the desktop stays behind every other window.
    if (message == WM_WINDOWPOSCHANGING && !placing && TopLevel(window))
        reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOZORDER;
    return DefWindowProcA(window, message, wParam, lParam);
}

void Register(const char* name, COLORREF colour) {
    WNDCLASSA c = {};
    c.lpfnWndProc = ShellProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = CreateSolidBrush(colour);
    c.lpszClassName = name;
    RegisterClassA(&c);
}
}  // namespace

int shell::Run(const Options& given) {
    options = given;
    Register("Progman", kWallpaper);
    Register("WorkerW", kWallpaper);
    Register("SHELLDLL_DefView", kIcon);
    progman = Make("Progman", WS_POPUP | WS_CLIPCHILDREN, nullptr);
    icons = Make("SHELLDLL_DefView", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, progman);
    if (progman == nullptr || icons == nullptr) return 1;
    SetWindowRgn(icons, IconRegion(), FALSE);
    KeepAtBottom(progman, nullptr, nullptr);
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

