// Snapping and picking at the cursor on every mouse move: 2,000 lines of 100 points each
// (200,000 points) on one page, every snap switch on, then a pick of every element kind.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "interact/engine.h"
#include "interact/pick.h"
#include "interact/snap.h"

namespace {

struct Scene {
    rz::HeadlessPlatform platform;
    rz::TDoc doc{platform};
    rz::ViewState vs;
    std::vector<rz::PixelPoint> cursors;
    rz::GeomIndex index;

    Scene() {
        rz::MakeSurfaces(vs, 1600, 1000, {45720, 30480}, {45720, 30480}, {45720, 30480});
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> x(0, 45720), y(0, 30480), a(0, 6.2831853f);
        auto& parts = doc.design.parts;
        for (int pi = 0; pi < 20; ++pi) {
            if (pi > 0) parts.push_back(std::make_unique<rz::Part>());
            rz::Part& p = *parts.back();
            for (int li = 0; li < 100; ++li) {
                auto l = std::make_unique<rz::Line>();
                // A gently curving stroke of 100 points, about 50 mm long.
                float cx = x(rng), cy = y(rng), dir = a(rng);
                for (int k = 0; k < 100; ++k) {
                    l->eval.push_back({cx, cy});
                    if (k % 10 == 0) l->nodes.push_back({cx, cy, 10});
                    dir += 0.02f;
                    cx += 50 * std::cos(dir);
                    cy += 50 * std::sin(dir);
                }
                (li % 4 == 0 ? p.linesA : p.linesB).push_back(std::move(l));
            }
            for (int k = 0; k < 20; ++k) {
                auto pin = std::make_unique<rz::Pin>();
                pin->x = x(rng), pin->y = y(rng), pin->diameter = 100;
                p.pins.push_back(std::move(pin));
            }
        }
        doc.settings.displayFlags |= rz::kDispGrid;
        std::uniform_int_distribution<int> px(0, 1599), py(0, 999);
        for (int i = 0; i < 256; ++i) cursors.push_back({px(rng), py(rng)});
        index.build(doc.design, 0);
    }
};

Scene& TheScene() {
    static Scene s;
    return s;
}

// state.range(0): 1 with the box index, 0 the plain walk.
void BM_SnapAndPickAtCursor(benchmark::State& state) {
    Scene& s = TheScene();
    const rz::GeomIndex* idx = state.range(0) ? &s.index : nullptr;
    size_t i = 0;
    int hits = 0;
    for (auto _ : state) {
        rz::PixelPoint at = s.cursors[i++ % s.cursors.size()];
        rz::SnapRequest r{at, 0, rz::kSnapAll & ~rz::kSnapGrid, 8, rz::PointF{20000, 15000}};
        rz::SnapResult res = rz::SnapPoint(s.doc, s.vs.view, r, idx);
        rz::PickOptions o;
        o.halfWidth = 5 / s.vs.view.s;
        o.index = idx;
        rz::PickResult pr = rz::PickAt(s.doc, res.model, rz::kPickElements | rz::kPickPart, o);
        hits += res.snapped() + (pr.kind != 0);
        benchmark::DoNotOptimize(pr);
    }
    state.counters["hit_rate"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_SnapAndPickAtCursor)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The whole mouse move through the engine (snap, marker, mode 0 has no move handler).
void BM_EngineMouseMove(benchmark::State& state) {
    Scene& s = TheScene();
    rz::Engine eng(s.doc, s.vs);
    eng.snapBits = rz::kSnapAll & ~rz::kSnapGrid;
    size_t i = 0;
    for (auto _ : state) {
        rz::PixelPoint at = s.cursors[i++ % s.cursors.size()];
        eng.OnMouseMove({rz::Button::None, 0, at});
        rz::PickResult pr = eng.PickAt(eng.model, rz::kPickElements | rz::kPickPart);
        benchmark::DoNotOptimize(pr);
    }
}
BENCHMARK(BM_EngineMouseMove)->Unit(benchmark::kMicrosecond);

// Building the boxes after a change (once per redraw, not per move).
void BM_BuildIndex(benchmark::State& state) {
    Scene& s = TheScene();
    rz::GeomIndex idx;
    for (auto _ : state) {
        idx.build(s.doc.design, 0);
        benchmark::DoNotOptimize(idx.lines().data());
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
