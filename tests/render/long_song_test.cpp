// A song of an hour costs no more memory than one of seconds, and --start
// and --duration take an excerpt that begins at its time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "audio/synth.h"
#include "media_fixtures.h"

namespace {

// An hour of 44.1 kHz stereo silence as a WAV file of 635 MB that takes no
// disk space and no time to write: the samples are a hole in the file.
std::string HourOfSilence(const std::string& dir) {
    const std::string path = dir + "/hour.wav";
    const uint32_t rate = 44100, bytes = 3600u * rate * 4u;
    const uint32_t header[11] = {0x46464952, 36 + bytes, 0x45564157, 0x20746D66, 16, 0x00020001,  // RIFF WAVE fmt, PCM stereo
                                 rate,       rate * 4,   0x00100004, 0x61746164, bytes};           // 16-bit, data
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof(header));
    EXPECT_EQ(truncate(path.c_str(), 44 + static_cast<off_t>(bytes)), 0);
    return path;
}

TEST(RenderLongSong, AnHourLongSongRendersItsEndInLittleMemory) {
    const std::string dir = fixtures::TempFolder("hour");
    const std::string song = HourOfSilence(dir);
    // Started from a small Python, whose own peak is all a new program
    // inherits: a child of this test would count the test's peak memory too.
    const std::string command = "python3 -c 'import resource, subprocess, sys; subprocess.run(sys.argv[1:]); "
                                "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' " VELUNE_RENDER_EXE
                                " --input " + song + " --video " + dir + "/end.mp4 --start 59:58 --size 64x48 --fps 10"
                                " --quiet";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    long peakKb = -1;
    EXPECT_EQ(std::fscanf(p, "%ld", &peakKb), 1);
    EXPECT_EQ(pclose(p), 0);
    // Decoding the whole song first held 635 MB of it.
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 300 * 1024);
    const fixtures::VideoInfo info = fixtures::Probe(dir + "/end.mp4");
    EXPECT_EQ(info.video.packets, 20);  // the last two seconds
    EXPECT_NEAR(info.audio.seconds, 2.0, 0.06);
}

std::vector<std::vector<uint32_t>> Excerpt(const std::string& dir, const std::string& song) {
    const std::string video = dir + "/excerpt.mkv";
    const auto r = fixtures::Render({"--input", song, "--video", video, "--start", "2.5", "--duration", "1.5",
                                     "--size", "64x48", "--fps", "10", "--renderer", "0", "--transform", "0",
                                     "--vcodec", "ffv1", "--acodec", "flac", "--quiet", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NEAR(fixtures::Probe(video).audio.seconds, 1.5, 0.06);
    return fixtures::DecodeFrames(video);
}

TEST(RenderLongSong, StartAndDurationTakeAnExcerptAtItsTime) {
    // Beats from 3.04 s on: an excerpt from 2.5 s first shows them on its
    // frame of 0.6 s, where the same excerpt of silence stays unchanged.
    const std::string dir = fixtures::TempFolder("excerpt");
    audio::Pcm quiet, beats;
    audio::AppendSilence(quiet, 6.0);
    audio::AppendSilence(beats, 3.04);
    audio::AppendBeats(beats, 6.0 - 3.04, 60.0, 0.9, 0.0, 1);
    ASSERT_TRUE(fixtures::WriteSong(dir + "/quiet.flac", quiet, "Same"));
    ASSERT_TRUE(fixtures::WriteSong(dir + "/beats.flac", beats, "Same"));
    const auto silent = Excerpt(dir, dir + "/quiet.flac"), beat = Excerpt(dir, dir + "/beats.flac");
    ASSERT_EQ(silent.size(), 15u);
    ASSERT_EQ(beat.size(), 15u);
    size_t first = 0;
    while (first < beat.size() && beat[first] == silent[first]) ++first;
    EXPECT_EQ(first, 6u);

    // The song copied into an MP4 (MP3) is cut at the same times, to the
    // packet; past the end comes what is left.
    ASSERT_TRUE(fixtures::WriteSong(dir + "/beats.mp3", beats, "Beats"));
    for (const char* duration : {"1.5", "10"}) {
        const auto r = fixtures::Render({"--input", dir + "/beats.mp3", "--video", dir + "/v.mp4", "--start", "0:04.5",
                                         "--duration", duration, "--size", "64x48", "--fps", "10", "--quiet",
                                         "--overwrite"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const fixtures::VideoInfo info = fixtures::Probe(dir + "/v.mp4");
        EXPECT_EQ(info.video.packets, 15);
        EXPECT_EQ(info.audio.codec, "mp3");
        EXPECT_NEAR(info.audio.seconds, 1.5, 0.06);
    }
    const auto past = fixtures::Render({"--input", dir + "/beats.mp3", "--video", dir + "/past.mp4", "--start", "7"});
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_NE(past.err.find("no audio from 0:07 on"), std::string::npos) << past.err;
    EXPECT_FALSE(fixtures::FileExists(dir + "/past.mp4"));
}

}  // namespace
