#include "video/mode_filter.h"

#include <climits>

namespace {
int SaturateToInt(int64_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

constexpr int kDefaultHeight = 480;
}  // namespace

MemoryLimits EstimateMemoryLimits(uint32_t displayWidth, uint32_t displayHeight, uint32_t displayBits,
                                  uint32_t totalVideoMemory) {
    const int64_t desktop = ModeWeight(displayBits) * displayWidth * static_cast<int64_t>(displayHeight);
    return {SaturateToInt(desktop + totalVideoMemory), SaturateToInt(totalVideoMemory)};
}

bool ModeAccepted(int list, uint32_t width, uint32_t height, uint32_t bits, const MemoryLimits& limits) {
    if (bits != 16 && bits != 24 && bits != 32) return false;
    const int64_t need = ModeWeight(bits) * width * static_cast<int64_t>(height);
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
