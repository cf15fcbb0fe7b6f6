#include "host/settings_path.h"

#include <windows.h>

bool SettingsPathFor(void* instance, char (&path)[kSettingsPathBytes]) {
    char name[kSettingsPathBytes];
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(instance), name, sizeof name);
    // A name that filled the buffer may have been cut: its directory is not known.
    if (length == 0 || length >= sizeof name) {
        path[0] = '\0';
        return false;
    }
    name[length] = '\0';
    return ComposeSettingsPath(name, path, sizeof path);
}
