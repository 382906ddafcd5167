// 修正 (mode 115): the part and line dialogs and the adoption of a shown graded size, checked
// against independent computations.
#include <cmath>

#include "commands/correct.h"
#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz::test {
namespace {

constexpr int kCorrectCommand = 32884;

double ArcLength(const Polyline& pl) {
    double s = 0;
    for (size_t i = 1; i < pl.size(); ++i) s += std::hypot(double(pl[i].x) - pl[i - 1].x, double(pl[i].y) - pl[i - 1].y);
    return s;
}

struct CorrectTest : EditFixture {
    void SetUp() override {
        EditFixture::SetUp();
        command(kCorrectCommand);
    }
};

TEST_F(CorrectTest, PartDialogScalesAboutTheFirstBasePoint) {
    Part& p = outlinePart({{1000, 1000}, {5000, 1000}, {5000, 3000}, {1000, 3000}, {1000, 1000}});
    Line& b = lineB(p, {{2000, 1500}, {3000, 2500}, {4000, 1500}}, kCurveInterpolating);
    auto bp = std::make_unique<BasePoint>();
    bp->x = 2000, bp->y = 2000;
    p.basePoints.push_back(std::move(bp));
    Pin* pin = new Pin();
    pin->x = 4500, pin->y = 2500, pin->diameter = 100;
    p.pins.emplace_back(pin);
    eng->designChanged();
    std::vector<std::vector<PointF>> before;
    for (auto* l : {p.linesA[0].get(), p.linesA[2].get(), &b}) before.push_back(points(*l));

    // The dialog shows the box in millimetres; a cancel changes nothing.
    expectUnchanged([&] { click(1500, 2900); });
    ASSERT_EQ(platform.dialogTitles.back(), "部位修正(40.00,20.00)");
    ASSERT_EQ(platform.dialogFields.back().size(), 2u);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[0].value, 40.0);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[1].value, 20.0);
    // The same values: nothing to do.
    expectUnchanged([&] {
        platform.dialogValues = {{40.0, 20.0}};
        click(1500, 2900);
    });

    size_t snaps = snapshots();
    platform.dialogValues = {{60.0, 10.0}};  // ×1.5 along x, ×0.5 along y
    click(1500, 2900);
    EXPECT_EQ(snapshots(), snaps + 1);
    auto map = [](PointF q) { return PointF{2000 + (q.x - 2000) * 1.5f, 2000 + (q.y - 2000) * 0.5f}; };
    size_t k = 0;
    for (auto* l : {p.linesA[0].get(), p.linesA[2].get(), &b}) {
        auto now = points(*l);
        ASSERT_EQ(now.size(), before[k].size());
        for (size_t i = 0; i < now.size(); ++i) {
            EXPECT_NEAR(now[i].x, map(before[k][i]).x, 0.05f);
            EXPECT_NEAR(now[i].y, map(before[k][i]).y, 0.05f);
        }
        ++k;
    }
    EXPECT_NEAR(pin->x, 5750, 0.05f);
    EXPECT_NEAR(pin->y, 2250, 0.05f);
    EXPECT_NEAR(p.basePoints[0]->x, 2000, 0.01f) << "the fixed point stays";
    EXPECT_NEAR(p.bbox.maxX - p.bbox.minX, 6000, 0.1f) << "the outline was rebuilt";
    EXPECT_NEAR(p.bbox.maxY - p.bbox.minY, 1000, 0.1f);
}

TEST_F(CorrectTest, PartDialogWithoutBasePointKeepsTheBoxCornerAndRefusesNonPositive) {
    Part& p = outlinePart({{1000, 1000}, {5000, 1000}, {5000, 3000}, {1000, 3000}, {1000, 1000}});
    expectRefused([&] {
        platform.dialogValues = {{0.0, 20.0}};
        click(3000, 2000);
    });
    expectRefused([&] {
        platform.dialogValues = {{40.0, -3.0}};
        click(3000, 2000);
    });
    platform.dialogValues = {{40.0, 30.0}};  // only the width changes
    click(3000, 2000);
    EXPECT_FLOAT_EQ(p.bbox.minX, 1000);
    EXPECT_FLOAT_EQ(p.bbox.minY, 1000);
    EXPECT_NEAR(p.bbox.maxX, 5000, 0.05f);
    EXPECT_NEAR(p.bbox.maxY, 4000, 0.05f);
}

