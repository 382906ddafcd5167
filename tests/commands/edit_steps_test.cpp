// 接合 and 重合 of 点操作 on outline lines and lines B, 比例 with a dragged direction and 旋转 of a
// part in two steps, against independent computations.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "shapes.h"

namespace rz::test {
namespace {

constexpr int kPointOpCommand = 32858, kScaleCommand = 34105, kRotateCommand = 32861;
constexpr int kItemJoin = 2, kItemCoincide = 4;  // in the popup "点操作+ctrl"

// The enclosed area of a closed polyline.
struct StepsTest : EditFixture {
    // Ctrl + right press on a node with the popup answered by `item`.
    void nodeItem(float x, float y, int item) {
        choices = {item};
        rightClick(x, y, kMkCtrl);
    }
};

TEST_F(StepsTest, JoinOutlineLinesWithTheirNeighboursInOutlineOrder) {
    Part& p = outlinePart({{0, 0}, {6000, 0}, {6000, 6000}, {0, 6000}, {0, 0}});
    const Polyline outline = p.outline;
    Line* bottom = p.linesA[0].get();
    Line* right = p.linesA[1].get();
    command(kPointOpCommand);
    click(3000, 0);
    ASSERT_EQ(eng->step(), 1);

    // At the first node: the previous line, the last of the list (the left side).
    size_t snaps = snapshots();
    nodeItem(0, 0, kItemJoin);
    EXPECT_EQ(popupTitles.back(), "点操作+ctrl");
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(p.linesA.size(), 3u);
    EXPECT_EQ(p.linesA[0].get(), bottom);
    EXPECT_EQ(points(*bottom), (std::vector<PointF>{{0, 6000}, {0, 0}, {6000, 0}}));
    EXPECT_TRUE(bottom->nodes[1].isBreak()) << "the junction stays a corner";
    EXPECT_NEAR(Shoelace(p.outline), Shoelace(outline), 1.0);

    // At the last node: the next line (the right side).
    nodeItem(6000, 0, kItemJoin);
    ASSERT_EQ(p.linesA.size(), 2u);
    EXPECT_EQ(points(*bottom), (std::vector<PointF>{{0, 6000}, {0, 0}, {6000, 0}, {6000, 6000}}));
    for (auto& l : p.linesA) EXPECT_NE(l.get(), right);
    nodeItem(6000, 6000, kItemJoin);
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(bottom->nodes.front().pt(), bottom->nodes.back().pt()) << "the outline closes on itself";

    EXPECT_NEAR(Shoelace(p.outline), 36e6, 1.0);

    // A single outline line has no neighbour.
    expectRefused([&] { nodeItem(0, 6000, kItemJoin); });
}

TEST_F(StepsTest, JoinAtTheStartOfTheListKeepsTheCyclicOrder) {
    Part& p = outlinePart({{0, 0}, {6000, 0}, {6000, 6000}, {0, 6000}, {0, 0}});
    Line* right = p.linesA[1].get();
    Line* left = p.linesA[3].get();
    command(kPointOpCommand);
    click(0, 3000);  // the left side, last in the list
    nodeItem(0, 0, kItemJoin);  // its last node: the next line is the first of the list
    ASSERT_EQ(p.linesA.size(), 3u);
    EXPECT_EQ(p.linesA[0].get(), right);
    EXPECT_EQ(p.linesA[2].get(), left);
    EXPECT_EQ(points(*left), (std::vector<PointF>{{0, 6000}, {0, 0}, {6000, 0}}));
    EXPECT_NEAR(Shoelace(p.outline), 36e6, 1.0);
}

TEST_F(StepsTest, CoincideOnAnOutlineLineMovesTheEndOntoTheNeighbour) {
    Part& p = outlinePart({{0, 0}, {6000, 0}, {6000, 6000}, {0, 0}});
    p.linesA[1]->nodes.front().y = 30;  // a gap of 0.3 mm after the first side
    EvaluateLineRecord(*p.linesA[1], doc.smooth);
    CompletePart(p);
    eng->designChanged();
    command(kPointOpCommand);
    click(6000, 3000);
    nodeItem(6000, 30, kItemCoincide);
    ASSERT_EQ(p.linesA.size(), 3u);
    EXPECT_EQ(p.linesA[1]->nodes.front().pt(), (PointF{6000, 0}));
    EXPECT_EQ(p.linesA[0]->nodes.back().pt(), (PointF{6000, 0})) << "the neighbour stays";
}

TEST_F(StepsTest, LinesBJoinOnlyLinesBButCoincideWithAnyEnd) {
    Part& p = square(0, 0, 9000);
    doc.smooth.joinDistance = 50;
    Line& a = lineB(p, {{10, 10}, {2000, 1000}, {3000, 1500}});  // first node 0.14 mm from the outline's corner
    Line* b = &lineB(p, {{3020, 1500}, {4000, 2000}, {5000, 1000}});
    command(kPointOpCommand);
    click(2000, 1000);
    // The outline's corner is within the join distance, but an outline line is not a partner.
    expectRefused([&] { nodeItem(10, 10, kItemJoin); });
    EXPECT_EQ(p.linesA.size(), 1u);

    nodeItem(3000, 1500, kItemJoin);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &a);
    EXPECT_EQ(points(a), (std::vector<PointF>{{10, 10}, {2000, 1000}, {3020, 1500}, {4000, 2000}, {5000, 1000}}));
    EXPECT_TRUE(a.nodes[2].isBreak());
    (void)b;

