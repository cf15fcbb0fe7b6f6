// The native engine fed exactly as the stand-in player feeds the plug-in; its
// frames are the reference the DLL's captures are checked against.
#include <gtest/gtest.h>

#include "../player_parity.h"
#include "audio/analyzer.h"
#include "audio/synth.h"
#include "scene/random.h"
#include "test_display.h"

namespace {

class PlayerClockDisplay : public TestDisplay {
public:
    PlayerClockDisplay() : TestDisplay(parity::kWidth, parity::kHeight, false) {}
    int QueryPlayPosition() override { return positionMs; }
    int QueryPlaylistIndex() override { return 0; }
    const char* QueryTitle(int index) override { return index == 0 ? "Velune Test Song 1" : nullptr; }
    int positionMs = 0;
};

}  // namespace

void ExpectReferenceFrames(const parity::Run& run) {
    ResetLastPlayPosition();
    SeedRandom(parity::kTime);
    const std::vector<audio::Track> songs = audio::MakeTrackList(parity::kSongs, parity::kSongSeconds, parity::kSongSeed);
    PlayerClockDisplay display;
    Scene scene(&display);
    scene.framesPerScene = run.framesPerScene;
    scene.showSongTitle = 0;
    scene.lockedRenderer = run.renderer;
    scene.lockedTransform = run.transform;
    // As the display does on entering a mode: the transform knows the lock
    // before its first choice.
    display.transform = new Transform;
    display.transform->lockedTransform = &scene.lockedTransform;
    display.transform->Init(parity::kWidth, parity::kHeight);
    scene.Start();

    audio::Analyzer analyzer;
    unsigned char spectrum[2][576], waveform[2][576];
    int next = 0;
    const int last = run.frames[run.frameCount - 1].frame;
    ASSERT_LT(last * parity::kFrameMs, parity::kSongSeconds * 1000) << "the first song must last";
    for (int frame = 1; frame <= last; ++frame) {
        display.positionMs = (frame - 1) * parity::kFrameMs;
        analyzer.Analyze(songs[0].pcm, songs[0].pcm.FrameAtMs(display.positionMs), spectrum, waveform);
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        const uint32_t* pixels = display.frameBuffer;
        const auto sum = [&] { return parity::Checksum([&](int x, int y) { return pixels[y * parity::kWidth + x]; }); };
        if (frame + 1 == run.frames[next].frame) {
            EXPECT_EQ(sum(), run.frames[next].previous) << "frame " << frame << std::hex << " 0x" << sum();
        }
        if (frame == run.frames[next].frame) {
            EXPECT_EQ(sum(), run.frames[next].checksum) << "frame " << frame << std::hex << " 0x" << sum();
            ++next;
        }
        display.SwapFrameBuffers();
    }
}

TEST(PlayerParity, NativeFramesAreTheReference) { ExpectReferenceFrames(parity::kLocked); }

TEST(PlayerParity, NativeFramesThroughSceneChangesAreTheReference) { ExpectReferenceFrames(parity::kScenes); }
