#pragma once
// The stand-in desktop shell's windows (shell_windows.cpp).
namespace shell {
struct Options {
    bool layout24h2 = false;
    // A hidden 10x10 WorkerW right behind the icons, before the wallpaper's.
    bool decoy = false;
    // The first request for the WorkerW is answered (and the WorkerW made)
    // only after this long: a shell busy at start.
    int busyMs = 0;
};
// Makes the windows on the calling thread and runs its messages until they
// are closed; 1 when they cannot be made.
int Run(const Options& options);
}  // namespace shell
