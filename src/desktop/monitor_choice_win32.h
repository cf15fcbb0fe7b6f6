#pragma once
// Which monitor Full Screen takes, and the DirectDraw device it was opened on.
#include <windows.h>

struct MonitorChoice {
    // Settings "Monitor": the device name of the monitor chosen for Full
    // Screen (\\.\DISPLAY2); empty: the player's.
    char name[CCHDEVICENAME] = {};
    // The device directDraw was made on; deviceOpen 0: the default device.
    GUID device = {};
    int deviceOpen = 0;
};
