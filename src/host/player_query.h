#pragma once
// Questions to the player's window (WM_USER with a query code in lParam).
#include <windows.h>

// The player's answer, or `none` when it gives none within a moment: a
// player that is hung, or waits for the thread asking without pumping
// (shutting down), must not hold Render.
LRESULT AskPlayer(HWND player, WPARAM wParam, LPARAM code, bool unicode, LRESULT none = 0);
