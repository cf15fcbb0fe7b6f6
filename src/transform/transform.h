#pragma once
// The Transform: the displacement map of the current transform, the choice of
// transform, the enabled flags and the names. Generators live in one file per
// family:
//   spiral_transforms.cpp     0 Wavy Spiral, 8 Translate and Spin,
//                             10 Fast Reverse Spiral, 11 What You Get With a Typo (tm), 12 Flower
//   zoom_fold_transforms.cpp  1 Parabolic Zoomer, 2 Bubble, 3 Fast Zoomer, 9 Kaleidoscope
//   sliding_transforms.cpp    4 Undulating Slider, 7 Diagonal Fade, 14 Plain Sine Wave
//   tile_transforms.cpp       5 Fuzzy Fade, 6 Shiny tiles, 13 Spiral Tiles
#include <cstddef>
#include <cstdint>

constexpr int kTransformCount = 15;

class Transform {
public:
    Transform();
    virtual ~Transform();
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    void Init(int newWidth, int newHeight);
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
    inline void SetEntry(int n, double sx, double sy);

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

    // --- generators, by index
    void GenerateWavySpiral();          // 0
    void GenerateParabolicZoomer();     // 1
    void GenerateBubble();              // 2
    void GenerateFastZoomer();          // 3
    void GenerateUndulatingSlider();    // 4
    void GenerateFuzzyFade();           // 5
    void GenerateShinyTiles();          // 6
    void GenerateDiagonalFade();        // 7
    void GenerateTranslateAndSpin();    // 8
    void GenerateKaleidoscope();        // 9
    void GenerateFastReverseSpiral();   // 10
    void GenerateTypo();                // 11
    void GenerateFlower();              // 12
    void GenerateSpiralTiles();         // 13
    void GeneratePlainSineWave();       // 14
};

extern const char* const kTransformNames[kTransformCount];

// Truncation toward zero of a value that fits an int. On the x87 unit a plain
// cast switches the rounding mode twice per conversion, which made map
// generation several times slower in the DLL; rounding to nearest with the
// current mode and stepping back gives the same integer.
inline int TruncateToInt(double v) {
#if defined(__i386__) && !defined(__SSE2__)
    int i;
    __asm__("fistl %0" : "=m"(i) : "t"(v));
    if (v >= 0.0) return (i > v) ? i - 1 : i;
    return (i < v) ? i + 1 : i;
#else
    return static_cast<int>(v);
#endif
}

inline void Transform::SetEntry(int n, double sx, double sy) {
    const double maxSx = static_cast<double>(width - 1);
    const double maxSy = static_cast<double>(height - 1);
    // Written so that a NaN coordinate fails every comparison and lands out of range.
    const bool inRange = sx >= 0.0 && sx <= maxSx && sy >= 0.0 && sy <= maxSy;
    uint8_t* w = weights + 4 * static_cast<size_t>(n);
    if (!inRange) {
        sourceOffsets[n] = 0;
        w[0] = w[1] = w[2] = w[3] = 0;
        return;
    }
    const int ix = TruncateToInt(sx);
    const int iy = TruncateToInt(sy);
    sourceOffsets[n] = 4 * (iy * width + ix);
    const double a = (1.0 - sx) + ix;
    const double b = (1.0 - sy) + iy;
    w[0] = static_cast<uint8_t>(TruncateToInt((b * a) * 255.0));
    w[2] = static_cast<uint8_t>(TruncateToInt(((1.0 - b) * a) * 255.0));
    w[1] = static_cast<uint8_t>(TruncateToInt(((1.0 - a) * b) * 255.0));
    w[3] = static_cast<uint8_t>(TruncateToInt(((1.0 - b) * (1.0 - a)) * 255.0));
}
