// One frame of the scene: audio conversion, scene switching, polling the
// player, the guard row and the map.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "scene/random.h"
#include "scene/scene.h"
#include "renderer_rig.h"

namespace {

struct FrameFixture : ::testing::Test {
    TestDisplay display{16, 12};
    Scene scene{&display};
    TestAudio audio;

    void SetUp() override {
        SeedRandom(5);
        ResetLastPlayPosition();
        scene.framesPerScene = -1;
        display.transform->lockedTransform = &scene.lockedTransform;
        scene.lockedTransform = 5;  // Fuzzy Fade: no map draws of interest here
    }
    void Frame() { scene.Frame(audio.spectrum, audio.waveform); }
    // Every sample at the same magnitude: all three volumes equal it.
    void Loudness(int v) { memset(audio.waveform, v, sizeof audio.waveform); }
};

constexpr int kShiveringLines = 3;

}  // namespace

TEST_F(FrameFixture, ConvertsTheAudioBytesAndVolumes) {
    memset(audio.waveform, 0x80, 576);        // -128
    memset(audio.waveform + 576, 0xFF, 576);  // -1
    memset(audio.spectrum, 200, 576);
    memset(audio.spectrum + 576, 255, 576);
    audio.waveform[3] = 0x7F;
    Frame();
    EXPECT_EQ(scene.waveLeft[0], -128.0);
    EXPECT_EQ(scene.waveLeft[3], 127.0);
    EXPECT_EQ(scene.waveRight[0], -1.0);
    EXPECT_EQ(scene.waveMid[0], -64.5);
    EXPECT_EQ(scene.spectrumSum[7], 455.0);
    EXPECT_NEAR(scene.volumeLeft, (575 * 128.0 + 127.0) / 576, 1e-9);
    EXPECT_NEAR(scene.volumeRight, 1.0, 1e-12);
    EXPECT_NEAR(scene.volumeMid, (575 * 64.5 + 63.0) / 576, 1e-9);

    audio = TestAudio();
    Frame();
    EXPECT_EQ(scene.volumeLeft + scene.volumeRight + scene.volumeMid + scene.spectrumSum[100], 0.0);
}

TEST_F(FrameFixture, SwitchesSceneOnTheFrameAfterTheLastOfTheSceneAndNeverWithMinusOne) {
    scene.framesPerScene = 5;
    scene.Start();
    scene.firstFrame = 0;
    for (int n = 1; n <= 5; ++n) {
        Frame();
        EXPECT_EQ(scene.frameCounter, n);
    }
    Frame();  // the count becomes 6 = framesPerScene + 1: a new scene
    EXPECT_EQ(scene.frameCounter, 0);

    scene.framesPerScene = -1;
    for (int n = 0; n < 700; ++n) Frame();
    EXPECT_EQ(scene.frameCounter, 700);
}

TEST_F(FrameFixture, PollsEveryThirtyFramesAndFetchesTheTitleWhenThePositionGoesBack) {
    display.position = 1000;
    display.title = "First Song";
    Frame();  // count 1: first poll, below the initial position, so a new song
    EXPECT_EQ(display.queries, (std::vector<int>{105, 125, 212}));
    EXPECT_STREQ(scene.songTitle, "First Song");
    EXPECT_STREQ(display.messageText, "First Song");
    EXPECT_EQ(display.messageFramesLeft, 80);
    EXPECT_EQ(scene.volumePeak, 8.0);

    display.queries.clear();
    display.position = 2000;
    for (int n = 2; n <= 61; ++n) Frame();  // polls on 31 and 61 only
    EXPECT_EQ(display.queries, (std::vector<int>{105, 105}));
    EXPECT_EQ(scene.playPosition, 2000);

    // The position goes back: a new song, whose title is fetched with the index.
    display.queries.clear();
    display.position = 10;
    display.playlistIndex = 4;
    display.title = "Second Song";
    scene.showSongTitle = 0;
    display.messageText[0] = '\0';
    for (int n = 62; n <= 91; ++n) Frame();
    EXPECT_EQ(display.queries, (std::vector<int>{105, 125, 212}));
    EXPECT_EQ(display.titleIndex, 4);
    EXPECT_STREQ(scene.songTitle, "Second Song");
    EXPECT_STREQ(display.messageText, "") << "title shown although the title display is off";
}

