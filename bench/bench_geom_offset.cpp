// One-sided offset of a large outline with loop removal (seam allowances, margin polylines).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "geom/polyline.h"

namespace {

// A closed outline of n points: an elongated oval with small ripples, so that an offset to
// the inside makes many small loops.
rz::Polyline Outline(int n, double ripple) {
    rz::Polyline p;
    for (int i = 0; i < n; ++i) {
        double t = 2 * std::numbers::pi * i / n;
        double r = 1.0 + ripple * std::sin(120 * t);
        p.push_back({float(14000 * r * std::cos(t)), float(5000 * r * std::sin(t))});
    }
    p.push_back(p.front());
    return p;
}

void BM_Offset5000(benchmark::State& state) {
    const rz::Polyline base = Outline(5000, state.range(0) / 1000.0);
    float d = float(state.range(1));
    size_t kept = 0;
    for (auto _ : state) {
        rz::Polyline p = base;
        rz::PolyOffset(p, d, true);
        kept = p.size();
        benchmark::DoNotOptimize(p.data());
    }
    state.counters["kept"] = double(kept);
}
// ripple in thousandths, offset in units; counter-clockwise, so negative offsets go inside
BENCHMARK(BM_Offset5000)->Args({0, 500})->Args({20, -500})->Args({20, 500})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
