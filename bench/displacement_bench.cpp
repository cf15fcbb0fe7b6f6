// The displacement step against a streaming pass over the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "pixels/cpu_features.h"
#include "pixels/frame_ops.h"
#include "transform/transform.h"

namespace {

struct Sizes {
    int width, height;
};
constexpr Sizes kSizes[] = {{640, 480}, {1024, 768}, {1920, 1080}};

// A slow inward spiral: what a typical scene's map looks like.
struct SpiralFixture {
    Transform map;
    std::vector<uint32_t> source, destination;
    SpiralFixture(int w, int h) : source((h + 1) * w + 1), destination(w * h) {
        map.Init(w, h);
        const double cx = w * 0.5, cy = h * 0.5;
        for (int n = 0; n < w * h; ++n) {
            const double dx = n % w - cx, dy = n / w - cy;
            const double r = std::sqrt(dx * dx + dy * dy) * 0.97;
            const double a = std::atan2(dy, dx) + 0.03;
            map.SetEntry(n, cx + r * std::cos(a), cy + r * std::sin(a));
        }
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    }
    DisplacementJob Job() {
        return {destination.data(), source.data(), map.sourceOffsets, map.weights, map.pixelCount, map.width, false};
    }
};

void Run(benchmark::State& state, void (*step)(const DisplacementJob&), int sizeIndex) {
    const Sizes s = kSizes[sizeIndex];
    SpiralFixture f(s.width, s.height);
    const DisplacementJob job = f.Job();
    for (auto _ : state) {
        step(job);
        benchmark::DoNotOptimize(f.destination.data());
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(s.width) * s.height;
    // Seconds per pixel; the console shows it with its unit (e.g. "1.6ns").
    state.counters["per_pixel"] =
        benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Reads offsets, weights and the source in order and writes the destination:
// the memory traffic of the step with none of its scattered reads.
void Streaming(const DisplacementJob& job) {
    const uint32_t* w = reinterpret_cast<const uint32_t*>(job.weights);
    for (int i = 0; i < job.pixelCount; ++i)
        job.destination[i] = job.source[i] ^ w[i] ^ static_cast<uint32_t>(job.sourceOffsets[i]);
}

struct Path {
    const char* name;
    void (*step)(const DisplacementJob&);
};
// Sse2 and Avx2 only run where the processor has them; Chosen is the path
// the frame uses on this machine.
constexpr Path kPaths[] = {{"Reference", ApplyDisplacementReference},
                           {"Mmx", ApplyDisplacementMmx},
                           {"MmxPrefetch", ApplyDisplacementMmxPrefetch},
                           {"Sse2", ApplyDisplacementSse2},
                           {"Avx2", ApplyDisplacementAvx2},
                           {"Chosen", ApplyDisplacement},
                           {"Streaming", Streaming}};

// Names read Displacement/<path>/<width>x<height>.
const int registered = [] {
    for (int size = 0; size < 3; ++size) {
        for (const Path& p : kPaths) {
            if (p.step == ApplyDisplacementSse2 && !FeatureHasSse2(CpuFeatureWord())) continue;
            if (p.step == ApplyDisplacementAvx2 && !CpuHasAvx2()) continue;
            const std::string name = std::string("Displacement/") + p.name + "/" +
                                     std::to_string(kSizes[size].width) + "x" + std::to_string(kSizes[size].height);
            benchmark::RegisterBenchmark(name.c_str(), Run, p.step, size)->Unit(benchmark::kMicrosecond);
        }
    }
    return 0;
}();

}  // namespace
