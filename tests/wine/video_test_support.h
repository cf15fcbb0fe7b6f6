#pragma once
// What the display tests need of a player: a hidden main window that answers
// the plug-in's queries, the DLL loaded and driven frame by frame, the
// settings file beside it, the screen read back with GDI, and a watchdog that
// turns an unexpected "Error" box into a failed run instead of a silent exit.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/vis_records.h"

namespace videotest {

// The release folder's files, copied for this program alone: the settings
// file lives beside the library, and the areas' programs run side by side.
inline const std::string& SessionDir() {
    static const std::string dir = [] {
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string name = exe;
        name = name.substr(name.find_last_of("\\/") + 1);
        name = name.substr(0, name.rfind('.'));
        const std::string root = std::string(VELUNE_RELEASE_DIR) + "\\..\\sessions", folder = root + "\\" + name;
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* file : {"vis_velune.dll", "vis_velune.txt", "vis_velune.bmp"}) {
            // Not over a copy that is the same (a child of this program may have it loaded).
            const std::string from = std::string(VELUNE_RELEASE_DIR) + "\\" + file, to = folder + "\\" + file;
            WIN32_FILE_ATTRIBUTE_DATA source = {}, copy = {};
            if (GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &copy) &&
                GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &source) &&
                CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime) == 0 &&
                source.nFileSizeLow == copy.nFileSizeLow)
                continue;
            CopyFileA(from.c_str(), to.c_str(), FALSE);
        }
        return folder;
    }();
    return dir;
}
inline std::string ReleasePath(const char* file) { return SessionDir() + "/" + file; }
inline std::string IniPath() { return ReleasePath("vis_velune.ini"); }

inline void RemoveSettings() { DeleteFileA(IniPath().c_str()); }
inline void WriteSetting(const char* key, int value) {
    WritePrivateProfileStringA("Velune v1.06", key, std::to_string(value).c_str(), IniPath().c_str());
}
inline int ReadSetting(const char* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntA("Velune v1.06", key, fallback, IniPath().c_str()));
}

// Text of the static control of a message box.
inline std::string BoxText(HWND box) {
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// A fatal report ends the process with status 0, which would read as a pass:
// while armed, any "Error" box is printed and the process ends with status 3.
class ErrorBoxWatchdog {
public:
    ErrorBoxWatchdog() : thread_([this] { Run(); }) {}
    ~ErrorBoxWatchdog() {
        stop_ = true;
        thread_.join();
    }

private:
    void Run() {
        while (!stop_) {
            HWND box = FindWindowA("#32770", "Error");
            if (box != nullptr) {
                fprintf(stderr, "unexpected Error box: %s\n", BoxText(box).c_str());
                fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
            Sleep(50);
        }
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The player's main window: position grows 23 ms a frame, one playlist entry.
class PlayerWindow {
public:
    PlayerWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VeluneVideoTestPlayer";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "player", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }
    ~PlayerWindow() {
        DestroyWindow(window);
        UnregisterClassA("VeluneVideoTestPlayer", GetModuleHandleA(nullptr));
    }
    HWND window = nullptr;
    static int& Position() {
        static int position = 0;
        return position;
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_USER) {
            if (lp == 105) return Position();
            if (lp == 125) return 0;
            if (lp == 212) return reinterpret_cast<LRESULT>("Test Tone");
        }
        return DefWindowProcA(w, m, wp, lp);
    }
};

// Dispatches what is queued on this thread; true when a quit request came.
inline bool PumpMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

// The DLL as a player drives it.
class PluginSession {
public:
    PluginSession() {
        dll = LoadLibraryA(ReleasePath("vis_velune.dll").c_str());
        if (dll == nullptr) return;
        auto getHeader =
            reinterpret_cast<VisGetHeaderFn>(reinterpret_cast<void*>(GetProcAddress(dll, "winampVisGetHeader")));
        if (getHeader == nullptr) return;
        module = getHeader()->getModule(0);
        module->hwndParent = player.window;
        module->hDllInstance = dll;
    }
    ~PluginSession() {
        if (running) Quit();
        if (dll != nullptr) FreeLibrary(dll);
    }
    int Init() {
        int result = module->Init(module);
        running = result == 0;
        if (running) display = FindWindowA("Velune v1.06", "Velune v1.06");
        return result;
    }
    // n frames of a two-tone signal, the thread's messages pumped after each.
    void Render(int n) {
        for (int f = 0; f < n; ++f) {
            for (int i = 0; i < 576; ++i) {
                double t = (frame * 576 + i) / 44100.0;
                double left = 100 * sin(6.283185307179586 * 220 * t) * (0.5 + 0.5 * sin(frame * 0.05));
                double right = 90 * sin(6.283185307179586 * 330 * t);
                module->waveformData[0][i] = static_cast<unsigned char>(static_cast<signed char>(left));
                module->waveformData[1][i] = static_cast<unsigned char>(static_cast<signed char>(right));
                module->spectrumData[0][i] = static_cast<unsigned char>(i < 64 ? 200 - 3 * i : (frame + i) % 40);
                module->spectrumData[1][i] = static_cast<unsigned char>(i < 96 ? 180 - i : (frame * 3 + i) % 30);
            }
            module->Render(module);
            PlayerWindow::Position() += 23;
            ++frame;
            if (PumpMessages()) quitRequested = true;
        }
    }
    void Quit() {
        module->Quit(module);
        running = false;
        // Quit's own destruction of the display window must ask the player
        // for nothing: a quit message now would end the player's next loop.
        strayQuit = PumpMessages();
    }

    PlayerWindow player;
    HMODULE dll = nullptr;
    VisModule* module = nullptr;
    HWND display = nullptr;
    bool running = false;
    bool quitRequested = false;
    bool strayQuit = false;
    int frame = 0;
};

// Pixels of a screen rectangle as 0x00RRGGBB, top row first.
inline std::vector<uint32_t> GrabScreen(int x, int y, int w, int h) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, x, y, SRCCOPY);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

inline int ScreenBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

inline size_t CountNonBlack(const std::vector<uint32_t>& pixels) {
    size_t n = 0;
    for (uint32_t p : pixels) n += p != 0;
    return n;
}

// Committed private memory of the process. Wine leaves the counters of
// GetProcessMemoryInfo at 0, so the address space is walked when they are.
inline size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    if (counters.PrivateUsage != 0) return counters.PrivateUsage;
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

}  // namespace videotest
