// The frame-rate cap on Windows: the clock is QueryPerformanceCounter, and
// Render waits itself on a high-resolution waitable timer (Windows 10 1803
// and later). Elsewhere the timer is an ordinary one and the system timer
// runs at 1 ms from Init to Quit: a Sleep of the player's, at Windows'
// default 15.6 ms tick, would snap frame starts to those ticks. The player is
// handed no pause of its own beyond Use_Delay's.
#include <windows.h>
#include <mmsystem.h>

#include "video/frame_pacer.h"
#include "video/video.h"

namespace {

constexpr int kSlowDownMs = 5;  // Use_Delay's pause in Windowed and Background
// Absent from older headers.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

int64_t NowMicroseconds() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Whole seconds and the remainder apart: no overflow for centuries of uptime.
    const int64_t ticks = now.QuadPart, perSecond = frequency.QuadPart;
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

using CreateTimerEx = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);

HANDLE CreateHighResolutionTimer() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto create = reinterpret_cast<CreateTimerEx>(
        reinterpret_cast<void*>(kernel != nullptr ? GetProcAddress(kernel, "CreateWaitableTimerExW") : nullptr));
    if (create == nullptr) return nullptr;
    return create(nullptr, nullptr, kHighResolutionTimer, TIMER_MODIFY_STATE | SYNCHRONIZE);
}

}  // namespace

void Video::OpenFrameTimer() {
    frameTimer.timer = CreateHighResolutionTimer();
    if (frameTimer.timer != nullptr) return;
    frameTimer.fineSystemTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
    frameTimer.timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
}

void Video::CloseFrameTimer() {
    if (frameTimer.timer != nullptr) CloseHandle(frameTimer.timer);
    frameTimer.timer = nullptr;
    if (frameTimer.fineSystemTimer) timeEndPeriod(1);
    frameTimer.fineSystemTimer = false;
}

void Video::SetMaxFrameRate(int stored) {
    maxFrameRate = ValidMaxFrameRate(stored);
    pacer.SetMaxFrameRate(maxFrameRate);
}

void Video::FollowDisplayRefresh() {
    // The refresh of the monitor the window is on, in the mode it is in now.
    MONITORINFOEXA info;
    info.cbSize = sizeof info;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    const HMONITOR screen = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    const bool known = GetMonitorInfoA(screen, &info) && EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode);
    pacer.FollowRefresh(known ? static_cast<int>(mode.dmDisplayFrequency) : 0);
}

void Video::WaitForFrame() {
    const int64_t early = pacer.EarlyBy(NowMicroseconds());
    if (early > 0) {
        bool waited = false;
        if (frameTimer.timer != nullptr) {
            LARGE_INTEGER due;
            due.QuadPart = -early * 10;  // relative, in 100 ns
            // Never longer than a period and a little: a timer that does
            // not fire must not hold the player.
            waited = SetWaitableTimer(frameTimer.timer, &due, 0, nullptr, nullptr, FALSE) &&
                     WaitForSingleObject(frameTimer.timer, static_cast<DWORD>(early / 1000 + 20)) == WAIT_OBJECT_0;
        }
        if (!waited && early >= 1000) Sleep(static_cast<DWORD>(early / 1000));
    }
    pacer.BeginFrame(NowMicroseconds());
}

void Video::HandBackDelay() {
    if (delayMsRef == nullptr) return;
    *delayMsRef = displayMode != kFullScreen && useDelay ? kSlowDownMs : 0;
}
