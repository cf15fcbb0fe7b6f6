// velune-live's parts that need no server or window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "live_options.h"
#include "live_settings.h"
#include "picture_fit.h"
#include "audio/sound_feed.h"
#include "sound_status.h"
#include "audio/sound_ring.h"
#include "audio/stereo_resampler.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<int16_t> Ramp(int frames, int first) {
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i) {
        v.push_back(static_cast<int16_t>(first + i));
        v.push_back(static_cast<int16_t>(-(first + i)));
    }
    return v;
}

TEST(SoundRing, NewestFramesInOrderAcrossTheWrap) {
    SoundRing ring;
    std::vector<int16_t> out(2 * 100);
    ring.CopyNewest(out.data(), 100);
    EXPECT_EQ(std::vector<int16_t>(200, 0), out) << "nothing captured reads as silence";
    // Three appends that carry the write position over the end.
    const int first = static_cast<int>(SoundRing::kFrames) - 150;
    ring.Append(Ramp(first, 0).data(), first);
    ring.Append(Ramp(100, first).data(), 100);
    ring.Append(Ramp(130, first + 100).data(), 130);
    EXPECT_EQ(SoundRing::kFrames + 80, ring.Total());
    ring.CopyNewest(out.data(), 100);
    EXPECT_EQ(Ramp(100, first + 130), out);
    // More than the ring holds at once keeps the tail.
    std::vector<int16_t> big = Ramp(SoundRing::kFrames + 7, 3);
    ring.Append(big.data(), SoundRing::kFrames + 7);
    ring.CopyNewest(out.data(), 100);
    EXPECT_EQ(Ramp(100, static_cast<int>(SoundRing::kFrames) + 7 + 3 - 100), out);
}

TEST(SoundFeed, AnalyzesFreshSoundAndGoesQuietWhenItStops) {
    SoundRing ring;
    audio::SoundFeed feed;
    unsigned char spectrum[2][576], waveform[2][576];
    audio::Pcm tone;
    audio::AppendTone(tone, 0.1, 430.0, 0.5, 0.0);
    ring.Append(tone.samples.data(), tone.Frames());
    feed.Next(ring, 1000, spectrum, waveform);
    EXPECT_GT(spectrum[0][20], 200) << "a 430 Hz tone lands in bar 20";
    EXPECT_LT(spectrum[0][100], 100);
    // The same samples, nothing new: still shown for a moment, then silence.
    feed.Next(ring, 1000 + audio::kStaleMs, spectrum, waveform);
    EXPECT_GT(spectrum[0][20], 200);
    feed.Next(ring, 1001 + audio::kStaleMs, spectrum, waveform);
    EXPECT_EQ(0, spectrum[0][20]);
    EXPECT_EQ(0, waveform[1][300]);
    EXPECT_EQ(1 + audio::kStaleMs, feed.QuietFor(1001 + audio::kStaleMs));
    ring.Append(tone.samples.data(), 10);
    feed.Next(ring, 5000, spectrum, waveform);
    EXPECT_EQ(0u, feed.QuietFor(5000)) << "new sound arrived";
}

TEST(SoundStatusLine, SaysWhatIsMissingAndNothingWhenAllIsWell) {
    CaptureStatus s;
    snprintf(s.source, sizeof s.source, "alsa_output.monitor");
    snprintf(s.error, sizeof s.error, "Connection refused");
    char line[512];
    s.state = CaptureState::kCapturing;
    EXPECT_FALSE(SoundStatusLine(s, kQuietLineMs - 1, line, sizeof line));
    EXPECT_TRUE(SoundStatusLine(s, kQuietLineMs, line, sizeof line));
    EXPECT_NE(nullptr, strstr(line, "alsa_output.monitor"));
    s.state = CaptureState::kNoServer;
    EXPECT_TRUE(SoundStatusLine(s, 0, line, sizeof line));
    EXPECT_NE(nullptr, strstr(line, "Connection refused"));
    s.state = CaptureState::kNoSource;
    EXPECT_TRUE(SoundStatusLine(s, 0, line, sizeof line));
    EXPECT_NE(nullptr, strstr(line, "alsa_output.monitor"));
}

