// The DLL draws what the native engine draws, whatever x87 precision the
// player runs at, and every caller gets its own precision back: after each
// call into the plug-in, and inside every query the plug-in sends it.
#include <string>

#include "../player_parity.h"
#include "host_test_harness.h"

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

void ExpectNativeFrames(const parity::Run& parityRun, const Sandbox& box, const PlayerRun& run,
                        const std::string& how) {
    ASSERT_TRUE(run.finished) << how;
    EXPECT_TRUE(run.TextsOf("fpu").empty()) << how << ": " << run.TextsOf("fpu").front();
    for (int i = 0; i < parityRun.frameCount; ++i) {
        const parity::Expected& expected = parityRun.frames[i];
        const Capture capture = box.CaptureAt(expected.frame);
        // The capture is the client area: the whole frame.
        ASSERT_EQ(capture.width, parity::kWidth) << how;
        ASSERT_EQ(capture.height, parity::kHeight) << how;
        const uint32_t sum = parity::Checksum(
            [&](int x, int y) { return capture.pixels[static_cast<size_t>(y) * capture.width + x]; });
        EXPECT_TRUE(sum == expected.checksum || sum == expected.previous)
            << how << ", frame " << expected.frame << std::hex << ": 0x" << sum;
    }
}

std::string ParityArguments(const parity::Run& parityRun, int fpuBits) {
    const int last = parityRun.frames[parityRun.frameCount - 1].frame;
    std::string arguments = "--fixed-time " + std::to_string(parity::kTime) + " --fpu " + std::to_string(fpuBits) +
                            " --songs " + std::to_string(parity::kSongs) + " --seed " +
                            std::to_string(parity::kSongSeed) + " --frames " + std::to_string(last + 5);
    for (int i = 0; i < parityRun.frameCount; ++i)
        arguments += " --capture " + std::to_string(parityRun.frames[i].frame);
    return arguments;
}

}  // namespace

// A MinGW-built player runs at 64 bits, an MSVC-built one at 53; the plug-in
// on its own thread, as in a real player, or on the player's.
TEST(HostPrecision, SameFramesAsTheNativeEngineAtEitherPrecision) {
    const struct {
        int bits;
        const char* extra;
    } runs[] = {{64, ""}, {53, " --plugin-thread"}};
    for (const auto& r : runs) {
        Sandbox box("precision-" + std::to_string(r.bits));
        box.WriteIni(parity::kLocked.settings);
        const PlayerRun run = box.Run(ParityArguments(parity::kLocked, r.bits) + r.extra);
        ExpectNativeFrames(parity::kLocked, box, run, std::to_string(r.bits) + " bits" + r.extra);
    }
}

// Long after the first frames: scene changes with random renderers and
// transforms, maps generated over frames, particles that amplify any last bit.
TEST(HostPrecision, SameFramesAsTheNativeEngineThroughSceneChanges) {
    Sandbox box("precision-scenes");
    box.WriteIni(parity::kScenes.settings);
    const PlayerRun run = box.Run(ParityArguments(parity::kScenes, 64) + " --plugin-thread");
    ExpectNativeFrames(parity::kScenes, box, run, "scene changes");
}

// Keys, the configure command on another thread, a scene change and the
// title queries of a new song, all at the player's 64 bits: no call hands the
// player another precision, and no query reaches it at the plug-in's.
TEST(HostPrecision, EveryCallerKeepsItsOwnPrecision) {
    Sandbox box("precision-calls");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=100\r\n");
    const PlayerRun run = box.Run(
        "--fpu 64 --frames 130 --key 10:Space --key 20:F5 --key 30:F4 --key 40:B --config-thread 50 --key 60:Esc");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.FramesOf("config returned").size(), 1u);
    EXPECT_FALSE(run.FramesOf("query 213").empty()) << "a new song should have been asked for its title";
    for (const std::string& line : run.TextsOf("fpu")) ADD_FAILURE() << line;
}
