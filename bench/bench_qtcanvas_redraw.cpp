// Redraws painted by the Qt canvas into the back buffer of a 1920 × 1080 window, and a pan
// frame (pixels only).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "interact/scene.h"
#include "model/doc.h"
#include "qtcanvas/qt_canvas.h"
#include "scene_fixture.h"

namespace {

struct Fixture {
    rz::HeadlessPlatform platform;
    rz::TDoc doc{platform};
    rz::View view;
    rz::BackBuffer bb;
    Fixture() {
        view.make(1920, 1080, {121920.0f, 91440.0f});
        bb.make(view);
    }
};

void BM_FullRedraw2000Lines(benchmark::State& state) {
    Fixture f;
    rz::bench::BuildDrawingDesign(f.doc.design, 20, 100, 100);  // 2,000 lines, 200,000 points
    for (auto _ : state) {
        rz::PaintFront(f.bb, f.doc, f.view);
        benchmark::DoNotOptimize(f.bb.image().constBits());
    }
    state.counters["buffer_MB"] = double(f.bb.image().sizeInBytes()) / 1e6;
}
BENCHMARK(BM_FullRedraw2000Lines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AllSizes20(benchmark::State& state) {
    Fixture f;
    // 20 parts of 10 lines (100 points each) and 10 pins, each in 20 graded sizes.
    rz::bench::BuildDrawingDesign(f.doc.design, 20, 10, 100);
    rz::bench::AddGradedSizes(f.doc.design, 20);
    f.doc.settings.displayFlags |= rz::kDispAllSizes;
    for (auto _ : state) {
        rz::PaintFront(f.bb, f.doc, f.view);
        benchmark::DoNotOptimize(f.bb.image().constBits());
    }
}
BENCHMARK(BM_AllSizes20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PanFrame(benchmark::State& state) {
    Fixture f;
    rz::bench::BuildDrawingDesign(f.doc.design, 20, 100, 100);
    rz::PaintFront(f.bb, f.doc, f.view);
    QImage window(1920, 1080, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        QPainter p(&window);
        // Inside the margin, and beyond it (the uncovered strip is filled).
        int dx = (step % 2) ? 37 + step % 400 : -(700 + step % 50);
        f.bb.panFrame(p, {dx, -21}, 0);
        ++step;
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_PanFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_BeginOverlay(benchmark::State& state) {
    Fixture f;
    rz::PaintFront(f.bb, f.doc, f.view);
    for (auto _ : state) benchmark::DoNotOptimize(f.bb.beginOverlay().constBits());
}
BENCHMARK(BM_BeginOverlay)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
