#pragma once
// Calls into the plug-in as a player makes them: at the player's own x87
// precision, which the plug-in must hand back unchanged (a change is logged).
#include <windows.h>

struct PlayerState;

// The precision of the calling thread: 53 bits as in an MSVC-built player,
// 64 as in a MinGW-built one.
void SetPlayerPrecision(int bits);
unsigned short PlayerPrecisionWord(int bits);

int CallInit(PlayerState& state);
int CallRender(PlayerState& state);
void CallQuit(PlayerState& state);
// Logs "config start" and "config returned" around the call; `where` names the thread.
void CallConfig(PlayerState& state, const char* where);

// Points the plug-in's import of the C library's clock at a fixed time, so its
// random seed is known. False when the plug-in imports no such function.
bool FixPluginClock(HMODULE plugin, int seconds);
