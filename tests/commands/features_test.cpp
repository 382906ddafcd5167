// Slot lines, marks, chamfers and dimensions: their shapes against figures worked out by hand on
// straight and circular hosts, and the 槽线, 记号, 倒角 and 标注 modes scripted with their edge cases.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "commands/feature_tools.h"
#include "commands/measure.h"
#include "commands/tool_support.h"
#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz::test {
namespace {

constexpr float kTol = 0.02f;

void ExpectPoint(PointF got, PointF want, float tol = kTol) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
}

Polyline Straight(PointF a, PointF b) { return {a, b}; }

// The points of a shape sorted, so that shapes built from a reversed host compare equal.
std::vector<PointF> Sorted(Polyline pl) {
    if (pl.size() > 1 && PolyClosed(pl)) pl.pop_back();
    std::sort(pl.begin(), pl.end(), [](PointF a, PointF b) {
        return std::lround(a.x) != std::lround(b.x) ? a.x < b.x : a.y < b.y;
    });
    return pl;
}

TEST(SlotOutline, CentredOneSidedAndPointedOnAStraightHost) {
    const Polyline host = Straight({0, 0}, {10000, 0});
    // Centred: a rectangle from 20 % to 50 %, 60 units either side.
    Polyline o = BuildSlotOutline(host, 0.2f, 0.5f, 0.0f, 120.0f, 1.0f, 0);
    ASSERT_EQ(o.size(), 5u);
    EXPECT_TRUE(PolyClosed(o));
    for (PointF q : o) {
        EXPECT_NEAR(std::fabs(q.y), 60.0f, kTol);
        EXPECT_TRUE(std::fabs(q.x - 2000.0f) < kTol || std::fabs(q.x - 5000.0f) < kTol);
    }
    EXPECT_NEAR(std::fabs(OutlineArea(o)), 3000.0 * 120.0, 1.0);
    // One-sided on the right (negative depth), 50 away and 120 wide.
    o = BuildSlotOutline(host, 0.5f, 0.2f, 50.0f, -120.0f, 1.0f, kSlotOneSided);
    ASSERT_EQ(o.size(), 5u);
    for (PointF q : o) EXPECT_TRUE(std::fabs(q.y + 50.0f) < kTol || std::fabs(q.y + 170.0f) < kTol);
    // Pointed: the apex 1 mm beyond the middle of the outer edge, its flanks at ±30°.
    const float a60 = float(std::numbers::pi / 3.0);
    o = BuildSlotOutline(host, 0.2f, 0.5f, 0.0f, 120.0f, a60, kSlotOneSided | kSlotPointed);
    ASSERT_EQ(o.size(), 8u);
    const float half = 100.0f * std::tan(a60 / 2.0f);
    ExpectPoint(o[3], {3500.0f + half, 120.0f});
    ExpectPoint(o[4], {3500.0f, 220.0f});
    ExpectPoint(o[5], {3500.0f - half, 120.0f});
    // An angle that is no angle, or no width at all, gives no apex and never a NaN.
    for (float bad : {0.0f, float(std::numbers::pi), -1.0f, std::nanf("")}) {
        Polyline flat = BuildSlotOutline(host, 0.2f, 0.5f, 0.0f, 120.0f, bad, kSlotOneSided | kSlotPointed);
        EXPECT_EQ(flat.size(), 5u);
    }
    Polyline none = BuildSlotOutline(host, 0.2f, 0.5f, 0.0f, 0.0f, a60, kSlotOneSided | kSlotPointed);
    for (PointF q : none) EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
    // No host length, or a stretch of none: nothing.
    EXPECT_TRUE(BuildSlotOutline(Straight({5, 5}, {5, 5}), 0.0f, 1.0f, 0.0f, 120.0f, 1.0f, 0).empty());
    EXPECT_TRUE(BuildSlotOutline(host, 0.3f, 0.3f, 0.0f, 120.0f, 1.0f, 0).empty());
}