TEST_F(FrameFixture, ThePeakRisesWithTheVolumeAndRestartsAtEightOnANewSong) {
    display.position = 500;
    Loudness(20);
    Frame();  // new song: 8.0, not yet raised
    EXPECT_EQ(scene.volumePeak, 8.0);
    Frame();
    EXPECT_EQ(scene.volumePeak, 20.0);
    Loudness(5);
    Frame();
    EXPECT_EQ(scene.volumePeak, 20.0) << "a softer frame lowered the peak";
    display.position = 400;  // jumped back: polled on frame 31
    for (int n = 4; n <= 31; ++n) Frame();
    EXPECT_EQ(scene.volumePeak, 8.0);
}

// The last position belongs to the process: a new Scene whose song plays on
// asks for no title and starts its peak at 0.
TEST_F(FrameFixture, ANewSceneWithTheSongStillPlayingFetchesNoTitle) {
    display.position = 7000;
    Frame();
    {
        Scene again(&display);
        again.framesPerScene = -1;
        display.queries.clear();
        display.messageText[0] = '\0';
        Loudness(3);
        again.Frame(audio.spectrum, audio.waveform);
        EXPECT_EQ(display.queries, (std::vector<int>{105}));
        EXPECT_EQ(again.volumePeak, 3.0);
        EXPECT_STREQ(display.messageText, "");
    }
    ResetLastPlayPosition();
    display.queries.clear();
    Frame();
    EXPECT_EQ(display.queries, (std::vector<int>{125, 212})) << "no title after a reset";
}

TEST_F(FrameFixture, AYearLongSceneWrapsItsCountAndStillPollsEveryThirtyFrames) {
    scene.frameCounter = INT_MAX - 45;
    display.position = 1;
    std::vector<int> polls;
    for (int n = 1; n <= 100; ++n) {
        display.queries.clear();
        Frame();
        ASSERT_GT(scene.frameCounter, 0);
        if (!display.queries.empty() && display.queries[0] == 105) polls.push_back(n);
    }
    EXPECT_EQ(polls, (std::vector<int>{9, 39, 69, 99}));
}

// Shivering Lines halves the peak on a scene's first frame only: that shows
// whether the renderer saw firstFrame, and that it ended with the frame.
TEST_F(FrameFixture, TheRenderersSeeTheFirstFrameOfEveryScene) {
    scene.lockedRenderer = kShiveringLines;
    scene.framesPerScene = 3;
    scene.Start();
    Frame();  // new song: 8.0, halved
    EXPECT_EQ(scene.volumePeak, 4.0);
    EXPECT_EQ(scene.firstFrame, 0);
    Frame();
    Frame();
    EXPECT_EQ(scene.volumePeak, 4.0);
    Frame();  // count 4: the automatic switch starts a scene in this very frame
    EXPECT_EQ(scene.frameCounter, 0);
    EXPECT_EQ(scene.volumePeak, 2.0);
    scene.ChooseScene(2, 2);  // a key between frames does the same
    Frame();
    EXPECT_EQ(scene.volumePeak, 1.0);
    Frame();
    EXPECT_EQ(scene.volumePeak, 1.0);
}

