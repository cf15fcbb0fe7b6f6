#pragma once
// The progress line of a long render on a terminal: frames done, speed as a
// multiple of real time, time left.
#include <chrono>
#include <cstdint>
#include <string>

// e.g. "[#########-----------]   120/900 frames  2.5x real time  0:31 left".
// Speed and time left show "--" until a frame has been timed.
std::string FormatProgress(int64_t done, int64_t total, double elapsedSeconds, double fps);
// The last line of a render, e.g.
// "300 frames (0:10) in 4.1 s, 2.5x real time, 5.1 MB".
std::string FormatSummary(int64_t frames, double fps, double elapsedSeconds, int64_t bytes);
// 75 -> "1:15", 3725 -> "1:02:05".
std::string FormatDuration(double seconds);

// How progress shows: a bar on a terminal, a plain line every few seconds
// in a log, or a line a second for a program (--progress).
enum class ProgressStyle { kNone, kBar, kLines, kMachine };
ProgressStyle ChooseProgressStyle(bool quiet, bool machine);

// e.g. "progress done=120 total=900 elapsed=4.1 left=26.7" (left -1: unknown).
std::string FormatMachineProgress(int64_t done, int64_t total, double elapsedSeconds);

class ProgressBar {
public:
    ProgressBar(ProgressStyle style, int64_t total, double fps);
    // Redraws at most ten times a second.
    void Update(int64_t done);
    // The last state, and a new line so later output starts clean.
    void Finish(int64_t done);
    // Whether the bar owns the terminal.
    bool Enabled() const { return style == ProgressStyle::kBar; }

private:
    using Clock = std::chrono::steady_clock;
    double Elapsed() const;
    void Draw(int64_t done, bool last);
    ProgressStyle style;
    int64_t total;
    double fps;
    Clock::time_point start = Clock::now();
    Clock::time_point lastDraw{};
};
