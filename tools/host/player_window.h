#pragma once
// The stand-in player's main window: the host window of the plug-in. It
// answers the plug-in's queries and takes forwarded keys as player keys.
#include <windows.h>

#include "host_log.h"
#include "playlist.h"

struct PlayerState {
    Playlist playlist;
    HostLog log;
    int frame = 0;           // the frame being prepared or rendered
    bool nullTitle = false;  // answer title queries like a player that has none
};

// Query codes the plug-in sends with WM_USER in lParam.
constexpr LPARAM kQueryPosition = 105;
constexpr LPARAM kQueryPlaylistIndex = 125;
constexpr LPARAM kQueryTitle = 212;

HWND CreatePlayerWindow(HINSTANCE instance, PlayerState* state);
// Logs the entry that begins now, and repaints the title shown.
void NoteTrackStart(HWND window, PlayerState& state, const char* why);
