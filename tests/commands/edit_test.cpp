// The editing modes driven by scripted presses, keys and dialogs on small designs; results are
// checked against independent computations.
#include <cmath>
#include <deque>
#include <numbers>

#include "commands/edit_tools.h"
#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/xie.h"
#include "shapes.h"

namespace rz::test {
namespace {

constexpr float kTol = 0.05f;

struct EditTest : EditFixture {
    // A square part of side s at (x, y) with one closed outline line A.
    Part& part(float x, float y, float s) { return square(x, y, s); }
};

float Len(const std::vector<PointF>& v) { return PolyLength(v); }

TEST_F(EditTest, CommandsSelectTheirModes) {
    const std::pair<int, int> ids[] = {{32863, 103}, {32859, 23}, {32860, 20}, {32861, 21}, {32862, 22},
                                       {34105, 151}, {34156, 102}, {32857, 101}, {32916, 26}, {32855, 24},
                                       {32856, 27},  {34075, 28},  {32915, 25},  {34161, 170}, {34159, 165},
                                       {32858, 35},  {32884, 115}};
    for (auto [id, m] : ids) {
        command(id);
        EXPECT_EQ(eng->mode(), m) << id;
        EXPECT_NE(eng->tool(m), nullptr) << m;
    }
}

TEST_F(EditTest, DeleteLinePartAndFence) {
    // The design's first part holds the master lines.
    Part& first = *doc.design.parts.front();
    first.linesA.push_back(MakeLineRecord(
        doc, nodes({{7000, 5000}, {8000, 5000}, {8000, 6000}, {7000, 6000}, {7000, 5000}}), kCurvePolyline, 3));
    CompletePart(first);
    Part& p = part(1000, 1000, 4000);
    Line& b = lineB(p, {{1500, 2000}, {4500, 2000}});
    Line* keep = &lineB(p, {{1500, 4000}, {4500, 4000}});
    size_t snaps = snapshots();
    command(32859);
    click(3000, 2000);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), keep);
    EXPECT_EQ(snapshots(), snaps + 1);
    (void)b;

    // Shift on empty space: a fence polygon of clicks, finished with a right press.
    Pin* pin = new Pin();
    pin->x = 2000, pin->y = 1500, pin->diameter = 100;
    p.pins.emplace_back(pin);
    eng->designChanged();
    click(1200, 2500, kMkShift);
    click(4800, 2500);
    click(4800, 4500);
    click(1200, 4500);
    rightClick(1200, 4500);
    EXPECT_TRUE(p.linesB.empty()) << "the line lies wholly inside";
    EXPECT_EQ(p.pins.size(), 1u) << "the pin lies outside";
    EXPECT_EQ(snapshots(), snaps + 2);

    // The part: asked, no keeps it, yes removes it.
    platform.answers = {false, true};
    size_t parts = doc.design.parts.size();
    click(3000, 1500);
    EXPECT_EQ(doc.design.parts.size(), parts);
    click(3000, 1500);
    EXPECT_EQ(doc.design.parts.size(), parts - 1);
    for (auto& q : doc.design.parts) EXPECT_NE(q.get(), &p);
    EXPECT_EQ(platform.questions.back(), "确认删除该部位吗？");

    // The first part is never deleted, not even with Alt.
    size_t asked = platform.questions.size();
    expectRefused([&] { click(7500, 5000, kMkAlt); });
    expectRefused([&] { click(7500, 5500); });  // inside, away from its outline
    EXPECT_EQ(platform.questions.size(), asked);
    EXPECT_EQ(doc.design.parts.front().get(), &first);
}

TEST_F(EditTest, DeleteAtANodeDeletesThatLine) {
    Part& p = part(1000, 1000, 4000);
    lineB(p, {{1500, 2000}, {4500, 2000}});
    command(32859);
    click(1500, 2000);
    EXPECT_TRUE(p.linesB.empty());
    EXPECT_EQ(p.linesA.size(), 1u);
}

TEST_F(EditTest, DeleteBasePointAsksWithItsReferences) {
    Part& p = part(1000, 1000, 4000);
    Line& b = lineB(p, {{1500, 2000}, {4500, 2000}});
    auto bp = std::make_unique<BasePoint>();
    bp->x = 3000, bp->y = 3000;
    BasePoint* raw = bp.get();
    p.basePoints.push_back(std::move(bp));
    b.basePoint = raw;
    eng->designChanged();
    command(32859);
    platform.answers = {true};
    click(3000, 3000);
    ASSERT_FALSE(platform.questions.empty());
    EXPECT_EQ(platform.questions.back(), "该基点关联 1 根线条\n0 个定针\n0 个图案\n0 个共用\n执意删除吗？");
    EXPECT_TRUE(p.basePoints.empty());
    EXPECT_EQ(b.basePoint, nullptr) << "the reference went through the integrity service";
}

TEST_F(EditTest, AutoEraseDeletesCrossedLinesOfThePart) {
    Part& p = part(1000, 1000, 4000);
    lineB(p, {{1500, 2000}, {4500, 2000}});
    Line* keep = &lineB(p, {{1500, 4000}, {4500, 4000}});
    command(32863);
    drag(3000, 1500, 3000, 2500);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), keep);
    // A press without a stroke does nothing.
    size_t snaps = snapshots();
    drag(3000, 3500, 3000, 3501);
    EXPECT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(snapshots(), snaps);
}

