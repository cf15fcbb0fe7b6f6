// Every renderer, alone and all together, on hostile audio and odd frame sizes.
// Run under AddressSanitizer and UBSan this catches out-of-bounds writes and
// undefined conversions that pixel tests on friendly input never reach.
#include <gtest/gtest.h>

#include <random>

#include "scene/random.h"
#include "scene/scene.h"
#include "test_display.h"

namespace {

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{1, 1}, {2, 3}, {2000, 40}, {7, 301}, {33, 17}};

void FillRandom(std::mt19937& rng, TestAudio& audio, int style) {
    for (int i = 0; i < 2 * 576; ++i) {
        switch (style) {
            case 0:  // random bytes
                audio.waveform[i] = static_cast<uint8_t>(rng());
                audio.spectrum[i] = static_cast<uint8_t>(rng());
                break;
            case 1:  // silence
                audio.waveform[i] = 0;
                audio.spectrum[i] = 0;
                break;
            default:  // full scale, alternating extremes
                audio.waveform[i] = (i & 1) ? 0x7F : 0x80;
                audio.spectrum[i] = 255;
                break;
        }
    }
}

// Runs frames with the scene's own switching, swapping buffers like the display.
void RunFrames(Scene& scene, TestDisplay& display, std::mt19937& rng, int frames) {
    TestAudio audio;
    for (int f = 0; f < frames; ++f) {
        const int style = (f / 40) % 3;
        FillRandom(rng, audio, style);
        if (style == 1 && (f % 7) == 0) scene.volumePeak = 0.0;  // beat tests against a zero peak
        if (f % 97 == 0) display.position = static_cast<int>(rng() % 100000);  // song changes
        scene.Frame(audio.spectrum, audio.waveform);
        display.SwapFrameBuffers();
    }
}

}  // namespace

TEST(RendererRobustness, EachRendererAloneSurvivesHostileInputAtOddSizes) {
    std::mt19937 rng(1234);
    for (const Size& size : kSizes) {
        for (int r = 0; r < kRendererCount; ++r) {
            SeedRandom(static_cast<uint32_t>(r * 31 + size.width));
            TestDisplay display(size.width, size.height);
            Scene scene(&display);
            display.transform->lockedTransform = &scene.lockedTransform;
            scene.lockedRenderer = r;
            scene.framesPerScene = 60;
            scene.Start();
            RunFrames(scene, display, rng, size.width * size.height > 10000 ? 150 : 400);
            SCOPED_TRACE(testing::Message() << "renderer " << r << " at " << size.width << "x" << size.height);
            ASSERT_FALSE(HasFatalFailure());
        }
    }
}

TEST(RendererRobustness, AllRenderersTogetherSurviveThousandsOfFrames) {
    std::mt19937 rng(99);
    for (const Size& size : kSizes) {
        SeedRandom(static_cast<uint32_t>(size.height));
        TestDisplay display(size.width, size.height);
        Scene scene(&display);
        display.transform->lockedTransform = &scene.lockedTransform;
        scene.framesPerScene = -1;
        scene.Start();
        TestAudio audio;
        for (int block = 0; block < 10; ++block) {
            scene.ChooseScene(666, 1);  // all fourteen, next transform
            RunFrames(scene, display, rng, size.width * size.height > 10000 ? 60 : 200);
        }
    }
}
