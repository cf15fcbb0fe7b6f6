// What every renderer owes the frame: the fade and transform flags it leaves,
// and nothing drawn past the picture, even on tiny frames with a zero peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "renderer_rig.h"

namespace {

// noFade after a renderer ran on a map with noFade set: kept, cleared, or
// cleared only under the map's fade hint.
enum Fade { kKeeps, kClears, kClearsWhenHinted };
constexpr Fade kFade[kRendererCount] = {kKeeps,  kClearsWhenHinted, kKeeps, kKeeps,           kKeeps,
                                        kKeeps,  kKeeps,            kKeeps, kClears,          kClearsWhenHinted,
                                        kKeeps,  kClearsWhenHinted, kClears, kClearsWhenHinted};
constexpr int kShiveringLines = 3;

}  // namespace

TEST(RendererContract, FadeFlagsFollowTheTableAndTheMapIsApplied) {
    RendererRig rig(32, 24);
    RendererRig bare(32, 24, false);
    Transform& t = *rig.display.transform;
    for (int r = 0; r < kRendererCount; ++r) {
        for (const int hint : {0, 1}) {
            for (const int first : {1, 0}) {
                t.fadeHint = static_cast<uint8_t>(hint);
                t.noFade = 1;
                rig.scene.applyTransform = 0;
                rig.scene.firstFrame = first;
                rig.Volumes(20, 10, 15, 8.0);
                (rig.scene.*kRenderers[r])();
                const int cleared = kFade[r] == kClears || (kFade[r] == kClearsWhenHinted && hint == 1);
                EXPECT_EQ(t.noFade, cleared ? 0 : 1) << rig.scene.rendererNames[r] << " hint " << hint;
                // Shivering Lines chooses on its first frame and keeps the choice.
                if (r != kShiveringLines) {
                    EXPECT_EQ(rig.scene.applyTransform, 1) << rig.scene.rendererNames[r];
                }
            }
        }
        bare.scene.applyTransform = 0;
        bare.scene.firstFrame = 0;
        (bare.scene.*kRenderers[r])();  // no map at all must not be touched
        if (r != kShiveringLines) {
            EXPECT_EQ(bare.scene.applyTransform, 1) << rig.scene.rendererNames[r];
        }
    }
}

// Over white, only overwriting leaves a mark; OR-drawn figures vanish into it.
// Over black, every renderer shows something. Volume Lines picks its mode per
// scene with its second draw: 0 is OR.
TEST(RendererContract, OverwritingAndOrDrawingRenderersOverWhiteAndBlack) {
    constexpr bool kOverwrites[kRendererCount] = {true, false, true, true, true, true, true,
                                                  true, false, true, true, true, true, true};
    constexpr int kVolumeLines = 6;
    RendererRig rig(64, 48);
    for (int i = 0; i < 2 * 576; ++i) {
        rig.audio.waveform[i] = static_cast<uint8_t>((i % 16) - 8);
        rig.audio.spectrum[i] = 100;
    }
    rig.Prime();
    Transform& t = *rig.display.transform;
    auto marks = [&](Render render, uint32_t background) {
        t.centreHint = 0;
        rig.Volumes(20, 20, 20, 20);
        rig.Fill(background);
        (rig.scene.*render)();
        rig.scene.firstFrame = 0;
        int changed = 0;
        for (int i = 0; i < 64 * 48; ++i) changed += rig.display.frameBuffer[i] != background;
        return changed;
    };
    for (int r = 0; r < kRendererCount; ++r) {
        rig.scene.firstFrame = 1;
        if (r == kVolumeLines) continue;
        EXPECT_EQ(marks(kRenderers[r], 0x00FFFFFF) > 0, kOverwrites[r]) << rig.scene.rendererNames[r];
        EXPECT_GT(marks(kRenderers[r], 0), 0) << rig.scene.rendererNames[r];
    }
    (rig.scene.*kRenderers[kVolumeLines])();  // its colours exist before the seeded draws
    for (const int orDraw : {0, 1}) {
        SeedWhere([&](Msvcrt& g) { return g.Draw(6), g.Draw(1) == orDraw; });
        rig.scene.firstFrame = 1;
        EXPECT_EQ(marks(&Scene::RenderVolumeLines, 0x00FFFFFF) > 0, orDraw == 1) << "Volume Lines, draw " << orDraw;
        EXPECT_GT(marks(&Scene::RenderVolumeLines, 0), 0);
    }
}

