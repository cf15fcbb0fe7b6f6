#include "host/settings_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "host/plugin.h"
#include "host/settings_path.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "video/video.h"

namespace {

const char kSection[] = VELUNE_DESCRIPTION;

int ReadInt(const char* path, const char* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntA(kSection, key, fallback, path));
}

void WriteInt(const char* path, const char* key, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(kSection, key, text, path);
}

// A lock that names no entry of its table is no lock at all.
int ValidLock(int lock, int count) { return lock >= 0 && lock < count ? lock : -1; }

// A scene length of 0 or below -1 would switch scenes on every frame, which
// also starves the player queries; the panel never makes one.
int ValidFramesPerScene(int frames) { return frames >= 1 || frames == -1 ? frames : 500; }

int Flag(int value) { return value != 0 ? 1 : 0; }

// "640x480x32": the mode a stored index stood for.
void ReadResolution(const char* path, Video& video) {
    char text[48] = {};
    GetPrivateProfileStringA(kSection, "Resolution", "", text, sizeof text, path);
    int width = 0, height = 0, bits = 0;
    char extra = 0;
    if (sscanf(text, "%dx%dx%d%c", &width, &height, &bits, &extra) != 3 || width <= 0 || height <= 0 || bits <= 0) return;
    video.stored.requestedWidth = width;
    video.stored.requestedHeight = height;
    video.stored.requestedBits = bits;
}

// Empty when no mode is in effect (a failed start): the index says "not
// chosen" then, and so does this.
void WriteResolution(const char* path, const Video& video) {
    const int list = video.displayMode, index = video.resolution;
    const bool known = list >= 0 && list < kDisplayModeCount && index >= 0 && index < video.modeCounts[list];
    WritePrivateProfileStringA(kSection, "Resolution", known ? video.modeNames[list][index] : "", path);
}

}  // namespace

void LoadSettings(VisModule* module) {
    if (!module || !theVideo || !theScene) return;
    char path[kSettingsPathBytes];
    // Without a usable path the defaults of the Video and the Scene stay.
    // Where the file lives is decided here, once per run; Quit saves there.
    if (!ChooseSettingsPath(module->hDllInstance, path)) return;
    Video& video = *theVideo;
    Scene& scene = *theScene;

    video.requestedDisplayMode = Video::ValidDisplayMode(ReadInt(path, "Display_Mode", -1));
    video.requestedResolution = ReadInt(path, "Resolution_Mode", -1);
    scene.framesPerScene = ValidFramesPerScene(ReadInt(path, "Frames_Per_Scene", 500));
    video.minimizeHost = Flag(ReadInt(path, "Minimize_Winamp", 0));
    video.useDelay = Flag(ReadInt(path, "Use_Delay", 0));
    scene.lockedRenderer = ValidLock(ReadInt(path, "Prefered_Renderer", -1), scene.rendererCount);
    scene.lockedTransform = ValidLock(ReadInt(path, "Prefered_Transform", -1), kTransformCount);
    scene.showSongTitle = Flag(ReadInt(path, "Show_Song_Title", 1));
    video.windowX = ReadInt(path, "Window_Pos_X", 0);
    video.windowY = ReadInt(path, "Window_Pos_Y", 0);
    scene.SetEnabledMask(ReadInt(path, "Renderer_Choice", scene.GetAllEnabledMask()));
    const int allTransforms = video.transform ? video.transform->GetAllEnabledMask() : (1 << kTransformCount) - 1;
    video.transformMask = ReadInt(path, "Transform_Choice", allTransforms);
    ReadResolution(path, video);
    video.SetMaxFrameRate(ReadInt(path, "Max_Frame_Rate", kDefaultMaxFrameRate));
    GetPrivateProfileStringA(kSection, "Monitor", "", video.monitor.name, sizeof video.monitor.name, path);
    // Only a display device's name (\\.\DISPLAY2) names a monitor.
    if (strncmp(video.monitor.name, "\\\\.\\", 4) != 0) video.monitor.name[0] = '\0';
}

void SaveSettings(VisModule* module) {
    if (!module || !theVideo || !theScene) return;
    char path[kSettingsPathBytes];
    if (!SettingsPathFor(module->hDllInstance, path)) return;
    const Video& video = *theVideo;
    const Scene& scene = *theScene;

    WriteInt(path, "Display_Mode", video.displayMode);
    WriteInt(path, "Resolution_Mode", video.resolution);
    WriteInt(path, "Frames_Per_Scene", scene.framesPerScene);
    WriteInt(path, "Minimize_Winamp", video.minimizeHost);
    WriteInt(path, "Use_Delay", video.useDelay);
    WriteInt(path, "Prefered_Renderer", scene.lockedRenderer);
    WriteInt(path, "Prefered_Transform", scene.lockedTransform);
    WriteInt(path, "Show_Song_Title", scene.showSongTitle);
    WriteInt(path, "Window_Pos_X", video.windowX);
    WriteInt(path, "Window_Pos_Y", video.windowY);
    WriteInt(path, "Renderer_Choice", scene.GetEnabledMask());
    // Until a display mode was entered the Transform has not been handed the
    // loaded choice (a failed start): the loaded value is the one to keep.
    const bool applied = video.transformReady && video.transform;
    WriteInt(path, "Transform_Choice", applied ? video.transform->GetEnabledMask() : video.transformMask);
    WriteResolution(path, video);
    WriteInt(path, "Max_Frame_Rate", video.maxFrameRate);
    WritePrivateProfileStringA(kSection, "Monitor", video.monitor.name, path);
}
