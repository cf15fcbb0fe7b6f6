#pragma once
// The last moments of captured sound: the capture thread appends interleaved
// 16-bit stereo, the frame loop copies out the newest frames. Fixed size, so
// neither side allocates after construction.
#include <cstddef>
#include <cstdint>
#include <mutex>

class SoundRing {
public:
    static constexpr size_t kFrames = 8192;

    // Appends frames (left, right pairs); older ones fall out.
    void Append(const int16_t* interleaved, size_t frames);
    // The newest `frames` frames, oldest first; zeros where nothing was
    // captured yet. frames is at most kFrames.
    void CopyNewest(int16_t* interleaved, size_t frames) const;
    // Frames appended since construction (or Clear).
    uint64_t Total() const;
    void Clear();

private:
    mutable std::mutex lock;
    int16_t samples[2 * kFrames] = {};
    size_t next = 0;  // frame index the next Append writes
    uint64_t total = 0;
};
