// DXF reader and writers on bytes, and the document side of 转入DXF / 转出 DXF文件.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "exchange/dxf.h"
#include "exchange/dxf_document.h"
#include "fake_platform.h"

namespace rz {
namespace {

std::string Crlf(std::string s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Group lines as other programs write them: codes right-aligned in three columns.
std::string Groups(std::initializer_list<std::pair<int, std::string>> g) {
    std::string s;
    for (auto& [code, v] : g) {
        std::string c = std::to_string(code);
        s += std::string(c.size() < 3 ? 3 - c.size() : 0, ' ') + c + "\n" + v + "\n";
    }
    return s;
}

DxfReadResult Read(const std::string& text, DxfReadOptions o = {}) { return ReadDxf(text, o); }

TEST(DxfWrite, SegmentExampleByteForByteAndCLocale) {
    // Under a decimal-comma locale the numbers keep their points.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    Polyline pl{{0, 0}, {1000, 500}};
    Polyline pin{{7, 7}};
    std::string s = WriteDxf({{&pl, false}, {&pin, false}}, DxfLayout::Segments);
    std::setlocale(LC_NUMERIC, saved.c_str());
    const std::string expect =
        "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1006\r\n"
        "  9\r\n$EXTMIN\r\n 10\r\n0.000000\r\n 20\r\n0.000000\r\n"
        "  9\r\n$EXTMAX\r\n 10\r\n10.000000\r\n 20\r\n5.000000\r\n"
        "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
        "  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n0.000000\r\n 20\r\n0.000000\r\n 11\r\n10.000000\r\n 21\r\n5.000000\r\n"
        "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    EXPECT_EQ(s, expect) << (german ? "de_DE" : "C");
    // Items that are left out of the segment format, and one-point items, write no LINE.
    std::string only = WriteDxf({{&pin, false}, {&pl, true}}, DxfLayout::Segments);
    EXPECT_EQ(only.find("LINE"), std::string::npos);
    EXPECT_NE(only.find("ENTITIES\r\n  0\r\nENDSEC"), std::string::npos);
}

TEST(DxfRead, OwnExportRoundTripsInBothFormats) {
    Polyline a{{-12345.67f, 250.5f}, {3000, -4000.25f}, {0.01f, 0.02f}, {-12345.67f, 250.5f}};
    Polyline b{{1e5f, 2e5f}, {1e5f + 1, 2e5f - 1}};
    std::string poly = WriteDxf({{&a, false}, {&b, false}}, DxfLayout::Polylines);
    DxfReadResult r = Read(poly);
    ASSERT_EQ(r.polylines.size(), 2u);
    EXPECT_FALSE(r.truncated);
    for (int k = 0; k < 2; ++k) {
        const Polyline& want = k ? b : a;
        ASSERT_EQ(r.polylines[size_t(k)].size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(r.polylines[size_t(k)][i].x, want[i].x, 1e-4 * std::max(1.f, std::fabs(want[i].x) / 1000));
            EXPECT_NEAR(r.polylines[size_t(k)][i].y, want[i].y, 1e-4 * std::max(1.f, std::fabs(want[i].y) / 1000));
        }
    }
    DxfReadResult s = Read(WriteDxf({{&a, false}, {&b, false}}, DxfLayout::Segments));
    ASSERT_EQ(s.polylines.size(), 4u);
    EXPECT_EQ(s.polylines[2][0].x, r.polylines[0][2].x);
    EXPECT_EQ(s.polylines[2][1].y, r.polylines[0][3].y);
}

TEST(DxfRead, PairsNotLinesTrimmedCodesAndCrLf) {
    // A layer named LINE, a text "EOF" and a value "SEQEND" are values, not entities; codes come
    // with spaces and the lines end in CR LF.
    std::string f = Groups({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {8, "LINE"}, {10, "1"}, {20, "2"},
                            {11, "3"}, {21, "4"}, {0, "POLYLINE"}, {8, "EOF"}, {66, "1"}, {70, "1"},
                            {0, "VERTEX"}, {8, "SEQEND"}, {10, "0"}, {20, "0"}, {0, "VERTEX"}, {10, "10"},
                            {20, "0"}, {0, "VERTEX"}, {10, "10"}, {20, "10"}, {0, "SEQEND"}, {0, "POLYLINE"},
                            {70, "1"}, {0, "SEQEND"}, {0, "ENDSEC"}, {0, "EOF"}});
    DxfReadResult r = Read(Crlf(f));
    ASSERT_EQ(r.polylines.size(), 2u);
    EXPECT_EQ(r.polylines[0], (Polyline{{100, 200}, {300, 400}}));
    // Closed: the first point again at the end; the empty closed polyline adds nothing.
    EXPECT_EQ(r.polylines[1], (Polyline{{0, 0}, {1000, 0}, {1000, 1000}, {0, 0}}));
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.dropped, 0);

    // Inches: a unit line is 2540 units long.
    DxfReadOptions in;
    in.unitScale = ImportUnitScale(2);
    EXPECT_EQ(Read(f, in).polylines[0][1].x, 7620.0f);
}

TEST(DxfRead, ArcsRunCounterClockwiseAndMirrorWithExtrusion) {
    auto arc = [](double a0, double a1, const char* z) {
        return Groups({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "10"}, {50, std::to_string(a0)},
                       {51, std::to_string(a1)}, {210, "0"}, {220, "0"}, {230, z}, {0, "EOF"}});
    };
    // 350° to 10° is the short arc through 0°, not the long way round.
    DxfReadResult r = Read(arc(350, 10, "1"));
    ASSERT_EQ(r.polylines.size(), 1u);
    for (PointF p : r.polylines[0]) {
        EXPECT_GT(p.x, 980.0f);
        EXPECT_NEAR(std::hypot(p.x, p.y), 1000.0f, 0.5f);
    }
    EXPECT_LT(r.polylines[0].front().y, 0.0f);
    EXPECT_GT(r.polylines[0].back().y, 0.0f);
    // Mirrored: the same arc with x negated.
    DxfReadResult m = Read(arc(350, 10, "-1"));
    ASSERT_EQ(m.polylines[0].size(), r.polylines[0].size());
    for (size_t i = 0; i < m.polylines[0].size(); ++i) {
        EXPECT_EQ(m.polylines[0][i].x, -r.polylines[0][i].x);
        EXPECT_EQ(m.polylines[0][i].y, r.polylines[0][i].y);
    }
}

TEST(DxfRead, DashesBadNumbersAndLongPolylines) {
    auto poly = [](const char* ltype, std::string x1) {
        return Groups({{0, "POLYLINE"}, {6, ltype}, {0, "VERTEX"}, {10, "0"}, {20, "0"}, {0, "VERTEX"},
                       {10, x1}, {20, "0"}, {0, "SEQEND"}, {0, "EOF"}});
    };
    // 100 mm dashed by 15 and 5: drawn stretches start at 0, 20, 40, 60, 80 mm.
    DxfReadResult d = Read(poly("DASHED", "100"));
    ASSERT_EQ(d.polylines.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(d.polylines[i].front().x, 2000.0f * float(i), 1e-2);
        EXPECT_NEAR(d.polylines[i].back().x, 2000.0f * float(i) + 1500, 1e-2);
    }
    DxfReadOptions noDash;
    noDash.dashLong = 0;
    EXPECT_EQ(Read(poly("DASHED", "100"), noDash).polylines.size(), 1u);
    // Numbers that are not numbers, or not finite in float, drop their entity only.
    for (const char* bad : {"nan", "1e39", "12,5", "x"}) {
        DxfReadResult b = Read(poly("CONTINUOUS", bad) + Groups({{0, "LINE"}, {0, "EOF"}}));
        EXPECT_EQ(b.dropped, 1) << bad;
        EXPECT_TRUE(b.polylines.empty()) << bad;
    }
    // Longer than a pattern file's shape count: split into runs that share their ends.
    Shape s{Polyline(70000)};
    for (size_t i = 0; i < 70000; ++i) s[0][i] = {float(i), 0};
    SplitLongPolylines(s);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].size(), 65535u);
    EXPECT_EQ(s[1].front(), s[0].back());
    EXPECT_EQ(s[1].back().x, 69999.0f);
}

