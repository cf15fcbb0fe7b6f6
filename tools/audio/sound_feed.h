#pragma once
// Turns captured sound into what a player hands the plug-in each frame: the
// analyzer over the newest samples, or silence when no new sound has come
// for a moment (a stopped source or a dead server must not leave the
// picture dancing to its last notes).
#include <cstddef>
#include <cstdint>

#include "audio/analyzer.h"
#include "audio/sound_ring.h"

namespace audio {

// Sound older than this counts as gone.
constexpr uint32_t kStaleMs = 250;

class SoundFeed {
public:
    // nowMs is any millisecond clock. Fills the player's 2 x 576 bytes.
    void Next(const SoundRing& ring, uint32_t nowMs, unsigned char spectrum[2][576], unsigned char waveform[2][576]);
    // Milliseconds since sound last arrived.
    uint32_t QuietFor(uint32_t nowMs) const { return nowMs - lastArrival; }

private:
    Analyzer analyzer;
    int16_t newest[2 * kFftSize] = {};
    uint64_t seenTotal = 0;
    uint32_t lastArrival = 0;
    bool started = false;
};

}  // namespace audio
