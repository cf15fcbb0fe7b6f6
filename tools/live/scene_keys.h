#pragma once
// The display window's keys that act on the picture (Space, F4 to F9, F12),
// by their Windows key codes, for hosts outside Windows.
class Scene;
class SceneDisplay;

enum SceneKey {
    kKeySpace = 32,
    kKeyF4 = 115,
    kKeyF5 = 116,
    kKeyF6 = 117,
    kKeyF7 = 118,
    kKeyF8 = 119,
    kKeyF9 = 120,
    kKeyF12 = 123,
};

struct InfoOverlayState {
    int show = 0;
    int frameCount = 0;
    unsigned startTime = 0;
};

// True when the key is one of them and was acted on.
bool ApplySceneKey(int code, Scene& scene, SceneDisplay& display, InfoOverlayState& info);
