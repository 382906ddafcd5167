// Graded output: 30 parts, then 30 pieces, each in 20 sizes onto a sheet (选号输出 with Ctrl).
#include <benchmark/benchmark.h>

#include <cmath>

#include "commands/draw_common.h"
#include "design/pieces.h"
#include "grading/engine.h"
#include "model/afterload.h"
#include "output/graded_sheet.h"

namespace {

// 30 parts of four curved outline lines (50 nodes each), five inner lines, five pins, a slot on an
// inner line and a piece of the whole outline with a member pin; 20 sizes about 250.
void BuildPattern(rz::Design& d) {
    d.clear();
    d.flags = 0x10000 | rz::kDesignMarginFullColour;
    d.sizeSystem = 0;
    d.sizeCategory = 3;
    d.widthType = 25;
    d.step = 5;
    d.baseSize = 250;
    d.rangeFrom = 200;
    d.rangeTo = 295;  // 20 sizes
    d.baseParams = {265.0f, 243.0f, 5.0f, 3.5f};
    for (int p = 0; p < 30; ++p) {
        if (p > 0) d.parts.push_back(std::make_unique<rz::Part>());
        rz::Part& part = *d.parts.back();
        const float ox = float(p % 6) * 30000.0f, oy = float(p / 6) * 20000.0f;
        auto b = std::make_unique<rz::BasePoint>();
        b->x = ox, b->y = oy;
        part.basePoints.push_back(std::move(b));
        rz::BasePoint* base = part.basePoints.front().get();
        auto line = [&](rz::List<rz::Line>& list, auto at, int nodes) {
            auto ln = std::make_unique<rz::Line>();
            for (int i = 0; i < nodes; ++i) {
                const rz::PointF q = at(double(i) / (nodes - 1));
                ln->nodes.push_back({q.x, q.y, 0});
            }
            ln->flags = 4u << rz::kLineMethodShift;
            ln->basePoint = base;
            list.push_back(std::move(ln));
            return list.back().get();
        };
        // An ellipse in four quarters.
        for (int k = 0; k < 4; ++k)
            line(part.linesA, [&](double t) {
                const double a = M_PI / 2 * (k + t);
                return rz::PointF{ox + 9000.0f * float(std::cos(a)), oy + 6000.0f * float(std::sin(a))};
            }, 50);
        rz::Line* inner = nullptr;
        for (int k = 0; k < 5; ++k)
            inner = line(part.linesB, [&](double t) {
                return rz::PointF{ox - 5000.0f + 10000.0f * float(t), oy - 3000.0f + 1200.0f * float(k)};
            }, 20);
        for (int k = 0; k < 5; ++k) {
            auto pin = std::make_unique<rz::Pin>();
            pin->x = ox - 4000.0f + 2000.0f * float(k), pin->y = oy + 4000.0f, pin->diameter = 100.0f;
            pin->basePoint = base;
            part.pins.push_back(std::move(pin));
        }
        auto slot = std::make_unique<rz::SlotLine>();
        slot->host = {inner, rz::kKindLine};
        slot->f = {0.25f, 0.75f, 0.0f, 120.0f, 1.0f};
        slot->flags = 2u;
        part.slotLines.push_back(std::move(slot));

        auto pc = std::make_unique<rz::Piece>();
        pc->flags = 0;
        pc->slot = uint8_t(p);
        for (auto& l : part.linesA) {
            auto pl = std::make_unique<rz::PieceLine>();
            pl->source = {l.get(), rz::kKindLine};
            pl->flags = 3u;
            pc->linesA.push_back(std::move(pl));
        }
        for (size_t k = 0; k < 4; ++k) {
            pc->linesA[k]->nextSeg = pc->linesA[(k + 1) % 4].get();
            pc->linesA[k]->prevSeg = pc->linesA[(k + 3) % 4].get();
        }
        auto m = std::make_unique<rz::PieceMember>();
        m->element = {part.pins.front().get(), rz::kKindPin};
        pc->members.push_back(std::move(m));
        d.pieces.push_back(std::move(pc));
    }
    rz::EvaluateAllLines(d, rz::TSmooth{});
    for (auto& p : d.parts) rz::CompletePart(*p);
    for (auto& pc : d.pieces) rz::AssemblePiece(d, *pc);
}

void Run(benchmark::State& state, bool pieces) {
    rz::Design d;
    BuildPattern(d);
    if (!rz::GradeDesign(d, rz::TSmooth{}).ok) {
        state.SkipWithError("grading failed");
        return;
    }
    const rz::Settings s;
    rz::SheetSettings block;
    rz::PLTC sheet(block);
    std::vector<int> sizes;
    for (int i = 0; i < d.n; ++i) sizes.push_back(i);
    rz::GradedOutputOptions o;
    size_t items = 0;
    for (auto _ : state) {
        sheet.items.clear();
        if (pieces)
            for (auto& pc : d.pieces) rz::OutputPieceSizes(sheet, d, s, *pc, sizes, o);
        else
            for (auto& p : d.parts) rz::OutputPartSizes(sheet, d, s, *p, sizes, o);
        items = sheet.items.size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["items"] = double(items);
}

void BM_OutputSizes(benchmark::State& state) { Run(state, false); }
void BM_OutputPieceSizes(benchmark::State& state) { Run(state, true); }

}  // namespace

BENCHMARK(BM_OutputSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutputPieceSizes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
