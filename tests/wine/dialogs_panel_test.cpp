// The configuration panel of the real plug-in in the stand-in player, driven
// from outside like a person would: opened with Tab and the tray icon,
// buttons pressed, slider moved, list items picked; what it shows is read
// back, and what it changed is read from the settings file after Quit and
// from the display window's size in the player's log.
#include "dialog_test_support.h"

using dialog_test::Checked;
using dialog_test::Click;
using dialog_test::Enabled;
using dialog_test::ItemCount;
using dialog_test::RunningPlayer;
using dialog_test::Selected;
using dialog_test::Text;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// Another item of a list of `count`.
int OtherItem(int count, int not_) { return count < 2 ? -1 : (not_ == 0 ? count - 1 : 0); }

bool Logged(const PlayerRun& run, const std::string& prefix) { return !run.FramesOf(prefix).empty(); }

}  // namespace

// Opened in Full Screen, the panel first takes the display to Windowed and
// shows the loaded settings; a second Tab or tray click opens nothing more;
// the slider, the boxes and "On" change the plug-in at once, and everything
// is saved when "Exit Plugin" stops it.
TEST(DialogsPanel, ShowsSettingsChangesThemAndExits) {
    Sandbox box("panel-settings");
    // Only renderer 2 and transform 4 may be chosen at random.
    box.WriteIni("Display_Mode=0\r\nUse_Delay=1\r\nShow_Song_Title=0\r\nRenderer_Choice=2048\r\nTransform_Choice=1024\r\n");
    RunningPlayer player(box, "--frames -1");
    ASSERT_TRUE(player.Display());
    player.Key(VK_TAB);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel) << "Tab opens the panel";

    EXPECT_TRUE(Checked(panel, 1006)) << "opening in Full Screen goes Windowed";
    EXPECT_FALSE(Checked(panel, 1061));
    EXPECT_GT(ItemCount(panel, 1004), 0);
    EXPECT_TRUE(Checked(panel, 1013));
    EXPECT_FALSE(Checked(panel, 1012));
    EXPECT_FALSE(Checked(panel, 1010));
    EXPECT_FALSE(Checked(panel, 1005));
    EXPECT_EQ(dialog_test::SliderPosition(panel, 1020), 5);
    EXPECT_EQ(Text(panel, 1019), "500");
    EXPECT_EQ(Text(panel, 1022), "100");
    EXPECT_EQ(Text(panel, 1021), "Never");
    EXPECT_EQ(Text(panel, 1056), "Moving Volume Cicle");
    EXPECT_EQ(Text(panel, 1057), "Undulating Slider");
    EXPECT_TRUE(Checked(panel, 1064));
    EXPECT_TRUE(Checked(panel, 1065));
    // Background is offered exactly when the note says so.
    if (Enabled(panel, 1008)) {
        EXPECT_EQ(Text(panel, 1029), "(supported)");
    } else {
        EXPECT_EQ(Text(panel, 1029), "(Unsupported by hardware)");
        EXPECT_FALSE(Enabled(panel, 1029));
    }

    player.Key(VK_TAB);
    player.Tray(WM_LBUTTONDOWN);
    player.Tray(WM_RBUTTONDOWN);
    Sleep(500);
    EXPECT_EQ(player.Count(dialog_test::kPanelCaption), 1);

    dialog_test::MoveSlider(panel, 1020, 21);
    EXPECT_EQ(Text(panel, 1019), "Never");
    dialog_test::MoveSlider(panel, 1020, 1);
    EXPECT_EQ(Text(panel, 1019), "100");
    dialog_test::MoveSlider(panel, 1020, 21);

    Click(panel, 1012);
    Click(panel, 1013);
    Click(panel, 1010);
    Click(panel, 1005);

    // "Next" steps to renderer 3 and transform 5, which random choice skips;
    // "On" lets them in.
    Click(panel, 1062);
    EXPECT_EQ(Text(panel, 1056), "Shivering Lines");
    EXPECT_FALSE(Checked(panel, 1064));
    Click(panel, 1064);
    Click(panel, 1063);
    EXPECT_EQ(Text(panel, 1057), "Fuzzy Fade");
    EXPECT_FALSE(Checked(panel, 1065));
    Click(panel, 1065);
    EXPECT_EQ(Text(panel, 1056), "Shivering Lines") << "the transform's Next keeps the renderer";

    Click(panel, 1011);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(Logged(run, "stop requested")) << "Exit Plugin stops the plug-in";
    EXPECT_TRUE(run.TextsOf("fpu changed").empty());
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), -1);
    EXPECT_EQ(box.Ini("Show_Song_Title"), 1);
    EXPECT_EQ(box.Ini("Use_Delay"), 0);
    EXPECT_EQ(box.Ini("Minimize_Winamp"), 1);
    EXPECT_EQ(box.Ini("Renderer_Choice"), 2048 | 1024);
    EXPECT_EQ(box.Ini("Transform_Choice"), 1024 | 512);
}

