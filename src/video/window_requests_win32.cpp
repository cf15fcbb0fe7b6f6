// Requests of the display window's thread, recorded there and carried out at
// the start of the next frame on the Render thread.
#include "host/plugin.h"
#include "scene/scene.h"
#include "video/video.h"

namespace {
bool OnRenderThread(const WindowRequests& requests) { return requests.renderThread == GetCurrentThreadId(); }
}  // namespace

void Video::RequestModeChange() {
    if (OnRenderThread(requests)) {
        ChangeRes();
        return;
    }
    requests.mode = requestedDisplayMode;
    requests.resolution = requestedResolution;
    requests.modeChange = 1;
}

void Video::NoteActivation(bool active) {
    requests.active = active ? 1 : 0;
    ++(active ? requests.focusFound : requests.focusLost);
}

void Video::NoteDisplayChange(int bits, int newWidth, int newHeight) {
    requests.displayBits = bits;
    requests.displayWidth = newWidth;
    requests.displayHeight = newHeight;
    ++requests.displayChanges;
}

void Video::RequestSceneChoice(int rendererMode, int transformMode) {
    if (OnRenderThread(requests) && theScene != nullptr) {
        theScene->ChooseScene(rendererMode, transformMode);
        return;
    }
    requests.sceneChoice = rendererMode * 4 + transformMode + 1;
}

bool Video::TakeSceneChoice(int* rendererMode, int* transformMode) {
    const int packed = requests.sceneChoice.exchange(0) - 1;
    if (packed < 0) return false;
    *rendererMode = packed / 4;
    *transformMode = packed % 4;
    return true;
}

void Video::NoteWindowDestroyed() { requests.windowGone = 1; }

bool Video::DeferPanelUntilWindowed() {
    // The panel cannot be seen over the exclusive display.
    if (displayMode != kFullScreen) return false;
    requestedDisplayMode = kWindowed;
    // On the Render thread the change is made at once, before the panel.
    RequestModeChange();
    if (OnRenderThread(requests)) return false;
    // Built and painted while the display leaves Full Screen, the panel
    // would meet the display's own window changes half done.
    requests.panelAfterChange = 1;
    return true;
}

bool Video::WindowGone() {
    // The flag comes with WM_DESTROY; a handle already freed says the same.
    if (!requests.windowGone && (window == nullptr || IsWindow(window))) return false;
    requests.windowGone = 1;
    window = nullptr;
    return true;
}

bool Video::TakeRequests() {
    requests.renderThread = GetCurrentThreadId();
    if (WindowGone()) return false;
    const int lost = requests.focusLost;
    if (lost != requests.focusLostSeen) {
        requests.focusLostSeen = lost;
        OnActivateApp(false);
    }
    const int found = requests.focusFound;
    if (found != requests.focusFoundSeen) {
        requests.focusFoundSeen = found;
        if (requests.active) OnActivateApp(true);
    }
    const int changes = requests.displayChanges;
    if (changes != requests.displayChangesSeen) {
        requests.displayChangesSeen = changes;
        OnDisplayChange(requests.displayBits, requests.displayWidth, requests.displayHeight);
    }
    if (requests.modeChange.exchange(0)) {
        requestedDisplayMode = requests.mode;
        requestedResolution = requests.resolution;
        ChangeRes();
    }
    if (requests.panelAfterChange.exchange(0) && window != nullptr) PostMessageA(window, Video::kOpenPanelAfterChange, 0, 0);
    return true;
}
