#pragma once
// The module operations and the process-wide objects they create.
#include <atomic>

#include "host/vis_records.h"

class Scene;
class Video;
class ConfigPanel;
class AboutBox;

void VIS_CDECL PluginConfig(VisModule* module);
int VIS_CDECL PluginInit(VisModule* module);
int VIS_CDECL PluginRender(VisModule* module);
void VIS_CDECL PluginQuit(VisModule* module);

// The dialogs (config_command.cpp): the Tab key and the tray icon open the
// panel; Quit closes both dialogs before the settings are saved; entering Full
// Screen closes the panel as its close box would, so it is never hidden
// behind the exclusive display. Quit never waits on another thread's dialog
// for more than a moment: a player shutting down may not pump it again.
void OpenConfigPanel();
void CloseDialogs();
// keepPick: the display mode and resolution picked in the panel still apply.
void ClosePanelBeforeFullScreen(bool keepPick = false);
// The About box for this module unless one is open; true when it opened one.
bool OpenAboutBox(VisModule* module);
// Quit with a Config call of another thread still running: the library is
// pinned, so that thread never returns into unloaded code.
void KeepLibraryForRunningConfig();

extern Video* theVideo;
extern Scene* theScene;
// The panel lives on the display window's thread; the About box on the
// thread of whoever opened it (Config may come on any of the player's
// threads). Both are read across threads and deleted by whoever claims them.
extern std::atomic<ConfigPanel*> theConfigPanel;
extern std::atomic<int> configPanelOpen;
extern std::atomic<AboutBox*> theAboutBox;
extern std::atomic<int> aboutBoxOpen;
