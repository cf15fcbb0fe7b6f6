#include "plugin_loader.h"

bool LoadVisPlugin(const std::string& path, LoadedPlugin* plugin, std::string* error) {
    // A bare name would be looked for beside this program first.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        *error = "bad plug-in path " + path;
        return false;
    }
    HMODULE dll = LoadLibraryA(full);
    if (!dll) {
        *error = "cannot load " + path;
        return false;
    }
    auto getHeader = reinterpret_cast<VisGetHeaderFn>(reinterpret_cast<void*>(GetProcAddress(dll, "winampVisGetHeader")));
    VisHeader* header = getHeader ? getHeader() : nullptr;
    if (!header || header->version != kVisHeaderVersion) {
        FreeLibrary(dll);
        *error = "not a visualization plug-in of version 0x101: " + path;
        return false;
    }
    VisModule* module = header->getModule(0);
    if (!module) {
        FreeLibrary(dll);
        *error = "the plug-in has no module 0";
        return false;
    }
    plugin->dll = dll;
    plugin->module = module;
    return true;
}