TEST(SlotOutline, CircularHostGivesAnAnnularSector) {
    const Polyline circle = EllipsePoints(10000.0f, 10000.0f);  // radius 5000, counter-clockwise
    const Polyline o = BuildSlotOutline(circle, 0.1f, 0.3f, 0.0f, 200.0f, 1.0f, 0);
    ASSERT_GT(o.size(), 10u);
    // Left of a counter-clockwise circle is inside: every point lies 100 from the host, the
    // inner edge outside the circle and the outer edge inside it.
    int inner = 0, outer = 0;
    for (PointF q : o) {
        EXPECT_NEAR(PolyNearest(circle, q).dist, 100.0f, 1.0f);
        (std::hypot(q.x, q.y) > 5000.0f ? inner : outer)++;
        const float a = std::atan2(q.y, q.x);
        EXPECT_GE(a, 0.2f * float(std::numbers::pi) - 0.01f);
        EXPECT_LE(a, 0.6f * float(std::numbers::pi) + 0.01f);
    }
    EXPECT_GT(inner, 2);
    EXPECT_GT(outer, 2);
}

TEST(MarkShape, VAtTheCrossingWithTheApexMeasuredAlongTheHost) {
    const Polyline h1 = Straight({0, 0}, {0, 10000}), h2 = Straight({-5000, 5000}, {5000, 5000});
    Polyline v = BuildMark(h1, h2, 0.3f, 200.0f, 200.0f);
    ASSERT_EQ(v.size(), 3u);
    ExpectPoint(v[0], {-100, 5000});
    ExpectPoint(v[1], {0, 4800});
    ExpectPoint(v[2], {100, 5000});
    // Asked for nearer the crossing than the depth: the apex still lies `depth` before Q.
    v = BuildMark(h1, h2, 0.49f, 200.0f, 200.0f);
    ASSERT_EQ(v.size(), 3u);
    ExpectPoint(v[1], {0, 4800});
    // Beyond the crossing the walk goes back: the V points the other way.
    v = BuildMark(h1, h2, 0.7f, 200.0f, 300.0f);
    ASSERT_EQ(v.size(), 3u);
    ExpectPoint(v[1], {0, 5200});
    EXPECT_NEAR(PtDist(v[0], v[2]), 300.0f, kTol);
    // Hosts that never cross, of no length, or a depth or width not above 0: nothing.
    EXPECT_TRUE(BuildMark(h1, Straight({100, 0}, {100, 9000}), 0.3f, 200.0f, 200.0f).empty());
    EXPECT_TRUE(BuildMark(Straight({0, 5000}, {0, 5000}), h2, 0.3f, 200.0f, 200.0f).empty());
    EXPECT_TRUE(BuildMark(h1, h2, 0.3f, 0.0f, 200.0f).empty());
    EXPECT_TRUE(BuildMark(h1, h2, 0.3f, 200.0f, -5.0f).empty());
}

TEST(ChamferShape, TangentPointsAtRadiusOverTanHalfAngle) {
    const Polyline l1 = Straight({0, 0}, {5000, 0});
    auto c = BuildChamfer(l1, true, Straight({5000, 0}, {5000, 5000}), true, 500.0f);
    ASSERT_TRUE(c);
    ExpectPoint(c->corners[0], {4500, 0});
    ExpectPoint(c->corners[1], {5000, 500});
    for (PointF q : c->arc) EXPECT_NEAR(PtDist(q, {4500, 500}), 500.0f, 0.05f);
    // 60°: t = r / tan 30°.
    const float t = 500.0f / std::tan(float(std::numbers::pi) / 6.0f);
    const PointF far{5000.0f - 2500.0f, 5000.0f * std::sin(float(std::numbers::pi) / 3.0f)};
    c = BuildChamfer(l1, true, Straight(far, {5000, 0}), false, 500.0f);
    ASSERT_TRUE(c);
    ExpectPoint(c->corners[0], {5000.0f - t, 0.0f}, 0.05f);
    ExpectPoint(c->corners[1], {5000.0f - 0.5f * t, 0.8660254f * t}, 0.05f);
    // Parallel, opposite, no radius, or tangent points beyond the lines: nothing.
    EXPECT_FALSE(BuildChamfer(l1, true, Straight({5000, 0}, {9000, 0}), true, 500.0f));
    EXPECT_FALSE(BuildChamfer(l1, true, Straight({5000, 0}, {1000, 0}), true, 500.0f));
    EXPECT_FALSE(BuildChamfer(l1, true, Straight({5000, 0}, {5000, 5000}), true, 0.0f));
    EXPECT_FALSE(BuildChamfer(l1, true, Straight({5000, 0}, {5000, 100}), true, 500.0f));
}

