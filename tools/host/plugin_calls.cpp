#include "plugin_calls.h"

#include <cstdint>
#include <cstring>

#include "host/x87_precision.h"
#include "player_window.h"

namespace {

// Runs one call into the plug-in and logs a precision it did not hand back.
template <typename Call>
auto Checked(PlayerState& state, const char* name, Call call) -> decltype(call()) {
    const uint16_t before = x87::ControlWord();
    auto result = call();
    const uint16_t after = x87::ControlWord();
    if (after != before) {
        state.log.Line(state.frame, "fpu changed by %s 0x%04x -> 0x%04x", name, before, after);
        x87::SetControlWord(before);
    }
    return result;
}

int fixedSeconds = 0;
int32_t __cdecl FixedTime32(int32_t* out) {
    if (out) *out = fixedSeconds;
    return fixedSeconds;
}
int64_t __cdecl FixedTime64(int64_t* out) {
    if (out) *out = fixedSeconds;
    return fixedSeconds;
}

// The import address slot of `name` from a C runtime DLL, or null.
void** ImportSlot(HMODULE module, const char* name) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        const char* dll = reinterpret_cast<const char*>(base + imp->Name);
        if (_strnicmp(dll, "msvcr", 5) != 0 && _strnicmp(dll, "ucrtbase", 8) != 0 &&
            _strnicmp(dll, "api-ms-win-crt", 14) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk
                                                                                          : imp->FirstThunk));
        auto* slots = reinterpret_cast<void**>(base + imp->FirstThunk);
        for (int i = 0; names[i].u1.AddressOfData != 0; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0) return &slots[i];
        }
    }
    return nullptr;
}

bool Patch(void** slot, void* target) {
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
    *slot = target;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

}  // namespace

// All exceptions masked, round to nearest; precision 11b (64) or 10b (53).
unsigned short PlayerPrecisionWord(int bits) { return bits == 53 ? 0x027F : 0x037F; }

void SetPlayerPrecision(int bits) { x87::SetControlWord(PlayerPrecisionWord(bits)); }

int CallInit(PlayerState& state) {
    return Checked(state, "Init", [&] { return state.module->Init(state.module); });
}

int CallRender(PlayerState& state) {
    return Checked(state, "Render", [&] { return state.module->Render(state.module); });
}

void CallQuit(PlayerState& state) {
    Checked(state, "Quit", [&] {
        state.module->Quit(state.module);
        return 0;
    });
}

void CallConfig(PlayerState& state, const char* where) {
    state.log.Line(state.frame, "config start on %s", where);
    Checked(state, "Config", [&] {
        state.module->Config(state.module);
        return 0;
    });
    state.log.Line(state.frame, "config returned");
}

bool FixPluginClock(HMODULE plugin, int seconds) {
    fixedSeconds = seconds;
    bool patched = false;
    // msvcrt's time is 32-bit on this target; the newer runtimes name both widths.
    if (void** slot = ImportSlot(plugin, "time")) patched = Patch(slot, reinterpret_cast<void*>(FixedTime32)) || patched;
    if (void** slot = ImportSlot(plugin, "_time32")) patched = Patch(slot, reinterpret_cast<void*>(FixedTime32)) || patched;
    if (void** slot = ImportSlot(plugin, "_time64")) patched = Patch(slot, reinterpret_cast<void*>(FixedTime64)) || patched;
    return patched;
}
