// Pieces, seam allowances and point rows: the derived data of a whole style, one allowance on a
// long stretch, rows for every size of a range, and 针序 of many pins.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>

#include "design/derived.h"
#include "design/needles.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "model/afterload.h"
#include "model/doc.h"

namespace {

using namespace rz;

// A wavy stretch of n points from angle a0 to a1 of a circle about (cx, cy): the ripple keeps
// every point through the simplification after evaluation.
std::vector<Node> Arc(float cx, float cy, float r, double a0, double a1, int n) {
    std::vector<Node> v;
    for (int i = 0; i < n; ++i) {
        double a = a0 + (a1 - a0) * i / (n - 1);
        double rr = r + ((i % 2) ? 6.0 : -6.0) * (i > 0 && i < n - 1);
        v.push_back({float(cx + rr * std::cos(a)), float(cy + rr * std::sin(a)), 0});
    }
    return v;
}

// A style: 30 parts of 12 outline lines of 500 points each, a piece from each part's outline,
// 60 seam allowances and 100 point rows.
struct Style {
    HeadlessPlatform platform;
    TDoc doc{platform};
    Style() {
        InstallDerivedBuilders();
        Design& d = doc.design;
        d.rangeFrom = 220, d.rangeTo = 290, d.step = 5, d.baseSize = 250;
        d.resizePerSizeArrays();
        int rows = 0;
        for (int p = 0; p < 30; ++p) {
            if (p > 0) d.parts.push_back(std::make_unique<Part>());
            Part& part = *d.parts.back();
            const float cx = float(p % 6) * 30000.0f, cy = float(p / 6) * 30000.0f;
            for (int k = 0; k < 12; ++k) {
                auto l = std::make_unique<Line>();
                l->nodes = Arc(cx, cy, 12000, 2 * std::numbers::pi * k / 12, 2 * std::numbers::pi * (k + 1) / 12, 500);
                l->flags = uint32_t(kCurvePolyline) << kLineMethodShift;
                EvaluateLineRecord(*l, doc.smooth);
                part.linesA.push_back(std::move(l));
            }
            part.seamAllowances.push_back(MakeSeam(*part.linesA[0], {{0.1f, 0.5f, 0.9f}, {500, 900, 500}}));
            part.seamAllowances.push_back(MakeSeam(*part.linesA[6], SeamValues::Uniform(0, 1, 400)));
            for (int k = 0; k < 4 && rows < 100; ++k, ++rows) {
                RowMode m = RowMode(k % 3);
                auto r = MakeRow(*part.linesA[size_t(1 + k * 2)], m, 100, 1);
                RowParams rp = ReadRow(*r);
                rp.count = 12, rp.spacing = 600, rp.sizeInterval = 10, rp.countStep = 1, rp.secondDistance = 300;
                StoreRow(*r, rp);
                part.pointRows.push_back(std::move(r));
            }
            std::vector<Stretch> st;
            for (auto& l : part.linesA) st.push_back({{l.get(), kKindLine}, &part, 0.0f, 1.0f});
            ExtractOptions opt;
            opt.slot = p;
            opt.innerLines = false;
            ExtractOutline(doc, st, opt);
        }
    }
};

void BM_DerivedDataOfAStyle(benchmark::State& state) {
    Style s;
    Design& d = s.doc.design;
    for (auto _ : state)
        for (auto& p : d.parts) RebuildPartAndPieces(d, *p);
    int closed = 0;
    for (auto& pc : d.pieces) closed += (pc->flags & kPieceClosed) != 0;
    state.counters["closed pieces"] = closed;
}
BENCHMARK(BM_DerivedDataOfAStyle)->Unit(benchmark::kMillisecond);

void BM_AllowanceOnALongStretch(benchmark::State& state) {
    TSmooth smooth;
    Line base;
    base.nodes = Arc(0, 0, 40000, 0, 1.5 * std::numbers::pi, 6250);
    base.flags = uint32_t(kCurvePolyline) << kLineMethodShift;
    EvaluateLineRecord(base, smooth);
    // The stretch [0.1, 0.9] holds 5,000 points; three control points.
    const SeamValues v{{0.1f, 0.5f, 0.9f}, {500, 1200, 500}};
    size_t n = 0;
    for (auto _ : state) {
        Polyline o = SeamOutline(base.eval, v);
        n = o.size();
        benchmark::DoNotOptimize(o.data());
    }
    state.counters["points"] = double(n);
}
BENCHMARK(BM_AllowanceOnALongStretch)->Unit(benchmark::kMillisecond);

void BM_RowsForFifteenSizes(benchmark::State& state) {
    Style s;
    Design& d = s.doc.design;
    std::vector<PointRow*> rows;
    for (auto& p : d.parts)
        for (auto& r : p->pointRows) rows.push_back(r.get());
    size_t points = 0;
    for (auto _ : state) {
        points = 0;
        for (int size = 0; size < 15; ++size)
            for (PointRow* r : rows) {
                int n = GradedRowCount(*r, int(r->host->nodes.size()), size * 5 - 35);
                RowPoints pts = ComputeRow(ReadRow(*r), r->host->eval, r->host->nodes, n);
                points += pts.points.size();
            }
    }
    state.counters["points"] = double(points);
}
BENCHMARK(BM_RowsForFifteenSizes)->Unit(benchmark::kMillisecond);

void BM_NeedleOrder2000(benchmark::State& state) {
    Part part;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0, 30000);
    for (int i = 0; i < 2000; ++i) {
        auto p = std::make_unique<Pin>();
        p->x = u(rng), p->y = u(rng), p->diameter = 100;
        part.pins.push_back(std::move(p));
    }
    for (auto _ : state) {
        state.PauseTiming();
        Pin* first = part.pins[state.iterations() % 2000].get();
        state.ResumeTiming();
        OrderPins(part, first);
    }
}
BENCHMARK(BM_NeedleOrder2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
