#pragma once
// The display: DirectDraw, the display window, the lists of display modes, the
// surfaces and presentation, and the Transform it sizes for the frame. The
// frame buffers, frame size, Transform pointer and transient message live in
// the SceneDisplay base, which is all the portable scene sees.
//
// Where the pieces are:
//   video_win32.cpp          construction, destruction, DirectX check, Create,
//                            ChangeRes, ReleaseResources, player queries
//   video_modes_win32.cpp    memory estimate, mode enumeration and names
//   surfaces_win32.cpp       Allocate/Release/RestoreSurfaces, overlay, Flip
//   frame_clock_win32.cpp    the frame-rate cap: waits and the player's delayMs
//   video_compose_win32.cpp  Compose: lock, convert (pixels/compose.h), unlock
//   window_requests_win32.cpp what the window's thread asks, done by Render
//   display_loss_win32.cpp   focus and mode taken by others: skip, rebuild;
//                            what a fatal report hands back first
//   window_size_win32.cpp    the Windowed window's size for the frame
//   overlay/text_overlay_win32.cpp  ShowInfo, ShowMessage, the overlay font
//   overlay/song_title_win32.cpp    the song title query, Unicode first
//   desktop/desktop_state_win32.cpp the cursor count and the user's wallpaper
//   desktop/desktop_background_win32.cpp  Background behind the desktop
//                            icons, where no overlay exists (desktop_layer)
//   desktop/monitor_choice_win32.cpp  Full Screen's monitor and its DirectDraw
//                            device; a stored window position still reachable
#include <windows.h>
#include <ddraw.h>

#include "desktop/desktop_state_win32.h"
#include "desktop/monitor_choice_win32.h"
#include "overlay/overlay_text.h"
#include "scene/scene_display.h"
#include "video/display_loss.h"
#include "video/frame_pacer.h"
#include "video/stored_mode.h"
#include "video/window_requests.h"

enum DisplayMode {
    kFullScreen = 0,
    kWindowed = 1,
    kBackground = 2,
};
constexpr int kDisplayModeCount = 3;
constexpr int kModeNameBytes = 128;

class Video : public SceneDisplay {
public:
    Video();
    ~Video() override;
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    // --- set-up (video_win32.cpp)
    int CheckDirectDraw();  // 1 when IDirectDraw4 is offered
    void Create(const char* name, WNDPROC procedure, HWND* hostWindow, HINSTANCE* instance);
    // Enters requestedDisplayMode at requestedResolution; false when it failed
    // or could not run (one is running, a report is open, the plug-in stopped).
    // Background without a usable overlay enters Windowed instead.
    bool ChangeRes();
    void ReleaseResources();
    // The stored size, when the requested mode's list has it, wins over the
    // stored index.
    void FindRequestedSize();

    // --- modes (video_modes_win32.cpp)
    // The display's present mode; a failure is reported with the given text.
    bool QueryDisplayMode(DDSURFACEDESC2* desc, const char* failure);
    void GetTotalVideoMemory();
    void EnumerateModes();
    void FreeModeLists();

    // --- surfaces and presentation (surfaces_win32.cpp)
    enum class Surfaces { kReady, kFailed, kNoOverlay };
    Surfaces AllocateSurfaces();
    bool CreateOverlay();  // false, without a report, when no overlay is made
    Surfaces EnterRequestedMode();  // ChangeRes's steps
    void CreateComposeSurface();
    void ReleaseSurfaces();
    bool RestoreSurfaces();  // false when a surface cannot be had back: display lost
    // Exchanges the frame buffers; puts the frame on the screen when `present`.
    void Flip(bool present = true);
    void PresentFrame();

    // --- frame-rate cap (frame_clock_win32.cpp)
    void OpenFrameTimer();             // Init: the timer Render waits on
    void CloseFrameTimer();            // Quit: and the system timer given back
    void SetMaxFrameRate(int stored);  // Max_Frame_Rate, validated
    void FollowDisplayRefresh();       // the cap to a whole number of refreshes
    void WaitForFrame();               // start of Render: waits while early
    void HandBackDelay();              // end of Flip: the module's delayMs

