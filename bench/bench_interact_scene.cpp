// The scene builder alone (no pixels): what a redraw costs before any painting.
#include <benchmark/benchmark.h>

#include "interact/canvas.h"
#include "interact/scene.h"
#include "model/doc.h"
#include "scene_fixture.h"

namespace {

// Counts what it is asked to draw, so that nothing is optimised away.
class CountingCanvas : public rz::Canvas {
public:
    std::size_t points = 0, calls = 0;
    void setColour(uint32_t) override {}
    void setWidth(int) override {}
    void setDash(int, int) override {}
    void polyline(const rz::PixelPoint* p, std::size_t n) override { points += n + std::size_t(p[0].x & 1); ++calls; }
    void fillPolygon(const rz::PixelPoint*, std::size_t n, rz::FillStyle) override { points += n; }
    void text(rz::PixelPoint, std::string_view, std::optional<uint32_t>) override {}
};

void BM_BuildScene2000Lines(benchmark::State& state) {
    rz::HeadlessPlatform platform;
    rz::TDoc doc(platform);
    rz::bench::BuildDrawingDesign(doc.design, 20, 100, 100);  // 2,000 lines, 200,000 points
    rz::View v;
    v.make(1920, 1080, {121920.0f, 91440.0f});
    if (state.range(0)) v.zoomBy(rz::kZoomIn, rz::ZoomAnchor::Cursor, {960, 540});
    for (auto _ : state) {
        CountingCanvas c;
        rz::RedrawFront(doc, v, c);
        benchmark::DoNotOptimize(c.points);
    }
}
BENCHMARK(BM_BuildScene2000Lines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BuildSceneClippedDeepZoom(benchmark::State& state) {
    rz::HeadlessPlatform platform;
    rz::TDoc doc(platform);
    rz::bench::BuildDrawingDesign(doc.design, 20, 100, 100);
    rz::View v;
    v.make(1920, 1080, {121920.0f, 91440.0f});
    while (v.zoomBy(rz::kZoomIn, rz::ZoomAnchor::Cursor, {960, 540})) {
    }
    for (auto _ : state) {
        CountingCanvas c;
        rz::RedrawFront(doc, v, c);
        benchmark::DoNotOptimize(c.points);
    }
}
BENCHMARK(BM_BuildSceneClippedDeepZoom)->Unit(benchmark::kMillisecond);

void BM_BuildSceneAllSizes20(benchmark::State& state) {
    rz::HeadlessPlatform platform;
    rz::TDoc doc(platform);
    rz::bench::BuildDrawingDesign(doc.design, 20, 10, 100);
    rz::bench::AddGradedSizes(doc.design, 20);
    doc.settings.displayFlags |= rz::kDispAllSizes;
    rz::View v;
    v.make(1920, 1080, {121920.0f, 91440.0f});
    for (auto _ : state) {
        CountingCanvas c;
        rz::RedrawFront(doc, v, c);
        benchmark::DoNotOptimize(c.points);
    }
}
BENCHMARK(BM_BuildSceneAllSizes20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
