// DirectDraw failing on cue (a ddraw.dll in front of Wine's, beside a private
// copy of the player), with the real plug-in in the real player: what a real
// card and desktop do that Wine does not. Either the plug-in draws again after
// the fault, or it stops cleanly: one box, the player lives, Quit runs, the
// settings keep what worked.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

struct FaultRun {
    PlayerRun run;
    std::string proxyLog;
};

FaultRun RunWithFault(Sandbox& box, const char* fault, int at, const std::string& arguments) {
    box.UseFaultyDirectDraw();
    box.SetEnv("VELUNE_DDRAW_FAULT", fault);
    box.SetEnv("VELUNE_DDRAW_AT", std::to_string(at));
    box.SetEnv("VELUNE_DDRAW_LOG", box.Path("ddraw.log"));
    FaultRun result;
    result.run = box.Run(arguments, 180000);
    result.proxyLog = host_test::ReadFile(box.Path("ddraw.log"));
    return result;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Presentations that reached the screen after the fault began, from the
// proxy's closing line.
int PresentedAfter(const std::string& log) {
    const size_t at = log.find("presentations, ");
    return at == std::string::npos ? -1 : std::atoi(log.c_str() + at + 15);
}

void ExpectCursorShown(const PlayerRun& run);

void ExpectDrawsAgain(const Sandbox& box, const FaultRun& f, int frames, int mode) {
    ASSERT_TRUE(f.run.finished);
    EXPECT_EQ(f.run.exitCode, 0u);
    EXPECT_EQ(f.run.boxes, std::vector<std::string>{});
    EXPECT_EQ(f.run.FramesOf("frame count reached"), std::vector<int>{frames});
    EXPECT_TRUE(Has(f.proxyLog, "presenting again")) << f.proxyLog;
    EXPECT_GT(PresentedAfter(f.proxyLog), frames / 3) << f.proxyLog;
    EXPECT_EQ(box.Ini("Display_Mode"), mode);
    ExpectCursorShown(f.run);
}

// The pointer shown again when the plug-in is gone.
void ExpectCursorShown(const PlayerRun& run) {
    const std::vector<std::string> counts = run.TextsOf("cursor count ");
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_GE(std::atoi(counts[0].c_str() + 13), 0) << counts[0];
}

// One box with this text, then the plug-in stopped on that very frame (the
// quit message, taken by the player's pump, or Render answering 1) and Quit ran.
void ExpectStoppedCleanly(const FaultRun& f, const std::string& text, int failingFrame) {
    ASSERT_TRUE(f.run.finished);
    EXPECT_EQ(f.run.exitCode, 0u) << "the player should live on";
    EXPECT_EQ(f.run.boxes, std::vector<std::string>{text}) << f.proxyLog;
    EXPECT_TRUE(f.run.FramesOf("frame count reached").empty());
    std::vector<int> stopped = f.run.FramesOf("render returned 1");
    for (int frame : f.run.FramesOf("stop requested")) stopped.push_back(frame);
    EXPECT_EQ(stopped, std::vector<int>{failingFrame});
    EXPECT_EQ(f.run.FramesOf("quit"), std::vector<int>{failingFrame});
    ExpectCursorShown(f.run);
}

}  // namespace

// The primary is lost and Restore answers DDERR_WRONGMODE until the mode is
// set again: the display is rebuilt, no box.
TEST(RobustFaults, LostSurfacesAreRebuilt) {
    for (int mode : {0, 1}) {
        Sandbox box(mode == 0 ? "lost-full" : "lost-windowed");
        box.WriteIni("Display_Mode=" + std::to_string(mode) + "\r\n");
        const FaultRun f = RunWithFault(box, "lost", 30, "--songs 1 --frames 120");
        EXPECT_TRUE(Has(f.proxyLog, "restore refused: wrong mode")) << f.proxyLog;
        EXPECT_TRUE(Has(f.proxyLog, "mode set again")) << f.proxyLog;
        ExpectDrawsAgain(box, f, 120, mode);
    }
}

