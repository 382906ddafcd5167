// The construction lines scripted on small parts: what each adds (checked against figures worked
// out by hand), one undo snapshot per operation, and the refusals and clamps that change nothing.
#include <cmath>

#include "commands/feature_tools.h"
#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz::test {
namespace {

void ExpectNear(PointF got, PointF want, float tol = 0.5f) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
}

struct ConstructionLines : EditFixture {
    Part* part = nullptr;
    void SetUp() override {
        EditFixture::SetUp();
        part = &square(1000, 1000, 6000);
    }
    Line& line(std::vector<PointF> pts) { return lineB(*part, std::move(pts)); }
    const Line& added(size_t fromEnd = 0) { return *part->linesB[part->linesB.size() - 1 - fromEnd]; }
};

TEST_F(ConstructionLines, MiddleLinesLieAtEqualFractionsAndCountsAreClamped) {
    line({{2000, 2000}, {6000, 2000}});
    line({{6000, 4000}, {2000, 4000}});  // runs the other way: the first is read turned
    command(32923);
    click(3000, 2000);
    platform.dialogValues.push_back({1});
    size_t snaps = snapshots();
    click(3000, 4000);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(part->linesB.size(), 3u);
    for (PointF q : added().eval) EXPECT_NEAR(q.y, 3000.0f, 0.5f);
    EXPECT_EQ(added().curveMethod(), int(kCurveInterpolating));
    // Ctrl: one line without asking; a cancelled dialog makes nothing.
    click(3000, 2000);
    click(3000, 4000, kMkCtrl);
    EXPECT_EQ(part->linesB.size(), 4u);
    expectUnchanged([&] {
        click(3000, 2000);
        click(3000, 4000);  // no values queued: cancelled
    });
    // 0 lines asked: clamped to one with the 80 Hz tone; the same line twice: 80 Hz.
    click(3000, 2000);
    platform.tones.clear();
    platform.dialogValues.push_back({0});
    click(3000, 4000);
    EXPECT_EQ(part->linesB.size(), 5u);
    EXPECT_EQ(platform.tones.front(), kToneBack);
    click(3000, 2000);
    platform.tones.clear();
    click(4000, 2000);
    EXPECT_EQ(platform.tones.back(), kToneBack);
    rightClick(4000, 2000);
}

TEST_F(ConstructionLines, PerpendicularsDividersAndKnives) {
    Line& l = line({{2000, 3000}, {6000, 3000}});
    // 垂直线 with a fixed foot: the typed length from the foot, on the pointer's side.
    command(32922);
    click(3000, 3000, kMkCtrl);
    moveTo(3500, 3800);
    platform.dialogValues.push_back({12.5});
    key(key::Space);
    ASSERT_EQ(part->linesB.size(), 2u);
    ExpectNear(added().nodes[0].pt(), {3000, 3000});
    ExpectNear(added().nodes[1].pt(), {3000, 4250});
    // Without: from the pointer to its foot; one not longer than 0.5 mm is refused.
    click(4000, 3000);
    click(4500, 2000);
    ExpectNear(added().nodes[1].pt(), {4500, 3000});
    click(4000, 3000);
    platform.tones.clear();
    expectUnchanged([&] { click(4500, 3040); });
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneBack);
    rightClick(4500, 3040);
    (void)l;
    // 等分线 of one line into four: three ticks of 10 mm across it.
    command(34135);
    click(2500, 3000);
    platform.dialogValues.push_back({4});
    size_t before = part->linesB.size();
    key(key::Return);
    ASSERT_EQ(part->linesB.size(), before + 3);
    for (size_t i = 0; i < 3; ++i) {
        const Line& t = *part->linesB[before + i];
        EXPECT_TRUE(t.flags & kLineAuxiliary);
        EXPECT_NEAR(t.nodes[0].x, 3000.0f + 1000.0f * float(i), 0.5f);
        EXPECT_NEAR(PtDist(t.nodes[0].pt(), t.nodes[1].pt()), 1000.0f, 0.5f);
    }
    // 切刀线: one knife stands at the start; three spread over the stretch, both ends included.
    command(34139);
    click(2500, 3000);
    click(3000, 3000);
    platform.dialogValues.push_back({1});
    before = part->linesB.size();
    click(5000, 3100);
    ASSERT_EQ(part->linesB.size(), before + 1);
    ExpectNear(added().nodes[0].pt(), {3000, 3000});
    ExpectNear(added().nodes[1].pt(), {3000, 3500});
    click(2500, 3000);
    click(3000, 3000);
    platform.dialogValues.push_back({3});
    click(5000, 2900);
    ASSERT_EQ(part->linesB.size(), before + 4);
    ExpectNear(added().nodes[0].pt(), {5000, 3000});
    ExpectNear(added().nodes[1].pt(), {5000, 2500});
    ExpectNear(added(1).nodes[0].pt(), {4000, 3000});
}