TEST(FitPicture, KeepsTheAspectRatioCentred) {
    const PictureRect same = FitPicture(640, 480, 320, 240);
    EXPECT_EQ(0, same.x);
    EXPECT_EQ(640, same.w);
    EXPECT_EQ(480, same.h);
    const PictureRect wide = FitPicture(1920, 1080, 640, 480);  // bars left and right
    EXPECT_EQ(1440, wide.w);
    EXPECT_EQ(1080, wide.h);
    EXPECT_EQ(240, wide.x);
    EXPECT_EQ(0, wide.y);
    const PictureRect tall = FitPicture(400, 900, 640, 480);  // bars above and below
    EXPECT_EQ(400, tall.w);
    EXPECT_EQ(300, tall.h);
    EXPECT_EQ(300, tall.y);
    EXPECT_EQ(0, FitPicture(0, 900, 640, 480).w);
}

class LiveSettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/velune-live-settings-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        dir = folder;
        path = dir + "/nested/velune/velune-live.ini";
    }
    void TearDown() override { (void)system(("rm -rf '" + dir + "'").c_str()); }
    std::string dir, path;
};

TEST_F(LiveSettingsFile, RoundTripAndDefaults) {
    LiveSettings fresh;
    LoadLiveSettings(path, &fresh);  // no file: the plug-in's defaults
    EXPECT_EQ(500, fresh.framesPerScene);
    EXPECT_EQ(-1, fresh.preferedRenderer);
    EXPECT_EQ(16383, fresh.rendererChoice);
    EXPECT_EQ(32767, fresh.transformChoice);
    LiveSettings s;
    s.framesPerScene = -1;
    s.preferedRenderer = 13;
    s.preferedTransform = 0;
    s.showSongTitle = 0;
    s.rendererChoice = 8192;
    s.maxFrameRate = 0;
    s.windowWidth = 1234;
    s.fullScreen = 1;
    s.source = "bluez_sink.monitor";
    ASSERT_TRUE(SaveLiveSettings(path, s));
    LiveSettings back;
    LoadLiveSettings(path, &back);
    EXPECT_EQ(-1, back.framesPerScene);
    EXPECT_EQ(13, back.preferedRenderer);
    EXPECT_EQ(0, back.preferedTransform);
    EXPECT_EQ(0, back.showSongTitle);
    EXPECT_EQ(8192, back.rendererChoice);
    EXPECT_EQ(0, back.maxFrameRate);
    EXPECT_EQ(1234, back.windowWidth);
    EXPECT_EQ(1, back.fullScreen);
    EXPECT_EQ("bluez_sink.monitor", back.source);
}

TEST_F(LiveSettingsFile, ForeignSectionsAndBadValues) {
    ASSERT_TRUE(SaveLiveSettings(path, LiveSettings()));
    FILE* f = fopen(path.c_str(), "w");
    fputs("[Other]\nPrefered_Renderer=5\n[Velune v1.06]\n Prefered_Transform = 99 \nMax_Frame_Rate=5\n"
          "Frame_Width=1\nShow_Song_Title=7\nFrames_Per_Scene=-1\n",
          f);
    fclose(f);
    LiveSettings s;
    LoadLiveSettings(path, &s);
    EXPECT_EQ(-1, s.preferedRenderer) << "another section's key";
    EXPECT_EQ(-1, s.preferedTransform) << "no transform 99";
    EXPECT_EQ(10, s.maxFrameRate);
    EXPECT_EQ(64, s.frameWidth);
    EXPECT_EQ(1, s.showSongTitle);
    EXPECT_EQ(-1, s.framesPerScene);
}

TEST(LiveSettingsPath, FollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ("/x/conf/velune/velune-live.ini", LiveSettingsPath());
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as XDG says
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ("/home/u/.config/velune/velune-live.ini", LiveSettingsPath());
    unsetenv("XDG_CONFIG_HOME");
}

LiveOptions Parse(std::vector<const char*> args, std::string* error, bool* ok) {
    args.insert(args.begin(), "velune-live");
    LiveOptions o;
    *ok = ParseLiveOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), &o, error);
    return o;
}

