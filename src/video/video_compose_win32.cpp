// Compose: the 32-bit frame into the compose surface, in the display's format.
#include <cstring>

#include "video/compose.h"
#include "video/error_report_win32.h"
#include "video/video.h"

void Video::Compose() {
    if (composeSurface == nullptr || frameBuffer == nullptr) return;
    DDSURFACEDESC2 desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    RestoreSurfaces();
    lastResult = composeSurface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (FAILED(lastResult)) {
        // The report returns only for a busy surface: that frame keeps what the
        // surface held, and nothing was locked to unlock.
        ReportDirectDrawError("Video::Compose, failed to lock compose surface", lastResult, 1);
        return;
    }
    const ComposeJob job = {frameBuffer, width, height, static_cast<uint8_t*>(desc.lpSurface),
                            static_cast<int>(desc.lPitch & ~1L), composeFormat};
    ComposeFrame(job);
    lastResult = composeSurface->Unlock(nullptr);
    if (FAILED(lastResult)) ReportDirectDrawError("Video::Compose, failed to unlock compose surface", lastResult, 1);
}
