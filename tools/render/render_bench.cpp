// How much faster than the song plays a music video renders: whole renders
// as the tool makes them (engine, pipeline, H.264 at the default preset and
// quality, AAC sound), timed on the wall clock, as "x_real_time". Then what
// limits a 1280x720 render: the engine's frames per second (audio analysis,
// scene step) and the encoder's (colour conversion, encoding, muxing),
// measured apart on the same frames; those fps counters are per second of
// CPU time of all the process's threads, which a shared machine disturbs far
// less than the wall clock.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "render_display.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "video_pipeline.h"
#include "video_writer.h"
#include "yuv420_convert.h"

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
    Engine(int width = kWidth, int height = kHeight, int fps = kFps)
        : display(width, height, Songs(), fps), scene(&display) {
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

double ProcessCpuSeconds() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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

// Four seconds of video per iteration, rendered as velune-render does.
void Render(benchmark::State& state) {
    av_log_set_level(AV_LOG_ERROR);
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const int fps = static_cast<int>(state.range(2));
    const int frames = 4 * fps;
    VideoSettings settings;
    settings.path = OutputPath(".mp4");
    settings.width = width;
    settings.height = height;
    settings.fps = fps;
    int64_t bytes = 0;
    double wall = 0.0, cpu = 0.0;
    for (auto _ : state) {
        state.PauseTiming();  // the first map of the first scene is not per-frame work
        Engine engine(width, height, fps);
        state.ResumeTiming();
        const double cpuStart = ProcessCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        VideoWriter writer;
        VideoPipeline pipeline(writer, 4);
        std::string error;
        bool ok = writer.Open(settings, Songs(), {}, &error) && pipeline.Start(&error);
        for (int i = 0; ok && i < frames; ++i) ok = pipeline.Push(engine.Step(), &error);
        if (!ok || !pipeline.Drain(&error) || !writer.Finish(&error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        cpu += ProcessCpuSeconds() - cpuStart;
        FILE* f = std::fopen(settings.path.c_str(), "rb");
        if (f != nullptr && std::fseek(f, 0, SEEK_END) == 0) bytes = std::ftell(f);
        if (f != nullptr) std::fclose(f);
    }
    std::remove(settings.path.c_str());
    const double video = static_cast<double>(state.iterations()) * 4.0;
    state.counters["x_real_time"] = video / wall;
    // CPU seconds of all threads per second of video: the factor an idle
    // machine with N cores reaches is at most N divided by this.
    state.counters["cpu_per_s"] = cpu / video;
    state.counters["MB_per_min"] = static_cast<double>(bytes) / 1e6 * 60.0 / 4.0;
}

// The 4:2:0 conversion of a 1920x1080 frame: ours, and swscale's SIMD path
// with the flags the tool used before.
void BM_Yuv420Ours_1080p(benchmark::State& state) {
    const int w = 1920, h = 1080;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    std::vector<uint8_t> y(static_cast<size_t>(w) * h), u(y.size() / 4), v(y.size() / 4);
    for (auto _ : state) {
        ConvertToYuv420(pixels.data(), w, h, Yuv420Planes{y.data(), u.data(), v.data(), w, w / 2, w / 2});
        benchmark::DoNotOptimize(y.data());
    }
}

void BM_Yuv420Swscale_1080p(benchmark::State& state) {
    const int w = 1920, h = 1080;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    ff::Scaler scaler(sws_getContext(w, h, AV_PIX_FMT_BGR0, w, h, AV_PIX_FMT_YUV420P,
                                     SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    std::vector<uint8_t> y(static_cast<size_t>(w) * h), u(y.size() / 4), v(y.size() / 4);
    uint8_t* planes[3] = {y.data(), u.data(), v.data()};
    const int strides[3] = {w, w / 2, w / 2};
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(pixels.data())};
    const int sourceStride[1] = {4 * w};
    for (auto _ : state) {
        sws_scale(scaler.get(), source, sourceStride, 0, h, planes, strides);
        benchmark::DoNotOptimize(y.data());
    }
}

void BM_EncoderH264_720p(benchmark::State& state) { Encode(state, ".mp4", false); }
void BM_EncoderVp9_720p(benchmark::State& state) { Encode(state, ".webm", false); }
void BM_RenderH264WithSound_720p(benchmark::State& state) { Encode(state, ".mp4", true); }

}  // namespace

BENCHMARK(Render)
    ->Args({1280, 720, 30})
    ->Args({1920, 1080, 30})
    ->Args({1920, 1080, 60})
    ->Args({3840, 2160, 30})
    ->ArgNames({"w", "h", "fps"})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Yuv420Ours_1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Yuv420Swscale_1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_EncoderH264_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(2);
BENCHMARK(BM_EncoderVp9_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);
BENCHMARK(BM_RenderH264WithSound_720p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(2);
BENCHMARK_MAIN();
