#include "host/display_window.h"

#include "host/plugin.h"
#include "host/x87_precision.h"
#include "overlay/error_report_win32.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "video/video.h"

namespace {

// The tray icon reports mouse messages on this message (Init registers it).
constexpr UINT kTrayCallback = WM_USER + 10;

// Null until Init has stored the module record in the window.
VisModule* ModuleOf(HWND window) { return reinterpret_cast<VisModule*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void ChangeDisplayMode(int mode) {
    if (mode == kFullScreen) ClosePanelBeforeFullScreen();
    theVideo->requestedDisplayMode = mode;
    theVideo->RequestModeChange();
}

// Alt+Enter: Full Screen and Windowed swap; Background stays as requested.
void ToggleDisplayMode() {
    if (theVideo->displayMode == kFullScreen) {
        theVideo->requestedDisplayMode = kWindowed;
    } else if (theVideo->displayMode == kWindowed) {
        ClosePanelBeforeFullScreen();
        theVideo->requestedDisplayMode = kFullScreen;
    } else if (theVideo->requestedDisplayMode == kFullScreen) {
        // From Background the panel's pick applies: to Full Screen, where
        // the panel could not be seen.
        ClosePanelBeforeFullScreen(true);
    }
    theVideo->RequestModeChange();
}

void ToggleRendererLock() {
    Scene& scene = *theScene;
    if (scene.lockedRenderer != -1) {
        scene.lockedRenderer = -1;
        theVideo->SetMessage("Renderer Unlocked");
        return;
    }
    // With several renderers active the highest one is locked.
    for (int k = 0; k < scene.rendererCount; ++k)
        if (scene.activeRenderers[k] == 1) scene.lockedRenderer = k;
    theVideo->SetMessage("Renderer Locked");
}

void ToggleTransformLock() {
    Scene& scene = *theScene;
    if (scene.lockedTransform != -1) {
        scene.lockedTransform = -1;
        theVideo->SetMessage("Transform Unlocked");
        return;
    }
    if (!theVideo->transform) return;
    scene.lockedTransform = theVideo->transform->currentIndex;
    theVideo->SetMessage("Transform Locked");
}

void ToggleSongTitle() {
    Scene& scene = *theScene;
    scene.showSongTitle = scene.showSongTitle == 0 ? 1 : 0;
    theVideo->SetMessage(scene.showSongTitle ? "Song Title Display On" : "Song Title Display Off");
}

// Keys the plug-in does not use go to the player, which knows them as its own.
LRESULT ForwardKey(HWND window, UINT message, WPARAM key, LPARAM lParam) {
    const VisModule* module = ModuleOf(window);
    if (module && module->hwndParent) PostMessageA(static_cast<HWND>(module->hwndParent), message, key, lParam);
    return 0;
}

// A held key repeats with bit 30 set: a mode change or a toggle per repeat
// would rebuild the display over and over, or flip back and forth.
bool Repeated(LPARAM lParam) { return (lParam & (1L << 30)) != 0; }

LRESULT KeyCommand(HWND window, UINT message, WPARAM key, LPARAM lParam) {
    // Without the Video and the Scene (a failed start) there is nothing to drive.
    if (!theVideo || !theScene) return ForwardKey(window, message, key, lParam);
    switch (key) {
    case VK_F1:
    case VK_F2:
    case VK_F4:
    case VK_F7:
    case VK_F8:
    case VK_F9:
        if (Repeated(lParam)) return 1;
        break;
    default:
        break;
    }
    switch (key) {
    case VK_TAB:
        if (ModuleOf(window)) OpenConfigPanel();
        return 1;
    case VK_ESCAPE:
        PostQuitMessage(0);
        return 1;
    case VK_SPACE:
        theVideo->RequestSceneChoice(0, 0);
        return 1;
    case VK_F1:
        ChangeDisplayMode(kFullScreen);
        return 1;
    case VK_F2:
        ChangeDisplayMode(kWindowed);
        return 1;
    case VK_F4:
        theVideo->showInfo = theVideo->showInfo == 0 ? 1 : 0;
        theVideo->infoFrameCount = 0;
        return 1;
    case VK_F5:
        theVideo->RequestSceneChoice(1, 2);
        return 1;
    case VK_F6:
        theVideo->RequestSceneChoice(2, 1);
        return 1;
    case VK_F7:
        ToggleRendererLock();
        return 1;
    case VK_F8:
        ToggleTransformLock();
        return 1;
    case VK_F9:
        ToggleSongTitle();
        return 1;
    case VK_F12:
        theVideo->RequestSceneChoice(666, 1);
        return 1;
    default:
        return ForwardKey(window, message, key, lParam);
    }
}

void NoteWindowPosition(HWND window, const WINDOWPOS* position) {
    if (!theVideo || theVideo->displayMode != kWindowed || !position) return;
    // A minimised window's position is no place to reopen at, and a change
    // without a move carries no position.
    if ((position->flags & SWP_NOMOVE) || IsIconic(window)) return;
    theVideo->windowX = position->x;
    theVideo->windowY = position->y;
}

// Moved to a monitor of another scale: the system suggests the rectangle
// that keeps the picture's size on screen. Full Screen and Background size
// their window themselves.
void FollowDpiChange(HWND window, const RECT* suggested) {
    if (!theVideo || theVideo->displayMode != kWindowed || !suggested) return;
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Explorer announces a restart with this; the tray icon is then gone.
UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PluginPrecision guard;
    // An error report's box runs its own loop, which still delivers keys and
    // tray clicks: none acts until it is answered (Esc's quit would end it).
    if (ReportShowing() && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == kTrayCallback)) return 0;
    switch (message) {
    case WM_CREATE:
    case WM_ERASEBKGND:
        return 0;
    case WM_DESTROY:
        // Destroyed by its owner or the system: the handle is dead from here
        // on, and the player is asked to stop the plug-in. The Video clears
        // its handle before destroying the window itself, so Quit asks nothing.
        if (theVideo && theVideo->window == window) {
            theVideo->NoteWindowDestroyed();
            PostQuitMessage(0);
        }
        return 0;
    case WM_ACTIVATEAPP:
        if (theVideo) theVideo->NoteActivation(wParam != FALSE);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
        if (theVideo)
            theVideo->NoteDisplayChange(static_cast<int>(wParam), static_cast<int>(LOWORD(lParam)),
                                        static_cast<int>(HIWORD(lParam)));
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_WINDOWPOSCHANGED:
        NoteWindowPosition(window, reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_DPICHANGED:
        FollowDpiChange(window, reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_KEYDOWN:
        return KeyCommand(window, message, wParam, lParam);
    case WM_SYSKEYDOWN:
        if (wParam == VK_RETURN && theVideo) {
            if (!Repeated(lParam)) ToggleDisplayMode();
            return 1;
        }
        return KeyCommand(window, message, wParam, lParam);
    case Video::kOpenPanelAfterChange:
        // A key for Full Screen since then wins over the panel.
        if (theVideo != nullptr && theVideo->displayMode != kFullScreen && ModuleOf(window)) OpenConfigPanel();
        return 0;
    case kTrayCallback:
        if (lParam != WM_LBUTTONDOWN || !ModuleOf(window)) return 0;
        OpenConfigPanel();
        return 1;
    default:
        if (message == TaskbarCreatedMessage() && message != 0 && ModuleOf(window)) {
            AddTrayIcon();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
