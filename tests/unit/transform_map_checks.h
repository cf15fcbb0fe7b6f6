#pragma once
// Shared helpers for generator tests: seeded generation with a draw count,
// replay of the draws, reading entries back, and the invariants of every map.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/random.h"
#include "transform/transform.h"

// Replays the Random sequence from a seed without touching the real one.
struct Draws {
    uint32_t state;
    int Next(int n) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % (n + 1);
    }
};

// Generates transform `index` from a known seed and returns how many draws
// of Random it made (-1 when more than `limit`).
inline int GenerateCountingDraws(Transform& t, int index, uint32_t seed, int limit = 64) {
    SeedRandom(seed);
    t.currentIndex = index;
    t.Generate();
    const uint32_t after = RandomState();
    uint32_t s = seed;
    for (int draws = 0; draws <= limit; ++draws) {
        if (s == after) return draws;
        s = s * 214013u + 2531011u;
    }
    return -1;
}

// A sized Transform whose first generation is locked to the cheap Fast Zoomer.
struct Map {
    int lock = 3;
    Transform t;
    Map(int w, int h) {
        t.lockedTransform = &lock;
        t.Init(w, h);
        t.lockedTransform = nullptr;
    }
    int Generate(int index, uint32_t seed) { return GenerateCountingDraws(t, index, seed); }
};

// The first seed from which the draws made by `match` return true; SeedRandom
// is left at that seed.
template <class Match>
uint32_t FindSeed(Match match, uint32_t first = 1) {
    for (uint32_t seed = first; seed < first + 2000000; ++seed) {
        SeedRandom(seed);
        if (match()) {
            SeedRandom(seed);
            return seed;
        }
    }
    ADD_FAILURE() << "no seed gives the wanted draws";
    return first;
}

// Something no generator writes, so that an entry left unwritten shows.
inline void FillWithGarbage(Transform& t) {
    for (int n = 0; n < t.pixelCount; ++n) t.sourceOffsets[n] = 0x7FFFFFF0;
    memset(t.weights, 0xFF, 4 * static_cast<size_t>(t.pixelCount));
}

// Every entry either out of range (offset 0, no weight) or addressing only
// pixels inside the (height + 1) x width + 1 source frame, with weights that
// add up to 252..255.
inline void ExpectSoundMap(const Transform& t) {
    const long long lastPixel = static_cast<long long>(t.height + 1) * t.width;
    int faults = 0;
    for (int n = 0; n < t.pixelCount && faults < 5; ++n) {
        const uint8_t* w = t.weights + 4 * static_cast<size_t>(n);
        const int sum = w[0] + w[1] + w[2] + w[3];
        const int32_t offset = t.sourceOffsets[n];
        const bool outOfRange = sum == 0 && offset == 0;
        const bool inRange = sum >= 252 && sum <= 255 && offset >= 0 && offset % 4 == 0 &&
                             offset / 4 + t.width + 1 <= lastPixel;
        if (!outOfRange && !inRange) {
            ++faults;
            ADD_FAILURE() << "entry " << n << " (" << n % t.width << ", " << n / t.width << ") of "
                          << t.width << "x" << t.height << ": offset " << offset << " weights " << int(w[0])
                          << " " << int(w[1]) << " " << int(w[2]) << " " << int(w[3]);
        }
    }
}

inline const uint8_t* WeightsAt(const Transform& t, int x, int y) { return t.weights + 4 * (y * t.width + x); }
inline int32_t OffsetAt(const Transform& t, int x, int y) { return t.sourceOffsets[y * t.width + x]; }
inline bool IsBlack(const Transform& t, int x, int y) {
    const uint8_t* w = WeightsAt(t, x, y);
    return OffsetAt(t, x, y) == 0 && w[0] == 0 && w[1] == 0 && w[2] == 0 && w[3] == 0;
}

// The source point of entry n, recovered from its weights to within about
// 0.01 pixel; false for an out-of-range entry.
inline bool SourceOf(const Transform& t, int n, double& sx, double& sy) {
    const uint8_t* w = t.weights + 4 * n;
    const int sum = w[0] + w[1] + w[2] + w[3];
    if (sum == 0) return false;
    const int p = t.sourceOffsets[n] / 4;
    sx = p % t.width + static_cast<double>(w[1] + w[3]) / sum;
    sy = p / t.width + static_cast<double>(w[2] + w[3]) / sum;
    return true;
}

#define EXPECT_WEIGHTS(t, x, y, a, b, c, d)                                                   \
    do {                                                                                      \
        const uint8_t* w_ = WeightsAt(t, x, y);                                               \
        EXPECT_EQ((std::vector<int>{w_[0], w_[1], w_[2], w_[3]}), (std::vector<int>{a, b, c, d})) \
            << "at (" << (x) << ", " << (y) << ")";                                           \
    } while (0)
