// The configuration panel of the real plug-in, driven from outside the
// player; what it changed is read from the settings file after Quit and from
// the display window's sizes in the player's log.
#include "dialog_test_support.h"

using namespace dialog_test;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// The display window's sizes the player logged, one per change.
std::vector<std::string> WindowSizes(const PlayerRun& run) {
    std::vector<std::string> sizes;
    long x, y, w, h;
    for (const std::string& s : run.TextsOf("window "))
        if (std::sscanf(s.c_str(), "window %ld %ld %ld %ld", &x, &y, &w, &h) == 4 &&
            (sizes.empty() || sizes.back() != std::to_string(w) + "x" + std::to_string(h)))
            sizes.push_back(std::to_string(w) + "x" + std::to_string(h));
    return sizes;
}

}  // namespace

// Opened in Full Screen the panel first goes Windowed and shows the loaded
// settings; a second Tab or tray click opens nothing; slider, boxes, "Next"
// and "On" act at once, and "Exit Plugin" stops the plug-in, which saves them.
TEST(DialogsPanel, ShowsSettingsChangesThemAndExits) {
    Sandbox box("panel-settings");
    // Only renderer 2 and transform 4 take part in random choice.
    box.WriteIni("Display_Mode=0\r\nFrames_Per_Scene=550\r\nUse_Delay=1\r\nShow_Song_Title=0\r\n"
                 "Renderer_Choice=2048\r\nTransform_Choice=1024\r\n");
    RunningPlayer player(box, "");
    player.Key(VK_TAB);
    const HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    EXPECT_TRUE(Checked(panel, 1006) && !Checked(panel, 1061)) << "Windowed, not Full Screen";
    EXPECT_GT(Ask(panel, 1004, LB_GETCOUNT), 0);
    EXPECT_TRUE(Checked(panel, 1013) && !Checked(panel, 1012) && !Checked(panel, 1010) && !Checked(panel, 1005));
    EXPECT_EQ(Ask(panel, 1020, TBM_GETPOS), 5);
    EXPECT_EQ(Text(panel, 1019) + " " + Text(panel, 1022) + " " + Text(panel, 1021), "550 100 Never");
    EXPECT_EQ(Text(panel, 1056) + ", " + Text(panel, 1057), "Moving Volume Cicle, Undulating Slider");
    EXPECT_TRUE(Checked(panel, 1064) && Checked(panel, 1065));
    const bool background = IsWindowEnabled(GetDlgItem(panel, 1008));
    EXPECT_EQ(Text(panel, 1029), background ? "(supported)" : "(Unsupported by hardware)");

    player.Key(VK_TAB);
    player.Tray(WM_LBUTTONDOWN);
    player.Tray(WM_RBUTTONDOWN);
    Sleep(500);
    EXPECT_EQ(player.Count(kPanel), 1);

    MoveSlider(panel, 21);
    EXPECT_EQ(Text(panel, 1019), "Never");
    MoveSlider(panel, 1);
    EXPECT_EQ(Text(panel, 1019), "100");
    MoveSlider(panel, 21);
    for (int id : {1012, 1013, 1010, 1005}) Click(panel, id);

    // "Next" reaches renderer 3 and transform 5, which random choice skips; "On" lets them in.
    Click(panel, 1062);
    EXPECT_EQ(Text(panel, 1056), "Shivering Lines");
    EXPECT_FALSE(Checked(panel, 1064));
    Click(panel, 1064);
    Click(panel, 1063);
    EXPECT_EQ(Text(panel, 1056) + ", " + Text(panel, 1057), "Shivering Lines, Fuzzy Fade");
    EXPECT_FALSE(Checked(panel, 1065));
    Click(panel, 1065);

    Click(panel, 1011);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.FramesOf("stop requested").empty());
    EXPECT_TRUE(run.TextsOf("fpu changed").empty());
    const std::pair<const char*, int> saved[] = {{"Display_Mode", 1}, {"Frames_Per_Scene", -1},
        {"Minimize_Winamp", 1}, {"Use_Delay", 0}, {"Show_Song_Title", 1}, {"Renderer_Choice", 3072},
        {"Transform_Choice", 1536}};
    for (const auto& key : saved) EXPECT_EQ(box.Ini(key.first), key.second) << key.first;
}