    // 重合: the end moves onto the other line's end; both lines stay.
    Line& c = lineB(p, {{5000, 5000}, {6000, 5000}});
    Line& d = lineB(p, {{6030, 5000}, {7000, 5000}});
    eng->CancelStep();
    click(5500, 5000);
    nodeItem(6000, 5000, kItemCoincide);
    EXPECT_EQ(c.nodes.back().pt(), (PointF{6030, 5000}));
    EXPECT_EQ(points(d), (std::vector<PointF>{{6030, 5000}, {7000, 5000}}));
    EXPECT_EQ(p.linesB.size(), 3u);

    // 重合 may meet an outline line's end: the line B moves, the outline stays.
    eng->CancelStep();
    click(2000, 1000);
    nodeItem(10, 10, kItemCoincide);
    EXPECT_EQ(a.nodes.front().pt(), (PointF{0, 0}));
    EXPECT_EQ(p.linesA[0]->nodes.front().pt(), (PointF{0, 0}));
    EXPECT_EQ(p.linesA.size(), 1u);
}

// The image of q under the scale about c by fa along `angle` and fc across it, by projections.
PointF ScaledAbout(PointF q, PointF c, double angle, double fa, double fc) {
    double ux = std::cos(angle), uy = std::sin(angle);
    double dx = q.x - c.x, dy = q.y - c.y;
    double a = dx * ux + dy * uy, b = -dx * uy + dy * ux;
    return {float(c.x + fa * a * ux - fc * b * uy), float(c.y + fa * a * uy + fc * b * ux)};
}

TEST_F(StepsTest, ScaleWithShiftScalesTheSelectionAlongTheDraggedDirection) {
    Part& p = square(0, 0, 9000);
    Line& s = lineB(p, {{2000, 2000}, {4000, 3000}, {5000, 2000}});
    Line& other = lineB(p, {{6000, 6000}, {7000, 7000}});
    s.flags |= kFlagSelected;
    auto before = points(s), otherBefore = points(other);
    command(kScaleCommand);
    // Without a direction (a press without a drag) nothing happens.
    expectRefused([&] { click(1000, 1000, kMkShift); });

    const PointF c{1000, 1000}, d{4000, 5000};
    const double angle = std::atan2(d.y - c.y, d.x - c.x);
    platform.dialogValues = {{0.5, -0.25}};
    size_t snaps = snapshots();
    drag(c.x, c.y, d.x, d.y, kMkShift);
    EXPECT_EQ(snapshots(), snaps + 1);
    // The dialog shows the extents of the selection along and across the direction.
    double lo = 1e30, hi = -1e30, clo = 1e30, chi = -1e30;
    // The line is a polyline: its evaluation is its nodes.
    Polyline orig(before.begin(), before.end());
    for (PointF q : orig) {
        double a = q.x * std::cos(angle) + q.y * std::sin(angle), b = -q.x * std::sin(angle) + q.y * std::cos(angle);
        lo = std::min(lo, a), hi = std::max(hi, a), clo = std::min(clo, b), chi = std::max(chi, b);
    }
    char along[64], across[64];
    std::snprintf(along, sizeof along, "长度 %.2f 变化", (hi - lo) / 100.0);
    std::snprintf(across, sizeof across, "宽度 %.2f 变化", (chi - clo) / 100.0);
    ASSERT_EQ(platform.dialogTitles.back(), "比例");
    EXPECT_EQ(platform.dialogFields.back()[0].label, along);
    EXPECT_EQ(platform.dialogFields.back()[1].label, across);

    auto now = points(s);
    for (size_t i = 0; i < now.size(); ++i) {
        PointF want = ScaledAbout(before[i], c, angle, 1.5, 0.75);
        EXPECT_NEAR(now[i].x, want.x, 0.5f);
        EXPECT_NEAR(now[i].y, want.y, 0.5f);
    }
    EXPECT_EQ(points(other), otherBefore) << "only the selection is scaled";

    // Without a selection: 500 Hz.
    s.flags &= ~kFlagSelected;
    expectRefused([&] { drag(c.x, c.y, d.x, d.y, kMkShift); });
}

TEST_F(StepsTest, RotateWithShiftTakesCentreThenDirectionThenFollowsThePointer) {
    Part& p = square(1000, 1000, 4000);
    Line& b = lineB(p, {{2000, 2000}, {4000, 2500}, {3000, 4000}});
    const auto outlineBefore = points(*p.linesA[0]), lineBefore = points(b);
    const float outlineLength = PolyLength(p.outline);
    command(kRotateCommand);

    click(1500, 4500, kMkShift);  // the part, on no line
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), " 第一步：请选择旋转中心点！");
    // A right press gives the step up; the mode stays.
    expectUnchanged([&] { rightClick(3000, 3000); });
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), mode::Rotate);

    click(1500, 4500, kMkShift);
    const PointF c{3000, 3000}, dir{4500, 3200}, to{2300, 4700};
    click(c.x, c.y);
    ASSERT_EQ(eng->step(), 2);
    EXPECT_EQ(platform.prompts.back(), "第二步：请选择旋转方向点！");
    size_t snaps = snapshots();
    drag(dir.x, dir.y, to.x, to.y);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(snapshots(), snaps + 1);

    const double turn = std::atan2(to.y - c.y, to.x - c.x) - std::atan2(dir.y - c.y, dir.x - c.x);
    auto rotated = [&](PointF q) {
        double dx = q.x - c.x, dy = q.y - c.y;
        return PointF{float(c.x + dx * std::cos(turn) - dy * std::sin(turn)),
                      float(c.y + dx * std::sin(turn) + dy * std::cos(turn))};
    };
    auto nowOutline = points(*p.linesA[0]), nowLine = points(b);
    for (size_t i = 0; i < nowOutline.size(); ++i) {
        EXPECT_NEAR(nowOutline[i].x, rotated(outlineBefore[i]).x, 0.5f);
        EXPECT_NEAR(nowOutline[i].y, rotated(outlineBefore[i]).y, 0.5f);
    }
    for (size_t i = 0; i < nowLine.size(); ++i) {
        EXPECT_NEAR(nowLine[i].x, rotated(lineBefore[i]).x, 0.5f);
        EXPECT_NEAR(nowLine[i].y, rotated(lineBefore[i]).y, 0.5f);
        if (i) {
            EXPECT_NEAR(PtDist(nowLine[i], nowLine[i - 1]), PtDist(lineBefore[i], lineBefore[i - 1]), 0.5f);
        }
    }
    EXPECT_NEAR(PolyLength(p.outline), outlineLength, 1.0f) << "a turn keeps lengths";

    // The right press also cancels the second step.
    click(1500, 4500, kMkShift);
    click(c.x, c.y);
    ASSERT_EQ(eng->step(), 2);
    expectUnchanged([&] { rightClick(3000, 3000); });
    EXPECT_EQ(eng->step(), 0);
}

}  // namespace
}  // namespace rz::test
