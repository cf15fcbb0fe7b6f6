#pragma once
// Where a playlist stands at a given time: the songs play one after another,
// each at its own sample rate, and stay silent after the last one ends (the
// position then keeps growing, so nothing looks like a new song).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/synth.h"

struct PlaylistPoint {
    int track = 0;
    size_t sample = 0;  // sample frame within that track
};

class PlaylistClock {
public:
    explicit PlaylistClock(const std::vector<audio::Track>& tracks);

    // The point reached after `frame` frames at `fps` frames per second.
    // Computed from the frame number, never accumulated, so it cannot drift.
    PlaylistPoint AtFrame(int64_t frame, double fps) const;
    double SecondsOf(int track) const { return seconds[static_cast<size_t>(track)]; }
    double TotalSeconds() const { return total; }
    // Video frames that show every song to its end.
    int64_t FramesToCover(double fps) const;

private:
    std::vector<size_t> sampleCounts;
    std::vector<int> rates;
    std::vector<double> seconds;
    double total = 0.0;
};
