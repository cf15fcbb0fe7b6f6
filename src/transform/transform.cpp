#include "transform/transform.h"

#include <cstdlib>
#include <cstring>

#include "pixels/cpu_features.h"
#include "scene/random.h"
#include "scene/scene.h"

const char* const kTransformNames[kTransformCount] = {
    "Wavy Spiral",        "Parabolic Zoomer", "Bubble",
    "Fast Zoomer",        "Undulating Slider", "Fuzzy Fade",
    "Shiny tiles",        "Diagonal Fade",    "Translate and Spin",
    "Kaleidoscope",       "Fast Reverse Spiral", "What You Get With a Typo (tm)",
    "Flower",             "Spiral Tiles",     "Plain Sine Wave",
};

Transform::Transform() : sse2Rows(FeatureHasSse2(CpuFeatureWord())), enabled(new int[kTransformCount]) {
    for (int i = 0; i < kTransformCount; ++i) {
        enabled[i] = 1;
        memset(names[i], 0, sizeof(names[i]));
        strncpy(names[i], kTransformNames[i], sizeof(names[i]) - 1);
    }
}

Transform::~Transform() {
    delete[] enabled;
    FreeMaps();
}

bool Transform::Init(int newWidth, int newHeight) {
    width = newWidth & 0xFFFF;
    height = newHeight & 0xFFFF;
    pixelCount = width * height;
    FreeMaps();
    job = MapJob();
    // One spare entry so an empty map still has a valid address. The second
    // pair receives a map generated over several frames.
    const size_t entries = static_cast<size_t>(pixelCount) + 1;
    sourceOffsets = static_cast<int32_t*>(calloc(entries, 4));
    weights = static_cast<uint8_t*>(calloc(entries, 4));
    pendingOffsets = static_cast<int32_t*>(calloc(entries, 4));
    pendingWeights = static_cast<uint8_t*>(calloc(entries, 4));
    columnTable = static_cast<double*>(calloc(static_cast<size_t>(width) + 1, sizeof(double)));
    if (!sourceOffsets || !weights || !pendingOffsets || !pendingWeights || !columnTable) {
        // Out of memory: an empty map, which no generator or frame reads past.
        FreeMaps();
        width = height = pixelCount = 0;
        return false;
    }
    generationRows = GenerationRowsFor(width, height);
    FillIdentity();
    // No old map of this size to show meanwhile: the first one is made at once.
    const bool spread = spreadGeneration;
    spreadGeneration = false;
    Choose(0);
    spreadGeneration = spread;
    return true;
}

void Transform::FreeMaps() {
    free(sourceOffsets);
    free(weights);
    free(pendingOffsets);
    free(pendingWeights);
    free(columnTable);
    sourceOffsets = nullptr;
    weights = nullptr;
    pendingOffsets = nullptr;
    pendingWeights = nullptr;
    columnTable = nullptr;
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
    if (mode == 2) return;
    if (!spreadGeneration) {
        Generate();
        return;
    }
    if (sourceOffsets == nullptr) return;
    job = MapJob();  // a new choice replaces one still under way
    if (!Prepare()) return;
    if (height <= 0) SwitchToPending();
}

bool Transform::Prepare() {
    switch (currentIndex) {
        case 0: PrepareWavySpiral(); break;
        case 1: PrepareParabolicZoomer(); break;
        case 2: PrepareBubble(); break;
        case 3: PrepareFastZoomer(); break;
        case 4: PrepareUndulatingSlider(); break;
        case 5: PrepareFuzzyFade(); break;
        case 6: PrepareShinyTiles(); break;
        case 7: PrepareDiagonalFade(); break;
        case 8: PrepareTranslateAndSpin(); break;
        case 9: PrepareKaleidoscope(); break;
        case 10: PrepareFastReverseSpiral(); break;
        case 11: PrepareTypo(); break;
        case 12: PrepareFlower(); break;
        case 13: PrepareSpiralTiles(); break;
        case 14: PreparePlainSineWave(); break;
        default: return false;  // no such transform: the map stays as it is
    }
    return true;
}

void Transform::Generate() {
    if (sourceOffsets == nullptr) return;
    job = MapJob();  // a map made now supersedes one under way
    if (!Prepare()) return;
    FillRows(Current(), height);
    noFade = job.noFade;
    fadeHint = job.fadeHint;
    centreHint = job.centreHint;
    job.fill = nullptr;
}

void Transform::FillRows(const MapTarget& target, int endRow) {
    if (endRow > height) endRow = height;
    // A map without columns has no entries: nothing to compute (and no 1 / width).
    if (job.nextRow < endRow && width > 0) job.fill(job, target, job.nextRow, endRow);
    job.nextRow = endRow;
}

void Transform::SwitchToPending() {
    int32_t* offsets = sourceOffsets;
    uint8_t* w = weights;
    sourceOffsets = pendingOffsets;
    weights = pendingWeights;
    pendingOffsets = offsets;
    pendingWeights = w;
    noFade = job.noFade;
    fadeHint = job.fadeHint;
    centreHint = job.centreHint;
    job.fill = nullptr;
}

void Transform::ContinueGeneration() {
    spreadGeneration = true;
    if (job.fill == nullptr) return;
    FillRows(Pending(), job.nextRow + (generationRows > 0 ? generationRows : 1));
    if (job.nextRow >= height) SwitchToPending();
}

void Transform::FinishGeneration() {
    if (job.fill == nullptr) return;
    FillRows(Pending(), height);
    SwitchToPending();
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
