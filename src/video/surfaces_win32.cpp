// The surfaces of each display mode, their release and restoration, and Flip,
// which puts the composed frame on the screen.
#include <cstdio>
#include <cstring>

#include "video/compose.h"
#include "video/error_report_win32.h"
#include "video/video.h"

namespace {
constexpr DWORD kFourCcUyvy = MAKEFOURCC('U', 'Y', 'V', 'Y');
constexpr DWORD kFourCcYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');
constexpr int kSlowDownMs = 5;

int BitCount(unsigned value) {
    int n = 0;
    for (; value != 0; value &= value - 1) ++n;
    return n;
}

bool KnownDepth(int bits) { return bits == 16 || bits == 24 || bits == 32; }

void ResetDesc(DDSURFACEDESC2* desc) {
    memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
}

// Restores a lost surface; one that cannot be restored is a fatal report.
void RestoreIfLost(IDirectDrawSurface4* surface, const char* message, HRESULT* lastResult) {
    *lastResult = surface->IsLost();
    if (*lastResult != DDERR_SURFACELOST) return;
    *lastResult = surface->Restore();
    if (FAILED(*lastResult)) ReportDirectDrawError(message, *lastResult, 1);
}

// "vis_velune.bmp" beside the library; false when the path does not fit.
bool WallpaperPath(HINSTANCE instance, char* path, size_t size) {
    char module[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(instance, module, sizeof module);
    if (n == 0 || n >= sizeof module) return false;
    char* cut = strrchr(module, '\\');
    if (cut != nullptr)
        cut[1] = '\0';
    else
        module[0] = '\0';
    int written = snprintf(path, size, "%svis_velune.bmp", module);
    return written > 0 && static_cast<size_t>(written) < size;
}
}  // namespace

void Video::AllocateSurfaces() {
    ResetDesc(&primaryDesc);
    ResetDesc(&overlayDesc);
    ResetDesc(&composeDesc);

    if (displayBitDepth == 32)
        composeFormat = kCompose32;
    else if (displayBitDepth == 24)
        composeFormat = kCompose24;
    else if (displayBitDepth == 16)
        composeFormat = BitCount(greenMask) == 5 ? kCompose555 : kCompose565;
    else
        composeFormat = kCompose32;  // the compose surface is then made 32-bit itself

    primaryDesc.dwFlags = DDSD_CAPS;
    if (displayMode == kBackground)
        primaryDesc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    else
        primaryDesc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    lastResult = directDraw->CreateSurface(&primaryDesc, &primarySurface, nullptr);
    if (FAILED(lastResult)) {
        primarySurface = nullptr;
        ReportDirectDrawError(displayMode == kFullScreen ? "Error creating desktop surface"
                                                         : "Video::AllocateSurfaces, Error creating desktop surface",
                              lastResult, 1);
        return;
    }
    primarySurfaceAllocated = 1;

    if (displayMode == kWindowed) {
        IDirectDrawClipper* clipper = nullptr;
        lastResult = directDraw->CreateClipper(0, &clipper, nullptr);
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error creating directdraw clipper object", lastResult, 1);
            return;
        }
        const char* failure = nullptr;
        lastResult = clipper->SetHWnd(0, window);
        if (FAILED(lastResult)) {
            failure = "Error associating directdraw clipper with window";
        } else {
            lastResult = primarySurface->SetClipper(clipper);
            if (FAILED(lastResult)) failure = "Error associating directdraw clipper with primary surface";
        }
        // The primary surface keeps its own reference.
        clipper->Release();
        if (failure != nullptr) {
            ReportDirectDrawError(failure, lastResult, 1);
            return;
        }
    } else if (displayMode == kBackground) {
        primarySurface->SetColorKey(DDCKEY_DESTOVERLAY, &overlayColorKey);
        CreateOverlay();
        if (!overlaySurfaceAllocated) return;
    }

    CreateComposeSurface();
    if (composeSurface == nullptr) return;

    AllocateFrameBuffers(width, height);
    frameBuffersAllocated = 1;
}

void Video::CreateOverlay() {
    struct OverlayTry {
        DWORD fourCc;  // 0: the display's own format
        int format;
    };
    const OverlayTry tries[] = {{0, composeFormat}, {kFourCcUyvy, kComposeUyvy}, {kFourCcYuy2, kComposeYuy2}};
    for (const OverlayTry& attempt : tries) {
        ResetDesc(&overlayDesc);
        overlayDesc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        overlayDesc.dwHeight = static_cast<DWORD>(height);
        overlayDesc.dwWidth = static_cast<DWORD>(width);
        overlayDesc.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
        if (attempt.fourCc != 0) {
            overlayDesc.dwFlags |= DDSD_PIXELFORMAT;
            overlayDesc.ddpfPixelFormat.dwSize = sizeof overlayDesc.ddpfPixelFormat;
            overlayDesc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
            overlayDesc.ddpfPixelFormat.dwFourCC = attempt.fourCc;
        }
        lastResult = directDraw->CreateSurface(&overlayDesc, &overlaySurface, nullptr);
        if (SUCCEEDED(lastResult)) {
            overlaySurfaceAllocated = 1;
            composeFormat = attempt.format;
            return;
        }
        overlaySurface = nullptr;
    }
    ReportDirectDrawError("Your hardware doesn't support RGB nor YUV overlays.  See FAQ", lastResult, 1);
}

