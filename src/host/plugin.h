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
void OpenConfigPanel();

extern Video* theVideo;
extern Scene* theScene;
extern ConfigPanel* theConfigPanel;
extern int configPanelOpen;
extern AboutBox* theAboutBox;
extern int aboutBoxOpen;
