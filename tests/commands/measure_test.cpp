// 测量 driven by scripted presses and keys: the figures in its messages and the lengths it shows
// are checked against computations made here from the known shapes.
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "commands/measure.h"
#include "edit_fixture.h"
#include "geom/smooth.h"
#include "interact/pick.h"
#include "model/units.h"
#include "model/xie.h"

namespace rz::test {
namespace {

constexpr int kMeasureCommand = 32891;

// Every decimal number in a text, in order.
std::vector<double> Numbers(const std::string& s) {
    std::vector<double> v;
    const char* p = s.c_str();
    while (*p) {
        if ((*p >= '0' && *p <= '9') || (*p == '-' && p[1] >= '0' && p[1] <= '9')) {
            char* end = nullptr;
            v.push_back(std::strtod(p, &end));
            p = end;
        } else {
            ++p;
        }
    }
    return v;
}

struct MeasureTest : EditFixture {
    void SetUp() override {
        EditFixture::SetUp();
        InstallMeasureTool(*eng);
        command(kMeasureCommand);
    }
    // A part whose outline is the closed polygon `pts` (first point repeated at the end).
    Part& part(const std::vector<PointF>& pts, int page = 0) {
        Part& p = outlinePart(pts, true);
        p.setPage(page);
        return p;
    }
    Part& rect(float x, float y, float w, float h, int page = 0) {
        return part({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}}, page);
    }
    // The live text lines shown with the pointer at (x, y).
    std::vector<std::string> liveText(float x, float y) {
        moveTo(x, y);
        RecordingCanvas c;
        eng->overlay(c);
        std::vector<std::string> t;
        for (auto& call : c.calls)
            if (call.op == RecordingCanvas::Op::Text) t.push_back(call.text);
        return t;
    }
    double liveLength(float x, float y) {
        auto t = liveText(x, y);
        return t.empty() ? -1.0 : std::strtod(t[0].c_str(), nullptr);
    }
    std::string lastNotice() const { return platform.notices.empty() ? "" : platform.notices.back(); }
    static bool Aux(const Line& l) { return (l.flags & kLineAuxiliary) != 0; }
};

// ---------------------------------------------------------------- units and figures

TEST(MeasureUnits, TableConvertsEveryCodeAndLeavesOthersAlone) {
    // One inch is 2540 model units, a foot twelve of them, a metre 100000.
    EXPECT_NEAR(LengthInUnit(2540.0, kUnitInch), 1.0, 1e-12);
    EXPECT_NEAR(LengthInUnit(30480.0, kUnitFoot), 1.0, 1e-12);
    EXPECT_NEAR(LengthInUnit(1234.0, kUnitMillimetre), 12.34, 1e-12);
    EXPECT_NEAR(LengthInUnit(1234.0, kUnitCentimetre), 1.234, 1e-12);
    EXPECT_NEAR(LengthInUnit(250000.0, kUnitMetre), 2.5, 1e-12);
    EXPECT_NEAR(AreaInUnit(2540.0 * 2540.0, kUnitInch), 1.0, 1e-12);
    EXPECT_NEAR(AreaInUnit(30480.0 * 30480.0, kUnitFoot), 1.0, 1e-12);
    EXPECT_NEAR(AreaInUnit(100.0 * 100.0, kUnitMillimetre), 1.0, 1e-12);
    EXPECT_NEAR(AreaInUnit(1000.0 * 1000.0, kUnitCentimetre), 1.0, 1e-12);
    EXPECT_NEAR(AreaInUnit(100000.0 * 100000.0, kUnitMetre), 1.0, 1e-12);
    EXPECT_EQ(LengthInUnit(77.0, 5), 77.0);
    EXPECT_EQ(AreaInUnit(77.0, -1), 77.0);
    EXPECT_EQ(LengthUnitName(kUnitCentimetre), "厘米");
    EXPECT_EQ(AreaUnitName(kUnitFoot), "平方英尺");
    EXPECT_EQ(LengthUnitName(9), "");
    EXPECT_EQ(AreaUnitName(9), "");
}

TEST(MeasureFigures, OutlineAreaIsExactAndZeroWhenOpen) {
    Polyline r{{0, 0}, {12000, 0}, {12000, 8000}, {0, 8000}, {0, 0}};
    EXPECT_DOUBLE_EQ(OutlineArea(r), 96e6);
    std::reverse(r.begin(), r.end());
    EXPECT_DOUBLE_EQ(OutlineArea(r), 96e6) << "the winding does not matter";
    r.pop_back();
    EXPECT_EQ(OutlineArea(r), 0.0);
    // A right triangle far from the origin keeps its digits.
    Polyline t{{1e6f, 1e6f}, {1e6f + 3000, 1e6f}, {1e6f, 1e6f + 4000}, {1e6f, 1e6f}};
    EXPECT_DOUBLE_EQ(OutlineArea(t), 6e6);
}

TEST_F(MeasureTest, AltOnAPartShowsItsFiguresInTheChosenUnits) {
    Part& p = rect(1000, 1000, 4000, 2000);
    p.flags = (p.flags & ~0xF000u) | (3u << 12);
    click(3000, 2000, kMkAlt);
    std::string t = lastNotice();
    EXPECT_EQ(t.rfind("净耗料:", 0), 0u) << t;
    auto n = Numbers(t);
    ASSERT_EQ(n.size(), 5u) << t;
    EXPECT_NEAR(n[0], 8.0, 1e-9);   // 40 mm × 20 mm in square centimetres
    EXPECT_NEAR(n[1], 12.0, 1e-9);  // perimeter in centimetres
    EXPECT_NEAR(n[2], 4.0, 1e-9);
    EXPECT_NEAR(n[3], 2.0, 1e-9);
    EXPECT_EQ(n[4], 4.0) << "pieces per pair: flags bits 12-15 plus 1";
    EXPECT_NE(t.find("平方厘米\n周长  12.00 厘米\n长   4.00 厘米\n宽   2.00 厘米\n片数：4"), std::string::npos) << t;

    doc.settings.lengthUnit = kUnitMillimetre;
    doc.settings.areaUnit = kUnitMetre;
    click(3000, 2000, kMkAlt);
    n = Numbers(lastNotice());
    ASSERT_EQ(n.size(), 5u);
    EXPECT_NEAR(n[0], 0.0008, 1e-12);
    EXPECT_NEAR(n[1], 120.0, 1e-9);
    EXPECT_NE(lastNotice().find("平方米"), std::string::npos);
    EXPECT_NE(lastNotice().find("长  40.00 毫米"), std::string::npos) << lastNotice();
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(MeasureTest, TurnedRectangleIsMeasuredInTheFrameOfItsFirstBasePoint) {
    // A 40 × 20 mm rectangle turned by 30° about (5000, 4000).
    const double a = std::numbers::pi / 6;
    auto turn = [&](double x, double y) {
        return PointF{float(5000 + x * std::cos(a) - y * std::sin(a)), float(4000 + x * std::sin(a) + y * std::cos(a))};
    };
    Part& p = part({turn(-2000, -1000), turn(2000, -1000), turn(2000, 1000), turn(-2000, 1000), turn(-2000, -1000)});
    // Without a base point the box is the turned rectangle's upright box.
    click(5000, 4000, kMkAlt);
    auto n = Numbers(lastNotice());
    ASSERT_EQ(n.size(), 5u);
    EXPECT_NEAR(n[0], 8.0, 1e-4);
    EXPECT_NEAR(n[1], 12.0, 1e-4);
    EXPECT_NEAR(n[2], (4000 * std::cos(a) + 2000 * std::sin(a)) / 1000, 0.006);
    EXPECT_NEAR(n[3], (4000 * std::sin(a) + 2000 * std::cos(a)) / 1000, 0.006);

    // The first base point's direction turns it back; a second base point is not looked at.
    for (float dir : {float(a), 1.0f}) {
        auto b = std::make_unique<BasePoint>();
        b->x = 5000, b->y = 4000, b->direction = dir;
        p.basePoints.push_back(std::move(b));
    }
    click(5000, 4000, kMkAlt);
    n = Numbers(lastNotice());
    ASSERT_EQ(n.size(), 5u);
    EXPECT_NEAR(n[2], 4.0, 0.006);
    EXPECT_NEAR(n[3], 2.0, 0.006);
    PartFigures f = MeasurePart(p);
    EXPECT_NEAR(f.width, 4000.0, 0.05);
    EXPECT_NEAR(f.height, 2000.0, 0.05);
    EXPECT_NEAR(f.area, 8e6, 5.0);
}

TEST_F(MeasureTest, EmptyGroundShowsThePageTotalOfVisibleParts) {
    rect(1000, 1000, 2000, 1000);
    rect(4000, 1000, 3000, 2000);
    Part& hidden = rect(1000, 4000, 1000, 1000);
    hidden.flags |= kFlagHidden;
    rect(1000, 1000, 5000, 5000, 1);  // another page
    eng->designChanged();
    click(9000, 6500);
    // 20 × 10 mm + 30 × 20 mm = 8 cm².
    EXPECT_EQ(lastNotice(), "总面积:8.00000 平方厘米");
    // Inside a part but on none of its lines: the same total.
    click(5500, 2000);
    EXPECT_EQ(platform.notices.size(), 2u);
    EXPECT_EQ(lastNotice(), "总面积:8.00000 平方厘米");
    doc.settings.areaUnit = kUnitMillimetre;
    click(9000, 6500, kMkAlt);
    EXPECT_EQ(lastNotice(), "总面积:800.00000 平方毫米");
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(MeasureTest, CtrlOnALineShowsItsFigures) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {4000, 5000}, {6000, 5000}});
    click(5000, 5000, kMkCtrl);
    std::string t = lastNotice();
    auto n = Numbers(t);
    ASSERT_EQ(n.size(), 4u) << t;
    EXPECT_NEAR(n[0], 7.0, 1e-9);  // 5000 + 2000 units
    EXPECT_NEAR(n[1], std::hypot(5000.0, 4000.0) / 1000, 0.005);
    EXPECT_NEAR(n[2], 5.0, 1e-9);
    EXPECT_NEAR(n[3], 4.0, 1e-9);
    EXPECT_EQ(t, "弧    长：   7.00 厘米\n端点距离：   6.40 厘米\n长   5.00 厘米\n宽   4.00 厘米");
    EXPECT_EQ(eng->step(), 0);
}