    // --- per frame (video_compose_win32.cpp, text_overlay_win32.cpp)
    bool Compose();  // false: the frame is skipped (busy, lost)
    void ShowInfo();
    void ShowMessage();
    // A message that stays its full time, on its own line: nothing replaces it.
    void ShowNotice(const char* text);
    int TextDpi() const;
    int PrepareFont();  // the overlay font for TextDpi; returns that DPI
    int PrepareMessageFont();  // the message's, by frame height; its pixels
    void ReleaseMessageFont();

    // --- the window's thread (window_requests_win32.cpp): these only
    // record; TakeRequests, at the start of Render, carries them out.
    void RequestModeChange();  // enter requestedDisplayMode at requestedResolution
    void NoteActivation(bool active);
    void NoteDisplayChange(int bits, int newWidth, int newHeight);
    void NoteWindowDestroyed();
    // The panel asked for in Full Screen: Windowed is asked for, and from
    // another thread than Render's the panel comes once it is entered (true).
    bool DeferPanelUntilWindowed();
    // Posted to the display window when that panel can be opened.
    static constexpr UINT kOpenPanelAfterChange = WM_APP + 3;
    // The Scene's ChooseScene, for the frame to make: false when none is asked.
    void RequestSceneChoice(int rendererMode, int transformMode);
    bool TakeSceneChoice(int* rendererMode, int* transformMode);
    // False once the display window is gone: the plug-in stops, without a report.
    bool TakeRequests();
    bool WindowGone();

    // --- display loss (display_loss_win32.cpp)
    // Start of a frame: false while the display is lost (the frame's display
    // work is skipped and the scene pauses); rebuilds it when that is due.
    bool PrepareFrame();
    void OnActivateApp(bool active);
    void OnDisplayChange(int bits, int newWidth, int newHeight);
    void NoteDisplayLost();
    bool Rebuild();
    // Full Screen's device no longer serves the monitor its window is on.
    bool DeviceGone() const;
    void LeaveGoneDevice();  // its mode given back; the next entry opens anew
    void LeaveDisplayForReport();
    bool ProbeOverlay();  // whether an overlay of the frame's size can be made

    // --- the desktop (desktop_state_win32.cpp)
    void HideCursor();
    void RestoreCursor();  // what HideCursor took, and the count at least 0
    void InstallWallpaper();
    void PutBackWallpaper();

    // --- monitors (monitor_choice_win32.cpp)
    // The monitor Full Screen takes: the Windowed window's, else the stored
    // Monitor while it is attached, else the player's.
    HMONITOR ChosenMonitor() const;
    RECT ChosenMonitorRect() const;
    // The DirectDraw device of a monitor; false when the default one serves.
    static bool DeviceOf(HMONITOR monitor, GUID* guid);
    // Full Screen entered from a window the user put on a monitor: that
    // monitor is the choice from now on.
    void NoteMonitorChoice();
    // A stored position whose caption no monitor shows moves to the player's
    // monitor.
    void KeepWindowOnAMonitor();
    // DirectDraw on the device (null: the default), with its mode lists;
    // the requested mode keeps its size. False after a fatal report.
    bool OpenDevice(const GUID* device);

    // --- Background behind the desktop icons (desktop_background_win32.cpp)
    bool BackgroundAvailable() const;  // an overlay, or a shell to go behind
    RECT DesktopMonitor() const;
    // After AllocateSurfaces found no usable overlay; rgbFormat: the compose
    // format of the display.
    Surfaces EnterDesktopBackground(int rgbFormat);
    bool PresentOnDesktop(const RECT& source);  // false: nothing shown this frame
    void StopDesktopLayer();
    // Nobody sees the picture (a full-screen program, a game, a presentation):
    // Render skips the frame and hands the player a long pause.
    bool Unseen() const;
    void RestWhileUnseen();
    const char* PresentPathName() const;  // for the information overlay
    // Windowed entered because the desktop had no place for Background.
    void StandInForBackground(int backgroundResolution);
    // desktop/desktop_gdi_present_win32.cpp: where the blit cannot serve.
    bool PresentWithGdi(HWND target, const RECT& source);
    bool PresentLayered(HWND target, const RECT& source);
    void ReleaseLayeredSource();

