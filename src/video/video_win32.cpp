// Video: construction and destruction, the DirectX 6 check, the display window,
// entering a display mode (ChangeRes) and the player queries (the title's in
// song_title_win32.cpp).
#include <cstring>

#include "host/player_query.h"
#include "host/plugin.h"
#include "overlay/error_report_win32.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "video/display_gate_win32.h"
#include "video/mode_filter.h"
#include "video/video.h"

namespace {
constexpr UINT kQueryPlayPosition = 105;
constexpr UINT kQueryPlaylistIndex = 125;

int RecordHeight(const void* context, int list, int index) {
    return static_cast<int>(static_cast<const Video*>(context)->modeRecords[list][index].dwHeight);
}

void LeaveDisplay(void* video) { static_cast<Video*>(video)->LeaveDisplayForReport(); }

// The same width, height and depth in another mode's list, else -1 (the default).
int SameModeIn(const Video& video, int list, int width, int height, int bits) {
    for (int i = 0; i < video.modeCounts[list]; ++i) {
        const DDSURFACEDESC2& r = video.modeRecords[list][i];
        if (static_cast<int>(r.dwWidth) == width && static_cast<int>(r.dwHeight) == height &&
            static_cast<int>(r.ddpfPixelFormat.dwRGBBitCount & 0xFF) == bits)
            return i;
    }
    return -1;
}
}  // namespace

Video::Video() {
    memset(&composeDesc, 0, sizeof composeDesc);
    memset(&primaryDesc, 0, sizeof primaryDesc);
    memset(&overlayDesc, 0, sizeof overlayDesc);
    memset(&displayPixelFormat, 0, sizeof displayPixelFormat);
    displayPixelFormat.dwSize = sizeof displayPixelFormat;
    transform = new Transform;
    SetFatalReportHook(LeaveDisplay, this);
    OpenFrameTimer();
}

Video::~Video() {
    SetFatalReportHook(nullptr, nullptr);
    FreeModeLists();
    {
        // Teardown: the player is stopping the plug-in already.
        NoStopRequest stopping;
        ReleaseResources();
    }
    StopDesktopLayer();
    RestoreCursor();
    PutBackWallpaper();
    // Cleared first, so the window procedure knows this destruction is ours
    // and asks the player for nothing.
    HWND own = window;
    window = nullptr;
    if (own != nullptr) DestroyWindow(own);
    if (windowName != nullptr && instanceRef != nullptr) UnregisterClassA(windowName, *instanceRef);
    if (font != nullptr) DeleteObject(font);
    ReleaseMessageFont();
    CloseFrameTimer();
    // A Video that never entered a display mode still owns the constructor's
    // Transform.
    delete transform;
    transform = nullptr;
}

namespace {
// DirectDraw's own object, asked for its DirectX 6 interface. Returns the
// result of the query; a failed creation on the default device is a fatal
// report.
HRESULT CreateDirectDraw4(IDirectDraw4** out, HRESULT* lastResult, const GUID* device = nullptr) {
    *out = nullptr;
    IDirectDraw* first = nullptr;
    *lastResult = DirectDrawCreate(const_cast<GUID*>(device), &first, nullptr);
    if (FAILED(*lastResult) || first == nullptr) {
        if (device != nullptr) return *lastResult;
        ReportDirectDrawError("Error creating DirectDraw object", *lastResult, 1);
        return *lastResult;
    }
    *lastResult = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(out));
    if (FAILED(*lastResult)) *out = nullptr;
    first->Release();
    return *lastResult;
}
}  // namespace

int Video::CheckDirectDraw() {
    IDirectDraw4* probe = nullptr;
    if (FAILED(CreateDirectDraw4(&probe, &lastResult)) || probe == nullptr) return 0;
    probe->Release();
    return 1;
}

