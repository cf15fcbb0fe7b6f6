#pragma once
// The player closing while the plug-in runs, as Winamp does on exit.
#include <windows.h>

struct PlayerState;

// Posted to the main window at the --exit frame.
constexpr UINT kPlayerExit = WM_APP + 2;

// On the main window's thread. With the plug-in on a thread of its own: asks
// that thread to stop, answers messages for state.exitPumpMs, then waits
// without answering anything, as Winamp does; a plug-in that still needs the
// main thread then hangs, which is logged and ends the player (status 5).
// On one thread: the main window goes, with every window it owns, the
// messages are answered for state.exitPumpMs and then the loop stops.
void PlayerExit(HWND window, PlayerState& state);