// The radio buttons show each mode's list; "Done" applies the pick (the
// window takes its size); the close box and Esc drop a pick, so F2 after them
// keeps the size; Enter is "Done" where the player passes keys to the dialog.
// F1 closes the panel first.
TEST(DialogsPanel, DoneAppliesCloseBoxAndEscDiscard) {
    Sandbox box("panel-modes");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n");
    RunningPlayer player(box, "--dialog-messages");
    player.Key(VK_TAB);
    HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    const int windowed = Ask(panel, 1004, LB_GETCOUNT), start = Ask(panel, 1004, LB_GETCURSEL);
    ASSERT_GE(windowed, 2);
    const int picked = start == 0 ? windowed - 1 : 0;
    Click(panel, 1061);
    EXPECT_EQ(Ask(panel, 1004, LB_GETCURSEL), 0) << "another mode starts at its first resolution";
    Click(panel, 1006);
    EXPECT_EQ(Ask(panel, 1004, LB_GETCOUNT), windowed);
    EXPECT_EQ(Ask(panel, 1004, LB_GETCURSEL), start) << "the current mode shows the current resolution";
    PickItem(panel, picked);
    Click(panel, 1009);
    ASSERT_TRUE(player.Gone(kPanel));

    auto reopen = [&] {
        Sleep(300);
        player.Key(VK_TAB);
        panel = player.Dialog(kPanel);
        EXPECT_EQ(Ask(panel, 1004, LB_GETCURSEL), picked);
        PickItem(panel, start);
    };
    reopen();
    PostMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(player.Gone(kPanel)) << "the close box closes the panel";
    player.Key(VK_F2);
    reopen();
    PostMessageA(GetDlgItem(panel, 1004), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(player.Gone(kPanel)) << "Esc closes the panel";
    player.Key(VK_F2);
    reopen();
    PostMessageA(GetDlgItem(panel, 1004), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(player.Gone(kPanel)) << "Enter presses Done";
    // F1 closes the panel first (it would hide behind the exclusive display)
    // and drops its pick: Full Screen takes the index in effect, start.
    Sleep(300);
    player.Key(VK_TAB);
    ASSERT_TRUE(player.Dialog(kPanel));
    PickItem(player.Dialog(kPanel), picked);
    player.Key(VK_F1);
    EXPECT_TRUE(player.Gone(kPanel));
    Sleep(500);
    player.Key(VK_ESCAPE);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    const std::vector<std::string> sizes = WindowSizes(run);
    ASSERT_GE(sizes.size(), 3u) << "start, Done, Enter";
    EXPECT_NE(sizes[1], sizes[0]);
    EXPECT_EQ(sizes[2], sizes[0]);
    EXPECT_EQ(box.Ini("Display_Mode"), 0);
    EXPECT_EQ(box.Ini("Resolution_Mode"), start);
}

// A pick survives a rebuild of the display (here two changes of the
// desktop's mode): "Done" applies what the panel shows. From Background, Alt+Enter to a
// Full Screen pick closes the panel, which Tab then opens again.
TEST(DialogsPanel, PickSurvivesARebuildAndFullScreenClosesThePanel) {
    Sandbox box("panel-rebuild");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n");
    RunningPlayer player(box, "");
    // Hidden in Background, where the player's search no longer finds it.
    const HWND display = player.Display();
    auto tab = [&] { PostMessageA(display, WM_KEYDOWN, VK_TAB, 1 | MapVirtualKeyA(VK_TAB, 0) << 16); };
    tab();
    HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    const int start = Ask(panel, 1004, LB_GETCURSEL);
    const int picked = start == 0 ? 1 : 0;
    PickItem(panel, picked);
    DEVMODEA other = {};
    other.dmSize = sizeof other;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &other); ++i)
        if (other.dmPelsWidth == 800 && other.dmPelsHeight == 600) break;
    ASSERT_EQ(ChangeDisplaySettingsA(&other, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    Sleep(1500);
    ChangeDisplaySettingsA(nullptr, 0);
    Sleep(1500);
    EXPECT_EQ(Ask(panel, 1004, LB_GETCURSEL), picked);
    Click(panel, 1009);
    ASSERT_TRUE(player.Gone(kPanel));
    Sleep(300);
    tab();
    panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    EXPECT_EQ(Ask(panel, 1004, LB_GETCURSEL), picked) << "Done applied the pick";

    if (!IsWindowEnabled(GetDlgItem(panel, 1008))) GTEST_SKIP() << "no overlay for Background";
    Click(panel, 1008);
    Click(panel, 1009);
    ASSERT_TRUE(player.Gone(kPanel));
    Sleep(300);
    tab();
    panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    EXPECT_TRUE(Checked(panel, 1008));
    Click(panel, 1061);
    PostMessageA(display, WM_SYSKEYDOWN, VK_RETURN, 1 | 1 << 29);
    EXPECT_TRUE(player.Gone(kPanel)) << "the panel would hide behind Full Screen";
    Sleep(500);
    tab();
    panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel) << "Tab opens the panel again";
    EXPECT_TRUE(Checked(panel, 1006)) << "over Full Screen the panel opens Windowed";
    Click(panel, 1011);
    ASSERT_TRUE(player.Finish().finished);
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
}

// "Done" whose display change fails: while its error box is up, the panel's
// close box and the display window's keys act on nothing (no second delete
// of the panel, no toggled settings, no quit message ending the box); after
// OK the plug-in stops cleanly and saves what held before.
TEST(DialogsPanel, NothingActsWhileAFailedDoneReports) {
    Sandbox box("panel-done-fails");
    box.WriteIni("Display_Mode=1\r\nFrames_Per_Scene=300\r\n");
    box.UseFaultyDirectDraw();
    box.SetEnv("VELUNE_DDRAW_FAULT", "setmode");
    box.SetEnv("VELUNE_DDRAW_AT", "1");
    RunningPlayer player(box, "");
    player.Key(VK_TAB);
    const HWND panel = player.Dialog(kPanel);
    ASSERT_TRUE(panel);
    Click(panel, 1061);
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1009, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(panel, 1009)));
    const HWND error = player.Dialog("Error");
    ASSERT_TRUE(error);
    const HWND display = player.Display();
    for (unsigned key : {VK_F9, VK_F7, VK_SPACE, VK_F5, VK_TAB, VK_ESCAPE})
        PostMessageA(display, WM_KEYDOWN, key, 1 | MapVirtualKeyA(key, 0) << 16);
    PostMessageA(display, WM_SYSKEYDOWN, VK_RETURN, 1 | 1 << 29);
    PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(panel, 1011)));
    Sleep(1500);
    EXPECT_TRUE(IsWindowVisible(error)) << "Esc's quit message ended the box";
    PostMessageA(error, WM_COMMAND, IDOK, 0);
    const PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.FramesOf("stop requested").size(), 1u);
    EXPECT_EQ(run.TextsOf("quit in").size(), 1u);
    EXPECT_EQ(box.Ini("Display_Mode"), 1);
    EXPECT_EQ(box.Ini("Show_Song_Title"), 1) << "F9 acted";
    EXPECT_EQ(box.Ini("Prefered_Renderer"), -1) << "F7 acted";
    EXPECT_EQ(box.Ini("Frames_Per_Scene"), 300);
}
