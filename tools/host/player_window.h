#pragma once
// The stand-in player's main window: the host window of the plug-in. It
// answers the plug-in's queries and takes forwarded keys as player keys.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "host/vis_records.h"
#include "host_log.h"
#include "playlist.h"

struct PlayerState {
    Playlist playlist;
    // The render loop moves the play position while the main window answers
    // queries and takes transport keys, on another thread with --plugin-thread.
    std::recursive_mutex playlistLock;
    HostLog log;
    std::atomic<int> frame{0};  // the frame being prepared or rendered
    bool nullTitle = false;     // answer title queries like a player that has none
    bool ansiTitles = false;    // leave the Unicode title query unanswered, as older players do
    VisModule* module = nullptr;
    int fpuBits = 64;
    // The player's exit (player_exit.cpp): how long it still answers
    // messages, and the plug-in's thread when it has one of its own.
    int exitPumpMs = 2000;
    HANDLE pluginThread = nullptr;
    DWORD pluginThreadId = 0;
    // Render on its own thread, the plug-in's window on the main one: the
    // exit destroys the player's window while Render may be running.
    bool destroyOnExit = false;
};

// Posted to the main window: call the plug-in's Config there.
constexpr UINT kRunConfig = WM_APP + 1;
// Posted to the main window: busy for wParam milliseconds, answering nothing.
constexpr UINT kMainStall = WM_APP + 3;

// Query codes the plug-in sends with WM_USER in lParam.
constexpr LPARAM kQueryPosition = 105;
constexpr LPARAM kQueryPlaylistIndex = 125;
constexpr LPARAM kQueryTitle = 212;
constexpr LPARAM kQueryUnicodeTitle = 213;

HWND CreatePlayerWindow(HINSTANCE instance, PlayerState* state);
// Logs the entry that begins now, and repaints the title shown.
void NoteTrackStart(HWND window, PlayerState& state, const char* why);