// Each active flag runs its own renderer: a frame with renderer r alone draws
// what a direct call from the same draws does. Three renderers move on with
// every call (a phase, a slide, a turn) and Spectrum Splash's colours may draw
// before its drops; their silent shapes are checked instead.
TEST(FrameDispatch, EachFlagRunsItsOwnRenderer) {
    RendererRig direct(160, 120, false), framed(160, 120, false);
    for (int i = 0; i < 576; ++i) framed.audio.spectrum[i] = direct.audio.spectrum[i] = 40;
    for (int r = 0; r < kRendererCount; ++r) {
        // Paint Drops needs a volume (at the peak of a new song: 115 drops).
        const uint8_t level = r == 8 ? 8 : 0;
        memset(direct.audio.waveform, level, sizeof direct.audio.waveform);
        memset(framed.audio.waveform, level, sizeof framed.audio.waveform);
        direct.Prime();
        direct.scene.volumePeak = 8.0;  // as the frame's first poll leaves it
        (direct.scene.*kRenderers[r])();  // the renderer's colours exist first
        direct.Fill(0);
        direct.scene.firstFrame = 1;
        SeedRandom(40 + r);
        (direct.scene.*kRenderers[r])();

        ResetLastPlayPosition();
        framed.scene.ChooseScene(2, 2);
        for (int k = 0; k < kRendererCount; ++k) framed.scene.activeRenderers[k] = k == r;
        framed.scene.applyTransform = 0;
        SeedRandom(40 + r);
        framed.scene.Frame(framed.audio.spectrum, framed.audio.waveform);
        const auto lit = framed.Lit();
        if (r == 0) {  // whole rows, columns 0..158
            EXPECT_TRUE(!lit.empty() && lit.size() % 159 == 0) << lit.size();
        } else if (r == 2) {  // one pixel on the middle row
            EXPECT_TRUE(lit.size() == 1 && lit.begin()->second == 60);
        } else if (r == 7) {  // two stars of one pixel
            EXPECT_EQ(lit.size(), 2u);
        } else if (r == 12) {  // its colours draw before the drops: drops near their start row
            int near = 0;
            for (const auto& p : lit) near += p.second >= 55 && p.second <= 60;
            EXPECT_GT(near, 500);
        } else {
            EXPECT_EQ(framed.Lit(), direct.Lit()) << framed.scene.rendererNames[r];
        }
    }
}

TEST_F(FrameFixture, SurvivesHostileTitles) {
    display.title = std::string(1000, 'x');
    Frame();
    EXPECT_EQ(std::string(scene.songTitle), std::string(255, 'x'));
    EXPECT_EQ(std::string(display.messageText), std::string(255, 'x'));

    display.titleIsNull = true;
    display.position = -5;
    for (int n = 0; n < 30; ++n) Frame();
    EXPECT_STREQ(scene.songTitle, "");
}

TEST_F(FrameFixture, ZeroesTheGuardRowAndClearsOrCarriesThePreviousFrame) {
    const int w = display.width, h = display.height;
    for (int i = 0; i < (h + 1) * w + 1; ++i) display.previousFrame[i] = display.frameBuffer[i] = 0x00ABCDEF;
    scene.applyTransform = 0;
    Frame();
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(display.frameBuffer[i], 0u);
    for (int i = h * w; i < h * w + w; ++i) ASSERT_EQ(display.previousFrame[i], 0u);
    EXPECT_EQ(display.previousFrame[(h + 1) * w], 0x00ABCDEFu) << "only the guard row is zeroed";

    // The identity map without noFade darkens each channel to (c x 255) >> 8.
    display.transform->FillIdentity();
    display.transform->noFade = 0;
    display.previousFrame[5] = 0xFF804001u;
    scene.applyTransform = 1;
    Frame();
    EXPECT_EQ(display.frameBuffer[5], 0x007F3F00u);

    // With noFade every weight gains one: the neighbours add in, unweighted.
    display.previousFrame[6] = 0x00010203u;
    display.previousFrame[5 + w] = 0x00102030u;
    display.previousFrame[6 + w] = 0x00FFFFFFu;
    display.transform->noFade = 1;
    Frame();
    EXPECT_EQ(display.frameBuffer[5], 0x00814102u);
    // ... so white stays white, where each pass without it loses one step.
    for (int i = 0; i < (h + 1) * w + 1; ++i) display.previousFrame[i] = 0x00FFFFFFu;
    Frame();
    EXPECT_EQ(display.frameBuffer[w * h - 1], 0x00FFFFFFu);
    display.transform->noFade = 0;
    Frame();
    EXPECT_EQ(display.frameBuffer[0], 0x00FEFEFEu);
}
