// The full-sheet preview of 排刀: 12,000 copies of a 24-point 14 × 8 mm piece laid over 1米革 and
// drawn into the back buffer of a 1920 × 1080 window, one pixel polyline per orientation offset
// per copy.
#include <benchmark/benchmark.h>

#include <QImage>

#include <cmath>
#include <numbers>

#include "geom/polyline.h"
#include "material/lattice.h"
#include "material/preview_draw.h"
#include "qtcanvas/qt_canvas.h"

namespace {

rz::Polyline Oval(int n, float a, float b) {
    rz::Polyline p;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        p.push_back({float(a / 2 * std::cos(t) + a), float(b / 2 * std::sin(t) + b)});
    }
    p.push_back(p.front());
    return p;
}

void material_preview_draw(benchmark::State& st) {
    const rz::Polyline piece = Oval(24, 1400, 800);
    const rz::NestShapes s = rz::PrepareNestShapes(piece, 0);
    rz::MaterialFields rec;
    rz::Lattice l;
    if (!rz::BuildLattice(s, rec, true, l)) st.SkipWithError("no lattice");
    std::vector<rz::NestCopy> copies;
    rz::LayoutSheet(s, rec, 140000, 100000, copies);
    rz::View view;
    view.make(1920, 1080, {140000.0f, 100000.0f});
    rz::BackBuffer bb;
    bb.make(view);
    for (auto _ : st) {
        rz::QtCanvas c(bb.image());
        c.setColour(0x808080);
        c.setWidth(1);
        rz::DrawNestCopies(s, copies, {0, 0}, view, c);
        benchmark::DoNotOptimize(bb.image().constBits());
    }
    st.counters["copies"] = double(copies.size());
}
BENCHMARK(material_preview_draw)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
