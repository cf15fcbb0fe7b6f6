#pragma once
// A small deterministic synthesizer for test audio: kick-like beats, sine
// sweeps, steady tones, silence, each placed anywhere between the left and
// right speaker, and whole "songs" built from them. The same seed always gives
// the same samples, on every build.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/pcm.h"

namespace audio {

// Pan: -1 = left speaker only, 0 = centre, +1 = right speaker only.
// Amplitude: 1.0 = full scale (32767).

void AppendSilence(Pcm& pcm, double seconds);
void AppendTone(Pcm& pcm, double seconds, double hz, double amplitude, double pan);
// Exponential sweep from startHz to endHz.
void AppendSweep(Pcm& pcm, double seconds, double startHz, double endHz, double amplitude, double pan);
// Thumps at a tempo: a sine that drops from 150 Hz to 45 Hz and dies away in a
// tenth of a second, with a soft noise hat on the off-beats.
void AppendBeats(Pcm& pcm, double seconds, double bpm, double amplitude, double pan, uint32_t seed);
// A tone that glides from one speaker to the other and back, once per period.
void AppendPanningTone(Pcm& pcm, double seconds, double hz, double amplitude, double periodSeconds);

// Sums src into dst from the given frame on, saturating; grows dst if needed.
void MixInto(Pcm& dst, const Pcm& src, size_t atFrame);

struct Track {
    std::string title;
    Pcm pcm;
};

// A song of the given length: beats over a bass tone with sweeps and a
// panning lead; the variant changes tempo and key so two songs differ.
Pcm MakeSong(int variant, double seconds, uint32_t seed);
// A playlist of count songs, titled "Velune Test Song 1", "... 2", ...
std::vector<Track> MakeTrackList(int count, double secondsEach, uint32_t seed);

// A tiny deterministic noise source (never the engine's Random, whose
// sequence the tests control).
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {}
    // Uniform in -1..1.
    double Next();

private:
    uint32_t state;
};

}  // namespace audio
