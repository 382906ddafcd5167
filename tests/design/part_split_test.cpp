// 拆分 as an operation on the design: the two loops, the splitting line on both boundaries, the
// records distributed by containment, and refusals that leave the saved file byte for byte.
#include <cmath>

#include "design/part_split.h"
#include "../commands/draw_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/xie.h"
#include "shapes.h"

namespace rz::test {
namespace {

struct SplitTest : DrawTest {
    // A rectangle of four straight lines A, counter-clockwise from (0, 0).
    Part& rect(float w, float h) {
        Part& p = AppendNewPart(doc.design, 0);
        PointF c[] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
        for (int i = 0; i < 4; ++i) p.linesA.push_back(MakeLineRecord(doc, Nodes({c[i], c[i + 1]}), kCurvePolyline, 3));
        CompletePart(p);
        return p;
    }
    Line& lineB(Part& p, std::vector<PointF> pts) {
        p.linesB.push_back(MakeLineRecord(doc, Nodes(pts), kCurvePolyline, 1));
        return *p.linesB.back();
    }
    static bool Holds(const List<Line>& l, const Line* x) {
        for (auto& r : l)
            if (r.get() == x) return true;
        return false;
    }
    // The boundary line of `p` running between a and b (either way), or null.
    static const Line* BoundaryBetween(const Part& p, PointF a, PointF b) {
        for (auto& l : p.linesA) {
            PointF f = l->nodes.front().pt(), e = l->nodes.back().pt();
            if ((PtDist(f, a) < 0.5f && PtDist(e, b) < 0.5f) || (PtDist(f, b) < 0.5f && PtDist(e, a) < 0.5f))
                return l.get();
        }
        return nullptr;
    }
};

TEST_F(SplitTest, RectangleSplitsIntoTwoPartsAlongTheLine) {
    Part& p = rect(8000, 4000);
    p.basePoints.push_back(std::make_unique<BasePoint>());
    p.basePoints[0]->x = 100, p.basePoints[0]->y = 100;
    // The splitting line ends on the boundary: only its extension finds the crossings.
    Line& cut = lineB(p, {{3000, 0}, {3000, 4000}});
    Line& left = lineB(p, {{500, 1000}, {2500, 1000}});
    Line& right = lineB(p, {{4000, 1000}, {5000, 2000}, {6000, 1000}, {7000, 2000}});
    // Mostly on the left, one end reaching across the splitting line: its inner nodes decide.
    Line& straddle = lineB(p, {{1000, 3000}, {2000, 3000}, {2500, 3500}, {3500, 3000}});
    right.basePoint = p.basePoints[0].get();
    // A graded copy of the right-hand line, and one of a line that stays.
    p.gradedLines.push_back(std::make_unique<Line>(right));
    right.graded = p.gradedLines.back().get();
    Line* rightGraded = right.graded;
    p.gradedLines.push_back(std::make_unique<Line>(left));
    left.graded = p.gradedLines.back().get();
    auto pin = [&](float x, float y) {
        p.pins.push_back(std::make_unique<Pin>());
        p.pins.back()->x = x, p.pins.back()->y = y, p.pins.back()->diameter = 100;
        return p.pins.back().get();
    };
    Pin* pinRight = pin(6000, 3000);
    Pin* pinLeft = pin(1000, 500);
    auto sa = std::make_unique<SeamAllowance>();
    sa->baseLine = p.linesA[1].get();  // the right side, wholly in the new part
    SeamAllowance* seam = sa.get();
    p.seamAllowances.push_back(std::move(sa));
    CompletePart(p);
    size_t parts = doc.design.parts.size();

    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    ASSERT_EQ(doc.design.parts.size(), parts + 1);
    // The new part follows the one it was split from, on its page, dated.
    for (size_t i = 0; i + 1 < doc.design.parts.size(); ++i) {
        if (doc.design.parts[i].get() == &p) {
            EXPECT_EQ(doc.design.parts[i + 1].get(), np);
        }
    }
    EXPECT_EQ(np->page(), p.page());
    EXPECT_NE(np->year, 0);

    // Both outlines closed; the areas are the two rectangles and add up to the original.
    ASSERT_TRUE(PolyClosed(p.outline));
    ASSERT_TRUE(PolyClosed(np->outline));
    double a0 = Shoelace(p.outline), a1 = Shoelace(np->outline);
    EXPECT_NEAR(a0, 3000.0 * 4000, 20.0);
    EXPECT_NEAR(a1, 5000.0 * 4000, 20.0);
    EXPECT_NEAR(a0 + a1, 8000.0 * 4000, 20.0);
    EXPECT_NE(PointInPolygon(p.outline, {1500, 2000}), 0);
    EXPECT_NE(PointInPolygon(np->outline, {6500, 2000}), 0);

    // The splitting line is a boundary line of both, with 边线 and 原线 settings 3; the part keeps
    // the record itself.
    EXPECT_FALSE(Holds(p.linesB, &cut));
    EXPECT_TRUE(Holds(p.linesA, &cut));
    const Line* other = BoundaryBetween(*np, {3000, 0}, {3000, 4000});
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(BoundaryBetween(p, {3000, 0}, {3000, 4000}), &cut);
    EXPECT_EQ(cut.flags & 0xFu, 0xFu);
    EXPECT_EQ(other->flags & 0xFu, 0xFu);
    // The bottom and top were cut at the crossings: each part has four sides.
    EXPECT_EQ(p.linesA.size(), 4u);
    EXPECT_EQ(np->linesA.size(), 4u);
    EXPECT_NE(BoundaryBetween(p, {0, 0}, {3000, 0}), nullptr);
    EXPECT_NE(BoundaryBetween(*np, {3000, 0}, {8000, 0}), nullptr);

    // Containment.
    EXPECT_TRUE(Holds(p.linesB, &left));
    EXPECT_TRUE(Holds(p.linesB, &straddle));
    EXPECT_TRUE(Holds(np->linesB, &right));
    ASSERT_EQ(np->pins.size(), 1u);
    EXPECT_EQ(np->pins[0].get(), pinRight);
    ASSERT_EQ(p.pins.size(), 1u);
    EXPECT_EQ(p.pins[0].get(), pinLeft);
    // What hangs on a line goes with it; the new part measures from its own base point.
    ASSERT_EQ(np->seamAllowances.size(), 1u);
    EXPECT_EQ(np->seamAllowances[0].get(), seam);
    ASSERT_EQ(np->basePoints.size(), 1u);
    EXPECT_EQ(right.basePoint, np->basePoints[0].get());
    EXPECT_EQ(p.basePoints.size(), 1u);
    ASSERT_EQ(np->gradedLines.size(), 1u);
    EXPECT_EQ(np->gradedLines[0].get(), rightGraded);
    EXPECT_EQ(p.gradedLines.size(), 1u);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(SplitTest, OneClosedOutlineLineIsCutTwiceAndItsEndsRejoined) {
    Part& p = AppendNewPart(doc.design, 0);
    p.linesA.push_back(
        MakeLineRecord(doc, Nodes({{0, 0}, {6000, 0}, {6000, 6000}, {0, 6000}, {0, 0}}), kCurvePolyline, 3));
    // A slanted line through the left and right sides.
    Line& cut = lineB(p, {{-1000, 1000}, {7000, 3000}});
    CompletePart(p);
    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    ASSERT_TRUE(PolyClosed(p.outline));
    ASSERT_TRUE(PolyClosed(np->outline));
    // The line crosses x = 0 at y = 1250 and x = 6000 at y = 2750: the part below it, which
    // holds the outline's start, is the trapezoid of parallel sides 1250 and 2750.
    double below = (1250.0 + 2750.0) / 2 * 6000;
    EXPECT_NEAR(Shoelace(p.outline), below, 20.0);
    EXPECT_NEAR(Shoelace(np->outline), 36e6 - below, 20.0);
    // Each loop: the outline's stretch as one line, and the splitting line.
    EXPECT_EQ(p.linesA.size(), 2u);
    EXPECT_EQ(np->linesA.size(), 2u);
}

TEST_F(SplitTest, CurvedLinesCloseBothLoops) {
    // A curved outline (an interpolating curve through the corners of a rounded shape) and a
    // curved splitting line with both ends outside.
    Part& p = AppendNewPart(doc.design, 0);
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{0, 0}, {4000, -500}, {8000, 0}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{8000, 0}, {8500, 3000}, {8000, 6000}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{8000, 6000}, {4000, 6500}, {0, 6000}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{0, 6000}, {-500, 3000}, {0, 0}}), kCurveInterpolating, 3));
    Line& cut = lineB(p, {{3000, -1500}, {3800, 3000}, {3000, 7500}});
    cut.flags = (cut.flags & ~kLineMethodMask) | (uint32_t(kCurveInterpolating) << kLineMethodShift);
    EvaluateLineRecord(cut, doc.smooth);
    CompletePart(p);
    ASSERT_TRUE(PolyClosed(p.outline));
    double whole = Shoelace(p.outline);
    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    ASSERT_TRUE(PolyClosed(p.outline));
    ASSERT_TRUE(PolyClosed(np->outline));
    // Re-fitting the cut lines through fewer nodes moves them a little: the two areas still make
    // up the whole to within a fraction of a percent.
    EXPECT_NEAR(Shoelace(p.outline) + Shoelace(np->outline), whole, 0.005 * whole);
    EXPECT_NE(PointInPolygon(p.outline, {1500, 3000}), 0);
    EXPECT_NE(PointInPolygon(np->outline, {6000, 3000}), 0);
    // The splitting line ends on the boundary: its end nodes are the crossings.
    for (const Node* n : {&cut.nodes.front(), &cut.nodes.back()})
        EXPECT_LT(PolyNearest(np->outline, n->pt()).dist, 0.5f);
}

