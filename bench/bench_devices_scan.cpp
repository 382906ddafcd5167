// Scan input of a full A3 sheet at 600 dots per inch (7016 × 9921 pixels): the outline method
// on thirty pieces with twenty pin holes and a slot each, the single-line method on pieces
// drawn with 0.5 mm strokes, and the external tracer potrace on the same file for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "devices/scan_input.h"
#include "model/platform.h"

namespace {

constexpr int kW = 7016, kH = 9921;
constexpr double kDpmm = 600 / 25.4;

// Writes a one-bit BMP row by row from `paper(c, r)`, without holding the picture.
template <class Paper>
std::string WriteSheet(const std::string& name, Paper&& paper) {
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    const uint32_t rowBytes = (kW + 31) / 32 * 4, off = 62;
    std::vector<uint8_t> h(off, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) h[at + size_t(k)] = uint8_t(v >> (8 * k));
    };
    h[0] = 'B', h[1] = 'M';
    put32(2, off + rowBytes * kH);
    put32(10, off);
    put32(14, 40);
    put32(18, kW);
    put32(22, kH);
    h[26] = 1, h[28] = 1;
    put32(38, 23622), put32(42, 23622);
    put32(46, 2);
    h[58] = h[59] = h[60] = 0xFF;  // entry 1 white: the paper on bit 1
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(h.data()), long(h.size()));
    std::vector<uint8_t> row(rowBytes);
    for (int r = 0; r < kH; ++r) {
        std::fill(row.begin(), row.end(), 0);
        for (int c = 0; c < kW; ++c)
            if (paper(c, r)) row[size_t(c / 8)] |= uint8_t(0x80 >> (c % 8));
        out.write(reinterpret_cast<const char*>(row.data()), long(rowBytes));
    }
    return path;
}

// Thirty pieces in a grid of 5 × 6 cells: rounded shapes 50 × 56 mm.
struct Sheet {
    static bool inPiece(double x, double y, double& lx, double& ly) {
        const double cw = kW / 5.0, ch = kH / 6.0;
        int i = int(x / cw), j = int(y / ch);
        lx = (x - (i + 0.5) * cw) / kDpmm;  // mm from the cell's centre
        ly = (y - (j + 0.5) * ch) / kDpmm;
        double ex = lx / 25, ey = ly / 28;
        return ex * ex * ex * ex + ey * ey * ey * ey <= 1;
    }
    // Twenty pin holes of 1.8 mm in two rows, and a slot of 15 × 2 mm.
    static bool inHole(double lx, double ly) {
        for (int k = 0; k < 10; ++k)
            for (double row : {-12.0, 12.0})
                if (std::hypot(lx - (-18 + 4 * k), ly - row) <= 0.9) return true;
        return std::fabs(lx) <= 7.5 && std::fabs(ly) <= 1;
    }
};

const std::string& OutlineFile() {
    static const std::string path = WriteSheet("rozedoz-bench-outline.bmp", [](int c, int r) {
        double lx, ly;
        return Sheet::inPiece(c, r, lx, ly) && !Sheet::inHole(lx, ly);
    });
    return path;
}

// The same pieces drawn as 0.5 mm strokes on white paper, with a line across each.
const std::string& LineFile() {
    static const std::string path = WriteSheet("rozedoz-bench-lines.bmp", [](int c, int r) {
        const double half = 0.25 * kDpmm;
        double lx, ly;
        bool in = Sheet::inPiece(c, r, lx, ly);
        bool near = false;
        for (int dc : {-1, 1})
            for (int dr : {-1, 1}) {
                double ox, oy;
                if (Sheet::inPiece(c + dc * half, r + dr * half, ox, oy) != in) near = true;
            }
        bool across = in && std::fabs(ly) * kDpmm <= half;
        return !(near || across);
    });
    return path;
}

long MaxRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The resident size now (the peak above is never lowered again).
long RssKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Scan(benchmark::State& state, const std::string& path, rz::ScanMethod method, int page) {
    rz::HeadlessPlatform platform;
    long before = RssKb();
    int parts = 0, pins = 0, lines = 0, scanLines = 0;
    for (auto _ : state) {
        rz::TDoc doc(platform);
        doc.setCurrentPage(page);
        rz::ScanReport r = rz::ScanBmpFile(doc, path, method);
        if (!r.ok()) state.SkipWithError("the sheet could not be read");
        parts = r.parts, pins = r.pins, lines = r.lines, scanLines = r.scanLines;
    }
    state.counters["parts"] = parts;
    state.counters["pins"] = pins;
    state.counters["lines"] = lines;
    state.counters["scan_lines"] = scanLines;
    // The peak resident size over what the process held before, per pixel (the first scan of
    // the process sets the peak; later ones of the same size do not raise it).
    state.counters["peak_bytes_per_pixel"] = double(MaxRssKb() - before) * 1024 / (double(kW) * kH);
}

void BM_ScanOutlineA3At600Dpi(benchmark::State& state) { Scan(state, OutlineFile(), rz::ScanMethod::Outline, 0); }
BENCHMARK(BM_ScanOutlineA3At600Dpi)->Name("scan_outline_a3_600dpi")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScanSingleLineA3At600Dpi(benchmark::State& state) {
    Scan(state, LineFile(), rz::ScanMethod::SingleLine, 3);
}
BENCHMARK(BM_ScanSingleLineA3At600Dpi)->Name("scan_single_line_a3_600dpi")->Unit(benchmark::kMillisecond)->Iterations(3);

// The external tracer on the same file, for comparison (skipped where it is not installed).
void BM_PotraceA3At600Dpi(benchmark::State& state) {
    if (std::system("potrace --version > /dev/null 2>&1") != 0) {
        state.SkipWithError("potrace is not installed");
        return;
    }
    const std::string cmd = "potrace -b svg -o /dev/null " + OutlineFile();
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("potrace failed");
}
BENCHMARK(BM_PotraceA3At600Dpi)->Name("potrace_outline_a3_600dpi")->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
