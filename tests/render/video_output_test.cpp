// velune-render end to end: songs in several formats become videos with the
// right frames, size, length and sound; frames match the PNGs; beats land on
// their frame; a playlist makes one video; Ctrl+C leaves a playable file.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "audio/synth.h"
#include "media_fixtures.h"

namespace {

using fixtures::Probe;
using fixtures::Render;

audio::Pcm Song(double seconds, int variant = 0) { return audio::MakeSong(variant, seconds, 7); }

std::string SongFile(const std::string& folder, const std::string& name, double seconds, const std::string& title = "") {
    const std::string path = folder + "/" + name;
    EXPECT_TRUE(fixtures::WriteSong(path, Song(seconds), title)) << path;
    return path;
}

std::vector<std::string> Args(std::initializer_list<std::string> list) { return list; }

struct FormatCase {
    const char* input;
    const char* output;
    const char* videoCodec;
    const char* audioCodec;
    int frames;
};

TEST(RenderVideo, EachFormatGivesTheFramesSizeAndSoundOfTheSong) {
    // The song is copied when the container takes its codec, else encoded.
    // AAC pads its last block to 1024 samples and the M4A keeps the padding:
    // 1.509 s decoded, so a 16th frame shows the end.
    const FormatCase cases[] = {
        {"song.mp3", "v.mp4", "h264", "mp3", 15},   {"song.m4a", "v.mp4", "h264", "aac", 16},
        {"song.flac", "v.mkv", "h264", "flac", 15}, {"song.ogg", "v.mkv", "h264", "opus", 15},
        {"song.wav", "v.mp4", "h264", "aac", 15},   {"song.flac", "v.webm", "vp9", "opus", 15},
        {"song.ogg", "v.webm", "vp9", "opus", 15},
        {"song.flac", "v.mp4", "h264", "aac", 15},  // MP4 lists FLAC but refuses it as experimental
        {"song.mp3", "v.gif", "gif", "", 15},       // a container without sound
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " -> " + c.output);
        const std::string dir = fixtures::TempFolder("formats");
        const std::string song = SongFile(dir, c.input, 1.5);
        const std::string video = dir + "/" + c.output;
        const auto r = Render({"--input", song, "--video", video, "--size", "64x48", "--fps", "10", "--seed", "3"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");  // nothing of FFmpeg's own, e.g. FLAC in MP4 being "experimental"
        const fixtures::VideoInfo info = Probe(video);
        EXPECT_EQ(info.width, 64);
        EXPECT_EQ(info.height, 48);
        EXPECT_EQ(info.video.codec, c.videoCodec);
        EXPECT_EQ(info.video.packets, c.frames);
        EXPECT_NEAR(info.video.seconds, c.frames / 10.0, 0.011);
        EXPECT_EQ(info.audio.codec, c.audioCodec);
        if (c.audioCodec[0] != '\0') {
            EXPECT_NEAR(info.audio.seconds, 1.5, 0.06);
        }
        EXPECT_FALSE(fixtures::FileExists(video + ".part"));
    }
}

std::vector<uint32_t> Png(const std::string& dir, int frame) {
    char name[64];
    std::snprintf(name, sizeof(name), "/00-plain-vanilla-waveforms-%05d.png", frame);
    int w = 0, h = 0;
    return fixtures::ReadPngPixels(dir + name, &w, &h);
}

TEST(RenderVideo, LosslessRgbFramesEqualThePngsOfTheSameRun) {
    const std::string dir = fixtures::TempFolder("lossless");
    const std::string song = SongFile(dir, "song.flac", 1.0);
    // ffv1 takes our pixels as they are; x264's RGB mode only at --crf 0.
    for (const std::vector<std::string>& codec :
         {Args({"--vcodec", "ffv1"}), Args({"--vcodec", "libx264rgb", "--crf", "0"})}) {
        SCOPED_TRACE(codec[1]);
        std::vector<std::string> args = {"--input", song, "--video", dir + "/v.mkv", "--size", "80x60", "--fps",
                                         "12", "--renderer", "0", "--every", "1", "--out", dir + "/png", "--overwrite"};
        args.insert(args.end(), codec.begin(), codec.end());
        const auto r = Render(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto frames = fixtures::DecodeFrames(dir + "/v.mkv");
        ASSERT_EQ(frames.size(), 12u);
        int lit = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            const std::vector<uint32_t> png = Png(dir + "/png", static_cast<int>(i) + 1);
            ASSERT_EQ(png.size(), frames[i].size());
            EXPECT_TRUE(png == frames[i]) << "video frame " << i;
            for (uint32_t px : png) lit += px != 0;
        }
        EXPECT_GT(lit, 100);  // a black video would match black pictures
    }
}

TEST(RenderVideo, ThePipelineGivesTheFramesOfTheSingleThreadedPath) {
    // 40 frames pass through a queue of 1 and of 4 pictures many times over.
    const std::string dir = fixtures::TempFolder("pipeline");
    for (const std::vector<std::string>& codec : {Args({"--vcodec", "ffv1"}), Args({"--crf", "0"})}) {
        SCOPED_TRACE(codec[1]);
        std::vector<std::vector<uint32_t>> videos[3];
        for (int i = 0; i < 3; ++i) {
            std::vector<std::string> args = {"--video", dir + "/v.mkv", "--size", "64x48", "--frames", "40",
                                             "--renderer", "4", "--queue", i == 0 ? "0" : i == 1 ? "1" : "4", "--overwrite"};
            args.insert(args.end(), codec.begin(), codec.end());
            ASSERT_EQ(Render(args).exitCode, 0);
            videos[i] = fixtures::DecodeFrames(dir + "/v.mkv");
        }
        ASSERT_EQ(videos[0].size(), 40u);
        for (size_t i = 1; i < videos[0].size(); ++i) EXPECT_NE(videos[0][i], videos[0][i - 1]) << i;
        EXPECT_TRUE(videos[1] == videos[0]);
        EXPECT_TRUE(videos[2] == videos[0]);
    }
}

TEST(RenderVideo, X264RunsAtOurPresetOnEveryCoreUnlessToldOtherwise) {
    const std::string dir = fixtures::TempFolder("preset");
    const std::string threads = "threads=" + std::to_string(std::thread::hardware_concurrency()) + " ";
    for (const char* preset : {"", "ultrafast"}) {
        std::vector<std::string> args = {"--video", dir + "/v.mp4", "--size", "64x48", "--frames", "3", "--overwrite"};
        if (preset[0] != '\0') args.insert(args.end(), {"--preset", preset});
        ASSERT_EQ(Render(args).exitCode, 0);
        std::ifstream f(dir + "/v.mp4");
        const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        // x264 writes its settings into the stream.
        EXPECT_NE(bytes.find(preset[0] == '\0' ? "me=dia subme=1 " : "me=dia subme=0 "), std::string::npos) << preset;
        EXPECT_NE(bytes.find(threads), std::string::npos) << preset;
    }
}

TEST(RenderVideo, H264FrameIsTheSamePictureWithinTheCodecsLoss) {
    const std::string dir = fixtures::TempFolder("h264");
    const std::string song = SongFile(dir, "song.wav", 1.0);
    const auto r = Render({"--input", song, "--video", dir + "/v.mp4", "--size", "96x64", "--fps", "10", "--renderer",
                           "0", "--every", "5", "--out", dir + "/png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto frames = fixtures::DecodeFrames(dir + "/v.mp4");
    ASSERT_EQ(frames.size(), 10u);
    for (int n : {5, 10}) {
        const std::vector<uint32_t> png = Png(dir + "/png", n);
        ASSERT_EQ(png.size(), frames[n - 1].size());
        double difference = 0.0, brightness = 0.0;
        for (size_t i = 0; i < png.size(); ++i)
            for (int shift : {0, 8, 16}) {
                const int a = png[i] >> shift & 255, b = frames[n - 1][i] >> shift & 255;
                difference += std::abs(a - b);
                brightness += a;
            }
        EXPECT_GT(brightness / png.size(), 2.0) << n;
        // Measured: 3 to 5 per pixel here, against about 40 for the next frame.
        EXPECT_LT(difference / png.size(), 0.1 * brightness / png.size() + 2.0) << n;
    }
}

// Silence at `rate` with one thump (150 Hz, dying away in a tenth of a
// second) from `beatSeconds` on; none when it is negative.
audio::Pcm Thump(int rate, double beatSeconds) {
    audio::Pcm pcm;
    pcm.sampleRate = rate;
    const size_t total = static_cast<size_t>(1.5 * rate);
    const size_t from = beatSeconds < 0.0 ? total : static_cast<size_t>(std::ceil(beatSeconds * rate));
    pcm.samples.assign(2 * total, 0);
    for (size_t i = from; i < total; ++i) {
        const double t = static_cast<double>(i - from) / rate;
        const auto v = static_cast<int16_t>(29000.0 * std::exp(-t * 30.0) * std::sin(2 * M_PI * 150.0 * t));
        pcm.samples[2 * i] = pcm.samples[2 * i + 1] = v;
    }
    return pcm;
}

std::vector<std::vector<uint32_t>> ThumpVideo(const std::string& dir, int rate, double beatSeconds, int fps) {
    const std::string song = dir + "/song.wav", video = dir + "/v.mkv";
    EXPECT_TRUE(fixtures::WriteSong(song, Thump(rate, beatSeconds), "same title"));
    const auto r = Render({"--input", song, "--video", video, "--vcodec", "ffv1", "--size", "64x48", "--fps",
                           std::to_string(fps), "--renderer", "0", "--transform", "0", "--quiet", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return fixtures::DecodeFrames(video);
}

// The first frame that differs from the render of pure silence.
int FirstFrameOfTheBeat(const std::string& dir, int rate, double beatSeconds, int fps) {
    const auto quiet = ThumpVideo(dir, rate, -1.0, fps), beat = ThumpVideo(dir, rate, beatSeconds, fps);
    if (quiet.size() != beat.size() || quiet.empty()) return -1;
    for (size_t n = 0; n < quiet.size(); ++n)
        if (quiet[n] != beat[n]) return static_cast<int>(n);
    return -2;
}

TEST(RenderVideo, ABeatShowsOnTheFirstFrameAfterItIsHeardAtEveryRate) {
    // A frame shows what was heard up to its time: a beat at 0.51 s first
    // shows on the frame of 0.55 s, whatever the song's rate. (Beats start
    // off the frames' times: a resampler rings a little ahead of a step.)
    const std::string dir = fixtures::TempFolder("beat");
    for (int rate : {8000, 22050, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(FirstFrameOfTheBeat(dir, rate, 0.51, 20), 11);
    }
    EXPECT_EQ(FirstFrameOfTheBeat(dir, 44100, 0.76, 24), 19);
    EXPECT_EQ(FirstFrameOfTheBeat(dir, 8000, 0.71, 30), 22);
}

TEST(RenderVideo, SeveralInputsPlayAsOnePlaylist) {
    const std::string dir = fixtures::TempFolder("playlist");
    const std::string first = SongFile(dir, "first.flac", 3.5, "First Tag");
    const std::string second = SongFile(dir, "second-song.wav", 3.0);
    const std::string video = dir + "/v.mp4";
    const auto r = Render({"--input", first, "--input", second, "--video", video, "--size", "64x48", "--fps", "10"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fixtures::VideoInfo info = Probe(video);
    EXPECT_EQ(info.video.packets, 65);
    EXPECT_EQ(info.audio.codec, "aac");  // two songs cannot be copied as one
    EXPECT_NEAR(info.audio.seconds, 6.5, 0.06);
    // The position is polled on frames 1, 31, 61: at 61 it has gone back
    // (2.5 s into the second song, after 3.0 s into the first), so the second
    // song's title shows: its file name, as it has no tag.
    EXPECT_EQ(r.err, "");  // no progress bar when no terminal watches
    EXPECT_NE(r.out.find("frame 1: message \"First Tag\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frame 61: message \"second-song\""), std::string::npos) << r.out;
    // The summary: frames, the video's length, the time taken, speed, size.
    EXPECT_NE(r.out.find("\n65 frames (0:07) in "), std::string::npos) << r.out;
    const size_t size = r.out.find("x real time, ");
    ASSERT_NE(size, std::string::npos) << r.out;
    EXPECT_NEAR(std::atof(r.out.c_str() + size + 13), fixtures::FileSize(video) / 1000.0, 0.051) << r.out;
    EXPECT_EQ(r.out.compare(r.out.size() - 4, 4, " kB\n"), 0) << r.out;
}

TEST(RenderVideo, ATerminalSeesAProgressBarThatEndsFull) {
    const std::string dir = fixtures::TempFolder("terminal");
    const std::string video = dir + "/v.mp4";
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(VELUNE_RENDER_EXE, VELUNE_RENDER_EXE, "--video", video.c_str(), "--frames", "40", "--size", "64x48",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof(buffer))) > 0;) screen.append(buffer, static_cast<size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
    close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("\r[####################] 40/40 frames  "), std::string::npos) << screen;
    EXPECT_NE(screen.find("x real time  0:00 left"), std::string::npos) << screen;
    // The bar replaces the scene lines on a terminal; the summary follows it.
    EXPECT_EQ(screen.find("frame 1:"), std::string::npos) << screen;
    EXPECT_NE(screen.find("wrote " + video), std::string::npos) << screen;
}

TEST(RenderVideo, CtrlCLeavesAPlayableFileOfTheFramesDone) {
    const std::string dir = fixtures::TempFolder("interrupt");
    const std::string video = dir + "/v.mp4";
    const int pid = fixtures::StartRender(
        {"--video", video, "--frames", "1500", "--size", "160x120", "--fps", "30", "--quiet"}, dir + "/err.txt");
    ASSERT_GT(pid, 0);
    // Wait until frames are really being written, then interrupt.
    for (int i = 0; i < 400 && fixtures::FileSize(video + ".part") < 20000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_FALSE(fixtures::FileExists(video + ".part"));
    const fixtures::VideoInfo info = Probe(video);
    ASSERT_TRUE(info.opened);
    EXPECT_GT(info.video.packets, 10);
    EXPECT_LT(info.video.packets, 1500);
    EXPECT_EQ(static_cast<int64_t>(fixtures::DecodeFrames(video).size()), info.video.packets);
    // The sound stops with the last frame.
    EXPECT_NEAR(info.audio.seconds, info.video.packets / 30.0, 0.05);
}

}  // namespace
