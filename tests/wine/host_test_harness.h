#pragma once
// Runs the real plug-in in the stand-in player, each test in a folder of its
// own (so its settings file is private), and reads back what the player saw:
// its log, the settings file the plug-in wrote, and screen captures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace host_test {

// Settings for tests that read the transient message or the overlay off the
// screen: only "Wavy Circle" and "Fuzzy Fade" can be chosen. In silence the
// ring shrinks to the centre and the transform blurs in place, so the corners
// stay dark; drifting waveform lines or sliding trails would cross them.
constexpr char kQuietPicture[] = "Renderer_Choice=4096\r\nTransform_Choice=512\r\n";

// Settings for tests that judge whether the picture is on the screen: only
// "Snow" over the "Fast Zoomer", which fill most of the frame within 20 frames
// of a black start whatever the seed. A random scene can stay nearly black
// for hundreds of frames.
constexpr char kBrightPicture[] = "Renderer_Choice=4\r\nTransform_Choice=2048\r\n";

// The build folder, as a plain full path (the player normalizes paths too).
inline std::string BuildDir() {
    char path[MAX_PATH];
    const DWORD n = GetFullPathNameA(VELUNE_RELEASE_DIR "\\..", sizeof path, path, nullptr);
    return n > 0 && n < sizeof path ? std::string(path) : std::string(VELUNE_RELEASE_DIR "\\..");
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// One line of the player's log: "frame N what...".
struct LogLine {
    int frame;
    std::string what;
};

struct PlayerRun {
    DWORD exitCode = 0;
    bool finished = false;
    std::vector<LogLine> log;
    // Texts of the "Error" boxes the player showed; each was answered with OK.
    std::vector<std::string> boxes;
    std::vector<std::string> wallpaperAtBox;  // the desktop's, while each box was up
    DWORD companionExit = 99;  // the second program's status, when one ran

    // Frames of the lines whose text starts with `prefix`.
    std::vector<int> FramesOf(const std::string& prefix) const {
        std::vector<int> frames;
        for (const LogLine& line : log)
            if (line.what.compare(0, prefix.size(), prefix) == 0) frames.push_back(line.frame);
        return frames;
    }
    // Texts of the lines that start with `prefix`, in order.
    std::vector<std::string> TextsOf(const std::string& prefix) const {
        std::vector<std::string> texts;
        for (const LogLine& line : log)
            if (line.what.compare(0, prefix.size(), prefix) == 0) texts.push_back(line.what);
        return texts;
    }
    // The delayMs the player saw after each frame, indexed by frame (0 unused).
    std::vector<int> Delays() const {
        std::vector<int> delays(1, -1);
        for (const LogLine& line : log) {
            int d = 0;
            if (std::sscanf(line.what.c_str(), "delay %d", &d) == 1) {
                if (static_cast<size_t>(line.frame) >= delays.size()) delays.resize(line.frame + 1, -1);
                delays[line.frame] = d;
            }
        }
        return delays;
    }
};

// A 24-bit capture, top row first, pixels 0x00RRGGBB.
struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    // Near-white pixels in the rectangle given as fractions of the size: the
    // overlays draw white text with a black shadow.
    int WhitePixels(double left, double top, double right, double bottom) const {
        int count = 0;
        for (int y = static_cast<int>(top * height); y < static_cast<int>(bottom * height); ++y)
            for (int x = static_cast<int>(left * width); x < static_cast<int>(right * width); ++x) {
                const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
                if ((p >> 16 & 255) > 200 && (p >> 8 & 255) > 200 && (p & 255) > 200) ++count;
            }
        return count;
    }
    // The transient message's place: near the bottom left corner.
    int MessagePixels() const { return WhitePixels(0.03, 0.90, 0.50, 0.99); }
    // The information overlay's six lines in the top left corner.
    int InfoPixels() const { return WhitePixels(0.02, 0.05, 0.40, 0.20); }
};

