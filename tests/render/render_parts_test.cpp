// The pieces of velune-render that need no encoder: the
// progress line, the options, and decoding songs back to the player's PCM.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audio/synth.h"
#include "audio_decoder.h"
#include "batch_render.h"
#include "media_fixtures.h"
#include "progress_bar.h"
#include "render_options.h"

namespace {

TEST(ProgressLine, ShowsFramesSpeedAndTimeLeft) {
    // 120 frames at 30 fps are 4 s of video made in 2 s; 780 more take 13 s.
    EXPECT_EQ(FormatProgress(120, 900, 2.0, 30.0), "[##------------------] 120/900 frames  2.0x real time  0:13 left");
    EXPECT_EQ(FormatProgress(900, 900, 10.0, 30.0), "[####################] 900/900 frames  3.0x real time  0:00 left");
    EXPECT_EQ(FormatProgress(0, 900, 0.0, 30.0), "[--------------------]   0/900 frames  --x real time  -- left");
    EXPECT_EQ(FormatSummary(300, 30.0, 4.0, 5123456), "300 frames (0:10) in 4.0 s, 2.5x real time, 5.1 MB");
    EXPECT_EQ(FormatSummary(9000, 30.0, 75.0, 81234), "9000 frames (5:00) in 1:15, 4.0x real time, 81.2 kB");
    EXPECT_EQ(FormatDuration(59.6), "1:00");
    EXPECT_EQ(FormatDuration(3725.0), "1:02:05");
}

bool Parse(std::vector<std::string> args, RenderOptions* o, std::string* message) {
    std::vector<char*> argv = {const_cast<char*>("velune-render")};
    for (std::string& a : args) argv.push_back(&a[0]);
    return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), o, message);
}

TEST(RenderOptionsParsing, InputsVideoAndQuality) {
    RenderOptions o;
    std::string message;
    ASSERT_TRUE(Parse({"--input", "a.mp3", "--wav", "b.wav", "--input", "c.ogg", "--video", "v.webm", "--crf", "30"},
                      &o, &message));
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.mp3", "b.wav", "c.ogg"}));
    EXPECT_EQ(o.video, "v.webm");
    EXPECT_EQ(o.crf, 30);
    EXPECT_EQ(o.every, -1);  // a video run writes no PNG unless asked
    EXPECT_EQ(o.frames, 0);  // the whole playlist

    RenderOptions png;
    ASSERT_TRUE(Parse({"--frames", "5"}, &png, &message));
    EXPECT_EQ(png.every, 0);  // without a video the last frame is written

    for (const auto& bad : {std::vector<std::string>{"--crf", "64"}, {"--bitrate", "0"}, {"--input", ""},
                            {"--renderer", "all", "--video", "v.mp4"}, {"--input-dir", "songs"},
                            {"--input-dir", "songs", "--video-dir", "videos", "--video", "v.mp4"}}) {
        RenderOptions b;
        EXPECT_FALSE(Parse(bad, &b, &message)) << bad[0];
    }
}

TEST(BatchSongs, AudioFilesOnlyAndOneVideoNameEach) {
    const std::string dir = fixtures::TempFolder("songs");
    for (const char* name : {"b.mp3", "A.FLAC", "b.ogg", "cover.jpg", ".hidden.mp3", "notes.txt", "c.wav.part"})
        std::ofstream(dir + "/" + name) << "x";
    std::filesystem::create_directory(dir + "/folder.mp3");
    const std::vector<std::string> songs = SongsIn(dir);
    EXPECT_EQ(songs, (std::vector<std::string>{dir + "/A.FLAC", dir + "/b.mp3", dir + "/b.ogg"}));
    // Two songs named alike must not write one video.
    EXPECT_EQ(VideoNames(songs, ".mp4"), (std::vector<std::string>{"A.mp4", "b-mp3.mp4", "b-ogg.mp4"}));
}

TEST(SongDecoding, LosslessFilesGiveBackEverySampleAndTheirTitle) {
    const std::string dir = fixtures::TempFolder("decode");
    const audio::Pcm song = audio::MakeSong(1, 0.4, 5);
    for (const char* name : {"/tagged.flac", "/plain.wav"}) {
        const bool tagged = name[1] == 't';
        ASSERT_TRUE(fixtures::WriteSong(dir + name, song, tagged ? "Tagged Title" : ""));
        audio::Track t;
        std::string error;
        ASSERT_TRUE(DecodeAudioFile(dir + name, &t, &error)) << error;
        EXPECT_EQ(t.title, tagged ? "Tagged Title" : "plain");
        EXPECT_EQ(t.pcm.sampleRate, 44100);
        EXPECT_TRUE(t.pcm.samples == song.samples) << name;
    }
}

void Put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}

TEST(SongDecoding, MonoPlaysAtFullLevelOnBothSpeakers) {
    const int16_t values[] = {10000, -20000, 32767, -32768};
    std::string wav = "RIFF";
    Put(wav, 36 + sizeof(values), 4);
    wav += "WAVEfmt ";
    Put(wav, 16, 4);
    Put(wav, 1, 2);  // PCM
    Put(wav, 1, 2);  // one channel
    Put(wav, 22050, 4);
    Put(wav, 44100, 4);
    Put(wav, 2, 2);
    Put(wav, 16, 2);
    wav += "data";
    Put(wav, sizeof(values), 4);
    for (int16_t v : values) Put(wav, static_cast<uint16_t>(v), 2);
    const std::string path = fixtures::TempFolder("mono") + "/mono.wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(wav.data(), 1, wav.size(), f);
    std::fclose(f);

    audio::Track t;
    std::string error;
    ASSERT_TRUE(DecodeAudioFile(path, &t, &error)) << error;
    EXPECT_EQ(t.pcm.sampleRate, 22050);
    EXPECT_EQ(t.pcm.samples, (std::vector<int16_t>{10000, 10000, -20000, -20000, 32767, 32767, -32768, -32768}));
}

TEST(SongDecoding, OpusKeepsItsRateAndLength) {
    const std::string dir = fixtures::TempFolder("decode");
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.ogg", audio::MakeSong(0, 1.0, 5), "Ogg Title"));
    audio::Track t;
    std::string error;
    ASSERT_TRUE(DecodeAudioFile(dir + "/song.ogg", &t, &error)) << error;
    EXPECT_EQ(t.title, "Ogg Title");
    EXPECT_EQ(t.pcm.sampleRate, 48000);
    EXPECT_NEAR(static_cast<double>(t.pcm.Frames()), 48000.0, 960.0);
    EXPECT_EQ(TitleFromFileName("/music/My.Song.mp3"), "My.Song");
}

}  // namespace
