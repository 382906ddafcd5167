#include <cmath>

#include "grading_fixture.h"
#include "model/sizes.h"

namespace rz::test {
namespace {

const TSmooth kSmooth;

float Sx(int i) { return float(1.0 + 0.02 * (i - 2)); }
float Sy(int i) { return float(1.0 + 0.01 * (i - 2)); }

TEST(GradingRun, CopiesEverySizeAboutTheBasePointInOrderWithTheirFlagsAndChains) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    Line& a = AddLine(p.linesA, {{100, 50}, {300, 50}, {300, 200}}, &b);
    Line& l1 = AddLine(p.linesB, {{-200, -100}, {0, 400}}, &b);
    Line& loose = AddLine(p.linesB, {{0, 0}, {10, 10}}, nullptr);  // no base point: not graded
    Pin& pin = AddPin(p, 200, 100, &b);
    Motif& m = AddMotif(p, 0, 200, &b);
    a.flags |= kFlagSelected;

    GradeReport r = GradeDesign(d, kSmooth);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.n, 5);
    EXPECT_EQ(r.baseIndex, 2);
    EXPECT_EQ(r.lines, 10);
    EXPECT_EQ(r.pins, 5);
    EXPECT_EQ(r.motifs, 5);
    EXPECT_TRUE(d.flags & kDesignGraded);
    ASSERT_TRUE(d.stepTable && d.outputSelection);
    EXPECT_EQ(d.outputSelection->size(), 5u);
    EXPECT_EQ(loose.graded, nullptr);

    // Size 3 scales by (1.02, 1.01): (100, 50) becomes (102, 50.5).
    EXPECT_EQ(GradedCopyAt(a, 3)->nodes[0].pt(), (PointF{102.0f, 50.5f}));
    // Lines A then B, each in size order, chained from the base-size line; the last ends the chain.
    ASSERT_EQ(p.gradedLines.size(), 10u);
    for (int i = 0; i < 5; ++i) {
        const Line* ca = p.gradedLines[size_t(i)].get();
        const Line* cb = p.gradedLines[size_t(5 + i)].get();
        EXPECT_EQ(GradedCopyAt(a, i), ca);
        EXPECT_EQ(GradedCopyAt(l1, i), cb);
        EXPECT_TRUE(ca->flags & kLineGradedCopy);
        EXPECT_FALSE(ca->flags & kFlagSelected);
        EXPECT_FALSE(ca->eval.empty());
        for (size_t j = 0; j < a.nodes.size(); ++j) {
            EXPECT_FLOAT_EQ(ca->nodes[j].x, a.nodes[j].x * Sx(i));
            EXPECT_FLOAT_EQ(ca->nodes[j].y, a.nodes[j].y * Sy(i));
        }
        const Pin* cp = GradedCopyAt(pin, i);
        ASSERT_EQ(cp, p.gradedPins[size_t(i)].get());
        EXPECT_TRUE(cp->flags & kElementGradedCopy);
        EXPECT_FLOAT_EQ(cp->x, 200 * Sx(i));
        EXPECT_FALSE(cp->outline.empty());
        const Motif* cm = GradedCopyAt(m, i);
        ASSERT_EQ(cm, p.gradedMotifs[size_t(i)].get());
        EXPECT_TRUE(cm->flags & kElementGradedCopy);
        EXPECT_FLOAT_EQ(cm->y, 200 * Sy(i));
        EXPECT_EQ(cm->shape, m.shape);
    }
    EXPECT_EQ(p.gradedLines[4]->graded, nullptr);
    EXPECT_EQ(p.gradedPins.back()->graded, nullptr);
    // The base size is the base pattern itself.
    EXPECT_EQ(GradedCopyAt(a, 2)->nodes, a.nodes);
    ASSERT_TRUE(b.factors);
    EXPECT_EQ((*b.factors)[3], (PairF{Sx(3), Sy(3)}));

    // 清除扩缩 frees all of it.
    EXPECT_TRUE(ClearGrading(d));
    EXPECT_TRUE(p.gradedLines.empty() && p.gradedPins.empty() && p.gradedMotifs.empty());
    EXPECT_FALSE(d.flags & kDesignGraded);
    EXPECT_FALSE(d.stepTable || d.outputSelection || b.factors || b.displacement);
    EXPECT_EQ(a.graded, nullptr);
    EXPECT_FALSE(ClearGrading(d));
}