inline bool ReadCapture(const std::string& path, Capture& capture) {
    const std::string data = ReadFile(path);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return false;
    auto le32 = [&](size_t at) {
        return static_cast<int32_t>(static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8 |
                                    static_cast<uint8_t>(data[at + 2]) << 16 |
                                    static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24);
    };
    const int offset = le32(10), w = le32(18), h = le32(22);
    const int row = (w * 3 + 3) & ~3;
    if (w <= 0 || h <= 0 || data.size() < static_cast<size_t>(offset) + static_cast<size_t>(row) * h) return false;
    capture.width = w;
    capture.height = h;
    capture.pixels.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const size_t src = static_cast<size_t>(offset) + static_cast<size_t>(h - 1 - y) * row;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data()) + src + 3 * x;
            capture.pixels[static_cast<size_t>(y) * w + x] = p[2] << 16 | p[1] << 8 | p[0];
        }
    }
    return true;
}

// The desktop wallpaper as a new process reads it (Wine caches the setting in
// each process, so this one would only see its own changes).
inline std::string DesktopWallpaper() {
    // Named for this process: the areas' programs share the build folder.
    const std::string file = BuildDir() + "\\wallpaper-" + std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(file.c_str());
    std::string command = "\"" + BuildDir() + "\\velune-intruder.exe\" --wallpaper \"" + file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "?";
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string wallpaper = ReadFile(file);
    DeleteFileA(file.c_str());
    return wallpaper;
}

// A folder under the build folder holding a private copy of the plug-in.
class Sandbox {
public:
    explicit Sandbox(const std::string& name, const std::string& dllName = "vis_velune.dll")
        : dir(BuildDir() + "\\host-sandbox\\" + name), dll(dir + "\\" + dllName) {
        CreateDirectoryA((BuildDir() + "\\host-sandbox").c_str(), nullptr);
        CreateDirectoryA(dir.c_str(), nullptr);
        Clear();
        CopyFileA(VELUNE_RELEASE_DIR "\\vis_velune.dll", dll.c_str(), FALSE);
    }

