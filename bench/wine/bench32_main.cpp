// The 32-bit benchmark, run under Wine: the engine exactly as the DLL builds
// it (x87 doubles at 53-bit precision, run-time SIMD choice), without a screen.
//   1. the displacement paths against a streaming pass over the same bytes;
//   2. YUV compose against memcpy of the same bytes;
//   3. map generation of all 15 transforms, now and as first written;
//   4. scene changes: for every transform, the worst frame from the change until the new map is in use
//      of a real Choose against the steady frame before it.
// Every figure is a median of repeated runs; compare ratios, not times.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "../../tests/unit/transform_oracle.h"
#include "host/x87_precision.h"
#include "pixels/compose.h"
#include "pixels/cpu_features.h"
#include "pixels/frame_ops.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/scene_display.h"
#include "transform/transform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The fastest of the runs: on a shared machine preemption only ever adds time.
template <typename F>
double FastestMs(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point a = Clock::now();
        f();
        best = std::min(best, Seconds(a, Clock::now()) * 1e3);
    }
    return best;
}

template <typename F>
double MedianMs(int runs, F f) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point a = Clock::now();
        f();
        t.push_back(Seconds(a, Clock::now()) * 1e3);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{640, 480}, {1920, 1080}};

// --- 1. displacement

void Streaming(const DisplacementJob& job) {
    const uint32_t* w = reinterpret_cast<const uint32_t*>(job.weights);
    for (int i = 0; i < job.pixelCount; ++i)
        job.destination[i] = job.source[i] ^ w[i] ^ static_cast<uint32_t>(job.sourceOffsets[i]);
}

void BenchDisplacement() {
    std::printf("\n== displacement, ms per frame (fastest of 25); a slow inward spiral map\n");
    struct Path {
        const char* name;
        DisplacementStep step;
        bool available;
    };
    const uint32_t f = CpuFeatureWord();
    const Path paths[] = {{"Reference", ApplyDisplacementReference, true},
                          {"Mmx", ApplyDisplacementMmx, FeatureHasMmx(f)},
                          {"MmxPrefetch", ApplyDisplacementMmxPrefetch, FeatureHasSse(f)},
                          {"Sse2", ApplyDisplacementSse2, FeatureHasSse2(f)},
                          {"Avx2", ApplyDisplacementAvx2, CpuHasAvx2()},
                          {"Chosen", ChooseDisplacementStep(), true},
                          {"Streaming", Streaming, true}};
    for (const Size s : kSizes) {
        Transform map;
        int lock = 3;
        map.lockedTransform = &lock;
        map.Init(s.width, s.height);
        const double cx = s.width * 0.5, cy = s.height * 0.5;
        for (int n = 0; n < s.width * s.height; ++n) {
            const double dx = n % s.width - cx, dy = n / s.width - cy;
            const double r = std::sqrt(dx * dx + dy * dy) * 0.97;
            const double a = std::atan2(dy, dx) + 0.03;
            map.SetEntry(n, cx + r * std::cos(a), cy + r * std::sin(a));
        }
        std::vector<uint32_t> source(FrameBufferPixels(s.width, s.height)), out(s.width * s.height);
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
        const DisplacementJob job{out.data(), source.data(), map.sourceOffsets, map.weights,
                                  map.pixelCount, map.width, false};
        double reference = 0, chosen = 0, streaming = 0, mmxPrefetch = 0;
        for (const Path& p : paths) {
            if (!p.available) continue;
            const double ms = FastestMs(25, [&] { p.step(job); });
            std::printf("%-12s %4dx%-4d %8.3f\n", p.name, s.width, s.height, ms);
            if (p.step == ApplyDisplacementReference) reference = ms;
            if (p.step == ApplyDisplacementMmxPrefetch) mmxPrefetch = ms;
            if (p.step == Streaming) streaming = ms;
            if (std::strcmp(p.name, "Chosen") == 0) chosen = ms;
        }
        std::printf("  reference / chosen %.2fx   chosen / streaming %.2fx   mmx+prefetch / streaming %.2fx\n",
                    reference / chosen, chosen / streaming, mmxPrefetch / streaming);
    }
}

// --- 2. compose

void BenchCompose() {
    std::printf("\n== YUV compose at 640x480, ms (fastest of 51), against memcpy of the frame's bytes\n");
    const int w = 640, h = 480;
    std::vector<uint32_t> frame(w * h);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    std::vector<uint8_t> target(static_cast<size_t>(w) * h * 4 + 16);
    const double memcpyMs = FastestMs(51, [&] { memcpy(target.data(), frame.data(), static_cast<size_t>(w) * h * 4); });
    for (int format : {kComposeUyvy, kComposeYuy2}) {
        const ComposeJob job{frame.data(), w, h, target.data(), 2 * w, format};
        const double mmx = FastestMs(51, [&] { ComposeMmx(job); });
        const double chosen = FastestMs(51, [&] { ComposeFrame(job); });
        std::printf("%s  mmx %.3f  chosen %.3f  memcpy %.3f   chosen / memcpy %.2fx\n",
                    format == kComposeUyvy ? "UYVY" : "YUY2", mmx, chosen, memcpyMs, chosen / memcpyMs);
    }
}

