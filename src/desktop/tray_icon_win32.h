#pragma once
// The tray icon's picture at the size the taskbar shows.
#include <windows.h>

// The small icon for the system's DPI; the caller destroys it.
HICON LoadTrayIcon(HINSTANCE instance, int id);
