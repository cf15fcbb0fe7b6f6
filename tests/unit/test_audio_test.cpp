// The generated test audio and the per-frame analysis that feeds the scene.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(TestAudioAnalysis, SilenceAndAudioPastTheEndGiveZeroBytes) {
    Pcm pcm;
    audio::AppendSilence(pcm, 0.1);
    ASSERT_EQ(pcm.Frames(), 4410u);
    const Frame zero{};
    for (size_t at : {size_t{0}, size_t{4000}, size_t{1000000}}) {
        const Frame f = AnalyzeAt(pcm, at);
        EXPECT_EQ(memcmp(&f, &zero, sizeof f), 0) << at;
    }
}

TEST(TestAudioAnalysis, FullScaleSinePeaksInItsOwnBar) {
    for (int bin : {5, 400}) {
        Pcm pcm;
        audio::AppendTone(pcm, 0.2, bin * 44100.0 / audio::kFftSize, 1.0, 0.0);
        Frame f = AnalyzeAt(pcm, 1000);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::max_element(f.spectrum[c], f.spectrum[c] + 576) - f.spectrum[c], bin);
            EXPECT_GE(f.spectrum[c][bin], 250);
        }
    }
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

TEST(TestAudioWav, RoundTripsAndReadsNoFurtherThanTheFile) {
    Pcm pcm;
    audio::AppendSweep(pcm, 0.05, 100, 1000, 0.5, -0.3);
    const std::string path = ::testing::TempDir() + "velune_wav_test.wav";
    ASSERT_TRUE(audio::WriteWav(path, pcm));
    Pcm back;
    std::string error;
    ASSERT_TRUE(audio::ReadWav(path, &back, &error)) << error;
    EXPECT_EQ(back.samples, pcm.samples);
    EXPECT_EQ(back.sampleRate, 44100);

    // A data length far past the end keeps only the samples that are there.
    std::vector<uint8_t> head(44 + 10);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(head.data(), 1, head.size(), f), head.size());
    std::fclose(f);
    ASSERT_TRUE(audio::ParseWav(head.data(), head.size(), &back, &error));
    EXPECT_EQ(back.Frames(), 2u);
    std::remove(path.c_str());
    EXPECT_FALSE(audio::ReadWav(path, &back, &error));
}

}  // namespace