TEST_F(EditTest, MoveSelectionWithTurnAndMirror) {
    Part& p = part(1000, 1000, 5000);
    Line& b = lineB(p, {{2000, 2000}, {3000, 2000}, {3000, 2500}});
    b.flags |= kFlagSelected;
    auto before = points(b);
    command(32860);
    size_t snaps = snapshots();
    press(2000, 2000);
    release(2000, 2000);
    moveTo(2500, 3000);
    key(key::Space);  // quarter turn about the cursor
    EXPECT_NE(platform.prompts.back().find("〔相对位移〕5.00,10.00"), std::string::npos);
    eng->OnLeftDown(ev(Button::Left, px(2500, 3000)));
    EXPECT_EQ(snapshots(), snaps + 1);
    // (2000,2000) lands on the cursor; (3000,2000) is turned by 90° about it.
    auto after = points(b);
    EXPECT_NEAR(after[0].x, 2500, 1);
    EXPECT_NEAR(after[0].y, 3000, 1);
    EXPECT_NEAR(after[1].x, 2500, 1);
    EXPECT_NEAR(after[1].y, 4000, 1);
    EXPECT_NEAR(Len(after), Len(before), 0.5f) << "a rigid move keeps lengths";

    // Tab mirrors in the vertical line through the cursor; ESC cancels.
    auto mid = points(b);
    press(2500, 3000);
    release(2500, 3000);
    key(key::Tab);
    key(key::Escape);
    EXPECT_EQ(points(b), mid);
    press(2500, 3000);
    release(2500, 3000);
    key(key::Tab);
    key(key::Return);
    auto mirrored = points(b);
    for (size_t i = 0; i < mid.size(); ++i) {
        EXPECT_NEAR(mirrored[i].x, 2 * 2500 - mid[i].x, 1);
        EXPECT_NEAR(mirrored[i].y, mid[i].y, 1);
    }
}

TEST_F(EditTest, MoveAnUnselectedElementMovesItsPartOffThePiecePage) {
    Part& p = part(1000, 1000, 3000);
    Line& b = lineB(p, {{2000, 2000}, {3000, 2000}});
    command(32860);
    press(2500, 2000);
    release(2500, 2000);
    moveTo(2500, 2500);
    eng->OnLeftDown(ev(Button::Left, px(2500, 2500)));
    EXPECT_NEAR(b.nodes[0].y, 2500, 1);
    EXPECT_NEAR(p.linesA[0]->nodes[0].y, 1500, 1) << "the whole part moved";
    EXPECT_NEAR(p.outline[0].y, 1500, 1);
}

TEST_F(EditTest, MoveUnselectedWhileSelectionOnlyClears) {
    Part& p = part(1000, 1000, 5000);
    Line& a = lineB(p, {{2000, 2000}, {3000, 2000}});
    Line& b = lineB(p, {{2000, 4000}, {3000, 4000}});
    a.flags |= kFlagSelected;
    auto pb = points(b);
    size_t snaps = snapshots();
    command(32860);
    click(2500, 4000);
    EXPECT_FALSE(a.flags & kFlagSelected);
    EXPECT_EQ(points(b), pb);
    EXPECT_EQ(snapshots(), snaps);
}

TEST_F(EditTest, RotateKeepsLengthsAndDistancesToTheCentre) {
    Part& p = part(1000, 1000, 5000);
    Line& b = lineB(p, {{2000, 3000}, {4000, 3000}});
    command(32861);
    // Centre of the line's box is (3000, 3000); dragging from (4000,3000) to (3000,4000) turns 90°.
    press(4000, 3000);
    moveTo(3500, 3600);
    moveTo(3000, 4000);
    release(3000, 4000);
    auto after = points(b);
    EXPECT_NEAR(after[0].x, 3000, 1);
    EXPECT_NEAR(after[0].y, 2000, 1);
    EXPECT_NEAR(after[1].x, 3000, 1);
    EXPECT_NEAR(after[1].y, 4000, 1);
    EXPECT_NEAR(PtDist(after[0], after[1]), 2000, 0.5f);
}

TEST_F(EditTest, CopyDragAndStepAndRepeat) {
    Part& p = part(1000, 1000, 6000);
    lineB(p, {{2000, 2000}, {3000, 2000}});
    command(32862);
    press(2500, 2000);
    release(2500, 2000);
    moveTo(2500, 2600);
    eng->OnLeftDown(ev(Button::Left, px(2500, 2600)));
    ASSERT_EQ(p.linesB.size(), 2u);
    EXPECT_EQ(points(*p.linesB[0]), (std::vector<PointF>{{2000, 2000}, {3000, 2000}})) << "the original stays";
    EXPECT_NEAR(p.linesB[1]->nodes[0].y, 2600, 1);
    EXPECT_NEAR(p.linesB[1]->nodes[1].x, 3000, 1);

    // Step and repeat: the selection copied 3 times 5 mm along a vertical line from its lower end.
    Line& dir = lineB(p, {{5000, 1500}, {5000, 6000}});
    p.linesB[0]->flags |= kFlagSelected;
    platform.dialogValues = {{5.0, 3}};
    std::vector<PixelPoint> shaft;
    platform.onDialog = [&](const std::string&) {
        RecordingCanvas c;
        ASSERT_TRUE(eng->overlay(c));
        shaft = c.calls.front().pts;
    };
    click(5000, 1600);
    platform.onDialog = nullptr;
    // The arrow starts at the nearer end and points up the line (up the screen).
    ASSERT_EQ(shaft.size(), 2u);
    EXPECT_EQ(shaft[0], px(5000, 1500));
    EXPECT_EQ(shaft[1], (PixelPoint{shaft[0].x, shaft[0].y - 30}));
    ASSERT_EQ(p.linesB.size(), 6u);
    for (int k = 1; k <= 3; ++k) {
        auto c = points(*p.linesB[2 + k]);
        EXPECT_NEAR(c[0].x, 2000, 0.5f);
        EXPECT_NEAR(c[0].y, 2000 + 500.0f * k, 0.5f);
    }
    EXPECT_FLOAT_EQ(doc.settings.equidistance, 500.0f);
    (void)dir;
}

