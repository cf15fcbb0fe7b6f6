#include "video/frame_pacer.h"

int ValidMaxFrameRate(int stored) {
    if (stored < 0) return kDefaultMaxFrameRate;
    if (stored == 0) return 0;
    if (stored < kLowestMaxFrameRate) return kLowestMaxFrameRate;
    return stored > kHighestMaxFrameRate ? kHighestMaxFrameRate : stored;
}

void FramePacer::SetMaxFrameRate(int framesPerSecond) {
    cap = ValidMaxFrameRate(framesPerSecond);
    Schedule();
}

void FramePacer::FollowRefresh(int hertz) {
    refreshHertz = hertz > 1 ? hertz : 0;  // 1 is "the hardware's default"
    Schedule();
}

void FramePacer::Schedule() {
    started = false;
    if (cap == 0) {
        period = 0;
        return;
    }
    if (refreshHertz == 0) {
        // Rounded up, so the rate never exceeds the cap.
        period = (1000000 + cap - 1) / cap;
        return;
    }
    // Drivers report 59.94 Hz as 59, 119.88 as 119: those refresh a little
    // faster than the whole number says.
    const bool fractional = (refreshHertz + 1) % 24 == 0 || (refreshHertz + 1) % 30 == 0;
    const int64_t millihertz = fractional ? (refreshHertz + 1) * 1000000LL / 1001 : refreshHertz * 1000LL;
    int64_t refreshes = (millihertz + cap * 500LL) / (cap * 1000LL);
    if (refreshes < 1) refreshes = 1;
    period = (refreshes * 1000000000LL + millihertz - 1) / millihertz;
}

int64_t FramePacer::EarlyBy(int64_t now) const {
    if (period == 0 || !started || now >= due) return 0;
    const int64_t early = due - now;
    return early < period ? early : period;
}

void FramePacer::BeginFrame(int64_t now) {
    if (period == 0) return;
    // Wake-ups land a little after the deadline; only these are made up.
    const int64_t slack = period / 8;
    // A clock that seems to have gone back counts as a fresh start too.
    if (!started || now - due > slack || due - now > period) due = now;
    due += period;
    started = true;
}