TEST(DxfRead, EveryPrefixGivesAPrefixOfTheWhole) {
    Polyline a{{0, 0}, {100, 0}, {100, 100}};
    std::string file = WriteDxf({{&a, false}, {&a, false}}, DxfLayout::Polylines);
    file.insert(file.find("  0\r\nENDSEC\r\n  0\r\nEOF"),
                Crlf(Groups({{0, "ARC"}, {10, "1"}, {20, "1"}, {40, "2"}, {50, "0"}, {51, "90"},
                             {0, "LWPOLYLINE"}, {90, "2"}, {70, "1"}, {10, "0"}, {20, "0"}, {42, "1"},
                             {10, "5"}, {20, "0"}, {0, "TEXT"}, {1, "AB"}, {0, "SPLINE"}})));
    DxfReadResult whole = Read(file);
    ASSERT_EQ(whole.polylines.size(), 4u);
    EXPECT_EQ(whole.skipped.at("SPLINE"), 1);
    for (size_t n = 0; n < file.size(); ++n) {
        DxfReadResult r = Read(file.substr(0, n));
        if (n + 2 < file.size()) ASSERT_TRUE(r.truncated) << n;
        ASSERT_LE(r.polylines.size(), whole.polylines.size()) << n;
        for (size_t i = 0; i < r.polylines.size(); ++i) ASSERT_EQ(r.polylines[i], whole.polylines[i]) << n;
    }
}