TEST_F(EditTest, CopyPartMakesADuplicateAtTheDrop) {
    Part& p = part(1000, 1000, 2000);
    lineB(p, {{1500, 1500}, {2500, 1500}});
    size_t parts = doc.design.parts.size();
    command(32862);
    press(2000, 2000);  // inside the part, on no record
    release(2000, 2000);
    moveTo(6000, 2000);
    eng->OnLeftDown(ev(Button::Left, px(6000, 2000)));
    ASSERT_EQ(doc.design.parts.size(), parts + 1);
    Part& c = *doc.design.parts.back();
    ASSERT_EQ(c.linesB.size(), 1u);
    EXPECT_NEAR(c.linesB[0]->nodes[0].x, 5500, 1);
    EXPECT_NEAR(c.outline.front().x, 5000, 1);
    EXPECT_NEAR(p.outline.front().x, 1000, 1);
}

TEST_F(EditTest, ScaleAlongAndAcrossTheChord) {
    Part& p = part(1000, 1000, 5000);
    Line& ref = lineB(p, {{2000, 2000}, {4000, 2000}});
    Line& other = lineB(p, {{2000, 3000}, {3000, 4000}});
    command(34105);
    platform.dialogValues = {{0.5, -0.5}};  // along ×1.5, across ×0.5
    click(3000, 2000);
    EXPECT_NEAR(ref.nodes[1].x, 2000 + 2000 * 1.5f, 0.5f);
    EXPECT_NEAR(other.nodes[0].y, 2000 + 1000 * 0.5f, 0.5f);
    EXPECT_NEAR(other.nodes[1].x, 2000 + 1000 * 1.5f, 0.5f);
    EXPECT_NEAR(other.nodes[1].y, 2000 + 2000 * 0.5f, 0.5f);

    // A background picture scales along x and y about the reference point; with an upright
    // chord the two factors change places.
    auto pic = std::make_unique<TPIC>();
    pic->corners = {PointF{3000, 3000}, {4000, 3000}, {4000, 3500}, {3000, 3500}};
    TPIC& bg = *pic;
    doc.pictures.push_back(std::move(pic));
    Line& upright = lineB(p, {{5500, 1500}, {5500, 2500}});
    platform.dialogValues = {{1.0, 0.0}};  // along ×2, across ×1
    click(5500, 2200);
    EXPECT_NEAR(upright.nodes[1].y, 3500, 0.5f) << "the chord doubled";
    // Along the upright chord is y: the picture doubles in y about (5500, 1500), not in x.
    EXPECT_NEAR(bg.corners[0].x, 3000, 0.5f);
    EXPECT_NEAR(bg.corners[0].y, 1500 + 1500 * 2, 0.5f);
    EXPECT_NEAR(bg.corners[2].x, 4000, 0.5f);
    EXPECT_NEAR(bg.corners[2].y, 1500 + 2000 * 2, 0.5f);
}

TEST_F(EditTest, ScaleRefusesAFactorOfZeroOrLess) {
    Part& p = part(1000, 1000, 5000);
    lineB(p, {{2000, 2000}, {4000, 2000}});
    command(34105);
    expectRefused([&] {
        platform.dialogValues = {{-1.0, 0.0}};
        click(3000, 2000);
    });
    expectRefused([&] {
        platform.dialogValues = {{0.0, -1.5}};
        click(3000, 2000);
    });
}

TEST_F(EditTest, SizesBeyondThePatternLimitsAreRefused) {
    // Typed values that would put points kilometres away: refused, nothing changed (curves
    // evaluated at such sizes would take ever more points).
    Part& p = part(1000, 1000, 5000);
    lineB(p, {{2000, 2000}, {4000, 2000}});
    command(34105);  // 比例 ×1,000,001 along the chord
    expectRefused([&] {
        platform.dialogValues = {{1e6, 0.0}};
        click(3000, 2000);
    });
    command(32916);  // 等距: 100 copies 1 km apart
    expectRefused([&] {
        platform.dialogValues = {{1e6, 100}};
        drag(3000, 2030, 3050, 2030);
    });
    command(32884);  // 修正: a part 10 km long
    expectRefused([&] {
        platform.dialogValues = {{1e7, 50.0}};
        click(3000, 5000);
    });
    expectRefused([&] {  // and a line 1 km long
        platform.dialogValues = {{1e6, 20.0}};
        click(3000, 2000);
    });
    // A sensible size still works.
    command(34105);
    platform.dialogValues = {{1.0, 0.0}};
    click(3000, 2000);
    EXPECT_NEAR(p.linesB[0]->nodes[1].x, 6000, 0.5f);
}

