#include "audio/synth.h"

#include <cmath>

#include "transform/fast_trig.h"

namespace audio {

namespace {

constexpr double kTwoPi = 6.283185307179586;

int16_t Clamp16(double v) {
    // NaN and out-of-range values never reach the int conversion.
    if (std::isnan(v)) return 0;
    if (v < -32768.0) return -32768;
    if (v > 32767.0) return 32767;
    return static_cast<int16_t>(std::lround(v));
}

// Linear pan law with the far speaker reaching exactly zero at the ends.
void PanGains(double pan, double* left, double* right) {
    if (pan < -1.0) pan = -1.0;
    if (pan > 1.0) pan = 1.0;
    *left = pan > 0.0 ? 1.0 - pan : 1.0;
    *right = pan < 0.0 ? 1.0 + pan : 1.0;
}

size_t FramesFor(double seconds) {
    if (!(seconds > 0.0)) return 0;
    return static_cast<size_t>(seconds * kSampleRate + 0.5);
}

void Push(Pcm& pcm, double value, double gainLeft, double gainRight) {
    pcm.samples.push_back(Clamp16(value * gainLeft * 32767.0));
    pcm.samples.push_back(Clamp16(value * gainRight * 32767.0));
}

}  // namespace

double Noise::Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483647.5 - 1.0;
}

void AppendSilence(Pcm& pcm, double seconds) { pcm.samples.resize(pcm.samples.size() + 2 * FramesFor(seconds), 0); }

void AppendTone(Pcm& pcm, double seconds, double hz, double amplitude, double pan) {
    double gl, gr;
    PanGains(pan, &gl, &gr);
    const size_t n = FramesFor(seconds);
    pcm.samples.reserve(pcm.samples.size() + 2 * n);
    for (size_t i = 0; i < n; ++i) Push(pcm, amplitude * fasttrig::Sin(kTwoPi * hz * i / kSampleRate), gl, gr);
}

void AppendSweep(Pcm& pcm, double seconds, double startHz, double endHz, double amplitude, double pan) {
    double gl, gr;
    PanGains(pan, &gl, &gr);
    const size_t n = FramesFor(seconds);
    if (n == 0 || !(startHz > 0.0) || !(endHz > 0.0)) return;
    pcm.samples.reserve(pcm.samples.size() + 2 * n);
    // Phase integral of an exponential frequency glide.
    const double duration = static_cast<double>(n) / kSampleRate;
    const double k = std::log(endHz / startHz) / duration;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double phase = k != 0.0 ? kTwoPi * startHz * (std::exp(k * t) - 1.0) / k : kTwoPi * startHz * t;
        Push(pcm, amplitude * fasttrig::Sin(phase), gl, gr);
    }
}

void AppendBeats(Pcm& pcm, double seconds, double bpm, double amplitude, double pan, uint32_t seed) {
    double gl, gr;
    PanGains(pan, &gl, &gr);
    const size_t n = FramesFor(seconds);
    if (!(bpm > 0.0)) bpm = 120.0;
    const size_t beatFrames = static_cast<size_t>(kSampleRate * 60.0 / bpm);
    if (beatFrames == 0) return;
    Noise noise(seed);
    pcm.samples.reserve(pcm.samples.size() + 2 * n);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const size_t inBeat = i % beatFrames;
        if (inBeat == 0) phase = 0.0;
        const double t = static_cast<double>(inBeat) / kSampleRate;
        const double hz = 45.0 + 105.0 * std::exp(-t * 30.0);
        phase += kTwoPi * hz / kSampleRate;
        double v = fasttrig::Sin(phase) * std::exp(-t * 10.0);
        // Hat half-way between the thumps.
        const double th = static_cast<double>((inBeat + beatFrames / 2) % beatFrames) / kSampleRate;
        v += 0.15 * noise.Next() * std::exp(-th * 60.0);
        Push(pcm, amplitude * v, gl, gr);
    }
}

void AppendPanningTone(Pcm& pcm, double seconds, double hz, double amplitude, double periodSeconds) {
    const size_t n = FramesFor(seconds);
    if (!(periodSeconds > 0.0)) periodSeconds = 1.0;
    pcm.samples.reserve(pcm.samples.size() + 2 * n);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double gl, gr;
        PanGains(-fasttrig::Cos(kTwoPi * t / periodSeconds), &gl, &gr);
        Push(pcm, amplitude * fasttrig::Sin(kTwoPi * hz * t), gl, gr);
    }
}

void MixInto(Pcm& dst, const Pcm& src, size_t atFrame) {
    const size_t needed = 2 * (atFrame + src.Frames());
    if (dst.samples.size() < needed) dst.samples.resize(needed, 0);
    for (size_t i = 0; i < src.samples.size(); ++i) {
        int16_t& d = dst.samples[2 * atFrame + i];
        d = Clamp16(static_cast<double>(d) + src.samples[i]);
    }
}

Pcm MakeSong(int variant, double seconds, uint32_t seed) {
    const double bpm = 112.0 + 16.0 * (variant % 3);
    const double root = 55.0 * std::pow(2.0, (variant % 5) / 12.0);
    Pcm song;
    AppendBeats(song, seconds, bpm, 0.75, 0.0, seed);

    Pcm bass;
    AppendTone(bass, seconds, root, 0.12, 0.0);
    MixInto(song, bass, 0);

    // A rising sweep every four beats, alternating sides.
    const double bar = 4.0 * 60.0 / bpm;
    int k = 0;
    for (double t = bar * 0.5; t + bar * 0.5 < seconds; t += bar, ++k) {
        Pcm sweep;
        AppendSweep(sweep, bar * 0.5, 200.0, 6000.0, 0.2, (k % 2 == 0) ? -0.6 : 0.6);
        // Rounded: t x 44100 lands on whole samples, where truncation would
        // follow the last bit of t (the x87 unit keeps more of it).
        MixInto(song, sweep, FramesFor(t));
    }

    Pcm lead;
    AppendPanningTone(lead, seconds, root * 8.0, 0.12, bar * 2.0);
    MixInto(song, lead, 0);
    song.samples.resize(2 * FramesFor(seconds), 0);
    return song;
}

std::vector<Track> MakeTrackList(int count, double secondsEach, uint32_t seed) {
    std::vector<Track> tracks;
    for (int i = 0; i < count; ++i) {
        Track t;
        t.title = "Velune Test Song " + std::to_string(i + 1);
        t.pcm = MakeSong(i, secondsEach, seed + static_cast<uint32_t>(i));
        tracks.push_back(std::move(t));
    }
    return tracks;
}

}  // namespace audio
