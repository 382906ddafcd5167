// 拼板, 分板, 取线 and the symmetry tool, scripted: exact joins, the refusals and cancels that
// change nothing, and mirror images against reflections computed by hand.
#include <cmath>

#include "design/join_tools.h"
#include "design_fixture.h"
#include "geom/polyline.h"

namespace rz::test {
namespace {

struct JoinTest : DesignFixture {
    Part& square4(float x, float y, float s) {
        return outlinePart({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}});
    }
    Pin& addPin(Part& p, float x, float y) {
        auto pin = std::make_unique<Pin>();
        pin->x = x, pin->y = y, pin->diameter = 100;
        pin->outline = PinOutline(x, y, 100);
        p.pins.push_back(std::move(pin));
        eng->designChanged();
        return *p.pins.back();
    }
};

TEST_F(JoinTest, OnePointMovesThePartOntoTheTargetAndTwoPointsTurnItAlong) {
    Part& a = square4(1000, 1000, 2000);
    square4(6000, 1000, 2000);
    command(34127);
    click(3000, 2000);
    EXPECT_EQ(eng->step(), 1);
    click(7000, 7000);  // nothing there: ignored
    const size_t snaps = snapshots();
    click(6000, 2500);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_FLOAT_EQ(a.bbox.minX, 4000.0f);
    EXPECT_FLOAT_EQ(a.bbox.minY, 1500.0f);
    // Two points on the moving part, two on the target: (1000, 2000) to (6000, 1000) and the
    // direction along the part's bottom turned onto the target's left edge, upwards.
    Part& b = square4(1000, 5000, 2000);
    Part& t = square4(6000, 5000, 2000);
    click(1000, 6000);
    click(3000, 6000);
    click(6000, 5000);
    click(6000, 7000);
    EXPECT_EQ(eng->step(), 0);
    const Affine m = *JoinTransform({1000, 6000}, {6000, 5000}, std::make_pair(PointF{3000, 6000}, PointF{6000, 7000}));
    const PointF corner = m.apply({1000, 5000});
    EXPECT_NEAR(corner.x, 7000.0f, 0.01f);
    EXPECT_NEAR(corner.y, 5000.0f, 0.01f);
    EXPECT_NEAR(b.linesA[0]->nodes[0].x, corner.x, 0.5f);
    EXPECT_NEAR(b.linesA[0]->nodes[0].y, corner.y, 0.5f);
    (void)t;
    // Esc leaves everything as it was, with the 80 Hz tone.
    expectUnchanged([&] {
        click(4000, 2500);
        platform.tones.clear();
        key(key::Escape);
    });
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneBack);
    EXPECT_EQ(eng->step(), 0);
}

