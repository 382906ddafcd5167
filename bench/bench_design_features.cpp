// Function lines and whole-part tools: the features of a style, a slot preview on a long host,
// 叠板 of ten large outlines, mirror images for the symmetry tool and 中心线's search.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "commands/feature_tools.h"
#include "commands/features.h"
#include "design/join_tools.h"
#include "design/stack.h"
#include "geom/polyline.h"
#include "model/afterload.h"
#include "model/doc.h"

namespace {

using namespace rz;

// A wavy circle of n points (closed): the ripple keeps every point.
Polyline Wavy(float cx, float cy, float r, int n) {
    Polyline v;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * std::numbers::pi * i / n;
        const double rr = r + ((i % 2) ? 6.0 : -6.0);
        v.push_back({float(cx + rr * std::cos(a)), float(cy + rr * std::sin(a))});
    }
    v.push_back(v.front());
    return v;
}

std::unique_ptr<Line> LineOf(const Polyline& pl) {
    auto l = std::make_unique<Line>();
    for (PointF q : pl) l->nodes.push_back({q.x, q.y, 0});
    l->eval = pl;
    l->flags = uint32_t(kCurvePolyline) << kLineMethodShift;
    return l;
}

// 30 parts: each with ten 500-point host lines carrying 10 slots, 10 marks, a few chamfers and
// dimensions (300 slots, 300 marks, 100 chamfers, 150 dimensions in all). Argument 0: the hosts
// are a 0.03 mm sawtooth, so that every offset vertex makes a loop to remove (the worst case);
// argument 1: smooth waves, as evaluated curves are (same point count).
void BM_PartFeatures(benchmark::State& state) {
    const bool smooth = state.range(0) == 1;
    Design d;
    for (int k = 0; k < 30; ++k) {
        Part& p = k == 0 ? d.firstPart() : *d.parts.emplace_back(std::make_unique<Part>());
        for (int i = 0; i < 10; ++i) {
            Polyline pl;
            for (int j = 0; j < 500; ++j)
                pl.push_back({float(j * 10), float(i * 1000 + (smooth ? 200.0 * std::sin(j * 0.02) : (j % 2) * 3))});
            p.linesB.push_back(LineOf(pl));
        }
        Polyline cross;
        for (int j = 0; j < 500; ++j)
            cross.push_back({float(2500.0 + (smooth ? 50.0 * std::sin(j * 0.02) : (j % 2) * 3)), float(j * 20) - 100.0f});
        p.linesB.push_back(LineOf(cross));
        for (int i = 0; i < 10; ++i) {
            auto s = std::make_unique<SlotLine>();
            s->host = {p.linesB[size_t(i)].get(), kKindLine};
            s->f = {0.6f, 0.8f, 20.0f, 120.0f, 1.0f};
            s->flags = kSlotOneSided | kSlotPointed;
            p.slotLines.push_back(std::move(s));
            auto m = std::make_unique<Mark>();
            m->host1 = {p.linesB[size_t(i)].get(), kKindLine}, m->host2 = {p.linesB[10].get(), kKindLine};
            m->f0 = 0.3f, m->depth = 200, m->width = 200;
            p.marks.push_back(std::move(m));
        }
        for (int i = 0; i < 5; ++i) {
            auto d2 = std::make_unique<Dimension>();
            d2->ref1 = {p.linesB[size_t(i)].get(), kKindLine};
            d2->text = kDimAutoText;
            p.dimensions.push_back(std::move(d2));
        }
        for (int i = 0; i < 3 + (k % 3 == 0); ++i) {
            auto c = std::make_unique<Chamfer>();
            c->host1 = {p.linesB[10].get(), kKindLine}, c->host2 = {p.linesB[size_t(i)].get(), kKindLine};
            c->radius = 300, c->flags = 3;
            p.chamfers.push_back(std::move(c));
        }
    }
    for (auto _ : state)
        for (auto& p : d.parts) RebuildPartFeatures(*p);
}
BENCHMARK(BM_PartFeatures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SlotPreview2000(benchmark::State& state) {
    const Polyline host = Wavy(0, 0, 20000, 2000);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildSlotOutline(host, 0.1f, 0.3f, 0.0f, 120.0f, 1.0f, kSlotOneSided | kSlotPointed));
}
BENCHMARK(BM_SlotPreview2000)->Unit(benchmark::kMicrosecond);

void BM_Stack10x1000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Design d;
        std::vector<Part*> parts;
        for (int k = 0; k < 10; ++k) {
            Part& p = *d.parts.emplace_back(std::make_unique<Part>());
            p.linesA.push_back(LineOf(Wavy(float(k) * 3000.0f, 0, 5000, 1000)));
            p.outline = p.linesA.back()->eval;
            parts.push_back(&p);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(PlanStack(d, parts));
    }
}
BENCHMARK(BM_Stack10x1000)->Unit(benchmark::kMillisecond);

void BM_MirrorImages50x500(benchmark::State& state) {
    std::vector<Polyline> lines;
    for (int k = 0; k < 50; ++k) {
        Polyline pl;
        for (int j = 0; j < 500; ++j) pl.push_back({float(1000 + j * 10), float(k * 100 + (j % 7))});
        lines.push_back(std::move(pl));
    }
    for (auto _ : state)
        for (const Polyline& pl : lines) benchmark::DoNotOptimize(MirrorOf(pl, {0, 0}, {0, 1000}, {}));
}
BENCHMARK(BM_MirrorImages50x500)->Unit(benchmark::kMillisecond);

void BM_CentreLine5000(benchmark::State& state) {
    Part p;
    p.outline = Wavy(0, 0, 20000, 5000);
    p.bbox = {-20010, -20010, 20010, 20010};
    for (auto _ : state) benchmark::DoNotOptimize(SymmetryCentreLine(p, 0.3f));
}
BENCHMARK(BM_CentreLine5000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
