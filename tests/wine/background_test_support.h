#pragma once
// What the Background tests share: the stand-in shell as a process of its
// own, the player on another thread while a test acts on the desktop, and
// the desktop's pixels sorted.
#include <ddraw.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host_test_harness.h"

namespace background_test {

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

const uint32_t kShellWallpaper = 0x205080;  // the stand-in's colours, 0xRRGGBB
const uint32_t kShellIcon = 0xF0C828;
constexpr int kIconSquares = 4;

// The icons' squares of the stand-in, shrunk by a pixel against edge blur.
inline bool InIcon(int x, int y) {
    for (int i = 0; i < kIconSquares; ++i)
        if (x >= 25 && x < 71 && y >= 25 + i * 96 && y < 71 + i * 96) return true;
    return false;
}

inline DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

inline std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The stand-in shell as its own process: killed and started again, it is
// Explorer restarting.
class Shell {
public:
    explicit Shell(bool layout24h2, const std::string& options = "") : layout24h2(layout24h2), options(options) {
        Start();
    }
    ~Shell() { Kill(); }

    void Start() {
        std::string command = "\"" + host_test::BuildDir() + "\\velune-shell.exe\"" + (layout24h2 ? " --24h2" : "") +
                              (options.empty() ? "" : " " + options);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        for (int i = 0; i < 200 && Progman() == nullptr; ++i) Sleep(50);
        ASSERT_NE(Progman(), nullptr) << "the stand-in shell did not start";
    }
    void Kill() {
        if (process.hProcess == nullptr) return;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        process = {};
        // Its windows go with it; wait until the system agrees.
        for (int i = 0; i < 100 && FindWindowA("Progman", nullptr) != nullptr; ++i) Sleep(50);
    }

    HWND Progman() const {
        for (HWND w = FindWindowExA(nullptr, nullptr, "Progman", nullptr); w != nullptr;
             w = FindWindowExA(nullptr, w, "Progman", nullptr))
            if (process.dwProcessId != 0 && ProcessOf(w) == process.dwProcessId) return w;
        return nullptr;
    }
    // The shell's windows, top-level in z order and each one's children, as
    // text (class, visibility, rectangle; "foreign" for a window of another
    // process among them); `foreign` receives those.
    std::vector<std::string> Tree(std::vector<HWND>* foreign = nullptr) const {
        std::vector<std::string> lines;
        std::function<void(HWND, int)> walk = [&](HWND window, int depth) {
            const bool ours = ProcessOf(window) != process.dwProcessId;
            if (ours && foreign != nullptr) foreign->push_back(window);
            RECT r;
            GetWindowRect(window, &r);
            char line[200];
            std::snprintf(line, sizeof line, "%*s%s%s visible %d %ld,%ld,%ld,%ld", depth * 2, "", ours ? "foreign " : "",
                          ClassOf(window).c_str(), IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right, r.bottom);
            lines.push_back(line);
            for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
                walk(child, depth + 1);
        };
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
            if (ProcessOf(w) == process.dwProcessId) walk(w, 0);
        return lines;
    }
    std::vector<HWND> Foreign() const {
        std::vector<HWND> found;
        Tree(&found);
        return found;
    }

private:
    bool layout24h2;
    std::string options;
    PROCESS_INFORMATION process = {};
};

// Background on a DirectDraw without overlays (or, with `fault` "overlay",
// one that reports and makes them).
inline void UseDirectDraw(Sandbox& box, const char* fault) {
    box.UseFaultyDirectDraw();
    box.SetEnv("VELUNE_DDRAW_FAULT", fault);
    box.SetEnv("VELUNE_DDRAW_LOG", box.Path("ddraw.log"));
}

// Runs the player on another thread while the test acts on the desktop.
class BackgroundRun {
public:
    // The last run's log goes first: the test reads the new one as it grows.
    BackgroundRun(const Sandbox& box, const std::string& arguments)
        : cleared(DeleteFileA(box.Path("host.log").c_str()) != FALSE),
          thread([this, &box, arguments] { run = box.Run(arguments, 240000); }) {}
    ~BackgroundRun() {
        if (thread.joinable()) thread.join();
    }
    PlayerRun Finish() {
        thread.join();
        return run;
    }

private:
    bool cleared;
    PlayerRun run;
    std::thread thread;
};

// Waits until `done` or the time is up; true when done.
inline bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(20);
    }
    return true;
}

inline bool LogHas(const Sandbox& box, const std::string& text) {
    return host_test::ReadFile(box.Path("host.log")).find(text) != std::string::npos;
}

const char kDesktopSettings[] = "Display_Mode=2\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n";

// Pixels of a screen capture outside the icons and the player's corner that
// are the shell's wallpaper, black, or neither (the picture).
struct DesktopPixels {
    int wallpaper = 0, black = 0, picture = 0;
};
inline DesktopPixels CountDesktop(const Capture& screen) {
    DesktopPixels counted;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            if (InIcon(x, y) || (x >= 700 && y >= 600)) continue;
            const uint32_t pixel = screen.pixels[static_cast<size_t>(y) * screen.width + x];
            if (pixel == kShellWallpaper)
                ++counted.wallpaper;
            else if (pixel == 0)
                ++counted.black;
            else
                ++counted.picture;
        }
    return counted;
}

}  // namespace background_test
