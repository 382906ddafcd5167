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

// Open lines of n points whose offset makes a loop at almost every point: a zigzag 30 mm high
// with a tooth every 0.2 mm, and needles 30 mm long whose boxes all overlap (tangled input no
// pattern maker draws, to show the bound on the work).
rz::Polyline Zigzag(int n) {
    rz::Polyline p;
    for (int i = 0; i < n; ++i) p.push_back({20.0f * i, (i % 2) ? 3000.0f : 0.0f});
    return p;
}
rz::Polyline Needles(int n) {
    rz::Polyline p;
    for (int i = 0; i < n; ++i) {
        float x = 0.5f * float(i / 2);
        p.push_back(i % 2 ? rz::PointF{x + 3000.0f, 3000.0f} : rz::PointF{x, 0.0f});
    }
    return p;
}

void OffsetOpen(benchmark::State& state, const rz::Polyline& base, float d) {
    size_t kept = 0;
    for (auto _ : state) {
        rz::Polyline p = base;
        rz::PolyOffset(p, d, true);
        kept = p.size();
        benchmark::DoNotOptimize(p.data());
    }
    state.counters["kept"] = double(kept);
}

// Margin 5 mm on the zigzag: targets 30 ms for 60,000 points and 100 ms for 200,000.
void BM_OffsetZigzag(benchmark::State& state) { OffsetOpen(state, Zigzag(int(state.range(0))), 500.0f); }
BENCHMARK(BM_OffsetZigzag)->Arg(5000)->Arg(20000)->Arg(60000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_OffsetNeedles(benchmark::State& state) { OffsetOpen(state, Needles(int(state.range(0))), 500.0f); }
BENCHMARK(BM_OffsetNeedles)->Arg(5000)->Arg(60000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
