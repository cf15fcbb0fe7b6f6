// Init, Render, Quit and Config: the plug-in's lifecycle and one frame.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "host/display_window.h"
#include "host/plugin.h"
#include "host/settings_file.h"
#include "scene/cpu_features.h"
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
}  // namespace

int VIS_CDECL PluginInit(VisModule* module) {
    if (!FeatureHasMmx(CpuFeatureWord())) {
        MessageBoxA(nullptr, "MMX not detected, Velune won't work.", "Warning", MB_OK);
        return 1;
    }
    theVideo = new Video;
    if (!theVideo->CheckDirectDraw()) {
        delete theVideo;
        theVideo = nullptr;
        MessageBoxA(nullptr, "This plugin requires DirectX 6 or greater", "Warning", MB_OK);
        return 1;
    }
    theScene = new Scene(theVideo);
    LoadSettings(module);
    theVideo->delayMsRef = &module->delayMs;
    theVideo->Create(module->description, DisplayWindowProc, reinterpret_cast<HWND*>(&module->hwndParent),
                     reinterpret_cast<HINSTANCE*>(&module->hDllInstance));
    theScene->Start();
    SetWindowLongPtrA(theVideo->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(module));

    memset(&trayIcon, 0, sizeof trayIcon);
    trayIcon.cbSize = kTrayRecordBytes;
    trayIcon.hWnd = theVideo->window;
    trayIcon.uID = kTrayIconId;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON;
    trayIcon.uCallbackMessage = kTrayCallback;
    trayIcon.hIcon = LoadIconA(static_cast<HINSTANCE>(module->hDllInstance), MAKEINTRESOURCEA(kTrayIconId));
    Shell_NotifyIconA(NIM_ADD, &trayIcon);
    return 0;
}

int VIS_CDECL PluginRender(VisModule* module) {
    if (theVideo == nullptr || theScene == nullptr) return 0;
    theScene->Frame(module->spectrumData[0], module->waveformData[0]);
    theVideo->Compose();
    theVideo->ShowInfo();
    theVideo->ShowMessage();
    theVideo->Flip();
    return 0;
}

void VIS_CDECL PluginQuit(VisModule* module) {
    // The configuration panel and the About box close first, before the
    // settings are read.
    CloseDialogs();
    if (theVideo != nullptr && theScene != nullptr) SaveSettings(module);
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
    delete theScene;
    theScene = nullptr;
    delete theVideo;
    theVideo = nullptr;
}
