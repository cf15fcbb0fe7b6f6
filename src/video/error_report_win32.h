#pragma once
// Fatal reports of the display: a box titled "Error", then the process ends.
#include <windows.h>

// Returns only when endProcess is 0 or the result is DDERR_SURFACEBUSY.
void ReportDirectDrawError(const char* message, HRESULT result, int endProcess);
// Returns only when endProcess is 0.
void ReportError(const char* message, int endProcess);
