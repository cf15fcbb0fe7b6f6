// A map generated over several frames: the draws happen at the choice, the old
// map and its three flags stay in use until the last row is written, and then
// everything switches together to exactly the map a synchronous run makes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "transform_map_checks.h"

namespace {

constexpr int kWidth = 48, kHeight = 20;

struct Snapshot {
    std::vector<int32_t> offsets;
    std::vector<uint8_t> weights;
    uint8_t flags[3];
    explicit Snapshot(const Transform& t)
        : offsets(t.sourceOffsets, t.sourceOffsets + t.pixelCount),
          weights(t.weights, t.weights + 4 * t.pixelCount),
          flags{t.noFade, t.fadeHint, t.centreHint} {}
    bool operator==(const Snapshot& o) const {
        return offsets == o.offsets && weights == o.weights && memcmp(flags, o.flags, 3) == 0;
    }
};

// What a synchronous Choose under `lock` makes from `seed`, and the Random state after it.
Snapshot SynchronousMap(int lock, uint32_t seed, uint32_t* stateAfter) {
    Map m(kWidth, kHeight);
    m.lock = lock;
    m.t.lockedTransform = &m.lock;
    SeedRandom(seed);
    m.t.Choose(0);
    *stateAfter = RandomState();
    return Snapshot(m.t);
}

// A transform driven by a frame loop, one row per frame; its first map is
// Fast Zoomer (flags 0, 1, 1).
struct SpreadMap : Map {
    SpreadMap() : Map(kWidth, kHeight) {
        t.lockedTransform = &lock;
        t.generationRows = 1;
        t.ContinueGeneration();  // nothing pending yet: only marks the frame loop
    }
};

}  // namespace

TEST(TransformSpread, OldMapAndFlagsStayUntilTheLastRowThenSwitchTogether) {
    // Wavy Spiral draws noFade 1 from most seeds, so every flag changes.
    for (int index : {0, 8, 11, 4, 13}) {
        uint32_t syncState = 0;
        const Snapshot expected = SynchronousMap(index, 4242u + index, &syncState);

        SpreadMap m;
        const Snapshot old(m.t);
        m.lock = index;
        SeedRandom(4242u + index);
        m.t.Choose(0);
        EXPECT_EQ(RandomState(), syncState) << "every draw happens at the choice, flags included";
        EXPECT_EQ(m.t.currentIndex, index);
        for (int frame = 1; frame < kHeight; ++frame) {
            ASSERT_TRUE(m.t.GenerationPending());
            EXPECT_TRUE(Snapshot(m.t) == old) << index << " switched early, after " << frame - 1 << " rows";
            m.t.ContinueGeneration();
        }
        EXPECT_TRUE(Snapshot(m.t) == old);
        m.t.ContinueGeneration();  // the last row
        EXPECT_FALSE(m.t.GenerationPending());
        EXPECT_TRUE(Snapshot(m.t) == expected) << index;
        EXPECT_EQ(RandomState(), syncState) << "rows draw nothing";
    }
}

TEST(TransformSpread, ANewChoiceDuringGenerationStartsOverWithItsOwnDraws) {
    // Typo carries a sum across rows: a restart must not inherit it.
    uint32_t state = 0;
    SeedRandom(77);
    Random(1000);
    const uint32_t secondSeed = RandomState();
    const Snapshot expected = SynchronousMap(11, secondSeed, &state);

    SpreadMap m;
    m.lock = 11;
    SeedRandom(77);
    Random(1000);
    m.lock = 0;
    SeedRandom(77);
    m.t.Choose(0);  // Wavy Spiral, abandoned after a few rows
    for (int i = 0; i < 7; ++i) m.t.ContinueGeneration();
    m.lock = 11;
    SeedRandom(secondSeed);
    m.t.Choose(0);
    m.t.Choose(2);  // keep: no new draws, the generation goes on
    EXPECT_EQ(RandomState(), state);
    for (int i = 0; i < kHeight; ++i) m.t.ContinueGeneration();
    EXPECT_FALSE(m.t.GenerationPending());
    EXPECT_TRUE(Snapshot(m.t) == expected);
}

TEST(TransformSpread, FinishGenerationCompletesAndGenerateSupersedes) {
    uint32_t state = 0;
    const Snapshot expected = SynchronousMap(10, 5, &state);
    SpreadMap m;
    m.lock = 10;
    SeedRandom(5);
    m.t.Choose(0);
    m.t.ContinueGeneration();
    m.t.FinishGeneration();
    EXPECT_FALSE(m.t.GenerationPending());
    EXPECT_TRUE(Snapshot(m.t) == expected);

    // A synchronous Generate during a spread one makes its own map at once and
    // the abandoned one never switches in later.
    SeedRandom(6);
    m.t.Choose(0);
    m.t.ContinueGeneration();
    m.t.currentIndex = 5;
    m.t.Generate();
    EXPECT_FALSE(m.t.GenerationPending());
    const Snapshot fuzzy(m.t);
    for (int i = 0; i < kHeight; ++i) m.t.ContinueGeneration();
    EXPECT_TRUE(Snapshot(m.t) == fuzzy);
    EXPECT_EQ(fuzzy.flags[2], 1);  // Fuzzy Fade's centreHint
}

TEST(TransformSpread, DestroyedOrResizedDuringGenerationIsSafe) {
    // Under the sanitizers: nothing is read or written after it is freed.
    auto* t = new Transform;
    int lock = 12;
    t->lockedTransform = &lock;
    t->Init(kWidth, kHeight);
    t->generationRows = 1;
    t->ContinueGeneration();
    t->Choose(0);
    t->ContinueGeneration();
    t->Init(kWidth * 2, kHeight / 2);  // a new size drops the pending map
    EXPECT_FALSE(t->GenerationPending());
    ExpectSoundMap(*t);
    t->Choose(0);
    t->ContinueGeneration();
    delete t;
}

TEST(TransformSpread, ManyRowsPerFrameAndEmptyMapsSwitchAtOnce) {
    SpreadMap m;
    m.t.generationRows = kHeight;
    m.lock = 2;
    m.t.Choose(0);
    m.t.ContinueGeneration();
    EXPECT_FALSE(m.t.GenerationPending());
    ExpectSoundMap(m.t);

    Transform empty;
    empty.Init(0, 0);
    empty.ContinueGeneration();
    empty.Choose(1);
    EXPECT_FALSE(empty.GenerationPending());
}

TEST(TransformSpread, ANewMapTakesOverAfterAFixedNumberOfFramesForItsSize) {
    // Counted in rows: 90 frames up to 1280x720's pixels, 68 above, sooner
    // only where whole rows a frame finish early.
    const struct {
        int width, height, frames;
    } cases[] = {{3, 1, 1},      {3, 89, 89},     {3, 90, 90},      {3, 91, 46},       {161, 97, 49},
                 {640, 480, 80}, {1280, 720, 90}, {1281, 720, 66},  {1920, 1080, 68}};
    for (const auto& c : cases) {
        Transform t;
        int lock = 5;
        t.lockedTransform = &lock;
        t.Init(c.width, c.height);
        t.ContinueGeneration();
        t.Choose(0);
        int frames = 0;
        while (t.GenerationPending() && frames < 10000) {
            t.ContinueGeneration();
            ++frames;
        }
        EXPECT_EQ(frames, c.frames) << c.width << "x" << c.height;
    }
}
