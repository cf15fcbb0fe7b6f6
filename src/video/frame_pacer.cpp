#include "video/frame_pacer.h"

int ValidMaxFrameRate(int stored) {
    if (stored < 0) return kDefaultMaxFrameRate;
    if (stored == 0) return 0;
    if (stored < kLowestMaxFrameRate) return kLowestMaxFrameRate;
    return stored > kHighestMaxFrameRate ? kHighestMaxFrameRate : stored;
}

void FramePacer::SetMaxFrameRate(int framesPerSecond) {
    const int rate = ValidMaxFrameRate(framesPerSecond);
    // Rounded up, so the rate never exceeds the cap.
    period = rate > 0 ? (1000000 + rate - 1) / rate : 0;
    started = false;
}

int64_t FramePacer::EarlyBy(int64_t now) const {
    if (period == 0 || !started || now >= due) return 0;
    const int64_t early = due - now;
    return early < period ? early : period;
}

void FramePacer::BeginFrame(int64_t now) {
    if (period == 0) return;
    // A clock that seems to have gone back counts as a fresh start too.
    if (!started || now - due >= period || due - now > period) due = now;
    due += period;
    started = true;
}

int FramePacer::DelayMs(int64_t now, int minimumMs) const {
    int64_t wait = period == 0 || !started || now >= due ? 0 : (due - now) / 1000;
    if (wait > period / 1000) wait = period / 1000;
    return wait > minimumMs ? static_cast<int>(wait) : minimumMs;
}
