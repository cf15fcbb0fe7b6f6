#pragma once
// velune-live's settings: an INI file in $XDG_CONFIG_HOME/velune/ (or
// ~/.config/velune/) holding the plug-in's keys where they mean the same,
// and a few of the window's own. Loaded at start, saved at exit.
#include <string>

struct LiveSettings {
    // The plug-in's keys.
    int framesPerScene = 500;
    int preferedRenderer = -1;
    int preferedTransform = -1;
    int showSongTitle = 1;
    int rendererChoice = 16383;
    int transformChoice = 32767;
    int maxFrameRate = 60;
    // The window's.
    int frameWidth = 640;   // the engine's picture; the window scales it
    int frameHeight = 480;
    int windowWidth = 960;  // in the desktop's units, not pixels
    int windowHeight = 720;
    int fullScreen = 0;
    std::string source;     // empty: what the desktop plays
};

// $XDG_CONFIG_HOME/velune/velune-live.ini, or under $HOME/.config; empty when
// neither variable is set.
std::string LiveSettingsPath();

// Missing file or keys keep the defaults; values out of range are brought
// back into range.
void LoadLiveSettings(const std::string& path, LiveSettings* s);
// Creates the folder when needed; false when the file cannot be written.
bool SaveLiveSettings(const std::string& path, const LiveSettings& s);
