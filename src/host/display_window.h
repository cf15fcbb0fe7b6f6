#pragma once
// The display window's procedure: key commands, tray clicks, window position.
#include <windows.h>

LRESULT CALLBACK DisplayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
