#include "sound_status.h"

#include <cstdio>

bool SoundStatusLine(const CaptureStatus& s, uint32_t quietMs, char* out, size_t size) {
    switch (s.state) {
        case CaptureState::kConnecting:
            snprintf(out, size, "Connecting to the sound server...");
            return true;
        case CaptureState::kNoServer:
            snprintf(out, size, "No sound server (%s): trying again every second", s.error);
            return true;
        case CaptureState::kNoSource:
            snprintf(out, size, "Cannot record %s (%s): trying again every second", s.source, s.error);
            return true;
        case CaptureState::kCapturing:
            if (quietMs < kQuietLineMs) return false;
            snprintf(out, size, "No sound comes from %s", s.source);
            return true;
    }
    return false;
}
