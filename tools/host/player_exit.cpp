#include "player_exit.h"

#include "player_window.h"

namespace {
// How long the player waits without pumping before it calls the plug-in hung.
constexpr DWORD kHungMs = 8000;
}  // namespace

void PlayerExit(HWND window, PlayerState& state) {
    state.log.Line(state.frame, "player exit, pumping %d ms", state.exitPumpMs);
    HANDLE thread = state.pluginThread;
    if (thread != nullptr && !state.destroyOnExit) PostThreadMessageA(state.pluginThreadId, WM_QUIT, 0, 0);
    else DestroyWindow(window);

    bool quit = false;
    const DWORD start = GetTickCount();
    for (DWORD spent = 0; spent < static_cast<DWORD>(state.exitPumpMs); spent = GetTickCount() - start) {
        const DWORD left = static_cast<DWORD>(state.exitPumpMs) - spent;
        const DWORD woke = thread != nullptr ? MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_ALLINPUT)
                                             : MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
        if (thread != nullptr && woke == WAIT_OBJECT_0) {
            state.log.Line(state.frame, "plug-in stopped while the player pumped");
            return;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (thread == nullptr) {
        // The render loop ends at the quit message and calls Quit; nothing
        // else of this thread runs until then.
        state.log.Line(state.frame, "player stops pumping");
        PostQuitMessage(0);
        (void)quit;
        return;
    }
    state.log.Line(state.frame, "player waits without pumping");
    if (WaitForSingleObject(thread, kHungMs) == WAIT_OBJECT_0) {
        state.log.Line(state.frame, "plug-in stopped while the player waited");
        if (quit) PostQuitMessage(0);
        return;
    }
    state.log.Line(state.frame, "plug-in hung the player's exit");
    ExitProcess(5);
}
