// The cadence of frames seen from the stand-in player, with nothing else
// running on the machine (its ctest entry runs alone): the frame cap's totals
// are checked beside the other areas (framecap_test.cpp).
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

// A player that sleeps delayMs as a Windows process at the default timer
// does (on a 15.625 ms tick) leaves the cadence alone: the plug-in waits for
// its frames itself. The bounds are loose for a shared machine; the native
// pacer tests hold the exact ones.
TEST(HostPacing, ASteadyCadenceOnACoarseTimer) {
    for (const char* thread : {"", "--render-thread "}) {
        Sandbox box("pacing-coarse");
        box.WriteIni("Display_Mode=1\r\nResolution_Mode=1\r\n");
        const PlayerRun run = box.Run(std::string(thread) + "--coarse-sleep --frames 301");
        ASSERT_TRUE(run.finished);
        const std::vector<std::string> lines = run.TextsOf("intervals ");
        ASSERT_EQ(lines.size(), 1u);
        int count = 0;
        double mean = 0, within = 0;
        ASSERT_EQ(std::sscanf(lines[0].c_str(), "intervals %d mean %lf ms, within 4 ms of the mean %lf", &count, &mean,
                              &within),
                  3)
            << lines[0];
        EXPECT_EQ(count, 299);
        // A machine too busy to make 60 frames a second shows no cadence at all.
        if (mean > 20.0) GTEST_SKIP() << "too busy to judge: " << lines[0];
        EXPECT_NEAR(mean, 16.7, 1.5) << lines[0];
        EXPECT_GE(within, 80.0) << lines[0];
        std::fprintf(stderr, "%s%s\n", thread, lines[0].c_str());
    }
}