TEST(DxfText, MtextCodesUnicodeEscapesAndGbk) {
    EXPECT_EQ(DxfTextToGbk("\\A1;{\\fArial|b0;AB}\\PC\\~D", true), "AB;C D");
    EXPECT_EQ(DxfTextToGbk("1\\S1^2;", true), "11/2");
    // \U+4E2D is 中, GBK D6 D0; UTF-8 text is converted, GBK bytes are kept.
    EXPECT_EQ(DxfTextToGbk("\\U+4E2D", false), "\xD6\xD0");
    EXPECT_EQ(DxfTextToGbk("\xE4\xB8\xAD", false), "\xD6\xD0");
    EXPECT_EQ(DxfTextToGbk("\xD6\xD0", false), "\xD6\xD0");
    EXPECT_EQ(DxfTextToGbk("100%%d", false), "100\xA1\xE3");
}

TEST(DxfDocument, FrontAndBackImportAndExportFiles) {
    test::FakePlatform platform;
    TDoc doc(platform);
    const int undoBefore = doc.undo.stored();
    doc.settings.displayFlags &= ~kDispScan;
    EXPECT_FALSE(AddDxfToScanLines(doc, Shape{Polyline{}}));
    ASSERT_TRUE(AddDxfToScanLines(doc, Shape{{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}}));
    ASSERT_EQ(doc.scanLines.size(), 1u);
    EXPECT_EQ(doc.scanLines[0]->shape.size(), 2u);
    EXPECT_TRUE(doc.settings.displayFlags & kDispScan);
    EXPECT_TRUE(doc.design.flags & kDesignSaveScan);
    EXPECT_EQ(doc.undo.stored(), undoBefore + 1);

    PLTC& sheet = SheetOf(doc, 0);
    sheet.items.push_back({});
    ASSERT_TRUE(AddDxfToSheet(sheet, Shape{{{0, 0}, {1000, 500}}}));
    ASSERT_EQ(sheet.items.size(), 2u);
    EXPECT_EQ(sheet.items[1].kind(), kItemOutline);
    EXPECT_EQ(sheet.items[1].tool(), 0);
    EXPECT_EQ(sheet.items[1].pieceId, 0);
    EXPECT_TRUE(sheet.ring.canUndo());

    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rz_dxf_" + std::to_string(::getpid()));
    std::string msg;
    std::string path = ExportSheetDxf(sheet, (dir / "DXF").string(), 235, DxfLayout::Segments, msg);
    EXPECT_EQ(fs::path(path).filename(), "235.DXF");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find(" 11\r\n10.000000\r\n 21\r\n5.000000\r\n"), std::string::npos);
    // A folder that cannot be made: the message names the file, nothing claims success.
    std::ofstream(dir / "plain") << "x";
    msg.clear();
    EXPECT_TRUE(ExportSheetDxf(sheet, (dir / "plain" / "DXF").string(), 7, DxfLayout::Polylines, msg).empty());
    EXPECT_EQ(msg.rfind("不能打开 ", 0), 0u);
    EXPECT_NE(msg.find("007.DXF"), std::string::npos);
    PLTC& empty = SheetOf(doc, 1);
    msg.clear();
    EXPECT_TRUE(ExportSheetDxf(empty, dir.string(), 1, DxfLayout::Polylines, msg).empty());
    EXPECT_TRUE(msg.empty());
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rz
