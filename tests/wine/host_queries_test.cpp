// What the plug-in asks of the player, as the stand-in player logged it: the
// play position every 30 frames, the playlist index and title when the
// position goes back, and the pause it asks for after each frame.
#include "host_test_harness.h"

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// Silent songs over a quiet picture, so the corner where the transient
// message goes stays dark. X restarts the song at frame 40 and B
// starts the next one at frame 142; captures bracket the title that follows.
const char kSongArguments[] = "--silent-songs 3 --frames 160 --key 40:X --key 142:B --capture 146 --capture 155";
const std::string kSongSettings = std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n") + host_test::kQuietPicture;

void ExpectQueriesOfASongChange(const PlayerRun& run) {
    EXPECT_EQ(run.FramesOf("query 105"), (std::vector<int>{1, 31, 61, 91, 121, 151}));
    EXPECT_EQ(run.FramesOf("query 125"), (std::vector<int>{1, 61, 151}));
    EXPECT_EQ(run.FramesOf("query 212"), (std::vector<int>{1, 61, 151}));
    // Each title is asked for with the index just answered, after the position.
    std::vector<std::string> order;
    for (const host_test::LogLine& line : run.log)
        if (line.frame == 151 && line.what.compare(0, 6, "query ") == 0) order.push_back(line.what);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0].compare(0, 9, "query 105"), 0);
    EXPECT_EQ(order[1], "query 125 result 1");
    EXPECT_EQ(order[2], "query 212 wparam 1 result \"Velune Silent Song 2\"");
    EXPECT_EQ(run.TextsOf("query 212").front(), "query 212 wparam 0 result \"Velune Silent Song 1\"");
}

}  // namespace

// The position is polled on frames 1, 31, 61, ...; a restart (the player's X)
// and the next song (its B, forwarded by the display window) each make the
// position go back, and the next poll asks for the index and then the title,
// which appears as a transient message.
TEST(HostQueries, PollsThePositionAndShowsTheTitleOfANewSong) {
    Sandbox box("title-on");
    box.WriteIni(kSongSettings);
    const PlayerRun run = box.Run(kSongArguments);
    ASSERT_TRUE(run.finished);
    ExpectQueriesOfASongChange(run);
    EXPECT_EQ(run.FramesOf("track 1"), std::vector<int>{142});

    const Capture before = box.CaptureAt(146), after = box.CaptureAt(155);
    EXPECT_LT(before.MessagePixels(), 10) << "the restart's title should be gone by frame 146";
    EXPECT_GT(after.MessagePixels(), 50) << "the new song's title should show from frame 151";
}

// With Show_Song_Title 0 the plug-in still asks for the title but shows nothing.
TEST(HostQueries, TitleStaysHiddenWhenSwitchedOff) {
    Sandbox box("title-off");
    box.WriteIni(kSongSettings + "Show_Song_Title=0\r\n");
    const PlayerRun run = box.Run(kSongArguments);
    ASSERT_TRUE(run.finished);
    ExpectQueriesOfASongChange(run);
    EXPECT_LT(box.CaptureAt(146).MessagePixels(), 10);
    EXPECT_LT(box.CaptureAt(155).MessagePixels(), 10);
}

// Without the frame-rate cap delayMs follows the display mode as it always
// did: 5 in Windowed mode with Use_Delay, 0 in Full Screen whatever Use_Delay
// says. F1, F2 and Alt+Enter switch modes; the
// last mode is saved, and the window comes back to its Windowed place, which
// the trips through Full Screen leave stored. The player here answers the
// title query with a null address, which the plug-in must survive. Once with
// the plug-in on the player's thread, once on a thread of its own.
TEST(HostQueries, DelayFollowsTheDisplayModeKeys) {
    for (const char* thread : {"", "--plugin-thread "}) {
        Sandbox box("delay");
        box.WriteIni("Display_Mode=1\r\nUse_Delay=1\r\nWindow_Pos_X=50\r\nWindow_Pos_Y=60\r\nMax_Frame_Rate=0\r\n");
        const PlayerRun run = box.Run(std::string(thread) +
                                      "--null-title --frames 25 --key 5:F1 --key 10:alt+enter --key 15:alt+enter --key 20:F2");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        const std::vector<int> delays = run.Delays();
        ASSERT_EQ(delays.size(), 26u);
        for (int frame = 1; frame <= 25; ++frame) {
            const bool windowed = frame < 5 || (frame >= 10 && frame < 15) || frame >= 20;
            EXPECT_EQ(delays[frame], windowed ? 5 : 0) << thread << "frame " << frame;
        }
        EXPECT_EQ(box.Ini("Display_Mode"), 1);
        EXPECT_EQ(box.Ini("Window_Pos_X"), 50);
        EXPECT_EQ(box.Ini("Window_Pos_Y"), 60);
        const std::vector<std::string> places = run.TextsOf("window ");
        ASSERT_GE(places.size(), 3u);
        EXPECT_EQ(places.front().compare(0, 13, "window 50 60 "), 0) << places.front();
        EXPECT_EQ(places.back().compare(0, 13, "window 50 60 "), 0) << places.back();
        EXPECT_EQ(run.TextsOf("query 212").front(), "query 212 wparam 0 result \"(null)\"");
        EXPECT_EQ(run.TextsOf("cursor count "), std::vector<std::string>{"cursor count 0"});
    }
}
