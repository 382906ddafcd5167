// The motif library: its built-in cells, the file Vopa.ptn (round trip, identities, truncation
// at every byte, the backup of a damaged file, polylines past the 16-bit count), CellShape of
// every kind against plain arithmetic, use sizes, protection, and the side files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "model/bytes.h"
#include "model/gbk.h"
#include "model/motif_library.h"
#include "model/side_files.h"
#include "model/xie.h"
#include "rich_library.h"

using namespace rz;
namespace fs = std::filesystem;

namespace {

struct Box {
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
};
Box BoxOf(const Shape& s) {
    Box b;
    for (auto& pl : s)
        for (PointF p : pl) {
            b.minX = std::min(b.minX, p.x), b.maxX = std::max(b.maxX, p.x);
            b.minY = std::min(b.minY, p.y), b.maxY = std::max(b.maxY, p.y);
        }
    return b;
}

fs::path TempDir() {
    static int n = 0;
    fs::path d = fs::temp_directory_path() / ("rz_lib_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace

TEST(MotifLibrary, BuiltInCellsAsTheTableHasThem) {
    MotifLibrary lib;
    MakeBuiltInLibrary(lib, test::BoxTextLayout());
    const MotifCell& ellipse = lib.cells[0];
    EXPECT_TRUE(ellipse.empty());
    EXPECT_EQ(ellipse.useW, 200.0f);
    EXPECT_EQ(ellipse.contentH, 200.0f);
    for (int i = 1; i <= 5; ++i) {
        const MotifCell& c = lib.cells[size_t(i)];
        ASSERT_EQ(c.motifs.size(), 1u) << i;
        EXPECT_EQ(c.kind(), kCellKindMotifs);
        EXPECT_EQ(c.useW, 500.0f);
        EXPECT_EQ(c.useH, 500.0f);
        // One character at 500 × 500: its box, the motif anchored at the origin, tool 1.
        EXPECT_EQ(c.motifs[0]->shape.size(), 1u);
        EXPECT_EQ(c.contentW, 500.0f);
        EXPECT_EQ(c.motifs[0]->x, 0.0f);
        EXPECT_EQ(c.motifs[0]->flags & kFlagToolMask, 1u);
    }
    EXPECT_TRUE(lib.cells[6].empty());
    EXPECT_EQ(lib.cells[6].useW, 400.0f);
    EXPECT_EQ(lib.cells[6].useH, 400.0f);
    const float diameters[7] = {40, 100, 200, 300, 400, 500, 600};
    for (int i = 20; i <= 26; ++i) {
        const MotifCell& c = lib.cells[size_t(i)];
        ASSERT_EQ(c.pins.size(), 1u);
        EXPECT_EQ(c.kind(), kCellKindPins);
        EXPECT_EQ(c.pins[0]->diameter, diameters[i - 20]);
        EXPECT_EQ(c.pins[0]->x, 0.0f);
        EXPECT_EQ(c.pins[0]->flags & kFlagToolMask, 1u);
        EXPECT_FLOAT_EQ(c.useW, diameters[i - 20]);
        EXPECT_FLOAT_EQ(c.contentH, diameters[i - 20]);
    }
    for (int i : {7, 8, 19, 27, 39}) EXPECT_TRUE(lib.cells[size_t(i)].empty()) << i;
    // Without a font the character cells are there, with nothing in them.
    MotifLibrary bare;
    MakeBuiltInLibrary(bare, nullptr);
    EXPECT_TRUE(bare.cells[1].empty());
    EXPECT_EQ(bare.cells[21].pins.size(), 1u);
    // Pins follow the current pin cell; elsewhere, and for a pin cell edited down to nothing,
    // the 针径 setting.
    lib.currentCell = 21;
    EXPECT_FLOAT_EQ(CurrentPinDiameter(lib, 77.0f), 100.0f);
    lib.cells[21].useW = 300.0f;
    EXPECT_FLOAT_EQ(CurrentPinDiameter(lib, 77.0f), 200.0f);
    lib.currentCell = 10;
    EXPECT_FLOAT_EQ(CurrentPinDiameter(lib, 77.0f), 77.0f);
    lib.currentCell = 22;
    lib.cells[22].useW = lib.cells[22].useH = 0.0f;
    EXPECT_FLOAT_EQ(CurrentPinDiameter(lib, 77.0f), 77.0f);
}

TEST(MotifLibrary, FileRoundTripKeepsRecordsAndReferencesWithinACell) {
    MotifLibrary lib;
    test::BuildRichLibrary(lib);
    const std::vector<uint8_t> once = WriteMotifLibrary(lib);
    MotifLibrary back;
    const TSmooth smooth;
    LibraryReadResult r = ReadMotifLibrary(once, back, smooth, test::BoxTextLayout());
    EXPECT_EQ(r.cellsRead, kCellCount);
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(WriteMotifLibrary(back), once);
    const MotifCell& part = back.cells[8];
    EXPECT_EQ(part.cellWord, 0x12345678u);
    EXPECT_EQ(part.kind(), kCellKindPart);
    ASSERT_EQ(part.linesB.size(), 1u);
    EXPECT_EQ(part.linesB[0]->frontSym, part.linesA[0].get());
    EXPECT_FALSE(part.linesA[0]->eval.empty());
    EXPECT_FALSE(part.linesB[0]->second.empty());  // the margin's polyline is derived again
    EXPECT_FALSE(part.pins[0]->outline.empty());
    EXPECT_EQ(part.texts[0]->text, Utf8ToGbk("前帮"));
    EXPECT_EQ(part.texts[0]->strokes.size(), 2u);  // laid out again, two characters
    EXPECT_EQ(back.cells[9].linesB[1]->graded, back.cells[9].linesB[0].get());
    EXPECT_EQ(back.cells[9].kind(), kCellKindCurves);
    for (int i = 0; i < kCellCount; ++i) {
        EXPECT_EQ(back.cells[size_t(i)].useW, lib.cells[size_t(i)].useW) << i;
        EXPECT_EQ(back.cells[size_t(i)].contentX, lib.cells[size_t(i)].contentX) << i;
    }

    // Other identities: the first line of cell 8 stored as 9 and the line B's reference with
    // it; a base point and a graded copy that no cell holds. The first pair resolves within
    // the cell, the rest become null, and the rewrite is the file as our writer makes it.
    std::vector<uint8_t> other = once;
    // The start of cell 8: the bytes of cells 0–7 as written alone.
    MotifLibrary prefix;
    for (int i = 0; i < 8; ++i) std::swap(prefix.cells[size_t(i)], lib.cells[size_t(i)]);
    const std::vector<uint8_t> firstEight = WriteMotifLibrary(prefix);
    for (int i = 0; i < 8; ++i) std::swap(prefix.cells[size_t(i)], lib.cells[size_t(i)]);
    const size_t at = firstEight.size() - size_t(kCellCount - 8) * (12 + kCellRecordSize);
    auto put = [&](size_t off, uint32_t v) {
        other[off] = uint8_t(v), other[off + 1] = uint8_t(v >> 8), other[off + 2] = uint8_t(v >> 16),
        other[off + 3] = uint8_t(v >> 24);
    };
    const size_t record = at + 12, lineA = record + kCellRecordSize;
    ASSERT_EQ(GetU32(other.data(), record + 28), 1u);  // the head of lines A: the line's identity
    put(record + 28, 9);
    put(lineA + 32, 5);   // a base point
    put(lineA + 40, 77);  // a graded copy
    const size_t lineB = lineA + 48 + 5 * 12;
    ASSERT_EQ(GetU32(other.data(), lineB + 36), 1u);  // front symmetry: the line A
    put(lineB + 36, 9);
    MotifLibrary patched;
    ASSERT_FALSE(ReadMotifLibrary(other, patched, smooth, test::BoxTextLayout()).damaged);
    EXPECT_EQ(patched.cells[8].linesB[0]->frontSym, patched.cells[8].linesA[0].get());
    EXPECT_EQ(patched.cells[8].linesA[0]->basePoint, nullptr);
    EXPECT_EQ(patched.cells[8].linesA[0]->graded, nullptr);
    EXPECT_EQ(WriteMotifLibrary(patched), once);
}

TEST(MotifLibrary, EveryTruncationKeepsTheWholeCellsBeforeIt) {
    MotifLibrary lib;
    test::BuildRichLibrary(lib);
    const std::vector<uint8_t> full = WriteMotifLibrary(lib);
    // Where each cell ends in the file.
    std::vector<size_t> ends;
    {
        MotifLibrary part;
        for (int i = 0; i < kCellCount; ++i) {
            std::swap(part.cells[size_t(i)], lib.cells[size_t(i)]);
            std::vector<uint8_t> w = WriteMotifLibrary(part);
            ends.push_back(w.size() - size_t(kCellCount - 1 - i) * (12 + kCellRecordSize));
        }
        for (int i = 0; i < kCellCount; ++i) std::swap(part.cells[size_t(i)], lib.cells[size_t(i)]);
    }
    ASSERT_EQ(ends.back(), full.size());
    const TSmooth smooth;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        MotifLibrary got;
        LibraryReadResult r = ReadMotifLibrary(cut, got, smooth, test::BoxTextLayout());
        ASSERT_TRUE(r.damaged) << n;
        ASSERT_TRUE(got.readDamaged);
        const int whole = int(std::upper_bound(ends.begin(), ends.end(), n) - ends.begin());
        ASSERT_EQ(r.cellsRead, whole) << n;
        for (int i = whole; i < kCellCount; ++i) {
            ASSERT_TRUE(got.cells[size_t(i)].empty()) << n << " " << i;
            ASSERT_EQ(got.cells[size_t(i)].useW, 0.0f);
        }
        if (whole > 8) {
            ASSERT_EQ(got.cells[8].linesB[0]->frontSym, got.cells[8].linesA[0].get());
        }
    }
}

TEST(MotifLibrary, DamagedFileIsKeptAsBakAndLongPolylinesAreSplit) {
    const fs::path dir = TempDir();
    const std::string path = (dir / kLibraryFileName).string();
    const TSmooth smooth;
    // Missing: the built-in library, and nothing is kept aside when it is written.
    MotifLibrary lib;
    LibraryLoad l = LoadMotifLibrary(path, lib, smooth, test::BoxTextLayout());
    EXPECT_FALSE(l.opened);
    EXPECT_EQ(lib.cells[21].pins.size(), 1u);
    ASSERT_TRUE(SaveMotifLibrary(path, lib));
    EXPECT_FALSE(fs::exists(path + ".bak"));

    // A motif of 70,000 points: the 16-bit count splits it into runs that share their joints.
    Polyline big;
    for (int i = 0; i < 70000; ++i) big.push_back({float(i % 1000), float(i / 1000)});
    auto m = std::make_unique<Motif>();
    m->shape = {big};
    lib.cells[30].motifs.push_back(std::move(m));
    const std::vector<uint8_t> bytes = WriteMotifLibrary(lib);
    MotifLibrary back;
    ASSERT_FALSE(ReadMotifLibrary(bytes, back, smooth, nullptr).damaged);
    const Shape& s = back.cells[30].motifs[0]->shape;
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].size(), 65535u);
    Polyline joined = s[0];
    EXPECT_EQ(s[1].front(), s[0].back());
    joined.insert(joined.end(), s[1].begin() + 1, s[1].end());
    EXPECT_EQ(joined, big);

