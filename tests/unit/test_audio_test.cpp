// The generated test audio and the per-frame analysis that feeds the scene.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/analyzer.h"
#include "audio/fft.h"
#include "audio/synth.h"
#include "audio/wav_file.h"

namespace {

using audio::Pcm;

struct Frame {
    unsigned char spectrum[2][576];
    unsigned char waveform[2][576];
};

Frame AnalyzeAt(const Pcm& pcm, size_t at) {
    static audio::Analyzer analyzer;
    Frame f;
    std::memset(&f, 0xAB, sizeof(f));  // every byte must be written
    analyzer.Analyze(pcm, at, f.spectrum, f.waveform);
    return f;
}

int PeakBar(const unsigned char* bars) {
    int best = 0;
    for (int k = 1; k < 576; ++k)
        if (bars[k] > bars[best]) best = k;
    return best;
}

TEST(TestAudioAnalysis, SilenceAndAudioPastTheEndGiveZeroBytes) {
    Pcm pcm;
    audio::AppendSilence(pcm, 0.1);
    ASSERT_EQ(pcm.Frames(), 4410u);
    for (size_t at : {size_t{0}, size_t{4000}, size_t{1000000}}) {
        Frame f = AnalyzeAt(pcm, at);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 576; ++i) {
                ASSERT_EQ(f.spectrum[c][i], 0) << c << " " << i;
                ASSERT_EQ(f.waveform[c][i], 0) << c << " " << i;
            }
    }
}

TEST(TestAudioAnalysis, FullScaleSinePeaksInItsBarAtFullHeight) {
    for (int bin : {5, 100, 400, 575}) {
        Pcm pcm;
        audio::AppendTone(pcm, 0.2, bin * 44100.0 / audio::kFftSize, 1.0, 0.0);
        Frame f = AnalyzeAt(pcm, 1000);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(PeakBar(f.spectrum[c]), bin);
            EXPECT_GE(f.spectrum[c][bin], 250);
            // Log scaling, yet well separated from bars far away.
            if (bin >= 50) {
                EXPECT_LT(f.spectrum[c][bin - 40], 60);
            }
        }
    }
}

TEST(TestAudioAnalysis, BarsAreLogarithmicAndClamped) {
    EXPECT_EQ(audio::BarFromMagnitude(0.0), 0);
    EXPECT_EQ(audio::BarFromMagnitude(std::nan("")), 0);
    EXPECT_EQ(audio::BarFromMagnitude(-1.0), 0);
    EXPECT_EQ(audio::BarFromMagnitude(4.0), 255);
    EXPECT_EQ(audio::BarFromMagnitude(1e300), 255);
    // Every 20 dB step is the same number of bars.
    const int a = audio::BarFromMagnitude(1.0 / 10), b = audio::BarFromMagnitude(1.0 / 100),
              c = audio::BarFromMagnitude(1.0 / 1000);
    EXPECT_NEAR(a - b, b - c, 1);
    EXPECT_NEAR(a - b, 255 * 20 / 72, 1);
}

TEST(TestAudioAnalysis, WaveformIsTheSignedTopByte) {
    Pcm pcm;
    pcm.samples = {32767, -32768, 256, -1, 0, 255, -256, 127};
    Frame f = AnalyzeAt(pcm, 0);
    const unsigned char left[] = {0x7F, 0x01, 0x00, 0xFF};
    const unsigned char right[] = {0x80, 0xFF, 0x00, 0x00};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.waveform[0][i], left[i]) << i;
        EXPECT_EQ(f.waveform[1][i], right[i]) << i;
    }
    EXPECT_EQ(f.waveform[0][4], 0);  // past the end
}

TEST(TestAudioSynth, PanningSilencesTheFarSpeaker) {
    Pcm left, right;
    audio::AppendBeats(left, 0.5, 120, 0.8, -1.0, 7);
    audio::AppendSweep(right, 0.5, 100, 5000, 0.8, 1.0);
    bool leftHeard = false, rightHeard = false;
    for (size_t i = 0; i < left.Frames(); ++i) {
        ASSERT_EQ(left.Right(i), 0);
        ASSERT_EQ(right.Left(i), 0);
        leftHeard = leftHeard || left.Left(i) != 0;
        rightHeard = rightHeard || right.Right(i) != 0;
    }
    EXPECT_TRUE(leftHeard && rightHeard);
    Frame f = AnalyzeAt(left, 0);
    for (int i = 0; i < 576; ++i) {
        ASSERT_EQ(f.spectrum[1][i], 0);
        ASSERT_EQ(f.waveform[1][i], 0);
    }
    EXPECT_GT(f.spectrum[0][PeakBar(f.spectrum[0])], 200);
}