// ---------------------------------------------------------------- measuring along a path

TEST_F(MeasureTest, LengthAlongALineIsShownLive) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {4000, 1000}, {4000, 5000}});
    click(3000, 1000);
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "第一步：选择测量起始点！");
    click(2000, 1000);
    EXPECT_EQ(eng->step(), 2);
    EXPECT_EQ(platform.prompts.back(), "第二步：选择测量终止点...按空格键打标、按Tab键可改变方向！");
    // From (2000,1000) to (4000,3000) along the line: 2000 + 2000 units, in centimetres.
    EXPECT_NEAR(liveLength(4000, 3000), 4.0, 0.005);
    // Off the line, the nearest point counts: (4100, 4000) is 3000 units up the second leg.
    EXPECT_NEAR(liveLength(4100, 4000), 5.0, 0.005);
    // Backwards along an open line the stretch is the same.
    EXPECT_NEAR(liveLength(1000, 1000), 1.0, 0.005);
    doc.settings.lengthUnit = kUnitMillimetre;
    EXPECT_EQ(liveText(4000, 3000), std::vector<std::string>{"40.00"});
}

TEST_F(MeasureTest, LengthAlongACurveMatchesTheSumOfItsSegments) {
    Part& p = rect(500, 500, 9000, 6000);
    Line& l = lineB(p, {{1000, 1000}, {3000, 4000}, {6000, 2000}, {8000, 5000}}, kCurveInterpolating);
    ASSERT_GT(l.eval.size(), 20u);
    const size_t i0 = 3, i1 = l.eval.size() - 4;
    double expect = 0;
    for (size_t i = i0 + 1; i <= i1; ++i) expect += std::hypot(double(l.eval[i].x) - l.eval[i - 1].x, double(l.eval[i].y) - l.eval[i - 1].y);
    click(l.eval[i0 + 2].x, l.eval[i0 + 2].y);
    ASSERT_EQ(eng->step(), 1);
    doc.settings.lengthUnit = kUnitMillimetre;
    // Both ends at vertices of the evaluated line: the pointer is handed to the mode directly,
    // since window pixels would round it off them.
    auto* tool = eng->tool(mode::Measure);
    ASSERT_NE(tool, nullptr);
    Pointer at{px(0, 0), l.eval[i0], 0};
    tool->leftPress(*eng, at);
    ASSERT_EQ(eng->step(), 2);
    Pointer to{px(0, 0), l.eval[i1], 0};
    tool->move(*eng, to);
    RecordingCanvas c;
    tool->overlay(*eng, c);
    std::string shown;
    for (auto& call : c.calls)
        if (call.op == RecordingCanvas::Op::Text) shown = call.text;
    EXPECT_NEAR(std::strtod(shown.c_str(), nullptr), expect / 100.0, 0.006) << shown;
}

