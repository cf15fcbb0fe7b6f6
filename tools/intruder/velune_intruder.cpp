// velune-intruder: the second program of the desktop tests. Once the player's
// log shows a given frame, it takes the focus with a window of its own, or
// switches the display to another mode, for a while, then gives it back, as
// Alt+Tab, a UAC prompt or a game would.
//   velune-intruder --log PLAYERLOG --at-frame N --focus MS [--return-focus]
//   velune-intruder --log PLAYERLOG --at-frame N --mode WxHxBITS MS
//   velune-intruder --wallpaper FILE   (the desktop wallpaper as a fresh
//                                       process sees it, written to FILE)
// Exit status 0 when it did what was asked, 1 when it could not, 2 on usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool LogShowsFrame(const std::string& path, int frame) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char line[512];
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "frame %d ", frame);
    bool seen = false;
    while (!seen && std::fgets(line, sizeof line, f)) seen = std::strncmp(line, wanted, std::strlen(wanted)) == 0;
    std::fclose(f);
    return seen;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

int TakeFocus(DWORD ms, bool giveBack) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "VeluneIntruder";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "intruder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 1;
    SetForegroundWindow(window);
    Pump(200);
    const bool took = GetForegroundWindow() == window;
    std::printf("focus %s\n", took ? "taken" : "not taken");
    Pump(ms > 200 ? ms - 200 : 0);
    // The user coming back with Alt+Tab: the display window in front again.
    HWND display = FindWindowA("Velune v1.06", nullptr);
    if (giveBack && display) SetForegroundWindow(display);
    DestroyWindow(window);
    Pump(100);
    if (giveBack && display) SetForegroundWindow(display);
    std::fflush(stdout);
    return took ? 0 : 1;
}

int ChangeMode(int width, int height, int bits, DWORD ms) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    const LONG changed = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    std::printf("mode %dx%dx%d %s\n", width, height, bits, changed == DISP_CHANGE_SUCCESSFUL ? "set" : "refused");
    Pump(ms);
    ChangeDisplaySettingsA(nullptr, 0);
    std::fflush(stdout);
    return changed == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string log;
    int atFrame = -1, width = 0, height = 0, bits = 0;
    DWORD focusMs = 0, modeMs = 0;
    bool giveBack = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--wallpaper" && i + 1 < argc) {
            // Wine caches the setting per process: only a new one reads what
            // another program set last.
            char path[MAX_PATH] = {};
            SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
            FILE* out = std::fopen(argv[i + 1], "wb");
            if (!out) return 1;
            std::fputs(path, out);
            std::fclose(out);
            return 0;
        } else if (a == "--log" && i + 1 < argc) {
            log = argv[++i];
        } else if (a == "--at-frame" && i + 1 < argc) {
            atFrame = std::atoi(argv[++i]);
        } else if (a == "--focus" && i + 1 < argc) {
            focusMs = static_cast<DWORD>(std::atoi(argv[++i]));
        } else if (a == "--return-focus") {
            giveBack = true;
        } else if (a == "--mode" && i + 2 < argc) {
            if (std::sscanf(argv[++i], "%dx%dx%d", &width, &height, &bits) != 3) return 2;
            modeMs = static_cast<DWORD>(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "velune-intruder: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    if (log.empty() || atFrame < 0 || (focusMs == 0 && modeMs == 0)) return 2;
    // The player may not have started yet; a minute is more than any run.
    for (int waited = 0; !LogShowsFrame(log, atFrame); waited += 20) {
        if (waited > 60000) return 1;
        Sleep(20);
    }
    return focusMs > 0 ? TakeFocus(focusMs, giveBack) : ChangeMode(width, height, bits, modeMs);
}
