// Losing the display is an event, not an error: another program takes the
// focus (and with it the exclusive level and the display mode), changes the
// mode, or locks the workstation. While the display is lost the frame's
// DirectDraw work is skipped and the scene pauses, so nothing is computed
// that nobody sees; when the focus or the mode comes back the display is
// rebuilt at the same mode and resolution.
#include "overlay/error_report_win32.h"
#include "video/display_gate_win32.h"
#include "video/video.h"

namespace {
constexpr int kLostDelayMs = 20;    // the player's pause while nothing is shown
constexpr int kRetryFrames = 25;    // a rebuild is tried about twice a second
constexpr int kQuietRebuilds = 10;  // failed rebuilds in front before one is reported

enum class Front { kOurs, kNobody, kOther };

Front WhoIsInFront() {
    HWND front = GetForegroundWindow();
    if (front == nullptr) return Front::kNobody;
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    return process == GetCurrentProcessId() ? Front::kOurs : Front::kOther;
}

bool MakeOverlay(IDirectDraw4* directDraw, int width, int height, DWORD fourCc) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    if (fourCc != 0) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
        desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
        desc.ddpfPixelFormat.dwFourCC = fourCc;
    }
    IDirectDrawSurface4* overlay = nullptr;
    if (FAILED(directDraw->CreateSurface(&desc, &overlay, nullptr)) || overlay == nullptr) return false;
    overlay->Release();
    return true;
}
}  // namespace

bool Video::PrepareFrame() {
    if (PluginStopped() || directDraw == nullptr || window == nullptr || loss.changing) return false;
    if (!loss.displayLost && !loss.rebuildPending) return true;
    if (delayMsRef != nullptr) *delayMsRef = kLostDelayMs;
    ++loss.lostFrames;
    if (!loss.rebuildPending && loss.lostFrames % kRetryFrames != 0) return false;
    return Rebuild();
}

bool Video::Rebuild() {
    const Front front = WhoIsInFront();
    // Full Screen is not taken back from the program the user went to; the
    // focus coming back (WM_ACTIVATEAPP) asks again.
    if (displayMode == kFullScreen && front == Front::kOther) {
        loss.rebuildPending = 0;
        loss.displayLost = 1;
        return false;
    }
    // A monitor unplugged under Full Screen takes its device with it:
    // rebuilding there fails for ever. The display gets its mode back and
    // Full Screen reopens on the monitor chosen now.
    if (displayMode == kFullScreen && DeviceGone()) LeaveGoneDevice();
    // Only failures while the user is with us count towards giving up: a
    // locked workstation, or a game holding the display exclusively while a
    // Windowed plug-in waits behind it, fail for as long as they last.
    const bool counted = front == Front::kOurs;
    // What the panel shows as picked stays pending for its "Done".
    const int pendingMode = requestedDisplayMode;
    const int pendingResolution = requestedResolution;
    requestedDisplayMode = displayMode;
    requestedResolution = resolution;
    bool rebuilt;
    if (counted && loss.failedRebuilds >= kQuietRebuilds) {
        rebuilt = ChangeRes();  // a display that never comes back is reported
    } else {
        QuietReports quiet;
        rebuilt = ChangeRes() && quiet.Failures() == 0;
    }
    requestedDisplayMode = pendingMode;
    requestedResolution = pendingResolution;
    if (rebuilt && !loss.displayLost) {
        loss.failedRebuilds = 0;
        loss.lostFrames = 0;
        return true;
    }
    loss.displayLost = 1;
    loss.rebuildPending = 0;
    if (counted) ++loss.failedRebuilds;
    return false;
}

bool Video::DeviceGone() const {
    if (!monitor.deviceOpen || window == nullptr) return false;
    GUID now;
    return !DeviceOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &now) || !IsEqualGUID(now, monitor.device);
}

void Video::LeaveGoneDevice() {
    display_gate::Hold gate;
    if (directDraw != nullptr && loss.exclusiveHeld) {
        if (FAILED(directDraw->RestoreDisplayMode())) ChangeDisplaySettingsA(nullptr, 0);
        directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    }
    loss.exclusiveHeld = 0;
}

void Video::NoteDisplayLost() {
    if (loss.displayLost) return;
    loss.displayLost = 1;
    loss.lostFrames = 0;
    // The pointer belongs to the program in front now.
    if (displayMode == kFullScreen) RestoreCursor();
}

void Video::OnActivateApp(bool active) {
    loss.appActive = active ? 1 : 0;
    if (!active) {
        // DirectDraw gives the desktop its mode back: the exclusive level is gone.
        if (displayMode == kFullScreen && loss.exclusiveHeld) NoteDisplayLost();
        return;
    }
    if (loss.displayLost) loss.rebuildPending = 1;
}

void Video::OnDisplayChange(int bits, int newWidth, int newHeight) {
    // Our own mode changes announce themselves too.
    if (loss.changing || directDraw == nullptr) return;
    if (bits == displayBitDepth && newWidth == displayWidth && newHeight == displayHeight) return;
    // Windowed and Background follow the desktop's new size and depth (the
    // compose format would be stale); Full Screen waits to be in front.
    if (displayMode == kFullScreen)
        NoteDisplayLost();
    else
        loss.rebuildPending = 1;
}

void Video::LeaveDisplayForReport() {
    display_gate::Hold gate;
    // The only DirectDraw calls after a fatal failure: the box must be seen.
    if (directDraw != nullptr && loss.exclusiveHeld) {
        // Without its window (destroyed by its owner) DirectDraw no longer
        // holds the display it changed: the desktop's own mode is asked for.
        if (window == nullptr || FAILED(directDraw->RestoreDisplayMode())) ChangeDisplaySettingsA(nullptr, 0);
        directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
        loss.exclusiveHeld = 0;
    }
    RestoreCursor();
    PutBackWallpaper();
}

bool Video::ProbeOverlay() {
    if (directDraw == nullptr || FAILED(directDraw->SetCooperativeLevel(window, DDSCL_NORMAL))) return false;
    const int w = width > 0 ? width : 640;
    const int h = height > 0 ? height : 480;
    return MakeOverlay(directDraw, w, h, 0) || MakeOverlay(directDraw, w, h, MAKEFOURCC('U', 'Y', 'V', 'Y')) ||
           MakeOverlay(directDraw, w, h, MAKEFOURCC('Y', 'U', 'Y', '2'));
}
