#pragma once
// Interleaved 16-bit stereo PCM, the one audio format the test tools pass around.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

constexpr int kSampleRate = 44100;

struct Pcm {
    int sampleRate = kSampleRate;
    std::vector<int16_t> samples;  // left, right, left, right, ...

    size_t Frames() const { return samples.size() / 2; }
    int16_t Left(size_t frame) const { return samples[2 * frame]; }
    int16_t Right(size_t frame) const { return samples[2 * frame + 1]; }
    // Frame index reached after the given time; used to map play positions.
    size_t FrameAtMs(int64_t ms) const {
        return ms <= 0 ? 0 : static_cast<size_t>(ms * sampleRate / 1000);
    }
    int64_t MsAtFrame(size_t frame) const {
        return static_cast<int64_t>(frame) * 1000 / (sampleRate > 0 ? sampleRate : 1);
    }
};

}  // namespace audio
