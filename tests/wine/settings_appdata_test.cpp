// Settings of a plug-in whose folder cannot be written (a player under
// Program Files): they live in %APPDATA%\Velune, seeded once from the file
// beside the library; a writable folder keeps them beside the library.
#include <shlobj.h>

#include <functional>

#include "release_test_support.h"

namespace {

using host_test::FileExists;
using host_test::ReadFile;
using release_test::WriteText;

int IniValue(const std::string& path, const char* key) {
    return static_cast<int>(GetPrivateProfileIntA("Velune v1.06", key, -12345, path.c_str()));
}

std::string UserSettings() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Velune\\vis_velune.ini";
}

// Wine starts Unix programs too.
void RunUnix(const std::string& command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// A plug-in folder outside the build tree (a folder left locked must never
// stop a clean of the build), locked from the Unix side: write permission
// off, and for root, whom permissions do not stop, the immutable flag.
class PluginFolder {
    // How to lock and unlock: root ignores permissions but not the flag.
    static constexpr const char* kWays[2][2] = {{"Z:\\usr\\bin\\chattr +i", "Z:\\usr\\bin\\chattr -i"},
                                                {"Z:\\bin\\chmod a-w", "Z:\\bin\\chmod u+w"}};

public:
    // Wine numbers processes per prefix: the build folder tells apart the
    // runs of two build folders that share /tmp.
    PluginFolder()
        : name("velune-locked-" + std::to_string(std::hash<std::string>{}(VELUNE_RELEASE_DIR)) + "-" +
               std::to_string(GetCurrentProcessId())),
          dir("Z:\\tmp\\" + name) {
        for (const auto& way : kWays) Unlock(way[1]);  // left by a run that crashed
        release_test::RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        CopyFileA(VELUNE_RELEASE_DIR "\\vis_velune.dll", Dll().c_str(), FALSE);
    }
    ~PluginFolder() {
        if (!unlock.empty()) Unlock(unlock);
        release_test::RemoveTree(dir);
    }
    std::string Dll() const { return dir + "\\vis_velune.dll"; }
    std::string Ini() const { return dir + "\\vis_velune.ini"; }

    // True when neither a new file nor the settings file can be written. One
    // Unix program at a time, each awaited through its effect: Wine cannot
    // wait for them.
    bool Lock() {
        for (const auto& way : kWays) {
            Unix(way[0]);
            for (int i = 0; i < 30 && !Locked(); ++i) Sleep(100);
            if (Locked()) {
                unlock = way[1];
                return true;
            }
        }
        return false;
    }
    DWORD RunPlayer(const std::string& scratch) const {
        return release_test::RunPlayer(host_test::BuildDir() + "\\velune-host.exe", Dll(), scratch, "--frames 0");
    }

private:
    // `command` on the folder and the files in it.
    void Unix(const std::string& command) const {
        std::string line = command + " /tmp/" + name;
        for (const char* file : {"vis_velune.dll", "vis_velune.ini"})
            if (FileExists(dir + "\\" + file)) line += " /tmp/" + name + "/" + file;
        RunUnix(line);
    }
    void Unlock(const std::string& command) const {
        if (!FileExists(dir) || !Locked()) return;
        Unix(command);
        for (int i = 0; i < 30 && Locked(); ++i) Sleep(100);
    }
    bool Locked() const {
        HANDLE probe = CreateFileA((dir + "\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (probe == INVALID_HANDLE_VALUE && FileExists(Ini()))
            probe = CreateFileA(Ini().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) return true;
        CloseHandle(probe);
        return false;
    }
    const std::string name, dir;
    std::string unlock;
};

class HostSettingsAppData : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(UserSettings().c_str()); }
    void TearDown() override { DeleteFileA(UserSettings().c_str()); }
};

}  // namespace

// The first run copies the file beside the library into the user's folder and
// saves there; the file beside stays as it was. A later run keeps the user's
// copy instead of copying again.
TEST_F(HostSettingsAppData, ALockedFolderSeedsTheUserCopyOnce) {
    PluginFolder folder;
    WriteText(folder.Ini(), "[Velune v1.06]\r\nFrames_Per_Scene=300\r\nPrefered_Renderer=3\r\n");
    const std::string beside = ReadFile(folder.Ini()), user = UserSettings();
    if (!folder.Lock()) GTEST_SKIP() << "this machine cannot make a folder unwritable";
    const std::string scratch = release_test::FreshFolder("appdata-seed");

    EXPECT_EQ(folder.RunPlayer(scratch), 0u);
    EXPECT_EQ(IniValue(user, "Frames_Per_Scene"), 300);
    EXPECT_EQ(IniValue(user, "Prefered_Renderer"), 3);
    EXPECT_EQ(IniValue(user, "Renderer_Choice"), 16383);  // saved at Quit, not only copied

    ASSERT_TRUE(WritePrivateProfileStringA("Velune v1.06", "Frames_Per_Scene", "700", user.c_str()));
    EXPECT_EQ(folder.RunPlayer(scratch), 0u);
    EXPECT_EQ(IniValue(user, "Frames_Per_Scene"), 700);
    EXPECT_EQ(IniValue(user, "Prefered_Renderer"), 3);
    EXPECT_EQ(ReadFile(folder.Ini()), beside);
}

// Without a file beside the library the user's copy starts on the defaults,
// and nothing appears in the locked folder.
TEST_F(HostSettingsAppData, ALockedFolderWithoutSettingsStartsTheUserCopyOnDefaults) {
    PluginFolder folder;
    if (!folder.Lock()) GTEST_SKIP() << "this machine cannot make a folder unwritable";
    EXPECT_EQ(folder.RunPlayer(release_test::FreshFolder("appdata-defaults")), 0u);
    EXPECT_EQ(IniValue(UserSettings(), "Frames_Per_Scene"), 500);
    EXPECT_FALSE(FileExists(folder.Ini()));
}

// A folder that can be written keeps the settings beside the library, even
// when a user's copy exists from an earlier locked install.
TEST_F(HostSettingsAppData, AWritableFolderKeepsTheSettingsBesideTheLibrary) {
    PluginFolder folder;
    WriteText(folder.Ini(), "[Velune v1.06]\r\nFrames_Per_Scene=300\r\n");
    CreateDirectoryA(UserSettings().substr(0, UserSettings().rfind('\\')).c_str(), nullptr);
    WriteText(UserSettings(), "[Velune v1.06]\r\nFrames_Per_Scene=700\r\n");
    const std::string user = ReadFile(UserSettings());

    EXPECT_EQ(folder.RunPlayer(release_test::FreshFolder("appdata-writable")), 0u);
    EXPECT_EQ(IniValue(folder.Ini(), "Renderer_Choice"), 16383);
    EXPECT_EQ(IniValue(folder.Ini(), "Frames_Per_Scene"), 300);
    EXPECT_EQ(ReadFile(UserSettings()), user);
}
