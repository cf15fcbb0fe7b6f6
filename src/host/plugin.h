#pragma once
// The module operations and the process-wide objects they create.
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
// behind the exclusive display.
void OpenConfigPanel();
void CloseDialogs();
void ClosePanelBeforeFullScreen();

extern Video* theVideo;
extern Scene* theScene;
extern ConfigPanel* theConfigPanel;
extern int configPanelOpen;
extern AboutBox* theAboutBox;
extern int aboutBoxOpen;