TEST(GradingRun, OwnersMoveTheirBasePointsAndTurnedBasePointsScaleAlongTheirAxes) {
    Design d;
    SetSizes(d);
    d.baseParams = {100.0f, 100.0f, 10.0f, 0.0f};  // size 3: factors (1.1, 1.0)
    Part& p = d.firstPart();
    BasePoint& root = AddBase(p, 0, 0);
    BasePoint& child = AddBase(p, 10, 0, &root);
    BasePoint& turned = AddBase(p, 0, 1000, &root, float(M_PI / 2), false);
    Line& own = AddLine(p.linesB, {{20, 0}, {10, 0}}, &child);
    Line& side = AddLine(p.linesB, {{0, 1010}, {10, 1000}}, &turned);
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    // The child moves 1 unit with its owner's scaling, and scales its own elements about itself.
    EXPECT_FLOAT_EQ((*child.displacement)[3].a, 1.0f);
    EXPECT_FLOAT_EQ(GradedCopyAt(own, 3)->nodes[0].x, 22.0f);
    EXPECT_FLOAT_EQ(GradedCopyAt(own, 3)->nodes[1].x, 11.0f);
    // A base point turned by 90° on its own axes lengthens along the model's y.
    EXPECT_FLOAT_EQ((*turned.displacement)[3].b, 0.0f);
    const Line* s3 = GradedCopyAt(side, 3);
    EXPECT_NEAR(s3->nodes[0].x, 0.0f, 1e-3);
    EXPECT_NEAR(s3->nodes[0].y, 1011.0f, 1e-3);
    EXPECT_NEAR(s3->nodes[1].x, 10.0f, 1e-3);
}

TEST(GradingRun, ReferenceAndStepModesShapeTheFactors) {
    Design d;
    SetSizes(d, 240, 260, 10, 255);  // sizes 240 250 255 260, base index 2
    Part& p = d.firstPart();
    BasePoint& plain = AddBase(p, 0, 0);
    BasePoint& zero = AddBase(p, 0, 0, &plain);
    zero.flags |= 0x3 | 0x30;  // stored length and width, both 0
    BasePoint& locked = AddBase(p, 0, 0, &plain);
    locked.flags |= 0x100 | 0x1000;
    BasePoint& custom = AddBase(p, 0, 0, &plain);
    custom.flags |= 0x200;
    custom.lengthStep = 4;
    BasePoint& actual = AddBase(p, 0, 0, &plain);
    actual.flags |= 0x1;
    p.outline = {{0, 0}, {20000, 0}, {20000, 500}, {0, 0}};  // 200 mm long
    AddLine(p.linesB, {{0, 0}, {100, 100}}, &plain);  // without copies a run keeps no factors
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    ASSERT_TRUE(actual.factors);
    auto f = [](const BasePoint& b, int i) { return (*b.factors)[size_t(i)]; };
    // Size 260 is half a size step (of 10) above 255: the step table gives (1, 0.5).
    EXPECT_FLOAT_EQ(f(plain, 3).a, 1.01f);
    EXPECT_FLOAT_EQ(f(plain, 0).a, float(1 - 0.015 * 2));
    EXPECT_EQ(f(zero, 3), (PairF{1.0f, 1.0f}));
    EXPECT_EQ(f(locked, 0), (PairF{1.0f, 1.0f}));
    // 自定义 takes the size's distance from the base in size steps, not its index distance.
    EXPECT_FLOAT_EQ(f(custom, 3).a, float(0.5 * 4 / 100 + 1));
    EXPECT_FLOAT_EQ(f(custom, 0).a, float(-1.5 * 4 / 100 + 1));
    EXPECT_FLOAT_EQ(f(actual, 3).a, float(1.0 / 200 + 1));

    // A reference that is not a positive number grades nothing in that direction.
    d.baseParams[0] = std::nanf("");
    d.baseParams[1] = -5;
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    EXPECT_EQ(f(plain, 0), (PairF{1.0f, 1.0f}));
}

