// What a new user meets first: --help and --version, clear words for a bad
// option, a video named after the song when none is asked for, and no
// existing file replaced without --overwrite.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "audio/synth.h"
#include "media_fixtures.h"

namespace {

using fixtures::Render;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(RenderCommandLine, HelpVersionAndBadOptionsSayWhatTheyAre) {
    auto r = Render({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r.out, "usage: velune-render") && Has(r.out, "--overwrite") && Has(r.out, "--start")) << r.out;
    EXPECT_EQ(r.err, "");
    r = Render({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("velune-render 1.", 0), 0u) << r.out;

    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"--frames", "3", "--bogus"}, "unknown option --bogus"},
        {{"--bogus", "1"}, "unknown option --bogus"},
        {{"--frames"}, "missing value after --frames"},
        {{"--start", "1:xx"}, "bad value for --start"},
        {{"--duration", "0"}, "bad value for --duration"},
    };
    for (const auto& c : bad) {
        r = Render(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    }
}

TEST(RenderCommandLine, CodecLimitsAreNamed) {
    const std::string dir = fixtures::TempFolder("limits");
    auto r = Render({"--video", dir + "/v.mp4", "--frames", "2", "--size", "32x32", "--crf", "52"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "--crf for libx264 takes 0-51, not 52")) << r.err;
    r = Render({"--video", dir + "/v.webm", "--frames", "2", "--size", "32x32", "--crf", "63"});
    EXPECT_EQ(r.exitCode, 0) << r.err;  // VP9 goes to 63
    r = Render({"--video", dir + "/v.mp4", "--frames", "2", "--size", "32x32", "--acodec", "libx264"});
    EXPECT_TRUE(Has(r.err, "libx264 is not an audio codec")) << r.err;
}

TEST(RenderCommandLine, ASongAloneBecomesItsVideoHereAndNothingIsReplacedUnasked) {
    const std::string dir = fixtures::TempFolder("default-name");
    const std::string song = dir + "/My Song.v2.flac";
    ASSERT_TRUE(fixtures::WriteSong(song, audio::MakeSong(0, 0.5, 1), ""));
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof(here)), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    auto r = Render({"--input", song, "--size", "32x32", "--fps", "10"});
    const auto second = Render({"--input", song, "--size", "32x32", "--fps", "10"});
    ASSERT_EQ(chdir(here), 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "writing My Song.v2.mp4")) << r.out;
    EXPECT_FALSE(fixtures::FileExists(dir + "/random.png"));
    const fixtures::VideoInfo info = fixtures::Probe(dir + "/My Song.v2.mp4");
    EXPECT_EQ(info.video.packets, 5);
    EXPECT_EQ(info.audio.codec, "aac");

    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(Has(second.err, "My Song.v2.mp4 exists; --overwrite replaces it")) << second.err;
    EXPECT_EQ(fixtures::Probe(dir + "/My Song.v2.mp4").video.packets, 5);

    // With --overwrite the new render takes the name.
    r = Render({"--input", song, "--video", dir + "/My Song.v2.mp4", "--size", "32x32", "--fps", "20", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(fixtures::Probe(dir + "/My Song.v2.mp4").video.packets, 10);
}

TEST(RenderCommandLine, ProgressForProgramsEndsOnTheLastFrame) {
    const std::string dir = fixtures::TempFolder("progress");
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.wav", audio::MakeSong(0, 2.0, 1), ""));
    const auto r = Render({"--input", dir + "/song.wav", "--video", dir + "/v.mp4", "--size", "32x32", "--fps", "10",
                           "--progress"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "progress done=20 total=20 elapsed=")) << r.out;
    EXPECT_FALSE(Has(r.out, "frame 1:")) << r.out;  // the scene lines would bury it
    EXPECT_EQ(r.err, "");
}

}  // namespace