    // Removes what an earlier run left: the settings, the log, the captures.
    void Clear() const {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    std::string Path(const std::string& file) const { return dir + "\\" + file; }
    std::string IniPath() const { return Path("vis_velune.ini"); }

    void WriteIni(const std::string& keys) const {
        std::ofstream out(IniPath(), std::ios::binary);
        out << "[Velune v1.06]\r\n" << keys;
    }

    // The keys of the settings file in file order, "Key=Value".
    std::vector<std::string> IniEntries() const {
        std::vector<std::string> entries;
        for (const std::string& line : Lines(ReadFile(IniPath())))
            if (line.find('=') != std::string::npos) entries.push_back(line);
        return entries;
    }

    // The value of a key, or `missing` when the file lacks it.
    int Ini(const std::string& key, int missing = -12345) const {
        const std::string text = IniText(key);
        return text == "(none)" ? missing : std::atoi(text.c_str());
    }
    std::string IniText(const std::string& key) const {
        for (const std::string& entry : IniEntries())
            if (entry.compare(0, key.size() + 1, key + "=") == 0) return entry.substr(key.size() + 1);
        return "(none)";
    }

    // The player copied into this folder with the ddraw.dll that fails on
    // cue beside it; only this folder's runs see it.
    void UseFaultyDirectDraw() {
        CopyFileA((BuildDir() + "\\velune-host.exe").c_str(), Path(kFaultyHost).c_str(), FALSE);
        CopyFileA((BuildDir() + "\\faults\\ddraw.dll").c_str(), Path("ddraw.dll").c_str(), FALSE);
        hostExe = Path(kFaultyHost);
        // Wine prefers its own ddraw.dll unless told otherwise for this program.
        HKEY key = nullptr;
        const std::string name = std::string("Software\\Wine\\AppDefaults\\") + kFaultyHost + "\\DllOverrides";
        if (RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            const char order[] = "native,builtin";
            RegSetValueExA(key, "ddraw", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
            RegCloseKey(key);
        }
    }
    void SetEnv(const std::string& name, const std::string& value) { environment.push_back({name, value}); }
    // Back to the shared player on the system's DirectDraw.
    void UseRealDirectDraw() {
        hostExe.clear();
        environment.clear();
    }

    // Runs the player on the plug-in copy with a fixed 20 ms play clock.
    // `companion`: arguments of velune-intruder, started beside the player
    // with the player's log as its clock.
    PlayerRun Run(const std::string& arguments, DWORD timeoutMs = 120000, const std::string& companion = "") const {
        PlayerRun run;
        const std::string logPath = Path("host.log");
        DeleteFileA(logPath.c_str());
        PROCESS_INFORMATION process = {};
        const bool started = StartPlayer("--dll \"" + dll + "\" --log \"" + logPath + "\" --frame-ms 20 --capture-prefix \"" +
                                             Path("capture") + "\" " + arguments,
                                         &process);
        const std::string command = arguments;
        PROCESS_INFORMATION intruder = {};
        if (started && !companion.empty())
            Start("\"" + BuildDir() + "\\velune-intruder.exe\" --log \"" + logPath + "\" " + companion, &intruder);
        if (!started) {
            ADD_FAILURE() << "cannot start the player: " << GetLastError();
            return run;
        }
        // A fatal report shows a box; someone has to read it and press OK.
        std::atomic<bool> done{false};
        std::thread watcher([&] {
            while (!done) {
                HWND box = nullptr;
                std::string prefix;
                for (const char* caption : {"Error", "Warning"})
                    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", caption); w != nullptr;
                         w = FindWindowExA(nullptr, w, "#32770", caption)) {
                        DWORD pid = 0;
                        GetWindowThreadProcessId(w, &pid);
                        if (pid != process.dwProcessId) continue;
                        box = w;
                        prefix = caption[0] == 'W' ? "Warning: " : "";
                    }
                if (box != nullptr) {
                    Sleep(300);
                    char text[512] = {};
                    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                    run.boxes.push_back(prefix + text);
                    run.wallpaperAtBox.push_back(DesktopWallpaper());
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                    Sleep(500);
                }
                Sleep(50);
            }
        });
        if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            run.finished = true;
            GetExitCodeProcess(process.hProcess, &run.exitCode);
        } else {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 10000);
            ADD_FAILURE() << "the player did not finish: " << command;
        }
        done = true;
        watcher.join();
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (intruder.hProcess != nullptr) {
            if (WaitForSingleObject(intruder.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(intruder.hProcess, 98);
            GetExitCodeProcess(intruder.hProcess, &run.companionExit);
            CloseHandle(intruder.hThread);
            CloseHandle(intruder.hProcess);
        }
        for (const std::string& text : Lines(ReadFile(logPath))) {
            LogLine entry{};
            int used = 0;
            if (std::sscanf(text.c_str(), "frame %d %n", &entry.frame, &used) == 1 && used > 0) {
                entry.what = text.substr(static_cast<size_t>(used));
                run.log.push_back(entry);
            }
        }
        return run;
    }

    // The player (this folder's copy when it has one) with these arguments
    // and this sandbox's environment.
    bool StartPlayer(const std::string& arguments, PROCESS_INFORMATION* process) const {
        const std::string exe = hostExe.empty() ? BuildDir() + "\\velune-host.exe" : hostExe;
        std::vector<std::pair<std::string, std::string>> kept;
        for (const auto& variable : environment) {
            char old[1024] = {};
            const DWORD n = GetEnvironmentVariableA(variable.first.c_str(), old, sizeof old);
            kept.push_back({variable.first, n > 0 && n < sizeof old ? std::string(old) : std::string("\x01")});
            SetEnvironmentVariableA(variable.first.c_str(), variable.second.c_str());
        }
        const bool started = Start("\"" + exe + "\" " + arguments, process);
        for (const auto& variable : kept)
            SetEnvironmentVariableA(variable.first.c_str(), variable.second == "\x01" ? nullptr : variable.second.c_str());
        return started;
    }

    Capture CaptureAt(int frame) const {
        char name[32];
        std::snprintf(name, sizeof name, "capture_%05d.bmp", frame);
        Capture capture;
        EXPECT_TRUE(ReadCapture(Path(name), capture)) << name;
        return capture;
    }

    const std::string dir;
    const std::string dll;

private:
    bool Start(const std::string& command, PROCESS_INFORMATION* process) const {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                              process) != FALSE;
    }

    static constexpr const char* kFaultyHost = "velune-host-faults.exe";
    std::string hostExe;
    std::vector<std::pair<std::string, std::string>> environment;
};

}  // namespace host_test
