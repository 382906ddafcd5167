// Material calculation: the full-sheet preview of a small piece and 算料 of a whole style.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "geom/polyline.h"
#include "material/lattice.h"

namespace rz {
namespace {

// A closed oval of n points, a × b units, pinched at the waist by `pinch`.
Polyline Oval(int n, float a, float b, float pinch) {
    Polyline p;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        double x = a / 2 * std::cos(t), y = b / 2 * std::sin(t);
        if (y > 0) y *= 1 - pinch * std::exp(-(x * x) / (a * a / 16));
        p.push_back({float(x + a), float(y + b)});
    }
    p.push_back(p.front());
    return p;
}

// 12,000 copies of a 24-point 14 × 8 mm piece over 1米革: layout and placed area.
void material_preview_10k(benchmark::State& st) {
    const Polyline piece = Oval(24, 1400, 800, 0);
    const NestShapes s = PrepareNestShapes(piece, 0);
    MaterialFields rec;
    Lattice l;
    if (!BuildLattice(s, rec, true, l)) st.SkipWithError("no lattice");
    const double A = PolyArea(piece);
    std::vector<NestCopy> copies;
    size_t kept = 0;
    for (auto _ : st) {
        LayoutSheet(s, rec, 140000, 100000, copies);
        benchmark::DoNotOptimize(PlacedArea(s, copies, 140000, 100000, A));
        kept = copies.size();
    }
    st.counters["kept"] = double(kept);
}
BENCHMARK(material_preview_10k)->Unit(benchmark::kMillisecond);

// A style: 30 outlines in 15 sizes (40–180 mm, 60–200 points): contact, layout and area of all
// 450, the modes taken in turn, as 算料 of every piece would.
void material_style(benchmark::State& st) {
    std::vector<Polyline> outlines;
    for (int o = 0; o < 30; ++o)
        for (int z = 0; z < 15; ++z) {
            const float len = 4000 + 1000 * z;
            outlines.push_back(Oval(60 + 10 * z, len, len * (0.3f + 0.015f * o), 0.02f * o));
        }
    for (auto _ : st) {
        for (size_t i = 0; i < outlines.size(); ++i) {
            const NestShapes s = PrepareNestShapes(outlines[i], 0);
            MaterialFields rec;
            rec.setMode(1 + int(i % 3));
            Lattice l;
            std::vector<NestCopy> copies;
            if (BuildLattice(s, rec, true, l) && LayoutSheet(s, rec, 140000, 100000, copies))
                benchmark::DoNotOptimize(PlacedArea(s, copies, 140000, 100000, PolyArea(outlines[i])));
        }
    }
}
BENCHMARK(material_style)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace rz

BENCHMARK_MAIN();