TEST_F(CorrectTest, LineDialogSetsTheArcLengthByScalingAboutTheFirstNode) {
    Part& p = square(0, 0, 9000);
    Line& b = lineB(p, {{1000, 1000}, {2000, 2500}, {3500, 2000}, {4500, 3500}}, kCurveInterpolating);
    const auto before = points(b);
    const double arc = ArcLength(b.eval);
    PointF on = b.eval[b.eval.size() / 2];
    platform.dialogValues = {{}};
    expectUnchanged([&] { click(on.x, on.y); });
    ASSERT_EQ(platform.dialogTitles.back(), "线段修正");
    const auto& shown = platform.dialogFields.back();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NEAR(shown[0].value, arc / 100.0, 1e-3);
    EXPECT_NEAR(shown[1].value, std::hypot(3500.0, 2500.0) / 100.0, 1e-3);

    const double target = arc * 1.37;
    platform.dialogValues = {{target / 100.0, shown[1].value}};
    size_t snaps = snapshots();
    click(on.x, on.y);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_NEAR(ArcLength(b.eval), target, 0.5);
    // A uniform scale about the first node: every node at the same ratio along the same ray.
    auto now = points(b);
    ASSERT_EQ(now.size(), before.size());
    EXPECT_EQ(now[0], before[0]);
    double k = PtDist(now[1], now[0]) / PtDist(before[1], before[0]);
    EXPECT_NEAR(k, 1.37, 0.01);
    for (size_t i = 1; i < now.size(); ++i) {
        EXPECT_NEAR(now[i].x, before[0].x + (before[i].x - before[0].x) * k, 0.1);
        EXPECT_NEAR(now[i].y, before[0].y + (before[i].y - before[0].y) * k, 0.1);
    }

    // The chord alone: scaled so that the chord is the typed one.
    const double arcNow = ArcLength(b.eval) / 100.0;
    on = b.eval[b.eval.size() / 2];
    platform.dialogValues = {{arcNow, 20.0}};
    click(on.x, on.y);
    EXPECT_NEAR(PtDist(b.nodes.front().pt(), b.nodes.back().pt()), 2000.0f, 0.1f);
    EXPECT_EQ(b.nodes.front().pt(), before[0]);

    on = b.eval[b.eval.size() / 2];
    expectRefused([&] {
        platform.dialogValues = {{0.0, 20.0}};
        click(on.x, on.y);
    });

    // Under the centimetre setting the fields show and take centimetres.
    doc.settings.centimetreDisplay = 1;
    const double arcCm = ArcLength(b.eval) / 1000.0;
    platform.dialogValues = {{arcCm * 2, 0}};
    platform.dialogValues.front()[1] = PtDist(b.nodes.front().pt(), b.nodes.back().pt()) / 1000.0;
    click(on.x, on.y);
    EXPECT_EQ(platform.dialogFields.back()[0].label, "长度(cm)");
    EXPECT_NEAR(platform.dialogFields.back()[0].value, arcCm, 1e-3);
    EXPECT_NEAR(ArcLength(b.eval), arcCm * 2 * 1000.0, 1.0);
}

TEST_F(CorrectTest, LineDialogOnAClosedLineTakesTheLengthWithItsZeroChord) {
    Part& p = square(0, 0, 9000);
    Line& b = lineB(p, {{1000, 1000}, {3000, 1000}, {3000, 2000}, {1000, 2000}, {1000, 1000}});
    platform.dialogValues = {{90.0, 0.0}};  // 60 mm round → 90 mm, the chord left at 0
    click(2000, 1000);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[1].value, 0.0);
    EXPECT_NEAR(ArcLength(b.eval), 9000.0, 0.5);
    EXPECT_EQ(b.nodes.front().pt(), b.nodes.back().pt()) << "still closed";
    EXPECT_EQ(b.nodes.front().pt(), (PointF{1000, 1000}));
    // A chord typed for a closed line cannot be had by scaling.
    expectRefused([&] {
        platform.dialogValues = {{90.0, 10.0}};
        click(2000, 1000);
    });
}

TEST_F(CorrectTest, LineDialogOnAnOutlineLineRebuildsTheOutline) {
    Part& p = outlinePart({{1000, 1000}, {5000, 1000}, {5000, 3000}, {1000, 3000}, {1000, 1000}});
    platform.dialogValues = {{50.0, 50.0}};  // the bottom side from 40 mm to 50 mm
    click(3000, 1000);
    EXPECT_NEAR(p.linesA[0]->nodes.back().x, 6000, 0.05f);
    EXPECT_NEAR(p.bbox.maxX, 6000, 0.05f);
}

// A part graded by hand: sizes 20–24 (base 22, index 2), copy i of every line scaled about the
// origin by 1 + 0.05·(i − 2).
struct GradedCorrectTest : CorrectTest {
    Part* p = nullptr;
    Pin* pin = nullptr;
    static constexpr int kN = 5, kBase = 2;
    static float Factor(int i) { return 1.0f + 0.05f * float(i - kBase); }

