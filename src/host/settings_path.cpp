#include "host/settings_path.h"

#include <windows.h>
#include <shlobj.h>

namespace {

void* chosenFor = nullptr;
char chosenPath[kSettingsPathBytes];

bool BesidePath(void* instance, char (&path)[kSettingsPathBytes]) {
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

// Where a write to `path` would really land is known from the access rights
// only: a player without a manifest has its writes under Program Files
// redirected to a per-user store, so a trial write there always succeeds.
bool WritesAreRedirected() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD enabled = 0, bytes = 0;
    // Systems before Vista know no such class; they redirect nothing.
    const BOOL known = GetTokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled, &bytes);
    CloseHandle(token);
    return known && enabled != 0;
}

bool AccessGranted(const char* path, DWORD access) {
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD bytes = 0;
    GetFileSecurityA(path, parts, nullptr, 0, &bytes);
    if (bytes == 0) return false;
    char* descriptor = new char[bytes];
    HANDLE process = nullptr, token = nullptr;
    BOOL granted = FALSE;
    if (GetFileSecurityA(path, parts, descriptor, bytes, &bytes) &&
        OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process) &&
        DuplicateToken(process, SecurityImpersonation, &token)) {
        GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
        PRIVILEGE_SET privileges;
        DWORD privilegeBytes = sizeof privileges, grantedAccess = 0;
        if (!AccessCheck(descriptor, token, access, &mapping, &privileges, &privilegeBytes, &grantedAccess, &granted))
            granted = FALSE;
    }
    if (token) CloseHandle(token);
    if (process) CloseHandle(process);
    delete[] descriptor;
    return granted != FALSE;
}

// Whether the settings file at `path` can be written, without leaving a trace:
// an existing file is opened for writing and closed unchanged, a missing one
// is created and deleted again on closing.
bool CanWrite(const char* path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool existed = file != INVALID_HANDLE_VALUE;
    if (!existed && GetLastError() == ERROR_FILE_NOT_FOUND)
        file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    if (!WritesAreRedirected()) return true;
    if (existed) return AccessGranted(path, FILE_WRITE_DATA);
    char folder[kSettingsPathBytes];
    lstrcpynA(folder, path, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (slash == nullptr) return AccessGranted(".", FILE_ADD_FILE);
    *slash = '\0';
    return AccessGranted(folder, FILE_ADD_FILE);
}

// %APPDATA%\Velune\vis_velune.ini, its folder created. False when the
// application data folder is unknown or the path is too long.
bool UserPath(char (&path)[kSettingsPathBytes]) {
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return false;
    const size_t length = std::strlen(folder);
    if (length + 1 + sizeof kSettingsFolderName + sizeof kSettingsFileName > sizeof path) return false;
    wsprintfA(path, "%s\\%s", folder, kSettingsFolderName);
    CreateDirectoryA(path, nullptr);
    lstrcatA(path, "\\");
    lstrcatA(path, kSettingsFileName);
    return true;
}

}  // namespace

bool ChooseSettingsPath(void* instance, char (&path)[kSettingsPathBytes]) {
    chosenFor = nullptr;
    char beside[kSettingsPathBytes];
    const bool known = BesidePath(instance, beside);
    if (known && CanWrite(beside)) {
        lstrcpyA(path, beside);
    } else if (UserPath(path)) {
        // Seeded once: later runs keep the user's own copy. The copy takes
        // the original's attributes, and a read-only original is the usual
        // reason to be here, so the copy is made writable.
        if (known && CopyFileA(beside, path, TRUE)) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    } else if (known) {
        // Nowhere better: beside the library, where at least reading works.
        lstrcpyA(path, beside);
    } else {
        path[0] = '\0';
        return false;
    }
    lstrcpyA(chosenPath, path);
    chosenFor = instance;
    return true;
}

bool SettingsPathFor(void* instance, char (&path)[kSettingsPathBytes]) {
    if (chosenFor != nullptr && chosenFor == instance) {
        lstrcpyA(path, chosenPath);
        return true;
    }
    return BesidePath(instance, path);
}