// --- 3. generation

void BenchGeneration() {
    std::printf("\n== map generation, ms (median of 3): SSE2 rows | x87 rows | as first written (x87) | ratios\n");
    for (const Size s : kSizes) {
        Transform t;
        int lock = 3;
        t.lockedTransform = &lock;
        t.Init(s.width, s.height);
        for (int index = 0; index < kTransformCount; ++index) {
            auto generate = [&] {
                SeedRandom(20261207u);
                t.currentIndex = index;
                t.Generate();
            };
            t.sse2Rows = false;
            const double x87 = MedianMs(3, generate);
            t.sse2Rows = FeatureHasSse2(CpuFeatureWord());
            const double now = MedianMs(3, generate);
            const double first = MedianMs(3, [&] {
                SeedRandom(20261207u);
                oracle::Generate(t, index);
            });
            std::printf("%2d %-30s %4dx%-4d %8.2f %8.2f %8.2f   %5.2fx %5.2fx\n", index, kTransformNames[index],
                        s.width, s.height, now, x87, first, first / now, first / x87);
        }
    }
}

// --- 4. scene changes

class BenchDisplay : public SceneDisplay {
public:
    BenchDisplay(int w, int h) { AllocateFrameBuffers(w, h); }
    ~BenchDisplay() override {
        delete transform;
        FreeFrameBuffers();
    }
    int QueryPlayPosition() override { return position += 23; }
    int QueryPlaylistIndex() override { return 0; }
    const char* QueryTitle(int) override { return "Bench"; }
    int position = 0;
};

// Frames from a change on that can differ from a steady one: the choice, the
// generation's frames and the first with the new map.
constexpr int kWindow = kGenerationFramesSmall + 3;

// The dearest frame's share of a spread generation, in ms: every
// ContinueGeneration of one map timed alone, each at its fastest over the
// trials (preemption only adds time), the slowest of them. A load that
// scatters whole frames barely touches this figure.
double GenerationChunkMs(int index, const Size& s) {
    constexpr int kTrials = 5;
    std::vector<double> fastest;
    Transform t;
    int lock = 3;
    t.lockedTransform = &lock;
    t.Init(s.width, s.height);
    t.ContinueGeneration();
    lock = index;
    for (int k = 0; k < kTrials; ++k) {
        SeedRandom(20261207u + k);
        t.Choose(0);
        for (int i = 0; t.GenerationPending(); ++i) {
            const Clock::time_point a = Clock::now();
            t.ContinueGeneration();
            const double ms = Seconds(a, Clock::now()) * 1e3;
            if (i >= static_cast<int>(fastest.size())) fastest.push_back(1e30);
            fastest[i] = std::min(fastest[i], ms);
        }
    }
    return *std::max_element(fastest.begin(), fastest.end());
}

