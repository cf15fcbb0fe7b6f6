#include "video/display_gate_win32.h"

#include <windows.h>

#include <atomic>

#include "host/plugin_entry.h"

namespace display_gate {
namespace {
HANDLE gate = nullptr;
std::atomic<DWORD> owner{0};
int depth = 0;  // touched by the owner only

bool Take(DWORD limitMs = INFINITE) {
    if (gate == nullptr) return false;
    const DWORD self = GetCurrentThreadId();
    if (owner == self) {
        ++depth;
        return true;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (limitMs != INFINITE && spent >= limitMs) return false;
        const DWORD left = limitMs == INFINITE ? INFINITE : limitMs - spent;
        const DWORD woke = MsgWaitForMultipleObjects(1, &gate, FALSE, left, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) break;
        if (woke != WAIT_OBJECT_0 + 1) return false;
        // Sent messages may be for the player's windows: at its own settings.
        AsCaller asCaller;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    owner = self;
    depth = 1;
    return true;
}

void Give() {
    if (--depth > 0) return;
    owner = 0;
    ReleaseMutex(gate);
}
}  // namespace

void Open() {
    if (gate == nullptr) gate = CreateMutexA(nullptr, FALSE, nullptr);
}

void Close() {
    if (gate != nullptr) CloseHandle(gate);
    gate = nullptr;
}

Hold::Hold(unsigned long limitMs) : held(Take(limitMs)) {}

Hold::~Hold() {
    if (held) Give();
}

Release::Release() : depth(0) {
    if (gate == nullptr || owner != GetCurrentThreadId()) return;
    depth = display_gate::depth;
    display_gate::depth = 1;
    Give();
}

Release::~Release() {
    if (depth == 0 || !Take()) return;
    display_gate::depth = depth;
}

}  // namespace display_gate
