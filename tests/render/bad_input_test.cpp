// Every bad input or output gives a clear error, exit code 1, and leaves
// neither a half-written video nor its temporary file; an older file of the
// same name stays as it was.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>

#include "audio/synth.h"
#include "media_fixtures.h"
#include "png_writer.h"

namespace {

struct BadCase {
    const char* what;
    std::vector<std::string> args;  // "DIR" stands for the test's folder
    const char* video;              // relative to the folder
    const char* message;
};

std::string Contents(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(RenderErrors, EachBadInputSaysWhatIsWrongAndWritesNothing) {
    const std::string dir = fixtures::TempFolder("errors");
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.flac", audio::MakeSong(0, 0.5, 1), ""));
    std::ofstream(dir + "/notes.mp3") << "These are not the sounds you are looking for.\n";
    const uint32_t picture[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    ASSERT_TRUE(WritePng(dir + "/picture.png", picture, 2, 2));

    const BadCase cases[] = {
        {"missing file", {"--input", "DIR/nowhere.mp3"}, "v.mp4", "nowhere.mp3: cannot open"},
        {"not audio", {"--input", "DIR/notes.mp3"}, "v.mp4", "notes.mp3: not a media file FFmpeg can read"},
        {"no audio stream", {"--input", "DIR/picture.png"}, "v.mp4", "picture.png: has no audio stream"},
        {"unwritable output", {"--input", "DIR/song.flac"}, "no-such-folder/v.mp4", "cannot write"},
        {"unknown container", {"--input", "DIR/song.flac"}, "v.xyz", "unknown video container"},
        {"unknown video codec", {"--input", "DIR/song.flac", "--vcodec", "nosuch"}, "v.mp4", "unknown video codec nosuch"},
        {"unknown audio codec", {"--input", "DIR/song.flac", "--acodec", "nosuch"}, "v.mp4", "unknown audio codec nosuch"},
        {"audio codec as video", {"--input", "DIR/song.flac", "--vcodec", "aac"}, "v.mp4", "aac is not a video codec"},
        {"codec the container refuses", {"--input", "DIR/song.flac", "--vcodec", "libx264"}, "v.webm",
         "the webm container cannot hold libx264 video"},
        {"unknown x264 preset", {"--input", "DIR/song.flac", "--preset", "ludicrous"}, "v.mp4",
         "unknown x264 preset ludicrous"},
        {"VP9 speed out of range", {"--input", "DIR/song.flac", "--preset", "10"}, "v.webm",
         "takes a speed from 0 (slowest) to 9 as --preset, not 10"},
        {"odd size for 4:2:0", {"--input", "DIR/song.flac", "--size", "95x64"}, "v.mp4",
         "needs a width and height divisible by 2; 95x64 is not"},
        {"odd height for 4:2:0", {"--input", "DIR/song.flac", "--size", "96x63", "--vcodec", "libvpx-vp9"}, "v.webm",
         "needs a width and height divisible by 2; 96x63 is not"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string video = dir + "/" + c.video;
        std::ofstream(video) << "an older video";  // fails silently where the folder is missing
        std::vector<std::string> args;
        for (std::string a : c.args) {
            if (a.compare(0, 3, "DIR") == 0) a = dir + a.substr(3);
            args.push_back(a);
        }
        args.insert(args.end(), {"--video", video, "--fps", "10", "--overwrite"});
        const auto r = fixtures::Render(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fixtures::FileExists(video + ".part"));
        if (fixtures::FileExists(video)) {
            EXPECT_EQ(Contents(video), "an older video");
        }
    }
}

TEST(RenderErrors, TheVideoNeverReplacesItsOwnSong) {
    const std::string dir = fixtures::TempFolder("same");
    ASSERT_TRUE(fixtures::WriteSong(dir + "/song.mkv", audio::MakeSong(0, 0.5, 1), ""));
    const long size = fixtures::FileSize(dir + "/song.mkv");
    // The same file under another spelling of its path.
    const auto r = fixtures::Render({"--input", dir + "/song.mkv", "--video", dir + "/./song.mkv"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("would replace its own input"), std::string::npos) << r.err;
    EXPECT_EQ(fixtures::FileSize(dir + "/song.mkv"), size);
}

TEST(RenderErrors, AFullDiskLeavesNoPictureCutShort) {
    // A file size limit stands in for the full disk: the first frames, still
    // dark, fit; the first busy one does not.
    const std::string dir = fixtures::TempFolder("full");
    struct rlimit before;
    getrlimit(RLIMIT_FSIZE, &before);
    struct rlimit small = before;
    small.rlim_cur = 2500;
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    setrlimit(RLIMIT_FSIZE, &small);
    const auto r = fixtures::Render({"--every", "1", "--frames", "60", "--size", "64x48", "--renderer", "0",
                                     "--out", dir});
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(r.exitCode, 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.err, m, std::regex("cannot write (.*-([0-9]+)\\.png) \\(File too large\\); "
                                                        "the frames before it stay")))
        << r.err;
    const int failed = std::stoi(m[2]);
    EXPECT_GT(failed, 1);
    EXPECT_FALSE(fixtures::FileExists(m[1]));
    char name[64];
    std::snprintf(name, sizeof(name), "/00-plain-vanilla-waveforms-%05d.png", failed - 1);
    int w = 0, h = 0;
    EXPECT_EQ(fixtures::ReadPngPixels(dir + name, &w, &h).size(), 64u * 48u);
}

}  // namespace
