#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RenderOptions {
    int renderer = -1;        // -1: the normal random choice
    bool allRenderers = false;
    int transform = -1;       // -1: random transforms
    uint32_t seed = 1;
    int frames = 0;           // 0: the whole playlist, or 200 frames of generated audio
    int width = 640;
    int height = 480;
    int every = -1;           // 0: only the last frame; -1: that without --video, none with it
    int framesPerScene = 500;
    double fps = 30.0;
    std::vector<std::string> inputs;  // audio files played in turn; empty: generated audio
    std::string audio = "songs";  // songs, beats, sweep, pan, silence
    std::string out = ".";
    std::string video;        // video file to write; empty: PNG files only
    bool videoByDefault = false;  // named after the song, no --video given
    std::string videoCodec;
    std::string audioCodec;
    int crf = -1;
    int bitrateKbps = 0;
    std::string preset;       // empty: the tool's choice for the encoder
    bool quiet = false;
    bool verbose = false;     // FFmpeg's own messages too
    bool progressLines = false;  // one machine-readable line per update
    bool overwrite = false;   // a single render may replace an existing video
    bool help = false, version = false;  // print that and stop
    double start = 0.0;       // seconds into the playlist where the video begins
    double duration = 0.0;    // seconds of it; 0: to the end
    int audioBitrateKbps = 0;
    std::string inputDir;     // a batch: one video per song of this folder...
    std::string videoDir;     // ...into this one
    int jobs = 0;             // songs of a batch at once; 0: one per core
    int threads = 0;          // encoder threads; 0: one per core
    int queue = 4;            // frames between the engine and the encoder; 0: one thread
};

// Returns false with a message for the user on a bad command line. With
// --input and no output of its own, the video is the first song's name with
// .mp4, in the current folder.
bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, std::string* message);
extern const char* const kRenderUsage;
// "1:30", "90", "12.5" (seconds); false if not a time.
bool ParseTime(const char* text, double* seconds);