    // A file cut inside cell 30: the whole cells before it are read, the original is kept as
    // the backup before the exit write, and the new file reads whole.
    const std::string cut(bytes.begin(), bytes.begin() + long(bytes.size() - 100000));
    WriteBytes(path, cut);
    MotifLibrary damaged;
    l = LoadMotifLibrary(path, damaged, smooth, nullptr);
    EXPECT_TRUE(l.opened);
    EXPECT_TRUE(l.read.damaged);
    EXPECT_EQ(l.read.cellsRead, 30);
    ASSERT_TRUE(SaveMotifLibrary(path, damaged));
    std::ifstream bak(path + ".bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(bak), {}), cut);
    MotifLibrary again;
    l = LoadMotifLibrary(path, again, smooth, nullptr);
    EXPECT_FALSE(l.read.damaged);
    EXPECT_EQ(again.cells[21].pins.size(), 1u);
    EXPECT_TRUE(again.cells[30].empty());
    fs::remove_all(dir);
}

TEST(MotifLibrary, CellShapeOfEveryKindAtItsUseSize) {
    MotifLibrary lib;
    test::BuildRichLibrary(lib);
    // The ellipse: axes of the use size about the anchor at the origin.
    lib.cells[0].useW = 300.0f;
    lib.cells[0].useH = 120.0f;
    auto e = CellShape(lib.cells[0], 0);
    ASSERT_TRUE(e);
    Box b = BoxOf(e->shape);
    EXPECT_NEAR(b.minX, -150.0f, 1e-3f);
    EXPECT_NEAR(b.maxX, 150.0f, 1e-3f);
    EXPECT_NEAR(b.maxY, 60.0f, 1e-3f);
    EXPECT_EQ(e->anchor, (PointF{0, 0}));

    // Motifs only: the first motif's shape and position, scaled by use / content per axis.
    MotifCell& motifs = lib.cells[10];  // a triangle 600 × 900 from (0, 0), anchored at (300, 300)
    motifs.useW = 1200.0f;
    motifs.useH = 450.0f;
    auto m = CellShape(motifs, 10);
    ASSERT_TRUE(m);
    b = BoxOf(m->shape);
    EXPECT_FLOAT_EQ(b.maxX - b.minX, 1200.0f);
    EXPECT_FLOAT_EQ(b.maxY - b.minY, 450.0f);
    EXPECT_FLOAT_EQ(m->anchor.x, 600.0f);
    EXPECT_FLOAT_EQ(m->anchor.y, 150.0f);

    // Anything else: every polyline moved to the content corner; the box is the use size.
    MotifCell& part = lib.cells[8];
    part.useW = 2000.0f;
    part.useH = 1000.0f;
    auto p = CellShape(part, 8);
    ASSERT_TRUE(p);
    b = BoxOf(p->shape);
    EXPECT_NEAR(b.minX, 0.0f, 1e-2f);
    EXPECT_NEAR(b.minY, 0.0f, 1e-2f);
    EXPECT_NEAR(b.maxX, 2000.0f, 1e-2f);
    EXPECT_NEAR(b.maxY, 1000.0f, 1e-2f);
    EXPECT_EQ(p->anchor, (PointF{0, 0}));
    // Lines, pin circle, both motif polylines and the text strokes are all there.
    size_t want = part.linesA.size() + part.linesB.size() + part.pins.size() + 2 + part.texts[0]->strokes.size();
    EXPECT_EQ(p->shape.size(), want);

    // A straight horizontal line has no height: that axis keeps its size, nothing is 0/0.
    MotifCell& flat = lib.cells[12];
    auto line = std::make_unique<Line>();
    line->nodes = {{100, 50, 0}, {500, 50, 0}};
    line->flags = 4u << kLineMethodShift;
    flat.linesB.push_back(std::move(line));
    RebuildCell(flat, TSmooth{}, nullptr);
    MeasureCell(flat);
    EXPECT_EQ(flat.contentH, 0.0f);
    flat.useW = 200.0f;
    flat.useH = 777.0f;
    auto f = CellShape(flat, 12);
    ASSERT_TRUE(f);
    b = BoxOf(f->shape);
    EXPECT_FLOAT_EQ(b.minX, 0.0f);
    EXPECT_FLOAT_EQ(b.maxX, 200.0f);
    EXPECT_FLOAT_EQ(b.minY, 0.0f);
    EXPECT_FLOAT_EQ(b.maxY, 0.0f);
    // A use size of 0, or a cell far outside any pattern: no shape.
    flat.useH = 0.0f;
    EXPECT_FALSE(CellShape(flat, 12));
    MotifCell& far = lib.cells[13];
    auto fm = std::make_unique<Motif>();
    fm->shape = {{{0, 0}, {1, 1}}};
    far.motifs.push_back(std::move(fm));
    far.contentW = far.contentH = 1e-9f;
    far.useW = far.useH = 9990.0f;
    EXPECT_FALSE(CellShape(far, 13));
}

TEST(MotifLibrary, UseSizesStayWithinTheirRangeAndCellsKeepTheirProtection) {
    MotifCell c;
    c.useW = 50.0f;
    EXPECT_TRUE(AdjustUseSize(c, true, -100.0f));
    EXPECT_EQ(c.useW, 0.0f);
    EXPECT_FALSE(AdjustUseSize(c, true, 10.0f));
    EXPECT_EQ(c.useW, 10.0f);
    c.useH = 9950.0f;
    EXPECT_TRUE(AdjustUseSize(c, false, 100.0f));
    EXPECT_EQ(c.useH, 9990.0f);
    c.contentW = 30000.0f;  // a saved part wider than 99.9 mm
    c.contentH = std::nanf("");
    RestoreUseSize(c);
    EXPECT_EQ(c.useW, 9990.0f);
    EXPECT_EQ(c.useH, 0.0f);
    for (int i = 0; i < kCellCount; ++i)
        EXPECT_EQ(IsProtectedCell(i), i == 0 || i == 6 || (i >= 20 && i <= 26)) << i;

    MotifLibrary lib;
    MakeBuiltInLibrary(lib, nullptr);
    EXPECT_EQ(lib.firstFreeCell(), 7);
    for (int i = 7; i < kCellCount; ++i) lib.cells[size_t(i)].texts.push_back(std::make_unique<TextString>());
    lib.currentCell = 6;
    EXPECT_EQ(lib.firstFreeCell(), -1);
    EXPECT_FALSE(lib.moveToFreeCell());
    EXPECT_EQ(lib.currentCell, 6);
    lib.cells[33].clear();
    EXPECT_TRUE(lib.moveToFreeCell());
    EXPECT_EQ(lib.currentCell, 33);
}

TEST(SideFiles, HistoryAndHelpInEitherEncodingWithinTheirBounds) {
    const fs::path dir = TempDir();
    EXPECT_TRUE(ReadTextHistory((dir / "none.str").string()).empty());
    EXPECT_TRUE(ReadHelpText((dir / "none.cmt").string()).empty());
    // UTF-8 with a byte order mark, CR LF line ends and empty lines.
    WriteBytes(dir / "u.str", "\xEF\xBB\xBF前帮\r\n\r\n后跟 L\r\n\nABC");
    EXPECT_EQ(ReadTextHistory((dir / "u.str").string()), (std::vector<std::string>{"前帮", "后跟 L", "ABC"}));
    // The same lines in GBK.
    WriteBytes(dir / "g.str", Utf8ToGbk("前帮\r\n后跟 L\n"));
    EXPECT_EQ(ReadTextHistory((dir / "g.str").string()), (std::vector<std::string>{"前帮", "后跟 L"}));
    WriteBytes(dir / "g.cmt", Utf8ToGbk("操作指导\r\n第二行\r\n"));
    EXPECT_EQ(ReadHelpText((dir / "g.cmt").string()), "操作指导\n第二行\n");
    // Past the bound: the lines before it, the cut line dropped, never more than the bound.
    std::string big;
    for (int i = 0; big.size() <= kMaxHistoryBytes; ++i) big += "字串" + std::to_string(i) + "\n";
    WriteBytes(dir / "big.str", big);
    auto lines = ReadTextHistory((dir / "big.str").string());
    ASSERT_FALSE(lines.empty());
    EXPECT_LE(lines.size(), kMaxHistoryLines);
    EXPECT_EQ(lines.front(), "字串0");
    for (const std::string& s : lines) EXPECT_EQ(s.rfind("字串", 0), 0u);
    EXPECT_TRUE(IsUtf8("前帮 ascii"));
    EXPECT_FALSE(IsUtf8(Utf8ToGbk("前帮")));
    EXPECT_FALSE(IsUtf8("\xC0\x80"));  // an overlong form
    fs::remove_all(dir);
}
