#pragma once
// Scratch folders, folder listings and programs run to their end, for the
// tests of the installed and the locked-folder plug-in.
#include <algorithm>
#include <string>
#include <vector>

#include "host_test_harness.h"

namespace release_test {

inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName, child = path + "\\" + name;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryA(path.c_str());
}

// An empty folder in the build folder's scratch area.
inline std::string FreshFolder(const std::string& name) {
    const std::string root = host_test::BuildDir() + "\\release-scratch", dir = root + "\\" + name;
    CreateDirectoryA(root.c_str(), nullptr);
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Every file and folder below `root`, sorted, as "relative\path size" (folders
// end in a backslash): equal listings mean nothing added, removed or resized.
inline std::vector<std::string> Listing(const std::string& root, const std::string& relative = "") {
    std::vector<std::string> out;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "\\" + relative + "*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(relative + name + "\\");
            for (const std::string& inner : Listing(root, relative + name + "\\")) out.push_back(inner);
        } else {
            out.push_back(relative + name + " " + std::to_string(found.nFileSizeLow));
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(out.begin(), out.end());
    return out;
}

// Runs `command` in `dir` to its end: its exit code, ~0u when it did not
// start or not end in time.
inline DWORD RunProgram(const std::string& command, const std::string& dir) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start: " << command;
        return ~0u;
    }
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << "did not finish: " << command;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The stand-in player `player` on the plug-in `dll`; its log and captures go
// to `scratch`, never beside the plug-in.
inline DWORD RunPlayer(const std::string& player, const std::string& dll, const std::string& scratch,
                       const std::string& arguments) {
    return RunProgram("\"" + player + "\" --dll \"" + dll + "\" --log \"" + scratch + "\\host.log\" --frame-ms 20 " +
                          "--capture-prefix \"" + scratch + "\\capture\" " + arguments,
                      scratch);
}

inline void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace release_test
