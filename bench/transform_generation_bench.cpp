// Generation time of every transform's map, beside the generators as first
// written (the oracle the maps are checked against) in the same run.
#include <benchmark/benchmark.h>

#include <cctype>
#include <string>

#include "../tests/unit/transform_oracle.h"
#include "scene/random.h"
#include "transform/transform.h"

namespace {

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{640, 480}, {1920, 1080}};

void Generate(benchmark::State& state, int index, Size size, bool asFirstWritten) {
    Transform transform;
    transform.Init(size.width, size.height);
    for (auto _ : state) {
        // The same parameters on every run, so timings compare across changes.
        SeedRandom(20261207u);
        transform.currentIndex = index;
        if (asFirstWritten) oracle::Generate(transform, index);
        else transform.Generate();
        benchmark::DoNotOptimize(transform.sourceOffsets);
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(size.width) * size.height;
    state.counters["ns_per_pixel"] =
        benchmark::Counter(pixels * state.iterations() * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

std::string CompactName(const char* name) {
    std::string out;
    for (const char* c = name; *c != '\0'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) out += *c;
    return out;
}

// Names read TransformGeneration/<index>_<Name>/<width>x<height>/{Now,FirstWritten}.
const int registered = [] {
    for (const Size size : kSizes) {
        for (int index = 0; index < kTransformCount; ++index) {
            const std::string name = "TransformGeneration/" + std::to_string(index) + "_" +
                                     CompactName(kTransformNames[index]) + "/" + std::to_string(size.width) + "x" +
                                     std::to_string(size.height);
            for (bool first : {false, true})
                benchmark::RegisterBenchmark((name + (first ? "/FirstWritten" : "/Now")).c_str(), Generate, index,
                                             size, first)
                    ->Unit(benchmark::kMillisecond);
        }
    }
    return 0;
}();

}  // namespace
