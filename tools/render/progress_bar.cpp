#include "progress_bar.h"

#include <cmath>
#include <cstdio>

#include <unistd.h>

std::string FormatDuration(double seconds) {
    const int64_t s = seconds > 0.0 ? static_cast<int64_t>(seconds + 0.5) : 0;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                      static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    else
        std::snprintf(text, sizeof(text), "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
    return text;
}

std::string FormatProgress(int64_t done, int64_t total, double elapsedSeconds, double fps) {
    constexpr int kBar = 20;
    if (total < 1) total = 1;
    if (done > total) done = total;
    if (done < 0) done = 0;
    std::string bar = "[";
    const int filled = static_cast<int>(done * kBar / total);
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBar - filled), '-');
    bar += "]";
    const int digits = static_cast<int>(std::to_string(total).size());
    char text[160];
    if (done == 0 || !(elapsedSeconds > 0.0) || !(fps > 0.0)) {
        std::snprintf(text, sizeof(text), "%s %*lld/%lld frames  --x real time  -- left", bar.c_str(), digits,
                      static_cast<long long>(done), static_cast<long long>(total));
        return text;
    }
    const double speed = (static_cast<double>(done) / fps) / elapsedSeconds;
    const double left = static_cast<double>(total - done) * elapsedSeconds / static_cast<double>(done);
    std::snprintf(text, sizeof(text), "%s %*lld/%lld frames  %.1fx real time  %s left", bar.c_str(), digits,
                  static_cast<long long>(done), static_cast<long long>(total), speed, FormatDuration(left).c_str());
    return text;
}

std::string FormatSummary(int64_t frames, double fps, double elapsedSeconds, int64_t bytes) {
    const double length = static_cast<double>(frames) / fps;
    char speed[32] = "--x";
    if (elapsedSeconds > 0.0) std::snprintf(speed, sizeof(speed), "%.1fx", length / elapsedSeconds);
    char size[32];
    if (bytes >= 1000000)
        std::snprintf(size, sizeof(size), "%.1f MB", static_cast<double>(bytes) / 1e6);
    else
        std::snprintf(size, sizeof(size), "%.1f kB", static_cast<double>(bytes) / 1e3);
    char took[32];
    if (elapsedSeconds < 59.95)
        std::snprintf(took, sizeof(took), "%.1f s", elapsedSeconds > 0.0 ? elapsedSeconds : 0.0);
    else
        std::snprintf(took, sizeof(took), "%s", FormatDuration(elapsedSeconds).c_str());
    char text[160];
    std::snprintf(text, sizeof(text), "%lld frames (%s) in %s, %s real time, %s", static_cast<long long>(frames),
                  FormatDuration(length).c_str(), took, speed, size);
    return text;
}

ProgressStyle ChooseProgressStyle(bool quiet, bool machine) {
    if (machine) return ProgressStyle::kMachine;
    if (quiet) return ProgressStyle::kNone;
    return isatty(STDERR_FILENO) ? ProgressStyle::kBar : ProgressStyle::kLines;
}

std::string FormatMachineProgress(int64_t done, int64_t total, double elapsed) {
    const double left = done > 0 && total >= done ? elapsed * static_cast<double>(total - done) / static_cast<double>(done)
                                                   : -1.0;
    char text[160];
    std::snprintf(text, sizeof(text), "progress done=%lld total=%lld elapsed=%.1f left=%.1f",
                  static_cast<long long>(done), static_cast<long long>(total), elapsed, left);
    return text;
}

ProgressBar::ProgressBar(ProgressStyle how, int64_t frames, double framesPerSecond)
    : style(how), total(frames), fps(framesPerSecond) {}

double ProgressBar::Elapsed() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

void ProgressBar::Draw(int64_t done, bool last) {
    if (style == ProgressStyle::kBar) {
        std::fprintf(stderr, "\r%s\033[K%s", FormatProgress(done, total, Elapsed(), fps).c_str(), last ? "\n" : "");
        std::fflush(stderr);
    } else if (style == ProgressStyle::kLines && !last) {
        std::fprintf(stderr, "velune-render: %s\n", FormatProgress(done, total, Elapsed(), fps).c_str());
        std::fflush(stderr);
    } else if (style == ProgressStyle::kMachine) {
        std::printf("%s\n", FormatMachineProgress(done, last ? done : total, Elapsed()).c_str());
        std::fflush(stdout);
    }
}

void ProgressBar::Update(int64_t done) {
    if (style == ProgressStyle::kNone) return;
    const Clock::time_point now = Clock::now();
    const auto every = style == ProgressStyle::kBar     ? std::chrono::milliseconds(100)
                       : style == ProgressStyle::kLines ? std::chrono::milliseconds(5000)
                                                        : std::chrono::milliseconds(1000);
    if (lastDraw == Clock::time_point{}) lastDraw = now;  // the first line after a while, not at once
    if (now - lastDraw < every) return;
    lastDraw = now;
    Draw(done, false);
}

void ProgressBar::Finish(int64_t done) {
    if (style != ProgressStyle::kNone) Draw(done, true);
}
