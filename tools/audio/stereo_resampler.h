#pragma once
// Sound as a system mixer delivers it (any rate, any channel count, 16-, 24-
// or 32-bit integers or 32-bit floats, interleaved) made into the 44.1 kHz
// 16-bit stereo the analyzer reads, appended to a SoundRing. The first two
// channels are left and right; a single channel feeds both. Linear
// interpolation: the spectrum's bars only reach 12.4 kHz.
#include <cstddef>
#include <cstdint>

#include "audio/sound_ring.h"

namespace audio {

enum class SampleKind { kInt16, kInt24, kInt32, kFloat32 };

class StereoResampler {
public:
    // Starts afresh for a new source format; false for one it cannot read.
    bool SetInput(int rate, int channels, SampleKind kind);
    void Process(const void* data, size_t frames, SoundRing* ring);
    // frames of silence, as a source that says it has nothing to play.
    void ProcessSilence(size_t frames, SoundRing* ring);

private:
    void Push(float left, float right, SoundRing* ring);
    void Flush(SoundRing* ring);

    int channels = 2;
    SampleKind kind = SampleKind::kInt16;
    double step = 1.0;   // input frames per output frame
    double phase = 0.0;  // where the next output falls after `previous`
    float previous[2] = {};
    int16_t out[2 * 512] = {};
    size_t outFrames = 0;
};

}  // namespace audio
