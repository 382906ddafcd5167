// The grading run (鞋样扩缩) on a typical pattern and on a stress pattern, against the evaluation
// of the same copies it makes; the memory the copies take is reported as a counter.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>

#include "grading/engine.h"
#include "model/afterload.h"

namespace {

// Parts of closed and open lines of 6–30 nodes around the part's centre, graded by three base
// points: the first, and two owned by it (one turned on its own axes).
void BuildPattern(rz::Design& d, int parts, int linesPerPart, int sizes) {
    d.clear();
    d.flags = 0x10000;
    d.sizeSystem = 0;
    d.sizeCategory = 3;
    d.widthType = 25;
    d.step = 5;
    d.baseSize = 250;
    d.rangeFrom = 250 - 5 * (sizes / 2);
    d.rangeTo = d.rangeFrom + 5 * (sizes - 1);
    d.baseParams = {265.0f, 243.0f, 5.0f, 3.5f};
    for (int p = 0; p < parts; ++p) {
        if (p > 0) d.parts.push_back(std::make_unique<rz::Part>());
        rz::Part& part = *d.parts.back();
        const float ox = float(p % 6) * 30000.0f, oy = float(p / 6) * 20000.0f;
        for (int k = 0; k < 3; ++k) {
            auto b = std::make_unique<rz::BasePoint>();
            b->x = ox + 4000.0f * float(k);
            b->y = oy + 1000.0f * float(k);
            b->index = k;
            if (k > 0) {
                b->owner = part.basePoints.front().get();
                b->flags = k == 1 ? rz::kBaseFollowsOwner : 0;
                b->direction = k == 2 ? 0.3f : 0.0f;
            }
            part.basePoints.push_back(std::move(b));
        }
        for (int l = 0; l < linesPerPart; ++l) {
            auto ln = std::make_unique<rz::Line>();
            const int nodes = 6 + (l * 7) % 25;
            const float r = 2000.0f + 37.0f * float(l % 200);
            for (int i = 0; i < nodes; ++i) {
                const double a = 2.0 * M_PI * i / nodes;
                ln->nodes.push_back({ox + r * float(std::cos(a)), oy + 0.6f * r * float(std::sin(a)), 0});
            }
            ln->flags = (2u << rz::kLineMethodShift);
            ln->basePoint = part.basePoints[size_t(l % 3)].get();
            (l == 0 ? part.linesA : part.linesB).push_back(std::move(ln));
        }
    }
}

size_t HeapInUse() { return mallinfo2().uordblks; }

void Run(benchmark::State& state, int parts, int lines, int sizes, bool evaluate) {
    rz::Design d;
    BuildPattern(d, parts, lines, sizes);
    const rz::TSmooth smooth;
    rz::GradeOptions o;
    o.evaluate = evaluate;
    o.threads = unsigned(state.range(0));
    size_t copies = 0, nodes = 0;
    double addedMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rz::ClearGrading(d);
        const size_t before = HeapInUse();
        state.ResumeTiming();
        rz::GradeReport r = rz::GradeDesign(d, smooth, o);
        state.PauseTiming();
        addedMB = double(HeapInUse() - before) / 1e6;
        copies = size_t(r.lines);
        state.ResumeTiming();
    }
    for (auto& p : d.parts)
        for (auto& c : p->gradedLines) nodes += c->nodes.size();
    state.counters["copies"] = double(copies);
    state.counters["Mnodes"] = double(nodes) / 1e6;
    state.counters["added_MB"] = addedMB;
}

// 30 parts × 20 lines × 20 sizes: 12,000 copies.
void BM_GradeTypical(benchmark::State& state) { Run(state, 30, 20, 20, true); }
BENCHMARK(BM_GradeTypical)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_GradeTypicalNoEvaluation(benchmark::State& state) { Run(state, 30, 20, 20, false); }
BENCHMARK(BM_GradeTypicalNoEvaluation)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 30 parts × 600 lines × 29 sizes: 522,000 copies; with and without their evaluation.
void BM_GradeStress(benchmark::State& state) { Run(state, 30, 600, 29, true); }
BENCHMARK(BM_GradeStress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_GradeStressNoEvaluation(benchmark::State& state) { Run(state, 30, 600, 29, false); }
BENCHMARK(BM_GradeStressNoEvaluation)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The evaluation alone of the stress run's copies, as EvaluateAllLines shares it out.
void BM_EvaluateStressCopies(benchmark::State& state) {
    rz::Design d;
    BuildPattern(d, 30, 600, 29);
    const rz::TSmooth smooth;
    rz::GradeOptions o;
    o.evaluate = false;
    rz::GradeDesign(d, smooth, o);
    std::vector<rz::Line*> copies;
    for (auto& p : d.parts)
        for (auto& c : p->gradedLines) copies.push_back(c.get());
    for (auto _ : state) {
        state.PauseTiming();
        for (rz::Line* c : copies) rz::Polyline().swap(c->eval);
        state.ResumeTiming();
        rz::EvaluateLineRecords(copies, smooth, unsigned(state.range(0)));
    }
}
BENCHMARK(BM_EvaluateStressCopies)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The undo snapshot 鞋样扩缩 stores: a whole copy of the graded design.
void BM_SnapshotOfStressGrading(benchmark::State& state) {
    rz::Design d;
    BuildPattern(d, 30, 600, 29);
    rz::GradeOptions o;
    rz::GradeDesign(d, rz::TSmooth{}, o);
    double addedMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto snap = std::make_unique<rz::Design>();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        snap->copyFrom(d);
        state.PauseTiming();
        addedMB = double(HeapInUse() - before) / 1e6;
        snap.reset();
        state.ResumeTiming();
    }
    state.counters["added_MB"] = addedMB;
}
BENCHMARK(BM_SnapshotOfStressGrading)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
