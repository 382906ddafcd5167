// 叠板: stacked outlines against unions worked out by hand and by GEOS (overlap, a part inside
// another, parts sharing an edge), the records that stay or go with their lines, and refusals.
#include <cmath>

#include "design/stack.h"
#include "design_fixture.h"
#include "commands/measure.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geos_oracle.h"

namespace rz::test {
namespace {

struct StackTest : DesignFixture {
    // A square part of four boundary lines, counter-clockwise.
    Part& square4(float x, float y, float s) {
        return outlinePart({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}});
    }
    void select(Part& p) { p.flags |= kFlagSelected; }
    double area(const Part& p) { return std::fabs(OutlineArea(p.outline)); }
};

TEST_F(StackTest, OverlappingSquaresBecomeTheirUnion) {
    Part& a = square4(1000, 1000, 3000);
    Part& b = square4(2000, 2000, 3000);
    Geos g;
    auto u = g.unite(g.polygon(a.outline), g.polygon(b.outline));
    auto pin = std::make_unique<Pin>();
    pin->x = 4500, pin->y = 4500;
    b.pins.push_back(std::move(pin));
    const size_t parts = doc.design.parts.size();
    command(34110);
    click(1000, 2500);
    click(5000, 3500);
    EXPECT_EQ(eng->step(), 1);
    const size_t snaps = snapshots();
    rightClick(3000, 6500);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(doc.design.parts.size(), parts - 1);
    EXPECT_FALSE(a.flags & kFlagSelected);
    // The union of two 30 mm squares overlapping by 20 mm each way: 18 − 4 = 14 cm².
    EXPECT_NEAR(area(a), 2 * 9.0e6 - 4.0e6, 1.0e4);
    EXPECT_NEAR(area(a), g.area(u), 1.0e4);
    EXPECT_LT(g.hausdorff(g.boundary(g.polygon(a.outline)), g.boundary(u)), 1.0);
    EXPECT_TRUE(PolyClosed(a.outline));
    // The whole lines keep their records; b's pin came over and takes a's base point.
    ASSERT_EQ(a.pins.size(), 1u);
    EXPECT_TRUE(a.linesB.empty());
}

TEST_F(StackTest, APartInsideAnotherAddsNoBoundaryAndSharedEdgesGo) {
    Part& a = square4(1000, 1000, 4000);
    Part& inner = square4(2000, 2000, 1000);
    select(a), select(inner);
    auto plan = PlanStack(doc.design, {&a, &inner});
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->loops.size(), 1u);
    EXPECT_EQ(plan->pieces.size(), 4u);  // a's four lines, whole
    for (auto& pc : plan->pieces) EXPECT_TRUE(pc.whole);
    ApplyStack(doc.design, *plan, doc.smooth);
    RebuildPart(doc.design, a);
    EXPECT_NEAR(area(a), 16.0e6, 1.0e3);
    // Two squares side by side: the edge they share is inside the union and goes.
    Part& l = square4(10000, 1000, 2000);
    Part& r = square4(12000, 1000, 2000);
    auto side = PlanStack(doc.design, {&l, &r});
    ASSERT_TRUE(side);
    ASSERT_EQ(side->loops.size(), 1u);
    ApplyStack(doc.design, *side, doc.smooth);
    RebuildPart(doc.design, l);
    EXPECT_NEAR(area(l), 8.0e6, 1.0e3);
    // Two copies of one square: one copy of each edge stays.
    Part& c1 = square4(20000, 1000, 2000);
    Part& c2 = square4(20000, 1000, 2000);
    auto same = PlanStack(doc.design, {&c1, &c2});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->pieces.size(), 4u);
}

TEST_F(StackTest, RefusalsChangeNothingAndCutLinesTakeTheirRecordsAlong) {
    Part& a = square4(1000, 1000, 3000);
    // One part alone, and a part whose outline is open: refused.
    command(34110);
    click(1000, 2500);
    expectRefused([&] { rightClick(3000, 6500); });
    Part& open = outlinePart({{6000, 1000}, {8000, 1000}, {8000, 3000}});
    click(8000, 2000);
    expectRefused([&] { rightClick(3000, 6500); });
    key(key::Escape);
    EXPECT_FALSE(a.flags & kFlagSelected);
    EXPECT_FALSE(open.flags & kFlagSelected);
    // A slot on a line that is cut goes; one on a line kept whole stays.
    Part& b = square4(2000, 2000, 3000);
    Line* cut = a.linesA[1].get();   // x = 4000, crossed by b
    Line* whole = a.linesA[0].get(); // y = 1000, outside b
    for (Line* l : {cut, whole}) {
        auto s = std::make_unique<SlotLine>();
        s->host = {l, kKindLine};
        s->f = {0.1f, 0.2f, 0.0f, 120.0f, 1.0f};
        s->flags = 1;
        a.slotLines.push_back(std::move(s));
    }
    select(a), select(b);
    auto plan = PlanStack(doc.design, {&a, &b});
    ASSERT_TRUE(plan);
    ApplyStack(doc.design, *plan, doc.smooth);
    ASSERT_EQ(a.slotLines.size(), 1u);
    EXPECT_EQ(a.slotLines[0]->host.ptr, whole);
    EXPECT_NE(std::find_if(a.linesA.begin(), a.linesA.end(), [&](auto& l) { return l.get() == whole; }), a.linesA.end());
    // Every reference still points into the design: the file reads back whole.
    size_t at = 0;
    while (doc.design.parts[at].get() != &a) ++at;
    auto back = reloaded();
    ASSERT_EQ(back->parts.size(), doc.design.parts.size());
    ASSERT_EQ(back->parts[at]->slotLines.size(), 1u);
    EXPECT_FALSE(back->parts[at]->slotLines[0]->drawn1.empty());
}

}  // namespace
}  // namespace rz::test
