// velune-shell: the stand-in desktop shell as a process of its own, for the
// Background tests (shell_windows.cpp). Killed and started again, it is
// Explorer restarting. --24h2: the Windows 11 24H2 layout; --decoy: a hidden
// small WorkerW where the wallpaper's is looked for; --busy MS: slow to make
// its WorkerW at the first request.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "shell/shell_windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    shell::Options options;
    for (int i = 1; i < __argc; ++i) {
        if (std::strcmp(__argv[i], "--24h2") == 0) options.layout24h2 = true;
        if (std::strcmp(__argv[i], "--decoy") == 0) options.decoy = true;
        if (std::strcmp(__argv[i], "--busy") == 0 && i + 1 < __argc) options.busyMs = std::atoi(__argv[++i]);
    }
    return shell::Run(options);
}
