// A damaged song still becomes a video, but never a silent success: the
// summary and the batch's name its decode errors, the batch ends with 1,
// and the decoder's own complaints stay out of the log unless --verbose.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "audio/synth.h"
#include "media_fixtures.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// An MP3 with stretches of its middle overwritten.
void WriteDamagedMp3(const std::string& path) {
    ASSERT_TRUE(fixtures::WriteSong(path, audio::MakeSong(0, 3.0, 2), "Damaged"));
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    for (size_t at = bytes.size() / 4; at + 40 < bytes.size() * 3 / 4; at += 1500)
        for (size_t i = 0; i < 40; ++i) bytes[at + i] = static_cast<char>(at * 7 + i * 13);
    f.seekp(0);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int ErrorsNamed(const std::string& text, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? std::stoi(m[1]) : -1;
}

TEST(RenderDamagedSong, TheSummaryCountsDecodeErrorsAndTheLibraryKeepsQuiet) {
    const std::string dir = fixtures::TempFolder("damaged");
    WriteDamagedMp3(dir + "/corrupt.mp3");
    const std::vector<std::string> args = {"--input", dir + "/corrupt.mp3", "--video", dir + "/corrupt.mp4", "--size",
                                           "64x48", "--fps", "10", "--overwrite"};
    auto r = fixtures::Render(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(ErrorsNamed(r.out, "real time, [0-9.]+ kB, rendered with ([0-9]+) decode errors\n"), 0) << r.out;
    EXPECT_GT(ErrorsNamed(r.err, "corrupt.mp3: the song is damaged; rendered with ([0-9]+) decode errors\n"), 0)
        << r.err;
    EXPECT_FALSE(Has(r.err, "mp3float")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_GT(fixtures::Probe(dir + "/corrupt.mp4").video.packets, 20);

    std::vector<std::string> verbose = args;
    verbose.push_back("--verbose");
    r = fixtures::Render(verbose);
    EXPECT_TRUE(Has(r.err, "velune-render: ffmpeg: [mp3float @ ")) << r.err;

    // A sound song says nothing of errors.
    ASSERT_TRUE(fixtures::WriteSong(dir + "/sound.mp3", audio::MakeSong(0, 1.0, 2), ""));
    r = fixtures::Render({"--input", dir + "/sound.mp3", "--video", dir + "/sound.mp4", "--size", "64x48"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(Has(r.out + r.err, "decode error")) << r.out << r.err;
}

TEST(RenderDamagedSong, ABatchNamesTheDamagedSongAndEndsWithOne) {
    const std::string in = fixtures::TempFolder("damaged-in"), out = fixtures::TempFolder("damaged-out");
    WriteDamagedMp3(in + "/corrupt.mp3");
    ASSERT_TRUE(fixtures::WriteSong(in + "/sound.flac", audio::MakeSong(1, 1.0, 3), ""));
    const auto r = fixtures::Render({"--input-dir", in, "--video-dir", out, "--size", "64x48", "--fps", "10"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_GT(ErrorsNamed(r.err, "2 rendered, 1 with decode errors \\(corrupt.mp3: ([0-9]+)\\): "), 0) << r.err;
    EXPECT_FALSE(Has(r.out + r.err, "Header missing")) << r.out << r.err;
    EXPECT_TRUE(fixtures::FileExists(out + "/corrupt.mp4"));
}

}  // namespace