TEST_F(EditTest, FoldMirrorsCopiesAndRefusesACurvedAxis) {
    Part& p = part(0, 0, 6000);
    lineB(p, {{3000, 500}, {3000, 5500}});  // the axis: x = 3000
    Line& t = lineB(p, {{1000, 1000}, {2000, 1500}, {1500, 2500}});
    command(32855);
    click(3000, 4000);
    EXPECT_EQ(eng->step(), 1);
    click(2000, 1500);
    ASSERT_EQ(p.linesB.size(), 3u);
    auto m = points(*p.linesB[2]);
    auto o = points(t);
    for (size_t i = 0; i < o.size(); ++i) {
        EXPECT_NEAR(m[i].x, 6000 - o[i].x, kTol);
        EXPECT_NEAR(m[i].y, o[i].y, kTol);
    }
    // The axis itself: 80 Hz.
    platform.tones.clear();
    click(3000, 4000);
    EXPECT_EQ(platform.tones.back(), kToneBack);
    rightClick(3000, 4000);
    EXPECT_EQ(eng->step(), 0);

    // A curved axis.
    lineB(p, {{500, 4000}, {1500, 5000}, {2500, 4000}});
    click(1500, 5000);
    EXPECT_EQ(platform.notices.back(), "对称轴必须是直线！");
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(EditTest, FoldWithAltMakesTheHalfPartWhole) {
    // The left half of a 6000 × 4000 rectangle; its right side is the axis.
    Part& p = AppendNewPart(doc.design, doc.currentPage());
    auto side = [&](PointF a, PointF b) {
        p.linesA.push_back(MakeLineRecord(doc, nodes({a, b}), kCurvePolyline, 3));
        return p.linesA.back().get();
    };
    side({0, 0}, {3000, 0});
    Line* axis = side({3000, 0}, {3000, 4000});
    side({3000, 4000}, {0, 4000});
    side({0, 4000}, {0, 0});
    CompletePart(p);
    Line& inner = lineB(p, {{1000, 1000}, {2000, 3000}});
    lineB(p, {{3000, 500}, {3000, 1500}});  // on the axis: not doubled
    eng->designChanged();
    double halfArea = std::abs(PolyArea(p.outline));
    size_t snaps = snapshots();
    command(32855);
    click(3000, 3000, kMkAlt);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(p.linesA.size(), 6u);
    EXPECT_TRUE(std::none_of(p.linesA.begin(), p.linesA.end(), [&](auto& l) { return l.get() == axis; }));
    EXPECT_EQ(p.linesB.back().get(), axis) << "the axis stays as the centre line";
    // The outline is one closed loop round the whole rectangle.
    EXPECT_TRUE(PolyClosed(p.outline));
    for (size_t i = 1; i < p.linesA.size(); ++i)
        EXPECT_EQ(p.linesA[i - 1]->eval.back(), p.linesA[i]->eval.front()) << i;
    EXPECT_NEAR(std::abs(PolyArea(p.outline)), 2 * halfArea, 1.0);
    EXPECT_NEAR(p.bbox.maxX, 6000, kTol);
    // The inner line gets its reflection in x = 3000; the line on the axis is not doubled.
    ASSERT_EQ(p.linesB.size(), 4u);
    auto o = points(inner), m = points(*p.linesB[2]);
    for (size_t i = 0; i < o.size(); ++i) {
        EXPECT_NEAR(m[i].x, 6000 - o[i].x, kTol);
        EXPECT_NEAR(m[i].y, o[i].y, kTol);
    }
    // A part whose only outline line is the axis cannot be folded.
    Part& q = AppendNewPart(doc.design, doc.currentPage());
    q.linesA.push_back(MakeLineRecord(doc, nodes({{8000, 1000}, {8000, 3000}}), kCurvePolyline, 3));
    CompletePart(q);
    eng->designChanged();
    expectRefused([&] { click(8000, 2000, kMkAlt); });
}

TEST_F(EditTest, DraggedOutlineStaysInTheWindowAndPansWithTheRightButton) {
    Part& p = part(1000, 1000, 3000);
    Line& b = lineB(p, {{2000, 2000}, {3000, 2000}});
    b.flags |= kFlagSelected;
    command(32860);
    press(2000, 2000);
    release(2000, 2000);
    // Beyond the right edge of the 1000-pixel window the pointer counts as at its last pixel.
    eng->OnMouseMove(ev(Button::None, {1500, px(2000, 2000).y}));
    PointF edge = vs.view.toModel(999, px(2000, 2000).y);
    char want[64];
    std::snprintf(want, sizeof want, "〔相对位移〕%-.2f,%-.2f", (edge.x - 2000) / 100.0, 0.0);
    EXPECT_EQ(platform.prompts.back(), want);

    // A right-button drag pans the view; the outline keeps its place in the pattern.
    moveTo(2500, 2000);
    int ox = vs.view.ox;
    PixelPoint at = px(2500, 2000);
    eng->OnRightDown(ev(Button::Right, at));
    eng->OnMouseMove(ev(Button::None, {at.x - 50, at.y}));
    eng->OnMouseMove(ev(Button::None, {at.x - 100, at.y}));
    eng->OnRightUp(ev(Button::Right, {at.x - 100, at.y}));
    EXPECT_EQ(vs.view.ox, ox - 100);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::Drag) << "the drag goes on after the pan";
    EXPECT_EQ(b.nodes[0].x, 2000.0f) << "nothing moves before the drop";
    // The pattern moved 100 pixels (1000 units) left under the pointer, which stayed on the
    // same pattern point; back at its first pixel it is over x 3500: the line moves by 1500.
    PixelPoint drop = at;
    eng->OnMouseMove(ev(Button::None, drop));
    eng->OnLeftDown(ev(Button::Left, drop));
    EXPECT_NEAR(b.nodes[0].x, 3500, 1);
    EXPECT_NEAR(b.nodes[1].x, 4500, 1);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
}

