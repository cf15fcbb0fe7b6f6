#pragma once
// Drives the plug-in's dialogs from outside, as a person would: the player
// runs in its own process until the plug-in asks to stop, while the test finds
// the dialogs by caption, presses buttons, moves the slider, picks list items
// and reads the controls back.
#include "host_test_harness.h"

#include <commctrl.h>

namespace dialog_test {

constexpr char kPanel[] = "Velune Configuration Panel";
constexpr char kAbout[] = "About Velune";

class RunningPlayer {
public:
    RunningPlayer(const host_test::Sandbox& box, const std::string& arguments) : box(box) {
        started = box.StartPlayer("--dll \"" + box.dll + "\" --log \"" + box.Path("host.log") +
                                      "\" --frame-ms 20 --frames -1 " + arguments,
                                  &process);
        EXPECT_TRUE(started) << "cannot start the player";
    }
    ~RunningPlayer() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    // The player's visible top-level windows of this class and caption (null: any).
    std::vector<HWND> Windows(const char* className, const char* caption) const {
        std::vector<HWND> found;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, caption)) != nullptr;) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == process.dwProcessId && IsWindowVisible(w)) found.push_back(w);
        }
        return found;
    }
    HWND Find(const char* className, const char* caption) const {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
            const std::vector<HWND> found = Windows(className, caption);
            if (!found.empty()) return found[0];
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        }
        return nullptr;
    }
    HWND Dialog(const char* caption) const { return Find("#32770", caption); }
    HWND Display() const { return Find("Velune v1.06", nullptr); }
    int Count(const char* caption) const { return static_cast<int>(Windows("#32770", caption).size()); }
    bool Gone(const char* caption) const {
        for (DWORD start = GetTickCount(); Count(caption) > 0; Sleep(50))
            if (GetTickCount() - start > 10000) return false;
        return true;
    }

    // A key pressed in the display window, or a click on the tray icon.
    void Key(unsigned key) const { PostMessageA(Display(), WM_KEYDOWN, key, 1 | MapVirtualKeyA(key, 0) << 16); }
    void Tray(UINT mouse) const { PostMessageA(Display(), WM_USER + 10, 106, mouse); }

    // CPU milliseconds used so far. Wine reports no times of other processes,
    // so they come from Linux's /proc entry of this sandbox's player.
    double CpuMs() const {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
        double ms = -1.0;
        for (BOOL more = search != INVALID_HANDLE_VALUE; more && ms < 0; more = FindNextFileA(search, &entry)) {
            const std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
            const std::string command = host_test::ReadFile(dir + "\\cmdline");
            if (command.find("velune-host") == std::string::npos || command.find(box.dir) == std::string::npos) continue;
            const std::string stat = host_test::ReadFile(dir + "\\stat");
            unsigned long long user = 0, system = 0;  // fields 14 and 15, in 1/100 s
            if (std::sscanf(stat.c_str() + stat.rfind(')') + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                            &user, &system) == 2)
                ms = 10.0 * static_cast<double>(user + system);
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return ms;
    }

    std::string LogText() const { return host_test::ReadFile(box.Path("host.log")); }

    host_test::PlayerRun Finish() const {
        host_test::PlayerRun run;
        run.finished = started && WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
        if (run.finished) GetExitCodeProcess(process.hProcess, &run.exitCode);
        for (const std::string& text : host_test::Lines(LogText())) {
            host_test::LogLine line{};
            int used = 0;
            if (std::sscanf(text.c_str(), "frame %d %n", &line.frame, &used) == 1 && used > 0)
                run.log.push_back({line.frame, text.substr(static_cast<size_t>(used))});
        }
        return run;
    }

    const host_test::Sandbox& box;
    PROCESS_INFORMATION process = {};
    bool started = false;
};

// A player that stops answering (Wine's GL can deadlock a process that
// presents while its windows move) fails the test within seconds instead of
// holding the whole suite: every call to it is bounded.
inline LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 20000, &result)) {
        ADD_FAILURE() << "the player did not answer message " << message;
        return 0;
    }
    return static_cast<LRESULT>(result);
}
inline LRESULT SendDlgItemBounded(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendBounded(GetDlgItem(dialog, id), message, wParam, lParam);
}

inline std::string Text(HWND dialog, int id) {
    static char text[32768];
    text[0] = '\0';
    SendDlgItemBounded(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
inline bool Checked(HWND dialog, int id) { return SendDlgItemBounded(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline void Click(HWND dialog, int id) { SendDlgItemBounded(dialog, id, BM_CLICK, 0, 0); }
inline int Ask(HWND dialog, int id, UINT message) { return static_cast<int>(SendDlgItemBounded(dialog, id, message, 0, 0)); }

// The slider dragged to a position and let go; a list item clicked.
inline void MoveSlider(HWND dialog, int position) {
    SendDlgItemBounded(dialog, 1020, TBM_SETPOS, TRUE, position);
    SendBounded(dialog, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1020)));
}
inline void PickItem(HWND dialog, int index) {
    SendDlgItemBounded(dialog, 1004, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendBounded(dialog, WM_COMMAND, MAKEWPARAM(1004, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1004)));
}

// The window's pixels off the screen, saved as a 24-bit BMP.
inline bool CaptureWindow(HWND window, const std::string& path) {
    RECT r;
    GetWindowRect(window, &r);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = r.right - r.left;
    info.biHeight = r.bottom - r.top;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int row = (info.biWidth * 3 + 3) & ~3;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file).write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(static_cast<const char*>(bits), row * info.biHeight);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out.good();
}

}  // namespace dialog_test
