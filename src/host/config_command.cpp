// Config, the player's configure command, and the panel's entry points from
// the display window and Quit.
#include <windows.h>

#include "host/plugin.h"

ConfigPanel* theConfigPanel = nullptr;
int configPanelOpen = 0;
AboutBox* theAboutBox = nullptr;
int aboutBoxOpen = 0;

void VIS_CDECL PluginConfig(VisModule*) {
    MSG message;
    while (aboutBoxOpen) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void OpenConfigPanel() {}

void CloseDialogs() {}

void ClosePanelBeforeFullScreen() {}
