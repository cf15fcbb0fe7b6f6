#include "host/settings_file.h"

void LoadSettings(VisModule*) {}
void SaveSettings(VisModule*) {}
