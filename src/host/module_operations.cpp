// Init, Render and Quit: the plug-in's lifecycle and one frame.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "desktop/tray_icon_win32.h"
#include "host/display_window.h"
#include "host/plugin.h"
#include "host/plugin_entry.h"
#include "host/settings_file.h"
#include "overlay/error_report_win32.h"
#include "pixels/cpu_features.h"
#include "scene/scene.h"
#include "video/video.h"

Video* theVideo = nullptr;
Scene* theScene = nullptr;

namespace {
constexpr UINT kTrayIconId = 106;
constexpr UINT kTrayCallback = WM_USER + 10;
// The shell's first record layout: icon, callback and a 64-byte tip.
constexpr DWORD kTrayRecordBytes = 88;
static_assert(NOTIFYICONDATAA_V1_SIZE == kTrayRecordBytes, "tray record layout");

NOTIFYICONDATAA trayIcon;

// The settings keep the last display mode and resolution that worked: one
// that failed would fail again at every start. The Video is destroyed next,
// so its current mode is no longer needed.
void SaveWorkingSettings(VisModule* module) {
    theVideo->displayMode = theVideo->stored.workingDisplayMode;
    theVideo->resolution = theVideo->stored.workingResolution;
    SaveSettings(module);
}

// A player calls no Quit after a failed start: everything goes here, and the
// settings say "not chosen" for the display, so the next start can succeed.
int FailedStart(VisModule* module) {
    theVideo->stored.workingDisplayMode = -1;
    theVideo->stored.workingResolution = -1;
    SaveWorkingSettings(module);
    delete theScene;
    theScene = nullptr;
    delete theVideo;
    theVideo = nullptr;
    ResetPluginStop();
    return 1;
}
}  // namespace

void AddTrayIcon() {
    if (trayIcon.hWnd != nullptr) Shell_NotifyIconA(NIM_ADD, &trayIcon);
}

int VIS_CDECL PluginInit(VisModule* module) {
    PluginEntry guard;
    if (!FeatureHasMmx(CpuFeatureWord())) {
        MessageBoxA(nullptr, "MMX not detected, Velune won't work.", "Warning", MB_OK);
        return 1;
    }
    ResetPluginStop();
    theVideo = new Video;
    bool directX6;
    {
        // Without DirectDraw the warning below is the one box, and Init's
        // result the answer: no report, no quit message.
        QuietReports quiet;
        directX6 = theVideo->CheckDirectDraw() != 0;
    }
    if (!directX6) {
        delete theVideo;
        theVideo = nullptr;
        MessageBoxA(nullptr, "This plugin requires DirectX 6 or greater", "Warning", MB_OK);
        return 1;
    }
    theScene = new Scene(theVideo);
    LoadSettings(module);
    theVideo->delayMsRef = &module->delayMs;
    {
        // A failed start is answered by the result, not by a quit message.
        NoStopRequest starting;
        theVideo->Create(module->description, DisplayWindowProc, reinterpret_cast<HWND*>(&module->hwndParent),
                         reinterpret_cast<HINSTANCE*>(&module->hDllInstance));
    }
    if (PluginStopped() || theVideo->window == nullptr || !theVideo->transformReady) return FailedStart(module);
    theScene->Start();
    SetWindowLongPtrA(theVideo->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(module));

    memset(&trayIcon, 0, sizeof trayIcon);
    trayIcon.cbSize = kTrayRecordBytes;
    trayIcon.hWnd = theVideo->window;
    trayIcon.uID = kTrayIconId;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON;
    trayIcon.uCallbackMessage = kTrayCallback;
    trayIcon.hIcon = LoadTrayIcon(static_cast<HINSTANCE>(module->hDllInstance), kTrayIconId);
    AddTrayIcon();
    return 0;
}

int VIS_CDECL PluginRender(VisModule* module) {
    PluginEntry guard;
    if (theVideo == nullptr || theScene == nullptr) return 0;
    // Stopped by a fatal report: the player that reads the result stops at
    // once; the others take the quit message the report posted.
    if (PluginStopped()) return 1;
    // What the window's thread asked is done here, between frames. Its
    // window destroyed with the player's is a stop, not an error.
    if (!theVideo->TakeRequests()) return 1;
    int rendererMode, transformMode;
    if (theVideo->TakeSceneChoice(&rendererMode, &transformMode)) theScene->ChooseScene(rendererMode, transformMode);
    theVideo->WaitForFrame();
    // While nobody sees the picture, or the display is lost, the scene pauses.
    if (theVideo->Unseen()) {
        theVideo->RestWhileUnseen();
    } else if (theVideo->PrepareFrame()) {
        theScene->Frame(module->spectrumData[0], module->waveformData[0]);
        const bool composed = theVideo->Compose();
        if (composed) {
            theVideo->ShowInfo();
            theVideo->ShowMessage();
        }
        theVideo->Flip(composed);
    }
    return PluginStopped() || theVideo->WindowGone() ? 1 : 0;
}

void VIS_CDECL PluginQuit(VisModule* module) {
    PluginEntry guard;
    NoStopRequest stopping;
    if (theVideo != nullptr) theVideo->WindowGone();
    // A player that is closing answers messages only for a moment, and
    // giving the desktop its mode back notifies every window it has: that
    // comes first, with the pointer.
    if (theVideo != nullptr) theVideo->LeaveDisplayForReport();
    // The configuration panel and the About box close before the settings
    // are read.
    CloseDialogs();
    if (theVideo != nullptr && theScene != nullptr) SaveWorkingSettings(module);
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
    if (trayIcon.hIcon != nullptr) DestroyIcon(trayIcon.hIcon);
    memset(&trayIcon, 0, sizeof trayIcon);
    delete theScene;
    theScene = nullptr;
    delete theVideo;
    theVideo = nullptr;
    ResetPluginStop();
    KeepLibraryForRunningConfig();
}
