// Background without an overlay: the frame is blitted, as in Windowed, into
// our window behind the desktop icons (desktop_layer_win32.cpp), stretched
// over the monitor. The wallpaper is never touched on this path.
#include "desktop/desktop_layer_win32.h"
#include "overlay/error_report_win32.h"
#include "video/video.h"

namespace {
// The player's pause between two frames while nobody sees the picture: the
// scene and compose sleep, and a monitor uncovered again gets frames within it.
constexpr int kUnseenPauseMs = 100;

const char kNoShell[] = "No desktop shell for Background: shown Windowed";
const char kShellSilent[] = "The desktop shell did not answer: Background shown Windowed";
}  // namespace

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
    desktop.present = DesktopPresent::kBlit;
    desktop.backgroundOnDesktop = 1;
    return Surfaces::kReady;
}

bool Video::PresentOnDesktop(const RECT& source) {
    if (desktop.layer == nullptr || desktop.clipper == nullptr) return false;
    // The layer thread may replace the window at any time; a window read
    // between two equal generations is that generation's.
    const LONG generation = desktop.layer->Generation();
    HWND target = desktop.layer->Window();
    const bool refused = desktop.layer->LayeredRefused();
    if (target == nullptr || desktop.layer->Generation() != generation) return false;
    if (generation != desktop.generation) {
        // A new window: the blit is tried again, unless only the layered
        // update can show this one.
        desktop.present = refused ? DesktopPresent::kLayered : DesktopPresent::kBlit;
        lastResult = desktop.clipper->SetHWnd(0, target);
        // A player on which layered windows failed is one the compositor
        // keeps the blit from too: GDI, which any plain window shows.
        if ((FAILED(lastResult) || desktop.layeredFailed) && !refused) desktop.present = DesktopPresent::kGdi;
        desktop.generation = generation;
    }
    if (desktop.present == DesktopPresent::kLayered) return PresentLayered(target, source);
    if (desktop.present == DesktopPresent::kGdi) return PresentWithGdi(target, source);
    RECT screen = desktop.rect;
    lastResult = primarySurface->Blt(&screen, composeSurface, const_cast<RECT*>(&source), DDBLT_WAIT, nullptr);
    if (SUCCEEDED(lastResult) || DisplayTaken(lastResult) || lastResult == DDERR_WASSTILLDRAWING) return true;
    // Gone under us between the check and the blit: the next frame finds the new one.
    if (desktop.layer->Generation() != generation || !IsWindow(target)) return false;
    // A blit into another process's window that the system refuses: GDI
    // draws into it instead, from now on for this window.
    desktop.present = DesktopPresent::kGdi;
    return PresentWithGdi(target, source);
}

bool Video::Unseen() const {
    return displayMode == kBackground && desktop.backgroundOnDesktop && desktop.layer != nullptr &&
           desktop.layer->Covered();
}

void Video::RestWhileUnseen() {
    if (delayMsRef != nullptr) *delayMsRef = kUnseenPauseMs;
}

const char* Video::PresentPathName() const {
    if (displayMode != kBackground) return "DirectDraw blit";
    if (!desktop.backgroundOnDesktop) return "DirectDraw overlay";
    switch (desktop.present) {
    case DesktopPresent::kGdi:
        return "GDI behind the icons";
    case DesktopPresent::kLayered:
        return "layered window behind the icons";
    default:
        return "DirectDraw blit behind the icons";
    }
}

void Video::StandInForBackground(int backgroundResolution) {
    // The desktop may well be ready at the next start (a shell busy for a
    // moment, Explorer restarting): Background stays the stored choice.
    stored.workingDisplayMode = kBackground;
    stored.workingResolution = backgroundResolution;
    ShowNotice(DesktopLayer::Available() ? kShellSilent : kNoShell);
}

void Video::StopDesktopLayer() {
    if (desktop.layer == nullptr) return;
    desktop.layer->Stop();
    delete desktop.layer;
    desktop.layer = nullptr;
    desktop.generation = -1;
    desktop.layeredFailed = 0;
    ReleaseLayeredSource();
}
