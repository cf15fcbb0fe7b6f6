#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "scene/random.h"
#include "test_display.h"

// Renderer state is static and shared by every test: tests start a scene with
// firstFrame or check what holds from any state.

namespace {

struct CircleRig {
    TestDisplay display;
    Scene scene;
    TestAudio audio;

    CircleRig(int w, int h) : display(w, h, false), scene(&display) { scene.framesPerScene = -1; }
    // One frame with no renderer: sizes and audio in place, picture cleared.
    void Prime() {
        for (int i = 0; i < kRendererCount; ++i) scene.activeRenderers[i] = 0;
        scene.Frame(audio.spectrum, audio.waveform);
    }
    std::vector<bool> Mask() const {
        std::vector<bool> m(display.width * display.height);
        for (size_t i = 0; i < m.size(); ++i) m[i] = display.frameBuffer[i] != 0;
        return m;
    }
    uint32_t At(int x, int y) const { return display.frameBuffer[y * display.width + x]; }
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

TEST(SpectralSpheres, EqualBandsGiveFiveEqualCircles) {
    CircleRig rig(100, 40);
    // One bin per band, each carrying 6000 once weighted by its index.
    const int bins[] = {20, 40, 60, 100, 120};
    for (int k : bins) {
        rig.audio.spectrum[k] = static_cast<uint8_t>(3000 / k);
        rig.audio.spectrum[576 + k] = static_cast<uint8_t>(3000 / k);
    }
    rig.Prime();
    rig.scene.RenderSpectralSpheres();
    EXPECT_EQ(rig.Mask(), CircleMask(100, 40, {10, 30, 50, 70, 90}, 20, {10, 10, 10, 10, 10}));
}

TEST(SpectralSpheres, NothingWithoutWeightedEnergy) {
    CircleRig rig(64, 48);
    rig.audio.spectrum[0] = 255;  // only the unweighted bin, and bins past the used range
    rig.audio.spectrum[200] = 255;
    rig.audio.spectrum[576 + 400] = 255;
    rig.Prime();
    rig.scene.RenderSpectralSpheres();
    EXPECT_EQ(rig.Mask(), std::vector<bool>(64 * 48, false));
    EXPECT_EQ(rig.scene.applyTransform, 1);
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

TEST(Hypnotizer, RingSetsOrbitOnOppositeSidesAtTheirChannelsVolume) {
    CircleRig rig(400, 240);
    memset(rig.audio.waveform, 16, 576);          // left volume 16: 60 pixels out
    memset(rig.audio.waveform + 576, 0xF8, 576);  // right volume 8: 30 pixels out
    rig.Prime();
    rig.scene.RenderHypnotizer();
    // The union of two equal ring sets is symmetric about the midpoint of
    // their centres: 60 out one way and 30 the other average to 15.
    double sx = 0, sy = 0;
    int lit = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 400; ++x)
            if (rig.At(x, y) != 0) {
                sx += x + 0.5 - 200;
                sy += y + 0.5 - 120;
                ++lit;
            }
    ASSERT_GT(lit, 0);
    const double dist = std::hypot(sx / lit, sy / lit);
    EXPECT_NEAR(dist, 15.0, 3.0);
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

TEST(CircleRenderers, SurviveTinyFramesAndExtremeAudio) {
    SeedRandom(11);
    for (int w : {1, 2, 3, 6}) {
        for (int h : {1, 3, 2, 41}) {
            CircleRig rig(w, h);
            for (int frame = 0; frame < 6; ++frame) {
                for (int i = 0; i < 2 * 576; ++i) {
                    rig.audio.waveform[i] = static_cast<uint8_t>(frame % 2 ? 0x80 : Random(255));
                    rig.audio.spectrum[i] = static_cast<uint8_t>(frame % 3 ? 255 : Random(255));
                }
                rig.Prime();
                rig.scene.volumePeak = 0.0;
                rig.scene.firstFrame = frame == 0;
                rig.scene.RenderSpectralSpheres();
                rig.scene.RenderHypnotizer();
                rig.scene.RenderVolumeLines();
                for (int i = w * h; i < FrameBufferPixels(w, h); ++i) ASSERT_EQ(rig.display.frameBuffer[i], 0u);
            }
        }
    }
}
