#include "audio/analyzer.h"

#include <cmath>

#include "audio/fft.h"
#include "transform/fast_trig.h"

namespace audio {

Analyzer::Analyzer() {
    // Hann window; its sum normalizes a full-scale sine's peak to 1.0.
    for (int i = 0; i < kFftSize; ++i) {
        window[i] = 0.5 - 0.5 * fasttrig::Cos(6.283185307179586 * i / kFftSize);
        windowSum += window[i];
    }
}

unsigned char BarFromMagnitude(double magnitude) {
    if (!(magnitude > 1e-9)) return 0;  // also NaN
    const double db = 20.0 * std::log10(magnitude);
    const double bar = (db - kSpectrumFloorDb) * (255.0 / -kSpectrumFloorDb);
    if (!(bar > 0.0)) return 0;
    if (bar >= 255.0) return 255;
    return static_cast<unsigned char>(bar);
}

void Analyzer::Analyze(const Pcm& pcm, size_t frame, unsigned char spectrum[2][576],
                       unsigned char waveform[2][576]) {
    Analyze(pcm.samples.data(), pcm.Frames(), frame, spectrum, waveform);
}

void Analyzer::Analyze(const int16_t* interleaved, size_t frameCount, size_t frame,
                       unsigned char spectrum[2][576], unsigned char waveform[2][576]) {
    for (int i = 0; i < kVisSamples; ++i) {
        const size_t f = frame + static_cast<size_t>(i);
        const bool inside = f < frameCount && f >= frame;
        waveform[0][i] = inside ? WaveByte(interleaved[2 * f]) : 0;
        waveform[1][i] = inside ? WaveByte(interleaved[2 * f + 1]) : 0;
    }
    SpectrumOf(interleaved, frameCount, frame, 0, spectrum[0]);
    SpectrumOf(interleaved, frameCount, frame, 1, spectrum[1]);
}

void Analyzer::SpectrumOf(const int16_t* interleaved, size_t frameCount, size_t frame, int channel,
                          unsigned char* bars) {
    for (int i = 0; i < kFftSize; ++i) {
        const size_t f = frame + static_cast<size_t>(i);
        const double s = (f < frameCount && f >= frame) ? interleaved[2 * f + channel] / 32768.0 : 0.0;
        re[i] = s * window[i];
        im[i] = 0.0;
    }
    Fft(re, im, kFftSize);
    const double scale = 2.0 / windowSum;
    for (int k = 0; k < kVisSamples; ++k) bars[k] = BarFromMagnitude(std::sqrt(re[k] * re[k] + im[k] * im[k]) * scale);
}

}  // namespace audio
