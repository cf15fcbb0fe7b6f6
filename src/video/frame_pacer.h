#pragma once
// The frame-rate cap: when the next frame is due. Times are microseconds of
// any steady clock; the DLL reads QueryPerformanceCounter and waits on a
// high-resolution timer itself (frame_clock_win32.cpp), tests use a fake clock.
#include <cstdint>

constexpr int kDefaultMaxFrameRate = 60;
constexpr int kLowestMaxFrameRate = 10;
constexpr int kHighestMaxFrameRate = 240;

// What a stored Max_Frame_Rate means: 0 stays 0 (no cap), 1..9 become 10,
// above 240 become 240, and a negative value is the default.
int ValidMaxFrameRate(int stored);

class FramePacer {
public:
    FramePacer() { SetMaxFrameRate(kDefaultMaxFrameRate); }
    // 0 turns the cap off; the schedule starts afresh with the next frame.
    void SetMaxFrameRate(int framesPerSecond);
    // The display's refresh in hertz (0: unknown). Under a cap the rate is
    // the refresh divided by the whole number that brings it nearest the
    // cap, so every frame stays on screen for as many refreshes as the next.
    void FollowRefresh(int hertz);
    int64_t Period() const { return period; }  // 0 without a cap

    // How long a frame about to begin at `now` is early: 0 when it is due or
    // nothing is capped, never more than one period.
    int64_t EarlyBy(int64_t now) const;
    // A frame begins at `now`. The next is due one period after this one was
    // due, which keeps the rate exact over small wake-up errors; a frame later
    // than that starts the schedule afresh, so it is never followed by a
    // short one.
    void BeginFrame(int64_t now);

private:
    void Schedule();

    int cap = kDefaultMaxFrameRate;
    int refreshHertz = 0;
    int64_t period = 0;
    int64_t due = 0;
    bool started = false;
};
