// velune-render is a function of its options and its audio: the same command
// gives the same PNGs and the same lossless video frames, run after run,
// whatever else the machine is doing meanwhile.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "media_fixtures.h"

namespace {

// Processes that keep the cores busy for as long as this object lives, so
// that a frame that depended on time would come out differently.
class BusyLoops {
public:
    explicit BusyLoops(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;) spin = spin + 1;
            }
            if (pid > 0) pids.push_back(pid);
        }
    }
    ~BusyLoops() {
        for (pid_t pid : pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::vector<pid_t> pids;
};

std::string Contents(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Ten PNGs of a 1,000-frame run with a new random scene every 60 frames,
// at a size whose rows end on odd pixels; and the scenes and messages the
// tool reported, frame by frame.
struct PngRun {
    std::vector<std::string> pngs;
    std::string log;
};

PngRun RenderPngs(const std::string& dir) {
    const auto r = fixtures::Render({"--seed", "19", "--size", "161x97", "--frames", "1000", "--scene-frames", "60",
                                     "--every", "100", "--out", dir});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    PngRun run;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, 6, "frame ") == 0) run.log += line + "\n";
    for (int frame = 100; frame <= 1000; frame += 100) {
        char name[32];
        std::snprintf(name, sizeof(name), "/random-%05d.png", frame);
        run.pngs.push_back(Contents(dir + name));
    }
    return run;
}

}  // namespace

TEST(RenderDeterminism, TheSamePngsFromTheSameCommandUnderAnyLoad) {
    const PngRun quiet = RenderPngs(fixtures::TempFolder("same-quiet"));
    PngRun busy;
    {
        BusyLoops loops(2);
        busy = RenderPngs(fixtures::TempFolder("same-busy"));
    }
    // The run must be worth comparing: sixteen scenes of several renderers
    // and transforms, and a picture that changes.
    std::set<std::string> scenes;
    std::istringstream lines(quiet.log);
    for (std::string line; std::getline(lines, line);)
        if (line.find(" with ") != std::string::npos) scenes.insert(line.substr(line.find(':') + 2));
    EXPECT_GE(scenes.size(), 6u) << quiet.log;
    EXPECT_EQ(std::set<std::string>(quiet.pngs.begin(), quiet.pngs.end()).size(), quiet.pngs.size());
    EXPECT_EQ(busy.log, quiet.log);
    for (size_t i = 0; i < quiet.pngs.size(); ++i) {
        ASSERT_FALSE(quiet.pngs[i].empty()) << "frame " << 100 * (i + 1);
        EXPECT_TRUE(busy.pngs[i] == quiet.pngs[i]) << "frame " << 100 * (i + 1) << " differs";
    }
}

TEST(RenderDeterminism, TheSameLosslessVideoFramesUnderAnyLoad) {
    const std::string dir = fixtures::TempFolder("same-video");
    auto render = [&](const std::string& name) {
        const auto r = fixtures::Render({"--seed", "5", "--size", "162x98", "--frames", "300", "--scene-frames", "40",
                                         "--fps", "60", "--vcodec", "ffv1", "--video", dir + "/" + name, "--quiet"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return fixtures::DecodeFrames(dir + "/" + name);
    };
    const auto quiet = render("quiet.mkv");
    std::vector<std::vector<uint32_t>> busy;
    {
        BusyLoops loops(2);
        busy = render("busy.mkv");
    }
    ASSERT_EQ(quiet.size(), 300u);
    ASSERT_EQ(busy.size(), quiet.size());
    for (size_t i = 0; i < quiet.size(); ++i) ASSERT_TRUE(busy[i] == quiet[i]) << "frame " << i + 1 << " differs";
}
