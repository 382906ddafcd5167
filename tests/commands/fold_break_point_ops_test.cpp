// 对折, 打断, 封闭 and 点操作 as a pattern maker uses them: the popups' enabled items and
// what each item changes (and leaves alone), the re-fit step rule, cancelling, and the style of
// the lines the commands make. Results are checked against independent computations.
#include <cmath>
#include <numbers>

#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz::test {
namespace {

constexpr int kFoldCommand = 32855, kBreakCommand = 32856, kCloseCommand = 32915, kPointOpCommand = 32858;
// Items of the popup "点操作内".
constexpr int kRangeAddNodes = 1, kRangeRemoveNodes = 2;
// Items of the popup "点操作+ctrl".
constexpr int kNodeSplit = 3, kNodeFindCorner = 5, kNodeFindNotch = 6, kNodeQuickDraw = 7;

struct FoldBreakPointOps : EditFixture {
    void nodeItem(float x, float y, int item) {
        choices = {item};
        rightClick(x, y, kMkCtrl);
    }
    void rangeItem(float x, float y, int item) {
        choices = {item};
        rightClick(x, y);
    }
    // A press and release on the line away from its nodes: a range of one node.
    void markAt(float x, float y) {
        press(x, y);
        release(x, y);
    }
    void markRange(float x0, float y0, float x1, float y1) {
        press(x0, y0);
        moveTo(x1, y1);
        release(x1, y1);
    }
};

TEST_F(FoldBreakPointOps, FindNotchAddsOneNotchAtTheNodeOfAnOutlineLine) {
    doc.settings.markDepth = 300;
    doc.settings.notchAngle = 1.0f;
    Part& p = outlinePart({{0, 500}, {3000, 500}, {6000, 500}, {6000, 6500}, {0, 6500}, {0, 500}});
    Line& b = lineB(p, {{1000, 3000}, {2000, 3500}, {3000, 3000}});
    const auto bottom = points(*p.linesA[0]);
    command(kPointOpCommand);
    click(1500, 500);
    ASSERT_EQ(eng->step(), 1);
    size_t snaps = snapshots();
    platform.tones.clear();
    nodeItem(3000, 500, kNodeFindNotch);
    ASSERT_EQ(popupTitles.back(), "点操作+ctrl");
    EXPECT_TRUE(enabled.back()[kNodeFindNotch]);
    ASSERT_EQ(p.notches.size(), 1u);
    const Notch& n = *p.notches[0];
    EXPECT_EQ(n.x, 3000.0f);
    EXPECT_EQ(n.y, 500.0f);
    EXPECT_EQ(n.depth, 300.0f);
    EXPECT_EQ(n.angle, 1.0f);
    EXPECT_EQ(n.flags, 1u | kFlagFolds);
    // The V: opens on the outline 2·300·tan(0.5) wide and points 300 into the part.
    ASSERT_EQ(n.outline.size(), 3u);
    EXPECT_NEAR(n.outline[1].x, 3000, 0.01f);
    EXPECT_NEAR(n.outline[1].y, 800, 0.01f);
    EXPECT_NEAR(PtDist(n.outline[0], n.outline[2]), 600 * std::tan(0.5f), 0.05f);
    EXPECT_NEAR(n.outline[0].y, 500, 0.01f);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneAccepted);
    EXPECT_EQ(points(*p.linesA[0]), bottom) << "the line itself is not changed";

    // The same spot again: no second notch.
    expectRefused([&] { nodeItem(3000, 500, kNodeFindNotch); });
    EXPECT_EQ(p.notches.size(), 1u);

    // On a line B the item is disabled; a stray choice of it changes nothing.
    key(key::Escape);
    click(1500, 3250);
    ASSERT_EQ(eng->step(), 1);
    expectUnchanged([&] { nodeItem(2000, 3500, kNodeFindNotch); });
    EXPECT_FALSE(enabled.back()[kNodeFindNotch]);
    (void)b;
}