TEST_F(JoinTest, ShiftTurnsAPartAboutAPointAndAltMovesThePage) {
    Part& a = square4(1000, 1000, 2000);
    Part& b = square4(5000, 1000, 1000);
    command(34127);
    click(2000, 1000, kMkShift);
    EXPECT_EQ(eng->step(), 10);
    click(1000, 1000);  // the centre
    click(3000, 1000);  // the direction: along +x
    moveTo(1000, 3000); // a quarter turn
    size_t snaps = snapshots();
    key(key::Return);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_NEAR(a.linesA[0]->nodes[1].x, 1000.0f, 0.5f);  // (3000, 1000) turned to (1000, 3000)
    EXPECT_NEAR(a.linesA[0]->nodes[1].y, 3000.0f, 0.5f);
    EXPECT_EQ(eng->step(), 10);  // the loop starts again
    // ← resets the turn: accepting then changes nothing.
    click(1000, 1000);
    click(1000, 3000);
    moveTo(3000, 1000);
    expectUnchanged([&] {
        key(key::Left);
        key(key::Return);
    });
    // Keypad + with the pointer on the centre still turns by a fine step (20 units of arc at
    // 10 mm), not by radians.
    click(1000, 1000);
    click(3000, 1000);
    moveTo(1000, 1000);
    key(key::Plus, kMkKeypad);
    key(key::Return);
    EXPECT_NEAR(std::fabs(a.linesA[0]->nodes[1].x - 1000.0f), 2000.0f * std::sin(0.02f), 0.5f);
    EXPECT_NEAR(a.linesA[0]->nodes[1].y, 1000.0f + 2000.0f * std::cos(0.02f), 0.5f);
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    // Alt: the drag moves every part of the page by the same vector, dimension texts as well.
    const float bx = b.linesA[0]->nodes[0].x, ay = a.bbox.minY;
    auto dim = std::make_unique<Dimension>();
    dim->ref1 = {b.linesA[0].get(), kKindLine};
    dim->text = "<DIM>";
    dim->f1 = 5500, dim->f2 = 1500;
    Dimension& d = *dim;
    b.dimensions.push_back(std::move(dim));
    press(7000, 6000, kMkAlt);
    moveTo(7500, 6200, kMkAlt);
    release(8000, 6500, kMkAlt);
    EXPECT_NEAR(b.linesA[0]->nodes[0].x, bx + 1000.0f, 0.5f);
    EXPECT_NEAR(a.bbox.minY, ay + 500.0f, 0.5f);
    EXPECT_NEAR(d.f1, 6500.0f, 0.5f);
    EXPECT_NEAR(d.f2, 2000.0f, 0.5f);
}

TEST_F(JoinTest, SplitBoardPutsAPinFirstAndTakeLineCopiesIntoTheMasterPart) {
    Part& a = square4(3000, 1000, 3000);
    Pin& p1 = addPin(a, 3500, 1500);
    Pin& p2 = addPin(a, 4500, 1500);
    Pin& p3 = addPin(a, 5500, 1500);
    command(34166);
    size_t snaps = snapshots();
    click(5500, 1500);
    EXPECT_EQ(snapshots(), snaps + 1);
    ASSERT_EQ(a.pins.size(), 3u);
    EXPECT_EQ(a.pins[0].get(), &p3);
    EXPECT_EQ(a.pins[1].get(), &p1);
    EXPECT_EQ(a.pins[2].get(), &p2);
    expectUnchanged([&] { click(5500, 1500); });  // already first
    expectRefused([&] { click(4000, 2500); });     // not a pin

    Part& master = doc.design.firstPart();
    ASSERT_NE(&master, &a);
    command(34131);
    platform.answers = {false};
    expectUnchanged([&] { click(4500, 1500); });
    platform.answers = {true};
    click(4500, 1500);
    ASSERT_EQ(master.pins.size(), 1u);
    EXPECT_FLOAT_EQ(master.pins[0]->x, 4500.0f);
    // Ctrl on the part: everything of it goes into the master-line part, the part leaves.
    const size_t parts = doc.design.parts.size();
    click(4500, 3000, kMkCtrl);
    EXPECT_EQ(doc.design.parts.size(), parts - 1);
    EXPECT_EQ(master.pins.size(), 4u);
    EXPECT_FALSE(master.linesB.empty());
}

