// Config, the player's configure command, and the dialogs' entry points from
// the display window and Quit.
//
// Each dialog belongs to the thread that created it and only that thread's
// message loop drives it: the panel the display window's thread, the About
// box whichever thread opened it (Config may come on the player's window
// thread while Init, Render and Quit run on another). A dialog of another
// thread is closed by a message posted to it, which its own thread acts on;
// if that thread does not within a moment (a player shutting down), the
// dialog is cut loose from the plug-in and left to its thread.
#include <windows.h>

#include "dialogs/about_box.h"
#include "dialogs/config_panel.h"
#include "host/plugin.h"
#include "host/plugin_entry.h"
#include "scene/scene.h"
#include "video/video.h"

std::atomic<ConfigPanel*> theConfigPanel{nullptr};
std::atomic<int> configPanelOpen{0};
std::atomic<AboutBox*> theAboutBox{nullptr};
std::atomic<int> aboutBoxOpen{0};

namespace {
// Config calls still inside the library: a thread that Quit does not own may
// return into it after Quit.
std::atomic<int> configCallsRunning{0};
}  // namespace

namespace {

// A dialog of another thread is asked to close and given this long. A player
// that is shutting down stops pumping that thread and waits for ours, so
// nothing here may wait longer, or send to it.
constexpr DWORD kCloseWaitMs = 250;
// A box of another thread gives no sign when it closes: look again this often.
constexpr DWORD kOtherThreadPollMs = 50;

bool OwnedByThisThread(HWND window) {
    return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// The box's window rather than the box: another thread may delete the box
// at any moment, and a stale window handle is harmless where a stale pointer
// is not.
HWND AboutBoxWindow() { return aboutBoxDialog.load(); }

// Keyboard navigation for this thread's dialogs: Enter, Tab and Esc.
bool ToDialog(MSG& message) {
    const HWND box = AboutBoxWindow();
    if (OwnedByThisThread(box) && IsDialogMessageA(box, &message)) return true;
    const HWND panel = configPanelDialog.load();
    return OwnedByThisThread(panel) && IsDialogMessageA(panel, &message);
}

// Runs this thread's messages until the About box is closed, sleeping while
// nothing arrives. A quit message ends the wait: it is put back for the
// player's own loop, and a box of this thread closes with it, since nothing
// would drive it any more.
void RunUntilAboutBoxCloses() {
    while (aboutBoxOpen) {
        // The player's windows run in here (sent messages inside the peek,
        // posted ones in the dispatch): at the player's own settings. Ours
        // get their window's awareness from the system and their precision
        // from their procedures.
        AsCaller asCaller;
        const HWND box = AboutBoxWindow();
        const DWORD timeout = OwnedByThisThread(box) ? INFINITE : kOtherThreadPollMs;
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                AboutBox* open = theAboutBox.load();
                if (OwnedByThisThread(AboutBoxWindow()) && ClaimAboutBox(open)) delete open;
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            if (ToDialog(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Waits a moment for another thread to clear `flag`, answering messages sent
// to this thread meanwhile (the closing dialog may send some to its owner here).
void WaitForOtherThread(const std::atomic<int>& flag) {
    const DWORD start = GetTickCount();
    while (flag && GetTickCount() - start < kCloseWaitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG message;
        AsCaller asCaller;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// A dialog whose thread did not close it: none of its messages reach the
// plug-in any more (the library may be unloaded before that thread pumps
// again), and it is hidden. Neither call waits for that thread.
void CutLoose(HWND dialog) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, 0);
    ShowWindowAsync(dialog, SW_HIDE);
}

void CloseAboutBox() {
    AboutBox* open = theAboutBox.load();
    if (!aboutBoxOpen || open == nullptr) return;
    const HWND box = AboutBoxWindow();
    if (box != nullptr && IsWindow(box) && !OwnedByThisThread(box)) {
        PostMessageA(box, kCloseAboutBox, 0, 0);
        WaitForOtherThread(aboutBoxOpen);
        open = theAboutBox.load();
        if (!ClaimAboutBox(open)) return;
        CutLoose(box);
        open->dialog = nullptr;
    } else {
        if (!ClaimAboutBox(open)) return;
        if (box != nullptr && !IsWindow(box)) open->dialog = nullptr;
    }
    delete open;
}

void ClosePanel() {
    ConfigPanel* panel = theConfigPanel.load();
    if (!configPanelOpen || panel == nullptr) return;
    const HWND dialog = configPanelDialog.load();
    if (dialog != nullptr && IsWindow(dialog) && !OwnedByThisThread(dialog)) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        WaitForOtherThread(configPanelOpen);
        if (!ClaimConfigPanel(panel)) return;
        CutLoose(dialog);
        panel->dialog = nullptr;
    } else {
        if (!ClaimConfigPanel(panel)) return;
        if (dialog != nullptr && !IsWindow(dialog)) panel->dialog = nullptr;
    }
    delete panel;
}

// Only the panel's own thread touches it: it may be deleted there at any moment.
void RefreshOpenPanel() {
    const HWND dialog = configPanelDialog.load();
    ConfigPanel* panel = theConfigPanel.load();
    if (!configPanelOpen || dialog == nullptr || panel == nullptr) return;
    if (OwnedByThisThread(dialog))
        panel->Refresh();
    else
        PostMessageA(dialog, kRefreshConfigPanel, 0, 0);
}

}  // namespace

bool OpenAboutBox(VisModule* module) {
    int closed = 0;
    if (!aboutBoxOpen.compare_exchange_strong(closed, 1)) return false;
    theAboutBox = new AboutBox(module);
    return true;
}

void VIS_CDECL PluginConfig(VisModule* module) {
    PluginEntry guard;
    ++configCallsRunning;
    // A box already open (from an earlier Config or the panel) is brought to
    // the front and waited for instead of being orphaned by a second one.
    if (!OpenAboutBox(module)) {
        const HWND box = AboutBoxWindow();
        if (box != nullptr) SetForegroundWindow(box);
    }
    RunUntilAboutBoxCloses();
    --configCallsRunning;
}

void KeepLibraryForRunningConfig() {
    if (configCallsRunning == 0) return;
    // The player may unload the library right after Quit, while a Config
    // loop still has to return through it: it stays until the process ends.
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&PluginConfig), &self);
}

void OpenConfigPanel() {
    if (theVideo == nullptr || configPanelOpen || theVideo->DeferPanelUntilWindowed()) return;
    int closed = 0;
    if (!configPanelOpen.compare_exchange_strong(closed, 1)) return;
    theConfigPanel = new ConfigPanel;
    refreshConfigPanel = RefreshOpenPanel;
}

void CloseDialogs() {
    ClosePanel();
    CloseAboutBox();
}

void ClosePanelBeforeFullScreen(bool keepPick) {
    ConfigPanel* panel = theConfigPanel.load();
    if (!configPanelOpen || !ClaimConfigPanel(panel)) return;
    if (!keepPick) panel->DiscardPendingMode();
    delete panel;
}