TEST_F(FoldBreakPointOps, QuickDrawIsOfferedOnlyOnceAndBreakIsInertAtAnEnd) {
    Part& p = outlinePart({{0, 0}, {9000, 0}, {9000, 9000}, {0, 9000}, {0, 0}}, true);
    std::vector<PointF> arc;
    for (int i = 0; i <= 12; ++i) {
        double a = std::numbers::pi * (0.25 + 0.5 * i / 12.0);
        arc.push_back({float(4500 + 3000 * std::cos(a)), float(1500 + 3000 * std::sin(a))});
    }
    Line& b = lineB(p, arc);
    command(kPointOpCommand);
    click(arc[6].x, arc[6].y - 10);
    ASSERT_EQ(eng->step(), 1);

    // 断开 at the first and the last node: disabled, and nothing happens when chosen anyway.
    for (PointF end : {arc.front(), arc.back()}) {
        expectUnchanged([&] { nodeItem(end.x, end.y, kNodeSplit); });
        EXPECT_FALSE(enabled.back()[kNodeSplit]);
    }
    EXPECT_EQ(p.linesB.size(), 1u);

    size_t snaps = snapshots();
    nodeItem(arc.front().x, arc.front().y, kNodeQuickDraw);
    EXPECT_TRUE(enabled.back()[kNodeQuickDraw]);
    EXPECT_TRUE(b.flags & lineflag::kQuickDrawn);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(b.nodes.front().pt(), arc.front());
    EXPECT_EQ(b.nodes.back().pt(), arc.back());
    // Already quick-drawn: greyed, and a stray choice changes nothing.
    expectUnchanged([&] { nodeItem(arc.front().x, arc.front().y, kNodeQuickDraw); });
    EXPECT_FALSE(enabled.back()[kNodeQuickDraw]);
}

TEST_F(FoldBreakPointOps, AddNodesKeepsCloseNodesAndRefitsTheWholeLineOrTheRange) {
    Part& p = outlinePart({{0, 0}, {9000, 0}, {9000, 9000}, {0, 9000}, {0, 0}}, true);
    // Nodes 150 apart: a step of 75 is below 1 mm, nothing changes.
    std::vector<PointF> dense;
    for (int i = 0; i <= 6; ++i) dense.push_back({1000.0f + 150.0f * i, 1000.0f + (i % 2) * 20.0f});
    lineB(p, dense);
    command(kPointOpCommand);
    click(1075, 1010);
    markAt(1075, 1010);
    expectUnchanged([&] { rangeItem(1075, 1010, kRangeAddNodes); });
    EXPECT_EQ(popupTitles.back(), "点操作内");
    key(key::Escape);

    // Nodes about 1000 apart on a circle of radius 4000.
    auto onCircle = [](int i) {
        double a = std::numbers::pi * (0.2 + 0.04 * i);
        return PointF{float(4500 + 4000 * std::cos(a)), float(2000 + 4000 * std::sin(a))};
    };
    std::vector<PointF> wide;
    for (int i = 0; i <= 6; ++i) wide.push_back(onCircle(i));
    Line& w = lineB(p, wide);
    float spacing = PtDist(wide[0], wide[1]);
    ASSERT_GT(spacing, 400.0f);
    // A range of one node (press and release in place) means the whole line.
    PointF mid = PtMid(wide[2], wide[3]);
    click(mid.x, mid.y);
    ASSERT_EQ(eng->step(), 1);
    markAt(mid.x, mid.y);
    size_t snaps = snapshots();
    rangeItem(mid.x, mid.y, kRangeAddNodes);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_TRUE(w.flags & lineflag::kNodesRefitted);
    EXPECT_EQ(w.nodes.front().pt(), wide.front());
    EXPECT_EQ(w.nodes.back().pt(), wide.back());
    // Resampled at half the spacing: about twice the nodes, none far off the circle's path.
    EXPECT_GE(w.nodes.size(), 11u);
    for (size_t i = 1; i < w.nodes.size(); ++i)
        EXPECT_LE(PtDist(w.nodes[i - 1].pt(), w.nodes[i].pt()), spacing * 0.6f);
    for (const Node& n : w.nodes) EXPECT_NEAR(PtDist(n.pt(), {4500, 2000}), 4000, 80);

    // A range of nodes 1 … 4 of a fresh line: the nodes outside it stay as they were.
    Line& r = lineB(p, [&] {
        std::vector<PointF> v;
        for (int i = 0; i <= 6; ++i) v.push_back({onCircle(i).x, onCircle(i).y - 1500});
        return v;
    }());
    const auto before = r.nodes;
    key(key::Escape);
    PointF a = PtMid(before[0].pt(), before[1].pt()), z = PtMid(before[4].pt(), before[5].pt());
    click(a.x, a.y);
    ASSERT_EQ(eng->step(), 1);
    // From a quarter of the way past node 1 to a quarter of the way past node 4.
    auto quarter = [&](int i) {
        PointF u = before[size_t(i)].pt(), v = before[size_t(i) + 1].pt();
        return PointF{u.x + (v.x - u.x) / 4, u.y + (v.y - u.y) / 4};
    };
    PointF from = quarter(1);
    z = quarter(4);
    markRange(from.x, from.y, z.x, z.y);
    rangeItem(z.x, z.y, kRangeAddNodes);
    ASSERT_GT(r.nodes.size(), before.size());
    EXPECT_EQ(r.nodes.front(), before[0]);
    EXPECT_EQ(r.nodes[r.nodes.size() - 2], before[5]);
    EXPECT_EQ(r.nodes.back(), before[6]);
}