TEST_F(EditTest, MoveWithAltOrShiftDragsThePartUnderThePoint) {
    Part& p = part(1000, 1000, 3000);
    Line& b = lineB(p, {{2000, 2000}, {3000, 2000}});
    b.flags |= kFlagSelected;  // the part-level variants ignore the selection
    for (uint32_t mod : {kMkAlt, kMkShift}) {
        float y0 = p.linesA[0]->nodes[0].y;
        command(32860);
        press(2500, 2000, mod);
        release(2500, 2000, mod);
        moveTo(2500, 2600);
        eng->OnLeftDown(ev(Button::Left, px(2500, 2600)));
        EXPECT_NEAR(p.linesA[0]->nodes[0].y, y0 + 600, 1) << mod;
    }
    EXPECT_NEAR(b.nodes[0].y, 3200, 1);
    // Outside every part: refused.
    expectRefused([&] { click(9000, 6000, kMkAlt); });
}

TEST_F(EditTest, OffsetWholeLineAndStretch) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 3000}, {8000, 3000}});
    command(32916);
    // A short drag: the whole line, on the side of the press (above), 4 mm ×2.
    platform.dialogValues = {{4.0, 2}};
    drag(4000, 3030, 4100, 3030);
    ASSERT_EQ(p.linesB.size(), 3u);
    for (int k = 1; k <= 2; ++k) {
        const Line& c = *p.linesB[k];
        EXPECT_NEAR(c.nodes.front().x, 1000, kTol);
        EXPECT_NEAR(c.nodes.back().x, 8000, kTol);
        for (PointF q : c.eval) EXPECT_NEAR(DistToSegment({1000, 3000}, {8000, 3000}, q), 400.0f * k, 0.5f);
        EXPECT_GT(c.nodes[0].y, 3000);
    }
    // A long drag: only the stretch between the press and the release. While the dialog is
    // open an arrow points from the line to the side of the press (below: down the screen).
    std::vector<PixelPoint> shaft;
    platform.onDialog = [&](const std::string&) {
        RecordingCanvas c;
        ASSERT_TRUE(eng->overlay(c));
        ASSERT_FALSE(c.calls.empty());
        shaft = c.calls.front().pts;
    };
    platform.dialogValues = {{3.0, 1}};
    drag(2000, 2970, 6000, 2970);
    platform.onDialog = nullptr;
    ASSERT_EQ(shaft.size(), 2u);
    EXPECT_EQ(shaft[0], px(2000, 3000)) << "from the foot on the line";
    EXPECT_EQ(shaft[1].x, shaft[0].x);
    EXPECT_EQ(shaft[1].y, shaft[0].y + 30);
    RecordingCanvas after;
    EXPECT_FALSE(eng->overlay(after)) << "the arrow goes with the dialog";
    ASSERT_EQ(p.linesB.size(), 4u);
    const Line& s = *p.linesB[3];
    EXPECT_NEAR(s.nodes.front().x, 2000, 1);
    EXPECT_NEAR(s.nodes.back().x, 6000, 1);
    EXPECT_NEAR(s.nodes.front().y, 2700, 0.5f);
    (void)b;
}

TEST_F(EditTest, OffsetWithCtrlCopiesAndWithShiftMovesAtTheDefault) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 3000}, {5000, 3000}, {8000, 5000}});
    doc.settings.equidistance = 400;
    command(32916);
    click(3000, 2970, kMkCtrl);  // below the line
    ASSERT_EQ(p.linesB.size(), 2u);
    // Away from the corner (where the join is mitred) the copy runs at the distance.
    auto awayFromCorner = [](PointF q) { return PtDist(q, {5000, 3000}) > 800.0f; };
    for (PointF q : p.linesB[1]->eval) {
        if (awayFromCorner(q)) {
            EXPECT_NEAR(PolyNearest(b.eval, q).dist, 400.0f, 1.0f);
        }
    }
    EXPECT_LT(p.linesB[1]->nodes[0].y, 3000);
    auto before = b.eval;
    click(3000, 3030, kMkShift);  // above: the line itself moves up
    for (PointF q : b.eval)
        if (awayFromCorner(q)) EXPECT_NEAR(PolyNearest(before, q).dist, 400.0f, 1.0f);
        else EXPECT_GE(PolyNearest(before, q).dist, 399.0f);
    EXPECT_GT(b.nodes[0].y, 3000);
}