TEST_F(MeasureTest, TickLinesAreAuxiliaryAndAcrossThePath) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {4000, 1000}, {4000, 5000}});
    click(3000, 1000);
    click(2000, 1000);
    size_t snaps = snapshots();
    takeTones();
    click(4000, 3000);
    ASSERT_EQ(p.linesB.size(), 2u);
    const Line& t = *p.linesB[1];
    EXPECT_TRUE(Aux(t));
    ASSERT_EQ(t.nodes.size(), 2u);
    // Centred on (4000, 3000), 5 mm long, across the vertical leg.
    EXPECT_NEAR((t.nodes[0].x + t.nodes[1].x) / 2, 4000, 0.01);
    EXPECT_NEAR((t.nodes[0].y + t.nodes[1].y) / 2, 3000, 0.01);
    EXPECT_NEAR(std::fabs(t.nodes[1].x - t.nodes[0].x), 500, 0.01);
    EXPECT_NEAR(t.nodes[1].y - t.nodes[0].y, 0, 0.01);
    EXPECT_EQ(takeTones(), std::vector<int>{kToneAccepted});
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(eng->step(), 2) << "further ends are measured from the same start";

    // Ctrl: ticks at the start and the end, and the step ends.
    click(3000, 1000, kMkCtrl);
    ASSERT_EQ(p.linesB.size(), 4u);
    EXPECT_EQ(snapshots(), snaps + 2) << "one snapshot for the pair";
    EXPECT_EQ(eng->step(), 0);
    for (size_t i : {size_t(2), size_t(3)}) {
        const Line& k = *p.linesB[i];
        EXPECT_TRUE(Aux(k));
        ASSERT_EQ(k.nodes.size(), 2u);
        EXPECT_NEAR(std::fabs(k.nodes[1].y - k.nodes[0].y), 500, 0.01) << "across the horizontal leg";
        EXPECT_NEAR(k.nodes[1].x - k.nodes[0].x, 0, 0.01);
        EXPECT_NEAR((k.nodes[0].y + k.nodes[1].y) / 2, 1000, 0.01);
    }
    EXPECT_NEAR(p.linesB[2]->nodes[0].x, 2000, 0.01);
    EXPECT_NEAR(p.linesB[3]->nodes[0].x, 3000, 0.01);

    // A slanting line: the tick is perpendicular to it.
    Line& s = lineB(p, {{5000, 1000}, {8000, 5000}});
    click(6500, 3000);
    click(5300, 1400);
    click(7100, 3800);
    const Line& k = *p.linesB.back();
    ASSERT_NE(&k, &s);
    double dx = k.nodes[1].x - k.nodes[0].x, dy = k.nodes[1].y - k.nodes[0].y;
    EXPECT_NEAR(std::hypot(dx, dy), 500, 0.05);
    EXPECT_NEAR(dx * 3000 + dy * 4000, 0, 1.0);
    EXPECT_NEAR((k.nodes[0].x + k.nodes[1].x) / 2, 7100, 0.05);
    EXPECT_NEAR((k.nodes[0].y + k.nodes[1].y) / 2, 3800, 0.05);
}

