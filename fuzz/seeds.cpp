// Writes the seed corpus of the fuzz targets: small files made by our own writers, each taking
// the readers and the after-load steps down a different path.
//   fuzz_seeds OUTDIR    writes OUTDIR/xie/*.XIE, OUTDIR/design/*.XIE, OUTDIR/settings/*.dat,
//                        OUTDIR/cutfile/*, OUTDIR/bmp/*.bmp, OUTDIR/library/*.ptn, OUTDIR/dxf/*.dxf,
//                        OUTDIR/wirecut/*.dat, OUTDIR/hpgl/*.plt and OUTDIR/usm3/*.3t2
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/bmp.h"
#include "exchange/dxf.h"
#include "model/design.h"
#include "model/motif_library.h"
#include "model/sample.h"
#include "model/settings_file.h"
#include "model/xie.h"
#include "output/cutfile.h"
#include "rich_design.h"
#include "rich_library.h"

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

// Small two-colour scans: paper pieces, a pin hole, a speck and a cut right across, in both row
// orders and both palette orders, with and without a density.
bool BmpSeeds(const fs::path& dir) {
    bool ok = true;
    int n = 0;
    for (int shape = 0; shape < 4; ++shape) {
        ScanImage img;
        img.allocate(37 + 11 * shape, 29 + 7 * shape);
        for (int r = 3; r < img.height - 3; ++r)
            for (int c = 4; c < img.width - 4; ++c)
                img.set(c, r, shape == 0 || std::hypot(c - img.width / 2.0, r - img.height / 2.0) > 3 + shape);
        if (shape >= 2) img.set(1, 1, true);
        if (shape == 3)
            for (int c = 0; c < img.width; ++c) img.set(c, img.height / 3, false);
        for (int variant = 0; variant < 4; ++variant) {
            char name[32];
            std::snprintf(name, sizeof name, "scan%d.bmp", n++);
            ok = Write(dir / name, WriteBmp(img, variant & 1, (variant & 2) != 0, variant == 3 ? 0 : 7874)) && ok;
        }
    }
    return ok;
}

// Little-endian bytes of the cut-file forms that are read but never written.
struct LE {
    std::vector<uint8_t> b;
    LE& raw(const void* p, size_t n) {
        auto* c = static_cast<const uint8_t*>(p);
        b.insert(b.end(), c, c + n);
        return *this;
    }
    LE& u16(uint16_t v) { return raw(&v, 2); }
    LE& u32(uint32_t v) { return raw(&v, 4); }
    LE& pt(float x, float y) { return raw(&x, 4).raw(&y, 4); }
};

