// What limits a 1280x720 render: the engine's frames per second (audio
// analysis, scene step) and the encoder's (colour conversion, encoding,
// muxing), measured apart on the same frames, and both together. The fps
// counters are per second of CPU time of all the process's threads (the
// encoders run several), which a shared machine disturbs far less than the
// wall clock; on an idle machine with N cores the wall-clock rate of the
// threaded encoders is up to N times higher.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "render_display.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "video_writer.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFps = 30;
constexpr int kFramesPerRun = 90;

const std::vector<audio::Track>& Songs() {
    static const std::vector<audio::Track> songs = audio::MakeTrackList(2, 20.0, 1);
    return songs;
}

struct Engine {
    Engine() : display(kWidth, kHeight, Songs(), kFps), scene(&display) {
        SeedRandom(1);
        scene.framesPerScene = 60;  // several renderers and transforms in a run
        display.Attach(scene);
        scene.Start();
    }
    const uint32_t* Step() {
        display.NextAudioFrame(spectrum, waveform);
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        const uint32_t* frame = display.frameBuffer;
        display.Flip();
        return frame;
    }
    RenderDisplay display;
    Scene scene;
    unsigned char spectrum[2][576], waveform[2][576];
};

void BM_Engine720p(benchmark::State& state) {
    Engine engine;
    for (auto _ : state) benchmark::DoNotOptimize(engine.Step());
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The engine's first frames, kept so the encoder alone is timed.
const std::vector<std::vector<uint32_t>>& Frames() {
    static std::vector<std::vector<uint32_t>> frames;
    if (frames.empty()) {
        Engine engine;
        for (int i = 0; i < kFramesPerRun; ++i) {
            const uint32_t* f = engine.Step();
            frames.emplace_back(f, f + kWidth * kHeight);
        }
    }
    return frames;
}

std::string OutputPath(const char* extension) {
    return "/tmp/velune-render-bench-" + std::to_string(getpid()) + extension;
}

// A whole encode of kFramesPerRun frames, with the encoder's flush, per
// iteration: an encoder holds frames back, so timing single frames flatters it.
void Encode(benchmark::State& state, const char* extension, bool withEngine) {
    av_log_set_level(AV_LOG_ERROR);
    const std::vector<std::vector<uint32_t>>& frames = Frames();
    const std::vector<audio::Track> noSound;
    VideoSettings settings;
    settings.path = OutputPath(extension);
    settings.width = kWidth;
    settings.height = kHeight;
    settings.fps = kFps;
    for (auto _ : state) {
        state.PauseTiming();  // the first map of the first scene is not per-frame work
        std::unique_ptr<Engine> engine(withEngine ? new Engine : nullptr);
        state.ResumeTiming();
        VideoWriter writer;
        std::string error;
        if (!writer.Open(settings, withEngine ? Songs() : noSound, {}, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        for (int i = 0; i < kFramesPerRun; ++i)
            if (!writer.WriteFrame(withEngine ? engine->Step() : frames[static_cast<size_t>(i)].data(), &error)) break;
        if (!writer.Finish(&error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    std::remove(settings.path.c_str());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFramesPerRun, benchmark::Counter::kIsRate);
}

void BM_EncoderH264_720p(benchmark::State& state) { Encode(state, ".mp4", false); }
void BM_EncoderVp9_720p(benchmark::State& state) { Encode(state, ".webm", false); }
void BM_RenderH264WithSound_720p(benchmark::State& state) { Encode(state, ".mp4", true); }

}  // namespace

BENCHMARK(BM_Engine720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_EncoderH264_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(2);
BENCHMARK(BM_EncoderVp9_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);
BENCHMARK(BM_RenderH264WithSound_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(2);
BENCHMARK_MAIN();
