// The undo ring: the cost of one snapshot, and the memory of a full ring.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "model/design.h"
#include "model/sample.h"
#include "model/undo.h"
#include "model/xie.h"

namespace {

size_t HeapInUse() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// 2,000 parts × 10 lines × 50 nodes: 20,000 line records. A session's ring is full after 31
// changes; from then on every push drops the oldest snapshot.
void BM_PushUndo20000Lines(benchmark::State& state) {
    rz::Design d;
    rz::BuildLargeDesign(d, 2000, 10, 50, 0, 0);
    rz::UndoRing ring;
    for (int i = 0; i < 32; ++i) ring.push(d);
    for (auto _ : state) ring.push(d);
    state.counters["lines"] = double(d.stats().lines);
}
BENCHMARK(BM_PushUndo20000Lines)->Unit(benchmark::kMillisecond);

// The first pushes after a load fill empty slots: every record is allocated.
void BM_PushUndo20000LinesEmptySlot(benchmark::State& state) {
    rz::Design d;
    rz::BuildLargeDesign(d, 2000, 10, 50, 0, 0);
    rz::UndoRing ring;
    for (auto _ : state) {
        state.PauseTiming();
        ring.reset();
        state.ResumeTiming();
        ring.push(d);
    }
}
BENCHMARK(BM_PushUndo20000LinesEmptySlot)->Unit(benchmark::kMillisecond);

// Undo copies a snapshot back into the design.
void BM_Undo20000Lines(benchmark::State& state) {
    rz::Design d;
    rz::BuildLargeDesign(d, 2000, 10, 50, 0, 0);
    rz::UndoRing ring;
    ring.push(d);
    ring.push(d);
    for (auto _ : state) {
        ring.undo(d);
        ring.redo(d);
    }
}
BENCHMARK(BM_Undo20000Lines)->Unit(benchmark::kMillisecond);

// The ≈30 MB benchmark pattern: heap held by a ring of 31 snapshots, against the file size.
void BM_FullRingMemory30MB(benchmark::State& state) {
    for (auto _ : state) {
        rz::Design d;
        rz::BuildLargeDesign(d, 2000, 10, 50, 100, 50);
        size_t fileBytes = rz::WriteXie(d).size();
        size_t before = HeapInUse();
        auto ring = std::make_unique<rz::UndoRing>();
        for (int i = 0; i < 31; ++i) ring->push(d);
        size_t after = HeapInUse();
        state.counters["snapshots"] = ring->stored();
        state.counters["file_MB"] = double(fileBytes) / 1e6;
        state.counters["ring_MB"] = double(after - before) / 1e6;
        state.counters["per_snapshot_MB"] = double(after - before) / 31.0 / 1e6;
    }
}
BENCHMARK(BM_FullRingMemory30MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