// The application deactivated (its exclusive display gone) and activated
// again a second later.
TEST(RobustFaults, DeactivatedAndActivatedAgain) {
    for (int mode : {0, 1}) {
        Sandbox box(mode == 0 ? "activate-full" : "activate-windowed");
        box.WriteIni("Display_Mode=" + std::to_string(mode) + "\r\n");
        // Paced, so the activation a second later comes while the player still runs.
        const FaultRun f = RunWithFault(box, "activate", 30, "--songs 1 --frames 160 --min-frame-ms 20");
        EXPECT_TRUE(Has(f.proxyLog, "fault activate on")) << f.proxyLog;
        ExpectDrawsAgain(box, f, 160, mode);
    }
}

// A busy card: blits and locks wait, and one still busy skips a frame.
TEST(RobustFaults, BusyBlitsAndLocksWait) {
    for (int mode : {0, 1}) {
        Sandbox box(mode == 0 ? "busy-full" : "busy-windowed");
        box.WriteIni("Display_Mode=" + std::to_string(mode) + "\r\n");
        const FaultRun f = RunWithFault(box, "busy", 20, "--songs 1 --frames 100");
        EXPECT_FALSE(Has(f.proxyLog, "without the wait flag")) << f.proxyLog;
        ExpectDrawsAgain(box, f, 100, mode);
    }
}

// F1 from Windowed, and the display refuses the mode: one box, the plug-in
// stops, and the settings keep Windowed, which worked.
TEST(RobustFaults, RefusedModeStopsOnlyThePlugin) {
    Sandbox box("setmode");
    box.WriteIni("Display_Mode=1\r\n");
    const FaultRun f = RunWithFault(box, "setmode", 1, "--songs 1 --frames 60 --key 30:F1");
    ExpectStoppedCleanly(f, "Error changing resolution - DDERR_INVALIDMODE", 30);
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
    EXPECT_GE(box.Ini("Resolution_Mode"), 0);
}

// A blit that fails for good inside a frame: Render answers 1 at once, and a
// player that reads it stops the plug-in on that frame.
TEST(RobustFaults, FailedBlitStopsTheRunFromRender) {
    Sandbox box("bltfail");
    box.WriteIni("Display_Mode=0\r\n");
    const FaultRun f = RunWithFault(box, "bltfail", 25, "--songs 1 --frames 60");
    ExpectStoppedCleanly(f, "Video::Flip(), Error blitting backbuffer - DDERR_GENERIC", 25);
    EXPECT_EQ(f.run.FramesOf("render returned 1"), std::vector<int>{25});
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
}

// The same refusal at start: Init answers 1 and saves "not chosen" for the
// display, every other key as it was, so the next start (with a display that
// works) succeeds with the user's choices.
TEST(RobustFaults, FailedStartSavesNoDisplayAndTheNextStartWorks) {
    Sandbox box("setmode-start");
    box.WriteIni("Display_Mode=0\r\nResolution_Mode=3\r\nFrames_Per_Scene=77\r\nRenderer_Choice=2048\r\n"
                 "Transform_Choice=1024\r\n");
    const FaultRun f = RunWithFault(box, "setmode", 1, "--songs 1 --frames 50");
    ASSERT_TRUE(f.run.finished);
    EXPECT_EQ(f.run.boxes, std::vector<std::string>{"Error changing resolution - DDERR_INVALIDMODE"});
    EXPECT_EQ(f.run.TextsOf("init "), std::vector<std::string>{"init 1"});
    EXPECT_EQ(box.Ini("Display_Mode"), -1);
    EXPECT_EQ(box.Ini("Resolution_Mode"), -1);
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 77);
    EXPECT_EQ(box.Ini("Renderer_Choice"), 2048);
    EXPECT_EQ(box.Ini("Transform_Choice"), 1024);
    box.UseRealDirectDraw();
    const PlayerRun next = box.Run("--songs 1 --frames 20");
    EXPECT_EQ(next.TextsOf("init "), std::vector<std::string>{"init 0"});
    EXPECT_EQ(next.boxes, std::vector<std::string>{});
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    EXPECT_EQ(box.Ini("Transform_Choice"), 1024);
}

// No DirectDraw at all: the DirectX warning is the one box, Init answers 1,
// and no quit message is left for the player.
TEST(RobustFaults, NoDirectDrawGivesOneWarning) {
    Sandbox box("no-directdraw");
    const FaultRun f = RunWithFault(box, "create", 1, "--songs 1 --frames 20");
    ASSERT_TRUE(f.run.finished);
    EXPECT_EQ(f.run.boxes, std::vector<std::string>{"Warning: This plugin requires DirectX 6 or greater"});
    EXPECT_EQ(f.run.TextsOf("init "), std::vector<std::string>{"init 1"});
    EXPECT_EQ(f.run.TextsOf("stray quit"), std::vector<std::string>{});
}

