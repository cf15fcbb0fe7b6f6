// Settings of a plug-in whose folder cannot be written (a player under
// Program Files): they live in %APPDATA%\Velune, seeded once from the file
// beside the library; a writable folder keeps them beside the library.
#include <shlobj.h>

#include "release_test_support.h"

namespace {

using host_test::BuildDir;
using host_test::ReadFile;
using release_test::WriteText;

const char kSection[] = "Velune v1.06";

int IniValue(const std::string& path, const char* key) {
    return static_cast<int>(GetPrivateProfileIntA(kSection, key, -12345, path.c_str()));
}

std::string UserSettings() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Velune\\vis_velune.ini";
}

void ForgetUserSettings() {
    SetFileAttributesA(UserSettings().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(UserSettings().c_str());
}

// A plug-in folder outside the build tree (a folder left locked must never
// stop a clean of the build), locked from the Unix side: write permission
// off, and for root, whom permissions do not stop, the immutable flag.
class PluginFolder {
public:
    PluginFolder() {
        const std::string name = "velune-locked-" + std::to_string(GetCurrentProcessId());
        dir = "Z:\\tmp\\" + name;
        unixDir = "/tmp/" + name;
        Unlock();
        release_test::RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        CopyFileA(VELUNE_RELEASE_DIR "\\vis_velune.dll", Dll().c_str(), FALSE);
    }
    ~PluginFolder() {
        Unlock();
        release_test::RemoveTree(dir);
    }

    std::string Dll() const { return dir + "\\vis_velune.dll"; }
    std::string Ini() const { return dir + "\\vis_velune.ini"; }

    // True when neither a new file nor the settings file can be written.
    bool Lock() const {
        Unix("Z:\\bin\\chmod a-w " + Files());
        if (!Locked()) Unix("Z:\\usr\\bin\\chattr +i " + Files());
        for (int i = 0; i < 50 && !Locked(); ++i) Sleep(100);
        return Locked();
    }

    void Unlock() const {
        if (GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES || !Locked()) return;
        Unix("Z:\\usr\\bin\\chattr -i " + Files());
        Unix("Z:\\bin\\chmod u+w " + Files());
        for (int i = 0; i < 50 && Locked(); ++i) Sleep(100);
    }

    DWORD RunPlayer(const std::string& scratch) const {
        return release_test::RunPlayer(BuildDir() + "\\velune-host.exe", Dll(), scratch, "--frames 0");
    }

    std::string dir, unixDir;

private:
    // The folder and the files in it, as Unix paths.
    std::string Files() const {
        std::string files = unixDir;
        for (const char* name : {"vis_velune.dll", "vis_velune.ini"})
            if (host_test::FileExists(dir + "\\" + name)) files += " " + unixDir + "/" + name;
        return files;
    }

    bool Locked() const {
        HANDLE probe = CreateFileA((dir + "\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            return false;
        }
        if (!host_test::FileExists(Ini())) return true;
        HANDLE ini = CreateFileA(Ini().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (ini == INVALID_HANDLE_VALUE) return true;
        CloseHandle(ini);
        return false;
    }

    // Wine starts Unix programs too; their end is seen in their effect.
    static void Unix(const std::string& command) {
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
};

class HostSettingsAppData : public ::testing::Test {
protected:
    void SetUp() override { ForgetUserSettings(); }
    void TearDown() override { ForgetUserSettings(); }
};

}  // namespace

// The first run copies the file beside the library into the user's folder and
// saves there; the file beside stays as it was. A later run keeps the user's
// copy instead of copying again.
TEST_F(HostSettingsAppData, ALockedFolderSeedsTheUserCopyOnce) {
    PluginFolder folder;
    WriteText(folder.Ini(), "[Velune v1.06]\r\nFrames_Per_Scene=300\r\nPrefered_Renderer=3\r\n");
    const std::string beside = ReadFile(folder.Ini());
    if (!folder.Lock()) GTEST_SKIP() << "this machine cannot make a folder unwritable";
    const std::string scratch = release_test::FreshFolder("appdata-seed");

    EXPECT_EQ(folder.RunPlayer(scratch), 0u);
    const std::string user = UserSettings();
    EXPECT_EQ(IniValue(user, "Frames_Per_Scene"), 300);
    EXPECT_EQ(IniValue(user, "Prefered_Renderer"), 3);
    EXPECT_EQ(IniValue(user, "Renderer_Choice"), 16383);  // saved at Quit, not only copied
    EXPECT_EQ(ReadFile(folder.Ini()), beside);

    ASSERT_NE(WritePrivateProfileStringA(kSection, "Frames_Per_Scene", "700", user.c_str()), 0);
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
    EXPECT_EQ(IniValue(UserSettings(), "Show_Song_Title"), 1);
    EXPECT_EQ(release_test::Listing(folder.dir),
              std::vector<std::string>{"vis_velune.dll " + release_test::FileSize(folder.Dll())});
}

// A folder that can be written keeps the settings beside the library, even
// when a user's copy exists from an earlier locked install.
TEST_F(HostSettingsAppData, AWritableFolderKeepsTheSettingsBesideTheLibrary) {
    PluginFolder folder;
    WriteText(folder.Ini(), "[Velune v1.06]\r\nFrames_Per_Scene=300\r\n");
    CreateDirectoryA((UserSettings().substr(0, UserSettings().rfind('\\'))).c_str(), nullptr);
    WriteText(UserSettings(), "[Velune v1.06]\r\nFrames_Per_Scene=700\r\n");
    const std::string user = ReadFile(UserSettings());

    EXPECT_EQ(folder.RunPlayer(release_test::FreshFolder("appdata-writable")), 0u);
    EXPECT_EQ(IniValue(folder.Ini(), "Frames_Per_Scene"), 300);
    EXPECT_EQ(IniValue(folder.Ini(), "Renderer_Choice"), 16383);
    EXPECT_EQ(ReadFile(UserSettings()), user);
}
