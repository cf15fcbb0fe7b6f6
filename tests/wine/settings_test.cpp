// The settings file, seen from outside: what the plug-in writes at Quit after
// loading a given file (or none), through real runs in the stand-in player.
#include <regex>

#include "dialog_test_support.h"

using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

const char* const kKeysInOrder[] = {"Display_Mode",     "Resolution_Mode",    "Frames_Per_Scene", "Minimize_Winamp",
                                    "Use_Delay",        "Prefered_Renderer",  "Prefered_Transform",
                                    "Show_Song_Title",  "Window_Pos_X",       "Window_Pos_Y",     "Renderer_Choice",
                                    "Transform_Choice", "Resolution",         "Max_Frame_Rate",   "Monitor"};

std::vector<std::string> KeyNames(const std::vector<std::string>& entries) {
    std::vector<std::string> names;
    for (const std::string& e : entries) names.push_back(e.substr(0, e.find('=')));
    return names;
}

}  // namespace

// Without a settings file the plug-in starts on its defaults, and Init followed
// at once by Quit writes every key, in order, beside the library: the
// library's own name does not matter.
TEST(HostSettings, NoFileGivesTheDefaultsAndQuitWritesEveryKeyInOrder) {
    Sandbox box("defaults", "vis_renamed.dll");
    const PlayerRun run = box.Run("--frames 0");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.FramesOf("init 0").size(), 1u);

    const std::string text = host_test::ReadFile(box.IniPath());
    EXPECT_EQ(text.compare(0, 14, "[Velune v1.06]"), 0) << text;
    const std::vector<std::string> entries = box.IniEntries();
    EXPECT_EQ(KeyNames(entries), std::vector<std::string>(std::begin(kKeysInOrder), std::end(kKeysInOrder)));
    EXPECT_EQ(box.Ini("Display_Mode"), 0);  // Full Screen
    EXPECT_GE(box.Ini("Resolution_Mode"), 0);
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 500);
    EXPECT_EQ(box.Ini("Minimize_Winamp"), 0);
    EXPECT_EQ(box.Ini("Use_Delay"), 0);
    EXPECT_EQ(box.Ini("Prefered_Renderer"), -1);
    EXPECT_EQ(box.Ini("Prefered_Transform"), -1);
    EXPECT_EQ(box.Ini("Show_Song_Title"), 1);
    EXPECT_EQ(box.Ini("Window_Pos_X"), 0);
    EXPECT_EQ(box.Ini("Window_Pos_Y"), 0);
    EXPECT_EQ(box.Ini("Renderer_Choice"), 16383);
    EXPECT_EQ(box.Ini("Transform_Choice"), 32767);
    EXPECT_EQ(box.IniText("Resolution").compare(0, 8, "640x480x"), 0) << box.IniText("Resolution");
    EXPECT_EQ(box.Ini("Max_Frame_Rate"), 60);
    EXPECT_EQ(box.IniText("Monitor"), "");  // the player's
}

// Locks, both masks, a scene length of -1 and the other values come back
// unchanged after a run; a move in Windowed mode is saved and the next start
// opens the window there.
TEST(HostSettings, ValuesAndTheWindowPositionSurviveARestart) {
    Sandbox box("restart");
    box.WriteIni(
        "Display_Mode=1\r\nFrames_Per_Scene=-1\r\nMinimize_Winamp=1\r\nUse_Delay=1\r\n"
        "Prefered_Renderer=3\r\nPrefered_Transform=7\r\nShow_Song_Title=0\r\nWindow_Pos_X=40\r\n"
        "Window_Pos_Y=30\r\nRenderer_Choice=8192\r\nTransform_Choice=16384\r\nMax_Frame_Rate=30\r\n");
    const PlayerRun first = box.Run("--frames 4 --move 2:120,90");
    ASSERT_TRUE(first.finished);
    const std::vector<std::string> opened = first.TextsOf("window ");
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.front().compare(0, 13, "window 40 30 "), 0) << opened.front();

    const int resolution = box.Ini("Resolution_Mode");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "after the first run" : "after the restart");
        EXPECT_EQ(box.Ini("Display_Mode"), 1);
        EXPECT_EQ(box.Ini("Resolution_Mode"), resolution);
        EXPECT_EQ(box.Ini("Frames_Per_Scene"), -1);
        EXPECT_EQ(box.Ini("Minimize_Winamp"), 1);
        EXPECT_EQ(box.Ini("Use_Delay"), 1);
        EXPECT_EQ(box.Ini("Prefered_Renderer"), 3);
        EXPECT_EQ(box.Ini("Prefered_Transform"), 7);
        EXPECT_EQ(box.Ini("Show_Song_Title"), 0);
        EXPECT_EQ(box.Ini("Window_Pos_X"), 120);
        EXPECT_EQ(box.Ini("Window_Pos_Y"), 90);
        EXPECT_EQ(box.Ini("Renderer_Choice"), 8192);
        EXPECT_EQ(box.Ini("Transform_Choice"), 16384);
        EXPECT_EQ(box.Ini("Max_Frame_Rate"), 30);
        if (run == 0) {
            const PlayerRun second = box.Run("--frames 2");
            ASSERT_TRUE(second.finished);
            const std::vector<std::string> reopened = second.TextsOf("window ");
            ASSERT_FALSE(reopened.empty());
            EXPECT_EQ(reopened.front().compare(0, 14, "window 120 90 "), 0) << reopened.front();
        }
    }
}

