// Editing an output sheet on the back screen: 叠板 of two large outlines, a move of picked
// pieces on a full table together with the snapshot it pushes, and the push-away of a moved
// piece among many others.
#include <benchmark/benchmark.h>

#include <cmath>

#include "output/sheet.h"
#include "output/sheet_edit.h"
#include "output/sheet_push.h"
#include "output/sheet_stack.h"

namespace rz {
namespace {

// A closed wavy ring of n points around (cx, cy).
Polyline Wavy(int n, float cx, float cy, float r) {
    Polyline p;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * M_PI * i / n;
        const double rr = r * (1 + 0.05 * std::sin(40 * t));
        p.push_back({float(cx + rr * std::cos(t)), float(cy + rr * std::sin(t))});
    }
    p.push_back(p.front());
    return p;
}

PlotItem Item(Polyline pts, int32_t id, int kind) {
    PlotItem it;
    it.points = std::move(pts);
    it.pieceId = id;
    it.setKind(kind);
    it.setTool(kToolFullCut);
    return it;
}

// 叠板 of two overlapping 5,000-point outlines (the wave crosses the other ring many times).
void sheet_merge(benchmark::State& st) {
    ItemList base = {Item(Wavy(5000, 10000, 10000, 6000), 1, kItemOutline),
                     Item(Wavy(5000, 16000, 10000, 6000), 2, kItemOutline)};
    for (PlotItem& it : base) it.flags |= kItemPicked;
    size_t loops = 0;
    for (auto _ : st) {
        ItemList items = base;
        if (!MergePickedPieces(items, 1)) st.SkipWithError("no union");
        loops = items.size();
    }
    st.counters["loops"] = double(loops);
}
BENCHMARK(sheet_merge)->Unit(benchmark::kMillisecond);

// A move of one picked piece among 450 pieces of 12 items (an outline of 200 points and 11
// inner lines of 40) with the snapshot of the layout it pushes.
void sheet_change(benchmark::State& st) {
    SheetSettings block;
    PLTC sheet(block);
    for (int p = 0; p < 450; ++p) {
        const float cx = 3000.0f + 6000.0f * float(p % 30), cy = 3000.0f + 6000.0f * float(p / 30);
        sheet.items.push_back(Item(Wavy(200, cx, cy, 2500), p + 1, kItemOutline));
        for (int l = 0; l < 11; ++l) {
            Polyline line;
            for (int i = 0; i < 40; ++i) line.push_back({cx - 2000 + 100.0f * i, cy - 2000 + 350.0f * l});
            sheet.items.push_back(Item(std::move(line), p + 1, kItemInner));
        }
    }
    for (PlotItem& it : sheet.items)
        if (it.pieceId == 200) it.flags |= kItemPicked;
    sheet.ring.reset(sheet.state());
    float d = 10;
    for (auto _ : st) {
        MapPieces(sheet.items, PickedPieces(sheet.items), [d](PointF q) { return PointF{q.x + d, q.y}; });
        sheet.dirty = 1;
        sheet.pushLayout();
        d = -d;
    }
    st.counters["items"] = double(sheet.items.size());
}
BENCHMARK(sheet_change)->Unit(benchmark::kMillisecond);

// A 500-point piece dropped onto the middle of a sheet of 450 pieces and pushed back along its drag.
void sheet_push_away(benchmark::State& st) {
    ItemList full;
    for (int p = 0; p < 450; ++p) {
        const float cx = 3000.0f + 3000.0f * float(p % 30), cy = 2000.0f + 4000.0f * float(p / 30);
        full.push_back(Item(Wavy(120, cx, cy, 1300), p + 1, kItemOutline));
    }
    const PlotItem moved = Item(Wavy(500, 46500, 30000, 1400), 1000, kItemOutline);
    ItemList items;
    for (auto _ : st) {
        st.PauseTiming();
        items = full;
        items.push_back(moved);
        st.ResumeTiming();
        benchmark::DoNotOptimize(PushAwayPiece(items, 1000, {0, -20000}, 200));
    }
}
BENCHMARK(sheet_push_away)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rz

BENCHMARK_MAIN();
