#pragma once
// Reads back what is on the screen and writes it as a 24-bit BMP.
#include <windows.h>

#include <string>

// The client area of a visible window, or the whole screen when window is null
// or hidden. Returns false when nothing could be read or written.
bool CaptureToBmp(HWND window, const std::string& path);
