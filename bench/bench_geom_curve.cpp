// Evaluation of a traced line: the live curve is evaluated on every mouse move.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "geom/evaluate.h"

namespace {

std::vector<rz::Node> TracedLine(int n) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> step(300, 700), turn(-0.25f, 0.25f);
    std::vector<rz::Node> nodes;
    float x = 0, y = 0, a = 0;
    for (int i = 0; i < n; ++i) {
        nodes.push_back({x, y, i % 97 == 50 ? rz::kNodeBreak : 0u});
        a += turn(rng);
        float s = step(rng);
        x += s * std::cos(a);
        y += s * std::sin(a);
    }
    return nodes;
}

void BM_EvaluateLine500(benchmark::State& state) {
    rz::TSmooth smooth;
    const std::vector<rz::Node> nodes = TracedLine(500);
    uint32_t flags = uint32_t(state.range(0)) << rz::lineflag::kCurveShift;
    rz::Polyline out;
    for (auto _ : state) {
        std::vector<rz::Node> work = nodes;
        bool ok = rz::EvaluateLine(smooth, work, flags, out);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["points"] = double(out.size());
}
BENCHMARK(BM_EvaluateLine500)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The evaluator alone, without the simplification that follows it.
void BM_EvaluateNodes500(benchmark::State& state) {
    rz::TSmooth smooth;
    const std::vector<rz::Node> nodes = TracedLine(500);
    for (auto _ : state) {
        std::vector<rz::Node> work = nodes;
        rz::Polyline out = smooth.EvaluateNodes(work, int(state.range(0)), 0);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_EvaluateNodes500)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

// Quick draw of a 200-node traced line (re-fit, thinning, spacing pass and evaluation).
void BM_QuickDraw200(benchmark::State& state) {
    rz::TSmooth smooth;
    const std::vector<rz::Node> nodes = TracedLine(200);
    for (auto _ : state) {
        std::vector<rz::Node> work = nodes;
        uint32_t flags = uint32_t(rz::kCurveInterpolating) << rz::lineflag::kCurveShift;
        rz::Polyline out;
        bool ok = smooth.QuickDraw(work, flags, out);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_QuickDraw200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
