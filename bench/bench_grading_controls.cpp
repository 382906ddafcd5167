// The grading run with its controls against the plain run of the same pattern, and the
// nearest-node preparation of a long fixed distance.
#include <benchmark/benchmark.h>

#include <cmath>

#include "grading/controls.h"
#include "grading/engine.h"
#include "model/afterload.h"
#include "model/sizes.h"

namespace {

// 30 parts × 20 lines × 200 nodes graded by one base point and a second one owned by it; per
// part 5 shared zones (lines B 0–4), 5 fixed stretches (slaves 5–9 on masters 10–14) and 5
// front-symmetric lines (14–18) over the straight master of lines A.
void BuildPattern(rz::Design& d, bool controls) {
    d.clear();
    d.flags = 0x10000;
    d.sizeSystem = 0;
    d.sizeCategory = 3;
    d.widthType = 25;
    d.step = 5;
    d.baseSize = 250;
    d.rangeFrom = 250 - 5 * 10;
    d.rangeTo = d.rangeFrom + 5 * 19;  // 20 sizes
    d.baseParams = {265.0f, 243.0f, 5.0f, 3.5f};
    for (int p = 0; p < 30; ++p) {
        if (p > 0) d.parts.push_back(std::make_unique<rz::Part>());
        rz::Part& part = *d.parts.back();
        const float ox = float(p % 6) * 30000.0f, oy = float(p / 6) * 20000.0f;
        for (int k = 0; k < 2; ++k) {
            auto b = std::make_unique<rz::BasePoint>();
            b->x = ox + 3000.0f * float(k);
            b->y = oy + 500.0f * float(k);
            b->index = k;
            if (k > 0) b->owner = part.basePoints.front().get(), b->flags = rz::kBaseFollowsOwner;
            part.basePoints.push_back(std::move(b));
        }
        for (int l = 0; l < 20; ++l) {
            auto ln = std::make_unique<rz::Line>();
            const float r = 2000.0f + 300.0f * float(l);
            for (int i = 0; i < 200; ++i) {
                const double a = M_PI * i / 199.0;
                ln->nodes.push_back({ox + r * float(std::cos(a)), oy + 0.6f * r * float(std::sin(a)), 0});
            }
            if (l == 0) ln->nodes = {{ox, oy - 8000, 0}, {ox + 10, oy + 8000, 0}};  // the straight master
            ln->flags = (4u << rz::kLineMethodShift);
            ln->basePoint = part.basePoints.front().get();
            (l == 0 ? part.linesA : part.linesB).push_back(std::move(ln));
        }
        if (!controls) continue;
        rz::Line* master = part.linesA.front().get();
        for (int k = 0; k < 5; ++k) {
            auto z = std::make_unique<rz::SharedZone>();
            z->host = part.linesB[size_t(k)].get();
            z->basePoint = part.basePoints[1].get();
            z->f = {0.2f, 0.3f, 0.6f, 0.7f};
            part.sharedZones.push_back(std::move(z));
            auto f = std::make_unique<rz::FixedDistance>();
            f->host = part.linesB[size_t(10 + k)].get();
            f->first = {part.linesB[size_t(5 + k)].get(), rz::kKindLine};
            f->f = {0.1f, 0.2f, 0.8f, 0.9f};
            f->perSize = std::vector<float>(20, 10.0f);
            part.fixedDistances.push_back(std::move(f));
            part.linesB[size_t(14 + k)]->frontSym = master;
        }
    }
    rz::EvaluateAllLines(d, rz::TSmooth{});
}

void Run(benchmark::State& state, bool controls) {
    rz::Design d;
    BuildPattern(d, controls);
    const rz::TSmooth smooth;
    for (auto _ : state) {
        state.PauseTiming();
        rz::ClearGrading(d);
        rz::GradingRunControls c;
        rz::GradeOptions o;
        o.controls = controls ? &c : nullptr;
        o.threads = unsigned(state.range(0));
        state.ResumeTiming();
        rz::GradeReport r = rz::GradeDesign(d, smooth, o);
        benchmark::DoNotOptimize(r.lines);
    }
}

void BM_GradeControls(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_GradeControls)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_GradePlainSamePattern(benchmark::State& state) { Run(state, false); }
BENCHMARK(BM_GradePlainSamePattern)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// One fixed stretch of 5,000 slave nodes against a master of 5,000 nodes: the prepare step.
void BM_FixedPrepare(benchmark::State& state) {
    rz::Design d;
    d.flags = 0x10000;
    d.step = 5, d.baseSize = 250, d.rangeFrom = 240, d.rangeTo = 260;
    d.baseParams = {265.0f, 243.0f, 5.0f, 3.5f};
    rz::Part& part = d.firstPart();
    auto b = std::make_unique<rz::BasePoint>();
    part.basePoints.push_back(std::move(b));
    for (int l = 0; l < 2; ++l) {
        auto ln = std::make_unique<rz::Line>();
        for (int i = 0; i < 5000; ++i) {
            const double a = 2 * M_PI * i / 5000.0;
            const float r = 30000.0f + 400.0f * float(l) + 200.0f * float(std::sin(7 * a));
            ln->nodes.push_back({r * float(std::cos(a)), r * float(std::sin(a)), 0});
        }
        ln->flags = (4u << rz::kLineMethodShift);
        ln->basePoint = part.basePoints.front().get();
        part.linesB.push_back(std::move(ln));
    }
    auto f = std::make_unique<rz::FixedDistance>();
    f->host = part.linesB[0].get();
    f->first = {part.linesB[1].get(), rz::kKindLine};
    f->f = {0, 0, 1, 1};
    part.fixedDistances.push_back(std::move(f));
    rz::EvaluateAllLines(d, rz::TSmooth{});
    const rz::SizeList list = rz::MakeSizeList(d);
    const std::vector<rz::PairF> table = rz::BuildStepTable(d, list);
    rz::PartGrading g(d, part, 0, list, table);
    size_t pairs = 0;
    for (auto _ : state) {
        rz::GradingRunControls c(rz::ControlSet{false, false, true});
        c.prepare(g);
        pairs = c.report()[0].fixed[0].pairs.size();
    }
    state.counters["pairs"] = double(pairs);
}
BENCHMARK(BM_FixedPrepare)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