    // --- the window (window_size_win32.cpp)
    // Outer size of the Windowed window: its client area is the frame, scaled
    // by the window's DPI, so the picture is as large on screen as at 100 %.
    SIZE WindowedSize() const;

    // --- player queries, through *hostWindowRef
    int QueryPlayPosition() override;
    int QueryPlaylistIndex() override;
    // UTF-8, at most 255 bytes, in overlayText.titleText; null when the player has none.
    const char* QueryTitle(int index) override;

    // Fields, in the order the rest of the plug-in knows them. width, height,
    // frameBuffer, previousFrame, transform, messageText and messageFramesLeft
    // are in SceneDisplay.
    HWND window = nullptr;
    RECT windowRect = {0, 0, 0, 0};
    const char* windowName = nullptr;
    int displayBitDepth = 0;
    int modeBitDepth = 0;
    int windowX = 0;
    int windowY = 0;
    int displayMode = kFullScreen;
    int requestedDisplayMode = -1;
    int resolution = 0;
    int requestedResolution = -1;
    int displayWidth = 0;
    int displayHeight = 0;
    IDirectDraw4* directDraw = nullptr;
    HRESULT lastResult = DD_OK;
    IDirectDrawSurface4* composeSurface = nullptr;
    IDirectDrawSurface4* primarySurface = nullptr;
    IDirectDrawSurface4* overlaySurface = nullptr;
    int frameBuffersAllocated = 0;
    int composeSurfaceOwned = 0;
    int primarySurfaceAllocated = 0;
    int overlaySurfaceAllocated = 0;
    DDCOLORKEY overlayColorKey = {1, 1};
    WORD redMask = 0;
    WORD greenMask = 0;
    WORD blueMask = 0;
    DDSURFACEDESC2 composeDesc;
    DDSURFACEDESC2 primaryDesc;
    DDSURFACEDESC2 overlayDesc;
    DDSURFACEDESC2* modeRecords[kDisplayModeCount] = {nullptr, nullptr, nullptr};
    char** modeNames[kDisplayModeCount] = {nullptr, nullptr, nullptr};  // kModeNameBytes each
    int modeCounts[kDisplayModeCount] = {0, 0, 0};
    DDPIXELFORMAT displayPixelFormat;
    int memoryLimitFullScreen = 0;
    int memoryLimitBackground = 0;
    int minimizeHost = 0;
    int composeFormat = 0;
    int overlaySupported = 0;
    int infoFrameCount = 0;
    DWORD infoStartTime = 0;
    DWORD infoTime = 0;
    int showInfo = 0;
    HFONT font = nullptr;
    int transformReady = 0;
    int transformMask = 0;
    HWND* hostWindowRef = nullptr;
    int playerPosition = 0;  // the player's last answer, kept when it gives none
    HINSTANCE* instanceRef = nullptr;
    int useDelay = 0;
    int wallpaperPending = 0;

    // The parts added around the specified fields, each beside the code that
    // uses it.
    StoredMode stored;
    MonitorChoice monitor;
    OverlayText overlayText;
    DisplayLoss loss;
    DesktopState desktop;
    WindowRequests requests;
    // The frame-rate cap. The module record's delayMs, rewritten by Flip; null
    // until Init sets it.
    int* delayMsRef = nullptr;
    int maxFrameRate = kDefaultMaxFrameRate;  // Max_Frame_Rate: 0 = no cap
    FramePacer pacer;
    struct FrameTimer {
        HANDLE timer = nullptr;
        bool fineSystemTimer = false;  // timeBeginPeriod(1) held until Quit
    } frameTimer;

    // A Display_Mode outside 0..2 counts as "not chosen" (-1).
    static int ValidDisplayMode(int mode) { return mode >= 0 && mode < kDisplayModeCount ? mode : -1; }
};
