// A full cutting table: 200 pieces, each an outline of 400 points, 12 inner lines of 60 points,
// 25 pins and 2 labels (about 8,000 items, 1.9 MB of stream).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <thread>

#include "output/cutfile.h"
#include "output/job.h"
#include "output/job_stream.h"
#include "output/sheet_rules.h"

namespace rz {
namespace {

constexpr float kW = 200000, kH = 120000;

ItemList Table() {
    ItemList items;
    for (int p = 0; p < 200; ++p) {
        const float cx = 5000.0f + 9500.0f * float(p % 20), cy = 6000.0f + 11500.0f * float(p / 20);
        auto add = [&](Polyline pts, int kind, int tool) {
            PlotItem it;
            it.points = std::move(pts);
            it.setKind(kind), it.setTool(tool), it.setPen(tool), it.pieceId = p + 1;
            items.push_back(std::move(it));
        };
        Polyline outline;
        for (int i = 0; i < 400; ++i) {
            double a = 2 * M_PI * i / 400;
            outline.push_back({float(cx + 4000 * std::cos(a)), float(cy + 5000 * std::sin(a))});
        }
        add(outline, kItemOutline, kToolFullCut);
        for (int l = 0; l < 12; ++l) {
            Polyline line;
            for (int i = 0; i < 60; ++i) line.push_back({cx - 3000 + 100.0f * i, cy - 3000 + 500.0f * l});
            add(line, kItemInner, kToolPen);
        }
        for (int k = 0; k < 25; ++k) add({{cx - 2000 + 160.0f * k, cy + 3500}}, kItemHole, kToolFullCut);
        for (int k = 0; k < 2; ++k) add({{cx, cy - 4000 + 300.0f * k}, {cx + 300, cy - 4000 + 300.0f * k}}, kItemLabel, kToolHalfCut);
    }
    return items;
}

void BM_SelectOrderStream(benchmark::State& state) {
    const ItemList base = Table();
    const View v = OrderingView({kW, kH});
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ItemList items = base;
        state.ResumeTiming();
        SelectForJob(items, kW, kH, false, false);
        OrderItems(items, v, {});
        std::vector<uint8_t> s = BuildJobStream(items, 0, kW, kH);
        bytes = s.size();
        benchmark::DoNotOptimize(s.data());
    }
    state.counters["items"] = double(base.size());
    state.counters["stream_bytes"] = double(bytes);
}
BENCHMARK(BM_SelectOrderStream)->Unit(benchmark::kMillisecond);

void BM_CutFileWriteRead(benchmark::State& state) {
    const ItemList items = Table();
    for (auto _ : state) {
        std::vector<uint8_t> b = WriteCutFile(items, {});
        CutFileContent c = ReadCutFile(b);
        benchmark::DoNotOptimize(c.items.data());
    }
}
BENCHMARK(BM_CutFileWriteRead)->Unit(benchmark::kMillisecond);

void BM_Arrange(benchmark::State& state) {
    const ItemList base = Table();
    for (auto _ : state) {
        state.PauseTiming();
        ItemList items = base;
        state.ResumeTiming();
        ArrangeSheet(items, kW, kH);
        benchmark::DoNotOptimize(items.data());
    }
}
BENCHMARK(BM_Arrange)->Unit(benchmark::kMillisecond);

// A job of 64 MiB to a loopback TCP printer that reads as fast as it can.
void BM_LoopbackTcpJob(benchmark::State& state) {
    const size_t size = 64u << 20;
    std::vector<uint8_t> bytes(size, 0x5A);
    int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(lfd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(lfd, 4);
    socklen_t len = sizeof a;
    ::getsockname(lfd, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string target = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    for (auto _ : state) {
        std::thread printer([&] {
            int c = ::accept(lfd, nullptr, nullptr);
            std::vector<char> buf(1 << 20);
            while (::read(c, buf.data(), buf.size()) > 0) {
            }
            ::close(c);
        });
        Job job(target, bytes);
        job.start();
        while (!job.wait(1000)) {
        }
        printer.join();
        if (job.outcome() != JobOutcome::Done) state.SkipWithError("job failed");
    }
    ::close(lfd);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_LoopbackTcpJob)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace rz

BENCHMARK_MAIN();
