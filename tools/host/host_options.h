#pragma once
// Command line of the stand-in player. Everything but the DLL path is for
// tests and the demo.
#include <cstdint>
#include <string>
#include <vector>

struct HostEvent {
    enum Kind { kKey, kTray, kMove, kCapture, kStall, kMainStall } kind;
    int frame = 0;
    unsigned message = 0;  // key: WM_KEYDOWN or WM_SYSKEYDOWN; tray: the mouse message
    unsigned key = 0;      // virtual-key code
    int x = 0, y = 0;      // move target; stall: x milliseconds
};

struct HostOptions {
    std::string dllPath = "vis_velune.dll";
    std::string logPath;            // empty: no log
    int frames = -1;                // frames to render; -1 until the plug-in asks to stop
    int frameMs = 0;                // play-clock step per frame; 0 follows the real clock
    int minFrameMs = 0;             // pacing for the demo: frames take at least this long
    std::vector<std::string> wavFiles;
    int songs = 0;                  // generated songs
    int silentSongs = 0;            // songs of silence, for pixel tests
    double songSeconds = 20.0;
    uint32_t seed = 1;
    bool nullTitle = false;         // answer the title queries with a null address
    bool ansiTitles = false;        // leave the Unicode title query (213) unanswered
    std::vector<std::wstring> titles;  // the first entries' titles; \uXXXX escapes for any character
    std::string capturePrefix = "capture";
    int captureEvery = 0;
    bool captureScreen = false;     // whole screen rather than the display window's client area
    std::string shell;              // "classic" or "24h2": the stand-in shell's windows on a thread of ours
    std::vector<HostEvent> events;

    // How the player drives the plug-in: real players differ in all of these.
    bool commonControls = false;    // register the common controls for the plug-in
    bool dialogMessages = false;    // offer messages to IsDialogMessage of their dialog
    bool pluginThread = false;      // Init, Render and Quit on a thread of their own
    bool renderThread = false;      // Init, the window and Quit on the main thread, Render on another
    bool coarseSleep = false;       // delayMs slept on a 15.625 ms tick, as at Windows' default timer
    std::vector<int> configFrames;        // Config on the player's main thread at these frames
    std::vector<int> configThreadFrames;  // Config on a new thread at these frames
    int fpuBits = 64;               // x87 precision of every thread that calls the plug-in
    int exitFrame = 0;              // the player closes at this frame (0: never)
    int exitPumpMs = 2000;          // ...answering messages this long, then waiting without
    bool fixedTime = false;         // the plug-in's clock (its random seed) fixed at fixedTimeValue
    int fixedTimeValue = 0;
};

// Returns false with a message in `error` on a malformed command line.
bool ParseHostOptions(int argc, char** argv, HostOptions& options, std::string& error);

// "F7", "Esc", "Tab", "Space", "Enter", "B", "0x72", "66"; a "alt+" prefix
// makes it a system key. Returns false for an unknown name.
bool ParseKeyName(const std::string& name, unsigned& key, bool& alt);
