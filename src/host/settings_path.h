#pragma once
// Where vis_velune.ini lives: beside the library, whatever the library is called.
#include <cstddef>
#include <cstring>

constexpr size_t kSettingsPathBytes = 260;
constexpr char kSettingsFileName[] = "vis_velune.ini";

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

// The settings path of the loaded library `instance` (an HINSTANCE). False
// when the library's name is longer than the buffer, or the result would be.
bool SettingsPathFor(void* instance, char (&path)[kSettingsPathBytes]);
