#pragma once
// velune.exe's command line. With none, it shows Velune for whatever the
// computer plays until the window is closed.
#include <string>

#include "system_sound.h"

struct PlayerOptions {
    std::string dllPath;             // empty: vis_velune.dll beside the program
    SoundSource source = SoundSource::kLoopback;
    std::string file;                // the WAV file of --source FILE
    int frames = 0;                  // stop after this many; 0 runs until closed
    int captureEvery = 0;            // every Nth frame's picture as BMP (tests)
    std::string capturePrefix = "velune";
    std::string logPath;             // sound changes and frames (tests)
    std::string stopFile;            // stops once this file exists (tests)
};

bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* o, std::string* error);

extern const char kPlayerUsage[];
