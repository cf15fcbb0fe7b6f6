// The installer as a scripted install runs it: silently, into a fake player
// folder named on the command line and in the registry. The player then runs
// the DLL from there, and the uninstaller leaves the folder as it found it,
// apart from the user's settings.
#include "release_test_support.h"

#include <shlobj.h>

namespace {

using host_test::BuildDir;
using host_test::FileExists;
using release_test::FreshFolder;
using release_test::Listing;
using release_test::RunProgram;

const char kPlayerKey[] = "Software\\Winamp";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velune";
// Older players record only their uninstaller, quoted.
const char kPlayerUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char kWacupUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WACUP";

// A folder laid out like an installed player: its program (the stand-in
// player under the player's name) and a Plugins folder with another plug-in.
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
    if (!CopyFileA((plugins + "\\vis_velune_uninstall.exe").c_str(), copy.c_str(), FALSE)) return ~0u;
    return RunProgram("\"" + copy + "\" /S" + arguments + " _?=" + plugins, BuildDir());
}

std::string UninstallEntry(const char* value) {
    char text[512] = {};
    DWORD bytes = sizeof text - 1;
    RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, value, RRF_RT_REG_SZ, nullptr, text, &bytes);
    return text;
}

class ReleaseInstaller : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kPlayerKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPlayerUninstallKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWacupUninstallKey);
    }
    static void Record(HKEY root, const char* key, const char* value, const std::string& text) {
        ASSERT_EQ(RegSetKeyValueA(root, key, value, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    static void RecordPlayer(const std::string& dir) { Record(HKEY_CURRENT_USER, kPlayerKey, nullptr, dir); }
};

}  // namespace

// The shipped DLL, installed beside another plug-in, runs in the player; the
// uninstaller removes exactly what was installed and keeps the settings the
// plug-in wrote.
TEST_F(ReleaseInstaller, InstallsRunsAndUninstallsLeavingOnlyTheSettings) {
    const std::string player = FakePlayer("fake player"), plugins = player + "\\Plugins";
    RecordPlayer(player);
    const std::vector<std::string> before = Listing(player);

    ASSERT_EQ(Install(" /D=" + player), 0u);
    std::vector<std::string> installed = before;
    for (const char* file : {"vis_velune.dll", "vis_velune.txt", "vis_velune.bmp", "velune.exe"}) {
        const std::string shipped = host_test::ReadFile(std::string(VELUNE_RELEASE_DIR) + "\\" + file);
        EXPECT_TRUE(host_test::ReadFile(plugins + "\\" + file) == shipped) << file;
        installed.push_back("Plugins\\" + std::string(file) + " " + std::to_string(shipped.size()));
    }
    const std::string uninstaller = plugins + "\\vis_velune_uninstall.exe";
    installed.push_back("Plugins\\vis_velune_uninstall.exe " + std::to_string(host_test::ReadFile(uninstaller).size()));
    std::sort(installed.begin(), installed.end());
    EXPECT_EQ(Listing(player), installed);
    EXPECT_EQ(UninstallEntry("UninstallString"), "\"" + uninstaller + "\"");
    EXPECT_EQ(UninstallEntry("DisplayVersion"), "1.06");
    char menu[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, menu, CSIDL_COMMON_PROGRAMS, FALSE));
    const std::string shortcut = std::string(menu) + "\\Velune.lnk";
    EXPECT_TRUE(FileExists(shortcut)) << "no Start menu entry for velune.exe";

    const std::string scratch = FreshFolder("installed-run");
    EXPECT_EQ(release_test::RunPlayer(player + "\\winamp.exe", plugins + "\\vis_velune.dll", scratch,
                                      "--frames 40 --capture 40"),
              0u);
    host_test::Capture capture;
    ASSERT_TRUE(host_test::ReadCapture(scratch + "\\capture_00040.bmp", capture));
    EXPECT_GT(std::count_if(capture.pixels.begin(), capture.pixels.end(), [](uint32_t p) { return p & 0xE0E0E0; }), 500)
        << "the installed plug-in drew nothing";
    const std::string ini = host_test::ReadFile(plugins + "\\vis_velune.ini");
    ASSERT_FALSE(ini.empty()) << "the plug-in saved no settings beside itself";

    ASSERT_EQ(Uninstall(plugins), 0u);
    std::vector<std::string> kept = before;
    kept.push_back("Plugins\\vis_velune.ini " + std::to_string(ini.size()));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Listing(player), kept);
    EXPECT_EQ(UninstallEntry("UninstallString"), "");
    EXPECT_FALSE(FileExists(shortcut)) << "the Start menu entry outlived the uninstaller";
}