TEST(GradingRun, SharedNotesTargetsAndTheBaseColumn) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 1000, 1000);
    BasePoint& own = AddBase(p, 0, 0, &b);
    Line& l = AddLine(p.linesB, {{1500, 1200}, {2000, 2000}}, &b);
    // Sizes 0 and 1 share size 1's factors; sizes 2–4 have no marked size and collapse.
    b.sharedNotes = std::vector<uint8_t>{1, 0x81, 2, 2, 2};
    d.targets = std::vector<PairF>(5, PairF{4.0f, 0.0f});  // a base column of (4, 0) counts as (0, 0)
    own.targets = std::vector<PairF>(5, PairF{6.0f, 0.0f});
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    const std::vector<PairF>& f = *b.factors;
    EXPECT_FLOAT_EQ(f[1].a, 0.96f);
    EXPECT_EQ(f[0], f[1]);
    for (int i = 2; i < 5; ++i) EXPECT_EQ(f[size_t(i)], (PairF{0.0f, 0.0f}));
    for (const Node& n : GradedCopyAt(l, 3)->nodes) EXPECT_EQ(n.pt(), (PointF{1000, 1000}));
    // Own targets win over the design's; the base size stays the base size.
    EXPECT_FLOAT_EQ((*own.factors)[3].a, 1.06f);
    EXPECT_FLOAT_EQ((*own.factors)[2].a, 1.0f);
}

// A part turned by `direction`, three base points (one on its own axes), lines A and B, pins,
// motifs and a node marked by an earlier run in the file.
void BuildTurnedPart(Design& d, float direction) {
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b0 = AddBase(p, 1234.5f, -321.25f, nullptr, direction);
    BasePoint& b1 = AddBase(p, 4000.1f, 900.7f, &b0);
    BasePoint& b2 = AddBase(p, -2000.3f, 3000.9f, &b1, 0.7f, false);
    AddLine(p.linesA, {{0, 0}, {8000.3f, 17.1f}, {7777.7f, 5000.5f}, {0, 0}}, &b0);
    Line& l = AddLine(p.linesB, {{100.1f, 200.2f}, {3000.3f, 2500.7f}, {-1500.9f, 4100.3f}}, &b1);
    l.nodes[1].word |= kNodeSharedMark;
    AddLine(p.linesB, {{-3000, 2000}, {-1000, 5000}}, &b2);
    AddPin(p, 3333.3f, 1111.1f, &b2);
    AddMotif(p, 555.5f, 666.6f, &b1);
}

TEST(GradingRun, GradingTwiceIsBitIdenticalAndNeverMovesTheBasePattern) {
    for (float direction : {0.0f, 0.3f}) {
        Design d;
        BuildTurnedPart(d, direction);
        Line& marked = *d.firstPart().linesB[0];
        ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
        // A mark left in a file does not keep its node from being graded, and is gone after.
        EXPECT_FALSE(marked.nodes[1].word & kNodeGradingMarks);
        EXPECT_NE(GradedCopyAt(marked, 4)->nodes[1].pt(), marked.nodes[1].pt());
        const std::vector<float> first = CopyCoordinates(d);
        ClearGrading(d);
        const std::vector<uint8_t> base = Saved(d);
        for (int run = 0; run < 3; ++run) {
            ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
            EXPECT_EQ(CopyCoordinates(d), first) << direction;
        }
        ClearGrading(d);
        EXPECT_EQ(Saved(d), base) << direction;
    }
}

TEST(GradingRun, TheSizeShownDoesNotMoveTheNextRunsBase) {
    Design d;
    BuildTurnedPart(d, 0.3f);
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    const std::vector<float> first = CopyCoordinates(d);
    d.baseIndex = 4;  // the current size while results exist
    GradeReport r = GradeDesign(d, kSmooth);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(d.baseIndex, 2);
    EXPECT_EQ(CopyCoordinates(d), first);
}

TEST(GradingRun, OwnerCyclesAndElementsOfOtherPartsEndWithWarnings) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& a = AddBase(p, 0, 0);
    BasePoint& b = AddBase(p, 100, 0, &a);
    a.owner = &b;  // a cycle, as a damaged file may hold
    d.parts.push_back(std::make_unique<Part>());
    Part& other = *d.parts.back();
    BasePoint& far = AddBase(other, 0, 0);
    BasePoint& c = AddBase(p, 50, 50, &far);  // owner in another part
    Line& l = AddLine(p.linesB, {{10, 10}, {20, 20}}, &a);
    Line& lc = AddLine(p.linesB, {{60, 60}, {70, 70}}, &c);
    Line& stray = AddLine(p.linesB, {{1, 1}, {2, 2}}, &far);
    GradeReport r = GradeDesign(d, kSmooth);
    ASSERT_TRUE(r.ok);
    EXPECT_NE(GradedCopyAt(l, 4), nullptr);
    EXPECT_NE(GradedCopyAt(lc, 4), nullptr);
    EXPECT_EQ(stray.graded, nullptr);
    std::string all;
    for (auto& w : r.warnings) all += w + "\n";
    EXPECT_NE(all.find("成环"), std::string::npos) << all;
    EXPECT_NE(all.find("归属不在本部位"), std::string::npos) << all;
    EXPECT_NE(all.find("基点不在本部位"), std::string::npos) << all;
}