TEST_F(JoinTest, SymmetryImagesAreReflectionsAndTheAxisMovesByPixels) {
    const auto m = MirrorOf({{1000, 0}, {2000, 1000}}, {0, 0}, {0, 1000}, {});
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->points[0].x, -1000.0f, 0.01f);
    EXPECT_NEAR(m->points[1].x, -2000.0f, 0.01f);
    EXPECT_NEAR(m->points[1].y, 1000.0f, 0.01f);
    const Polyline left{{-1000, 0}, {-2000, 1000}};
    EXPECT_NEAR(MirrorOf({{1000, 0}, {2000, 1000}}, {0, 0}, {0, 1000}, {&left})->deviation, 0.0f, 0.01f);
    // (-2000, 1100) lies 100 beyond the end (-2000, 1000) of the examined line.
    EXPECT_NEAR(MirrorOf({{1000, 0}, {2000, 1100}}, {0, 0}, {0, 1000}, {&left})->deviation, 100.0f, 0.01f);

    Part& a = square4(1000, 1000, 5000);
    Line& axis = lineB(a, {{3500, 1500}, {3500, 5500}});
    Line& bent = lineB(a, {{1500, 1500}, {2000, 3000}, {1500, 5000}});
    Line& other = lineB(a, {{4500, 2000}, {5000, 4000}});
    command(34128);
    click(1750, 2250);
    ASSERT_FALSE(platform.notices.empty());
    EXPECT_EQ(platform.notices.back(), kAxisNotStraight);
    EXPECT_EQ(eng->step(), 0);
    click(3500, 3000);
    EXPECT_EQ(eng->step(), 1);
    expectRefused([&] { click(3500, 3000); });  // the axis itself
    click(4750, 3000);
    EXPECT_TRUE(other.flags & kFlagSelected);
    (void)bent;
    // Shift+arrows move the first end one pixel (10 units here); a run stores one snapshot.
    const size_t snaps = snapshots();
    key(key::Right, kMkShift);
    key(key::Right, kMkShift);
    EXPECT_NEAR(axis.nodes.front().x, 3520.0f, 0.01f);
    EXPECT_EQ(snapshots(), snaps);
    click(4750, 3000);  // the run ends: its snapshot; the press toggles the line off
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_FALSE(other.flags & kFlagSelected);
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    // An axis one pixel long: moving an end onto the other is refused with the 80 Hz tone.
    Line& tiny = lineB(a, {{2000, 6000}, {2010, 6000}});
    click(2005, 6000);
    ASSERT_EQ(eng->step(), 1);
    platform.tones.clear();
    key(key::Right, kMkShift);
    ASSERT_FALSE(platform.tones.empty());
    EXPECT_EQ(platform.tones.back(), kToneBack);
    EXPECT_FLOAT_EQ(tiny.nodes.front().x, 2000.0f);
    key(key::Escape);

    // A scan-line axis examines the other scan lines: a bent scan line is refused as an axis,
    // line presses are refused while it is the axis, and its ends move by pixels.
    auto scan = [&](Shape sh) {
        auto s = std::make_unique<ScanLine>();
        s->shape = std::move(sh);
        doc.scanLines.push_back(std::move(s));
        eng->designChanged();
        return doc.scanLines.back().get();
    };
    ScanLine* bentScan = scan({{{8000, 1000}, {9000, 3000}}, {{9000, 3000}, {8000, 5000}}});
    ScanLine* scanAxis = scan({{{10000, 1000}, {10000, 3000}}, {{10000, 3000}, {10000, 5000}}});
    ScanLine* examined = scan({{{11000, 2000}, {12000, 2500}}});
    platform.notices.clear();
    click(8500, 2000);
    ASSERT_FALSE(platform.notices.empty());
    EXPECT_EQ(eng->step(), 0);
    click(10000, 4000);
    ASSERT_EQ(eng->step(), 1);
    ASSERT_FALSE(platform.prompts.empty());
    EXPECT_EQ(platform.prompts.back(), kPromptSymmetryScanLines);
    expectRefused([&] { click(4750, 3000); });  // a line
    click(11500, 2250);
    EXPECT_TRUE(examined->flags & kFlagSelected);
    // Shift+Right on the first end, then the second end: the axis stays vertical at x 10010.
    key(key::Right, kMkShift);
    key(key::Right);
    key(key::Right, kMkShift);
    ASSERT_EQ(scanAxis->shape.size(), 1u);
    EXPECT_NEAR(scanAxis->shape[0].front().x, 10010.0f, 0.01f);
    EXPECT_NEAR(scanAxis->shape[0].back().x, 10010.0f, 0.01f);
    key(key::Escape);
    EXPECT_FALSE(examined->flags & kFlagSelected);
    (void)bentScan;
}

}  // namespace
}  // namespace rz::test
