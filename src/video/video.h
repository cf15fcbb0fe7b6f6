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
//   video_compose_win32.cpp  Compose: lock, convert, unlock
//   text_overlay_win32.cpp   ShowInfo, ShowMessage
#include <windows.h>
#include <ddraw.h>

#include "scene/scene_display.h"

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
    void ChangeRes();       // enters requestedDisplayMode at requestedResolution
    void ReleaseResources();

    // --- modes (video_modes_win32.cpp)
    // The display's present mode; a failure is reported with the given text.
    bool QueryDisplayMode(DDSURFACEDESC2* desc, const char* failure);
    void GetTotalVideoMemory();
    void EnumerateModes();
    void FreeModeLists();

    // --- surfaces and presentation (surfaces_win32.cpp)
    void AllocateSurfaces();
    void CreateOverlay();
    void CreateComposeSurface();
    void ReleaseSurfaces();
    void RestoreSurfaces();
    void Flip();

    // --- per frame (video_compose_win32.cpp, text_overlay_win32.cpp)
    void Compose();
    void ShowInfo();
    void ShowMessage();

    // --- player queries, through *hostWindowRef
    int QueryPlayPosition() override;
    int QueryPlaylistIndex() override;
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
    HINSTANCE* instanceRef = nullptr;
    int useDelay = 0;
    int wallpaperPending = 0;
    // The module record's delayMs, rewritten by Flip; null until Init sets it.
    int* delayMsRef = nullptr;

    // A Display_Mode outside 0..2 counts as "not chosen" (-1).
    static int ValidDisplayMode(int mode) { return mode >= 0 && mode < kDisplayModeCount ? mode : -1; }
};
