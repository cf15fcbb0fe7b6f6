// Spectral Spheres, Hypnotizer and Volume Lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "renderer_rig.h"

namespace {

struct CircleRig : RendererRig {
    CircleRig(int w, int h) : RendererRig(w, h, false) {}
};

// The pixels that circles of the given radii about one centre light.
std::vector<bool> CircleMask(int w, int h, const std::vector<double>& cx, double cy, const std::vector<int>& radii) {
    CircleRig ref(w, h);
    ref.Prime();
    for (size_t i = 0; i < radii.size(); ++i) ref.scene.DrawCircle(cx[i], cy, radii[i], 0xFFFFFF, false);
    return ref.Mask();
}

}  // namespace

TEST(SpectralSpheres, EnergyInTheFirstBandGivesOneCircleAcrossTheWidth) {
    CircleRig rig(65, 48);  // odd: the radius is truncated
    for (int k = 1; k <= 28; ++k) rig.audio.spectrum[k] = static_cast<uint8_t>(9 * k);
    rig.audio.spectrum[0] = 255;  // bin 0 weighs nothing
    rig.Prime();
    rig.scene.RenderSpectralSpheres();
    EXPECT_EQ(rig.Mask(), CircleMask(65, 48, {32}, 24, {32}));
}

TEST(Hypnotizer, SilenceDrawsTenConcentricRingsAt480) {
    CircleRig rig(640, 480);
    rig.Prime();
    rig.scene.firstFrame = 1;
    rig.scene.RenderHypnotizer();
    std::vector<int> radii;
    for (int k = 1; k < 120; k += 12) radii.push_back(k);
    ASSERT_EQ(radii.size(), 10u);
    EXPECT_EQ(radii.back(), 109);
    EXPECT_EQ(rig.Mask(), CircleMask(640, 480, std::vector<double>(10, 320.0), 240, radii));
}

TEST(Hypnotizer, NoRingsOnFramesUnderFortyPixelsHigh) {
    CircleRig low(200, 39);
    low.Prime();
    low.scene.RenderHypnotizer();
    EXPECT_EQ(low.Mask(), std::vector<bool>(200 * 39, false));

    // At 40 the quarter height is 10 and the spacing 1: radii 1..9.
    CircleRig just(200, 40);
    just.Prime();
    just.scene.RenderHypnotizer();
    EXPECT_EQ(just.Mask(), CircleMask(200, 40, std::vector<double>(9, 100.0), 20, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(VolumeLines, HandsPointOppositeWaysWithTheirChannelsLength) {
    CircleRig rig(201, 161);
    memset(rig.audio.waveform, 40, 576);          // left volume 40: 100 pixels, partly off-screen
    memset(rig.audio.waveform + 576, 0xF0, 576);  // right volume 16: 40 pixels
    rig.Prime();
    rig.scene.firstFrame = 1;
    rig.scene.RenderVolumeLines();
    const double cx = 100.5, cy = 80.5;
    double farthest = 0, fx = 0, fy = 0;
    for (int y = 0; y < 161; ++y)
        for (int x = 0; x < 201; ++x)
            if (rig.At(x, y) != 0) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d > farthest) farthest = d, fx = x + 0.5 - cx, fy = y + 0.5 - cy;
            }
    EXPECT_GT(farthest, 60.0);  // the left hand runs past the shorter one
    EXPECT_LE(farthest, 101.5);
    // Opposite the farthest point, the right hand reaches about 40 pixels.
    double opposite = 0;
    for (int y = 0; y < 161; ++y)
        for (int x = 0; x < 201; ++x)
            if (rig.At(x, y) != 0) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * fx + dy * fy < 0) opposite = std::max(opposite, std::hypot(dx, dy));
            }
    EXPECT_NEAR(opposite, 40.0, 2.0);
}
