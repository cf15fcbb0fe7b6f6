#include "audio/stereo_resampler.h"

#include <cstring>

#include "audio/pcm.h"

namespace audio {

namespace {

float Sample(const uint8_t* p, SampleKind kind) {
    switch (kind) {
        case SampleKind::kInt16: {
            int16_t v;
            memcpy(&v, p, 2);
            return v / 32768.0f;
        }
        case SampleKind::kInt24: {
            const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                                   static_cast<uint32_t>(p[2]) << 24);
            return static_cast<float>(v / 2147483648.0);
        }
        case SampleKind::kInt32: {
            int32_t v;
            memcpy(&v, p, 4);
            return static_cast<float>(v / 2147483648.0);
        }
        case SampleKind::kFloat32: {
            float v;
            memcpy(&v, p, 4);
            return v;
        }
    }
    return 0.0f;
}

int Bytes(SampleKind kind) { return kind == SampleKind::kInt16 ? 2 : kind == SampleKind::kInt24 ? 3 : 4; }

int16_t ToInt16(float v) {
    const float scaled = v * 32768.0f;
    if (!(scaled > -32768.0f)) return -32768;  // NaN too
    if (scaled > 32767.0f) return 32767;
    return static_cast<int16_t>(scaled);
}

}  // namespace

bool StereoResampler::SetInput(int rate, int channelCount, SampleKind sampleKind) {
    if (rate < 1000 || rate > 768000 || channelCount < 1 || channelCount > 32) return false;
    channels = channelCount;
    kind = sampleKind;
    step = static_cast<double>(rate) / kSampleRate;
    phase = 0.0;
    previous[0] = previous[1] = 0.0f;
    outFrames = 0;
    return true;
}

void StereoResampler::Push(float left, float right, SoundRing* ring) {
    // Outputs between the previous input frame and this one.
    while (phase < 1.0) {
        const float t = static_cast<float>(phase);
        out[2 * outFrames] = ToInt16(previous[0] + (left - previous[0]) * t);
        out[2 * outFrames + 1] = ToInt16(previous[1] + (right - previous[1]) * t);
        if (++outFrames == sizeof out / sizeof out[0] / 2) Flush(ring);
        phase += step;
    }
    phase -= 1.0;
    previous[0] = left;
    previous[1] = right;
}

void StereoResampler::Flush(SoundRing* ring) {
    if (outFrames > 0) ring->Append(out, outFrames);
    outFrames = 0;
}

void StereoResampler::Process(const void* data, size_t frames, SoundRing* ring) {
    const auto* p = static_cast<const uint8_t*>(data);
    const size_t sample = static_cast<size_t>(Bytes(kind));
    const size_t frameBytes = sample * static_cast<size_t>(channels);
    for (size_t i = 0; i < frames; ++i, p += frameBytes) {
        const float left = Sample(p, kind);
        Push(left, channels > 1 ? Sample(p + sample, kind) : left, ring);
    }
    Flush(ring);
}

void StereoResampler::ProcessSilence(size_t frames, SoundRing* ring) {
    for (size_t i = 0; i < frames; ++i) Push(0.0f, 0.0f, ring);
    Flush(ring);
}

}  // namespace audio
