#include "host/display_window.h"

#include "host/plugin.h"
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
    theVideo->ChangeRes();
}

// Alt+Enter: Full Screen and Windowed swap; Background stays as requested.
void ToggleDisplayMode() {
    if (theVideo->displayMode == kFullScreen) {
        theVideo->requestedDisplayMode = kWindowed;
    } else if (theVideo->displayMode == kWindowed) {
        ClosePanelBeforeFullScreen();
        theVideo->requestedDisplayMode = kFullScreen;
    }
    theVideo->ChangeRes();
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

LRESULT KeyCommand(HWND window, UINT message, WPARAM key, LPARAM lParam) {
    // Without the Video and the Scene (a failed start) there is nothing to drive.
    if (!theVideo || !theScene) return ForwardKey(window, message, key, lParam);
    switch (key) {
    case VK_TAB:
        if (ModuleOf(window)) OpenConfigPanel();
        return 1;
    case VK_ESCAPE:
        PostQuitMessage(0);
        return 1;
    case VK_SPACE:
        theScene->ChooseScene(0, 0);
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
        theScene->ChooseScene(1, 2);
        return 1;
    case VK_F6:
        theScene->ChooseScene(2, 1);
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
        theScene->ChooseScene(666, 1);
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

}  // namespace

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
    case WM_ERASEBKGND:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_WINDOWPOSCHANGED:
        NoteWindowPosition(window, reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_KEYDOWN:
        return KeyCommand(window, message, wParam, lParam);
    case WM_SYSKEYDOWN:
        if (wParam == VK_RETURN && theVideo) {
            ToggleDisplayMode();
            return 1;
        }
        return KeyCommand(window, message, wParam, lParam);
    case kTrayCallback:
        if (lParam != WM_LBUTTONDOWN || !ModuleOf(window)) return 0;
        OpenConfigPanel();
        return 1;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
