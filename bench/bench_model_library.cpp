// The motif library: reading Vopa.ptn with every cell's derived data rebuilt, and CellShape.
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/motif_library.h"

namespace {

// 40 cells, each a saved part of 20 lines. `curves`: interpolating curves of 26 nodes that
// evaluate to about 500 points each; otherwise polylines of 500 nodes.
std::vector<uint8_t> PartLibrary(bool curves) {
    rz::MotifLibrary lib;
    for (rz::MotifCell& c : lib.cells) {
        for (int k = 0; k < 20; ++k) {
            auto l = std::make_unique<rz::Line>();
            const int n = curves ? 26 : 500;
            for (int i = 0; i < n; ++i) {
                const float t = float(i) / float(n - 1);
                l->nodes.push_back({t * 50000.0f, 1000.0f * float(k) + 800.0f * std::sin(t * 12.0f), 0});
            }
            l->flags = uint32_t(curves ? 2 : 4) << rz::kLineMethodShift;
            (k == 0 ? c.linesA : c.linesB).push_back(std::move(l));
        }
        rz::RebuildCell(c, rz::TSmooth{}, nullptr);
        rz::MeasureCell(c);
        rz::RestoreUseSize(c);
    }
    return rz::WriteMotifLibrary(lib);
}

void BM_LibraryLoadAndRebuild(benchmark::State& state) {
    const std::vector<uint8_t> bytes = PartLibrary(state.range(0) != 0);
    const rz::TSmooth smooth;
    size_t points = 0;
    for (auto _ : state) {
        rz::MotifLibrary lib;
        rz::ReadMotifLibrary(bytes, lib, smooth, nullptr);
        points = 0;
        for (auto& c : lib.cells)
            for (auto& l : c.linesB) points += l->eval.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points_per_line"] = double(points) / (40.0 * 19.0);
    state.counters["KB"] = double(bytes.size()) / 1e3;
}
BENCHMARK(BM_LibraryLoadAndRebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CellShape10000Points(benchmark::State& state) {
    rz::MotifCell c;
    auto m = std::make_unique<rz::Motif>();
    rz::Polyline pl;
    for (int i = 0; i < 10000; ++i) pl.push_back({float(i), 500.0f * std::sin(float(i) * 0.01f)});
    m->shape.push_back(std::move(pl));
    m->x = 5000.0f;
    c.motifs.push_back(std::move(m));
    rz::MeasureCell(c);
    c.useW = 3000.0f;
    c.useH = 800.0f;
    for (auto _ : state) {
        auto s = rz::CellShape(c, 12);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_CellShape10000Points)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