// A scene length from the file that is no slider step shows as it is, with
// the slider at its hundreds; touching the slider makes it a step.
TEST(DialogsPanel, OddSceneLengthFromTheFile) {
    Sandbox box("panel-odd-length");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=550\r\n");
    RunningPlayer player(box, "--frames -1");
    ASSERT_TRUE(player.Display());
    player.Tray(WM_LBUTTONDOWN);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel) << "a left click on the tray icon opens the panel";
    EXPECT_EQ(Text(panel, 1019), "550");
    EXPECT_EQ(dialog_test::SliderPosition(panel, 1020), 5);
    dialog_test::MoveSlider(panel, 1020, 20);
    EXPECT_EQ(Text(panel, 1019), "2000");
    Click(panel, 1011);
    ASSERT_TRUE(player.Finish().finished);
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 2000);
}

// The radio buttons show each mode's list; "Done" applies the picked
// resolution (the window takes its size), while the close box and Esc drop a
// pick; Enter presses "Done" where the player lets the dialog see its keys.
TEST(DialogsPanel, DoneAppliesCloseBoxAndEscDiscard) {
    Sandbox box("panel-modes");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n");
    RunningPlayer player(box, "--frames -1 --dialog-messages");
    ASSERT_TRUE(player.Display());
    player.Key(VK_TAB);
    HWND panel = player.Panel();
    ASSERT_TRUE(panel);
    const int windowed = ItemCount(panel, 1004);
    const int start = Selected(panel, 1004);
    ASSERT_GE(start, 0);
    const int picked = OtherItem(windowed, start);
    ASSERT_GE(picked, 0) << "the Windowed list needs two sizes";

    Click(panel, 1061);
    EXPECT_TRUE(Checked(panel, 1061));
    EXPECT_EQ(Selected(panel, 1004), 0) << "another mode starts at its first resolution";
    EXPECT_GT(ItemCount(panel, 1004), 0);
    Click(panel, 1006);
    EXPECT_EQ(ItemCount(panel, 1004), windowed);
    EXPECT_EQ(Selected(panel, 1004), start) << "the current mode shows the current resolution";

    dialog_test::PickItem(panel, 1004, picked);
    Click(panel, 1009);
    ASSERT_TRUE(player.Gone(dialog_test::kPanelCaption)) << "Done closes the panel";
    Sleep(300);

    // The close box keeps the applied size and forgets the new pick.
    player.Key(VK_TAB);
    panel = player.Panel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(Selected(panel, 1004), picked);
    dialog_test::PickItem(panel, 1004, start);
    PostMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(player.Gone(dialog_test::kPanelCaption)) << "the close box closes the panel";
    // F2 rebuilds Windowed at the resolution still requested: the dropped
    // pick must not come back through it.
    player.Key(VK_F2);
    Sleep(300);

    // Esc the same, through the player's IsDialogMessage.
    player.Key(VK_TAB);
    panel = player.Panel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(Selected(panel, 1004), picked) << "the close box dropped the pick";
    dialog_test::PickItem(panel, 1004, start);
    PostMessageA(GetDlgItem(panel, 1004), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(player.Gone(dialog_test::kPanelCaption)) << "Esc closes the panel";
    player.Key(VK_F2);
    Sleep(300);

    // Enter is "Done".
    player.Key(VK_TAB);
    panel = player.Panel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(Selected(panel, 1004), picked) << "Esc dropped the pick";
    dialog_test::PickItem(panel, 1004, start);
    PostMessageA(GetDlgItem(panel, 1004), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(player.Gone(dialog_test::kPanelCaption)) << "Enter presses Done";
    Sleep(300);

    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    // The window went to the picked size and, with Enter, back to the first.
    const std::vector<std::string> sizes = dialog_test::WindowSizes(run);
    ASSERT_EQ(sizes.size(), 3u) << "start, Done, Enter; nothing from the dropped picks";
    EXPECT_NE(sizes[1], sizes[0]);
    EXPECT_EQ(sizes[2], sizes[0]);
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
    EXPECT_EQ(box.Ini("Resolution_Mode"), start);
}

// F1 with the panel open closes it first (it would hide behind the exclusive
// display) and drops its unapplied pick: Full Screen takes the resolution
// index in effect, not the one picked.
TEST(DialogsPanel, FullScreenClosesThePanelFirst) {
    Sandbox box("panel-full-screen");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n");
    RunningPlayer player(box, "--frames -1");
    ASSERT_TRUE(player.Display());
    player.Key(VK_TAB);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel);
    const int start = Selected(panel, 1004);
    const int picked = OtherItem(ItemCount(panel, 1004), start);
    ASSERT_GE(picked, 0);
    dialog_test::PickItem(panel, 1004, picked);
    player.Key(VK_F1);
    EXPECT_TRUE(player.Gone(dialog_test::kPanelCaption)) << "F1 closes the panel";
    Sleep(500);
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    EXPECT_EQ(box.Ini("Resolution_Mode"), start);
}
