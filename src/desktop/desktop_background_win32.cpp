// Background without an overlay: the frame is blitted, as in Windowed, into
// our window behind the desktop icons (desktop_layer_win32.cpp), stretched
// over the monitor. The wallpaper is never touched on this path.
#include "desktop/desktop_layer_win32.h"
#include "overlay/error_report_win32.h"
#include "video/video.h"

bool Video::BackgroundAvailable() const { return overlaySupported || desktop.backgroundOnDesktop || DesktopLayer::Available(); }

// The monitor Full Screen would take: the stored choice, else the player's.
// In the default device's primary surface, as in Windowed, a monitor is at
// its screen coordinates.
RECT Video::DesktopMonitor() const { return ChosenMonitorRect(); }

Video::Surfaces Video::EnterDesktopBackground(int rgbFormat) {
    // An overlay that was made but cannot be shown is no use here.
    if (overlaySurfaceAllocated) {
        overlaySurface->Release();
        overlaySurface = nullptr;
        overlaySurfaceAllocated = 0;
    }
    composeFormat = rgbFormat;
    desktop.rect = DesktopMonitor();
    if (instanceRef == nullptr) return Surfaces::kNoOverlay;
    if (desktop.layer == nullptr) desktop.layer = new DesktopLayer;
    // A layer already running (a new resolution within Background) keeps its
    // window, unless the monitor changed under it.
    if ((!desktop.layer->Running() || !EqualRect(&desktop.layer->Monitor(), &desktop.rect)) &&
        !desktop.layer->Start(*instanceRef, desktop.rect)) {
        StopDesktopLayer();
        return Surfaces::kNoOverlay;
    }
    lastResult = directDraw->CreateClipper(0, &desktop.clipper, nullptr);
    if (FAILED(lastResult)) {
        desktop.clipper = nullptr;
        ReportDirectDrawError("Error creating directdraw clipper object", lastResult, 1);
        return Surfaces::kFailed;
    }
    lastResult = primarySurface->SetClipper(desktop.clipper);
    if (FAILED(lastResult)) {
        ReportDirectDrawError("Error associating directdraw clipper with primary surface", lastResult, 1);
        return Surfaces::kFailed;
    }
    desktop.generation = -1;  // bound to the window by the first frame
    desktop.backgroundOnDesktop = 1;
    return Surfaces::kReady;
}

bool Video::PresentOnDesktop(const RECT& source) {
    if (desktop.layer == nullptr || desktop.clipper == nullptr) return false;
    // The layer thread may replace the window at any time; a window read
    // between two equal generations is that generation's.
    const LONG generation = desktop.layer->Generation();
    HWND target = desktop.layer->Window();
    if (target == nullptr || desktop.layer->Generation() != generation) return false;
    if (generation != desktop.generation) {
        lastResult = desktop.clipper->SetHWnd(0, target);
        if (FAILED(lastResult)) return false;
        desktop.generation = generation;
    }
    // Nobody sees the desktop under a full-screen program.
    if (desktop.layer->Covered()) return false;
    RECT screen = desktop.rect;
    lastResult = primarySurface->Blt(&screen, composeSurface, const_cast<RECT*>(&source), DDBLT_WAIT, nullptr);
    // Gone under us between the check and the blit: the next frame finds the new one.
    if (FAILED(lastResult) && (desktop.layer->Generation() != generation || !IsWindow(target))) return false;
    return true;
}

void Video::StopDesktopLayer() {
    if (desktop.layer == nullptr) return;
    desktop.layer->Stop();
    delete desktop.layer;
    desktop.layer = nullptr;
    desktop.generation = -1;
}