TEST_F(MeasureTest, ClosedOutlineIsMeasuredRoundTheStart) {
    // Outline order: (1000,1000) → (5000,1000) → (5000,3000) → (1000,3000) → back; 12000 units.
    Part& p = rect(1000, 1000, 4000, 2000);
    click(5000, 2000);  // a line A: the whole outline is the path
    ASSERT_EQ(eng->step(), 1);
    click(5000, 2000);  // the start, on the right edge, half way up
    ASSERT_EQ(eng->step(), 2);
    EXPECT_NEAR(liveLength(5000, 2500), 0.5, 0.005);
    // Just below the start: forward runs the whole way round.
    EXPECT_NEAR(liveLength(5000, 1500), 11.5, 0.005);
    // Across the closing point of the outline: up, left along the top, down the left side,
    // along the bottom to x = 3000: 1000 + 4000 + 2000 + 2000.
    EXPECT_NEAR(liveLength(3000, 1000), 9.0, 0.005);
    EXPECT_TRUE(key(key::Tab));
    EXPECT_NEAR(liveLength(5000, 1500), 0.5, 0.005);
    EXPECT_NEAR(liveLength(3000, 1000), 3.0, 0.005);
    EXPECT_NEAR(liveLength(5000, 2500), 11.5, 0.005);
    // Ctrl across the closing point: ticks at both ends, across the edges they lie on.
    click(2000, 1000, kMkCtrl);
    ASSERT_EQ(p.linesB.size(), 2u);
    const Line& a = *p.linesB[0];
    const Line& b = *p.linesB[1];
    EXPECT_NEAR((a.nodes[0].x + a.nodes[1].x) / 2, 5000, 0.01);
    EXPECT_NEAR((a.nodes[0].y + a.nodes[1].y) / 2, 2000, 0.01);
    EXPECT_NEAR(std::fabs(a.nodes[1].x - a.nodes[0].x), 500, 0.01);
    EXPECT_NEAR((b.nodes[0].x + b.nodes[1].x) / 2, 2000, 0.01);
    EXPECT_NEAR(std::fabs(b.nodes[1].y - b.nodes[0].y), 500, 0.01);
    EXPECT_TRUE(Aux(a) && Aux(b));
    EXPECT_EQ(p.linesA[0]->nodes.size(), 5u) << "the outline itself is not re-ordered";
}

