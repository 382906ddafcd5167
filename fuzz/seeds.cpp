// Writes the seed corpus of the fuzz targets: small files made by our own writers, each taking
// the readers and the after-load steps down a different path.
//   fuzz_seeds OUTDIR    writes OUTDIR/xie/*.XIE and OUTDIR/settings/*.dat
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/design.h"
#include "model/sample.h"
#include "model/settings_file.h"
#include "model/xie.h"
#include "rich_design.h"

namespace fs = std::filesystem;
using namespace rz;

namespace {

bool Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::unique_ptr<Line> MakeLine(int method, std::vector<Node> nodes, float margin, uint32_t extra = 0) {
    auto l = std::make_unique<Line>();
    l->flags = (uint32_t(method) << 12) | extra;
    l->margin = margin;
    l->colour = 0x0000FF;
    l->nodes = std::move(nodes);
    return l;
}

// One line of every curve method, with break nodes, margins on either side and the
// self-symmetric step.
void EveryCurveMethod(Design& d) {
    Part& p = d.firstPart();
    p.linesA.push_back(MakeLine(0, {{0, 0, 0}, {4000, 0, 0}, {4000, 3000, kNodeBreak}, {0, 3000, 0}, {0, 0, 0}}, 300));
    p.linesB.push_back(MakeLine(1, {{500, 500, 0}, {1500, 900, 0}, {2500, 500, 0}, {3500, 900, 0}}, -150));
    p.linesB.push_back(MakeLine(2, {{500, 1500, 0}, {1500, 2100, kNodeBreak}, {2500, 1500, 0}}, 0, 0x800000));
    p.linesB.push_back(MakeLine(3, {{500, 2500, 0}, {1500, 2800, 0}, {2500, 2500, 0}}, 80));
    p.linesB.push_back(MakeLine(4, {{300, 300, 0}, {3700, 300, 0}, {3700, 2700, 0}}, -60));
    p.linesB.push_back(MakeLine(5, {{2000, 1500, kNodeBreak}, {800, 0, 0}, {0.5f, 2.5f, 0}}, 0));
}

// A zigzag whose margin makes a loop at every tooth, and one whose margin meets its own start.
void LoopyMargins(Design& d) {
    std::vector<Node> zig;
    for (int i = 0; i < 60; ++i) zig.push_back({40.0f * i, (i % 2) ? 600.0f : 0.0f, 0});
    d.firstPart().linesB.push_back(MakeLine(4, zig, 250));
    std::vector<Node> ring;
    for (int i = 0; i <= 24; ++i) {
        float r = (i % 2) ? 900.0f : 1500.0f;
        ring.push_back({r * std::cos(i * 0.2618f), r * std::sin(i * 0.2618f), 0});
    }
    ring.back() = ring.front();
    d.firstPart().linesA.push_back(MakeLine(2, ring, -400));
}

// Nodes far outside any pattern: a bad line, and one that would want more samples than a line
// may have.
void FarNodes(Design& d) {
    d.firstPart().linesB.push_back(
        MakeLine(2, {{0, -2147483650.0f, 0}, {0, 21626880, 65535}, {53068.3f, 1901579.1f, 0}}, -11.396f));
    std::vector<Node> far;
    for (int i = 0; i < 6; ++i) far.push_back({(i % 2 ? 9.9e6f : -9.9e6f), -9.9e6f + i * 3e6f, 0});
    d.firstPart().linesB.push_back(MakeLine(0, far, 500));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code ec;
    fs::create_directories(out / "xie", ec);
    fs::create_directories(out / "settings", ec);
    bool ok = true;
    auto xie = [&](const char* name, void (*build)(Design&)) {
        Design d;
        build(d);
        for (auto& part : d.parts) {  // the same bytes on any day
            part->year = 2026;
            part->month = 12;
            part->day = 9;
        }
        ok = Write(out / "xie" / name, WriteXie(d)) && ok;
    };
    xie("sample.XIE", BuildSampleDesign);
    xie("rich.XIE", test::BuildRichDesign);
    xie("curve-methods.XIE", EveryCurveMethod);
    xie("loopy-margins.XIE", LoopyMargins);
    xie("far-nodes.XIE", FarNodes);
    xie("empty.XIE", [](Design&) {});

    const std::string home = "/home/seed";
    Settings s = defaultSettings(home);
    ok = Write(out / "settings" / "defaults.dat", encodeSettings(s)) && ok;
    s.sheets[0].words[5] = 77;
    s.centimetreDisplay = 1;
    ok = Write(out / "settings" / "changed.dat", encodeSettings(s)) && ok;
    if (!ok) std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", out.c_str());
    return ok ? 0 : 1;
}