TEST_F(FoldBreakPointOps, RemoveNodesThinsTheRangeAndFindCornerFlagsOnlyAwayFromTheEnds) {
    Part& p = outlinePart({{0, 0}, {9000, 0}, {9000, 9000}, {0, 9000}, {0, 0}}, true);
    std::vector<PointF> run;
    for (int i = 0; i <= 8; ++i) run.push_back({1000.0f + 500.0f * i, 1000.0f});
    run.push_back({5000, 2500});
    Line& l = lineB(p, run);
    command(kPointOpCommand);
    click(1200, 1000);
    markRange(1200, 1000, 4800, 1000);  // nodes 0 … 8
    size_t snaps = snapshots();
    rangeItem(4800, 1000, kRangeRemoveNodes);
    EXPECT_EQ(points(l), (std::vector<PointF>{{1000, 1000}, {5000, 1000}, {5000, 2500}}));
    EXPECT_TRUE(l.flags & lineflag::kNodesRefitted);
    EXPECT_EQ(snapshots(), snaps + 1);
    key(key::Escape);

    // A right-angle turn at node 6 of 13, break flags at nodes 2 and 9 and at both ends.
    std::vector<PointF> ell;
    for (int i = 0; i <= 6; ++i) ell.push_back({1000.0f + 400.0f * i, 5000.0f});
    for (int i = 1; i <= 6; ++i) ell.push_back({3400.0f, 5000.0f + 400.0f * i});
    Line& c = lineB(p, ell);
    for (int i : {0, 2, 9, 12}) c.nodes[size_t(i)].word |= kNodeBreak;
    click(1200, 5000);
    ASSERT_EQ(eng->step(), 1);
    nodeItem(3400, 5000, kNodeFindCorner);
    for (int i = 0; i <= 12; ++i)
        EXPECT_EQ(c.nodes[size_t(i)].isBreak(), i == 0 || i == 6 || i == 12) << "node " << i;
    key(key::Escape);

    // The sharpest turn among the first three nodes is not flagged.
    Line& nearEnd = lineB(p, {{1000, 7000}, {1400, 7000}, {1800, 7000}, {1800, 7400}, {1800, 7800}, {1800, 8200},
                              {1800, 8600}, {1800, 8800}});
    click(1200, 7000);
    ASSERT_EQ(eng->step(), 1);
    nodeItem(1800, 7000, kNodeFindCorner);
    for (const Node& n : nearEnd.nodes) EXPECT_FALSE(n.isBreak());
}

