#pragma once
// What the player hands a visualization plug-in each frame, computed from PCM:
// 576 waveform bytes per channel (the top byte of each 16-bit sample, a signed
// 8-bit value) and 576 spectrum bars per channel (0..255, log magnitude).
#include <cstddef>
#include <cstdint>

#include "audio/pcm.h"

namespace audio {

constexpr int kVisSamples = 576;
constexpr int kFftSize = 2048;  // 21.5 Hz per bar; 576 bars reach 12.4 kHz

// A bar of 255 is a full-scale sine; each bar step below is this many dB.
constexpr double kSpectrumFloorDb = -72.0;

class Analyzer {
public:
    Analyzer();

    // Fills one frame from the samples starting at `frame`; samples beyond
    // the end of the audio count as silence. No allocation.
    void Analyze(const Pcm& pcm, size_t frame, unsigned char spectrum[2][576], unsigned char waveform[2][576]);
    // The same from raw interleaved stereo samples.
    void Analyze(const int16_t* interleaved, size_t frameCount, size_t frame, unsigned char spectrum[2][576],
                 unsigned char waveform[2][576]);

private:
    void SpectrumOf(const int16_t* interleaved, size_t frameCount, size_t frame, int channel, unsigned char* bars);

    double window[kFftSize];
    double windowSum = 0.0;
    double re[kFftSize];
    double im[kFftSize];
};

// The signed top byte of a sample, stored as the player stores it.
inline unsigned char WaveByte(int16_t sample) {
    return static_cast<unsigned char>(static_cast<uint16_t>(sample) >> 8);
}

// A bar value from a normalized magnitude (1.0 = full-scale sine).
unsigned char BarFromMagnitude(double magnitude);

}  // namespace audio
