#pragma once
// The display window's procedure: key commands, tray clicks, window position.
#include <windows.h>

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Adds the tray icon for the display window (Init, and again when Explorer
// restarts and forgets it).
void AddTrayIcon();
