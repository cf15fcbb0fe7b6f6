// The surfaces of each display mode, their release and restoration, and Flip,
// which puts the composed frame on the screen.
#include <cstdio>
#include <cstring>

#include "overlay/error_report_win32.h"
#include "pixels/compose.h"
#include "video/video.h"

namespace {
constexpr DWORD kFourCcUyvy = MAKEFOURCC('U', 'Y', 'V', 'Y');
constexpr DWORD kFourCcYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

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

// Restores a lost surface. False when it cannot be had back: after a focus
// loss or a mode change by another program Restore answers DDERR_WRONGMODE
// and the like until the display is rebuilt, which is no failure of ours.
bool RestoreIfLost(IDirectDrawSurface4* surface, HRESULT* lastResult) {
    *lastResult = surface->IsLost();
    if (*lastResult != DDERR_SURFACELOST) return true;
    *lastResult = surface->Restore();
    return SUCCEEDED(*lastResult);
}


// Where the frame goes: the client area in screen coordinates, clear of the
// caption and the borders, cut to the screen (a blit reaching past it is
// refused whole), and the part of the frame that lands there. False when
// nothing of it is on the screen (minimised, or moved off).
bool WindowedBlit(HWND window, RECT* to, RECT* from) {
    RECT client;
    if (!GetClientRect(window, &client) || IsRectEmpty(&client)) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (!IntersectRect(to, &client, &screen)) return false;
    const int w = client.right - client.left, h = client.bottom - client.top;
    const int frameW = from->right, frameH = from->bottom;
    *from = {MulDiv(to->left - client.left, frameW, w), MulDiv(to->top - client.top, frameH, h),
             MulDiv(to->right - client.left, frameW, w), MulDiv(to->bottom - client.top, frameH, h)};
    return !IsRectEmpty(from);
}

}  // namespace

bool DisplayTaken(HRESULT result) {
    return result == DDERR_SURFACELOST || result == DDERR_WRONGMODE || result == DDERR_NOEXCLUSIVEMODE ||
           result == DDERR_EXCLUSIVEMODEALREADYSET;
}

Video::Surfaces Video::AllocateSurfaces() {
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
        return Surfaces::kFailed;
    }
    primarySurfaceAllocated = 1;

    if (displayMode == kWindowed) {
        IDirectDrawClipper* clipper = nullptr;
        lastResult = directDraw->CreateClipper(0, &clipper, nullptr);
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error creating directdraw clipper object", lastResult, 1);
            return Surfaces::kFailed;
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
            return Surfaces::kFailed;
        }
    } else if (displayMode == kBackground) {
        const int rgbFormat = composeFormat;
        primarySurface->SetColorKey(DDCKEY_DESTOVERLAY, &overlayColorKey);
        bool overlay = CreateOverlay();
        if (overlay) {
            // Made is not yet shown: some drivers refuse the stretch to the
            // whole desktop. Before the first frame nothing of it is seen, as
            // the wallpaper is not keyed yet.
            RECT source = {0, 0, width, height};
            RECT screen = {0, 0, displayWidth, displayHeight};
            lastResult =
                overlaySurface->UpdateOverlay(&source, primarySurface, &screen, DDOVER_SHOW | DDOVER_KEYDEST, nullptr);
            overlay = SUCCEEDED(lastResult);
        }
        if (!overlay) {
            const Surfaces desktop = EnterDesktopBackground(rgbFormat);
            if (desktop != Surfaces::kReady) return desktop;
        }
    }
    if (!desktop.backgroundOnDesktop) StopDesktopLayer();

    CreateComposeSurface();
    if (composeSurface == nullptr) return Surfaces::kFailed;

    AllocateFrameBuffers(width, height);
    if (frameBuffer == nullptr || previousFrame == nullptr) {
        FreeFrameBuffers();
        ReportError("Video::AllocateSurfaces, Error allocating frame buffers", 1);
        return Surfaces::kFailed;
    }
    frameBuffersAllocated = 1;
    return Surfaces::kReady;
}

bool Video::CreateOverlay() {
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
            return true;
        }
        overlaySurface = nullptr;
    }
    // Not fatal: Background falls back to Windowed.
    return false;
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
    if (desktop.clipper != nullptr) {
        desktop.clipper->Release();
        desktop.clipper = nullptr;
    }
    desktop.backgroundOnDesktop = 0;
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

bool Video::RestoreSurfaces() {
    const bool restored = (!composeSurfaceOwned || RestoreIfLost(composeSurface, &lastResult)) &&
                          (!primarySurfaceAllocated || RestoreIfLost(primarySurface, &lastResult)) &&
                          (!overlaySurfaceAllocated || RestoreIfLost(overlaySurface, &lastResult));
    if (!restored) NoteDisplayLost();
    return restored;
}

void Video::Flip(bool present) {
    if (primarySurface == nullptr || composeSurface == nullptr) return;
    SwapFrameBuffers();
    if (present && !loss.displayLost && window != nullptr && RestoreSurfaces()) PresentFrame();
    // After the blit and any wait for the display: the player sleeps what is
    // left of this frame.
    HandBackDelay();
}

void Video::PresentFrame() {
    RECT source = {0, 0, width, height};  // without the spare column

    // Blits wait for a busy card rather than fail. In Full Screen the driver
    // schedules the blit so that a frame is not shown half old, half new.
    if (displayMode == kFullScreen) {
        DDBLTFX effects;
        memset(&effects, 0, sizeof effects);
        effects.dwSize = sizeof effects;
        effects.dwDDFX = DDBLTFX_NOTEARING;
        lastResult = primarySurface->Blt(nullptr, composeSurface, &source, DDBLT_WAIT | DDBLT_DDFX, &effects);
    } else if (displayMode == kWindowed) {
        if (!WindowedBlit(window, &windowRect, &source)) return;
        lastResult = primarySurface->Blt(&windowRect, composeSurface, &source, DDBLT_WAIT, nullptr);
    } else if (desktop.backgroundOnDesktop) {
        if (!PresentOnDesktop(source)) return;
    } else {
        if (composeSurfaceOwned) overlaySurface->Blt(nullptr, composeSurface, &source, DDBLT_WAIT, nullptr);
        RECT screen = {0, 0, displayWidth, displayHeight};
        lastResult = overlaySurface->UpdateOverlay(&source, primarySurface, &screen, DDOVER_SHOW | DDOVER_KEYDEST, nullptr);
    }
    if (DisplayTaken(lastResult)) {
        // A lost surface is restored by the next frame; a mode that is not
        // ours any more needs the display rebuilt.
        if (lastResult != DDERR_SURFACELOST) NoteDisplayLost();
        return;
    }
    // Still busy after waiting: this frame is skipped, the next one tries again.
    if (lastResult == DDERR_WASSTILLDRAWING) return;
    if (FAILED(lastResult)) {
        // The window went with the player's during the blit (on its own
        // thread): a stop, not an error, and a box nobody answers would hold
        // the player's exit. Being hidden for that is no error either.
        if (WindowGone() || (displayMode == kWindowed && !IsWindowVisible(window))) return;
        ReportDirectDrawError("Video::Flip(), Error blitting backbuffer", lastResult, 1);
        return;
    }

    if (wallpaperPending) {
        InstallWallpaper();
        wallpaperPending = 0;
    }
}
