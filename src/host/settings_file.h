#pragma once
// vis_velune.ini beside the library: loaded once by Init, saved once by Quit.
#include "host/vis_records.h"

void LoadSettings(VisModule* module);
void SaveSettings(VisModule* module);