// One small cut file of each form, and a 5.0 body without its banner.
bool CutFileSeeds(const fs::path& dir) {
    ItemList items;
    for (int piece = 1; piece <= 2; ++piece) {
        PlotItem outline, hole, label;
        outline.points = {{0, 0}, {1000.0f * piece, 0}, {1000.0f * piece, 600}, {0, 0}};
        outline.setKind(kItemOutline), outline.setTool(kToolFullCut), outline.setPen(2), outline.pieceId = piece;
        hole.points = {{300, 300}};
        hole.setKind(kItemHole), hole.setTool(kToolPen), hole.setPen(1), hole.pieceId = piece;
        label.points = {{100, 100}, {200, 150}};
        label.setKind(kItemLabel), label.setTool(kToolHalfCut), label.setPen(3), label.pieceId = piece;
        label.flags |= kItemSetAside;
        items.insert(items.end(), {outline, hole, label});
    }
    std::vector<MaterialRecord> material(2);
    material[0].fill(0x11);
    material[1].fill(0x22);
    bool ok = Write(dir / "sheet.OUT", WriteCutFile(items, material));
    ok = Write(dir / "empty.OUT", WriteCutFile({}, {})) && ok;
    LE v63;
    v63.raw(kBanner63, kBannerSize).u32(0x126).u16(0xFFFE).u16(2).u32(1).u32(1).pt(1, 2).pt(3, 4);
    v63.u32(0x113).u16(3).u16(1).u32(1).u32(0).pt(5, 6);
    ok = Write(dir / "v63.OUT", v63.b) && ok;
    LE v20;
    v20.raw(kBannerCut20, kBannerSize).u32(2).u32(1).u32(0x138).u32(5).u32(0).pt(7, 8).pt(9, 10);
    ok = Write(dir / "control20.OUT", v20.b) && ok;
    LE body;
    const uint8_t rec[18] = {3, 0, 0x45, 0, 4, 0, 0x12, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    body.raw(rec, sizeof rec).u16(4).pt(1, 2).pt(0, 0).pt(3, 4).pt(5, 6);
    LE v50;
    v50.raw(kBanner50, kBannerSize).raw(body.b.data(), body.b.size());
    ok = Write(dir / "v50.OUT", v50.b) && ok;
    return Write(dir / "v50-bare.OUT", body.b) && ok;
}

// Pieces, seam allowances and point rows as files may hold them: sound ones of every kind, and
// records a damaged file could bring (a count beyond its arrays, positions out of order or not
// numbers, margins beyond a metre, a row of 65535 points, a piece line without a source).
void PiecesAndRows(Design& d) {
    d.rangeFrom = 220, d.rangeTo = 260, d.step = 5, d.baseSize = 240;
    d.resizePerSizeArrays();
    Part& p = d.firstPart();
    p.linesA.push_back(MakeLine(4, {{0, 0, 0}, {6000, 0, 0}, {6000, 4000, 0}, {0, 4000, 0}, {0, 0, 0}}, 0));
    p.linesB.push_back(MakeLine(2, {{500, 500, 0}, {3000, 1500, 0}, {5500, 500, 0}}, 200));
    Line* a = p.linesA[0].get();
    Line* b = p.linesB[0].get();
    auto bits = [](float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    };
    auto seam = [&](Line* base, uint32_t n, std::vector<float> pos, std::vector<float> m) {
        auto s = std::make_unique<SeamAllowance>();
        s->baseLine = base;
        s->valueCount = n;
        std::vector<uint32_t> v1, v2;
        for (float f : pos) v1.push_back(bits(f));
        for (float f : m) v2.push_back(bits(f));
        s->values1 = v1;
        if (!m.empty()) s->values2 = v2;
        s->margin = 300;
        p.seamAllowances.push_back(std::move(s));
    };
    seam(a, 3, {0.0f, 0.5f, 1.0f}, {500, 1000, 500});
    seam(b, 2, {0.2f, 0.8f}, {});
    seam(b, 3, {0.0f, 0.7f, 0.4f}, {100, 100, 100});
    seam(b, 2, {0.0f, std::nanf("")}, {100, 2.0e5f});
    seam(a, 9, {0.0f, 1.0f}, {});
    auto row = [&](Line* host, uint32_t mode, uint16_t count, std::array<float, 7> f) {
        auto r = std::make_unique<PointRow>();
        r->host = host;
        r->v1 = count;
        r->f = f;
        r->v2 = 10;
        r->v3 = 1;
        r->flags = 1u | (mode << 4) | kFlagFolds;
        p.pointRows.push_back(std::move(r));
    };
    row(b, 0, 7, {0, 0, 0, 300, 0, 0, 100});
    row(b, 1, 0, {-100, 200, 150, 0, 500, 0, 100});
    row(a, 2, 5, {0, 0, 100, 0, 0, 0, 100});
    row(b, 0, 65535, {0, 0, 0, 0, 0, 0, 100});
    row(b, 1, 0, {std::nanf(""), -9000, 0, 0, 100, 0, std::nanf("")});
    auto piece = std::make_unique<Piece>();
    for (float s0 : {0.0f, 0.25f, 0.5f, 0.75f}) {
        auto pl = std::make_unique<PieceLine>();
        pl->source = {a, kKindLine};
        pl->start = s0, pl->end = s0 + 0.25f;
        pl->flags = 3;
        pl->f[0] = s0 == 0.25f ? 300.0f : 0.0f;
        piece->linesA.push_back(std::move(pl));
    }
    for (size_t i = 0; i < 4; ++i) {
        piece->linesA[i]->nextSeg = piece->linesA[(i + 1) % 4].get();
        piece->linesA[i]->prevSeg = piece->linesA[(i + 3) % 4].get();
    }
    auto inner = std::make_unique<PieceLine>();
    inner->source = {b, kKindLine};
    inner->prevSeg = piece->linesA[0].get();
    piece->linesB.push_back(std::move(inner));
    d.pieces.push_back(std::move(piece));
    auto broken = std::make_unique<Piece>();
    broken->slot = 1;
    auto bad = std::make_unique<PieceLine>();
    bad->start = std::nanf("");
    broken->linesA.push_back(std::move(bad));
    d.pieces.push_back(std::move(broken));
}

}  // namespace

