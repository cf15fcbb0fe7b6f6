#include "frame_intervals.h"

#include <windows.h>

#include <cstdio>

namespace {
constexpr int64_t kSystemTick = 15625;  // microseconds: Windows' default timer
}  // namespace

int64_t NowMicroseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart / frequency.QuadPart * 1000000 + now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

void CoarseSleep(int ms) {
    if (ms <= 0) return;
    const int64_t asked = NowMicroseconds() + static_cast<int64_t>(ms) * 1000;
    const int64_t wake = (asked + kSystemTick - 1) / kSystemTick * kSystemTick;
    // This process holds a 1 ms timer (and Wine's Sleep is fine): the tick is
    // modelled on top of it.
    for (int64_t now = NowMicroseconds(); now < wake; now = NowMicroseconds())
        Sleep(wake - now > 2000 ? static_cast<DWORD>((wake - now) / 1000 - 1) : 0);
}

void FrameIntervals::Summary(char* line, int bytes) const {
    const size_t first = 1;
    const int count = starts.size() > first + 1 ? static_cast<int>(starts.size() - first - 1) : 0;
    if (count == 0) {
        std::snprintf(line, static_cast<size_t>(bytes), "intervals 0");
        return;
    }
    const double mean = static_cast<double>(starts.back() - starts[first]) / count;
    int within = 0;
    int64_t shortest = INT64_MAX, longest = 0;
    for (size_t i = first + 1; i < starts.size(); ++i) {
        const int64_t interval = starts[i] - starts[i - 1];
        if (interval >= mean - 4000 && interval <= mean + 4000) ++within;
        if (interval < shortest) shortest = interval;
        if (interval > longest) longest = interval;
    }
    std::snprintf(line, static_cast<size_t>(bytes),
                  "intervals %d mean %.2f ms, within 4 ms of the mean %.1f %%, shortest %.2f ms, longest %.2f ms", count,
                  mean / 1000, 100.0 * within / count, shortest / 1000.0, longest / 1000.0);
}