TEST(GradingRun, FarAndBadLinesAreCopiedAsTheyAre) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    Line& bad = AddLine(p.linesB, {{0, 0}, {2e7f, 0}}, &b);
    Line& far = AddLine(p.linesB, {{2e6f, 0}, {2.1e6f, 100}}, &b);
    GradeReport r = GradeDesign(d, kSmooth);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(GradedCopyAt(bad, 0)->nodes, bad.nodes);
    EXPECT_TRUE(GradedCopyAt(bad, 0)->eval.empty());
    EXPECT_EQ(GradedCopyAt(far, 4)->nodes, far.nodes);
    EXPECT_FALSE(GradedCopyAt(far, 4)->eval.empty());
    ASSERT_FALSE(r.warnings.empty());
}

TEST(GradingRun, RefusedRunsLeaveTheSavedFileByteIdentical) {
    struct Case {
        const char* name;
        std::function<void(Design&)> spoil;
    };
    const std::vector<Case> cases = {
        {"step 0", [](Design& d) { d.step = 0; }},
        {"from above to", [](Design& d) { d.rangeFrom = 270; }},
        {"more than 30 sizes", [](Design& d) { d.rangeFrom = 100, d.rangeTo = 300; }},
        {"arrays of another size count",
         [](Design& d) { d.firstPart().basePoints[1]->targets = std::vector<PairF>(3); }},
        {"factor not a number",
         [](Design& d) {
             BasePoint& b = *d.firstPart().basePoints[2];
             b.flags |= 0x200;
             b.lengthStep = std::nanf("");
         }},
        {"beyond 10 m", [](Design& d) { d.firstPart().linesB[1]->nodes[0].x = 990000; }},
    };
    for (const Case& c : cases) {
        Design d;
        BuildTurnedPart(d, 0.3f);
        ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
        d.flags |= kDesignSaveGrading;
        d.baseIndex = 1;
        c.spoil(d);
        d.firstPart().linesB[0]->nodes[2].word |= kNodeFixedMark;
        const std::vector<uint8_t> before = Saved(d);
        GradeReport r = GradeDesign(d, kSmooth);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_FALSE(r.error.empty()) << c.name;
        EXPECT_EQ(Saved(d), before) << c.name;
    }
}

TEST(PartAtSize, IsATemporaryCopyOfOneSize) {
    Design d;
    BuildTurnedPart(d, 0.3f);
    Part& p = d.firstPart();
    auto label = std::make_unique<SizeLabel>();
    label->x = 2000, label->y = 500;
    label->strokes = {{{2000, 500}, {2100, 600}}};
    p.sizeLabels.push_back(std::move(label));
    EXPECT_EQ(PartAtSize(d, p, 1), nullptr);  // no results yet
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    const std::vector<uint8_t> before = Saved(d);
    std::unique_ptr<Part> at = PartAtSize(d, p, 4);
    ASSERT_TRUE(at);
    EXPECT_EQ(Saved(d), before);
    EXPECT_TRUE(at->gradedLines.empty());
    EXPECT_EQ(at->linesB[0]->nodes, GradedCopyAt(*p.linesB[0], 4)->nodes);
    EXPECT_EQ(at->linesB[0]->basePoint, at->basePoints[1].get());
    EXPECT_EQ(at->pins[0]->x, GradedCopyAt(*p.pins[0], 4)->x);
    EXPECT_FLOAT_EQ(at->basePoints[1]->x, p.basePoints[1]->x + (*p.basePoints[1]->displacement)[4].a);
    // The label moved with the first base point's scaling, its strokes with it.
    const SizeLabel& l = *at->sizeLabels[0];
    EXPECT_NE(l.x, 2000.0f);
    EXPECT_FLOAT_EQ(l.strokes[0][0].x, l.x);
    EXPECT_FALSE(at->bbox == RectF{});
    EXPECT_EQ(PartAtSize(d, p, 5), nullptr);
}

}  // namespace
}  // namespace rz::test
