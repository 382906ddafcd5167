// Reading, writing and copying large designs.
#include <benchmark/benchmark.h>

#include "model/afterload.h"
#include "model/design.h"
#include "model/sample.h"
#include "model/settings.h"
#include "model/xie.h"

namespace {

// ≈30 MB: 2,000 parts × 10 lines × 50 nodes, 100 pins and 50 motifs per part.
rz::Design& BigDesign() {
    static rz::Design d;
    static bool built = false;
    if (!built) {
        rz::BuildLargeDesign(d, 2000, 10, 50, 100, 50);
        built = true;
    }
    return d;
}

void BM_WriteLargePattern(benchmark::State& state) {
    rz::Design& d = BigDesign();
    size_t bytes = 0;
    for (auto _ : state) {
        auto out = rz::WriteXie(d);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_WriteLargePattern)->Unit(benchmark::kMillisecond);

// The reader proper, and the reader with every line evaluated as a load does.
void BM_ReadLargePattern(benchmark::State& state) {
    auto bytes = rz::WriteXie(BigDesign());
    rz::Settings settings;
    const bool evaluate = state.range(0) != 0;
    for (auto _ : state) {
        rz::Design d;
        auto r = rz::ReadXie(bytes, d, settings, nullptr, nullptr, nullptr, evaluate);
        benchmark::DoNotOptimize(r.ok);
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
// CPU time counts every thread: the evaluation is shared out over the cores.
BENCHMARK(BM_ReadLargePattern)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The evaluation alone, as the after-load steps run it, on one thread and on one per core (the
// lines keep the storage of their polylines from the previous round).
void BM_EvaluateAllLines(benchmark::State& state) {
    rz::Design& d = BigDesign();
    const rz::TSmooth smooth;
    for (auto _ : state) {
        rz::EvaluateAllLines(d, smooth, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(d.parts.data());
    }
}
BENCHMARK(BM_EvaluateAllLines)->Arg(1)->Arg(0)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 20,000 lines of 50 nodes plus a base point per part: the copy behind every undo step.
void BM_DeepCopy20k(benchmark::State& state) {
    static rz::Design src;
    if (src.parts.size() < 2) rz::BuildLargeDesign(src, 2000, 10, 50, 0, 0);
    rz::Design dst;
    for (auto _ : state) {
        dst.copyFrom(src);
        benchmark::DoNotOptimize(dst.parts.data());
    }
}
BENCHMARK(BM_DeepCopy20k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
