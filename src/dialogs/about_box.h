#pragma once
// The About box: logo, name, version and the readme beside the library, in a
// modeless dialog that closes with OK.
#include <windows.h>

#include <atomic>

#include "host/vis_records.h"

constexpr int kReadmeBytes = 20000;  // text and terminator
// Posted to the box by a thread other than its own (Quit): the box's own
// thread closes it.
constexpr UINT kCloseAboutBox = WM_APP + 1;

class AboutBox {
public:
    explicit AboutBox(VisModule* module);
    virtual ~AboutBox();
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    HWND dialog = nullptr;
    HWND versionLabel = nullptr;
    HWND readmeView = nullptr;
    HBITMAP scaledLogo = nullptr;  // the logo at the dialog's DPI; ours to delete
    char versionText[32] = {};
    char readmeText[kReadmeBytes];
};

// The open box's dialog, or null: what other threads may touch of it.
extern std::atomic<HWND> aboutBoxDialog;

// Takes the open box out of theAboutBox; true for the one caller that may
// delete it (the box's own thread and Quit can race for it).
bool ClaimAboutBox(AboutBox* box);

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Reads at most bufferBytes - 1 bytes of the file into buffer and ends them
// with a zero. False when the file cannot be opened.
bool ReadReadme(const char* path, char* buffer, int bufferBytes);