    void SetUp() override {
        CorrectTest::SetUp();
        p = &outlinePart({{1000, 1000}, {5000, 1000}, {5000, 3000}, {1000, 3000}, {1000, 1000}});
        lineB(*p, {{2000, 1500}, {3000, 2500}, {4000, 1500}}, kCurveInterpolating);
        pin = new Pin();
        pin->x = 4500, pin->y = 2500, pin->diameter = 100;
        p->pins.emplace_back(pin);
        Design& d = doc.design;
        d.rangeFrom = 20, d.rangeTo = 24, d.step = 1, d.baseSize = 22;
        d.resizePerSizeArrays();
        ASSERT_EQ(d.n, kN);
        ASSERT_EQ(d.baseIndex, kBase);
        for (List<Line>* list : {&p->linesA, &p->linesB})
            for (auto& l : *list) {
                Line* prev = l.get();
                for (int i = 0; i < kN; ++i) {
                    auto c = std::make_unique<Line>(*l);
                    c->flags |= kLineNoPreview;
                    c->graded = nullptr;
                    for (auto& n : c->nodes) n.x *= Factor(i), n.y *= Factor(i), n.word |= 0x20000u;
                    EvaluateLineRecord(*c, doc.smooth);
                    prev->graded = c.get();
                    prev = c.get();
                    p->gradedLines.push_back(std::move(c));
                }
            }
        d.flags |= kDesignGraded | kDesignSaveGrading;
        doc.settings.displayFlags |= kDispAllSizes;
        d.baseIndex = 4;  // the current size while graded
        eng->designChanged();
    }
};

TEST_F(GradedCorrectTest, ShownSizeIsAskedAndAdoptedByTheBaseLines) {
    ASSERT_EQ(ShownGradedSize(doc), 4);
    // While the question is up, the graded lines of size 4 are highlighted.
    std::vector<RecordingCanvas::Call> shown;
    platform.onAsk = [&](const std::string&) {
        RecordingCanvas rc;
        eng->overlay(rc);
        shown = rc.calls;
    };
    platform.answers = {false};
    expectUnchanged([&] { click(1500, 2900); });
    EXPECT_EQ(platform.questions.back(), "确定换码修正吗？");
    EXPECT_TRUE(platform.dialogTitles.empty()) << "no dialog while a graded size is shown";
    ASSERT_EQ(shown.size(), 5u);
    const Line* copy4 = p->linesA[1]->graded;
    for (int i = 0; i < 4; ++i) copy4 = copy4->graded;
    ASSERT_EQ(shown[1].pts.size(), copy4->eval.size());
    EXPECT_EQ(shown[1].pts.back(), px(copy4->eval.back().x, copy4->eval.back().y));

    std::vector<std::vector<Node>> expected;
    for (List<Line>* list : {&p->linesA, &p->linesB})
        for (auto& l : *list) {
            std::vector<Node> v = l->nodes;
            for (auto& n : v) n.x *= Factor(4), n.y *= Factor(4);
            expected.push_back(v);
        }
    size_t snaps = snapshots();
    click(1500, 2900);
    EXPECT_EQ(snapshots(), snaps + 1);
    size_t k = 0;
    for (List<Line>* list : {&p->linesA, &p->linesB})
        for (auto& l : *list) {
            ASSERT_EQ(l->nodes.size(), expected[k].size());
            for (size_t i = 0; i < l->nodes.size(); ++i) {
                EXPECT_FLOAT_EQ(l->nodes[i].x, expected[k][i].x);
                EXPECT_FLOAT_EQ(l->nodes[i].y, expected[k][i].y);
                EXPECT_EQ(l->nodes[i].word & 0x60000u, 0u) << "the run's node marks are not adopted";
            }
            ++k;
        }
    EXPECT_NEAR(p->bbox.maxX, 5000 * Factor(4), 0.1f) << "the outline was rebuilt";
    EXPECT_EQ(pin->x, 4500) << "pins keep their base position";
    EXPECT_EQ(p->gradedLines.size(), size_t(5 * kN)) << "the graded copies stay until the next run";
}

TEST_F(GradedCorrectTest, BaseSizeCurrentOrAllSizesOffOpensThePartDialog) {
    doc.design.baseIndex = kBase;
    EXPECT_EQ(ShownGradedSize(doc), -1);
    expectUnchanged([&] { click(1500, 2900); });
    EXPECT_EQ(platform.dialogTitles.back(), "部位修正(40.00,20.00)");
    EXPECT_TRUE(platform.questions.empty());

    doc.design.baseIndex = 4;
    doc.settings.displayFlags &= ~kDispAllSizes;
    EXPECT_EQ(ShownGradedSize(doc), -1);
    expectUnchanged([&] { click(1500, 2900); });
    EXPECT_EQ(platform.dialogTitles.size(), 2u);
    EXPECT_TRUE(platform.questions.empty());
}

TEST_F(GradedCorrectTest, AStrayGradedReferenceIsNotAdopted) {
    // A graded-copy chain that leaves the part's graded lines (a damaged file) adopts nothing.
    Line stray = *p->linesA[0];
    stray.nodes = {{0, 0, 0}, {1, 1, 0}};
    stray.graded = nullptr;
    p->linesA[0]->graded = &stray;
    EXPECT_EQ(GradedCopyOf(*p, *p->linesA[0], 0), nullptr);
    EXPECT_NE(GradedCopyOf(*p, *p->linesA[1], 4), nullptr);
    EXPECT_EQ(GradedCopyOf(*p, *p->linesA[1], 5), nullptr) << "past the last size";
    auto before = points(*p->linesA[0]);
    EXPECT_EQ(AdoptGradedSize(*p, 4, doc.smooth), 4);
    EXPECT_EQ(points(*p->linesA[0]), before);
    p->linesA[0]->graded = nullptr;
}

}  // namespace
}  // namespace rz::test
