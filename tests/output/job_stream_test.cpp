// The cutter streams byte for byte, and the cutter test page read back by an HPGL renderer.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "output/job_stream.h"
#include "output/sheet_rules.h"

namespace rz {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<std::string> parts) {
    std::vector<uint8_t> v;
    for (const std::string& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

std::string F32(float x, float y) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &x, 4);
    std::memcpy(s.data() + 4, &y, 4);
    return s;
}

PlotItem Item(Polyline pts, int kind, int tool, int pen, int32_t piece, uint32_t extra = kItemChosen) {
    PlotItem it;
    it.points = std::move(pts);
    it.setKind(kind);
    it.setTool(tool);
    it.setPen(pen);
    it.pieceId = piece;
    it.flags |= extra;
    return it;
}

TEST(JobStream, ModeOneBytesForEveryFinalPositionAndModeZero) {
    ItemList items = {Item({{0, 0}, {250, 500}}, kItemOutline, kToolFullCut, 2, 1),
                      Item({{9, 9}}, kItemHole, kToolPen, 5, 1, kItemExcluded),  // not sent
                      Item({{1.5f, -2}}, kItemHole, kToolPen, 15, 2)};
    const std::string body = std::string("\x03INZZ", 5) + std::string("\x02\x00", 2) + F32(0, 0) + F32(250, 500) +
                             std::string("\x01\x00", 2) + F32(1.5f, -2) + std::string("\x00\x00", 2) + "\x02\x0F";
    const char* trailers[] = {"PU400.00000,0.00000ZE",   "PU0.00000,200.00000ZE", "PU400.00000,800.00000ZE",
                              "PU0.00000,400.00000ZE",   "PU200.00000,400.00000ZE", "ZE",
                              "PU400.00000,800.00000ZE"};  // an unknown code goes to the far corner
    for (int code = 0; code <= 6; ++code) {
        std::vector<StreamEntry> entries;
        EXPECT_EQ(BuildJobStream(items, code, 1000, 2000, &entries), Bytes({body, trailers[code]})) << code;
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[1].pen, 15);
    }
    EXPECT_EQ(BuildMoveStream({250, 2.5f}), Bytes({"\x03INPU100.00000,1.00000ZE"}));
    // Nothing chosen: header, the zero count and the trailer only.
    for (PlotItem& it : items) it.flags &= ~kItemChosen;
    EXPECT_EQ(BuildJobStream(items, 5, 1000, 2000), Bytes({std::string("\x03INZZ\x00\x00", 7), "ZE"}));
}

TEST(JobStream, LongItemsGoOutInJoinedChunksAndEmptyItemsNever) {
    Polyline pts(70000);
    for (size_t i = 0; i < pts.size(); ++i) pts[i] = {float(i), 1.0f};
    ItemList items = {Item({}, kItemInner, kToolPen, 1, 1), Item(pts, kItemOutline, kToolFullCut, 3, 1)};
    std::vector<StreamEntry> entries;
    std::vector<uint8_t> s = BuildJobStream(items, 5, 1e6f, 1e6f, &entries);
    ASSERT_EQ(entries.size(), 2u);  // the empty item sends nothing, not even a terminator
    EXPECT_EQ(entries[0].points, 65535u);
    EXPECT_EQ(entries[1].points, 70000u - 65535u + 1u);  // shares the joint point
    // Walk the stream as a cutter would: count, points, … zero, then one pen byte per run.
    size_t at = 5, runs = 0;
    float lastX = -1;
    for (;;) {
        uint16_t n = uint16_t(s[at] | (s[at + 1] << 8));
        at += 2;
        if (!n) break;
        float firstX;
        std::memcpy(&firstX, &s[at], 4);
        if (runs) EXPECT_EQ(firstX, lastX);
        std::memcpy(&lastX, &s[at + (n - 1) * 8], 4);
        at += n * 8u;
        ++runs;
    }
    EXPECT_EQ(runs, 2u);
    EXPECT_EQ(std::string(s.begin() + long(at), s.end()), std::string("\x03\x03ZE"));
    EXPECT_EQ(lastX, 69999.0f);
}

TEST(JobStream, NumbersIgnoreTheLocale) {
    const char* was = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = was ? was : "C";
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = name;
            break;
        }
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale really writes commas
    EXPECT_EQ(BuildMoveStream({3.75f, 0}), Bytes({"\x03INPU1.50000,0.00000ZE"}));
    EXPECT_EQ(FormatFixed(-0.5, 1), "-0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// The test page is HPGL after the ETX byte: hp2xx draws exactly one rectangle of the area.
TEST(JobStream, TestPageIsTheAreaRectangleForAnHpglReader) {
    std::vector<uint8_t> page = BuildTestPage(92300, 61800);
    const std::string text(page.begin(), page.end());
    EXPECT_EQ(text, "\x03INPAPU0.00000,0.00000PD36920.00000,0.00000,36920.00000,24720.00000,"
                    "0.00000,24720.00000,0.00000,0.00000PU;ZE");
    if (std::system("command -v hp2xx >/dev/null 2>&1") != 0) GTEST_SKIP() << "hp2xx is not installed";
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rz-testpage-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream f(dir / "page.plt", std::ios::binary);
        f.write(text.data(), long(text.size()));
    }
    // -t: true size; the gnuplot form lists the pen-up and pen-down vertices in millimetres.
    std::string cmd = "cd '" + dir.string() + "' && hp2xx -q -t -m gpt -f page.gpt page.plt >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(dir / "page.gpt");
    std::string line, drawn;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') drawn += line + ";";
    EXPECT_EQ(drawn, "0  0;923  0;923  618;0  618;0  0;");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rz
