// The frame-rate cap on Windows: the clock is QueryPerformanceCounter, the
// waits are Sleep. The player is asked to sleep through delayMs; Render
// itself only sleeps what a player that ignores delayMs did not.
#include <windows.h>
#include <mmsystem.h>

#include "video/frame_pacer.h"
#include "video/video.h"

namespace {

constexpr int kSlowDownMs = 5;  // Use_Delay's pause in Windowed and Background

int64_t NowMicroseconds() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Whole seconds and the remainder apart: no overflow for centuries of uptime.
    const int64_t ticks = now.QuadPart, perSecond = frequency.QuadPart;
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

}  // namespace

void Video::SetMaxFrameRate(int stored) {
    maxFrameRate = ValidMaxFrameRate(stored);
    pacer.SetMaxFrameRate(maxFrameRate);
}

void Video::WaitForFrame() {
    const int64_t early = pacer.EarlyBy(NowMicroseconds());
    // Under a millisecond is left alone: the schedule is absolute, so a frame
    // begun that early leaves the rate as it is, and spinning would cost CPU.
    if (early >= 1000) {
        // A 1 ms timer for this sleep only: the player's own resolution is
        // back before Render returns.
        const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
        Sleep(static_cast<DWORD>(early / 1000));
        if (fineTimer) timeEndPeriod(1);
    }
    pacer.BeginFrame(NowMicroseconds());
}

void Video::WaitForVerticalBlank() {
    // Only under the cap: without one the user asked for every frame the
    // machine can make. The wait is part of the frame, so the pause handed
    // to the player afterwards is shorter by as much.
    if (pacer.Period() == 0 || directDraw == nullptr) return;
    // A cap above the display's refresh would make every frame wait up to a
    // whole refresh: then the cap alone paces, torn or not. An unknown
    // refresh is not waited for either.
    DWORD hertz = 0;
    if (FAILED(directDraw->GetMonitorFrequency(&hertz)) || hertz == 0) return;
    if (pacer.Period() * 20 < 19 * (1000000 / static_cast<int64_t>(hertz))) return;
    directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

void Video::HandBackDelay() {
    if (delayMsRef == nullptr) return;
    const int minimum = displayMode != kFullScreen && useDelay ? kSlowDownMs : 0;
    *delayMsRef = pacer.DelayMs(NowMicroseconds(), minimum);
}
