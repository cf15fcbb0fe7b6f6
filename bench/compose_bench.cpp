// Per-frame cost of each compose format against a memcpy of the frame's bytes
// in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "pixels/compose.h"

namespace {

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{640, 480}, {1920, 1080}};

// A frame of busy pixels and a surface big enough for any format's rows.
struct Fixture {
    std::vector<uint32_t> frame;
    std::vector<uint8_t> target;
    explicit Fixture(Size s)
        : frame(static_cast<size_t>((s.height + 1) * s.width + 1)),
          target(static_cast<size_t>((s.width + 1) * 4 + 8) * s.height) {
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint32_t>(i * 2654435761u);
    }
};

void SetCounters(benchmark::State& state, Size s) {
    state.counters["ns_per_pixel"] = benchmark::Counter(static_cast<double>(s.width) * s.height * state.iterations() * 1e-9,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void RunCompose(benchmark::State& state, Size s, void (*convert)(const ComposeJob&), int format) {
    Fixture f(s);
    const int bytesPerPixel[] = {4, 3, 2, 2, 2, 2};
    // A surface one pixel wider than the frame, rows 8-byte aligned.
    const int pitch = format >= kComposeUyvy ? 2 * s.width : ((s.width + 1) * bytesPerPixel[format] + 7) & ~7;
    const ComposeJob job{f.frame.data(), s.width, s.height, f.target.data(), pitch, format};
    for (auto _ : state) {
        convert(job);
        benchmark::DoNotOptimize(f.target.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, s);
}

void RunMemcpy(benchmark::State& state, Size s) {
    Fixture f(s);
    const size_t bytes = static_cast<size_t>(s.width) * s.height * 4;
    for (auto _ : state) {
        memcpy(f.target.data(), f.frame.data(), bytes);
        benchmark::DoNotOptimize(f.target.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, s);
}

const char* const kFormatNames[] = {"Rgb32", "Rgb24", "Rgb565", "Rgb555", "Uyvy", "Yuy2"};

std::string SizeName(Size s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// Compose/<format>/<W>x<H> is the MMX path; ComposeSse2/... the path the DLL
// takes where the processor has SSE2, ComposeAvx2/... its YUV where AVX2 is
// usable; ComposeReference/... the plain C++ one; Compose/Memcpy/<W>x<H> the
// yardstick.
const int registered = [] {
    for (const Size size : kSizes) {
        const std::string dims = SizeName(size);
        benchmark::RegisterBenchmark(("Compose/Memcpy/" + dims).c_str(), RunMemcpy, size)
            ->Unit(benchmark::kMicrosecond);
        for (int format = kCompose32; format <= kComposeYuy2; ++format) {
            benchmark::RegisterBenchmark(("Compose/" + std::string(kFormatNames[format]) + "/" + dims).c_str(),
                                         RunCompose, size, ComposeMmx, format)
                ->Unit(benchmark::kMicrosecond);
        }
        for (int format = kCompose32; format <= kComposeYuy2; ++format) {
            benchmark::RegisterBenchmark(("ComposeSse2/" + std::string(kFormatNames[format]) + "/" + dims).c_str(),
                                         RunCompose, size, ComposeSse2, format)
                ->Unit(benchmark::kMicrosecond);
        }
        for (int format = kComposeUyvy; format <= kComposeYuy2 && CpuHasAvx2(); ++format) {
            benchmark::RegisterBenchmark(("ComposeAvx2/" + std::string(kFormatNames[format]) + "/" + dims).c_str(),
                                         RunCompose, size, ComposeAvx2, format)
                ->Unit(benchmark::kMicrosecond);
        }
        for (int format = kCompose32; format <= kComposeYuy2; ++format) {
            benchmark::RegisterBenchmark(
                ("ComposeReference/" + std::string(kFormatNames[format]) + "/" + dims).c_str(), RunCompose,
                size, ComposeReference, format)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return 0;
}();

}  // namespace
