#pragma once
// The frame-rate cap: when the next frame is due and how long the player
// should sleep until then. Times are microseconds of any steady clock; the DLL
// reads QueryPerformanceCounter and sleeps (frame_clock_win32.cpp), tests use a
// fake clock.
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
    int64_t Period() const { return period; }  // 0 without a cap

    // How long a frame about to begin at `now` is early: 0 when it is due or
    // nothing is capped, never more than one period.
    int64_t EarlyBy(int64_t now) const;
    // A frame begins at `now`. The next is due one period after this one was
    // due, so a frame the player began late is made up by the next ones; a
    // frame more than a period late starts the schedule afresh instead of
    // letting a burst of frames follow.
    void BeginFrame(int64_t now);
    // Whole milliseconds from `now` to the next frame, at least minimumMs: the
    // pause the player takes through delayMs.
    int DelayMs(int64_t now, int minimumMs) const;

private:
    int64_t period = 0;
    int64_t due = 0;
    bool started = false;
};
