// Which display modes are offered, and which stored choice is resolved to.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "video/mode_filter.h"

namespace {
using Choice = std::pair<int, int>;

struct Lists {
    std::vector<int> heights[kModeLists];
    int counts[kModeLists] = {0, 0, 0};
    void Set(int list, std::vector<int> h) {
        heights[list] = h;
        counts[list] = static_cast<int>(h.size());
    }
    // The resolved display mode and resolution.
    std::pair<int, int> Resolve(int mode, int resolution) const {
        const ModeRequest r = ResolveModeRequest(mode, resolution, counts, HeightOf, this);
        return {r.displayMode, r.resolution};
    }
    static int HeightOf(const void* context, int list, int index) {
        return static_cast<const Lists*>(context)->heights[list].at(static_cast<size_t>(index));
    }
};
}  // namespace

TEST(VideoModeFilter, MemoryExampleOfA4MegabyteCard) {
    MemoryLimits limits = EstimateMemoryLimits(1024, 768, 16, 4194304u);
    EXPECT_EQ(limits.fullScreen, 4980736);
    EXPECT_EQ(limits.background, 4194304);
    EXPECT_TRUE(ModeAccepted(0, 1600, 1200, 32, limits));
    EXPECT_TRUE(ModeAccepted(1, 1600, 1200, 32, limits));
    EXPECT_FALSE(ModeAccepted(2, 1600, 1200, 32, limits));
    for (int list = 0; list < kModeLists; ++list) EXPECT_TRUE(ModeAccepted(list, 640, 480, 32, limits));
    // A 32-bit desktop weighs twice.
    EXPECT_EQ(EstimateMemoryLimits(1024, 768, 32, 4194304u).fullScreen, 2 * 786432 + 4194304);
}

TEST(VideoModeFilter, MemoryBeyondAnIntSaturatesInsteadOfEmptyingTheLists) {
    // What Wine reports: 4,291,821,567 bytes.
    MemoryLimits limits = EstimateMemoryLimits(1024, 768, 32, 4291821567u);
    EXPECT_EQ(limits.fullScreen, INT_MAX);
    EXPECT_EQ(limits.background, INT_MAX);
    EXPECT_TRUE(ModeAccepted(0, 1024, 768, 32, limits));
    EXPECT_TRUE(ModeAccepted(2, 1024, 768, 32, limits));
    EXPECT_FALSE(ModeAccepted(0, 4294967295u, 4294967295u, 32, limits));
    EXPECT_FALSE(ModeAccepted(2, 4294967295u, 4294967295u, 32, limits));
    EXPECT_EQ(EstimateMemoryLimits(4294967295u, 4294967295u, 32, 4294967295u).fullScreen, INT_MAX);
    // No memory at all: only the desktop's own weight remains for Full Screen.
    MemoryLimits none = EstimateMemoryLimits(640, 480, 16, 0);
    EXPECT_TRUE(ModeAccepted(0, 640, 480, 16, none));
    EXPECT_FALSE(ModeAccepted(0, 640, 480, 32, none));
    EXPECT_FALSE(ModeAccepted(2, 320, 200, 16, none));
    EXPECT_TRUE(ModeAccepted(1, 1920, 1080, 32, none));
}

TEST(VideoModeFilter, OnlySixteenTwentyFourAndThirtyTwoBitModes) {
    const MemoryLimits limits = {INT_MAX, INT_MAX};
    for (int list = 0; list < kModeLists; ++list)
        for (uint32_t bits : {8u, 15u, 16u, 24u, 32u})
            EXPECT_EQ(ModeAccepted(list, 640, 480, bits, limits), bits >= 16 && bits % 8 == 0) << list << " " << bits;
    EXPECT_FALSE(ModeAccepted(3, 640, 480, 16, limits));
}

TEST(VideoModeFilter, NotChosenTakesTheLast480LineRecord) {
    Lists lists;
    lists.Set(0, {200, 480, 600, 480, 768});
    lists.Set(1, {480});
    EXPECT_EQ(lists.Resolve(-1, -1), (Choice{0, 3}));
    EXPECT_EQ(lists.Resolve(0, 4), (Choice{0, 4}));  // a valid stored index is kept
    lists.Set(0, {200, 600});
    EXPECT_EQ(lists.Resolve(0, -1).second, -1);  // "No available resolutions"
}

TEST(VideoModeFilter, StoredValuesOutsideTheListsCountAsNotChosen) {
    Lists lists;
    lists.Set(0, {480, 600});
    lists.Set(1, {480, 600, 768, 480});
    lists.Set(2, {480});
    EXPECT_EQ(lists.Resolve(7, 1), (Choice{0, 1}));
    EXPECT_EQ(lists.Resolve(-5, -1).first, 0);
    EXPECT_EQ(lists.Resolve(1, 4), (Choice{1, 3}));  // one past the end
    EXPECT_EQ(lists.Resolve(2, 3), (Choice{2, 0}));  // an index of a longer list
    EXPECT_EQ(lists.Resolve(1, -7), (Choice{1, 3}));
    EXPECT_EQ(lists.Resolve(1, 2), (Choice{1, 2}));
}

TEST(VideoModeFilter, AnEmptyListGivesWayToTheFirstNonEmptyOne) {
    Lists lists;
    lists.Set(1, {600, 480});
    EXPECT_EQ(lists.Resolve(0, -1), (Choice{1, 1}));
    EXPECT_EQ(lists.Resolve(2, 0), (Choice{1, 0}));
    EXPECT_EQ(Lists().Resolve(0, -1).second, -1);
}
