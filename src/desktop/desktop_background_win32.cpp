// Background without an overlay: the frame is blitted, as in Windowed, into
// our window behind the desktop icons (desktop_layer_win32.cpp), stretched
// over the monitor. The wallpaper is never touched on this path.
#include "desktop/desktop_layer_win32.h"
#include "overlay/error_report_win32.h"
#include "video/video.h"

bool Video::BackgroundAvailable() const { return overlaySupported || backgroundOnDesktop || DesktopLayer::Available(); }

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
    desktopRect = DesktopMonitor();
    if (instanceRef == nullptr) return Surfaces::kNoOverlay;
    if (desktopLayer == nullptr) desktopLayer = new DesktopLayer;
    // A layer already running (a new resolution within Background) keeps its
    // window, unless the monitor changed under it.
    if ((!desktopLayer->Running() || !EqualRect(&desktopLayer->Monitor(), &desktopRect)) &&
        !desktopLayer->Start(*instanceRef, desktopRect)) {
        StopDesktopLayer();
        return Surfaces::kNoOverlay;
    }
    lastResult = directDraw->CreateClipper(0, &desktopClipper, nullptr);
    if (FAILED(lastResult)) {
        desktopClipper = nullptr;
        ReportDirectDrawError("Error creating directdraw clipper object", lastResult, 1);
        return Surfaces::kFailed;
    }
    lastResult = primarySurface->SetClipper(desktopClipper);
    if (FAILED(lastResult)) {
        ReportDirectDrawError("Error associating directdraw clipper with primary surface", lastResult, 1);
        return Surfaces::kFailed;
    }
    desktopGeneration = -1;  // bound to the window by the first frame
    backgroundOnDesktop = 1;
    return Surfaces::kReady;
}

bool Video::PresentOnDesktop(const RECT& source) {
    if (desktopLayer == nullptr || desktopClipper == nullptr) return false;
    // The layer thread may replace the window at any time; a window read
    // between two equal generations is that generation's.
    const LONG generation = desktopLayer->Generation();
    HWND target = desktopLayer->Window();
    if (target == nullptr || desktopLayer->Generation() != generation) return false;
    if (generation != desktopGeneration) {
        lastResult = desktopClipper->SetHWnd(0, target);
        if (FAILED(lastResult)) return false;
        desktopGeneration = generation;
    }
    // Nobody sees the desktop under a full-screen program.
    if (desktopLayer->Covered()) return false;
    RECT screen = desktopRect;
    lastResult = primarySurface->Blt(&screen, composeSurface, const_cast<RECT*>(&source), DDBLT_WAIT, nullptr);
    // Gone under us between the check and the blit: the next frame finds the new one.
    if (FAILED(lastResult) && (desktopLayer->Generation() != generation || !IsWindow(target))) return false;
    return true;
}

void Video::StopDesktopLayer() {
    if (desktopLayer == nullptr) return;
    desktopLayer->Stop();
    delete desktopLayer;
    desktopLayer = nullptr;
    desktopGeneration = -1;
}
