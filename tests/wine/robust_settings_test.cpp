// Hostile settings files through the real plug-in with the panel open: huge
// and negative numbers, values of 10,000 characters, binary bytes. The panel
// shows what holds, and Quit writes twelve plain numbers back.
#include <regex>

#include "dialog_test_support.h"

using namespace dialog_test;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

const char* const kKeys[] = {"Display_Mode",       "Resolution_Mode", "Frames_Per_Scene", "Minimize_Winamp",
                             "Use_Delay",          "Prefered_Renderer", "Prefered_Transform", "Show_Song_Title",
                             "Window_Pos_X",       "Window_Pos_Y",    "Renderer_Choice",  "Transform_Choice"};

// Every key with the same value.
std::string AllKeys(const std::string& value) {
    std::string text;
    for (const char* key : kKeys) text += std::string(key) + "=" + value + "\r\n";
    return text;
}

struct Hostile {
    const char* name;
    std::string settings;
    const char* sceneLength;  // what the panel's scene length shows
};

}  // namespace

TEST(RobustSettings, HostileFilesWithThePanelOpen) {
    const std::string binary("Frames_Per_Scene=\x01\xff\x00" "77\r\nDisplay_Mode=\x80\x81\r\n\xfe\xff=\x00\x1b\r\n"
                             "Window_Pos_X=12\x07\xff\r\nResolution_Mode=\x9b\x9b\x9b\r\n", 80);
    const Hostile files[] = {
        {"largest", AllKeys("2147483647"), "2147483647"},
        {"smallest", AllKeys("-2147483648"), "500"},
        {"beyond", AllKeys("99999999999999999999"), nullptr},
        {"long", AllKeys(std::string(10000, '7')), nullptr},
        {"long-junk", AllKeys(std::string(10000, 'x')), "500"},
        {"binary", binary + std::string(300, '\0') + AllKeys("\x01\x02\x03"), nullptr},
    };
    for (const Hostile& file : files) {
        SCOPED_TRACE(file.name);
        Sandbox box(std::string("hostile-") + file.name);
        box.WriteIni(file.settings);
        RunningPlayer player(box, "");
        player.Key(VK_TAB);
        const HWND panel = player.Dialog(kPanel);
        ASSERT_TRUE(panel);
        const std::string shown = Text(panel, 1019);
        if (file.sceneLength != nullptr) {
            EXPECT_EQ(shown, file.sceneLength);
        }
        EXPECT_GT(Ask(panel, 1004, LB_GETCOUNT), 0);
        Click(panel, 1062);
        Click(panel, 1011);
        const PlayerRun run = player.Finish();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.TextsOf("heap damaged"), std::vector<std::string>{});
        // The first line of each key is the one read and written; lines of
        // no key of ours stay as they were.
        for (const char* key : kKeys) {
            std::string entry;
            for (const std::string& e : box.IniEntries())
                if (entry.empty() && e.compare(0, std::strlen(key) + 1, std::string(key) + "=") == 0) entry = e;
            EXPECT_TRUE(std::regex_match(entry, std::regex("[A-Za-z_]+=-?[0-9]{1,10}"))) << key << ": " << entry;
        }
        const int saved = box.Ini("Frames_Per_Scene");
        EXPECT_EQ(shown, saved == -1 ? std::string("Never") : std::to_string(saved));
    }
}