TEST_F(FoldBreakPointOps, PointOperationEscLeavesAndAPlainRightPressZoomsAboutTheCursor) {
    Part& p = outlinePart({{0, 0}, {9000, 0}, {9000, 6000}, {0, 6000}, {0, 0}}, true);
    lineB(p, {{1000, 1000}, {2000, 1000}, {3000, 1000}});
    command(kPointOpCommand);
    click(1500, 1000);
    ASSERT_EQ(eng->step(), 1);
    // No range marked: the right press zooms out by 2/3 and keeps the point under the cursor.
    float s = vs.view.s;
    PixelPoint at = px(4000, 3000);
    PointF under = vs.view.toModel(at.x, at.y);
    size_t popups = popupTitles.size();
    rightClick(4000, 3000);
    EXPECT_EQ(popupTitles.size(), popups);
    EXPECT_NEAR(vs.view.s, s * 2 / 3, s * 1e-4f);
    PointF still = vs.view.toModel(at.x, at.y);
    EXPECT_NEAR(still.x, under.x, 2 / vs.view.s);
    EXPECT_NEAR(still.y, under.y, 2 / vs.view.s);
    EXPECT_EQ(eng->step(), 1);
    platform.cursors.clear();
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_FALSE(platform.cursors.empty());
    EXPECT_EQ(platform.cursors.back(), CursorKind::PointOp);
    EXPECT_EQ(eng->mode(), 35) << "the mode stays";
    // Before a line is picked the right press zooms out the same way.
    s = vs.view.s;
    rightClick(4000, 3000);
    EXPECT_NEAR(vs.view.s, s * 2 / 3, s * 1e-4f);
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(FoldBreakPointOps, BreakGroupSkipsFixedLinesKeepsAttributesAndEscAbandons) {
    Part& p = outlinePart({{0, 500}, {9000, 500}, {9000, 9000}, {0, 9000}, {0, 500}}, true);
    Line& cutter = lineB(p, {{4000, -1000}, {4000, 8000}});
    Line& a = lineB(p, {{1000, 3000}, {8000, 3000}});
    a.colour = 0x123456;
    a.flags |= 7u << kLineWidthShift;
    Line& fixed = lineB(p, {{1000, 5000}, {8000, 5000}});
    fixed.flags |= kLineFixedLength;
    command(kBreakCommand);
    click(4000, 2000);
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), kPromptBreakGroup);
    platform.tones.clear();
    click(2000, 5000);
    EXPECT_EQ(platform.tones.back(), kToneBack) << "a line of fixed length";
    click(2000, 3000);
    click(1000, 500);  // the outline line joins the group
    // ESC abandons the group.
    expectUnchanged([&] { key(key::Escape); });
    EXPECT_EQ(eng->step(), 0);

    click(4000, 2000);
    click(2000, 3000);
    click(500, 500);
    size_t snaps = snapshots();
    key(key::Return);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(p.linesB.size(), 4u);
    EXPECT_EQ(points(a), (std::vector<PointF>{{1000, 3000}, {4000, 3000}}));
    const Line& rest = *p.linesB[2];
    EXPECT_EQ(points(rest), (std::vector<PointF>{{4000, 3000}, {8000, 3000}}));
    EXPECT_EQ(rest.colour, 0x123456u);
    EXPECT_EQ(rest.flags, a.flags);
    EXPECT_EQ(points(fixed), (std::vector<PointF>{{1000, 5000}, {8000, 5000}}));
    // The closed outline line is opened at the cutter's crossing with the bottom edge.
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(p.linesA[0]->nodes.front().pt(), (PointF{4000, 500}));
    EXPECT_EQ(p.linesA[0]->nodes.back().pt(), (PointF{4000, 500}));
    (void)cutter;
}

TEST_F(FoldBreakPointOps, FoldReversesWithCtrlMirrorsInPlaceAndRefusesOtherKinds) {
    Part& p = outlinePart({{0, 0}, {6000, 0}, {6000, 6000}, {0, 6000}, {0, 0}}, true);
    lineB(p, {{3000, 500}, {3000, 5500}});
    Line& t = lineB(p, {{1000, 1000}, {2000, 1500}, {1500, 2500}});
    const auto o = points(t);
    command(kFoldCommand);
    // Ctrl on a line B at step 0: its node order is reversed, one snapshot, no step.
    size_t snaps = snapshots();
    click(2000, 1500, kMkCtrl);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(points(t), (std::vector<PointF>(o.rbegin(), o.rend())));
    EXPECT_EQ(snapshots(), snaps + 1);

    click(3000, 4000);
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "选择需对折的线、定针或图案！");
    // Ctrl at step 1: the record itself is mirrored, no copy.
    click(2000, 1500, kMkCtrl);
    ASSERT_EQ(p.linesB.size(), 2u);
    auto m = points(t);
    for (size_t i = 0; i < o.size(); ++i) {
        EXPECT_NEAR(m[i].x, 6000 - o[o.size() - 1 - i].x, 0.05f);
        EXPECT_NEAR(m[i].y, o[o.size() - 1 - i].y, 0.05f);
    }
    // Empty ground: 500 Hz, nothing changes.
    expectRefused([&] { click(4500, 4500); });
    EXPECT_EQ(eng->step(), 1);
    rightClick(4500, 4500, kMkShift);
    EXPECT_EQ(eng->step(), 0);

    // A curved axis: the message box is a notice (提示) and the step does not begin.
    lineB(p, {{500, 4000}, {1500, 5000}, {2500, 4000}});
    click(1500, 5000);
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.back().caption, "提示");
    EXPECT_EQ(platform.boxes.back().text, "对称轴必须是直线！");
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(FoldBreakPointOps, CloseTakesOnlyLinesB) {
    Part& p = outlinePart({{500, 500}, {6000, 500}, {6000, 6000}, {500, 6000}}, true);  // an open line A
    command(kCloseCommand);
    expectRefused([&] { click(3000, 500); });
    EXPECT_EQ(p.linesA[0]->nodes.size(), 4u);
}

}  // namespace
}  // namespace rz::test

