// 合并 as an operation on the design: the joined loop, the seam kept as an inner line, the records
// of the second part moved over, the master-line part kept, split-then-merge, and refusals that
// leave the saved file byte for byte.
#include <cmath>
#include <set>

#include "design/part_merge.h"
#include "design/part_split.h"
#include "../commands/draw_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/xie.h"
#include "shapes.h"

namespace rz::test {
namespace {

// Every line A ends exactly where the next begins, the last where the first begins.
bool HeadToTail(const Part& p) {
    size_t n = p.linesA.size();
    for (size_t i = 0; i < n; ++i) {
        const Polyline &e = p.linesA[i]->eval, &f = p.linesA[(i + 1) % n]->eval;
        if (e.empty() || f.empty() || !(e.back() == f.front())) return false;
    }
    return n >= 2;
}

struct MergeTest : DrawTest {
    // A polygon of straight lines A through the corners in the order given.
    Part& polygon(std::vector<PointF> c) {
        Part& p = AppendNewPart(doc.design, 0);
        for (size_t i = 0; i < c.size(); ++i)
            p.linesA.push_back(MakeLineRecord(doc, Nodes({c[i], c[(i + 1) % c.size()]}), kCurvePolyline, 3));
        CompletePart(p);
        return p;
    }
    Line& lineB(Part& p, std::vector<PointF> pts) {
        p.linesB.push_back(MakeLineRecord(doc, Nodes(pts), kCurvePolyline, 1));
        return *p.linesB.back();
    }
    Pin* pin(Part& p, float x, float y) {
        p.pins.push_back(std::make_unique<Pin>());
        p.pins.back()->x = x, p.pins.back()->y = y, p.pins.back()->diameter = 100;
        return p.pins.back().get();
    }
    bool inChain(const Part* p) const {
        for (auto& q : doc.design.parts)
            if (q.get() == p) return true;
        return false;
    }
    static bool Holds(const List<Line>& l, const Line* x) {
        for (auto& r : l)
            if (r.get() == x) return true;
        return false;
    }
};

TEST_F(MergeTest, NeighboursOfOppositeSenseBecomeOnePart) {
    // Both counter-clockwise: the shared side x = 3000 runs up in A and down in B.
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    Part& b = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
    Line* seamA = a.linesA[1].get();
    Line* seamB = b.linesA[3].get();
    Line& innerB = lineB(b, {{5000, 1000}, {6000, 3000}});
    Pin* pinB = pin(b, 7000, 2000);
    b.texts.push_back(std::make_unique<TextString>());
    b.sizeLabels.push_back(std::make_unique<SizeLabel>());
    // A seam allowance on B's right side stays; one on the shared side of B moves to A's side of
    // the seam, which stays as an inner line.
    auto sa = std::make_unique<SeamAllowance>();
    sa->baseLine = b.linesA[1].get();
    SeamAllowance* kept = sa.get();
    b.seamAllowances.push_back(std::move(sa));
    sa = std::make_unique<SeamAllowance>();
    sa->baseLine = seamB;
    b.seamAllowances.push_back(std::move(sa));
    // Graded copies of the shared side and of the right side.
    b.gradedLines.push_back(std::make_unique<Line>(*seamB));
    seamB->graded = b.gradedLines.back().get();
    b.gradedLines.push_back(std::make_unique<Line>(*b.linesA[1]));
    b.linesA[1]->graded = b.gradedLines.back().get();
    Line* gradedRight = b.linesA[1]->graded;
    size_t parts = doc.design.parts.size();

    Part* m = MergeParts(doc.design, a, b, doc.smooth);
    ASSERT_EQ(m, &a);
    EXPECT_EQ(doc.design.parts.size(), parts - 1);
    ASSERT_EQ(a.gradedLines.size(), 1u);
    EXPECT_EQ(a.gradedLines[0].get(), gradedRight);
    EXPECT_FALSE(inChain(&b));
    ASSERT_TRUE(PolyClosed(a.outline));
    EXPECT_TRUE(HeadToTail(a));
    EXPECT_NEAR(SignedArea(a.outline), 8000.0 * 4000, 1.0);
    EXPECT_EQ(a.linesA.size(), 6u);  // three sides of each rectangle
    EXPECT_FALSE(Holds(a.linesA, seamA));
    // A's side of the seam is an inner line now, drawn as a line B is (边线 setting 1).
    EXPECT_TRUE(Holds(a.linesB, seamA));
    EXPECT_EQ(seamA->flags & kLineEdgeMask, 1u);
    EXPECT_TRUE(Holds(a.linesB, &innerB));
    ASSERT_EQ(a.pins.size(), 1u);
    EXPECT_EQ(a.pins[0].get(), pinB);
    EXPECT_EQ(a.texts.size(), 1u);
    EXPECT_EQ(a.sizeLabels.size(), 1u);
    ASSERT_EQ(a.seamAllowances.size(), 2u);
    EXPECT_EQ(a.seamAllowances[0].get(), kept);
    EXPECT_EQ(a.seamAllowances[1]->baseLine, seamA);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(MergeTest, LoopsOfTheSameSenseTurnTheSecondRound) {
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    // Clockwise, with a break node and extension only at the start of its bottom line.
    Part& b = polygon({{3000, 0}, {3000, 4000}, {8000, 4000}, {8000, 0}});
    Line* bottom = b.linesA[3].get();  // (8000, 0) -> (3000, 0)
    bottom->flags |= kLineExtendStart;
    bottom->startExt = 7.0f;
    bottom->margin = 20.0f;
    bottom->nodes.back().word |= kNodeBreak;
    EvaluateLineRecord(*bottom, doc.smooth);

    Part* m = MergeParts(doc.design, a, b, doc.smooth);
    ASSERT_EQ(m, &a);
    ASSERT_TRUE(PolyClosed(a.outline));
    EXPECT_TRUE(HeadToTail(a));
    // Counter-clockwise as A was, covering both.
    EXPECT_NEAR(SignedArea(a.outline), 8000.0 * 4000, 1.0);
    // The bottom line now runs (3000, 0) -> (8000, 0): its end settings and break node turned
    // with it, its margin on the same side of the line as before.
    EXPECT_EQ(bottom->nodes.front().pt(), (PointF{3000, 0}));
    EXPECT_EQ(bottom->nodes.back().pt(), (PointF{8000, 0}));
    EXPECT_TRUE(bottom->nodes.front().isBreak());
    EXPECT_FALSE(bottom->nodes.back().isBreak());
    EXPECT_TRUE(bottom->flags & kLineExtendEnd);
    EXPECT_FALSE(bottom->flags & kLineExtendStart);
    EXPECT_EQ(bottom->endExt, 7.0f);
    EXPECT_EQ(bottom->startExt, 0.0f);
    ASSERT_FALSE(bottom->second.empty());
    // Right of the old, westward direction was above the line (inside the part): it still is.
    EXPECT_GT(bottom->second.front().y, 0.0f);
}

TEST_F(MergeTest, ASharedStretchOfSeveralLines) {
    // The shared side is two lines in each part, with a kink at (3200, 2000).
    Part& a = polygon({{0, 0}, {3000, 0}, {3200, 2000}, {3000, 4000}, {0, 4000}});
    Part& b = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}, {3200, 2000}});
    Line* s1 = a.linesA[1].get();
    Line* s2 = a.linesA[2].get();
    Part* m = MergeParts(doc.design, a, b, doc.smooth);
    ASSERT_EQ(m, &a);
    EXPECT_TRUE(HeadToTail(a));
    EXPECT_EQ(a.linesA.size(), 6u);
    EXPECT_TRUE(Holds(a.linesB, s1));
    EXPECT_TRUE(Holds(a.linesB, s2));
    EXPECT_NEAR(SignedArea(a.outline), 8000.0 * 4000, 1.0);
}