TEST(MeasurePathTest, ClosedPathBeginsAtTheStartAndKeepsItsLength) {
    MeasurePath m(Polyline{{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}, {0, 0}});
    ASSERT_TRUE(m.closed());
    m.setStart({1000, -30});
    const Polyline& q = m.points();
    EXPECT_EQ(q.front(), (PointF{1000, 0}));
    EXPECT_EQ(q.back(), (PointF{1000, 0}));
    EXPECT_EQ(q.size(), 6u);
    EXPECT_EQ(q[1], (PointF{4000, 0}));
    EXPECT_EQ(q[4], (PointF{0, 0}));
    EXPECT_FLOAT_EQ(m.total(), 12000.0f);
    EXPECT_EQ(m.start(), 0.0f);
    // At a corner: no doubled point.
    m.setStart({4000, 2000});
    EXPECT_EQ(m.points().front(), (PointF{4000, 2000}));
    EXPECT_EQ(m.points().size(), 5u);
    EXPECT_FLOAT_EQ(m.total(), 12000.0f);
    // An open path keeps its order and remembers where the start lies.
    MeasurePath o(Polyline{{0, 0}, {3000, 0}, {3000, 3000}});
    o.setStart({3100, 1000});
    EXPECT_FALSE(o.closed());
    EXPECT_FLOAT_EQ(o.start(), 4000.0f);
    EXPECT_FLOAT_EQ(o.lengthTo({1000, 0}), 3000.0f);
}

TEST_F(MeasureTest, SpaceSetsAMarkAndTabIsRefusedOnAnOpenLine) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {7000, 1000}});
    click(3000, 1000);
    click(2000, 1000);
    moveTo(3000, 1000);
    EXPECT_TRUE(key(key::Space));
    auto t = liveText(5500, 1000);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_NEAR(std::strtod(t[0].c_str(), nullptr), 3.5, 0.005);
    EXPECT_NEAR(std::strtod(t[1].c_str(), nullptr), 2.5, 0.005);
    auto before = saved();
    takeTones();
    EXPECT_TRUE(key(key::Tab));
    EXPECT_EQ(takeTones(), std::vector<int>{kToneBack});
    EXPECT_NEAR(liveLength(5500, 1000), 3.5, 0.005);
    EXPECT_EQ(saved(), before) << "marks and directions live in the step only";
    // Going back to the first step forgets the mark.
    rightClick(3000, 3000);
    click(2000, 1000);
    EXPECT_EQ(liveText(5500, 1000).size(), 1u);
}