namespace rz::test {
namespace {

constexpr int kReplaceCommand = 34159;

TEST_F(FoldBreakPointOps, ReplaceHeightRulesReversalExchangeAndFixedLength) {
    Part& p = outlinePart({{500, 500}, {9500, 500}, {9500, 6900}, {500, 6900}, {500, 500}});
    Line& tent = lineB(p, {{1000, 1000}, {2000, 2000}, {3000, 1000}});  // chord 2000, height 1000
    Line& asym = lineB(p, {{1000, 3000}, {1500, 4000}, {3000, 3000}});  // the peak a quarter along
    asym.flags = (asym.flags & ~(kLineMethodMask | (0xFu << kLineWidthShift))) | (2u << kLineMethodShift) |
                 (5u << kLineWidthShift);
    Line& d1 = lineB(p, {{5000, 1500}, {5000, 4500}});
    Line& d2 = lineB(p, {{6500, 1500}, {6900, 3000}, {6500, 4500}});  // height 400
    Line& d3 = lineB(p, {{8000, 1500}, {8000, 4500}});
    command(kReplaceCommand);

    // Shift: the height stays 1000. d1's first node lies nearer the shape's last node, so the
    // shape runs reversed: its peak comes three quarters along, at y = 1500 + 0.75 · 3000.
    click(1000, 3000);
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "选择被取代的线段...按住Ctrl、Shift键或空格键可控制高度！");
    size_t snaps = snapshots();
    click(5000, 2000, kMkShift);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(d1.nodes.size(), 3u);
    EXPECT_EQ(d1.nodes.front().pt(), (PointF{5000, 1500}));
    EXPECT_EQ(d1.nodes.back().pt(), (PointF{5000, 4500}));
    EXPECT_NEAR(d1.nodes[1].y, 3750, 0.5f);
    EXPECT_NEAR(std::fabs(d1.nodes[1].x - 5000), 1000, 0.5f);
    EXPECT_EQ(d1.flags & (kLineMethodMask | (0xFu << kLineWidthShift)),
              asym.flags & (kLineMethodMask | (0xFu << kLineWidthShift)));
    EXPECT_EQ(points(asym), (std::vector<PointF>{{1000, 3000}, {1500, 4000}, {3000, 3000}}));

    // Ctrl: the replaced line keeps its former height of 400.
    click(2000, 2000);
    click(6900, 3000, kMkCtrl);
    EXPECT_NEAR(std::fabs(HeightAcross(d2.nodes)), 400, 0.5f);
    // A typed height of 7.5 mm.
    click(2000, 2000);
    platform.dialogValues = {{7.5}};
    key(key::Space);
    EXPECT_EQ(eng->step(), 1);
    click(8000, 3000);
    EXPECT_NEAR(std::fabs(HeightAcross(d3.nodes)), 750, 0.5f);

    // The same line twice: 80 Hz; a right press gives the step up.
    click(2000, 2000);
    platform.tones.clear();
    click(2000, 2000);
    EXPECT_EQ(platform.tones.back(), kToneBack);
    rightClick(2000, 2000, kMkShift);
    EXPECT_EQ(eng->step(), 0);

