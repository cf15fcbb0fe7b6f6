#include "scene_keys.h"

#include "scene/scene.h"
#include "scene/scene_display.h"
#include "transform/transform.h"

bool ApplySceneKey(int code, Scene& s, SceneDisplay& display, InfoOverlayState& info) {
    switch (code) {
        case kKeySpace: s.ChooseScene(0, 0); break;
        case kKeyF4:
            info.show = !info.show;
            info.frameCount = 0;
            break;
        case kKeyF5: s.ChooseScene(1, 2); break;
        case kKeyF6: s.ChooseScene(2, 1); break;
        case kKeyF7:
            if (s.lockedRenderer != -1) {
                s.lockedRenderer = -1;
                display.SetMessage("Renderer Unlocked");
            } else {
                for (int k = 0; k < s.rendererCount; ++k)
                    if (s.activeRenderers[k] == 1) s.lockedRenderer = k;
                display.SetMessage("Renderer Locked");
            }
            break;
        case kKeyF8:
            if (s.lockedTransform != -1) {
                s.lockedTransform = -1;
                display.SetMessage("Transform Unlocked");
            } else {
                s.lockedTransform = display.transform != nullptr ? display.transform->currentIndex : -1;
                display.SetMessage("Transform Locked");
            }
            break;
        case kKeyF9:
            s.showSongTitle = !s.showSongTitle;
            display.SetMessage(s.showSongTitle ? "Song Title Display On" : "Song Title Display Off");
            break;
        case kKeyF12: s.ChooseScene(666, 1); break;
        default: return false;
    }
    return true;
}
