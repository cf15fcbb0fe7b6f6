#pragma once
// Drives the plug-in's dialogs from outside, the way a person would: the
// player runs in its own process (until the plug-in asks to stop) while the
// test finds the dialogs by caption, presses their buttons, moves the slider,
// picks list items and reads the controls back.
#include "host_test_harness.h"

#include <commctrl.h>

namespace dialog_test {

constexpr char kPanelCaption[] = "Velune Configuration Panel";
constexpr char kAboutCaption[] = "About Velune";
constexpr char kDisplayClass[] = "Velune v1.06";

// The player on a sandbox's plug-in, started and left running.
class RunningPlayer {
public:
    RunningPlayer(const host_test::Sandbox& box, const std::string& arguments) : box(box) {
        const std::string command = "\"" + host_test::BuildDir() + "\\velune-host.exe\" --dll \"" + box.dll +
                                    "\" --log \"" + box.Path("host.log") + "\" --frame-ms 20 --capture-prefix \"" +
                                    box.Path("capture") + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, box.dir.c_str(), &startup,
                                 &process) != FALSE;
        if (!started) ADD_FAILURE() << "cannot start the player: " << GetLastError();
    }
    ~RunningPlayer() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 10000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RunningPlayer(const RunningPlayer&) = delete;
    RunningPlayer& operator=(const RunningPlayer&) = delete;

    // A top-level window of the player with this class (or any, for null) and caption.
    HWND FindWindowOf(const char* className, const char* caption, DWORD timeoutMs = 30000) const {
        const DWORD start = GetTickCount();
        do {
            HWND found = nullptr;
            while ((found = FindWindowExA(nullptr, found, className, caption)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(found, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(found)) return found;
            }
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        } while (GetTickCount() - start < timeoutMs);
        return nullptr;
    }
    HWND Panel(DWORD timeoutMs = 30000) const { return FindWindowOf("#32770", kPanelCaption, timeoutMs); }
    HWND About(DWORD timeoutMs = 30000) const { return FindWindowOf("#32770", kAboutCaption, timeoutMs); }
    HWND Display() const { return FindWindowOf(kDisplayClass, nullptr); }

    // Visible top-level windows of the player with this caption.
    int Count(const char* caption) const {
        int count = 0;
        HWND found = nullptr;
        while ((found = FindWindowExA(nullptr, found, "#32770", caption)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == process.dwProcessId && IsWindowVisible(found)) ++count;
        }
        return count;
    }

    // Waits until no visible window has this caption.
    bool Gone(const char* caption, DWORD timeoutMs = 10000) const {
        const DWORD start = GetTickCount();
        while (Count(caption) > 0) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(50);
        }
        return true;
    }

    // A key pressed in the display window, as the player's keyboard would.
    void Key(unsigned key) const {
        PostMessageA(Display(), WM_KEYDOWN, key, 1 | static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16);
    }

    // A click on the tray icon (WM_LBUTTONDOWN or WM_RBUTTONDOWN).
    void Tray(UINT mouseMessage) const { PostMessageA(Display(), WM_USER + 10, 106, mouseMessage); }

    // The player's CPU time so far, in milliseconds. Wine reports no times of
    // other processes, so they are read from the Linux side, /proc, for the
    // process whose command line names this sandbox's player.
    double CpuMs() const {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
        double ms = -1.0;
        if (search == INVALID_HANDLE_VALUE) return ms;
        do {
            if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9') continue;
            const std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
            const std::string command = host_test::ReadFile(dir + "\\cmdline");
            if (command.find("velune-host") == std::string::npos || command.find(box.dir) == std::string::npos)
                continue;
            // Fields 14 and 15 of stat, after the name in parentheses: user and system ticks.
            const std::string stat = host_test::ReadFile(dir + "\\stat");
            const size_t close = stat.rfind(')');
            unsigned long long user = 0, system = 0;
            if (close != std::string::npos &&
                std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                            &system) == 2)
                ms = 10.0 * static_cast<double>(user + system);  // 100 ticks a second
        } while (ms < 0 && FindNextFileA(search, &entry));
        FindClose(search);
        return ms;
    }

    // The log so far, while the player runs.
    std::string LogText() const { return host_test::ReadFile(box.Path("host.log")); }

    // Waits for the player to end and reads its log.
    host_test::PlayerRun Finish(DWORD timeoutMs = 60000) const {
        host_test::PlayerRun run;
        if (!started) return run;
        if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the player did not finish";
            return run;
        }
        run.finished = true;
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        for (const std::string& text : host_test::Lines(LogText())) {
            host_test::LogLine entry{};
            int used = 0;
            if (std::sscanf(text.c_str(), "frame %d %n", &entry.frame, &used) == 1 && used > 0) {
                entry.what = text.substr(static_cast<size_t>(used));
                run.log.push_back(entry);
            }
        }
        return run;
    }

    const host_test::Sandbox& box;
    PROCESS_INFORMATION process = {};
    bool started = false;
};

// --- reading and working controls of another process

inline std::string Text(HWND window) {
    char text[32768] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
inline std::string Text(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
inline bool Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

// The slider dragged to a position and let go.
inline void MoveSlider(HWND dialog, int id, int position) {
    HWND slider = GetDlgItem(dialog, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}
inline int SliderPosition(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

// A list item picked with the mouse.
inline void PickItem(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}
// Item texts do not cross processes under Wine (the list has no
// LBS_HASSTRINGS bit, so only a pointer's worth is copied): tests count.
inline int ItemCount(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0)); }
inline int Selected(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0)); }

// The display window's sizes the player logged, "WxH", one per change.
inline std::vector<std::string> WindowSizes(const host_test::PlayerRun& run) {
    std::vector<std::string> sizes;
    for (const host_test::LogLine& line : run.log) {
        long x, y, w, h;
        if (std::sscanf(line.what.c_str(), "window %ld %ld %ld %ld", &x, &y, &w, &h) != 4) continue;
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        if (sizes.empty() || sizes.back() != size) sizes.push_back(size);
    }
    return sizes;
}

// The window's pixels off the screen, saved as a 24-bit BMP.
inline bool CaptureWindow(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const int row = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(row * h);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), row * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out.good();
}

}  // namespace dialog_test