TEST_F(MergeTest, SplitThenMergeGivesThePartBack) {
    Part& p = polygon({{0, 0}, {8000, 0}, {8000, 4000}, {0, 4000}});
    p.basePoints.push_back(std::make_unique<BasePoint>());
    Line& cut = lineB(p, {{3000, 0}, {3000, 4000}});
    Line& left = lineB(p, {{500, 1000}, {2500, 1000}});
    Line& right = lineB(p, {{4000, 1000}, {5000, 2000}, {6000, 1000}, {7000, 2000}});
    Line& straddle = lineB(p, {{1000, 3000}, {2000, 3000}, {2500, 3500}, {3500, 3000}});
    right.basePoint = p.basePoints[0].get();
    Pin* p1 = pin(p, 6000, 3000);
    Pin* p2 = pin(p, 1000, 500);
    auto sa = std::make_unique<SeamAllowance>();
    sa->baseLine = p.linesA[1].get();
    p.seamAllowances.push_back(std::move(sa));
    CompletePart(p);
    double area = SignedArea(p.outline);
    size_t parts = doc.design.parts.size();

    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    ASSERT_EQ(doc.design.parts.size(), parts + 1);
    Part* m = MergeParts(doc.design, p, *np, doc.smooth);
    ASSERT_EQ(m, &p);
    EXPECT_EQ(doc.design.parts.size(), parts);
    ASSERT_TRUE(PolyClosed(p.outline));
    EXPECT_TRUE(HeadToTail(p));
    EXPECT_NEAR(SignedArea(p.outline), area, 1.0);
    // The same inner records, the splitting line an inner line again.
    std::set<const void*> inner, want{&cut, &left, &right, &straddle};
    for (auto& l : p.linesB) inner.insert(l.get());
    EXPECT_EQ(inner, want);
    std::set<const void*> pins, wantPins{p1, p2};
    for (auto& r : p.pins) pins.insert(r.get());
    EXPECT_EQ(pins, wantPins);
    EXPECT_EQ(p.seamAllowances.size(), 1u);
    // One base point again, and what the split gave the new part's copy points at the original.
    ASSERT_EQ(p.basePoints.size(), 1u);
    EXPECT_EQ(right.basePoint, p.basePoints[0].get());
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(MergeTest, SplitThenMergeOfCurvedOutlineKeepsTheArea) {
    Part& p = AppendNewPart(doc.design, 0);
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{0, 0}, {4000, -500}, {8000, 0}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{8000, 0}, {8500, 3000}, {8000, 6000}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{8000, 6000}, {4000, 6500}, {0, 6000}}), kCurveInterpolating, 3));
    p.linesA.push_back(MakeLineRecord(doc, Nodes({{0, 6000}, {-500, 3000}, {0, 0}}), kCurveInterpolating, 3));
    p.linesB.push_back(MakeLineRecord(doc, Nodes({{3000, -1500}, {3800, 3000}, {3000, 7500}}), kCurveInterpolating, 1));
    Line& cut = *p.linesB.back();
    CompletePart(p);
    double whole = SignedArea(p.outline);
    Part* np = SplitPart(doc.design, p, cut, doc.smooth);
    ASSERT_NE(np, nullptr);
    // Merged from the other side: the new part stays, the old one goes.
    Part* m = MergeParts(doc.design, *np, p, doc.smooth);
    ASSERT_EQ(m, np);
    ASSERT_TRUE(PolyClosed(np->outline));
    EXPECT_TRUE(HeadToTail(*np));
    EXPECT_NEAR(std::fabs(SignedArea(np->outline)), std::fabs(whole), 0.005 * std::fabs(whole));
    EXPECT_EQ(np->linesB.size(), 1u);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(MergeTest, TheMasterLinePartIsNeverTheOneRemoved) {
    Part& first = doc.design.firstPart();
    PointF c[] = {{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}};
    for (int i = 0; i < 4; ++i) first.linesA.push_back(MakeLineRecord(doc, Nodes({c[i], c[(i + 1) % 4]}), kCurvePolyline, 3));
    CompletePart(first);
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    Pin* pa = pin(a, 1000, 1000);
    Part* m = MergeParts(doc.design, a, first, doc.smooth);
    ASSERT_EQ(m, &first);
    EXPECT_EQ(doc.design.parts.front().get(), &first);
    EXPECT_FALSE(inChain(&a));
    ASSERT_EQ(first.pins.size(), 1u);
    EXPECT_EQ(first.pins[0].get(), pa);
    EXPECT_NEAR(SignedArea(first.outline), 8000.0 * 4000, 1.0);
}

