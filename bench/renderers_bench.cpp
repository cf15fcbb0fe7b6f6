// Each renderer's drawing cost per frame at 640x480 on loud generated audio.
// The frame step around it (clear, audio conversion) runs outside the timing.
#include <benchmark/benchmark.h>

#include <cctype>
#include <string>
#include <vector>

#include "bench_scene.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

namespace {

void RunRenderer(benchmark::State& state, int renderer) {
    // Plain function pointers: GCC's UBSan misreads calls through member
    // pointers of a class with virtual members.
    using Renderer = void (*)(Scene&);
    static const Renderer renderers[kRendererCount] = {
        [](Scene& s) { s.RenderPlainVanillaWaveforms(); },   [](Scene& s) { s.RenderWavyCircle(); },
        [](Scene& s) { s.RenderMovingVolumeCircle(); },      [](Scene& s) { s.RenderShiveringLines(); },
        [](Scene& s) { s.RenderSpectralSpheres(); },         [](Scene& s) { s.RenderHypnotizer(); },
        [](Scene& s) { s.RenderVolumeLines(); },             [](Scene& s) { s.RenderSparkles(); },
        [](Scene& s) { s.RenderPaintDrops(); },              [](Scene& s) { s.RenderOrbitingParticlesBeat(); },
        [](Scene& s) { s.RenderOrbitingParticlesVolume(); }, [](Scene& s) { s.RenderSnow(); },
        [](Scene& s) { s.RenderSpectrumSplash(); },          [](Scene& s) { s.RenderFloatingTriangle(); },
    };
    const std::vector<AudioFrame>& audioFrames = LoudAudio();
    SeedRandom(1);
    BenchDisplay display;
    Scene scene(&display);
    display.transform = new Transform();
    display.transform->lockedTransform = &scene.lockedTransform;
    display.transform->Init(kWidth, kHeight);
    scene.framesPerScene = -1;

    int n = 0;
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        const AudioFrame& a = audioFrames[n++ % kAudioFrames];
        // Nothing active: the step clears the frame and converts the audio.
        scene.applyTransform = 0;
        scene.Frame(&a.spectrum[0][0], &a.waveform[0][0]);
        scene.firstFrame = first ? 1 : 0;
        first = false;
        state.ResumeTiming();
        renderers[renderer](scene);
        benchmark::ClobberMemory();
    }
}

std::string CamelName(const char* name) {
    std::string s;
    bool upper = true;
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c)) {
            s += static_cast<char>(upper ? std::toupper(c) : c);
            upper = false;
        } else {
            upper = true;
        }
    }
    return s;
}

const bool registered = [] {
    for (int r = 0; r < kRendererCount; ++r) {
        const std::string name = std::string("Renderer/") + (r < 10 ? "0" : "") + std::to_string(r) + "_" +
                                 CamelName(kRendererNames[r]) + "/640x480";
        benchmark::RegisterBenchmark(name.c_str(), RunRenderer, r)->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

}  // namespace
