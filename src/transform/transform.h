#pragma once
// The Transform: the displacement map of the current transform, the choice of
// transform, the enabled flags and the names. Generators live in one file per
// family:
//   spiral_transforms.cpp     0 Wavy Spiral, 8 Translate and Spin,
//                             10 Fast Reverse Spiral, 11 What You Get With a Typo (tm), 12 Flower
//   zoom_fold_transforms.cpp  1 Parabolic Zoomer, 2 Bubble, 3 Fast Zoomer, 9 Kaleidoscope
//   sliding_transforms.cpp    4 Undulating Slider, 7 Diagonal Fade, 14 Plain Sine Wave
//   tile_transforms.cpp       5 Fuzzy Fade, 6 Shiny tiles, 13 Spiral Tiles
// Each draws its parameters into a MapJob (map_job.h); the rows of each family
// live in <family>_rows.h, built once for the x87 unit and once for SSE2
// (generator_rows_sse2.cpp); the centred ones on the shared polar loop
// (polar_map.h) and polynomial sine and cosine (fast_trig.h).
#include <cstddef>
#include <cstdint>

#include "transform/map_job.h"

constexpr int kTransformCount = 15;

class Transform {
public:
    Transform();
    virtual ~Transform();
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    // False when the maps cannot be allocated; the map is then empty.
    bool Init(int newWidth, int newHeight);
    void FreeMaps();
    void Choose(int mode);  // 0 random enabled, 1 next, 2 keep
    void Generate();
    void FillIdentity();
    int GetEnabledMask() const;
    int GetAllEnabledMask() const;
    void SetEnabledMask(int mask);
    // The lock in force: a valid index, or -1.
    int EffectiveLock() const;

    // Converts source point (sx, sy) into entry n: the one conversion every
    // generator uses.
    void SetEntry(int n, double sx, double sy) { Current().Set(n, sx, sy); }

    // Generation. Generate() makes the whole map at once. Once the frame loop
    // drives ContinueGeneration, Choose only draws the new parameters (every
    // Random draw happens there, as before) and the rows follow over the next
    // frames, generationRows a frame; the old map and its three flags stay in
    // use until the last row is written, then all four switch together. The
    // pace is counted in rows, never in time, so the frame on which a new map
    // takes over is the same on every machine and under any load.
    void ContinueGeneration();
    bool GenerationPending() const { return job.fill != nullptr; }
    // Completes a pending generation now.
    void FinishGeneration();
    bool spreadGeneration = false;
    // Rows from the generators' SSE2 build (where CPUID reports SSE2) or the
    // x87 one; both give the same maps.
    bool sse2Rows;
    int generationRows = 1;  // per ContinueGeneration; Init sets GenerationRowsFor(width, height)

    int32_t* sourceOffsets = nullptr;
    uint8_t* weights = nullptr;
    int width = 0;
    int height = 0;
    int pixelCount = 0;
    int currentIndex = 0;
    int transformCount = kTransformCount;
    uint8_t noFade = 0;
    uint8_t fadeHint = 0;
    uint8_t centreHint = 0;
    int* enabled;
    char names[kTransformCount][256];

    // Where the Scene keeps lockedTransform; null means never locked.
    const int* lockedTransform = nullptr;

    // --- generators, by index: each draws its parameters and flags into job
    void PrepareWavySpiral();          // 0
    void PrepareParabolicZoomer();     // 1
    void PrepareBubble();              // 2
    void PrepareFastZoomer();          // 3
    void PrepareUndulatingSlider();    // 4
    void PrepareFuzzyFade();           // 5
    void PrepareShinyTiles();          // 6
    void PrepareDiagonalFade();        // 7
    void PrepareTranslateAndSpin();    // 8
    void PrepareKaleidoscope();        // 9
    void PrepareFastReverseSpiral();   // 10
    void PrepareTypo();                // 11
    void PrepareFlower();              // 12
    void PrepareSpiralTiles();         // 13
    void PreparePlainSineWave();       // 14

private:
    MapTarget Current() const { return MapTarget{sourceOffsets, weights, width, height}; }
    MapTarget Pending() const { return MapTarget{pendingOffsets, pendingWeights, width, height}; }
    // Draws the parameters of currentIndex into job; false for no such transform.
    bool Prepare();
    void FillRows(const MapTarget& target, int endRow);
    void SwitchToPending();

    MapJob job;
    int32_t* pendingOffsets = nullptr;
    uint8_t* pendingWeights = nullptr;
    double* columnTable = nullptr;  // width doubles for the per-column generators
};

extern const char* const kTransformNames[kTransformCount];

// Frames from a choice until its map takes over. Small frames cost little to
// apply, so each may carry only a small share of a map: 90 frames up to
// 1280x720's pixel count, 68 above (1.5 s and 1.1 s at 60 frames a second;
// at 60 the dearest generator's rows made a 1080p frame 1.5x its steady cost).
constexpr int kGenerationFramesSmall = 90;
constexpr int kGenerationFramesLarge = 68;
constexpr int kGenerationLargePixels = 1280 * 720;
// Rows per frame that finish a map of this size in that many frames.
inline int GenerationRowsFor(int width, int height) {
    const long long pixels = static_cast<long long>(width) * height;
    const int frames = pixels > kGenerationLargePixels ? kGenerationFramesLarge : kGenerationFramesSmall;
    const int rows = (height + frames - 1) / frames;
    return rows > 0 ? rows : 1;
}