void Video::CreateComposeSurface() {
    if (composeFormat == kComposeUyvy || composeFormat == kComposeYuy2) {
        // The conversion writes the overlay itself, released once, as the overlay.
        composeSurface = overlaySurface;
        composeSurfaceOwned = 0;
        return;
    }
    composeDesc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    composeDesc.dwHeight = static_cast<DWORD>(height);
    composeDesc.dwWidth = static_cast<DWORD>(width + 1);  // the 24-bit stores spill into a spare column
    composeDesc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    if (!KnownDepth(displayBitDepth)) {
        // No conversion writes this desktop's format (an 8-bit palette, say):
        // the frame is kept 32-bit and the blit converts it, rather than four
        // bytes a pixel landing in a surface of one.
        composeDesc.dwFlags |= DDSD_PIXELFORMAT;
        composeDesc.ddpfPixelFormat.dwSize = sizeof composeDesc.ddpfPixelFormat;
        composeDesc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        composeDesc.ddpfPixelFormat.dwRGBBitCount = 32;
        composeDesc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
        composeDesc.ddpfPixelFormat.dwGBitMask = 0x00FF00;
        composeDesc.ddpfPixelFormat.dwBBitMask = 0x0000FF;
    }
    lastResult = directDraw->CreateSurface(&composeDesc, &composeSurface, nullptr);
    if (FAILED(lastResult)) {
        composeSurface = nullptr;
        ReportDirectDrawError("Error creating system memory compose surface", lastResult, 1);
        return;
    }
    composeSurfaceOwned = 1;
}

void Video::ReleaseSurfaces() {
    if (primarySurfaceAllocated) {
        primarySurface->Release();  // takes the clipper with it
        primarySurface = nullptr;
        primarySurfaceAllocated = 0;
    }
    if (overlaySurfaceAllocated) {
        overlaySurface->Release();
        overlaySurface = nullptr;
        overlaySurfaceAllocated = 0;
    }
    if (composeSurfaceOwned) {
        composeSurface->Release();
        composeSurfaceOwned = 0;
    }
    composeSurface = nullptr;
    if (frameBuffersAllocated) {
        FreeFrameBuffers();
        frameBuffersAllocated = 0;
    }
}

void Video::RestoreSurfaces() {
    if (composeSurfaceOwned)
        RestoreIfLost(composeSurface, "Video::RestoreSurfaces, Error restoring compose buffer", &lastResult);
    if (primarySurfaceAllocated)
        RestoreIfLost(primarySurface, "Video::RestoreSurfaces, Error restoring front desktop buffer", &lastResult);
    if (overlaySurfaceAllocated)
        RestoreIfLost(overlaySurface, "Video::RestoreSurfaces, Error restoring back desktop buffer", &lastResult);
}

void Video::Flip() {
    if (primarySurface == nullptr || composeSurface == nullptr) return;
    SwapFrameBuffers();
    RECT source = {0, 0, width, height};  // without the spare column
    RestoreSurfaces();

    const int delay = displayMode != kFullScreen && useDelay ? kSlowDownMs : 0;
    if (delayMsRef != nullptr) *delayMsRef = delay;
    if (displayMode == kFullScreen) {
        lastResult = primarySurface->Blt(nullptr, composeSurface, &source, 0, nullptr);
    } else if (displayMode == kWindowed) {
        GetWindowRect(window, &windowRect);
        lastResult = primarySurface->Blt(&windowRect, composeSurface, &source, 0, nullptr);
    } else {
        if (composeSurfaceOwned) overlaySurface->Blt(nullptr, composeSurface, &source, 0, nullptr);
        RECT screen = {0, 0, displayWidth, displayHeight};
        lastResult = overlaySurface->UpdateOverlay(&source, primarySurface, &screen, DDOVER_SHOW | DDOVER_KEYDEST, nullptr);
    }
    if (FAILED(lastResult)) ReportDirectDrawError("Video::Flip(), Error blitting backbuffer", lastResult, 1);

    if (wallpaperPending) {
        char path[MAX_PATH + 16];
        if (instanceRef != nullptr && WallpaperPath(*instanceRef, path, sizeof path))
            SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, SPIF_SENDCHANGE);
        wallpaperPending = 0;
    }
}
