#pragma once
// Which display modes each display mode offers, and which record a request
// enters. Pure arithmetic over sizes, shared by the DLL and native tests.
#include <cstdint>

// Full Screen, Windowed, Background.
constexpr int kModeLists = 3;

struct MemoryLimits {
    int fullScreen;  // weighted desktop plus the video memory
    int background;  // the video memory
};

// The estimate saturates: drivers report more memory than an int holds, and a
// wrapped, negative limit would empty the Full Screen and Background lists.
MemoryLimits EstimateMemoryLimits(uint32_t displayWidth, uint32_t displayHeight, uint32_t displayBits,
                                  uint32_t totalVideoMemory);

// 1 for 16-bit pixels, 2 for 24 and 32: the unit of the memory comparisons.
inline int64_t ModeWeight(uint32_t bits) { return bits == 16 ? 1 : 2; }

// Whether list 0..2 takes a mode of this size and depth (8 and 15 bits never).
bool ModeAccepted(int list, uint32_t width, uint32_t height, uint32_t bits, const MemoryLimits& limits);

struct ModeRequest {
    int displayMode;  // what the request enters: 0..2
    int resolution;   // an index in that list, or -1 when none can be had
};

// Resolves the stored request against the lists. An unknown display mode
// counts as Full Screen (not chosen); an empty list gives way to the first
// non-empty one; an index outside its list counts as not chosen, which takes
// the last record of 480 lines. heightOf(context, list, index) reads a record.
ModeRequest ResolveModeRequest(int requestedMode, int requestedResolution, const int counts[kModeLists],
                               int (*heightOf)(const void* context, int list, int index), const void* context);
