// A batch renders one video per song of a folder: songs already done are
// skipped, a broken one is reported while the others are rendered, and
// Ctrl+C leaves only finished, playable videos under their names.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <unistd.h>

#include "audio/synth.h"
#include "media_fixtures.h"

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void ExpectPlayable(const std::string& video, int frames) {
    SCOPED_TRACE(video);
    const fixtures::VideoInfo info = fixtures::Probe(video);
    EXPECT_EQ(info.video.packets, frames);
    EXPECT_EQ(static_cast<int64_t>(fixtures::DecodeFrames(video).size()), frames);
    EXPECT_NEAR(info.audio.seconds, frames / 10.0, 0.06);
}

TEST(RenderBatch, RendersEachSongSkipsTheDoneAndReportsTheBroken) {
    const std::string in = fixtures::TempFolder("batch-in"), out = fixtures::TempFolder("batch-out");
    ASSERT_TRUE(fixtures::WriteSong(in + "/first.flac", audio::MakeSong(0, 1.0, 1), ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/second.wav", audio::MakeSong(1, 1.5, 2), ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/done.ogg", audio::MakeSong(2, 1.0, 3), ""));
    std::ofstream(in + "/broken.mp3") << "not a song";
    std::ofstream(in + "/cover.jpg") << "not a song either, and not taken for one";
    std::ofstream(out + "/done.mp4") << "rendered by an earlier batch";

    const std::vector<std::string> args = {"--input-dir", in, "--video-dir", out, "--size", "64x48", "--fps", "10"};
    auto r = fixtures::Render(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("broken.mp3: not a media file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 rendered, 1 skipped (video already there), 1 failed (broken.mp3): 25 frames"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"done.mp4", "first.mp4", "second.mp4"}));
    ExpectPlayable(out + "/first.mp4", 10);
    ExpectPlayable(out + "/second.mp4", 15);
    EXPECT_EQ(fixtures::FileSize(out + "/done.mp4"), 28);

    // Songs side by side, and again: only the broken one is tried.
    r = fixtures::Render({"--input-dir", in, "--video-dir", fixtures::TempFolder("batch-jobs"), "--size", "64x48",
                          "--fps", "10", "--jobs", "3", "--quiet"});
    EXPECT_NE(r.err.find("3 rendered, 1 failed (broken.mp3)"), std::string::npos) << r.err;
    r = fixtures::Render(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("0 rendered, 3 skipped (video already there), 1 failed (broken.mp3)\n"), std::string::npos)
        << r.err;
}

TEST(RenderBatch, CtrlCKeepsTheFinishedVideosAndNoHalfWrittenOne) {
    const std::string in = fixtures::TempFolder("stop-in"), out = fixtures::TempFolder("stop-out");
    ASSERT_TRUE(fixtures::WriteSong(in + "/a.wav", audio::MakeSong(0, 1.0, 1), ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/b.wav", audio::MakeSong(1, 1.0, 2), ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/c-long.wav", audio::MakeSong(2, 60.0, 3), ""));
    const int pid = fixtures::StartRender(
        {"--input-dir", in, "--video-dir", out, "--size", "160x120", "--fps", "10", "--jobs", "1"},
        in + "/err.txt");
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 400 && fixtures::FileSize(out + "/c-long.mp4.part") < 20000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, SIGINT);  // the batch alone, not its songs: it must pass it on
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"a.mp4", "b.mp4"}));
    ExpectPlayable(out + "/a.mp4", 10);
    ExpectPlayable(out + "/b.mp4", 10);
}