TEST_F(ConstructionLines, RoundCornersAreTangentAndParallelLinesAreRefused) {
    line({{2000, 2000}, {5000, 2000}});
    line({{5000, 2000}, {5000, 5000}});
    line({{2000, 3000}, {4500, 3000}});
    command(34168);
    click(2500, 2000);
    click(5000, 4000);
    platform.dialogValues.push_back({10.0, 20.0});
    moveTo(4000, 2700);
    key(key::Space);
    const Line& r = added();
    EXPECT_EQ(r.curveMethod(), int(kCurveInterpolating));
    ExpectNear(r.nodes.front().pt(), {4000, 2000});
    ExpectNear(r.nodes.back().pt(), {5000, 4000});
    // The quarter ellipse: its middle at C + (T1 − C + T2 − C)/√2, C = (4000, 4000).
    const PointF mid = PolyNearest(r.eval, {4000.0f + 1000.0f / std::sqrt(2.0f), 4000.0f - 2000.0f / std::sqrt(2.0f)}).pt;
    EXPECT_NEAR(PtDist(mid, {4000.0f + 1000.0f / std::sqrt(2.0f), 4000.0f - 2000.0f / std::sqrt(2.0f)}), 0.0f, 15.0f);
    click(2500, 2000);
    click(3000, 3000);
    expectRefused([&] { click(3500, 2500); });  // parallel
    rightClick(3500, 2500);
    // The pointer on the corner itself puts T1 and T2 on V; a typed offset of 0 makes no arc.
    const size_t before = part->linesB.size();
    click(2500, 2000);
    click(5000, 4000);
    expectRefused([&] { click(5000, 2000); });
    platform.dialogValues.push_back({0.0, 20.0});
    moveTo(4000, 2700);
    expectRefused([&] { key(key::Space); });
    EXPECT_EQ(part->linesB.size(), before);
}

TEST_F(ConstructionLines, CentreAndCrossLinesOfASymmetricPart) {
    Part& p = square(7500, 1000, 2000);
    command(34172);
    expectRefused([&] {
        click(8500, 2000);
        click(8500, 2000);  // no direction
    });
    rightClick(8500, 2000);
    click(8000, 2000);
    click(9000, 2000);  // along the base direction (0 without a base point): the horizontal centre line
    ASSERT_EQ(p.linesB.size(), 1u);
    const Line& c = *p.linesB[0];
    EXPECT_NEAR(c.nodes[0].y, 2000.0f, 5.0f);
    EXPECT_NEAR(c.nodes[1].y, 2000.0f, 5.0f);
    EXPECT_NEAR(std::fabs(c.nodes[1].x - c.nodes[0].x), 2000.0f, 1.0f);
    command(32890);
    click(8000, 1500);
    ASSERT_EQ(p.linesB.size(), 3u);
    EXPECT_NEAR(PtDist(p.linesB[1]->nodes[0].pt(), p.linesB[1]->nodes[1].pt()), 2000.0f, 1.0f);
    EXPECT_NEAR(p.linesB[1]->nodes[0].y, 1500.0f, 1.0f);
    EXPECT_NEAR(p.linesB[2]->nodes[0].x, 8000.0f, 1.0f);
    expectRefused([&] { click(9800, 6000); });  // no part
}

TEST_F(ConstructionLines, PinLinesAndFreeLinesWithTheirPopup) {
    for (PointF q : {PointF{2000, 2000}, PointF{4000, 2000}, PointF{4000, 4000}}) {
        auto pin = std::make_unique<Pin>();
        pin->x = q.x, pin->y = q.y, pin->diameter = 100;
        pin->outline = PinOutline(q.x, q.y, 100);
        part->pins.push_back(std::move(pin));
    }
    eng->designChanged();
    command(32889);
    expectRefused([&] { click(3000, 3000); });
    click(2000, 2000);
    click(4000, 2000);
    click(4000, 4000);
    size_t snaps = snapshots();
    key(key::Return);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(added().nodes.size(), 3u);
    ExpectNear(added().nodes[2].pt(), {4000, 4000});
    // 自由连线: presses make the points, Enter the line; its popup makes it vertical.
    command(32888);
    click(2000, 5000);
    click(3000, 6000);
    key(key::Return);
    Line& f = *part->linesB.back();
    ASSERT_EQ(f.nodes.size(), 2u);
    choices.push_back(1);  // 竖线
    rightClick(2500, 5500);
    ExpectNear(f.nodes[1].pt(), {2000, 6000});
    ASSERT_FALSE(enabled.empty());
    EXPECT_FALSE(enabled.back()[0]);  // 直线: a two-node line already is one
}

}  // namespace
}  // namespace rz::test
