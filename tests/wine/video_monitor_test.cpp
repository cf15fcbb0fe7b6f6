// Full Screen on the monitor the user is on, through the DirectDraw device of
// that monitor. Wine shows one monitor, so the device list comes through the
// ddraw.dll in front of Wine's, with a device of an unplugged monitor in it.
#include "host_test_harness.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

std::string Setting(const Sandbox& box, const std::string& key) {
    for (const std::string& e : box.IniEntries())
        if (e.compare(0, key.size() + 1, key + "=") == 0) return e.substr(key.size() + 1);
    return "(none)";
}

// The proxy's lines about which device each DirectDraw object was made on.
std::vector<std::string> Devices(const std::string& log) {
    std::vector<std::string> devices;
    for (const std::string& line : host_test::Lines(log))
        if (line.compare(0, 14, "DirectDraw on ") == 0) devices.push_back(line.substr(14));
    return devices;
}

}  // namespace

TEST(VideoMonitor, FullScreenTakesTheDeviceOfTheMonitorInUse) {
    Sandbox box("monitor");
    box.UseFaultyDirectDraw();
    box.SetEnv("VELUNE_DDRAW_DEVICES", "absent");
    box.SetEnv("VELUNE_DDRAW_LOG", box.Path("ddraw.log"));
    const std::string display1 = "the device of \\\\.\\DISPLAY1";

    // The stored monitor is unplugged: the player's monitor serves, and the
    // choice is kept for when it comes back.
    box.WriteIni("Display_Mode=0\r\nMonitor=\\\\.\\DISPLAY9\r\n");
    PlayerRun run = box.Run("--frames 20");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_EQ(run.FramesOf("frame count reached"), std::vector<int>{20});
    std::vector<std::string> devices = Devices(host_test::ReadFile(box.Path("ddraw.log")));
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices.back(), display1);
    EXPECT_EQ(Setting(box, "Monitor"), "\\\\.\\DISPLAY9");

    // F1 from a window on a monitor: Full Screen there, and that monitor is
    // the choice from now on. Windowed runs on the default device.
    DeleteFileA(box.Path("ddraw.log").c_str());
    box.WriteIni("Display_Mode=1\r\nMonitor=\\\\.\\DISPLAY9\r\nWindow_Pos_X=100\r\nWindow_Pos_Y=80\r\n");
    run = box.Run("--frames 30 --key 10:F1");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    devices = Devices(host_test::ReadFile(box.Path("ddraw.log")));
    EXPECT_EQ(devices, (std::vector<std::string>{"the default device", "the default device", display1}));
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    EXPECT_EQ(Setting(box, "Monitor"), "\\\\.\\DISPLAY1");
}