TEST_F(EditTest, TrimMiddlePieceAndUncrossedLine) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 3000}, {8000, 3000}});
    b.colour = 0x123456;
    lineB(p, {{3000, 1000}, {3000, 5000}});
    lineB(p, {{6000, 1000}, {6000, 5000}});
    command(34075);
    platform.answers = {false};
    size_t snaps = snapshots();
    click(4500, 3000);
    EXPECT_EQ(p.linesB.size(), 3u) << "no: nothing changes";
    EXPECT_EQ(snapshots(), snaps);
    click(4500, 3000);
    ASSERT_EQ(p.linesB.size(), 4u);
    EXPECT_EQ(points(b), (std::vector<PointF>{{1000, 3000}, {3000, 3000}}));
    const Line& after = *p.linesB[1];
    EXPECT_EQ(points(after), (std::vector<PointF>{{6000, 3000}, {8000, 3000}}));
    EXPECT_EQ(after.colour, 0x123456u);
    EXPECT_EQ(after.flags, b.flags);
    EXPECT_EQ(snapshots(), snaps + 1);

    // A line no other line crosses goes whole (Ctrl: no question).
    Line* lone = &lineB(p, {{1000, 7000}, {2000, 7000}});
    click(1500, 7000, kMkCtrl);
    for (auto& l : p.linesB) EXPECT_NE(l.get(), lone);
}

TEST_F(EditTest, BreakByClicksAndByStroke) {
    Part& p = part(0, 0, 9000);
    Line& cutter = lineB(p, {{4000, 1000}, {4000, 8000}});
    Line& a = lineB(p, {{1000, 3000}, {8000, 3000}});
    lineB(p, {{1000, 5000}, {8000, 5000}});
    command(32856);
    click(4000, 2000);
    EXPECT_EQ(eng->step(), 1);
    click(2000, 3000);
    click(2000, 5000);
    click(2000, 5000);  // toggled out again
    platform.tones.clear();
    click(4000, 6000);  // the cutting line itself
    EXPECT_EQ(platform.tones.back(), kToneBack);
    key(key::Return);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_EQ(p.linesB.size(), 4u);
    EXPECT_EQ(points(a), (std::vector<PointF>{{1000, 3000}, {4000, 3000}}));
    EXPECT_EQ(points(*p.linesB[2]), (std::vector<PointF>{{4000, 3000}, {8000, 3000}}));

    // A stroke across the lower horizontal line and the outline's bottom edge.
    drag(6000, -500, 6000, 5500);
    // One cut opens the closed outline at the crossing.
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(p.linesA[0]->nodes.front().pt(), (PointF{6000, 0}));
    EXPECT_EQ(p.linesA[0]->nodes.back().pt(), (PointF{6000, 0}));
    EXPECT_EQ(p.linesA[0]->nodes.size(), 6u);
    EXPECT_EQ(p.linesB.size(), 6u) << "the vertical cutter is not crossed; two horizontals are";
    (void)cutter;
}

TEST_F(EditTest, CloseMovesANearEndThenOpens) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 1000}, {3000, 1000}, {3000, 3000}, {1000, 1030}});
    doc.smooth.joinDistance = 50;
    command(32915);
    click(2000, 1000);
    ASSERT_EQ(b.nodes.size(), 4u);
    EXPECT_EQ(b.nodes.back().pt(), b.nodes.front().pt());
    click(2000, 1000);
    EXPECT_EQ(b.nodes.size(), 3u);
    Line& far = lineB(p, {{5000, 5000}, {6000, 5000}, {6000, 6000}});
    click(5500, 5000);
    EXPECT_EQ(far.nodes.size(), 4u);
    Line& two = lineB(p, {{5000, 7000}, {6000, 7000}});
    expectRefused([&] { click(5500, 7000); });
    (void)two;
}

TEST_F(EditTest, ExtendBothEndsAndShortenRules) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{2000, 2000}, {2050, 2000}, {5000, 2000}});
    b.nodes.back().word = kNodeBreak;
    command(34156);
    click(4000, 2000);
    EXPECT_NEAR(b.nodes.front().x, 1900, kTol);
    EXPECT_NEAR(b.nodes.back().x, 5100, kTol);
    EXPECT_EQ(b.nodes.back().word, 0u);
    // Shortening: the 1.5 mm first segment is longer than 1 mm, ... then it is 0.5 mm.
    rightClick(4000, 2000);
    EXPECT_NEAR(b.nodes.front().x, 2000, kTol);
    EXPECT_NEAR(b.nodes.back().x, 5000, kTol);
    rightClick(4000, 2000);
    EXPECT_NEAR(b.nodes.front().x, 2000, kTol) << "an end segment under 1 mm stays";
    EXPECT_NEAR(b.nodes.back().x, 4900, kTol);

    Line& z = lineB(p, {{2000, 4000}, {2000, 4000}, {5000, 4000}});
    expectRefused([&] { click(4000, 4000); });
    (void)z;
}

TEST_F(EditTest, ExtendOneEndAtOnceOrToTheFoot) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{2000, 2000}, {5000, 2000}});
    command(32857);
    click(4500, 2000);  // second half: the last end moves out by 1 mm
    EXPECT_NEAR(b.nodes.back().x, 5100, kTol);
    rightClick(2200, 2000);
    EXPECT_NEAR(b.nodes.front().x, 2100, kTol);
    // At the end: step 1, then the foot of the cursor; 加点.
    click(5100, 2000);
    EXPECT_EQ(eng->step(), 1);
    platform.choices = {1};
    click(6000, 2300);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_EQ(b.nodes.size(), 3u);
    EXPECT_NEAR(b.nodes.back().x, 6000, kTol);
    EXPECT_NEAR(b.nodes.back().y, 2000, kTol);
    // Space: a typed length beyond the end.
    click(6000, 2000);
    platform.dialogValues = {{5.0}};
    key(key::Space);
    EXPECT_NEAR(b.nodes.back().x, 6500, kTol);
}