TEST(DimensionShape, ValueFollowsItsReferencesInMillimetresOrCentimetres) {
    Pin a, b;
    a.x = 1000, a.y = 1000, b.x = 4000, b.y = 5000;
    Dimension d;
    d.text = kDimAutoText;
    d.ref1 = {&a, kKindPin};
    d.ref2 = {&b, kKindPin};
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(d), 5000.0f);
    EXPECT_EQ(DimensionText(d, 5000.0f, false), "50.00");
    EXPECT_EQ(DimensionText(d, 5000.0f, true), "5.00");
    b.x = 1000;  // the pin moved: the dimension follows
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(d), 4000.0f);
    d.f1 = 3000, d.f2 = 3000;
    BuildDimension(d, nullptr, false);
    EXPECT_FALSE(d.drawn1.empty());
    // A line named alone is measured along its whole length; a line end by its node bit.
    Line l;
    l.nodes = {{0, 0, 0}, {3000, 0, 0}, {3000, 4000, 0}};
    l.eval = {{0, 0}, {3000, 0}, {3000, 4000}};
    Dimension whole;
    whole.ref1 = {&l, kKindLine};
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(whole), 7000.0f);
    Dimension ends;
    ends.ref1 = {&l, kKindLine | kDimFirstNode};
    ends.ref2 = {&l, kKindLine};
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(ends), 5000.0f);
}

// ---------------------------------------------------------------- the modes

struct FeatureModes : EditFixture {
    Part* part = nullptr;
    void SetUp() override {
        EditFixture::SetUp();
        part = &square(1000, 1000, 6000);
    }
    Line& line(std::vector<PointF> pts) { return lineB(*part, std::move(pts)); }
};

TEST_F(FeatureModes, SlotDragsMakeSlotsOfThreeMillimetresAndMore) {
    Line& l = line({{2000, 3000}, {5000, 3000}});
    command(32899);
    expectUnchanged([&] { drag(2500, 3000, 2790, 3010); });
    EXPECT_TRUE(part->slotLines.empty());
    size_t snaps = snapshots();
    drag(2500, 3000, 2800, 3010);
    ASSERT_EQ(part->slotLines.size(), 1u);
    EXPECT_EQ(snapshots(), snaps + 1);
    const SlotLine& s = *part->slotLines[0];
    EXPECT_EQ(s.host.ptr, &l);
    EXPECT_EQ(s.host.kind, uint32_t(kKindLine));
    EXPECT_NEAR(s.f[kSlotStart], 0.5f / 3.0f, 1e-4f);
    EXPECT_NEAR(s.f[kSlotEnd], 0.8f / 3.0f, 1e-4f);
    EXPECT_FLOAT_EQ(s.f[kSlotDepth], doc.settings.slotDepth);  // released on the left
    EXPECT_TRUE(s.flags & kSlotOneSided);                       // 300 away from the press
    EXPECT_TRUE(s.flags & kFlagFolds);
    EXPECT_FALSE(s.drawn1.empty());
    // Dragged backwards and released on the right: start <= end, negative depth.
    drag(4000, 3000, 3000, 2990);
    ASSERT_EQ(part->slotLines.size(), 2u);
    const SlotLine& b = *part->slotLines[1];
    EXPECT_LT(b.f[kSlotStart], b.f[kSlotEnd]);
    EXPECT_FLOAT_EQ(b.f[kSlotDepth], -doc.settings.slotDepth);
    // A press on nothing is refused.
    expectRefused([&] { drag(6500, 6500, 6800, 6500); });
    // 槽线属性 refuses a strip of no width and an angle of 180° and changes nothing; sound values
    // take effect in the dialog's unit.
    SlotLine& edited = *part->slotLines[0];
    const SlotLine kept = edited;
    platform.dialogValues.push_back({0.0, 1.0, 60.0, 0.0, 0.0, 1.0});
    expectRefused([&] { EXPECT_FALSE(SlotDialog(*eng, edited)); });
    platform.dialogValues.push_back({2.0, 1.0, 180.0, 0.0, 0.0, 1.0});
    expectRefused([&] { EXPECT_FALSE(SlotDialog(*eng, edited)); });
    EXPECT_EQ(edited.f, kept.f);
    platform.dialogValues.push_back({2.0, 1.0, 60.0, 2.0, 0.0, 1.0});
    EXPECT_TRUE(SlotDialog(*eng, edited));
    EXPECT_FLOAT_EQ(edited.f[kSlotDepth], -200.0f);  // 外: right of the host
    EXPECT_FLOAT_EQ(edited.f[kSlotOffset], 100.0f);
}