// Values no build of the plug-in writes are mended on loading: a display mode
// of 7 starts Full Screen, locks beyond their tables unlock, a scene length of
// 0 becomes 500, any non-zero flag is on, a frame-rate cap above 240 is 240,
// and a resolution index far past the list does not take the plug-in down. In Full Screen a move of the window is
// not remembered.
TEST(HostSettings, DamagedValuesAreMendedOnLoading) {
    Sandbox box("damaged");
    box.WriteIni(
        "Display_Mode=7\r\nResolution_Mode=999\r\nFrames_Per_Scene=0\r\nUse_Delay=5\r\n"
        "Prefered_Renderer=14\r\nPrefered_Transform=-9\r\nShow_Song_Title=2\r\nWindow_Pos_X=10\r\n"
        "Window_Pos_Y=20\r\nMax_Frame_Rate=500\r\n");
    const PlayerRun run = box.Run("--frames 3 --move 2:200,150");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    EXPECT_GE(box.Ini("Resolution_Mode"), 0);
    EXPECT_NE(box.Ini("Resolution_Mode"), 999);
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 500);
    EXPECT_EQ(box.Ini("Use_Delay"), 1);
    EXPECT_EQ(box.Ini("Prefered_Renderer"), -1);
    EXPECT_EQ(box.Ini("Prefered_Transform"), -1);
    EXPECT_EQ(box.Ini("Show_Song_Title"), 1);
    EXPECT_EQ(box.Ini("Window_Pos_X"), 10);
    EXPECT_EQ(box.Ini("Window_Pos_Y"), 20);
    // Full Screen ignores Use_Delay; the pause is what a frame at 240 leaves.
    EXPECT_LE(run.Delays().at(1), 4);
    EXPECT_EQ(box.Ini("Max_Frame_Rate"), 240);
}