TEST_F(SplitTest, RefusedSplitsLeaveTheSavedFileAsItWas) {
    Part& p = rect(8000, 4000);
    lineB(p, {{500, 1000}, {2500, 1000}});
    // Once only: from inside to beyond the right side.
    Line& once = lineB(p, {{2000, 2000}, {9000, 2000}});
    // Three times: a zigzag across the bottom.
    Line& thrice = lineB(p, {{1000, -500}, {1500, 500}, {2000, -500}, {2500, 500}});
    // Twice, but between the crossings it runs outside the part, round the right side.
    Line& around = lineB(p, {{7000, 3000}, {9000, 3000}, {9000, 1000}, {7000, 1000}});
    // Inside, touching nothing.
    Line& inside = lineB(p, {{4000, 1000}, {5000, 1000}});
    CompletePart(p);
    auto before = WriteXie(doc.design);
    size_t parts = doc.design.parts.size();
    for (Line* l : {&once, &thrice, &around, &inside}) {
        EXPECT_EQ(SplitPart(doc.design, p, *l, doc.smooth), nullptr);
        EXPECT_EQ(WriteXie(doc.design), before);
        EXPECT_EQ(doc.design.parts.size(), parts);
    }
    // A line A is no splitting line.
    EXPECT_EQ(SplitPart(doc.design, p, *p.linesA[0], doc.smooth), nullptr);
    EXPECT_EQ(WriteXie(doc.design), before);
}

TEST_F(SplitTest, PlanNamesTheLoopOfACorner) {
    Part& p = rect(6000, 6000);
    Line cut;
    cut.nodes = Nodes({{4000, 6500}, {6500, 4000}});
    EvaluateLineRecord(cut, doc.smooth);
    auto plan = PlanSplit(p, cut);
    ASSERT_TRUE(plan);
    // The top side begins at (6000, 6000): that corner is on the small side, loop 1 (from the
    // crossing on the right side round to the one on the top side).
    EXPECT_EQ(plan->loopWithLineAt({6000, 6000}), 1);
    EXPECT_EQ(plan->loopWithLineAt({0, 0}), 0);
    EXPECT_EQ(plan->loopWithLineAt({3000, 3000}), -1);
    EXPECT_NEAR(Shoelace(plan->outlines[1]), 1500.0 * 1500 / 2, 1.0);
}

}  // namespace
}  // namespace rz::test