void Video::Create(const char* name, WNDPROC procedure, HWND* hostWindow, HINSTANCE* instance) {
    display_gate::Hold gate;
    windowName = name;
    instanceRef = instance;
    // Until a Render says otherwise, the frames are drawn on the window's thread.
    requests.renderThread = GetCurrentThreadId();
    hostWindowRef = hostWindow;

    // Full Screen starts on its monitor's device, the other modes on the
    // default one, which spans the desktop.
    GUID fullScreenDevice;
    const bool onDevice = ValidDisplayMode(requestedDisplayMode) <= kFullScreen && DeviceOf(ChosenMonitor(), &fullScreenDevice);
    if (!OpenDevice(onDevice ? &fullScreenDevice : nullptr)) return;
    FindRequestedSize();

    ModeRequest request = ResolveModeRequest(requestedDisplayMode, requestedResolution, modeCounts, RecordHeight, this);
    if (request.resolution < 0) {
        ReportError("No available resolutions", 1);
        return;
    }
    requestedDisplayMode = request.displayMode;
    requestedResolution = request.resolution;
    const DDSURFACEDESC2& record = modeRecords[requestedDisplayMode][requestedResolution];
    height = static_cast<int>(record.dwHeight);
    width = static_cast<int>(record.dwWidth);

    KeepWindowOnAMonitor();

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = *instanceRef;
    windowClass.lpszClassName = windowName;
    if (RegisterClassA(&windowClass) == 0) {
        ReportError("Error registering window class", 1);
        return;
    }
    window = CreateWindowExA(0, windowName, windowName, WS_VISIBLE, windowX, windowY, width, height, *hostWindowRef,
                             nullptr, *instanceRef, nullptr);
    if (window == nullptr) {
        ReportError("Error creating window", 1);
        return;
    }
    const SIZE outer = WindowedSize();
    SetWindowPos(window, nullptr, windowX, windowY, outer.cx, outer.cy, SWP_NOZORDER);
    ShowWindow(window, SW_SHOWNORMAL);

    DDCAPS caps;
    memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    lastResult = directDraw->GetCaps(&caps, nullptr);
    if (FAILED(lastResult)) {
        ReportDirectDrawError("Unable to retrieve DirectDraw Caps", lastResult, 1);
        return;
    }
    // The capability report is not believed: Wine reports no overlay yet makes
    // and shows them, and many current drivers report one they refuse.
    overlaySupported = ProbeOverlay() ? 1 : 0;

    ChangeRes();
}

bool Video::OpenDevice(const GUID* guid) {
    if (directDraw != nullptr) {
        // The request's size, to be found again in the new device's lists.
        const int list = ValidDisplayMode(requestedDisplayMode) >= 0 ? requestedDisplayMode : kFullScreen;
        if (requestedResolution >= 0 && requestedResolution < modeCounts[list]) {
            const DDSURFACEDESC2& record = modeRecords[list][requestedResolution];
            stored.requestedWidth = static_cast<int>(record.dwWidth);
            stored.requestedHeight = static_cast<int>(record.dwHeight);
            stored.requestedBits = static_cast<int>(record.ddpfPixelFormat.dwRGBBitCount & 0xFF);
            requestedResolution = -1;
        }
        ReleaseSurfaces();
        if (loss.exclusiveHeld) {
            directDraw->RestoreDisplayMode();
            directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
            loss.exclusiveHeld = 0;
        }
        directDraw->Release();
        directDraw = nullptr;
    }
    CreateDirectDraw4(&directDraw, &lastResult, guid);
    if (directDraw == nullptr && guid != nullptr) {
        // A monitor's device can go between listing and use: the default
        // device still shows the picture.
        guid = nullptr;
        CreateDirectDraw4(&directDraw, &lastResult);
    }
    if (directDraw == nullptr) return false;
    monitor.deviceOpen = guid != nullptr ? 1 : 0;
    monitor.device = guid != nullptr ? *guid : GUID{};
    GetTotalVideoMemory();
    EnumerateModes();
    FindRequestedSize();
    return true;
}

void Video::FindRequestedSize() {
    const int list = ValidDisplayMode(requestedDisplayMode) >= 0 ? requestedDisplayMode : kFullScreen;
    const int found = SameModeIn(*this, list, stored.requestedWidth, stored.requestedHeight, stored.requestedBits);
    if (found >= 0) requestedResolution = found;
}

namespace {
// Clears a flag on every way out of ChangeRes.
struct Running {
    explicit Running(int* flag) : flag(flag) { *flag = 1; }
    ~Running() { *flag = 0; }
    int* flag;
};
}  // namespace