// Our own two DXF formats and a file of every entity the reader knows, with codes as other
// programs write them.
bool DxfSeeds(const fs::path& dir) {
    const Polyline a{{0, 0}, {1000, 500}, {1000, 1000}, {0, 0}}, pin{{300, 300}};
    auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    bool ok = Write(dir / "polylines.dxf", bytes(WriteDxf({{&a, false}, {&pin, false}}, DxfLayout::Polylines)));
    ok = Write(dir / "segments.dxf", bytes(WriteDxf({{&a, false}, {&pin, false}}, DxfLayout::Segments))) && ok;
    const char* mix =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n"
        "0\nARC\n10\n0\n20\n0\n40\n5\n50\n350\n51\n10\n230\n-1\n0\nCIRCLE\n10\n1\n20\n1\n40\n2\n"
        "0\nPOLYLINE\n6\nDASHED\n70\n1\n0\nVERTEX\n10\n0\n20\n0\n42\n0.5\n0\nVERTEX\n10\n50\n20\n0\n"
        "0\nSEQEND\n0\nLWPOLYLINE\n90\n2\n70\n1\n10\n0\n20\n0\n42\n1\n10\n5\n20\n0\n"
        "0\nTEXT\n1\nAB\n10\n1\n20\n1\n40\n3\n50\n30\n0\nMTEXT\n3\n{\\fA;x}\n1\nA\\PB\\U+4E2D\n"
        "0\nSPLINE\n0\nENDSEC\n0\nEOF\n";
    return Write(dir / "entities.dxf", bytes(mix)) && ok;
}

// A wire-cut file of every record kind and an HPGL file of every instruction drawn.
bool WireAndPlotSeeds(const fs::path& wire, const fs::path& plot) {
    const char* dat = "L  1 =     0.00000,    0.00000,   10.00000,   -2.50500\r\n"
                      "A  2 =     0.00000,    0.00000,   10.00000,    0.00000,    0.00000,   10.00000,N\r\n"
                      "A  3 = 5,5, 6,5, 6,5,S\r\nno record\r\n";
    const char* plt = "IN;SP1;PU0,0;PD400,0,400,400;PR;PU100,0;PD0,100;PA;LBtext\x03;PU1000,0;CI200;"
                      "PU2000,0;PD;AA2000,400,90;AR10,10,-45;PU0,1000;EA400,1200;ER-5,-5;";
    bool ok = Write(wire / "records.dat", std::vector<uint8_t>(dat, dat + std::strlen(dat)));
    return Write(plot / "strokes.plt", std::vector<uint8_t>(plt, plt + std::strlen(plt))) && ok;
}

// Two USM3 sections, one with a count beyond its points.
bool Usm3Seeds(const fs::path& dir) {
    const char* t = "HEADER\r\n\"<<LINES>>\"\r\n2\r\n2\r\n12.5,-3\r\n1,2\r\n1\r\nbad\r\n"
                    "\"<<LINES>>\"\r\n9\r\n3\r\n0,0\r\n1,0\r\n";
    return Write(dir / "sections.3t2", std::vector<uint8_t>(t, t + std::strlen(t)));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code ec;
    fs::create_directories(out / "xie", ec);
    fs::create_directories(out / "settings", ec);
    fs::create_directories(out / "bmp", ec);
    fs::create_directories(out / "cutfile", ec);
    fs::create_directories(out / "library", ec);
    fs::create_directories(out / "design", ec);
    fs::create_directories(out / "dxf", ec);
    fs::create_directories(out / "wirecut", ec);
    fs::create_directories(out / "hpgl", ec);
    fs::create_directories(out / "usm3", ec);
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
    auto design = [&](const char* name, void (*build)(Design&)) {
        Design d;
        build(d);
        for (auto& part : d.parts) part->year = 2026, part->month = 12, part->day = 9;
        ok = Write(out / "design" / name, WriteXie(d)) && ok;
    };
    design("sample.XIE", BuildSampleDesign);
    design("pieces-rows.XIE", PiecesAndRows);
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
    ok = BmpSeeds(out / "bmp") && ok;
    ok = CutFileSeeds(out / "cutfile") && ok;
    ok = DxfSeeds(out / "dxf") && ok;
    ok = WireAndPlotSeeds(out / "wirecut", out / "hpgl") && ok;
    ok = Usm3Seeds(out / "usm3") && ok;

    // Motif libraries: the built-in cells (without a font), every cell kind with references
    // inside a cell, and a file that ends inside a cell.
    MotifLibrary lib;
    MakeBuiltInLibrary(lib, nullptr);
    ok = Write(out / "library" / "builtin.ptn", WriteMotifLibrary(lib)) && ok;
    test::BuildRichLibrary(lib);
    std::vector<uint8_t> rich = WriteMotifLibrary(lib);
    ok = Write(out / "library" / "rich.ptn", rich) && ok;
    rich.resize(rich.size() * 2 / 3);
    ok = Write(out / "library" / "cut.ptn", rich) && ok;
    if (!ok) std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", out.c_str());
    return ok ? 0 : 1;
}
