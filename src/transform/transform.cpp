#include "transform/transform.h"

#include <cstdlib>
#include <cstring>

#include "scene/random.h"
#include "scene/scene.h"

const char* const kTransformNames[kTransformCount] = {
    "Wavy Spiral",        "Parabolic Zoomer", "Bubble",
    "Fast Zoomer",        "Undulating Slider", "Fuzzy Fade",
    "Shiny tiles",        "Diagonal Fade",    "Translate and Spin",
    "Kaleidoscope",       "Fast Reverse Spiral", "What You Get With a Typo (tm)",
    "Flower",             "Spiral Tiles",     "Plain Sine Wave",
};

Transform::Transform() : enabled(new int[kTransformCount]) {
    for (int i = 0; i < kTransformCount; ++i) {
        enabled[i] = 1;
        memset(names[i], 0, sizeof(names[i]));
        strncpy(names[i], kTransformNames[i], sizeof(names[i]) - 1);
    }
}

Transform::~Transform() {
    delete[] enabled;
    free(sourceOffsets);
    free(weights);
}

void Transform::Init(int newWidth, int newHeight) {
    width = newWidth & 0xFFFF;
    height = newHeight & 0xFFFF;
    pixelCount = width * height;
    free(sourceOffsets);
    free(weights);
    // One spare entry so an empty map still has a valid address.
    sourceOffsets = static_cast<int32_t*>(calloc(static_cast<size_t>(pixelCount) + 1, 4));
    weights = static_cast<uint8_t*>(calloc(static_cast<size_t>(pixelCount) + 1, 4));
    FillIdentity();
    Choose(0);
}

void Transform::FillIdentity() {
    for (int n = 0; n < pixelCount; ++n) {
        sourceOffsets[n] = 4 * n;
        weights[4 * n] = 255;
        weights[4 * n + 1] = weights[4 * n + 2] = weights[4 * n + 3] = 0;
    }
}

int Transform::EffectiveLock() const {
    if (lockedTransform == nullptr) return -1;
    const int lock = *lockedTransform;
    // A lock from a damaged settings file must never index past the tables.
    return (lock >= 0 && lock < transformCount) ? lock : -1;
}

void Transform::Choose(int mode) {
    if (mode == 0) {
        bool anyEnabled = false;
        for (int i = 0; i < transformCount; ++i) anyEnabled = anyEnabled || enabled[i] != 0;
        // With every transform disabled, choose among all instead of drawing forever.
        do {
            currentIndex = Random(transformCount - 1);
        } while (anyEnabled && enabled[currentIndex] == 0);
    } else if (mode == 1) {
        currentIndex = (currentIndex + 1) % transformCount;
    }
    const int lock = EffectiveLock();
    if (lock >= 0) currentIndex = lock;
    if (refreshConfigPanel != nullptr) refreshConfigPanel();
    if (mode != 2) Generate();
}

void Transform::Generate() {
    if (sourceOffsets == nullptr) return;
    switch (currentIndex) {
        case 0: GenerateWavySpiral(); break;
        case 1: GenerateParabolicZoomer(); break;
        case 2: GenerateBubble(); break;
        case 3: GenerateFastZoomer(); break;
        case 4: GenerateUndulatingSlider(); break;
        case 5: GenerateFuzzyFade(); break;
        case 6: GenerateShinyTiles(); break;
        case 7: GenerateDiagonalFade(); break;
        case 8: GenerateTranslateAndSpin(); break;
        case 9: GenerateKaleidoscope(); break;
        case 10: GenerateFastReverseSpiral(); break;
        case 11: GenerateTypo(); break;
        case 12: GenerateFlower(); break;
        case 13: GenerateSpiralTiles(); break;
        case 14: GeneratePlainSineWave(); break;
        default: break;  // no such transform: the map stays as it is
    }
}

int Transform::GetEnabledMask() const {
    int mask = 0;
    for (int i = 0; i < transformCount; ++i) mask = mask * 2 + (enabled[i] != 0 ? 1 : 0);
    return mask;
}

int Transform::GetAllEnabledMask() const {
    int mask = 0;
    for (int i = 0; i < transformCount; ++i) mask = mask * 2 + 1;
    return mask;
}

void Transform::SetEnabledMask(int mask) {
    for (int k = 0; k < transformCount; ++k) {
        enabled[transformCount - 1 - k] = (mask % 2 != 0) ? 1 : 0;
        mask /= 2;
    }
}
