// A whole frame at 640x480 as Render does it, minus presentation: the scene
// frame (displacement, audio, one renderer) and the conversion to the display's
// pixel format.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_scene.h"
#include "pixels/compose.h"
#include "scene/random.h"
#include "scene/scene.h"

namespace {

void RunFrame(benchmark::State& state, int renderer, int transform, int format) {
    const std::vector<AudioFrame>& audioFrames = LoudAudio();
    SeedRandom(1);
    BenchDisplay display;
    Scene scene(&display);
    display.transform = new Transform();
    display.transform->lockedTransform = &scene.lockedTransform;
    scene.lockedTransform = transform;
    display.transform->Init(kWidth, kHeight);
    scene.lockedRenderer = renderer;
    scene.framesPerScene = -1;
    scene.Start();
    // The display's surface: one spare column, rows at a 4-byte multiple.
    const int pitch = ((kWidth + 1) * 4 + 3) & ~3;
    std::vector<uint8_t> surface(static_cast<size_t>(pitch) * kHeight);

    int n = 0;
    for (auto _ : state) {
        const AudioFrame& a = audioFrames[n++ % kAudioFrames];
        scene.Frame(&a.spectrum[0][0], &a.waveform[0][0]);
        ComposeFrame({display.frameBuffer, kWidth, kHeight, surface.data(), pitch, format});
        display.SwapFrameBuffers();
        benchmark::ClobberMemory();
    }
}

const bool registered = [] {
    struct Case {
        const char* name;
        int renderer, transform, format;
    };
    // The cheapest and the dearest renderers, over a spiral, into 5-6-5 and 32-bit displays.
    const Case cases[] = {{"PlainVanilla_WavySpiral_565", 0, 0, kCompose565},
                          {"PlainVanilla_WavySpiral_32", 0, 0, kCompose32},
                          {"Hypnotizer_WavySpiral_565", 5, 0, kCompose565}};
    for (const Case& c : cases)
        benchmark::RegisterBenchmark((std::string("Frame/") + c.name + "/640x480").c_str(), RunFrame, c.renderer,
                                     c.transform, c.format)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