// A follower takes its leader's target with one channel raised a little, so
// related colours stay close where free ones wander the whole cube: measured as
// the widest channel gap among the colours of a frame, averaged over frames
// (about 20-75 when following, 120-170 when not).
TEST(RendererContract, FollowingColoursStayNearTheirLeaders) {
    RendererRig rig(64, 48);
    for (const int r : {0, 6, 9, 10, 12}) {
        (rig.scene.*kRenderers[r])();  // the colours exist before the seeded draws
        SeedRandom(1000 + r);
        // Waveforms in three curves; Volume Lines overwriting, in two colours.
        if (r == 0) SeedWhere([](Msvcrt& g) { return g.Draw(1) == 1; });
        if (r == 6) SeedWhere([](Msvcrt& g) { return g.Draw(6), g.Draw(1) == 1 && g.Draw(1) == 0; });
        rig.scene.firstFrame = 1;
        double sum = 0;
        const int frames = 4000;
        for (int f = 0; f < frames; ++f) {
            rig.Volumes(12, 12, 10, 20);
            rig.Fill(0);
            (rig.scene.*kRenderers[r])();
            rig.scene.firstFrame = 0;
            std::vector<uint32_t> colours;
            rig.EachLit([&](int, int, uint32_t c) {
                if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
            });
            int widest = 0;
            for (uint32_t a : colours)
                for (uint32_t b : colours)
                    for (int shift : {0, 8, 16})
                        widest = std::max(widest, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
            sum += widest;
        }
        EXPECT_LT(sum / frames, 105.0) << rig.scene.rendererNames[r];
    }
}

// A beat is the middle volume above a share of the peak: 80 % for Shivering
// Lines and Orbiting Particles - Beat, 70 % for Snow and Floating Triangle.
// Each spends its draws on it: a new layout, attractor, gust or triangle;
// otherwise only the colours draw now and then.
TEST(RendererContract, BeatsStartAboveTheirShareOfThePeak) {
    struct Beat {
        int renderer;
        double share;
        int draws;  // at least, on a beat
    };
    const Beat beats[] = {{3, 0.8, 12}, {9, 0.8, 2}, {11, 0.7, 2000}, {13, 0.7, 12}};
    RendererRig rig(64, 48);
    for (const Beat& b : beats) {
        for (const double margin : {-0.02, 0.02}) {
            rig.scene.firstFrame = 1;
            (rig.scene.*kRenderers[b.renderer])();
            rig.scene.firstFrame = 0;
            int beating = 0;
            for (int f = 0; f < 20; ++f) {
                rig.Volumes(10, 10, 20.0 * (b.share + margin), 20.0);
                beating += rig.DrawsOf([&] { (rig.scene.*kRenderers[b.renderer])(); }) >= b.draws;
            }
            if (margin > 0) {
                EXPECT_EQ(beating, 20) << rig.scene.rendererNames[b.renderer];
            } else {
                EXPECT_LE(beating, 3) << rig.scene.rendererNames[b.renderer];
            }
        }
    }
}

TEST(RendererContract, NothingPastThePictureOnTinyFramesWithHostileAudio) {
    SeedRandom(5);
    for (int w : {1, 2, 3, 6}) {
        for (int h : {1, 2, 3, 41}) {
            RendererRig rig(w, h, (w + h) % 2 == 0);
            for (int frame = 0; frame < 6; ++frame) {
                for (int i = 0; i < 2 * 576; ++i) {
                    rig.audio.waveform[i] = static_cast<uint8_t>(frame % 2 ? 0x80 + (i & 1) * 0x7F : Random(255));
                    rig.audio.spectrum[i] = static_cast<uint8_t>(frame % 3 ? 255 : Random(255));
                }
                if (frame == 4) memset(rig.audio.waveform, 0, sizeof rig.audio.waveform);
                rig.Prime();
                rig.scene.volumePeak = 0.0;
                rig.scene.firstFrame = frame == 0;
                for (int r = 0; r < kRendererCount; ++r) {
                    (rig.scene.*kRenderers[r])();
                    ASSERT_TRUE(rig.SpareUntouched()) << rig.scene.rendererNames[r] << " at " << w << "x" << h;
                }
            }
        }
    }
}