TEST_F(MergeTest, BasePointsOfTheSecondPart) {
    // A with a base point: B's records measure from it and B's own go.
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    Part& b = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
    a.basePoints.push_back(std::make_unique<BasePoint>());
    b.basePoints.push_back(std::make_unique<BasePoint>());
    BasePoint* bpA = a.basePoints[0].get();
    Pin* pb = pin(b, 5000, 2000);
    pb->basePoint = b.basePoints[0].get();
    b.linesA[1]->basePoint = b.basePoints[0].get();
    ASSERT_NE(MergeParts(doc.design, a, b, doc.smooth), nullptr);
    ASSERT_EQ(a.basePoints.size(), 1u);
    EXPECT_EQ(pb->basePoint, bpA);
    for (auto& l : a.linesA) EXPECT_TRUE(l->basePoint == nullptr || l->basePoint == bpA);
    EXPECT_TRUE(AllReferencesInside(doc.design));

    // C without one takes D's.
    Part& c = polygon({{0, 5000}, {3000, 5000}, {3000, 6000}, {0, 6000}});
    Part& d = polygon({{3000, 5000}, {8000, 5000}, {8000, 6000}, {3000, 6000}});
    d.basePoints.push_back(std::make_unique<BasePoint>());
    d.basePoints.push_back(std::make_unique<BasePoint>());
    BasePoint* bd1 = d.basePoints[1].get();
    Pin* pd = pin(d, 5000, 5500);
    pd->basePoint = bd1;
    ASSERT_NE(MergeParts(doc.design, c, d, doc.smooth), nullptr);
    ASSERT_EQ(c.basePoints.size(), 2u);
    EXPECT_EQ(c.basePoints[1].get(), bd1);
    EXPECT_EQ(bd1->index, 1);
    EXPECT_EQ(pd->basePoint, bd1);
}

