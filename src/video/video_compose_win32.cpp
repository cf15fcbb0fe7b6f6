// Compose: the 32-bit frame into the compose surface, in the display's format.
#include <cstring>

#include "overlay/error_report_win32.h"
#include "pixels/compose.h"
#include "video/video.h"

bool Video::Compose() {
    if (composeSurface == nullptr || frameBuffer == nullptr || loss.displayLost) return false;
    DDSURFACEDESC2 desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    if (!RestoreSurfaces()) return false;
    lastResult = composeSurface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    // Busy or lost: this frame is skipped, and nothing was locked to unlock.
    if (lastResult == DDERR_WASSTILLDRAWING || lastResult == DDERR_SURFACEBUSY || lastResult == DDERR_SURFACELOST)
        return false;
    if (FAILED(lastResult)) {
        ReportDirectDrawError("Video::Compose, failed to lock compose surface", lastResult, 1);
        return false;
    }
    const ComposeJob job = {frameBuffer, width, height, static_cast<uint8_t*>(desc.lpSurface),
                            static_cast<int>(desc.lPitch & ~1L), composeFormat};
    ComposeFrame(job);
    lastResult = composeSurface->Unlock(nullptr);
    if (FAILED(lastResult)) {
        ReportDirectDrawError("Video::Compose, failed to unlock compose surface", lastResult, 1);
        return false;
    }
    return true;
}
