// Fatal reports of the DLL: a child process (this test program, re-run with a
// case name in its environment) meets a real failure; the parent reads the
// box's caption and text and presses OK. The report then returns: the child
// checks that the plug-in stopped without ending the process, and ends with
// status 0 when it did.
#include <gtest/gtest.h>
#include <windows.h>
#include <ddraw.h>

#include <string>

#include "video_test_support.h"

using namespace videotest;

namespace presentbuild {
void ReportDirectDrawError(const char* message, HRESULT result, int endProcess);
bool EnterWindowedWithoutMapMemory();
bool PluginStopped();
void ResetPluginStop();
}

namespace {
// The stop request a fatal report leaves in the thread's queue.
bool QuitPosted() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}
}  // namespace

namespace {
const char kCaseVariable[] = "VELUNE_VIDEO_ERROR_CASE";

struct BoxSeen {
    std::string text;
    bool owned = true;
    bool found = false;
    DWORD exitCode = 99;
};

BOOL CALLBACK FindChildBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char caption[64] = {};
    char className[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, className, sizeof className);
    if (pid == search->first && std::string(caption) == "Error" && std::string(className) == "#32770") {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

// Runs this program's child case and answers the first box titled "Error".
BoxSeen RunChild(const char* caseName) {
    BoxSeen seen;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=VideoErrorReportChild.Run";
    SetEnvironmentVariableA(kCaseVariable, caseName);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kCaseVariable, nullptr);
    if (!started) return seen;
    for (int tries = 0; tries < 1200 && !seen.found; ++tries) {
        std::pair<DWORD, HWND> search(process.dwProcessId, nullptr);
        EnumWindows(FindChildBox, reinterpret_cast<LPARAM>(&search));
        if (search.second != nullptr) {
            Sleep(200);  // let the box finish laying itself out
            seen.found = true;
            seen.text = BoxText(search.second);
            seen.owned = GetWindow(search.second, GW_OWNER) != nullptr;
            PostMessageA(search.second, WM_COMMAND, IDOK, 0);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 98);
    GetExitCodeProcess(process.hProcess, &seen.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seen;
}

class VideoErrorReport : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettings(); }
    void TearDown() override { RemoveSettings(); }
};
}  // namespace

// The child side: meets the failure its case names. Skipped in a normal run.
TEST(VideoErrorReportChild, Run) {
    char caseName[32] = {};
    if (GetEnvironmentVariableA(kCaseVariable, caseName, sizeof caseName) == 0) GTEST_SKIP();
    std::string which = caseName;
    PluginSession session;
    ASSERT_NE(session.module, nullptr);
    if (which == "window") {
        // An owner that is no window: the display window cannot be created.
        // A failed start answers 1 and asks the player for nothing.
        session.module->hwndParent = reinterpret_cast<void*>(static_cast<uintptr_t>(0x00BADBAD));
        EXPECT_EQ(session.Init(), 1);
        EXPECT_FALSE(QuitPosted());
    } else if (which == "lost" || which == "twice") {
        presentbuild::ReportDirectDrawError("Video::Flip(), Error blitting backbuffer", DDERR_SURFACELOST, 1);
        EXPECT_TRUE(presentbuild::PluginStopped());
        EXPECT_TRUE(QuitPosted());
        // Teardown failing as well shows no second box (the parent answers
        // only one; a second would hold the child until it is killed).
        if (which == "twice")
            presentbuild::ReportDirectDrawError("Video::ReleaseResources, Error setting cooperative level", DDERR_GENERIC, 1);
        EXPECT_FALSE(QuitPosted());
        presentbuild::ResetPluginStop();
    } else if (which == "map") {
        EXPECT_FALSE(presentbuild::EnterWindowedWithoutMapMemory());
        EXPECT_TRUE(presentbuild::PluginStopped());
        QuitPosted();
        presentbuild::ResetPluginStop();
    } else if (which == "numbered") {
        presentbuild::ReportDirectDrawError("Error changing resolution", static_cast<HRESULT>(0x88760096u), 1);
        EXPECT_TRUE(presentbuild::PluginStopped());
    } else if (which == "class") {
        // The display window's class is already taken for the library.
        WNDCLASSA taken = {};
        taken.lpfnWndProc = DefWindowProcA;
        taken.hInstance = session.dll;
        taken.lpszClassName = "Velune v1.06";
        ASSERT_NE(RegisterClassA(&taken), 0);
        EXPECT_EQ(session.Init(), 1);
        // The next start, with the class free again, runs.
        UnregisterClassA("Velune v1.06", session.dll);
        EXPECT_EQ(session.Init(), 0);
    }
}

TEST_F(VideoErrorReport, WindowCreationFailureShowsThePlainText) {
    BoxSeen seen = RunChild("window");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Error creating window");
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(seen.exitCode, 0u);
}

TEST_F(VideoErrorReport, ClassRegistrationFailureShowsThePlainText) {
    BoxSeen seen = RunChild("class");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Error registering window class");
    EXPECT_EQ(seen.exitCode, 0u);
}

// The display code's own report, from the test build of it.
TEST_F(VideoErrorReport, DirectDrawFailureNamesTheResult) {
    BoxSeen seen = RunChild("lost");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Video::Flip(), Error blitting backbuffer - DDERR_SURFACELOST");
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(seen.exitCode, 0u);
    seen = RunChild("numbered");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Error changing resolution - Result: 88760096\n");
    EXPECT_EQ(seen.exitCode, 0u);
    seen = RunChild("twice");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.exitCode, 0u) << "a second box, or the stop not reported";
}

// Without memory for the displacement map the display stops with a report
// instead of writing through a null map.
TEST_F(VideoErrorReport, NoMemoryForTheMapStopsWithAReport) {
    const BoxSeen seen = RunChild("map");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Video::ChangeRes, Error allocating the displacement map");
    EXPECT_EQ(seen.exitCode, 0u);
}

TEST_F(VideoErrorReport, BusySurfaceReturnsWithoutABox) {
    ErrorBoxWatchdog watchdog;  // a box would end this process
    presentbuild::ReportDirectDrawError("Video::Compose, failed to lock compose surface", DDERR_SURFACEBUSY, 1);
    presentbuild::ReportDirectDrawError("Video::Compose, failed to lock compose surface", static_cast<HRESULT>(0x887601AEu), 1);
    Sleep(200);
    SUCCEED();
}