// A folder on the command line wins over the one the player recorded; without
// one, the recorded folder is used, or else the folder of the player's
// uninstaller. Asked to, the uninstaller removes the settings too.
TEST_F(ReleaseInstaller, CommandLineFolderWinsOverTheRegistryWhichIsTheFallback) {
    const std::string recorded = FakePlayer("recorded player"), given = FakePlayer("given player");
    RecordPlayer(recorded);
    const std::vector<std::string> recordedBefore = Listing(recorded), givenBefore = Listing(given);

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

    RegDeleteKeyA(HKEY_CURRENT_USER, kPlayerKey);
    Record(HKEY_LOCAL_MACHINE, kPlayerUninstallKey, "UninstallString", "\"" + given + "\\UninstWA.exe\" /S");
    ASSERT_EQ(Install(""), 0u);
    EXPECT_TRUE(FileExists(given + "\\Plugins\\vis_velune.dll"));
    ASSERT_EQ(Uninstall(given + "\\Plugins"), 0u);
    EXPECT_EQ(Listing(given), givenBefore);
}

// WACUP's folder (wacup.exe and Plugins) is a player's folder too: given on
// the command line, or found through WACUP's uninstall entry.
TEST_F(ReleaseInstaller, AcceptsAWacupFolder) {
    const std::string wacup = FreshFolder("wacup player");
    CopyFileA((BuildDir() + "\\velune-host.exe").c_str(), (wacup + "\\wacup.exe").c_str(), FALSE);
    CreateDirectoryA((wacup + "\\Plugins").c_str(), nullptr);
    const std::vector<std::string> before = Listing(wacup);
    ASSERT_EQ(Install(" /D=" + wacup), 0u);
    EXPECT_TRUE(FileExists(wacup + "\\Plugins\\vis_velune.dll"));
    ASSERT_EQ(Uninstall(wacup + "\\Plugins"), 0u);
    Record(HKEY_LOCAL_MACHINE, kWacupUninstallKey, "UninstallString", "\"" + wacup + "\\uninstall.exe\"");
    ASSERT_EQ(Install(""), 0u);
    EXPECT_TRUE(FileExists(wacup + "\\Plugins\\vis_velune.dll"));
    ASSERT_EQ(Uninstall(wacup + "\\Plugins"), 0u);
    EXPECT_EQ(Listing(wacup), before);
}

// A folder without the player's program, or without its Plugins folder, is
// refused with exit code 2, and nothing is written anywhere.
TEST_F(ReleaseInstaller, RefusesAFolderThatIsNotAPlayers) {
    const std::string noProgram = FreshFolder("no program"), noPlugins = FreshFolder("no plugins");
    CreateDirectoryA((noProgram + "\\Plugins").c_str(), nullptr);
    release_test::WriteText(noPlugins + "\\winamp.exe", "MZ");
    for (const std::string& dir : {noProgram, noPlugins}) {
        const std::vector<std::string> before = Listing(dir);
        EXPECT_EQ(Install(" /D=" + dir), 2u) << dir;
        EXPECT_EQ(Listing(dir), before) << dir;
    }
    EXPECT_EQ(UninstallEntry("UninstallString"), "");
}