    // An outline line replaced: the two lines exchange their nodes.
    Line& bottom = *p.linesA[0];
    click(2000, 2000);
    click(4000, 500, kMkShift);
    ASSERT_EQ(bottom.nodes.size(), 3u);
    EXPECT_NEAR(bottom.nodes[1].x, 5000, 0.5f);
    EXPECT_NEAR(bottom.nodes[1].y, 1500, 0.5f);
    EXPECT_EQ(points(tent), (std::vector<PointF>{{500, 500}, {9500, 500}}));
    EXPECT_EQ(p.linesA.size(), 4u);
}

TEST_F(FoldBreakPointOps, ReplaceByAFixedLengthLineMovesALineBButKeepsAnOutlineLine) {
    Part& p = outlinePart({{500, 500}, {9500, 500}, {9500, 6900}, {500, 6900}, {500, 500}});
    Line& fb = lineB(p, {{5000, 6000}, {5500, 6300}, {6000, 6000}});
    fb.flags |= kLineFixedLength;
    fb.colour = 0x654321;
    Line& fy = lineB(p, {{7000, 6000}, {8000, 6000}});
    Line& fx = lineB(p, {{2000, 5500}, {4000, 5500}});
    Line& left = *p.linesA[3];
    left.flags |= kLineFixedLength;
    const auto fbNodes = points(fb);
    const uint32_t fbFlags = fb.flags;
    command(kReplaceCommand);
    click(5500, 6300);
    click(7500, 6000);
    EXPECT_EQ(points(fy), fbNodes);
    EXPECT_EQ(fy.flags, fbFlags);
    ASSERT_EQ(p.linesB.size(), 2u) << "the replacing line B of the same part is taken out";
    EXPECT_EQ(p.linesB[0].get(), &fy);

    click(500, 3000);
    click(3000, 5500);
    EXPECT_EQ(points(fx), points(left));
    EXPECT_EQ(fx.flags, left.flags);
    ASSERT_EQ(p.linesA.size(), 4u) << "the outline stays closed";
    EXPECT_EQ(p.linesA[3].get(), &left);
    EXPECT_EQ(p.outline.front(), p.outline.back());
}

}  // namespace
}  // namespace rz::test

namespace rz::test {
namespace {

constexpr int kParallelCommand = 34161;

// A selection made before the command may be deleted by the Delete key in the middle of a step:
// the step, which holds the picked line, is given up first.
TEST_F(FoldBreakPointOps, DeleteKeyInTheMiddleOfAStepGivesTheStepUp) {
    Part& p = outlinePart({{500, 500}, {6500, 500}, {6500, 6500}, {500, 6500}, {500, 500}}, true);
    Line& ref = lineB(p, {{1000, 1000}, {3000, 1000}});
    Line& other = lineB(p, {{1000, 3000}, {2000, 4000}});
    ref.flags |= kFlagSelected;
    const auto before = points(other);
    command(kParallelCommand);
    click(2000, 1000);
    ASSERT_EQ(eng->step(), 1);
    key(key::Delete);
    ASSERT_EQ(p.linesB.size(), 1u) << "the selected line is deleted";
    EXPECT_EQ(eng->step(), 0);
    // The next press picks a new reference instead of turning the other line.
    click(1500, 3500);
    EXPECT_EQ(points(other), before);
    EXPECT_EQ(eng->step(), 1);
}

}  // namespace
}  // namespace rz::test

namespace rz::test {
namespace {

constexpr int kTrimCommand = 34075;

TEST_F(FoldBreakPointOps, TrimShowsThePieceWhileAskingAndOpensALoopAtItsPiece) {
    Part& p = outlinePart({{500, 500}, {6500, 500}, {6500, 6500}, {500, 6500}, {500, 500}}, true);
    Line& loop = lineB(p, {{2000, 2000}, {4000, 2000}, {4000, 4000}, {2000, 4000}, {2000, 2000}});
    Line& v = lineB(p, {{3000, 1000}, {3000, 5000}});
    command(kTrimCommand);
    // The question shows the piece between the line's start and its first crossing.
    std::vector<PixelPoint> shown;
    platform.onAsk = [&](const std::string&) {
        RecordingCanvas c;
        if (eng->overlay(c) && !c.calls.empty()) shown = c.calls.back().pts;
    };
    platform.answers = {false};
    expectUnchanged([&] { click(3000, 1500); });
    EXPECT_EQ(platform.questions.back(), "确认修剪该线段吗？");
    EXPECT_EQ(platform.boxes.back().caption, "提问");
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.front(), px(3000, 1000));
    EXPECT_EQ(shown.back(), px(3000, 2000));
    platform.onAsk = nullptr;

    // A line A is not trimmed.
    expectRefused([&] { click(3000, 500, kMkCtrl); });

    // The loop loses the stretch between its crossings round the right-hand side and stays one
    // open line running on from the far crossing.
    size_t snaps = snapshots();
    click(4000, 3000, kMkCtrl);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(points(loop), (std::vector<PointF>{{3000, 4000}, {2000, 4000}, {2000, 2000}, {3000, 2000}}));
    EXPECT_EQ(p.linesB.size(), 2u);
    (void)v;
}

}  // namespace
}  // namespace rz::test
