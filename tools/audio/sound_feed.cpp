#include "audio/sound_feed.h"

#include <cstring>

namespace audio {

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
    ring.CopyNewest(newest, kFftSize);
    analyzer.Analyze(newest, kFftSize, 0, spectrum, waveform);
}

}  // namespace audio
