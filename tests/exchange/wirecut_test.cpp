// Wire-cut files (圆弧格式, 直线格式, 转入 线切割) and NC programs (看程序), checked against
// circle arithmetic done here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "exchange/wirecut.h"
#include "fake_platform.h"
#include "model/units.h"

namespace rz {
namespace {

constexpr double kPi = 3.14159265358979323846;

Polyline CircleArc(PointF c, float r, double a0, double a1, int n) {
    Polyline p;
    for (int i = 0; i <= n; ++i) {
        double a = a0 + (a1 - a0) * i / n;
        p.push_back({float(c.x + r * std::cos(a)), float(c.y + r * std::sin(a))});
    }
    return p;
}

std::unique_ptr<Line> LineOf(int method, std::vector<PointF> nodes, Polyline eval) {
    auto l = std::make_unique<Line>();
    l->flags = uint32_t(method) << 12;
    for (PointF p : nodes) l->nodes.push_back({p.x, p.y, 0});
    l->eval = std::move(eval);
    return l;
}

TEST(WireCut, RecordTextsAndReadingBack) {
    WireRecord s;
    s.start = {0, 0};
    s.end = {1000, -250.5f};
    WireRecord a;
    a.arc = true;
    a.centre = {0, 0};
    a.start = {1000, 0};
    a.end = {0, 1000};
    EXPECT_EQ(FormatWireCut({s, a}),
              "L  1 =     0.00000,    0.00000,   10.00000,   -2.50500\r\n"
              "A  2 =     0.00000,    0.00000,   10.00000,    0.00000,    0.00000,   10.00000,N\r\n");
    // 'N' from angle 0 to π/2 passes π/4; 'S' the other way round passes −3π/4.
    WireReadResult r = ReadWireCut(
        "A  1 = 0,0, 10,0, 0,10,N\r\n"
        "A  2 = 0,0, 10,0, 0,10,S\n"
        "no record here\n"
        " = 1,2,3,4\n"
        "L  3 = 1, 2, x, 4\n"
        "L  4 = 1, 2, 3, 4\n"
        "A  5 = 5,5, 6,5, 6,5,N\n"
        // A circle about a far centre would reach beyond what a record can hold: skipped.
        "A  6 = 5,5055055, 6,5, 6,5,S\n");
    EXPECT_EQ(r.skipped, 4);
    ASSERT_EQ(r.lines.size(), 5u);
    EXPECT_EQ(r.lines[0].method, 3);
    EXPECT_NEAR(r.lines[0].nodes[1].x, 1000 * std::cos(kPi / 4), 1e-2);
    EXPECT_NEAR(r.lines[0].nodes[1].y, 1000 * std::sin(kPi / 4), 1e-2);
    EXPECT_NEAR(r.lines[1].nodes[1].x, 1000 * std::cos(-3 * kPi / 4), 1e-2);
    EXPECT_NEAR(r.lines[1].nodes[1].y, 1000 * std::sin(-3 * kPi / 4), 1e-2);
    EXPECT_EQ(r.lines[2].method, 4);
    EXPECT_EQ(r.lines[2].nodes[1], (PointF{300, 400}));
    // A whole circle (start = end) comes in as two half circles meeting opposite the start.
    EXPECT_EQ(r.lines[3].nodes.front(), r.lines[4].nodes.back());
    EXPECT_NEAR(r.lines[3].nodes.back().x, 400, 1e-2);
    EXPECT_NEAR(r.lines[3].nodes[1].y, 600, 1e-2);

    // Any cut of a file reads without a fault, never more lines than whole records allow.
    const std::string file = FormatWireCut({s, a, s});
    for (size_t n = 0; n <= file.size(); ++n) ASSERT_LE(ReadWireCut(file.substr(0, n)).lines.size(), 3u) << n;

    test::FakePlatform platform;
    TDoc doc(platform);
    const int before = doc.undo.stored();
    EXPECT_EQ(AddWireLines(doc, r), 5);
    ASSERT_EQ(doc.design.firstPart().linesB.size(), 5u);
    EXPECT_EQ(doc.design.firstPart().linesB[0]->flags, 0x3011u);
    EXPECT_EQ(doc.design.firstPart().linesB[2]->flags, 0x4011u);
    EXPECT_FALSE(doc.design.firstPart().linesB[0]->eval.empty());
    EXPECT_EQ(doc.design.modified, 1);
    EXPECT_EQ(doc.undo.stored(), before + 1);
}

TEST(WireCut, ArcFormatByCurveMethod) {
    std::vector<WireRecord> out;
    // Method 4: a closed rectangle is four records, not one collapsed to its start.
    Polyline rect{{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}, {0, 0}};
    AppendLineRecords(*LineOf(4, {rect.begin(), rect.end()}, rect), 12, out);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[3].end, (PointF{0, 0}));
    // Straight within 5 units however many points: one record, first to last.
    out.clear();
    Polyline wiggle;
    for (int i = 0; i <= 50; ++i) wiggle.push_back({float(i * 100), float(i % 2 ? 4 : 0)});
    AppendLineRecords(*LineOf(0, {}, wiggle), 12, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(out[0].arc);
    EXPECT_EQ(out[0].end, wiggle.back());
    // Method 3 with its three nodes: one arc about the circle through them, 'S' when the middle
    // is left of the chord.
    out.clear();
    AppendLineRecords(*LineOf(3, {{1000, 0}, {0, 1000}, {-1000, 0}}, CircleArc({0, 0}, 1000, 0, kPi, 32)), 12, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].arc && out[0].clockwise == false);
    EXPECT_NEAR(out[0].centre.x, 0, 1e-2);
    // A free curve: arc-fitted pieces, each chained to the next and with both ends on the
    // circle about its centre.
    out.clear();
    Polyline s = CircleArc({0, 0}, 3000, 0, kPi / 2, 40);
    Polyline t = CircleArc({3000, 6000}, 3000, -kPi / 2, -kPi, 40);
    s.insert(s.end(), t.begin() + 1, t.end());
    AppendLineRecords(*LineOf(0, {}, s), 12, out);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.front().start, s.front());
    EXPECT_EQ(out.back().end, s.back());
    for (size_t i = 0; i < out.size(); ++i) {
        if (i) EXPECT_EQ(out[i].start, out[i - 1].end);
        if (!out[i].arc) continue;
        const double r0 = std::hypot(out[i].start.x - out[i].centre.x, out[i].start.y - out[i].centre.y);
        const double r1 = std::hypot(out[i].end.x - out[i].centre.x, out[i].end.y - out[i].centre.y);
        EXPECT_NEAR(r0, r1, 0.5);
        EXPECT_NEAR(r0, 3000, 20);
    }
    // A free line with corners: the corners stay (the fitter alone would cut across them).
    out.clear();
    Polyline zig{{0, 0}, {3000, 0}, {3000, 3000}, {6000, 3000}, {6000, 0}, {9000, 0}};
    AppendLineRecords(*LineOf(0, {}, zig), 12, out);
    ASSERT_EQ(out.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(out[i].end, zig[i + 1]);
    // Fewer than two drawn points: nothing.
    out.clear();
    AppendLineRecords(*LineOf(0, {}, {{5, 5}}), 12, out);
    EXPECT_TRUE(out.empty());
}

TEST(NcProgram, ClosedLinesReturnAndRecordsMatchTheirCircles) {
    // A closed outline of arcs and straights, in millimetres: U and W sum to zero.
    Polyline loop = CircleArc({0, 0}, 2345, 0.3, 2.5, 60);
    loop.push_back({loop.back().x, -1234});  // straight down: U = 0
    loop.push_back({loop.front().x + 1000, -1234});
    loop.push_back(loop.front());
    const std::string nc = NcProgram(loop, false, 12, kUnitMillimetre);
    EXPECT_EQ(nc.find("nan"), std::string::npos);
    double su = 0, sw = 0, wp = -1, wm = -1;
    int arcs = 0, straights = 0;
    size_t pos = 0;
    while (pos < nc.size()) {
        size_t end = nc.find('\n', pos);
        std::string line = nc.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? nc.size() : end + 1;
        int n;
        char g;
        double u, w, i, k, r;
        if (std::sscanf(line.c_str(), "L%d G0%c U%lf W%lf I%lf K%lf R%lf", &n, &g, &u, &w, &i, &k, &r) == 7) {
            ++arcs;
            // R is the radius of the circle the piece lies on.
            EXPECT_NEAR(r, 23.45, 0.2) << line;
            su += u, sw += w;
        } else if (std::sscanf(line.c_str(), "L%d G01 U%lf W%lf", &n, &u, &w) == 3) {
            ++straights;
            su += u, sw += w;
        } else {
            std::sscanf(line.c_str(), "W+ = %lf   W- = %lf", &wp, &wm);
        }
    }
    EXPECT_GT(arcs, 0);
    EXPECT_GE(straights, 2);  // the vertical side (U = 0) and the bottom (W = 0)
    EXPECT_NEAR(su, 0, 1e-9);
    EXPECT_NEAR(sw, 0, 1e-9);
    EXPECT_NEAR(wp, wm, 1e-9);
    EXPECT_GT(wp, 0);
    // A half circle on a diagonal: chord and diameter agree only up to rounding; no NaN.
    Polyline half = CircleArc({0, 0}, 1000, kPi / 4, kPi / 4 + kPi, 64);
    EXPECT_EQ(NcProgram(half, false, 12, kUnitMillimetre).find("nan"), std::string::npos);
    // Reversed: the program runs from the end.
    const std::string rev = NcProgram(loop, true, 12, kUnitMillimetre);
    EXPECT_NE(rev, nc);
    EXPECT_NE(rev.find("W+ = "), std::string::npos);
}

}  // namespace
}  // namespace rz