TEST(RenderBatch, ATerminalSeesOneLineForTheBatchAndItsCtrlCStopsEverySong) {
    const std::string in = fixtures::TempFolder("tty-in"), out = fixtures::TempFolder("tty-out");
    ASSERT_TRUE(fixtures::WriteSong(in + "/a.wav", audio::MakeSong(0, 0.5, 1), ""));
    for (const char* name : {"/b.wav", "/c.wav"})
        ASSERT_TRUE(fixtures::WriteSong(in + name, audio::MakeSong(1, 30.0, 2), ""));
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(VELUNE_RENDER_EXE, VELUNE_RENDER_EXE, "--input-dir", in.c_str(), "--video-dir", out.c_str(), "--size",
              "160x120", "--fps", "10", "--jobs", "2", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char buffer[4096];
    bool pressed = false;
    for (ssize_t n; (n = read(terminal, buffer, sizeof(buffer))) > 0;) {
        screen.append(buffer, static_cast<size_t>(n));
        // Ctrl+C as a user types it: the terminal signals every process of the batch.
        if (!pressed && screen.find("1/3 songs") != std::string::npos &&
            fixtures::FileSize(out + "/c.mp4.part") > 0) {
            const char ctrlC = 3;
            ASSERT_EQ(write(terminal, &ctrlC, 1), 1);
            pressed = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(terminal);
    EXPECT_TRUE(pressed) << screen;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << screen;
    EXPECT_NE(screen.find("] 0/3 songs  "), std::string::npos) << screen;
    EXPECT_EQ(screen.find("frame 1:"), std::string::npos) << screen;  // no song's own lines
    EXPECT_EQ(screen.find("failed"), std::string::npos) << screen;
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"a.mp4"}));
    ExpectPlayable(out + "/a.mp4", 5);
}

TEST(RenderBatch, TheTimeLeftWeighsSongsByLengthAndDropsTheFailed) {
    // One second of song done leaves twelve: the time left is twelve times
    // the time spent, not one song's worth, and the song that fails (its
    // rate is too low to play) adds none.
    const std::string in = fixtures::TempFolder("estimate-in"), out = fixtures::TempFolder("estimate-out");
    ASSERT_TRUE(fixtures::WriteSong(in + "/a-short.wav", audio::MakeSong(0, 1.0, 1), ""));
    audio::Pcm low;
    low.sampleRate = 4000;
    low.samples.assign(2 * 5 * 4000, 0);
    ASSERT_TRUE(fixtures::WriteSong(in + "/b-failing.wav", low, ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/c-long.wav", audio::MakeSong(1, 12.0, 2), ""));
    const auto r = fixtures::Render(
        {"--input-dir", in, "--video-dir", out, "--size", "32x32", "--fps", "10", "--jobs", "1", "--progress"});
    EXPECT_EQ(r.exitCode, 1);
    std::smatch m;
    const std::regex line("progress songs=2/3 done=([0-9.]+) total=([0-9.]+) elapsed=([0-9.]+) left=([0-9.]+)");
    ASSERT_TRUE(std::regex_search(r.out, m, line)) << r.out;
    const double done = std::stod(m[1]), total = std::stod(m[2]), elapsed = std::stod(m[3]), left = std::stod(m[4]);
    EXPECT_NEAR(done, 1.0, 0.01);
    EXPECT_NEAR(total, 13.0, 0.01);
    EXPECT_NEAR(left, elapsed * 12.0, 0.01 + elapsed * 0.01);
    EXPECT_NE(r.out.find("progress songs=3/3 done=13.000 total=13.000"), std::string::npos) << r.out;
}

TEST(RenderBatch, ClosingTheTerminalEndsLikeCtrlC) {
    const std::string in = fixtures::TempFolder("hup-in"), out = fixtures::TempFolder("hup-out");
    ASSERT_TRUE(fixtures::WriteSong(in + "/a.wav", audio::MakeSong(0, 0.5, 1), ""));
    ASSERT_TRUE(fixtures::WriteSong(in + "/b.wav", audio::MakeSong(1, 60.0, 2), ""));
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(VELUNE_RENDER_EXE, VELUNE_RENDER_EXE, "--input-dir", in.c_str(), "--video-dir", out.c_str(), "--size",
              "160x120", "--fps", "10", "--jobs", "1", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; fixtures::FileSize(out + "/b.mp4.part") < 20000 && (n = read(terminal, buffer, sizeof(buffer))) > 0;)
        screen.append(buffer, static_cast<size_t>(n));
    close(terminal);  // the window closes: the kernel hangs up on the batch and its songs
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << screen;
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"a.mp4"}));
    ExpectPlayable(out + "/a.mp4", 5);
}

}  // namespace
