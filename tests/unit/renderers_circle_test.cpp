// Spectral Spheres and Hypnotizer: circles drawn where the audio puts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "renderer_rig.h"

namespace {

struct CircleRig : RendererRig {
    CircleRig(int w, int h) : RendererRig(w, h, false) {}
};

// The pixels that circles of the given radii about one centre light.
std::vector<bool> CircleMask(int w, int h, const std::vector<double>& cx, double cy, const std::vector<int>& radii) {
    CircleRig ref(w, h);
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
    low.scene.RenderHypnotizer();
    EXPECT_EQ(low.Mask(), std::vector<bool>(200 * 39, false));

    // At 40 the quarter height is 10 and the spacing 1: radii 1..9.
    CircleRig just(200, 40);
    just.scene.RenderHypnotizer();
    EXPECT_EQ(just.Mask(), CircleMask(200, 40, std::vector<double>(9, 100.0), 20, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// The seven speeds either way, read off the picture: Hypnotizer's ring set
// (the other set stays on the centre in silence on its side), Volume Lines'
// hand (the other hand has no length).
TEST(OrbitingFigures, TurnByTheirSpinTables) {
    CircleRig rings(400, 240);
    const auto ringSpins = rings.MeasuredSpins(
        [&] {
            rings.Volumes(16, 0, 8, 8);  // the set's centre 60 pixels out
            rings.scene.RenderHypnotizer();
        },
        [&] {
            double sx = 0, sy = 0;
            rings.EachLit([&](int x, int y, uint32_t) { sx += x + 0.5 - 200, sy += y + 0.5 - 120; });
            return std::atan2(sy, sx);
        });
    CircleRig hand(400, 400);
    const auto handSpins = hand.MeasuredSpins(
        [&] {
            hand.Volumes(30, 0, 15, 15);  // 187.5 pixels long
            hand.scene.RenderVolumeLines();
        },
        [&] {
            double best = -1, angle = 0;
            hand.EachLit([&](int x, int y, uint32_t) {
                const double dx = x + 0.5 - 200, dy = y + 0.5 - 200;
                if (dx * dx + dy * dy > best) best = dx * dx + dy * dy, angle = std::atan2(dy, dx);
            });
            return angle;
        });
    // Volume Lines' third draw: 0 gives the second hand the follower's colour,
    // which now and then meets the leader's.
    for (const int second : {0, 1}) {
        SeedWhere([&](Msvcrt& g) { return g.Draw(6), g.Draw(1) == 1 && g.Draw(1) == second; });
        hand.scene.firstFrame = 1;
        size_t most = 0;
        for (int frame = 0; frame < 200; ++frame) {
            hand.Fill(0);
            hand.Volumes(30, 30, 15, 15);
            hand.scene.RenderVolumeLines();
            hand.scene.firstFrame = 0;
            std::set<uint32_t> colours;
            hand.EachLit([&](int, int, uint32_t c) { colours.insert(c); });
            most = std::max(most, colours.size());
        }
        EXPECT_EQ(most, second == 0 ? 2u : 1u) << second;
    }
    for (int draw = 0; draw <= 6; ++draw) {
        EXPECT_NEAR(ringSpins[draw], WrapAngle(TableSpin(draw, 60.0, 1.0)), 0.004) << "Hypnotizer, draw " << draw;
        EXPECT_NEAR(handSpins[draw], WrapAngle(TableSpin(draw, 60.0, 1.01)), 0.004) << "Volume Lines, draw " << draw;
    }
}