// A library whose directory leaves no room for the settings file's name runs
// on its defaults and writes no file at all, rather than a cut path.
TEST(HostSettings, APathTooLongForTheFileNameWritesNothing) {
    Sandbox base("long");
    // The directory is sized so that its library ("x.dll") still fits in 260
    // characters but the settings file's name would not. It grows from a short
    // root of the prefix, so the checkout's own path length plays no part.
    std::string dir = "C:\\velune-long";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const size_t target = 246;
    while (dir.size() < target) {
        // Each part costs its name plus a separator; never leave a gap of one,
        // which no further part could fill.
        const size_t gap = target - dir.size();
        size_t part = std::min<size_t>(60, gap - 1);
        if (gap - 1 - part == 1) --part;
        dir += "\\" + std::string(part, 'd');
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << dir;
    }
    ASSERT_EQ(dir.size(), target);
    const std::string dll = dir + "\\x.dll";
    ASSERT_TRUE(CopyFileA(VELUNE_RELEASE_DIR "\\vis_velune.dll", dll.c_str(), FALSE));
    DeleteFileA((dir + "\\vis_velune.ini").c_str());

    const PlayerRun run = base.Run("--frames 1 --dll \"" + dll + "\"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.FramesOf("init 0").size(), 1u);
    EXPECT_FALSE(host_test::FileExists(dir + "\\vis_velune.ini"));
    EXPECT_FALSE(host_test::FileExists(base.IniPath()));
}

// The mode is remembered by its size as well as its index: a driver or a
// monitor that lists three more modes first does not change the picture's size.
TEST(HostSettings, TheResolutionIsFoundBySizeInANewModeList) {
    Sandbox box("resolution");
    box.UseFaultyDirectDraw();
    box.WriteIni("Display_Mode=1\r\nResolution=800x600x32\r\n");
    int index = -1;
    for (const char* modes : {"", "insert"}) {
        SCOPED_TRACE(modes);
        box.SetEnv("VELUNE_DDRAW_MODES", modes);
        const PlayerRun run = box.Run("--frames 3 --capture 2");
        ASSERT_TRUE(run.finished);
        const host_test::Capture capture = box.CaptureAt(2);
        EXPECT_EQ(capture.width, 800);
        EXPECT_EQ(capture.height, 600);
        EXPECT_EQ(box.IniText("Resolution"), "800x600x32");
        if (index >= 0) {
            EXPECT_EQ(box.Ini("Resolution_Mode"), index + 3);
        }
        index = box.Ini("Resolution_Mode");
    }
}

// Hostile files through the real plug-in with the panel open: huge and
// negative numbers, values of 10,000 characters, binary bytes. The panel shows
// what holds, nothing writes past its buffers (the player checks its heaps
// after Quit), and the first line of each key (the one read and written)
// holds a plain number (a size for the resolution, a short name for the
// monitor) afterwards; lines of no key of ours stay as they were.
TEST(HostSettings, HostileFilesWithThePanelOpen) {
    const std::string binary("Frames_Per_Scene=\x01\xff\x00" "77\r\nDisplay_Mode=\x80\x81\r\n\xfe\xff=\x00\x1b\r\n"
                             "Window_Pos_X=12\x07\xff\r\nResolution_Mode=\x9b\x9b\x9b\r\n", 80);
    // Each key gets the next value of the row, round and round.
    auto keys = [](std::initializer_list<std::string> values) {
        std::string text;
        size_t i = 0;
        for (const char* key : kKeysInOrder) text += std::string(key) + "=" + values.begin()[i++ % values.size()] + "\r\n";
        return text;
    };
    const struct {
        const char* name;
        std::string settings;
        const char* sceneLength;  // what the panel shows
    } files[] = {
        {"numbers", keys({"-2147483648", "99999999999999999999", "2147483647"}), "2147483647"},
        {"long", keys({std::string(10000, 'x'), std::string(10000, '7')}), "500"},
        {"binary", binary + std::string(300, '\0') + keys({"\x01\x02\x03"}), "500"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        Sandbox box(std::string("hostile-") + file.name);
        box.WriteIni(file.settings);
        dialog_test::RunningPlayer player(box, "");
        player.Key(VK_TAB);
        const HWND panel = player.Dialog(dialog_test::kPanel);
        ASSERT_TRUE(panel);
        const std::string shown = dialog_test::Text(panel, 1019);
        EXPECT_EQ(shown, file.sceneLength);
        EXPECT_GT(dialog_test::Ask(panel, 1004, LB_GETCOUNT), 0);
        dialog_test::Click(panel, 1062);
        dialog_test::Click(panel, 1011);
        const PlayerRun run = player.Finish();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.TextsOf("heap damaged"), std::vector<std::string>{});
        for (const char* key : kKeysInOrder) {
            std::string entry;
            for (const std::string& e : box.IniEntries())
                if (entry.empty() && e.compare(0, std::strlen(key) + 1, std::string(key) + "=") == 0) entry = e;
            const char* value = std::strcmp(key, "Monitor") == 0 ? R"((\\\\\.\\\w+)?)" : "-?[0-9]{1,10}(x[0-9]{1,10}){0,2}";
            EXPECT_TRUE(std::regex_match(entry, std::regex(std::string(key) + "=" + value))) << key << ": " << entry;
        }
        const int saved = box.Ini("Frames_Per_Scene");
        EXPECT_EQ(shown, saved == -1 ? std::string("Never") : std::to_string(saved));
    }
}