void BenchSceneChanges() {
    std::printf("\n== scene changes: frame = scene step + compose (32-bit RGB) + flip\n");
    std::printf("   steady = median of 20 frames before the change, worst = the slowest of the %d frames from the\n",
                kWindow);
    std::printf("   change on (the map's generation and its first use), each frame position at its fastest over\n");
    std::printf("   7 trials; steady before / after (new map\n");
    std::printf("   in use); ratio = worst / the larger steady; chunk = the dearest frame's generation alone (ms)\n");
    uint8_t spectrum[2 * kAudioSamples], waveform[2 * kAudioSamples];
    for (int i = 0; i < 2 * kAudioSamples; ++i) {
        spectrum[i] = static_cast<uint8_t>(200 - (i % kAudioSamples) / 3);
        waveform[i] = static_cast<uint8_t>(static_cast<int>(100.0 * std::sin(i * 0.07)) ^ 0x80);
    }
    for (const Size s : kSizes) {
        BenchDisplay display(s.width, s.height);
        Scene scene(&display);
        display.transform = new Transform;
        scene.lockedRenderer = 0;
        scene.lockedTransform = 3;
        display.transform->lockedTransform = &scene.lockedTransform;
        display.transform->Init(s.width, s.height);
        scene.framesPerScene = -1;
        scene.Start();
        std::vector<uint8_t> surface(static_cast<size_t>(s.width + 1) * s.height * 4);
        auto frame = [&] {
            const Clock::time_point a = Clock::now();
            scene.Frame(spectrum, waveform);
            const ComposeJob job{display.frameBuffer, s.width, s.height, surface.data(), (s.width + 1) * 4,
                                 kCompose32};
            ComposeFrame(job);
            display.SwapFrameBuffers();
            return Seconds(a, Clock::now()) * 1e3;
        };
        // One trial: the median of 20 steady frames, then the worst of the
        // kWindow frames from the change on (a change with index -1 is none: the
        // control, which shows what the machine's load alone does).
        auto trial = [&](int index, double* steadyMs, std::vector<double>* times, int* framesToMap,
                         double* steadyAfterMs) {
            for (int i = 0; i < 10; ++i) frame();  // settle, let any generation finish
            display.transform->FinishGeneration();
            std::vector<double> steady;
            for (int i = 0; i < 20; ++i) steady.push_back(frame());
            std::sort(steady.begin(), steady.end());
            *steadyMs = steady[steady.size() / 2];
            if (index >= 0) {
                // The automatic switch inside the next Frame: a real Choose.
                scene.lockedTransform = index;
                scene.framesPerScene = scene.frameCounter;
            }
            *framesToMap = -1;
            for (int i = 0; i < kWindow; ++i) {
                times->push_back(frame());
                scene.framesPerScene = -1;
                if (*framesToMap < 0 && !display.transform->GenerationPending()) *framesToMap = i;
            }
            // The new scene's own steady frame, once its map is in use.
            for (int i = kWindow; i < 2000 && display.transform->GenerationPending(); ++i) {
                frame();
                if (!display.transform->GenerationPending()) *framesToMap = i;
            }
            std::vector<double> after;
            for (int i = 0; i < 20; ++i) after.push_back(frame());
            std::sort(after.begin(), after.end());
            *steadyAfterMs = after[after.size() / 2];
        };
        // The machine is shared: a frame that the system preempts takes far
        // longer than its work. Preemption only ever adds time, so each frame
        // position after the change is taken as its fastest over the trials,
        // and the steady frame as the fastest trial's median.
        constexpr int kTrials = 7;
        double worstRatio = 0, worstChunkRatio = 0;
        for (int index = -1; index < kTransformCount; ++index) {
            std::vector<double> fastest(kWindow, 1e30);
            double steadyMs = 1e30, steadyAfterMs = 1e30;
            int framesToMap = 0;
            for (int k = 0; k < kTrials; ++k) {
                double trialSteady, trialAfter;
                std::vector<double> times;
                trial(index, &trialSteady, &times, &framesToMap, &trialAfter);
                steadyMs = std::min(steadyMs, trialSteady);
                steadyAfterMs = std::min(steadyAfterMs, trialAfter);
                for (int i = 0; i < kWindow; ++i) fastest[i] = std::min(fastest[i], times[i]);
            }
            const auto worstAt = std::max_element(fastest.begin(), fastest.end());
            const double worstMs = *worstAt;
            // Against the steadier of the two scenes: a new map may simply cost
            // more to apply every frame, which is no hitch.
            const double steadier = std::max(steadyMs, steadyAfterMs);
            const double ratio = worstMs / steadier;
            const double chunkMs = index >= 0 ? GenerationChunkMs(index, s) : 0.0;
            if (index >= 0) worstRatio = std::max(worstRatio, ratio);
            if (index >= 0) worstChunkRatio = std::max(worstChunkRatio, (steadier + chunkMs) / steadier);
            std::printf("%2d %-30s %4dx%-4d steady %6.3f / %6.3f  worst %7.3f (frame %2d)  ratio %5.2fx  new map after"
                        " %d frames  chunk %6.3f  steady+chunk %5.2fx\n",
                        index, index >= 0 ? kTransformNames[index] : "(no change: the machine alone)", s.width,
                        s.height, steadyMs, steadyAfterMs, worstMs, static_cast<int>(worstAt - fastest.begin()), ratio,
                        framesToMap, chunkMs, (steadier + chunkMs) / steadier);
        }
        std::printf("  worst ratio at %dx%d: %.2fx; steady + dearest generation chunk: %.2fx\n", s.width, s.height,
                    worstRatio, worstChunkRatio);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // As the DLL computes: 53-bit x87 precision, round to nearest.
    PluginPrecision precision;
    const char* only = argc > 1 ? argv[1] : "";
    std::printf("velune 32-bit bench; CPU: sse2 %d, avx2 %d\n", FeatureHasSse2(CpuFeatureWord()) ? 1 : 0,
                CpuHasAvx2() ? 1 : 0);
    if (!*only || strstr(only, "displacement")) BenchDisplacement();
    if (!*only || strstr(only, "compose")) BenchCompose();
    if (!*only || strstr(only, "generation")) BenchGeneration();
    if (!*only || strstr(only, "scene")) BenchSceneChanges();
    return 0;
}
