#pragma once
// Helpers for the release tests: scratch folders, folder listings, running a
// program to its end, and a few registry and file chores.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host_test_harness.h"

namespace release_test {

inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// An empty folder of the build folder's scratch area.
inline std::string FreshFolder(const std::string& name) {
    const std::string root = host_test::BuildDir() + "\\release-scratch";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string dir = root + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Every file and folder below `root`, as "relative\path size" (folders end in
// a backslash), sorted: two listings are equal when nothing was added,
// removed or resized.
inline void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative.substr(1) + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(path + "\\");
            ListInto(root, relative + "\\" + name, out);
        } else {
            out.push_back(path + " " + std::to_string(found.nFileSizeLow));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

inline std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> out;
    ListInto(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

inline std::string FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "?";
    return std::to_string(data.nFileSizeLow);
}

// Runs `command` in `dir` and waits for its end; the exit code, or ~0u when it
// did not start or did not end in time.
inline DWORD RunProgram(const std::string& command, const std::string& dir, DWORD timeoutMs = 120000) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start: " << command << " (" << GetLastError() << ")";
        return ~0u;
    }
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
        ADD_FAILURE() << "did not finish: " << command;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The stand-in player on the plug-in at `dll` for `frames` frames; its log and
// captures go to `scratch`, never beside the plug-in.
inline DWORD RunPlayer(const std::string& player, const std::string& dll, const std::string& scratch,
                       const std::string& arguments) {
    return RunProgram("\"" + player + "\" --dll \"" + dll + "\" --log \"" + scratch + "\\host.log\" --frame-ms 20 " +
                          "--capture-prefix \"" + scratch + "\\capture\" " + arguments,
                      scratch);
}

// The text of a registry value, or "" when the key or value is missing.
inline std::string RegistryText(HKEY root, const std::string& key, const std::string& value) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "";
    char text[1024] = {};
    DWORD bytes = sizeof text - 1, type = 0;
    const LONG result =
        RegQueryValueExA(handle, value.empty() ? nullptr : value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : std::string();
}

inline bool RegistryKeyExists(HKEY root, const std::string& key) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

inline void SetRegistryText(HKEY root, const std::string& key, const std::string& value, const std::string& text) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr), ERROR_SUCCESS);
    RegSetValueExA(handle, value.empty() ? nullptr : value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace release_test
