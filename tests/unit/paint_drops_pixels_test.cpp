// Paint Drops draws its rings from offsets computed once; the pixels must be
// exactly those of tracing every ring with DrawCircle, as first written, also
// where drops cross the edges of a small frame.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "renderer_rig.h"

namespace {

const uint32_t kPalette[3] = {0x000F0FFF, 0x000FFF0F, 0x00FF0F0F};

int Offset(int size) {
    const int a = Random(10);
    const int spread = static_cast<int>(a * size * 0.05);
    int d = Random(spread);
    if (Random(1) == 0) d = -d;
    return d;
}

// The drops traced ring by ring with DrawCircle and the library per point.
void TracedDrops(Scene& s, int drops) {
    for (int n = 0; n < drops; ++n) {
        const uint32_t c = kPalette[Random(2)];
        const int cx = s.width / 2 + Offset(s.width);
        const int cy = s.height / 2 + Offset(s.height);
        for (int j = 0; j < 10; ++j) s.DrawCircle(cx, cy, j * 0.5, ScaleColor(std::cos(j * 0.15) * 8.0, c), true);
    }
}

}  // namespace

TEST(PaintDropsPixels, SameAsTracingEveryRingOnLoudFirstFramesAndAtTheEdges) {
    // 30,715 drops: the loudest first frame of a song (volumeMid 128 over 8.0);
    // 25 drops: half the peak.
    const int sizes[][2] = {{640, 480}, {9, 7}, {1, 1}, {33, 200}};
    for (const auto& size : sizes) {
        for (const double mid : {128.0, 4.0}) {
            RendererRig rig(size[0], size[1]);
            rig.Volumes(mid, mid, mid, 8.0);
            const int drops = mid > 8.0 ? 30715 : 25;
            const uint32_t seed = 31u * size[0] + size[1];
            // A background with bits set, so OR mode shows.
            rig.Fill(0x00010203);
            SeedRandom(seed);
            rig.scene.RenderPaintDrops();
            const uint32_t after = RandomState();
            const std::vector<uint32_t> drawn(rig.display.frameBuffer,
                                              rig.display.frameBuffer + size[0] * size[1]);
            rig.Fill(0x00010203);
            SeedRandom(seed);
            TracedDrops(rig.scene, drops);
            EXPECT_EQ(RandomState(), after) << "draws";
            const std::vector<uint32_t> traced(rig.display.frameBuffer,
                                               rig.display.frameBuffer + size[0] * size[1]);
            int differing = 0;
            for (size_t i = 0; i < traced.size(); ++i) differing += traced[i] != drawn[i];
            EXPECT_EQ(differing, 0) << size[0] << "x" << size[1] << " volume " << mid;
        }
    }
}
