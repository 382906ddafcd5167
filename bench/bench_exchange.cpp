// Exchange files: DXF import of a 20 MB drawing (30 parts × 15 sizes of 400-point closed
// polylines with lines, arcs and texts), 圆弧格式 of 15 sizes × 30 parts × 20 lines, and a 10 MB
// USM3 file. The DXF file is also written to the build folder (bench_exchange.dxf) so that
// another reader can be timed on the very same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "exchange/dxf.h"
#include "exchange/usm3.h"
#include "exchange/wirecut.h"
#include "model/font.h"

namespace {

void Num(std::string& s, const char* code, double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%s\r\n%.6f\r\n", code, v);
    s += b;
}

const std::string& DxfDrawing() {
    static const std::string text = [] {
        std::string s = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
        for (int piece = 0; piece < 30 * 15; ++piece) {
            const double ox = (piece % 30) * 300.0, oy = (piece / 30) * 200.0, r = 80.0 + piece % 7;
            s += "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n 70\r\n1\r\n";
            for (int i = 0; i < 400; ++i) {
                const double a = 2 * 3.141592653589793 * i / 400;
                s += "  0\r\nVERTEX\r\n  8\r\n0\r\n";
                Num(s, " 10", ox + r * std::cos(a) * (1 + 0.1 * std::sin(5 * a)));
                Num(s, " 20", oy + 0.6 * r * std::sin(a));
                Num(s, " 30", 0.0);
            }
            s += "  0\r\nSEQEND\r\n  8\r\n0\r\n";
            for (int i = 0; i < 100; ++i) {
                s += "  0\r\nLINE\r\n  8\r\n0\r\n";
                Num(s, " 10", ox + i), Num(s, " 20", oy), Num(s, " 30", 0);
                Num(s, " 11", ox + i + 0.5), Num(s, " 21", oy + 3), Num(s, " 31", 0);
            }
            for (int i = 0; i < 20; ++i) {
                s += "  0\r\nARC\r\n  8\r\n0\r\n";
                Num(s, " 10", ox + 10 * i), Num(s, " 20", oy + 50), Num(s, " 30", 0), Num(s, " 40", 4 + i % 3);
                Num(s, " 50", 10.0 * i), Num(s, " 51", 10.0 * i + 120);
            }
            for (int i = 0; i < 4; ++i) {
                s += "  0\r\nTEXT\r\n  8\r\n0\r\n";
                Num(s, " 10", ox + 20), Num(s, " 20", oy + 20 * i), Num(s, " 30", 0), Num(s, " 40", 5);
                s += "  1\r\nSIZE 235 PART 12\r\n";
            }
        }
        s += "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
        std::ofstream(std::string(ROZEDOZ_BINARY_DIR) + "/bench_exchange.dxf", std::ios::binary) << s;
        return s;
    }();
    return text;
}

void BM_DxfImport20MB(benchmark::State& state) {
    const std::string& text = DxfDrawing();
    rz::TFont font;
    font.load(std::string(ROZEDOZ_BINARY_DIR) + "/brelan.fnt");
    rz::DxfReadOptions opt;
    opt.font = &font;
    size_t n = 0;
    for (auto _ : state) {
        rz::DxfReadResult r = rz::ReadDxf(text, opt);
        n = r.polylines.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["MB"] = double(text.size()) / 1e6;
    state.counters["polylines"] = double(n);
}
BENCHMARK(BM_DxfImport20MB)->Unit(benchmark::kMillisecond);

void BM_ArcFormat15Sizes(benchmark::State& state) {
    // 30 parts × 20 free lines of 120 drawn points, each written for 15 sizes.
    std::vector<rz::Line> lines(30 * 20);
    for (size_t k = 0; k < lines.size(); ++k) {
        for (int i = 0; i < 120; ++i) {
            const double t = i / 119.0;
            lines[k].eval.push_back({float(k * 50 + 10000 * t), float(3000 * std::sin(3 * t + k))});
        }
    }
    for (auto _ : state) {
        size_t bytes = 0;
        for (int size = 0; size < 15; ++size) {
            std::vector<rz::WireRecord> recs;
            for (const rz::Line& l : lines) rz::AppendLineRecords(l, 12.0f, recs);
            bytes += rz::FormatWireCut(recs).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ArcFormat15Sizes)->Unit(benchmark::kMillisecond);

void BM_Usm3Import10MB(benchmark::State& state) {
    static const std::string text = [] {
        std::string s;
        while (s.size() < 10'000'000) {
            s += "\"<<LINES>>\"\r\n50\r\n";
            for (int l = 0; l < 50; ++l) {
                s += "400\r\n";
                char b[64];
                for (int i = 0; i < 400; ++i) {
                    std::snprintf(b, sizeof b, "%.3f,%.3f\r\n", i * 0.25, l * 1.5 - i * 0.125);
                    s += b;
                }
            }
        }
        return s;
    }();
    for (auto _ : state) {
        rz::Usm3ReadResult r = rz::ReadUsm3(text);
        benchmark::DoNotOptimize(r);
    }
    state.counters["MB"] = double(text.size()) / 1e6;
}
BENCHMARK(BM_Usm3Import10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
