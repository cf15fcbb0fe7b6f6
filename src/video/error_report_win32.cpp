#include "video/error_report_win32.h"

#include <cstdlib>

#include "video/error_text.h"

void ReportDirectDrawError(const char* message, HRESULT result, int endProcess) {
    char text[kErrorTextBytes];
    if (!FormatDirectDrawError(text, message, static_cast<uint32_t>(result))) return;
    // No owner: the display window may be hidden or half torn down.
    MessageBoxA(nullptr, text, "Error", MB_OK);
    if (endProcess) exit(0);
}

void ReportError(const char* message, int endProcess) {
    MessageBoxA(nullptr, message, "Error", MB_OK);
    if (endProcess) exit(0);
}
