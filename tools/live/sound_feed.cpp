#include "sound_feed.h"

#include <cstdio>
#include <cstring>

void SoundFeed::Next(const SoundRing& ring, uint32_t nowMs, unsigned char spectrum[2][576],
                     unsigned char waveform[2][576]) {
    const uint64_t total = ring.Total();
    if (!started || total != seenTotal) {
        started = true;
        seenTotal = total;
        lastArrival = nowMs;
    }
    if (QuietFor(nowMs) > kStaleMs) {
        memset(spectrum, 0, 2 * 576);
        memset(waveform, 0, 2 * 576);
        return;
    }
    ring.CopyNewest(newest, audio::kFftSize);
    analyzer.Analyze(newest, audio::kFftSize, 0, spectrum, waveform);
}

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
