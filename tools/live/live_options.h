#pragma once
// velune-live's command line. Options change this run only; the settings
// file keeps what the keys and the window change.
#include <cstdint>
#include <string>

struct LiveOptions {
    bool listSources = false;
    bool microphone = false;
    bool help = false;
    std::string source;             // empty: the settings file's, else the desktop's sound
    int frameWidth = 0, frameHeight = 0;    // 0: the settings file's
    int windowWidth = 0, windowHeight = 0;
    int fullScreen = -1;            // -1: the settings file's
    int maxFrameRate = -1;
    int renderer = -1, transform = -1;      // locks for this run
    int framesPerScene = 0;         // 0: the settings file's
    bool seeded = false;
    uint32_t seed = 0;
    long frames = 0;                // stop after this many; 0 runs until closed
    std::string captureDir;         // every captureEvery-th frame as shown, as BMP
    int captureEvery = 1;
    std::string trace;              // a line per frame: number, steady clock ms, sound state
};

// False with a message in *error for an unknown option or a bad value.
bool ParseLiveOptions(int argc, char** argv, LiveOptions* o, std::string* error);

extern const char kLiveUsage[];
