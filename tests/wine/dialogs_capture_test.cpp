// Both dialogs side by side with the shipped readme, as a user first sees
// them; the captures (build folder, dialog-captures) are the README's
// pictures.
#include "dialog_test_support.h"

using dialog_test::Click;
using dialog_test::RunningPlayer;
using host_test::Sandbox;

TEST(DialogsCapture, PanelAndAboutBoxWithTheShippedReadme) {
    Sandbox box("captures");
    box.WriteIni(std::string("Display_Mode=1\r\n") + host_test::kQuietPicture);
    const std::string readme = VELUNE_RELEASE_DIR "\\vis_velune.txt";
    ASSERT_TRUE(CopyFileA(readme.c_str(), box.Path("vis_velune.txt").c_str(), FALSE));
    RunningPlayer player(box, "--frames -1");
    ASSERT_TRUE(player.Display());
    player.Key(VK_TAB);
    const HWND panel = player.Panel();
    ASSERT_TRUE(panel);
    Click(panel, 1026);
    const HWND about = player.About();
    ASSERT_TRUE(about);
    // The whole file, line breaks and all.
    EXPECT_EQ(dialog_test::Text(about, 1021), host_test::ReadFile(readme));

    SetWindowPos(about, HWND_TOP, 8, 8, 0, 0, SWP_NOSIZE);
    SetWindowPos(panel, HWND_TOP, 520, 8, 0, 0, SWP_NOSIZE);
    Sleep(1000);
    const std::string folder = host_test::BuildDir() + "\\dialog-captures";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_TRUE(dialog_test::CaptureWindow(panel, folder + "\\config_panel.bmp"));
    EXPECT_TRUE(dialog_test::CaptureWindow(about, folder + "\\about_box.bmp"));

    Click(about, IDOK);
    Click(panel, 1011);
    const host_test::PlayerRun run = player.Finish();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
}