TEST(LiveOptions, ValuesAndRefusals) {
    std::string error;
    bool ok = false;
    LiveOptions o = Parse({"--source", "mic.x", "--size", "320x200", "--max-fps", "0", "--renderer", "13"}, &error, &ok);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ("mic.x", o.source);
    EXPECT_EQ(320, o.frameWidth);
    EXPECT_EQ(200, o.frameHeight);
    EXPECT_EQ(0, o.maxFrameRate);
    EXPECT_EQ(13, o.renderer);
    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--renderer", "14"}, {"--size", "320x"}, {"--source"}, {"--mic", "--source", "x"}, {"--bogus"},
             {"--frames-per-scene", "0"}}) {
        Parse(bad, &error, &ok);
        EXPECT_FALSE(ok) << bad[0];
    }
}

}  // namespace

namespace {

// The mixer's sound, as WASAPI hands it over, reaches the analyzer at 44.1 kHz.
TEST(StereoResampler, FloatAt48kBecomes16BitAt44k1WithItsPitch) {
    SoundRing ring;
    audio::StereoResampler r;
    ASSERT_TRUE(r.SetInput(48000, 2, audio::SampleKind::kFloat32));
    std::vector<float> in;
    for (int i = 0; i < 48000; ++i) {  // one second: 1 kHz left, silence right
        in.push_back(static_cast<float>(0.5 * sin(2 * M_PI * 1000.0 * i / 48000)));
        in.push_back(0.0f);
    }
    // In uneven packets, as a device delivers them.
    for (size_t at = 0, n = 1; at < 48000; at += n, n = n * 3 % 997 + 1) {
        r.Process(in.data() + 2 * at, std::min<size_t>(n, 48000 - at), &ring);
    }
    EXPECT_NEAR(44100.0, static_cast<double>(ring.Total()), 2.0);
    std::vector<int16_t> out(2 * 4410);
    ring.CopyNewest(out.data(), 4410);  // the last tenth of a second
    int crossings = 0, peak = 0, right = 0;
    for (size_t i = 1; i < 4410; ++i) {
        crossings += (out[2 * i - 2] < 0) != (out[2 * i] < 0);
        peak = std::max(peak, std::abs(static_cast<int>(out[2 * i])));
        right = std::max(right, std::abs(static_cast<int>(out[2 * i + 1])));
    }
    EXPECT_NEAR(200, crossings, 2) << "1 kHz for a tenth of a second";
    EXPECT_NEAR(16384, peak, 200);
    EXPECT_EQ(0, right);
}

TEST(StereoResampler, IntegerFormatsAndMono) {
    SoundRing ring;
    audio::StereoResampler r;
    int16_t out[2 * 4];
    // 24-bit mono at 44.1 kHz: both channels, the top 16 bits.
    ASSERT_TRUE(r.SetInput(44100, 1, audio::SampleKind::kInt24));
    const uint8_t mono24[] = {0x00, 0x00, 0x40, 0xFF, 0xFF, 0xBF, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};
    r.Process(mono24, 4, &ring);
    ring.CopyNewest(out, 4);
    EXPECT_EQ((std::vector<int16_t>{0, 0, 16384, 16384, -16384, -16384, -32768, -32768}),
              std::vector<int16_t>(out, out + 8))
        << "the first output is the silence before the first sample";
    // 32-bit integers with six channels: the front pair.
    ASSERT_TRUE(r.SetInput(44100, 6, audio::SampleKind::kInt32));
    const int32_t six[] = {1 << 30, -(1 << 30), 5, 5, 5, 5};
    r.Process(six, 1, &ring);
    ring.CopyNewest(out, 1);
    EXPECT_EQ(0, out[0]);  // interpolation starts from silence
    r.Process(six, 1, &ring);
    ring.CopyNewest(out, 1);
    EXPECT_EQ(16384, out[0]);
    EXPECT_EQ(-16384, out[1]);
    EXPECT_FALSE(r.SetInput(44100, 0, audio::SampleKind::kInt16));
}

}  // namespace
