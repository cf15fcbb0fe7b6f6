// The library's one export and the two records the player reads.
#include <windows.h>

#include "host/plugin.h"
#include "host/vis_records.h"
#include "video/display_gate_win32.h"

namespace {
VisModule* VIS_CDECL GetModule(int index);

VisModule module = {
    VELUNE_DESCRIPTION, nullptr, nullptr, 0, 0, 50, 0, 2, 2, {}, {},
    PluginConfig, PluginInit, PluginRender, PluginQuit, nullptr,
};

VisHeader header = {kVisHeaderVersion, VELUNE_DESCRIPTION, GetModule};

VisModule* VIS_CDECL GetModule(int index) { return index == 0 ? &module : nullptr; }
}  // namespace

extern "C" __declspec(dllexport) VisHeader* VIS_CDECL winampVisGetHeader() { return &header; }

// Thread notifications are of no use to the plug-in.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        display_gate::Open();
    }
    // At the process's end the system takes the handle back.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) display_gate::Close();
    return TRUE;
}
