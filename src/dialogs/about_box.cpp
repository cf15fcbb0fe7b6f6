#include "dialogs/about_box.h"

#include <cstring>

#include "dialogs/dialog_ids.h"
#include "host/dpi_awareness.h"
#include "host/plugin.h"
#include "host/x87_precision.h"
#include "version.h"
#include "video/display_gate_win32.h"

std::atomic<HWND> aboutBoxDialog{nullptr};

namespace {

constexpr char kReadmeName[] = "vis_velune.txt";
constexpr char kReadmeMissing[] = "Readme file missing...";

// The readme beside the library; false when the name does not fit.
bool ReadmePath(HINSTANCE library, char (&path)[MAX_PATH]) {
    const DWORD length = GetModuleFileNameA(library, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    char* slash = std::strrchr(path, '\\');
    const size_t directory = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
    if (directory + sizeof kReadmeName > MAX_PATH) return false;
    std::memcpy(path + directory, kReadmeName, sizeof kReadmeName);
    return true;
}

// The dialog grows with its monitor's DPI, the logo's bitmap does not: a
// copy stretched to the DPI replaces it (null at 96 DPI, or when none is made).
HBITMAP ScaleLogo(HWND dialog, HINSTANCE library) {
    const UINT scale = dpi::ForWindow(dialog);
    HWND logo = GetDlgItem(dialog, -1);
    const HANDLE shown = logo != nullptr ? reinterpret_cast<HANDLE>(SendMessageA(logo, STM_GETIMAGE, IMAGE_BITMAP, 0)) : nullptr;
    BITMAP size;
    if (scale == dpi::kDefault || shown == nullptr || GetObjectA(shown, sizeof size, &size) == 0) return nullptr;
    HBITMAP scaled = static_cast<HBITMAP>(LoadImageA(library, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP,
                                                     MulDiv(size.bmWidth, static_cast<int>(scale), dpi::kDefault),
                                                     MulDiv(size.bmHeight, static_cast<int>(scale), dpi::kDefault), 0));
    if (scaled == nullptr) return nullptr;
    HANDLE replaced = reinterpret_cast<HANDLE>(SendMessageA(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
    if (replaced != nullptr && replaced != scaled) DeleteObject(replaced);
    return scaled;
}

}  // namespace

bool ReadReadme(const char* path, char* buffer, int bufferBytes) {
    if (bufferBytes <= 0) return false;
    buffer[0] = '\0';
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // A longer file shows its beginning; a read error ends the text like the
    // end of the file.
    DWORD total = 0;
    const DWORD room = static_cast<DWORD>(bufferBytes - 1);
    while (total < room) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, room - total, &got, nullptr) || got == 0) break;
        total += got;
    }
    CloseHandle(file);
    buffer[total] = '\0';
    return true;
}

AboutBox::AboutBox(VisModule* module) {
    display_gate::Hold gate(display_gate::kDialogWaitMs);
    readmeText[0] = '\0';
    HINSTANCE library = static_cast<HINSTANCE>(module->hDllInstance);
    dialog = CreateDialogParamA(library, MAKEINTRESOURCEA(IDD_ABOUT_BOX), static_cast<HWND>(module->hwndParent),
                                AboutBoxProc, 0);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    scaledLogo = ScaleLogo(dialog, library);
    ShowWindow(dialog, SW_SHOWNORMAL);
    versionLabel = GetDlgItem(dialog, IDC_VERSION);
    readmeView = GetDlgItem(dialog, IDC_README);
    wsprintfA(versionText, "Version %s", "v" VELUNE_VERSION_TEXT);
    SetWindowTextA(versionLabel, versionText);
    aboutBoxDialog = dialog;
    aboutBoxOpen = 1;

    char path[MAX_PATH];
    const bool found = ReadmePath(library, path) && ReadReadme(path, readmeText, kReadmeBytes);
    SendMessageA(readmeView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(found ? readmeText : kReadmeMissing));
}

AboutBox::~AboutBox() {
    aboutBoxDialog = nullptr;
    AboutBox* self = this;
    theAboutBox.compare_exchange_strong(self, nullptr);
    // Null when the window is gone already or belongs to a thread that is
    // not pumping (a player shutting down): it is left to that thread.
    if (dialog != nullptr) {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
        DestroyWindow(dialog);
        if (scaledLogo != nullptr) DeleteObject(scaledLogo);
    }
    aboutBoxOpen = 0;
}

bool ClaimAboutBox(AboutBox* box) {
    AboutBox* expected = box;
    return box != nullptr && theAboutBox.compare_exchange_strong(expected, nullptr);
}

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    PluginPrecision guard;
    // Only OK closes the box: it has no close box, and Esc's cancel is ignored.
    // Destroyed by its owner, the object goes with the window.
    const bool close = (message == WM_COMMAND && LOWORD(wParam) == IDOK) || message == kCloseAboutBox;
    if (!close && message != WM_DESTROY) return FALSE;
    AboutBox* box = reinterpret_cast<AboutBox*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    // Quit on another thread may be taking the box at this very moment.
    if (!ClaimAboutBox(box)) return close ? TRUE : FALSE;
    if (message == WM_DESTROY) box->dialog = nullptr;
    delete box;
    return close ? TRUE : FALSE;
}