TEST(TestAudioSynth, BeatsThumpAtTheTempoAndRepeatForASeed) {
    Pcm a, b, c;
    audio::AppendBeats(a, 2.0, 120, 0.9, 0.0, 3);
    audio::AppendBeats(b, 2.0, 120, 0.9, 0.0, 3);
    audio::AppendBeats(c, 2.0, 120, 0.9, 0.0, 4);
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_NE(a.samples, c.samples);
    // Loud right after each beat (every 0.5 s), quiet just before the next.
    auto level = [&](double t) {
        double sum = 0;
        const size_t at = static_cast<size_t>(t * 44100);
        for (size_t i = at; i < at + 576; ++i) sum += std::abs(a.Left(i));
        return sum / 576;
    };
    for (double beat : {0.0, 0.5, 1.0, 1.5}) {
        EXPECT_GT(level(beat + 0.01), 8 * level(beat + 0.46)) << beat;
        EXPECT_GT(level(beat + 0.01), 10000) << beat;
    }
}

TEST(TestAudioSynth, TrackListHasDistinctTitledSongsOfTheRightLength) {
    auto tracks = audio::MakeTrackList(2, 1.5, 11);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].title, "Velune Test Song 1");
    EXPECT_EQ(tracks[1].title, "Velune Test Song 2");
    EXPECT_EQ(tracks[0].pcm.Frames(), 66150u);
    EXPECT_EQ(tracks[1].pcm.Frames(), 66150u);
    EXPECT_NE(tracks[0].pcm.samples, tracks[1].pcm.samples);
    EXPECT_EQ(audio::MakeTrackList(2, 1.5, 11)[1].pcm.samples, tracks[1].pcm.samples);
    EXPECT_EQ(tracks[0].pcm.MsAtFrame(44100), 1000);
    EXPECT_EQ(tracks[0].pcm.FrameAtMs(500), 22050u);
}

TEST(TestAudioFft, MatchesADirectTransformAndRefusesOddSizes) {
    const int n = 64;
    double re[n], im[n], dre[n], dim[n];
    audio::Noise noise(1);
    for (int i = 0; i < n; ++i) {
        re[i] = noise.Next();
        im[i] = noise.Next();
    }
    for (int k = 0; k < n; ++k) {
        dre[k] = dim[k] = 0;
        for (int i = 0; i < n; ++i) {
            const double a = -6.283185307179586 * i * k / n;
            dre[k] += re[i] * std::cos(a) - im[i] * std::sin(a);
            dim[k] += re[i] * std::sin(a) + im[i] * std::cos(a);
        }
    }
    ASSERT_TRUE(audio::Fft(re, im, n));
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(re[k], dre[k], 1e-9);
        EXPECT_NEAR(im[k], dim[k], 1e-9);
    }
    EXPECT_FALSE(audio::Fft(re, im, 48));
    EXPECT_FALSE(audio::Fft(re, im, 0));
}

TEST(TestAudioWav, RoundTripsAndRefusesDamagedFiles) {
    Pcm pcm;
    audio::AppendSweep(pcm, 0.05, 100, 1000, 0.5, -0.3);
    const std::string path = ::testing::TempDir() + "velune_wav_test.wav";
    ASSERT_TRUE(audio::WriteWav(path, pcm));
    Pcm back;
    std::string error;
    ASSERT_TRUE(audio::ReadWav(path, &back, &error)) << error;
    EXPECT_EQ(back.samples, pcm.samples);
    EXPECT_EQ(back.sampleRate, 44100);

    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(44 + pcm.samples.size() * 2);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    std::remove(path.c_str());

    // A data length far past the end keeps the samples that are there.
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + 44 + 10);
    ASSERT_TRUE(audio::ParseWav(truncated.data(), truncated.size(), &back, &error));
    EXPECT_EQ(back.Frames(), 2u);
    // A format chunk that claims more bytes than the file has.
    std::vector<uint8_t> badFormat(bytes.begin(), bytes.begin() + 44);
    badFormat[16] = 0xFF;
    EXPECT_FALSE(audio::ParseWav(badFormat.data(), badFormat.size(), &back, &error));
    // 8-bit samples are refused.
    std::vector<uint8_t> eightBit = bytes;
    eightBit[34] = 8;
    EXPECT_FALSE(audio::ParseWav(eightBit.data(), eightBit.size(), &back, &error));
    EXPECT_EQ(error, "not 16-bit");
    EXPECT_FALSE(audio::ParseWav(bytes.data(), 11, &back, &error));

    // Mono is read as two equal channels.
    std::vector<uint8_t> mono = bytes;
    mono[22] = 1;
    ASSERT_TRUE(audio::ParseWav(mono.data(), mono.size(), &back, &error));
    ASSERT_EQ(back.Frames(), pcm.samples.size());
    EXPECT_EQ(back.Left(1), pcm.samples[1]);
    EXPECT_EQ(back.Right(1), pcm.samples[1]);
}

}  // namespace