TEST_F(MergeTest, PiecesCutAlongTheRemovedSideFollowTheSeam) {
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    Part& b = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
    Line* seamA = a.linesA[1].get();
    Line* seamB = b.linesA[3].get();  // runs down: fraction 0.25 is at y = 3000
    auto pc = std::make_unique<Piece>();
    auto pl = std::make_unique<PieceLine>();
    pl->source = {seamB, kKindLine};
    pl->start = 0.25f, pl->end = 0.5f;
    PieceLine* line = pl.get();
    pc->linesA.push_back(std::move(pl));
    doc.design.pieces.push_back(std::move(pc));
    ASSERT_NE(MergeParts(doc.design, a, b, doc.smooth), nullptr);
    EXPECT_EQ(line->source.ptr, seamA);
    // The same stretch of the seam, still run from y 3000 down to 2000, on A's side, which runs up.
    EXPECT_FLOAT_EQ(line->start, 0.75f);
    EXPECT_FLOAT_EQ(line->end, 0.5f);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(MergeTest, RefusedMergesLeaveTheSavedFileAsItWas) {
    Part& a = polygon({{0, 0}, {3000, 0}, {3000, 4000}, {0, 4000}});
    Part& b = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
    // Apart from both.
    Part& apart = polygon({{0, 5000}, {1000, 5000}, {1000, 6000}, {0, 6000}});
    // Inside A, sharing A's right side: the two lie on the same side of it.
    Part& within = polygon({{2000, 0}, {3000, 0}, {3000, 4000}, {2000, 4000}});
    // Touching A only along part of its right side: no line coincides.
    Part& partial = polygon({{3000, 4000}, {3000, 5000}, {4000, 5000}, {4000, 4000}});
    // An open outline.
    Part& open = AppendNewPart(doc.design, 0);
    open.linesA.push_back(MakeLineRecord(doc, Nodes({{3000, 0}, {3000, 4000}}), kCurvePolyline, 3));
    open.linesA.push_back(MakeLineRecord(doc, Nodes({{3000, 4000}, {6000, 4000}}), kCurvePolyline, 3));
    CompletePart(open);
    // On another page.
    Part& other = polygon({{3000, 0}, {8000, 0}, {8000, 4000}, {3000, 4000}});
    other.setPage(1);
    Line& innerA = lineB(a, {{500, 500}, {1000, 1000}});
    CompletePart(a);

    auto before = WriteXie(doc.design);
    size_t parts = doc.design.parts.size();
    auto refused = [&](Part& x, Part& y, const Line* px = nullptr, const Line* py = nullptr) {
        EXPECT_EQ(MergeParts(doc.design, x, y, doc.smooth, px, py), nullptr);
        EXPECT_EQ(WriteXie(doc.design), before);
        EXPECT_EQ(doc.design.parts.size(), parts);
    };
    refused(a, a);
    refused(a, apart);
    refused(a, within);
    refused(a, partial);
    refused(a, open);
    refused(a, other);
    // A picked line that is not on the shared side, or not a boundary line.
    refused(a, b, a.linesA[0].get(), nullptr);
    refused(a, b, &innerA, nullptr);
    refused(a, b, nullptr, b.linesA[0].get());
    // The right picks go through.
    EXPECT_NE(MergeParts(doc.design, a, b, doc.smooth, a.linesA[1].get(), b.linesA[3].get()), nullptr);
}

}  // namespace
}  // namespace rz::test
