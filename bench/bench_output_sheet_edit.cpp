// Editing an output sheet on the back screen: a move with its layout snapshot on a full sheet,
// and the push-away of a moved piece among many others.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <set>

#include "output/sheet.h"
#include "output/sheet_edit.h"
#include "output/sheet_push.h"

namespace rz {
namespace {

Polyline Oval(int n, float cx, float cy, float a, float b) {
    Polyline p;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        p.push_back({float(cx + a / 2 * std::cos(t)), float(cy + b / 2 * std::sin(t))});
    }
    p.push_back(p.front());
    return p;
}

// 450 pieces of 12 items (an outline of 120 points and 11 inner lines of 20) in a 30 × 15 grid.
ItemList FullSheet() {
    ItemList items;
    for (int k = 0; k < 450; ++k) {
        const float cx = 3000.0f + 3000.0f * float(k % 30), cy = 2000.0f + 4000.0f * float(k / 30);
        PlotItem o;
        o.points = Oval(120, cx, cy, 2600, 3600);
        o.pieceId = k + 1;
        o.setKind(kItemOutline);
        items.push_back(o);
        for (int j = 0; j < 11; ++j) {
            PlotItem in;
            for (int i = 0; i < 20; ++i) in.points.push_back({cx - 1000 + 100.0f * float(i), cy - 1500 + 250.0f * float(j)});
            in.pieceId = k + 1;
            in.setKind(kItemInner);
            items.push_back(std::move(in));
        }
    }
    return items;
}

// 移动 of one piece with its snapshot in the layout ring.
void sheet_change(benchmark::State& st) {
    SheetSettings block;
    PLTC sheet(block);
    sheet.items = FullSheet();
    sheet.ring.reset(sheet.state());
    for (auto _ : st) {
        MapPieces(sheet.items, {200}, [](PointF p) { return PointF{p.x + 10, p.y}; });
        sheet.dirty = 1;
        sheet.pushLayout();
    }
}
BENCHMARK(sheet_change)->Unit(benchmark::kMillisecond);

// A 500-point piece dropped onto the middle of the full sheet and pushed back along its drag.
void sheet_push_away(benchmark::State& st) {
    const ItemList full = FullSheet();
    PlotItem moved;
    moved.points = Oval(500, 46500, 30000, 2800, 3800);
    moved.pieceId = 1000;
    moved.setKind(kItemOutline);
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
