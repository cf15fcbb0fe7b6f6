#include "audio/sound_ring.h"

#include <algorithm>
#include <cstring>

void SoundRing::Append(const int16_t* interleaved, size_t frames) {
    std::lock_guard<std::mutex> hold(lock);
    total += frames;
    if (frames > kFrames) {
        interleaved += 2 * (frames - kFrames);
        frames = kFrames;
    }
    while (frames > 0) {
        const size_t run = std::min(frames, kFrames - next);
        memcpy(samples + 2 * next, interleaved, run * 2 * sizeof(int16_t));
        next = (next + run) % kFrames;
        interleaved += 2 * run;
        frames -= run;
    }
}

void SoundRing::CopyNewest(int16_t* out, size_t frames) const {
    std::lock_guard<std::mutex> hold(lock);
    frames = std::min(frames, kFrames);
    size_t from = (next + kFrames - frames) % kFrames;
    while (frames > 0) {
        const size_t run = std::min(frames, kFrames - from);
        memcpy(out, samples + 2 * from, run * 2 * sizeof(int16_t));
        from = (from + run) % kFrames;
        out += 2 * run;
        frames -= run;
    }
}

uint64_t SoundRing::Total() const {
    std::lock_guard<std::mutex> hold(lock);
    return total;
}

void SoundRing::Clear() {
    std::lock_guard<std::mutex> hold(lock);
    memset(samples, 0, sizeof samples);
    next = 0;
    total = 0;
}
