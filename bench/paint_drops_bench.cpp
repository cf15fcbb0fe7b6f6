// Paint Drops on a song's first frame, where the peak restarts at 8.0: at full
// volume 30,715 drops, at a moderate one 1,915. The renderer against tracing
// every ring with DrawCircle, as first written, in the same run.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench_scene.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

namespace {

const uint32_t kPalette[3] = {0x000F0FFF, 0x000FFF0F, 0x00FF0F0F};

int Offset(int size) {
    const int a = Random(10);
    const int spread = static_cast<int>(a * size * 0.05);
    int d = Random(spread);
    if (Random(1) == 0) d = -d;
    return d;
}

void Traced(Scene& s, int drops) {
    for (int n = 0; n < drops; ++n) {
        const uint32_t c = kPalette[Random(2)];
        const int cx = s.width / 2 + Offset(s.width);
        const int cy = s.height / 2 + Offset(s.height);
        for (int j = 0; j < 10; ++j) s.DrawCircle(cx, cy, j * 0.5, ScaleColor(std::cos(j * 0.15) * 8.0, c), true);
    }
}

void Run(benchmark::State& state, double volume, bool traced) {
    BenchDisplay display;
    Scene scene(&display);
    display.transform = new Transform();
    display.transform->Init(kWidth, kHeight);
    scene.framesPerScene = -1;
    for (int i = 0; i < kRendererCount; ++i) scene.activeRenderers[i] = 0;
    scene.applyTransform = 0;
    const AudioFrame& a = LoudAudio()[0];
    scene.Frame(a.spectrum[0], a.waveform[0]);
    const double ratio = volume / 8.0;
    const int drops = static_cast<int>(120.0 * ratio * ratio) - 5;
    for (auto _ : state) {
        SeedRandom(7);
        scene.volumeMid = volume;
        scene.volumePeak = 8.0;
        if (traced) Traced(scene, drops);
        else scene.RenderPaintDrops();
        benchmark::DoNotOptimize(display.frameBuffer);
        benchmark::ClobberMemory();
    }
    state.counters["drops"] = drops;
}

// Names read PaintDropsFirstFrame/<volume>/{Now,Traced}.
const int registered = [] {
    for (double volume : {32.0, 128.0}) {
        for (bool traced : {false, true}) {
            const std::string name = "PaintDropsFirstFrame/" + std::to_string(static_cast<int>(volume)) +
                                     (traced ? "/Traced" : "/Now");
            benchmark::RegisterBenchmark(name.c_str(), Run, volume, traced)->Unit(benchmark::kMillisecond);
        }
    }
    return 0;
}();

}  // namespace
