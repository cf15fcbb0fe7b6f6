// Init, Render, Quit and Config. Until the display exists they do nothing
// harmful: Init reports that the plug-in cannot run.
#include <windows.h>

#include "host/plugin.h"

Video* theVideo = nullptr;
Scene* theScene = nullptr;
ConfigPanel* theConfigPanel = nullptr;
int configPanelOpen = 0;
AboutBox* theAboutBox = nullptr;
int aboutBoxOpen = 0;

void VIS_CDECL PluginConfig(VisModule*) {}
int VIS_CDECL PluginInit(VisModule*) { return 1; }
int VIS_CDECL PluginRender(VisModule*) { return 0; }
void VIS_CDECL PluginQuit(VisModule*) {}
void OpenConfigPanel() {}