TEST_F(MeasureTest, ShiftLeavesPinsAtStartAndEnd) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {7000, 1000}});
    doc.settings.needleDiameter = 150;
    for (uint32_t bits : {0x2Du, 0x2Cu}) {
        doc.settings.cutSetup.cutBits = bits;
        size_t pins = p.pins.size(), snaps = snapshots();
        click(3000, 1000);
        click(2000, 1000);
        click(6000, 1040, kMkShift);
        EXPECT_EQ(eng->step(), 0);
        ASSERT_EQ(p.pins.size(), pins + 2);
        EXPECT_EQ(snapshots(), snaps + 1);
        const Pin& a = *p.pins[pins];
        const Pin& b = *p.pins[pins + 1];
        EXPECT_NEAR(a.x, 2000, 0.01);
        EXPECT_NEAR(a.y, 1000, 0.01);
        EXPECT_NEAR(b.x, 6000, 0.01);
        EXPECT_NEAR(b.y, 1000, 0.01) << "on the path, not at the pointer";
        EXPECT_EQ(a.diameter, 150.0f);
        EXPECT_EQ(a.flags & kFlagToolMask, (bits & 1u) ? 3u : 1u);
        EXPECT_TRUE(b.flags & kFlagFolds);
        EXPECT_FALSE(b.outline.empty());
    }
    EXPECT_EQ(p.linesB.size(), 1u) << "no tick lines with Shift";
}

TEST_F(MeasureTest, RightPressStepsBackCancelsThenRefuses) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {7000, 1000}});
    click(3000, 1000);
    click(2000, 1000);
    ASSERT_EQ(eng->step(), 2);
    rightClick(4000, 4000);
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "第一步：选择测量起始点！");
    // A new start on the same path.
    click(5000, 1000);
    EXPECT_EQ(eng->step(), 2);
    EXPECT_NEAR(liveLength(6000, 1000), 1.0, 0.005);
    rightClick(4000, 4000);
    rightClick(4000, 4000);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), mode::Measure) << "the mode stays";
    RecordingCanvas c;
    EXPECT_FALSE(eng->tool(mode::Measure)->overlay(*eng, c));
    auto before = saved();
    size_t snaps = snapshots();
    takeTones();
    rightClick(4000, 4000);
    EXPECT_EQ(takeTones(), std::vector<int>{kToneRefused});
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(snapshots(), snaps);
}

TEST_F(MeasureTest, RefusalsAndMessagesLeaveTheFileAlone) {
    Part& p = rect(500, 500, 8000, 6000);
    lineB(p, {{1000, 1000}, {7000, 1000}});
    auto pin = std::make_unique<Pin>();
    pin->x = 4000, pin->y = 4000, pin->diameter = 100;
    pin->outline = PinOutline(4000, 4000, 100);
    p.pins.push_back(std::move(pin));
    eng->designChanged();
    auto before = saved();
    size_t snaps = snapshots();
    takeTones();
    click(4000, 4000);  // a pin has nothing to measure
    EXPECT_EQ(takeTones(), std::vector<int>{kToneRefused});
    EXPECT_EQ(eng->step(), 0);
    EXPECT_TRUE(platform.notices.empty());
    click(2000, 1000, kMkCtrl);
    click(2000, 1000, kMkAlt);
    click(9500, 6800);
    EXPECT_EQ(platform.notices.size(), 3u);
    EXPECT_TRUE(takeTones().empty());
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(snapshots(), snaps);
}

TEST_F(MeasureTest, PiecesPageMeasuresLinesButNotParts) {
    doc.setCurrentPage(3);
    Part& p = rect(500, 500, 8000, 6000, 3);
    lineB(p, {{1000, 1000}, {7000, 1000}});
    eng->designChanged();
    // Alt inside the part: parts are not picked on page 3, so the page total shows.
    click(4000, 4000, kMkAlt);
    EXPECT_EQ(lastNotice().rfind("总面积:", 0), 0u) << lastNotice();
    click(3000, 1000);
    EXPECT_EQ(eng->step(), 1);
}

}  // namespace
}  // namespace rz::test
