// 截角: a corner of a part cut away along a line chained from its inner lines, with everything
// the corner held; refusals change nothing.
#include <cmath>

#include "../commands/edit_fixture.h"
#include "design/design_tools.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/refs.h"
#include "shapes.h"

namespace rz::test {
namespace {

struct CutCornerTest : EditFixture {
    void SetUp() override {
        EditFixture::SetUp();
        InstallDesignTools(*eng);
    }
};

TEST_F(CutCornerTest, CommandSelectsItsMode) {
    command(34163);
    EXPECT_EQ(eng->mode(), 105);
    EXPECT_NE(eng->tool(105), nullptr);
}

// A square whose four sides are separate outline lines, counter-clockwise from the origin.
Part& FourSided(CutCornerTest& t, float s) {
    Part& p = AppendNewPart(t.doc.design, t.doc.currentPage());
    PointF c[] = {{0, 0}, {s, 0}, {s, s}, {0, s}, {0, 0}};
    for (int i = 0; i < 4; ++i)
        p.linesA.push_back(MakeLineRecord(t.doc, CutCornerTest::nodes({c[i], c[i + 1]}), kCurvePolyline, 3));
    CompletePart(p);
    t.eng->designChanged();
    return p;
}

TEST_F(CutCornerTest, CutCornerReplacesTheCornerByTheCollectedStretch) {
    Part& p = FourSided(*this, 6000);
    lineB(p, {{4000, 6500}, {6500, 4000}});
    command(34163);
    platform.tones.clear();
    click(3000, 6000);  // an outline line with nothing collected
    EXPECT_EQ(platform.tones.back(), kToneBack);
    click(5250, 5250);
    EXPECT_EQ(eng->step(), 1);
    size_t snaps = snapshots();
    click(5900, 6000);  // the top side near its first node, the corner (6000, 6000)
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(p.linesA.size(), 5u);
    const Line& cut = *p.linesA.back();
    PointF a = cut.nodes.front().pt(), b = cut.nodes.back().pt();
    EXPECT_NEAR(std::min(PtDist(a, {6000, 4500}), PtDist(b, {6000, 4500})), 0, 0.5f);
    EXPECT_NEAR(std::min(PtDist(a, {4500, 6000}), PtDist(b, {4500, 6000})), 0, 0.5f);
    EXPECT_TRUE(cut.nodes.front().isBreak() && cut.nodes.back().isBreak());
    // The corner is gone from the outline, the rest of the square is kept.
    EXPECT_EQ(PointInPolygon(p.outline, {5900, 5900}), 0);
    EXPECT_NE(PointInPolygon(p.outline, {3000, 3000}), 0);
    EXPECT_NEAR(std::fabs(PolyArea(p.outline)), 36e6 - 1500.0 * 1500.0 / 2, 0.01 * 36e6);
    // The collected line lost the stretch inside the part.
    ASSERT_EQ(p.linesB.size(), 2u);
    for (auto& l : p.linesB)
        for (PointF q : l->eval) EXPECT_NE(std::abs(PointInPolygon(p.outline, q)), 4) << "not inside";
}

TEST_F(CutCornerTest, CutCornerThatFailsChangesNothing) {
    Part& p = FourSided(*this, 6000);
    lineB(p, {{5000, 5000}, {6500, 5000}});  // crosses the outline once only
    command(34163);
    click(5500, 5000);
    ASSERT_EQ(eng->step(), 1);
    // A cutting line that does not cross twice is discarded with the 80 Hz tone.
    auto before = saved();
    size_t snaps = snapshots();
    platform.tones.clear();
    click(5900, 6000);
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(snapshots(), snaps);
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneBack);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(p.linesA.size(), 4u);
    EXPECT_EQ(p.linesB.size(), 1u);
}

TEST_F(CutCornerTest, CutCornerTakesTheCornerAwayWithWhatItHolds) {
    Part& p = FourSided(*this, 6000);
    p.basePoints.push_back(std::make_unique<BasePoint>());
    BasePoint* base = p.basePoints[0].get();
    // The corner at the outline's own start, (0, 0): the side that stays is the far one, and it
    // stays in the same part record.
    lineB(p, {{-500, 1500}, {1500, -500}});
    Line& inCorner = lineB(p, {{200, 300}, {400, 300}});
    Line& far = lineB(p, {{3000, 3000}, {4000, 3000}});
    Pin* pin = new Pin();
    pin->x = 300, pin->y = 200, pin->diameter = 50;
    p.pins.emplace_back(pin);
    eng->designChanged();
    size_t parts = doc.design.parts.size();
    command(34163);
    click(500, 500);  // the collected line, inside the part
    ASSERT_EQ(eng->step(), 1);
    size_t snaps = snapshots();
    click(100, 0);  // the bottom side near its first node (0, 0)
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(doc.design.parts.size(), parts);
    bool kept = false;
    for (auto& q : doc.design.parts) kept = kept || q.get() == &p;
    ASSERT_TRUE(kept);
    ASSERT_EQ(p.basePoints.size(), 1u);
    EXPECT_EQ(p.basePoints[0].get(), base);
    // The triangle (0, 0), (1000, 0), (0, 1000) is gone, and all it held.
    ASSERT_TRUE(PolyClosed(p.outline));
    EXPECT_NEAR(Shoelace(p.outline), 36e6 - 1000.0 * 1000 / 2, 20.0);
    EXPECT_EQ(PointInPolygon(p.outline, {300, 300}), 0);
    EXPECT_TRUE(p.pins.empty());
    bool inCornerLeft = false, farLeft = false;
    for (auto& l : p.linesB) {
        inCornerLeft = inCornerLeft || l.get() == &inCorner;
        farLeft = farLeft || l.get() == &far;
    }
    EXPECT_FALSE(inCornerLeft);
    EXPECT_TRUE(farLeft);
    // The cutting line is the boundary between the crossings.
    ASSERT_EQ(p.linesA.size(), 5u);
    const Line& cut = *p.linesA.back();
    EXPECT_EQ(cut.flags & 0xFu, 0xFu);
    PointF a = cut.nodes.front().pt(), b = cut.nodes.back().pt();
    EXPECT_NEAR(std::min(PtDist(a, {1000, 0}), PtDist(b, {1000, 0})), 0, 0.5f);
    EXPECT_NEAR(std::min(PtDist(a, {0, 1000}), PtDist(b, {0, 1000})), 0, 0.5f);
    EXPECT_TRUE(AllReferencesInside(doc.design));
}

TEST_F(CutCornerTest, CutCornerDrawsTheCuttingLineInTheCurrentStyle) {
    Part& p = outlinePart({{0, 0}, {6000, 0}, {6000, 6000}, {0, 6000}, {0, 0}});
    for (auto& l : p.linesA) {
        l->colour = 0x0000FF;
        l->flags = (l->flags & ~(0xFu << kLineWidthShift)) | (9u << kLineWidthShift);
    }
    doc.settings.defaultLineWidth = 3;
    lineB(p, {{4000, 6500}, {6500, 4000}});
    command(34163);
    click(5250, 5250);
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "继续选择线条或角点位置！");
    click(5900, 6000);
    ASSERT_EQ(p.linesA.size(), 5u);
    const Line& cut = *p.linesA.back();
    EXPECT_EQ(cut.colour, kNewLineColour);
    EXPECT_EQ((cut.flags >> kLineWidthShift) & 0xFu, 3u);
    for (size_t i = 0; i + 1 < p.linesA.size(); ++i) EXPECT_EQ(p.linesA[i]->colour, 0x0000FFu);
}

}  // namespace
}  // namespace rz::test
