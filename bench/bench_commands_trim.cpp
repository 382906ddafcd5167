// 修剪 and 打断 on a crowded part: 200 lines of 500 points, half running across and half up,
// every line crossing every line of the other half.
#include <benchmark/benchmark.h>

#include <cmath>

#include "commands/edit_ops.h"
#include "geom/polyline.h"
#include "geom/smooth.h"
#include "model/afterload.h"

namespace {

constexpr int kLines = 200;
constexpr int kPoints = 500;

std::vector<std::unique_ptr<rz::Line>> Lines(const rz::TSmooth& smooth) {
    std::vector<std::unique_ptr<rz::Line>> v;
    for (int k = 0; k < kLines; ++k) {
        auto l = std::make_unique<rz::Line>();
        l->flags = uint32_t(rz::kCurvePolyline) << rz::kLineMethodShift;
        bool across = k % 2 == 0;
        float at = 500.0f + float(k / 2) * 200.0f;
        for (int i = 0; i < kPoints; ++i) {
            float t = float(i) * 40.0f;  // 20000 units long
            float wave = 60.0f * std::sin(float(i) * 0.3f + float(k));
            l->nodes.push_back(across ? rz::Node{t, at + wave, 0} : rz::Node{at + wave, t, 0});
        }
        rz::EvaluateLineRecord(*l, smooth);
        v.push_back(std::move(l));
    }
    return v;
}

std::vector<const rz::Polyline*> Others(const std::vector<std::unique_ptr<rz::Line>>& v, const rz::Line* self) {
    std::vector<const rz::Polyline*> o;
    for (auto& l : v)
        if (l.get() != self) o.push_back(&l->eval);
    return o;
}

// Trims the middle piece of one line against the 199 others.
void BM_TrimOneOf200(benchmark::State& state) {
    rz::TSmooth smooth;
    auto lines = Lines(smooth);
    const rz::Line& target = *lines[100];
    size_t pieces = 0;
    for (auto _ : state) {
        rz::Line l = target;
        std::vector<float> at;
        for (auto& c : rz::CrossingsOf(l.eval, Others(lines, &target))) at.push_back(c.s);
        auto r = rz::TrimLine(l, at, rz::PolyLength(l.eval) / 2, smooth);
        pieces += at.size() + (r.after ? 1 : 0);
        benchmark::DoNotOptimize(l.nodes.data());
    }
    state.counters["crossings"] = double(pieces) / double(state.iterations());
}
BENCHMARK(BM_TrimOneOf200)->Unit(benchmark::kMillisecond);

// A stroke across all 200 lines breaks each of them at the crossing.
void BM_BreakStrokeAcross200(benchmark::State& state) {
    rz::TSmooth smooth;
    auto lines = Lines(smooth);
    rz::Polyline stroke{{0, 0}, {20500, 20500}};
    size_t made = 0;
    for (auto _ : state) {
        for (auto& src : lines) {
            rz::Line l = *src;
            std::vector<float> at;
            for (auto& c : rz::CrossingsOf(l.eval, {&stroke})) at.push_back(c.s);
            made += rz::BreakLine(l, at, smooth).size();
        }
    }
    state.counters["pieces"] = double(made) / double(state.iterations());
}
BENCHMARK(BM_BreakStrokeAcross200)->Unit(benchmark::kMillisecond);

// Every line broken at its crossings with every other line (the heaviest case).
void BM_BreakEachAtAllCrossings(benchmark::State& state) {
    rz::TSmooth smooth;
    auto lines = Lines(smooth);
    size_t made = 0;
    for (auto _ : state) {
        for (auto& src : lines) {
            rz::Line l = *src;
            std::vector<float> at;
            for (auto& c : rz::CrossingsOf(l.eval, Others(lines, src.get()))) at.push_back(c.s);
            made += rz::BreakLine(l, at, smooth).size();
        }
    }
    state.counters["pieces"] = double(made) / double(state.iterations());
}
BENCHMARK(BM_BreakEachAtAllCrossings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
