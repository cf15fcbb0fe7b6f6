#pragma once
// Loads a visualization plug-in as a player does: by full path, checks the
// header's version and takes module 0.
#include <windows.h>

#include <string>

#include "host/vis_records.h"

struct LoadedPlugin {
    HMODULE dll = nullptr;
    VisModule* module = nullptr;
};

// False with the reason in *error (and nothing left loaded) on failure.
bool LoadVisPlugin(const std::string& path, LoadedPlugin* plugin, std::string* error);
