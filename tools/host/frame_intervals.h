#pragma once
// How the player paces frames and what it saw of their rhythm: the Sleep of a
// Windows process at the default timer, and the spread of the intervals
// between the starts of Render.
#include <cstdint>
#include <vector>

int64_t NowMicroseconds();

// Sleeps `ms` as Sleep does on a 15.625 ms system tick: until the first tick
// at or after the time asked for; 0 returns at once.
void CoarseSleep(int ms);

class FrameIntervals {
public:
    explicit FrameIntervals(int frames) { starts.reserve(frames > 0 ? static_cast<size_t>(frames) : 0); }
    void Start(int64_t microseconds) { starts.push_back(microseconds); }
    // "intervals N mean M ms, within 4 ms of the mean P %, shortest S ms,
    // longest L ms", over the intervals after the first frame (its display set-up).
    void Summary(char* line, int bytes) const;

private:
    std::vector<int64_t> starts;
};
