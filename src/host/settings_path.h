#pragma once
// Where vis_velune.ini lives: beside the library, whatever the library is
// called, or in the user's application data when that file cannot be written.
#include <cstddef>
#include <cstring>

constexpr size_t kSettingsPathBytes = 260;
constexpr char kSettingsFileName[] = "vis_velune.ini";
constexpr char kSettingsFolderName[] = "Velune";

// The library's full file name cut after its last backslash (nothing left
// when it has none: the file is then found in the current directory),
// followed by the settings file name. False, with out empty, when the result
// does not fit in outBytes.
inline bool ComposeSettingsPath(const char* libraryName, char* out, size_t outBytes) {
    if (outBytes == 0) return false;
    out[0] = '\0';
    const char* slash = std::strrchr(libraryName, '\\');
    const size_t directory = slash ? static_cast<size_t>(slash - libraryName) + 1 : 0;
    if (directory + sizeof kSettingsFileName > outBytes) return false;
    std::memcpy(out, libraryName, directory);
    std::memcpy(out + directory, kSettingsFileName, sizeof kSettingsFileName);
    return true;
}

// Decides, once per Init, where this run's settings live. When the file beside
// the library `instance` (an HINSTANCE) can be written, there, as always.
// Otherwise %APPDATA%\Velune\vis_velune.ini, copied from the file beside the
// library the first time: a player under Program Files would otherwise lose
// every change silently, or have it redirected to a copy nobody can find.
// False when no path fits the buffer.
bool ChooseSettingsPath(void* instance, char (&path)[kSettingsPathBytes]);

// The path chosen for `instance` at Init; the file beside the library when
// none was chosen for it.
bool SettingsPathFor(void* instance, char (&path)[kSettingsPathBytes]);
