#include <cstring>

#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

const char* const kRendererNames[kRendererCount] = {
    "Plain-Vanilla Waveforms",     "Wavy Circle", "Moving Volume Cicle",
    "Shivering Lines",             "Spectral Spheres", "Hypnotizer",
    "Volume Lines",                "Sparkles",    "Paint Drops",
    "Orbiting Particles - Beat",   "Orbiting Particles - Volume", "Snow",
    "Spectrum Splash",             "Floating Triangle",
};

void (*refreshConfigPanel)() = nullptr;

Scene::Scene(SceneDisplay* display)
    : video(display),
      songTitle(new char[256]),
      activeRenderers(new int[kRendererCount]),
      enabledRenderers(new int[kRendererCount]) {
    for (int i = 0; i < kRendererCount; ++i) {
        activeRenderers[i] = 0;
        enabledRenderers[i] = 1;
        memset(rendererNames[i], 0, sizeof(rendererNames[i]));
        strncpy(rendererNames[i], kRendererNames[i], sizeof(rendererNames[i]) - 1);
    }
    memset(songTitle, 0, 256);
}

Scene::~Scene() {
    delete[] activeRenderers;
    delete[] enabledRenderers;
    delete[] songTitle;
}

void Scene::ChooseScene(int rendererMode, int transformMode) {
    frameCounter = 0;
    if (rendererMode == 1) {
        const int k = GetCurrentRenderer();
        activeRenderers[k] = 0;
        activeRenderers[(k + 1) % rendererCount] = 1;
    } else if (rendererMode == 0) {
        for (int i = 0; i < rendererCount; ++i) activeRenderers[i] = 0;
        // A lock from a damaged settings file must never index past the table.
        if (lockedRenderer >= 0 && lockedRenderer < rendererCount) {
            activeRenderers[lockedRenderer] = 1;
        } else {
            bool anyEnabled = false;
            for (int i = 0; i < rendererCount; ++i) anyEnabled = anyEnabled || enabledRenderers[i] != 0;
            // With every renderer disabled, choose among all instead of drawing forever.
            int k;
            do {
                k = Random(rendererCount - 1);
            } while (anyEnabled && enabledRenderers[k] == 0);
            activeRenderers[k] = 1;
        }
    } else if (rendererMode == 666) {
        for (int i = 0; i < rendererCount; ++i) activeRenderers[i] = 1;
    }
    if (refreshConfigPanel != nullptr) refreshConfigPanel();
    if (video != nullptr && video->transform != nullptr) video->transform->Choose(transformMode);
    firstFrame = 1;
}

int Scene::GetCurrentRenderer() const {
    for (int i = 0; i < rendererCount; ++i) {
        if (activeRenderers[i] == 1) return i;
    }
    // Nothing active yet (before the first choice): report the first renderer.
    return 0;
}

int Scene::GetEnabledMask() const {
    int mask = 0;
    for (int i = 0; i < rendererCount; ++i) mask = 2 * mask + (enabledRenderers[i] != 0 ? 1 : 0);
    return mask;
}

int Scene::GetAllEnabledMask() const {
    int mask = 0;
    for (int i = 0; i < rendererCount; ++i) mask = 2 * mask + 1;
    return mask;
}

void Scene::SetEnabledMask(int mask) {
    for (int j = 0; j < rendererCount; ++j) {
        enabledRenderers[rendererCount - 1 - j] = (mask % 2 != 0) ? 1 : 0;
        mask /= 2;
    }
}