TEST_F(FeatureModes, SlotOnAClosedOutlineStopsAtItsClosingPoint) {
    command(32899);
    drag(1500, 1000, 1000, 1500);
    ASSERT_EQ(part->slotLines.size(), 1u);
    const SlotLine& s = *part->slotLines[0];
    EXPECT_NEAR(s.f[kSlotStart], 0.0f, 1e-4f);
    EXPECT_NEAR(s.f[kSlotEnd], 500.0f / 24000.0f, 1e-4f);
}

TEST_F(FeatureModes, MarkNeedsASecondLineThatCrossesTheFirst) {
    Line& v = line({{3000, 1500}, {3000, 5500}});
    Line& h = line({{2000, 4000}, {5000, 4000}});
    line({{5500, 1500}, {5500, 2500}});
    command(34104);
    click(3000, 2500);
    EXPECT_EQ(eng->step(), 1);
    expectRefused([&] { click(3000, 2000); });   // the same line
    expectRefused([&] { click(5500, 2000); });   // never crosses
    expectRefused([&] { click(6500, 6500); });   // nothing
    size_t snaps = snapshots();
    click(4500, 4000);
    ASSERT_EQ(part->marks.size(), 1u);
    EXPECT_EQ(snapshots(), snaps + 1);
    const Mark& m = *part->marks[0];
    EXPECT_EQ(m.host1.ptr, &v);
    EXPECT_EQ(m.host2.ptr, &h);
    ASSERT_EQ(m.drawn.size(), 3u);
    ExpectPoint(m.drawn[1], {3000, 4000 - doc.settings.markDepth});
    EXPECT_EQ(eng->step(), 0);
    // 记号属性 refuses a width of 0 and keeps the mark as it was.
    Mark& edited = *part->marks[0];
    const float depth = edited.depth, width = edited.width;
    platform.dialogValues.push_back({3.0, 0.0, 0.0, 1.0});
    expectRefused([&] { EXPECT_FALSE(MarkDialog(*eng, edited)); });
    EXPECT_EQ(edited.depth, depth);
    EXPECT_EQ(edited.width, width);
}

TEST_F(FeatureModes, ChamferTogglesAndItsDialogRefusesNoRadius) {
    Line& a = line({{2000, 2000}, {4000, 2000}});
    Line& b = line({{4000, 2000}, {4000, 4000}});
    command(34102);
    click(3300, 2000, kMkCtrl);
    ASSERT_EQ(part->chamfers.size(), 1u);
    const Chamfer& c = *part->chamfers[0];
    EXPECT_EQ(c.host1.ptr, &a);
    EXPECT_EQ(c.host2.ptr, &b);
    EXPECT_EQ(c.flags & (kChamferFirstEnd | kChamferSecondStart), kChamferFirstEnd | kChamferSecondStart);
    ExpectPoint(c.corners[0], {3500, 2000});
    ExpectPoint(c.corners[1], {4000, 2500});
    // The same corner again removes it, one snapshot each.
    size_t snaps = snapshots();
    click(3300, 2000, kMkCtrl);
    EXPECT_TRUE(part->chamfers.empty());
    EXPECT_EQ(snapshots(), snaps + 1);
    // Two picks; a second pick of the same line is refused.
    click(3300, 2000);
    expectRefused([&] { click(3000, 2000); });
    click(4000, 3000);
    ASSERT_EQ(part->chamfers.size(), 1u);
    // A picked chamfer opens its dialog: a radius of 0 is refused and changes nothing.
    const PointF onArc = part->chamfers[0]->drawn[part->chamfers[0]->drawn.size() / 2];
    platform.dialogValues.push_back({0.0, 1.0});
    expectRefused([&] { click(onArc.x, onArc.y); });
    platform.dialogValues.push_back({3.0, 1.0});
    click(onArc.x, onArc.y);
    EXPECT_FLOAT_EQ(part->chamfers[0]->radius, 300.0f);
    ExpectPoint(part->chamfers[0]->corners[0], {3700, 2000});
}