bool Video::ChangeRes() {
    display_gate::Hold gate;
    // A report's box dispatches the display window's keys; a change started
    // from there, or inside another change, would work on half-built surfaces.
    if (directDraw == nullptr || window == nullptr || loss.changing || ReportShowing() || PluginStopped()) return false;
    Running running(&loss.changing);
    const Surfaces result = EnterRequestedMode();
    if (result != Surfaces::kNoOverlay) return result == Surfaces::kReady;
    // No overlay to show Background through: Windowed at the same size.
    overlaySupported = 0;
    const int bits = modeBitDepth;
    const int backgroundResolution = resolution;
    ReleaseSurfaces();
    requestedDisplayMode = kWindowed;
    requestedResolution = SameModeIn(*this, kWindowed, width, height, bits);
    if (EnterRequestedMode() != Surfaces::kReady) return false;
    StandInForBackground(backgroundResolution);
    return true;
}

Video::Surfaces Video::EnterRequestedMode() {
    // Full Screen on its monitor's device; the desktop's modes on the default.
    GUID wanted = {};
    bool onDevice = false;
    if (ValidDisplayMode(requestedDisplayMode) <= kFullScreen) {
        if (displayMode == kFullScreen && loss.exclusiveHeld) {
            // Another resolution, or a rebuild: the monitor it is on.
            onDevice = monitor.deviceOpen != 0;
            wanted = monitor.device;
        } else {
            onDevice = DeviceOf(ChosenMonitor(), &wanted);
            NoteMonitorChoice();
        }
    }
    if (onDevice != (monitor.deviceOpen != 0) || (onDevice && !IsEqualGUID(wanted, monitor.device))) {
        if (!OpenDevice(onDevice ? &wanted : nullptr)) return Surfaces::kFailed;
    }

    // The stored request may name a mode or index that these lists do not
    // have; it is resolved before anything of the present mode is let go.
    ModeRequest request = ResolveModeRequest(requestedDisplayMode, requestedResolution, modeCounts, RecordHeight, this);
    if (request.resolution < 0) {
        ReportError("No available resolutions", 1);
        return Surfaces::kFailed;
    }
    requestedDisplayMode = request.displayMode;
    requestedResolution = request.resolution;

    ReleaseSurfaces();
    wallpaperPending = 0;
    // A loss noted from here on (a focus change during the entry) stands.
    loss.displayLost = 0;
    loss.rebuildPending = 0;
    const bool leavingFullScreen = loss.exclusiveHeld && request.displayMode != kFullScreen;
    displayMode = request.displayMode;
    resolution = request.resolution;
    const DDSURFACEDESC2& record = modeRecords[displayMode][resolution];
    height = static_cast<int>(record.dwHeight);
    width = static_cast<int>(record.dwWidth);
    modeBitDepth = static_cast<int>(record.ddpfPixelFormat.dwRGBBitCount & 0xFF);

    const DWORD level = displayMode == kFullScreen ? DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE : DDSCL_NORMAL;
    const int keptX = windowX;
    const int keptY = windowY;
    if (displayMode == kFullScreen) {
        if (minimizeHost && hostWindowRef != nullptr) ShowWindow(*hostWindowRef, SW_MINIMIZE);
        // DirectDraw minimises an exclusive window that loses the focus; a
        // rebuild must bring it back first, or the frames go to an icon.
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        // SetActiveWindow alone leaves the foreground to a player whose main
        // window lives on another thread; the exclusive display then waits on
        // activation messages that come at no set time. A focus change during
        // the entry is noted (loss.displayLost) and rebuilt from.
        SetForegroundWindow(window);
        SetActiveWindow(window);
    }
    if (displayMode != kBackground) PutBackWallpaper();
    // Leaving Full Screen: the display gets its own mode back while the
    // exclusive level still holds it, so that the normal level is set up for
    // the desktop's size (Wine sizes its presentation chain at that moment,
    // and a chain of the old size refuses every windowed blit).
    if (leavingFullScreen) {
        lastResult = directDraw->RestoreDisplayMode();
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error changing resolution", lastResult, 1);
            return Surfaces::kFailed;
        }
    }

    lastResult = directDraw->SetCooperativeLevel(window, level);
    if (FAILED(lastResult) && lastResult != DDERR_HWNDALREADYSET) {
        ReportDirectDrawError("Error setting cooperative level", lastResult, 1);
        return Surfaces::kFailed;
    }
    loss.exclusiveHeld = displayMode == kFullScreen ? 1 : 0;

    if (displayMode == kFullScreen) {
        // On another monitor's device the window goes to that monitor, or it
        // would sit unpainted over the primary one and take its clicks.
        RECT origin = monitor.deviceOpen ? ChosenMonitorRect() : RECT{0, 0, 0, 0};
        SetWindowPos(window, nullptr, origin.left, origin.top, width, height, SWP_NOZORDER | SWP_SHOWWINDOW);
        lastResult = directDraw->SetDisplayMode(width, height, modeBitDepth, 0, 0);
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error changing resolution", lastResult, 1);
            return Surfaces::kFailed;
        }
        // The new mode can move that monitor on the desktop.
        if (monitor.deviceOpen) {
            origin = ChosenMonitorRect();
            SetWindowPos(window, nullptr, origin.left, origin.top, width, height, SWP_NOZORDER);
        }
        HideCursor();
    } else {
        const bool windowed = displayMode == kWindowed;
        // The change of level can move the window, and the window procedure
        // records every move made in Windowed mode.
        if (windowed) {
            windowX = keptX;
            windowY = keptY;
            KeepWindowOnAMonitor();
        }
        const SIZE outer = WindowedSize();
        SetWindowPos(window, nullptr, windowX, windowY, outer.cx, outer.cy,
                     SWP_NOZORDER | (windowed ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        SetActiveWindow(window);
        lastResult = directDraw->RestoreDisplayMode();
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error changing resolution", lastResult, 1);
            return Surfaces::kFailed;
        }
        RestoreCursor();
    }
    SetFocus(window);

    DDSURFACEDESC2 desc;
    if (!QueryDisplayMode(&desc, "Video::ChangeRes(), Error retrieving display resolution")) return Surfaces::kFailed;
    displayWidth = static_cast<int>(desc.dwWidth);
    displayHeight = static_cast<int>(desc.dwHeight);
    displayBitDepth = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
    displayPixelFormat = desc.ddpfPixelFormat;
    redMask = static_cast<WORD>(desc.ddpfPixelFormat.dwRBitMask);
    greenMask = static_cast<WORD>(desc.ddpfPixelFormat.dwGBitMask);
    blueMask = static_cast<WORD>(desc.ddpfPixelFormat.dwBBitMask);
    // Full green of the display's format: what the wallpaper shows the overlay through.
    overlayColorKey.dwColorSpaceLowValue = greenMask;
    overlayColorKey.dwColorSpaceHighValue = greenMask;

    const Surfaces surfaces = AllocateSurfaces();
    if (surfaces != Surfaces::kReady) return surfaces;
    ClearFrame(previousFrame);
    ClearFrame(frameBuffer);
    if (displayMode == kBackground && !desktop.backgroundOnDesktop) wallpaperPending = 1;

    if (transformReady) {
        transformMask = transform->GetEnabledMask();
        delete transform;
        transform = new Transform;
    }
    transform->lockedTransform = theScene != nullptr ? &theScene->lockedTransform : nullptr;
    transform->SetEnabledMask(transformMask);
    if (!transform->Init(width, height)) {
        ReportError("Video::ChangeRes, Error allocating the displacement map", 1);
        return Surfaces::kFailed;
    }
    transformReady = 1;

    stored.workingDisplayMode = displayMode;
    stored.workingResolution = resolution;
    FollowDisplayRefresh();
    return Surfaces::kReady;
}

void Video::ReleaseResources() {
    display_gate::Hold gate;
    if (directDraw != nullptr) {
        ReleaseSurfaces();
        // A window its owner destroyed is no window to name: releasing the
        // object below hands the display back all the same.
        if (window != nullptr) {
            lastResult = directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
            if (FAILED(lastResult))
                ReportDirectDrawError("Video::ReleaseResources, Error setting cooperative level", lastResult, 1);
            SetActiveWindow(window);
        }
        loss.exclusiveHeld = 0;
        directDraw->Release();
        directDraw = nullptr;
    }
    if (transformReady) {
        delete transform;
        transform = nullptr;
        transformReady = 0;
    }
}

int Video::QueryPlayPosition() {
    if (hostWindowRef == nullptr) return 0;
    // Without an answer the song goes on where it was: a position of 0
    // would start a new one.
    playerPosition = static_cast<int>(AskPlayer(*hostWindowRef, 0, kQueryPlayPosition, false, playerPosition));
    return playerPosition;
}

int Video::QueryPlaylistIndex() {
    if (hostWindowRef == nullptr) return 0;
    return static_cast<int>(AskPlayer(*hostWindowRef, 0, kQueryPlaylistIndex, false));
}