// Out of video memory for the new primary surface on F1.
TEST(RobustFaults, OutOfVideoMemoryStopsOnlyThePlugin) {
    Sandbox box("vidmem");
    box.WriteIni("Display_Mode=1\r\n");
    const FaultRun f = RunWithFault(box, "vidmem", 2, "--songs 1 --frames 60 --key 30:F1");
    ExpectStoppedCleanly(f, "Error creating desktop surface - DDERR_OUTOFVIDEOMEMORY", 30);
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
}

// A failure while Background's wallpaper is up (Alt+Enter rebuilds
// Background in place): the box comes after the user's own wallpaper is
// back, and it stays back.
TEST(RobustFaults, FailureInBackgroundGivesTheWallpaperBack) {
    Sandbox box("wallpaper-failure");
    box.WriteIni("Display_Mode=2\r\n");
    const std::string user = box.Path("user.bmp");
    CopyFileA(VELUNE_RELEASE_DIR "\\vis_velune.bmp", user.c_str(), FALSE);
    char kept[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof kept, kept, 0);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(user.c_str()), SPIF_SENDCHANGE);
    const FaultRun f = RunWithFault(box, "vidmem", 2, "--songs 1 --frames 60 --key 30:alt+Enter");
    const std::string after = host_test::DesktopWallpaper();
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, kept, SPIF_SENDCHANGE);
    ExpectStoppedCleanly(f, "Video::AllocateSurfaces, Error creating desktop surface - DDERR_OUTOFVIDEOMEMORY", 30);
    EXPECT_EQ(f.run.wallpaperAtBox, std::vector<std::string>{user});
    EXPECT_EQ(after, user);
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
}

// A stored Background without overlay hardware (and no desktop shell) opens
// Windowed, with a message, and the settings still say Background.
TEST(RobustFaults, BackgroundWithoutOverlayOpensWindowed) {
    Sandbox box("nooverlay");
    box.WriteIni(std::string("Display_Mode=2\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n") + host_test::kQuietPicture);
    const FaultRun f = RunWithFault(box, "nooverlay", 1, "--silent-songs 1 --frames 60 --capture 50");
    ASSERT_TRUE(f.run.finished);
    EXPECT_EQ(f.run.boxes, std::vector<std::string>{});
    EXPECT_EQ(f.run.FramesOf("frame count reached"), std::vector<int>{60});
    const std::vector<std::string> windows = f.run.TextsOf("window ");
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back().find("visible 1"), std::string::npos) << windows.back();
    EXPECT_GT(box.CaptureAt(50).MessagePixels(), 50) << "the message saying why";
    // Windowed stood in for this run only: the next start tries Background again.
    EXPECT_EQ(box.Ini("Display_Mode"), 2);
}

// Full Screen on a monitor's own device, and the monitor is unplugged: its
// device is gone and refuses every mode. The desktop gets its mode back and
// Full Screen reopens on the monitor chosen now, instead of failing rebuilds
// on the old device until a box stops the plug-in.
TEST(RobustFaults, UnpluggedMonitorReopensOnAnother) {
    Sandbox box("unplug");
    box.WriteIni("Display_Mode=0\r\n");
    const FaultRun f = RunWithFault(box, "unplug", 30, "--songs 1 --frames 400");
    ASSERT_TRUE(Has(f.proxyLog, "DirectDraw on the unpluggable device")) << f.proxyLog;
    ASSERT_TRUE(Has(f.proxyLog, "fault unplug")) << f.proxyLog;
    const std::string after = f.proxyLog.substr(f.proxyLog.find("fault unplug"));
    EXPECT_TRUE(Has(after, "DirectDraw on the default device") || Has(after, "DirectDraw on the device of")) << after;
    ExpectDrawsAgain(box, f, 400, 0);
    const std::vector<std::string> desktop = f.run.TextsOf("desktop ");
    ASSERT_EQ(desktop.size(), 2u);
    EXPECT_EQ(desktop[1], desktop[0]);
}
