// velune-shell: the stand-in desktop shell as a process of its own, for the
// Background tests (shell_windows.cpp). Killed and started again, it is
// Explorer restarting. --24h2: the Windows 11 24H2 layout.
#include <windows.h>

#include <cstring>

#include "shell/shell_windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool layout24h2 = false;
    for (int i = 1; i < __argc; ++i) layout24h2 = layout24h2 || std::strcmp(__argv[i], "--24h2") == 0;
    return shell::Run(layout24h2);
}