TEST_F(FeatureModes, DimensionsBetweenPinsAlongALineAndTheirTextMoves) {
    for (PointF q : {PointF{2000, 2000}, PointF{5000, 6000}}) {
        auto pin = std::make_unique<Pin>();
        pin->x = q.x, pin->y = q.y, pin->diameter = 100;
        pin->outline = PinOutline(q.x, q.y, 100);
        part->pins.push_back(std::move(pin));
    }
    Line& l = line({{2000, 5000}, {4000, 5000}});
    eng->designChanged();
    command(34153);
    click(2000, 2000);
    EXPECT_EQ(eng->step(), 1);
    click(5000, 6000);
    EXPECT_EQ(eng->step(), 2);
    size_t snaps = snapshots();
    click(4500, 3000);
    ASSERT_EQ(part->dimensions.size(), 1u);
    EXPECT_EQ(snapshots(), snaps + 1);
    Dimension& d = *part->dimensions[0];
    EXPECT_EQ(d.text, kDimAutoText);
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(d), 5000.0f);
    EXPECT_FLOAT_EQ(d.f1, 4500.0f);
    // Its text moved: one snapshot.
    click(3500, 4000);  // on the dimension line
    EXPECT_EQ(eng->step(), 2);
    click(6000, 1500);
    EXPECT_FLOAT_EQ(d.f1, 6000.0f);
    EXPECT_EQ(snapshots(), snaps + 2);
    // A line picked in its middle is measured whole, straight to the text step.
    click(3000, 5000);
    EXPECT_EQ(eng->step(), 2);
    click(3000, 5500);
    ASSERT_EQ(part->dimensions.size(), 2u);
    EXPECT_EQ(part->dimensions[1]->ref1.ptr, &l);
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(*part->dimensions[1]), 2000.0f);
    // From one end of a line to the other: its nodes.
    click(2000, 5000);
    EXPECT_EQ(eng->step(), 1);
    click(4000, 5000);
    click(3000, 4500);
    ASSERT_EQ(part->dimensions.size(), 3u);
    EXPECT_EQ(part->dimensions[2]->ref1.kind, kKindLine | kDimFirstNode);
    EXPECT_EQ(part->dimensions[2]->ref2.kind, uint32_t(kKindLine));
    EXPECT_FLOAT_EQ(UpdateDimensionPoints(*part->dimensions[2]), 2000.0f);
    // A right press gives up a step without a dimension.
    expectUnchanged([&] {
        click(2000, 2000);
        rightClick(2000, 2000);
    });
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(FeatureModes, FeaturesFollowTheirHostsThroughReversalAndMoves) {
    Line& l = line({{2000, 3000}, {5000, 3000}});
    Line& v = line({{3000, 2000}, {3000, 5000}});
    Line& w = line({{5000, 3000}, {5000, 5000}});
    auto slot = std::make_unique<SlotLine>();
    slot->host = {&l, kKindLine};
    slot->f = {0.4f, 0.8f, 30.0f, 150.0f, 1.0f};
    slot->flags = 1 | kSlotOneSided;
    part->slotLines.push_back(std::move(slot));
    auto mark = std::make_unique<Mark>();
    mark->host1 = {&l, kKindLine}, mark->host2 = {&v, kKindLine};
    mark->f0 = 0.1f, mark->depth = 200, mark->width = 200;
    part->marks.push_back(std::move(mark));
    auto ch = std::make_unique<Chamfer>();
    ch->host1 = {&l, kKindLine}, ch->host2 = {&w, kKindLine};
    ch->radius = 400, ch->flags = 3 | kChamferFirstEnd | kChamferSecondStart;
    part->chamfers.push_back(std::move(ch));
    RebuildPart(doc.design, *part);
    const auto slotBefore = Sorted(part->slotLines[0]->drawn1);
    const auto markBefore = Sorted(part->marks[0]->drawn);
    const auto arcBefore = Sorted(part->chamfers[0]->drawn);
    ASSERT_FALSE(slotBefore.empty());
    ASSERT_FALSE(markBefore.empty());
    ASSERT_FALSE(arcBefore.empty());
    // 对折 with Ctrl turns the line round: every feature stays where it was.
    eng->SetMode(mode::Fold);
    click(2500, 3000, kMkCtrl);
    ASSERT_EQ(l.nodes.front().x, 5000.0f);
    auto same = [](const std::vector<PointF>& a, const std::vector<PointF>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) ExpectPoint(a[i], b[i], 0.05f);
    };
    same(Sorted(part->slotLines[0]->drawn1), slotBefore);
    same(Sorted(part->marks[0]->drawn), markBefore);
    same(Sorted(part->chamfers[0]->drawn), arcBefore);
    EXPECT_LT(part->slotLines[0]->f[kSlotDepth], 0.0f);
    // Moving the host moves the slot.
    for (auto& n : l.nodes) n.y += 1000;
    EvaluateLineRecord(l, doc.smooth);
    RebuildPart(doc.design, *part);
    for (PointF q : part->slotLines[0]->drawn1) EXPECT_GT(q.y, 3800.0f);
}

}  // namespace
}  // namespace rz::test
