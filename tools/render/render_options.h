#pragma once
#include <cstdint>
#include <string>

struct RenderOptions {
    int renderer = -1;        // -1: the normal random choice
    bool allRenderers = false;
    int transform = -1;       // -1: random transforms
    uint32_t seed = 1;
    int frames = 200;
    int width = 640;
    int height = 480;
    int every = 0;            // 0: only the last frame
    int framesPerScene = 500;
    double fps = 30.0;
    std::string wav;          // empty: generated audio
    std::string audio = "songs";  // songs, beats, sweep, pan, silence
    std::string out = ".";
    bool quiet = false;
};

// Returns false with a message for the user on a bad command line.
bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, std::string* message);
extern const char* const kRenderUsage;
