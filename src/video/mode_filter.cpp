#include "video/mode_filter.h"

#include <climits>

namespace {
int SaturateToInt(int64_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

// Weighted size of a mode. Sizes come from the driver; far beyond any int
// limit they all compare alike, so the product is capped before it could
// overflow.
int64_t WeightedSize(uint32_t width, uint32_t height, uint32_t bits) {
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    const uint64_t cap = uint64_t{1} << 40;
    return ModeWeight(bits) * static_cast<int64_t>(pixels < cap ? pixels : cap);
}

constexpr int kDefaultHeight = 480;
}  // namespace

MemoryLimits EstimateMemoryLimits(uint32_t displayWidth, uint32_t displayHeight, uint32_t displayBits,
                                  uint32_t totalVideoMemory) {
    const int64_t desktop = WeightedSize(displayWidth, displayHeight, displayBits);
    return {SaturateToInt(desktop + totalVideoMemory), SaturateToInt(totalVideoMemory)};
}

bool ModeAccepted(int list, uint32_t width, uint32_t height, uint32_t bits, const MemoryLimits& limits) {
    if (bits != 16 && bits != 24 && bits != 32) return false;
    const int64_t need = WeightedSize(width, height, bits);
    if (list == 0) return need <= limits.fullScreen;
    if (list == 2) return 2 * need <= limits.background;
    return list == 1;
}

ModeRequest ResolveModeRequest(int requestedMode, int requestedResolution, const int counts[kModeLists],
                               int (*heightOf)(const void* context, int list, int index), const void* context) {
    int mode = requestedMode >= 0 && requestedMode < kModeLists ? requestedMode : 0;
    if (counts[mode] <= 0) {
        for (int other = 0; other < kModeLists; ++other) {
            if (counts[other] > 0) {
                mode = other;
                break;
            }
        }
        if (counts[mode] <= 0) return {mode, -1};
    }
    if (requestedResolution >= 0 && requestedResolution < counts[mode]) return {mode, requestedResolution};
    int chosen = -1;
    for (int i = 0; i < counts[mode]; ++i)
        if (heightOf(context, mode, i) == kDefaultHeight) chosen = i;
    return {mode, chosen};
}