TEST_F(EditTest, ParallelTurnsAboutTheNearerEnd) {
    Part& p = part(0, 0, 9000);
    lineB(p, {{1000, 1000}, {4000, 4000}});  // reference, 45°
    Line& t = lineB(p, {{5000, 1000}, {7000, 1000}, {8000, 1500}});
    float before = PolyLength(points(t));
    command(34161);
    click(2500, 2500);
    EXPECT_EQ(eng->step(), 1);
    click(5500, 1000);  // near the first node: it is the pivot
    EXPECT_EQ(eng->step(), 0);
    PointF a = t.nodes.front().pt(), c = t.nodes.back().pt();
    EXPECT_EQ(a, (PointF{5000, 1000}));
    EXPECT_NEAR(PtAngle(a, c), std::numbers::pi_v<float> / 4, 1e-4f);
    EXPECT_NEAR(PolyLength(points(t)), before, 0.5f) << "a turn keeps lengths";
}

TEST_F(EditTest, ParallelRefusesAClosedReference) {
    Part& p = part(0, 0, 9000);
    lineB(p, {{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 1000}});
    command(34161);
    expectRefused([&] { click(1500, 1000); });
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(EditTest, ReplaceFitsTheShapeBetweenTheEnds) {
    Part& p = part(0, 0, 9000);
    lineB(p, {{1000, 1000}, {2000, 2000}, {3000, 1000}});  // a tent: chord 2000, height 1000
    Line& dst = lineB(p, {{5000, 5000}, {5000, 8000}});     // chord 3000, upward
    command(34159);
    click(1500, 1500);
    EXPECT_EQ(eng->step(), 1);
    click(5000, 6000);
    ASSERT_EQ(dst.nodes.size(), 3u);
    EXPECT_EQ(dst.nodes.front().pt(), (PointF{5000, 5000}));
    EXPECT_EQ(dst.nodes.back().pt(), (PointF{5000, 8000}));
    // Similar shape: height scales with the chord ratio 1.5 → 1500 across the chord.
    EXPECT_NEAR(std::fabs(HeightAcross(dst.nodes)), 1500.0f, 0.5f);
    EXPECT_NEAR(dst.nodes[1].y, 6500, 0.5f);
}

TEST_F(EditTest, ReplaceRefusesAClosedShapeAndAZeroHeight) {
    Part& p = part(0, 0, 9000);
    lineB(p, {{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 1000}});  // closed
    lineB(p, {{1000, 4000}, {3000, 4000}});                              // straight
    lineB(p, {{5000, 5000}, {6000, 6000}, {7000, 5000}});
    command(34159);
    expectRefused([&] { click(1500, 1000); });
    EXPECT_EQ(eng->step(), 0);
    click(2000, 4000);  // the straight one
    ASSERT_EQ(eng->step(), 1);
    expectRefused([&] {
        platform.dialogValues = {{0.0}};
        key(key::Space);
    });
    // A typed height needs a shape with height: a straight shape is refused.
    platform.dialogValues = {{5.0}};
    key(key::Space);
    expectRefused([&] { click(6000, 6000); });
}

using PointOpTest = EditTest;

TEST_F(PointOpTest, DragANodeShowsItsPositionAndPushesOnce) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 1000}, {2000, 1000}, {3000, 1000}});
    command(32858);
    click(1500, 1000);
    EXPECT_EQ(eng->step(), 1);
    size_t snaps = snapshots();
    press(2000, 1000);
    EXPECT_EQ(eng->step(), 4);
    moveTo(2300, 1400);
    EXPECT_EQ(platform.prompts.back(), "〔节点坐标〕X=23.00   , Y=14.00    〔相对位移〕3.00  ,4.00     5.00");
    release(2300, 1400);
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(b.nodes[1].pt(), (PointF{2300, 1400}));
    EXPECT_EQ(snapshots(), snaps + 1);
}

TEST_F(PointOpTest, RangePopupCornerAndNodePopupSplit) {
    Part& p = part(0, 0, 9000);
    Line& b = lineB(p, {{1000, 1000}, {1500, 1500}, {2500, 1500}, {3000, 1000}, {4000, 1000}});
    command(32858);
    click(1200, 1200);
    // A drag along the line from node 0 to node 3 marks the range.
    press(1100, 1100);
    moveTo(2000, 1500);
    moveTo(2950, 1050);
    release(2950, 1050);
    choices = {3};  // 角点
    rightClick(2950, 1050);
    ASSERT_FALSE(popupTitles.empty());
    ASSERT_EQ(popupTitles.back(), "点操作内");
    EXPECT_EQ(enabled.back(), (std::vector<bool>{true, true, true, true}));
    ASSERT_EQ(b.nodes.size(), 4u);
    EXPECT_NEAR(b.nodes[1].x, 2000, 0.5f);
    EXPECT_NEAR(b.nodes[1].y, 2000, 0.5f);
    EXPECT_TRUE(b.flags & lineflag::kNodesRefitted);

    // Ctrl + right press on an end node: 断开 is disabled, 重合 and 接合 are offered.
    rightClick(1000, 1000, kMkCtrl);
    EXPECT_EQ(popupTitles.back(), "点操作+ctrl");
    EXPECT_FALSE(enabled.back()[3]);
    EXPECT_TRUE(enabled.back()[4]);
    // On the inner node 1: 断开 splits into nodes 0..1 and 1..end.
    choices = {3};
    rightClick(2000, 2000, kMkCtrl);
    ASSERT_EQ(p.linesB.size(), 2u);
    EXPECT_EQ(b.nodes.size(), 2u);
    EXPECT_EQ(p.linesB[1]->nodes.front().pt(), b.nodes.back().pt());
    EXPECT_EQ(p.linesB[1]->nodes.size(), 3u);
}

