// The installer as a scripted install runs it: silently, into a fake player
// folder named on the command line and in the registry. The player then runs
// the DLL from there, and the uninstaller leaves the folder as it found it,
// apart from the user's settings.
#include "release_test_support.h"

namespace {

using host_test::BuildDir;
using host_test::FileExists;
using host_test::ReadFile;
using release_test::FileSize;
using release_test::FreshFolder;
using release_test::Listing;
using release_test::RegistryKeyExists;
using release_test::RegistryText;
using release_test::RunProgram;

const char kPlayerKey[] = "Software\\Winamp";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velune";
const char kUninstaller[] = "vis_velune_uninstall.exe";
const char* const kShipped[] = {"vis_velune.dll", "vis_velune.txt", "vis_velune.bmp"};

// A folder laid out like an installed player: its program (the stand-in
// player under the player's name) and a Plugins folder holding another
// plug-in, which must survive everything.
std::string FakePlayer(const std::string& name) {
    const std::string dir = FreshFolder(name);
    CopyFileA((BuildDir() + "\\velune-host.exe").c_str(), (dir + "\\winamp.exe").c_str(), FALSE);
    CreateDirectoryA((dir + "\\Plugins").c_str(), nullptr);
    release_test::WriteText(dir + "\\Plugins\\in_other.dll", "another plug-in");
    return dir;
}

DWORD Install(const std::string& arguments) {
    return RunProgram(std::string("\"") + VELUNE_SETUP_PATH + "\" /S" + arguments, BuildDir());
}

// The uninstaller as it runs itself: a copy outside the folder it empties,
// told which folder that is.
DWORD Uninstall(const std::string& plugins, const std::string& arguments = "") {
    const std::string copy = FreshFolder("uninstaller") + "\\uninstall.exe";
    if (!CopyFileA((plugins + "\\" + kUninstaller).c_str(), copy.c_str(), FALSE)) return ~0u;
    return RunProgram("\"" + copy + "\" /S" + arguments + " _?=" + plugins, BuildDir());
}

std::vector<std::string> Names(const std::vector<std::string>& listing) {
    std::vector<std::string> names;
    for (const std::string& entry : listing) names.push_back(entry.substr(0, entry.rfind(' ')));
    return names;
}

std::vector<std::string> Plus(std::vector<std::string> names, const std::vector<std::string>& added) {
    names.insert(names.end(), added.begin(), added.end());
    std::sort(names.begin(), names.end());
    return names;
}

class ReleaseInstaller : public ::testing::Test {
protected:
    void SetUp() override { Forget(); }
    void TearDown() override { Forget(); }
    static void Forget() {
        RegDeleteKeyA(HKEY_CURRENT_USER, kPlayerKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
};

}  // namespace

// The shipped DLL, installed beside another plug-in, runs in the player; the
// uninstaller then removes exactly what was installed and leaves the settings
// the plug-in wrote.
TEST_F(ReleaseInstaller, InstallsRunsAndUninstallsLeavingOnlyTheSettings) {
    const std::string player = FakePlayer("fake player");
    const std::string plugins = player + "\\Plugins";
    release_test::SetRegistryText(HKEY_CURRENT_USER, kPlayerKey, "", player);
    const std::vector<std::string> before = Listing(player);

    ASSERT_EQ(Install(" /D=" + player), 0u);
    EXPECT_EQ(Names(Listing(player)),
              Plus(Names(before), {"Plugins\\vis_velune.bmp", "Plugins\\vis_velune.dll", "Plugins\\vis_velune.txt",
                                   std::string("Plugins\\") + kUninstaller}));
    for (const char* file : kShipped)
        EXPECT_TRUE(ReadFile(plugins + "\\" + file) == ReadFile(std::string(VELUNE_RELEASE_DIR) + "\\" + file)) << file;
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + plugins + "\\" + kUninstaller + "\"");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "1.06");
    EXPECT_NE(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName").find("Velune"), std::string::npos);

    const std::string scratch = FreshFolder("installed-run");
    EXPECT_EQ(release_test::RunPlayer(player + "\\winamp.exe", plugins + "\\vis_velune.dll", scratch,
                                      "--frames 40 --capture 40"),
              0u);
    host_test::Capture capture;
    ASSERT_TRUE(host_test::ReadCapture(scratch + "\\capture_00040.bmp", capture));
    int lit = 0;
    for (uint32_t pixel : capture.pixels) lit += (pixel & 0xE0E0E0) != 0;
    EXPECT_GT(lit, 500) << "the installed plug-in drew nothing";
    ASSERT_TRUE(FileExists(plugins + "\\vis_velune.ini")) << "the plug-in saved no settings beside itself";

    ASSERT_EQ(Uninstall(plugins), 0u);
    std::vector<std::string> expected = before;
    expected.push_back("Plugins\\vis_velune.ini " + FileSize(plugins + "\\vis_velune.ini"));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(player), expected);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// A folder on the command line wins over the one the player recorded; without
// one, the recorded folder is used. Asked to, the uninstaller removes the
// settings too.
TEST_F(ReleaseInstaller, CommandLineFolderWinsOverTheRegistryWhichIsTheFallback) {
    const std::string recorded = FakePlayer("recorded player");
    const std::string given = FakePlayer("given player");
    release_test::SetRegistryText(HKEY_CURRENT_USER, kPlayerKey, "", recorded);
    const std::vector<std::string> recordedBefore = Listing(recorded);
    const std::vector<std::string> givenBefore = Listing(given);

    ASSERT_EQ(Install(" /D=" + given), 0u);
    EXPECT_TRUE(FileExists(given + "\\Plugins\\vis_velune.dll"));
    EXPECT_EQ(Listing(recorded), recordedBefore);
    ASSERT_EQ(Uninstall(given + "\\Plugins"), 0u);
    EXPECT_EQ(Listing(given), givenBefore);

    ASSERT_EQ(Install(""), 0u);
    EXPECT_TRUE(FileExists(recorded + "\\Plugins\\vis_velune.dll"));
    release_test::WriteText(recorded + "\\Plugins\\vis_velune.ini", "[Velune v1.06]\r\nFrames_Per_Scene=300\r\n");
    ASSERT_EQ(Uninstall(recorded + "\\Plugins", " /REMOVESETTINGS"), 0u);
    EXPECT_EQ(Listing(recorded), recordedBefore);
}

// A folder without the player's program, or without its Plugins folder, is
// refused with a failure code, and nothing is written anywhere.
TEST_F(ReleaseInstaller, RefusesAFolderThatIsNotAPlayers) {
    const std::string noProgram = FreshFolder("no program");
    CreateDirectoryA((noProgram + "\\Plugins").c_str(), nullptr);
    const std::string noPlugins = FreshFolder("no plugins");
    release_test::WriteText(noPlugins + "\\winamp.exe", "MZ");
    for (const std::string& dir : {noProgram, noPlugins}) {
        const std::vector<std::string> before = Listing(dir);
        EXPECT_EQ(Install(" /D=" + dir), 2u) << dir;
        EXPECT_EQ(Listing(dir), before) << dir;
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