TEST_F(PointOpTest, PullIsBoundedAndFindCornerOnlyClearsOnASmoothRun) {
    Part& p = part(0, 0, 9000);
    std::vector<PointF> zig;
    for (int i = 0; i <= 8; ++i) zig.push_back({1000.0f + i * 300.0f, (i % 2) ? 1200.0f : 1000.0f});
    Line& b = lineB(p, zig);
    command(32858);
    click(1150, 1100);
    press(1000, 1000);  // on node 0: a node drag; the range drag starts off the nodes
    release(1000, 1000);
    press(1080, 1053);
    moveTo(3300, 1100);
    moveTo(3400, 1000);
    release(3400, 1000);
    float before = 0;
    for (size_t i = 1; i + 1 < b.nodes.size(); ++i)
        before = std::max(before, std::fabs(b.nodes[i].y - 1100.0f));
    choices = {0};  // 拉点
    rightClick(3400, 1000);
    float after = 0;
    for (size_t i = 1; i + 1 < b.nodes.size(); ++i) after = std::max(after, std::fabs(b.nodes[i].y - 1100.0f));
    EXPECT_LE(after, before);
    EXPECT_EQ(b.nodes.front().pt(), (PointF{1000, 1000})) << "the range ends stay";
}

TEST(EditOps, CrossingsSplitAndStretchAgreeWithTheGeometry) {
    Polyline a{{0, 0}, {1000, 0}, {1000, 1000}};
    Polyline v{{500, -100}, {500, 100}};
    Polyline h{{900, 500}, {1100, 500}};
    auto cr = CrossingsOf(a, {&v, &h});
    ASSERT_EQ(cr.size(), 2u);
    EXPECT_NEAR(cr[0].s, 500, kTol);
    EXPECT_NEAR(cr[1].s, 1500, kTol);
    // Touching at the very end does not count.
    Polyline t{{1000, 1000}, {1200, 1200}};
    EXPECT_TRUE(CrossingsOf(a, {&t}).empty());
}

TEST(EditOps, MirrorRotateScaleMaps) {
    Affine m = Affine::mirror({0, 0}, {1, 1});
    PointF q = m.apply({3, 1});
    EXPECT_NEAR(q.x, 1, 1e-5);
    EXPECT_NEAR(q.y, 3, 1e-5);
    EXPECT_TRUE(m.mirrors());
    Affine r = Affine::rotate({10, 10}, std::numbers::pi / 2);
    q = r.apply({20, 10});
    EXPECT_NEAR(q.x, 10, 1e-4);
    EXPECT_NEAR(q.y, 20, 1e-4);
    Affine s = Affine::scale({0, 0}, std::numbers::pi / 4, 2, 1);
    q = s.apply({1, 1});
    EXPECT_NEAR(q.x, 2, 1e-5);
    EXPECT_NEAR(q.y, 2, 1e-5);
    q = s.apply({1, -1});
    EXPECT_NEAR(q.x, 1, 1e-5);
    EXPECT_NEAR(q.y, -1, 1e-5);
}

TEST(EditOps, NodeRangeOperations) {
    // 拉点 on a zig-zag: bounded, angles do not get sharper, ends stay.
    std::vector<Node> z;
    for (int i = 0; i <= 8; ++i) z.push_back({float(i * 100), (i % 2) ? 60.0f : 0.0f, 0});
    auto before = z;
    int moves = PullNodes(z, 0, 8, 50);
    EXPECT_GT(moves, 0);
    EXPECT_LE(moves, 50);
    EXPECT_EQ(z.front(), before.front());
    EXPECT_EQ(z.back(), before.back());
    // A straight run is left alone.
    std::vector<Node> s{{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {300, 0, 0}};
    EXPECT_EQ(PullNodes(s, 0, 3), 0);

    // 角点 with two inner nodes: their lines meet at (100, 100).
    std::vector<Node> c{{0, 0, 0}, {50, 50, 0}, {150, 50, 0}, {200, 0, 0}};
    ASSERT_TRUE(CornerRange(c, 0, 3));
    ASSERT_EQ(c.size(), 3u);
    EXPECT_NEAR(c[1].x, 100, 1e-3);
    EXPECT_NEAR(c[1].y, 100, 1e-3);
    std::vector<Node> par{{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {300, 0, 0}};
    EXPECT_FALSE(CornerRange(par, 0, 3));

    // 找出角点 on a smooth run clears flags and sets none.
    std::vector<Node> arc;
    for (int i = 0; i < 15; ++i) arc.push_back({std::cos(i * 0.1f) * 1000, std::sin(i * 0.1f) * 1000, kNodeBreak});
    EXPECT_EQ(FindCorner(arc, 7), -1);
    for (int i = 2; i <= 12; ++i) EXPECT_FALSE(arc[i].isBreak());
    EXPECT_TRUE(arc[0].isBreak());
}

}  // namespace
}  // namespace rz::test
