// Acceptance checks of 删除, 自动擦除, 移动, 旋转, 拷贝, 比例, 单头延伸, 两头延伸 and 等距: the
// pick masks of the modifiers, the records each variant touches and leaves, the dialogs'
// defaults, the tones, and one undo snapshot per completed change.
#include <cmath>
#include <numbers>

#include "edit_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz::test {
namespace {

constexpr float kTol = 0.05f;

struct DeleteMoveCopyExtend : EditFixture {
    Pin& pin(Part& p, float x, float y) {
        auto q = std::make_unique<Pin>();
        q->x = x, q->y = y, q->diameter = 100;
        q->outline = PinOutline(x, y, 100);
        p.pins.push_back(std::move(q));
        eng->designChanged();
        return *p.pins.back();
    }
    Motif& motif(Part& p, float x, float y) {
        auto m = std::make_unique<Motif>();
        m->x = x, m->y = y;
        m->shape = {{{-200, -100}, {200, -100}, {200, 100}, {-200, 100}, {-200, -100}}};
        p.motifs.push_back(std::move(m));
        eng->designChanged();
        return *p.motifs.back();
    }
    // A press and release at window pixels (for strokes measured in pixels).
    void dragPx(PixelPoint a, PixelPoint b, uint32_t mods = 0) {
        eng->OnMouseMove(ev(Button::None, a, mods));
        eng->OnLeftDown(ev(Button::Left, a, mods));
        eng->OnMouseMove(ev(Button::None, b, mods));
        eng->OnLeftUp(ev(Button::Left, b, mods));
    }
    // Picks up with a click at `from` and drops with a left press at `to` (DragOutline).
    void dropAt(float fx, float fy, float tx, float ty, uint32_t mods = 0) {
        press(fx, fy, mods);
        release(fx, fy, mods);
        moveTo(tx, ty);
        eng->OnLeftDown(ev(Button::Left, px(tx, ty)));
        eng->OnLeftUp(ev(Button::Left, px(tx, ty)));
    }
    bool anyPart(const Part* p) const {
        for (auto& q : doc.design.parts)
            if (q.get() == p) return true;
        return false;
    }
};

// ---------------------------------------------------------------- 删除

TEST_F(DeleteMoveCopyExtend, DeleteModifiersChooseWhatCanBePicked) {
    Part& p = square(1000, 1000, 4000);
    Line& b = lineB(p, {{1500, 2000}, {4500, 2000}});
    command(32859);

    // Shift leaves lines out of the pick: on a line, a fence begins instead.
    click(3000, 2000, kMkShift);
    EXPECT_EQ(eng->step(), 1);
    ASSERT_EQ(p.linesB.size(), 1u);
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), 23) << "ESC gives the fence up; the mode stays";

    // Shift on an element still deletes it.
    pin(p, 2000, 3000);
    size_t snaps = snapshots();
    click(2000, 3000, kMkShift);
    EXPECT_TRUE(p.pins.empty());
    EXPECT_EQ(snapshots(), snaps + 1);

    // Alt picks the part only: a press on its line removes the whole part, unasked.
    size_t asked = platform.questions.size();
    click(3000, 2000, kMkAlt);
    EXPECT_FALSE(anyPart(&p));
    EXPECT_EQ(platform.questions.size(), asked);
    EXPECT_EQ(snapshots(), snaps + 2);
    (void)b;
}

TEST_F(DeleteMoveCopyExtend, DeleteInsideAPartWithASelectionTakesTheSelectionOnly) {
    Part& p = square(1000, 1000, 4000);
    Line& sel = lineB(p, {{1500, 2000}, {4500, 2000}});
    Line& keep = lineB(p, {{1500, 4000}, {4500, 4000}});
    Pin& sp = pin(p, 2000, 3000);
    pin(p, 3000, 3000);
    sel.flags |= kFlagSelected;
    sp.flags |= kFlagSelected;
    command(32859);
    size_t asked = platform.questions.size(), snaps = snapshots();
    click(4000, 3500);  // inside, on no record
    EXPECT_TRUE(anyPart(&p));
    EXPECT_EQ(platform.questions.size(), asked) << "no question for the selection";
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &keep);
    ASSERT_EQ(p.pins.size(), 1u);
    EXPECT_FLOAT_EQ(p.pins[0]->x, 3000);
    EXPECT_EQ(snapshots(), snaps + 1);
}

TEST_F(DeleteMoveCopyExtend, DeleteElementsBasePointsAndScanLines) {
    Part& p = square(1000, 1000, 4000);
    auto n = std::make_unique<Notch>();
    n->x = 3000, n->y = 1000, n->depth = 100;
    p.notches.push_back(std::move(n));
    auto bp = std::make_unique<BasePoint>();
    bp->x = 2500, bp->y = 2500;
    p.basePoints.push_back(std::move(bp));
    eng->designChanged();
    command(32859);
    // A notch on the outline goes before the outline line.
    click(3000, 1000);
    EXPECT_TRUE(p.notches.empty());
    EXPECT_EQ(p.linesA.size(), 1u);
    // A base point nothing refers to goes without a question.
    size_t asked = platform.questions.size();
    click(2500, 2500);
    EXPECT_TRUE(p.basePoints.empty());
    EXPECT_EQ(platform.questions.size(), asked);

    // A referenced base point answered "no" stays.
    auto bp2 = std::make_unique<BasePoint>();
    bp2->x = 3500, bp2->y = 3500;
    BasePoint* raw = bp2.get();
    p.basePoints.push_back(std::move(bp2));
    Pin& q = pin(p, 2000, 2000);
    q.basePoint = raw;
    platform.answers = {false};
    expectUnchanged([&] { click(3500, 3500); });
    EXPECT_EQ(platform.questions.back(), "该基点关联 0 根线条\n1 个定针\n0 个图案\n0 个共用\n执意删除吗？");
    EXPECT_EQ(eng->step(), 0);

    // A scan line.
    auto sl = std::make_unique<ScanLine>();
    sl->shape = {{{6000, 6000}, {8000, 6000}}};
    doc.scanLines.push_back(std::move(sl));
    doc.settings.displayFlags |= kDispScan;
    size_t snaps = snapshots();
    click(7000, 6000);
    EXPECT_TRUE(doc.scanLines.empty());
    EXPECT_EQ(snapshots(), snaps + 1);
}

// ---------------------------------------------------------------- 自动擦除

TEST_F(DeleteMoveCopyExtend, AutoEraseStrokeNeedsTwoPixelsAndFallsBackToTheReleasePart) {
    Part& p = square(1000, 1000, 4000);
    lineB(p, {{1500, 2000}, {4500, 2000}});
    lineB(p, {{1500, 1200}, {4500, 1200}});
    command(32863);
    PixelPoint on = px(3000, 2000);
    // One pixel across the line is no stroke.
    expectUnchanged([&] { dragPx({on.x, on.y - 1}, {on.x, on.y}); });
    ASSERT_EQ(p.linesB.size(), 2u);
    // Two pixels are.
    size_t snaps = snapshots();
    dragPx({on.x, on.y - 1}, {on.x, on.y + 1});
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_FLOAT_EQ(p.linesB[0]->nodes[0].y, 1200);
    EXPECT_EQ(snapshots(), snaps + 1);
    // From outside the part (below it) into it: the part under the release point.
    drag(3000, 500, 3000, 1500);
    EXPECT_TRUE(p.linesB.empty());
    // Outside every part nothing happens.
    expectUnchanged([&] { drag(6000, 500, 6000, 1500); });
}

// ---------------------------------------------------------------- 移动, 旋转

TEST_F(DeleteMoveCopyExtend, RightPressSwitchesBetweenMoveAndRotate) {
    command(32860);
    rightClick(5000, 5000);
    EXPECT_EQ(eng->mode(), 21);
    rightClick(5000, 5000);
    EXPECT_EQ(eng->mode(), 20);
}

TEST_F(DeleteMoveCopyExtend, OnThePiecePageAnElementMovesAlone) {
    doc.setCurrentPage(3);
    Part& p = square(1000, 1000, 4000);
    p.setPage(3);
    Pin& q = pin(p, 2000, 3000);
    Line& b = lineB(p, {{1500, 2000}, {4500, 2000}});
    auto outline = points(*p.linesA[0]);
    command(32860);
    size_t snaps = snapshots();
    dropAt(2000, 3000, 2500, 3300);
    EXPECT_NEAR(q.x, 2500, 1);
    EXPECT_NEAR(q.y, 3300, 1);
    EXPECT_EQ(points(*p.linesA[0]), outline);
    EXPECT_EQ(snapshots(), snaps + 1);
    dropAt(3000, 2000, 3000, 2500);
    EXPECT_NEAR(b.nodes[0].y, 2500, 1);
    EXPECT_EQ(points(*p.linesA[0]), outline);
    // ESC drops nothing.
    expectUnchanged([&] {
        press(3000, 2500);
        release(3000, 2500);
        moveTo(3000, 3500);
        key(key::Escape);
    });
}

TEST_F(DeleteMoveCopyExtend, DraggedOutlineNudgesByAPixelAndMirrorsAlternately) {
    Part& p = square(1000, 1000, 5000);
    Line& b = lineB(p, {{2000, 2000}, {3000, 2000}, {3000, 2500}});
    b.flags |= kFlagSelected;
    auto before = points(b);
    command(32860);
    press(2000, 2000);
    release(2000, 2000);
    key(key::Right);
    key(key::Up);
    // One pixel is 10 units = 0.1 mm at this view.
    EXPECT_EQ(platform.prompts.back(), "〔相对位移〕0.10,0.10");
    key(key::Return);
    auto nudged = points(b);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(nudged[i].x, before[i].x + 10, 0.5f);
        EXPECT_NEAR(nudged[i].y, before[i].y + 10, 0.5f);
    }
    // Tab twice: mirrored in the vertical, then in the horizontal line through the cursor,
    // which together is a half turn about it.
    PointF c = nudged[0];
    press(c.x, c.y);
    release(c.x, c.y);
    key(key::Tab);
    key(key::Tab);
    key(key::Return);
    auto turned = points(b);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(turned[i].x, 2 * c.x - nudged[i].x, 1);
        EXPECT_NEAR(turned[i].y, 2 * c.y - nudged[i].y, 1);
    }
}

TEST_F(DeleteMoveCopyExtend, TurningAPartTurnsItsSizeLabels) {
    Part& p = square(1000, 1000, 3000);
    auto sl = std::make_unique<SizeLabel>();
    sl->x = 2000, sl->y = 2000, sl->angle = 0;
    p.sizeLabels.push_back(std::move(sl));
    eng->designChanged();
    command(32861);
    // Alt: the part under the point, turned about its centre (2500, 2500) by a quarter.
    press(4000, 2500, kMkAlt);
    moveTo(3500, 3500, kMkAlt);
    moveTo(2500, 4000, kMkAlt);
    release(2500, 4000, kMkAlt);
    ASSERT_EQ(p.sizeLabels.size(), 1u);
    EXPECT_NEAR(p.sizeLabels[0]->x, 3000, 1);
    EXPECT_NEAR(p.sizeLabels[0]->y, 2000, 1);
    EXPECT_NEAR(p.sizeLabels[0]->angle, std::numbers::pi / 2, 1e-3);
}

TEST_F(DeleteMoveCopyExtend, RotateVariantsTurnTheRightRecords) {
    Part& p = square(1000, 1000, 5000);
    Motif& m = motif(p, 3000, 3000);
    Line& b = lineB(p, {{1500, 5000}, {2500, 5000}});
    auto outline = points(*p.linesA[0]);
    auto line = points(b);
    command(32861);
    // Shift on a motif: the motif alone, about its centre.
    size_t snaps = snapshots();
    press(3200, 3000, kMkShift);
    moveTo(3100, 3200, kMkShift);
    moveTo(3000, 3200, kMkShift);
    release(3000, 3200, kMkShift);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_NEAR(m.x, 3000, 1);
    EXPECT_NEAR(m.y, 3000, 1);
    ASSERT_FALSE(m.shape.empty());
    EXPECT_NEAR(m.shape[0][0].x, 100, 1) << "(-200,-100) turned by 90°";
    EXPECT_NEAR(m.shape[0][0].y, -200, 1);
    EXPECT_EQ(points(*p.linesA[0]), outline);
    EXPECT_EQ(points(b), line);
    // Shift or Alt outside every part: 500 Hz.
    expectRefused([&] { click(8000, 6500, kMkShift); });
    expectRefused([&] { click(8000, 6500, kMkAlt); });
    // Plain, away from everything: 500 Hz too.
    expectRefused([&] { click(8000, 6500); });
}

TEST_F(DeleteMoveCopyExtend, AnotherCommandDropsTheOutlineBeingDragged) {
    Part& p = square(1000, 1000, 4000);
    Pin& q = pin(p, 2000, 3000);
    command(32860);
    press(2000, 3000);
    release(2000, 3000);
    ASSERT_EQ(eng->capture(), Engine::CaptureKind::Drag);
    command(32856);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
    // A press in the new mode does not finish the move of the old one.
    expectUnchanged([&] {
        moveTo(2500, 3300);
        eng->OnLeftDown(ev(Button::Left, px(2500, 3300)));
        eng->OnLeftUp(ev(Button::Left, px(2500, 3300)));
    });
    EXPECT_EQ(q.x, 2000);
}

// ---------------------------------------------------------------- 拷贝

TEST_F(DeleteMoveCopyExtend, CopyOfAnOutlineLineOrAPinIsAddedAtTheDrop) {
    Part& p = square(1000, 1000, 4000);
    Pin& q = pin(p, 2000, 3000);
    auto outline = points(*p.linesA[0]);
    command(32862);
    size_t snaps = snapshots();
    dropAt(2000, 3000, 2600, 3500);
    ASSERT_EQ(p.pins.size(), 2u);
    EXPECT_FLOAT_EQ(q.x, 2000);
    EXPECT_NEAR(p.pins[1]->x, 2600, 1);
    EXPECT_NEAR(p.pins[1]->y, 3500, 1);
    EXPECT_EQ(snapshots(), snaps + 1);
    // An outline line copied becomes a free line; the outline stays as it was.
    dropAt(3000, 1000, 3000, 1500);
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(points(*p.linesA[0]), outline);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_NEAR(p.linesB[0]->nodes[0].y, 1500, 1);
    // A drop where it was picked adds nothing.
    expectUnchanged([&] { dropAt(2000, 3000, 2000, 3000); });
}

TEST_F(DeleteMoveCopyExtend, StepAndRepeatDialogDefaultsDirectionAndCancel) {
    Part& p = square(0, 0, 8000);
    Pin& q = pin(p, 1000, 1000);
    Line& dir = lineB(p, {{5000, 1000}, {5000, 6000}});
    q.flags |= kFlagSelected;
    doc.settings.equidistance = 250;
    command(32862);
    // Cancelled: nothing changes; the dialog opened with the default distance and count 1.
    expectUnchanged([&] { click(5000, 5800); });
    ASSERT_FALSE(platform.dialogFields.empty());
    ASSERT_EQ(platform.dialogFields.back().size(), 2u);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[0].value, 2.5);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[1].value, 1);
    // Near the upper end the copies go down the line.
    platform.dialogValues = {{10.0, 2}};
    size_t snaps = snapshots();
    click(5000, 5800);
    ASSERT_EQ(p.pins.size(), 3u);
    EXPECT_NEAR(p.pins[1]->y, 0, 0.5f);
    EXPECT_NEAR(p.pins[2]->y, -1000, 0.5f);
    EXPECT_NEAR(p.pins[2]->x, 1000, 0.5f);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_FALSE(p.pins[1]->flags & kFlagSelected) << "copies are not selected";
    (void)dir;
}

// ---------------------------------------------------------------- 比例

TEST_F(DeleteMoveCopyExtend, ScaleShowsTheChordAndTakesTheSelectionOnly) {
    Part& p = square(1000, 1000, 5000);
    Line& ref = lineB(p, {{2000, 2000}, {3000, 2600}, {4000, 2000}});
    Line& sel = lineB(p, {{2000, 4000}, {3000, 5000}});
    Line& other = lineB(p, {{4000, 4000}, {5000, 5000}});
    sel.flags |= kFlagSelected;
    auto refBefore = points(ref), otherBefore = points(other), outline = points(*p.linesA[0]);
    command(34105);
    // Cancelled: unchanged. The dialog gives the chord (20 mm) and the extent across it (6 mm).
    expectUnchanged([&] { click(2500, 2300); });
    ASSERT_EQ(platform.dialogTitles.back(), "比例");
    EXPECT_EQ(platform.dialogFields.back()[0].label, "长度 20.00 变化");
    EXPECT_EQ(platform.dialogFields.back()[1].label, "宽度 6.00 变化");
    // No change entered: nothing recorded.
    platform.dialogValues = {{0.0, 0.0}};
    expectUnchanged([&] { click(2500, 2300); });

    platform.dialogValues = {{1.0, 0.0}};  // along ×2 about (2000, 2000)
    size_t snaps = snapshots();
    click(2500, 2300);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_NEAR(sel.nodes[1].x, 2000 + 1000 * 2, 0.5f);
    EXPECT_NEAR(sel.nodes[1].y, 5000, 0.5f);
    EXPECT_EQ(points(ref), refBefore) << "the part has a selection: only it is scaled";
    EXPECT_EQ(points(other), otherBefore);
    EXPECT_EQ(points(*p.linesA[0]), outline);

    // A closed line gives no direction.
    lineB(p, {{5500, 5500}, {5800, 5500}, {5800, 5800}, {5500, 5500}});
    expectRefused([&] { click(5650, 5500); });
}

// ---------------------------------------------------------------- 单头延伸

TEST_F(DeleteMoveCopyExtend, ExtendOneEndCancelsMovesAndRefuses) {
    Part& p = square(0, 0, 9000);
    Line& b = lineB(p, {{2000, 2000}, {5000, 2000}});
    command(32857);
    // An outline line is not taken.
    expectRefused([&] { click(4000, 0); });
    // ESC and a right press at step 1 give the step up.
    expectUnchanged([&] {
        click(5000, 2000);
        ASSERT_EQ(eng->step(), 1);
        key(key::Escape);
    });
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), 101);
    expectUnchanged([&] {
        click(2000, 2000);
        ASSERT_EQ(eng->step(), 1);
        rightClick(1000, 2300);
    });
    EXPECT_EQ(eng->step(), 0);
    // 移点 at the first end: the end node moves onto the foot; the count stays.
    click(2000, 2000);
    // Cancelling the choice changes nothing and stays at step 1.
    expectUnchanged([&] { click(1200, 2400); });
    EXPECT_EQ(platform.choiceTitles.back(), "选择延伸方式");
    EXPECT_EQ(eng->step(), 1);
    platform.choices = {0};
    size_t snaps = snapshots();
    click(1200, 2400);
    ASSERT_EQ(b.nodes.size(), 2u);
    EXPECT_NEAR(b.nodes[0].x, 1200, kTol);
    EXPECT_NEAR(b.nodes[0].y, 2000, kTol);
    EXPECT_EQ(snapshots(), snaps + 1);
    // Shortening an end whose segment is under 1 mm changes nothing and records nothing.
    Line& s = lineB(p, {{2000, 4000}, {5000, 4000}, {5050, 4000}});
    expectUnchanged([&] { rightClick(4500, 4000); });
    EXPECT_NEAR(s.nodes.back().x, 5050, kTol);
    // A zero-length end segment: 500 Hz.
    lineB(p, {{2000, 6000}, {5000, 6000}, {5000, 6000}});
    expectRefused([&] { click(4000, 6000); });
}

// ---------------------------------------------------------------- 两头延伸

TEST_F(DeleteMoveCopyExtend, ExtendBothChoosesTheLinesByPick) {
    Part& p = square(0, 0, 9000);
    Line& a = lineB(p, {{2000, 2000}, {5000, 2000}});
    Line& aux = lineB(p, {{2000, 3000}, {5000, 3000}});
    aux.flags |= kLineAuxiliary;
    Line& closed = lineB(p, {{6000, 6000}, {7000, 6000}, {7000, 7000}, {6000, 6000}});
    Line& s1 = lineB(p, {{2000, 5000}, {5000, 5000}});
    Line& s2 = lineB(p, {{2000, 6000}, {5000, 6000}});
    s1.flags |= kFlagSelected;
    s2.flags |= kFlagSelected;
    auto auxBefore = points(aux), closedBefore = points(closed);
    command(34156);
    // A selected line: every selected open line of the part.
    size_t snaps = snapshots();
    click(3000, 5000);
    EXPECT_NEAR(s1.nodes.front().x, 1900, kTol);
    EXPECT_NEAR(s2.nodes.back().x, 5100, kTol);
    EXPECT_NEAR(a.nodes.front().x, 2000, kTol);
    EXPECT_EQ(snapshots(), snaps + 1);
    // On the outline (the part): the unselected open lines B, auxiliary lines skipped.
    click(4500, 0);
    EXPECT_NEAR(a.nodes.front().x, 1900, kTol);
    EXPECT_NEAR(a.nodes.back().x, 5100, kTol);
    EXPECT_NEAR(s1.nodes.front().x, 1900, kTol) << "the selection is not the part's";
    EXPECT_EQ(points(aux), auxBefore);
    EXPECT_EQ(points(closed), closedBefore);
    EXPECT_EQ(snapshots(), snaps + 2);
    // Outside every part with a selection: the selection is cleared, nothing recorded.
    size_t before = snapshots();
    click(9500, 6500);
    EXPECT_FALSE(s1.flags & kFlagSelected);
    EXPECT_FALSE(s2.flags & kFlagSelected);
    EXPECT_EQ(snapshots(), before);
    // Without one: 500 Hz.
    expectRefused([&] { click(9500, 6500); });
    // Shortening where no end can move changes nothing and records nothing.
    Line& tiny = lineB(p, {{2000, 6500}, {2050, 6500}, {4000, 6500}, {4050, 6500}});
    expectUnchanged([&] { rightClick(3000, 6500); });
    EXPECT_EQ(tiny.nodes.size(), 4u);
}

// ---------------------------------------------------------------- 等距

TEST_F(DeleteMoveCopyExtend, OffsetDialogDefaultAndTheCopiesOfAnOutlineLine) {
    Part& p = square(0, 0, 9000);
    Line& b = lineB(p, {{1000, 3000}, {4000, 3000}, {8000, 3000}});
    b.nodes[1].word = kNodeBreak;
    EvaluateLineRecord(b, doc.smooth);
    b.flags |= kFlagSelected;
    doc.settings.equidistance = 250;
    command(32916);
    // The press lies under 1 mm from the line: the dialog offers the default.
    expectUnchanged([&] { drag(5000, 3020, 5050, 3020); });
    ASSERT_EQ(platform.dialogTitles.back(), "等距");
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[0].value, 2.5);
    EXPECT_DOUBLE_EQ(platform.dialogFields.back()[1].value, 1);
    // Unchanged it stays the default; a copy keeps the break flags and is not selected.
    platform.dialogValues = {{2.5, 1}};
    drag(5000, 3020, 5050, 3020);
    ASSERT_EQ(p.linesB.size(), 2u);
    const Line& c = *p.linesB[1];
    ASSERT_EQ(c.nodes.size(), 3u);
    EXPECT_TRUE(c.nodes[1].isBreak());
    EXPECT_FALSE(c.flags & kFlagSelected);
    EXPECT_NEAR(c.nodes[0].y, 3250, 0.5f);
    EXPECT_FLOAT_EQ(doc.settings.equidistance, 250);
    // A changed distance becomes the new default.
    platform.dialogValues = {{4.0, 1}};
    drag(5000, 2980, 5050, 2980);
    EXPECT_FLOAT_EQ(doc.settings.equidistance, 400);
    EXPECT_NEAR(p.linesB.back()->nodes[0].y, 2600, 0.5f);

    // On an outline line the copies are new lines B; the outline stays.
    auto outline = points(*p.linesA[0]);
    size_t nb = p.linesB.size();
    platform.dialogValues = {{5.0, 2}};
    size_t snaps = snapshots();
    drag(4500, 20, 4550, 20);
    EXPECT_EQ(snapshots(), snaps + 1);
    EXPECT_EQ(points(*p.linesA[0]), outline);
    ASSERT_EQ(p.linesB.size(), nb + 2);
    // Pressed inside the part (above the bottom side), the copies run inside it.
    EXPECT_NEAR(p.linesB[nb]->nodes[1].y, 500, 0.5f);
    EXPECT_NEAR(p.linesB[nb + 1]->nodes[1].y, 1000, 0.5f);

    // Anything but a line: 500 Hz.
    expectRefused([&] { click(6000, 6000); });
}


// ---------------------------------------------------------------- the selection rule

TEST_F(DeleteMoveCopyExtend, AnUnselectedRecordWhileThePageHasASelectionOnlyClearsIt) {
    Part& p = square(1000, 1000, 5000);
    Line& sel = lineB(p, {{1500, 2000}, {4500, 2000}});
    Line& other = lineB(p, {{1500, 4000}, {4500, 4000}});
    Pin& q = pin(p, 2000, 3000);
    for (int cmd : {32859, 32862, 32860, 32861}) {  // 删除, 拷贝, 移动, 旋转
        sel.flags |= kFlagSelected;
        command(cmd);
        size_t snaps = snapshots();
        click(2000, 3000);  // the pin
        EXPECT_FALSE(sel.flags & kFlagSelected) << cmd;
        EXPECT_EQ(snapshots(), snaps) << cmd;
        EXPECT_EQ(eng->capture(), Engine::CaptureKind::None) << cmd;
        ASSERT_EQ(p.pins.size(), 1u) << cmd;
        ASSERT_EQ(p.linesB.size(), 2u) << cmd;
    }
    // 删除 on the unselected line: cleared, not deleted; on the selected one: the selection.
    command(32859);
    sel.flags |= kFlagSelected;
    q.flags |= kFlagSelected;
    click(3000, 4000);
    ASSERT_EQ(p.linesB.size(), 2u);
    EXPECT_FALSE(q.flags & kFlagSelected);
    sel.flags |= kFlagSelected;
    q.flags |= kFlagSelected;
    click(3000, 2000);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &other);
    EXPECT_TRUE(p.pins.empty());
}

// ---------------------------------------------------------------- records placed in a part

TEST_F(DeleteMoveCopyExtend, RotateTurnsASizeLabelAndRefusesADimension) {
    Part& p = square(1000, 1000, 5000);
    auto sl = std::make_unique<SizeLabel>();
    sl->x = 3000, sl->y = 3000;
    sl->strokes = {{{2800, 2900}, {3200, 2900}}};
    p.sizeLabels.push_back(std::move(sl));
    SizeLabel& label = *p.sizeLabels.back();
    auto dm = std::make_unique<Dimension>();
    dm->points = {1500, 5000, 2500, 5000};
    dm->drawn1 = {{{1500, 5000}, {2500, 5000}}};
    p.dimensions.push_back(std::move(dm));
    eng->designChanged();
    command(32861);
    // About the centre of its strokes (3000, 2900), a quarter turn.
    press(3200, 2900);
    moveTo(3100, 3000);
    moveTo(3000, 3100);
    release(3000, 3100);
    EXPECT_NEAR(label.angle, std::numbers::pi / 2, 1e-3);
    EXPECT_NEAR(label.x, 2900, 1);
    EXPECT_NEAR(label.y, 2900, 1);
    EXPECT_NEAR(label.strokes[0][0].x, 3000, 1);
    EXPECT_NEAR(label.strokes[0][0].y, 2700, 1);
    expectRefused([&] {
        press(2000, 5000);
        moveTo(2000, 5500);
        release(2000, 5500);
    });
}

TEST_F(DeleteMoveCopyExtend, MovingAPartTakesItsDimensionsAndLabelStrokes) {
    Part& p = square(1000, 1000, 3000);
    auto sl = std::make_unique<SizeLabel>();
    sl->x = 2000, sl->y = 2000;
    sl->strokes = {{{1800, 1900}, {2200, 1900}}};
    p.sizeLabels.push_back(std::move(sl));
    auto dm = std::make_unique<Dimension>();
    dm->points = {1500, 3000, 2500, 3500};
    dm->drawn1 = {{{1500, 3000}, {2500, 3500}}};
    p.dimensions.push_back(std::move(dm));
    eng->designChanged();
    command(32860);
    dropAt(3500, 3500, 4000, 3000);  // inside, on no record: the part
    EXPECT_NEAR(p.linesA[0]->nodes[0].x, 1500, 1);
    const Dimension& d = *p.dimensions[0];
    EXPECT_NEAR(d.points[0], 2000, 1);
    EXPECT_NEAR(d.points[1], 2500, 1);
    EXPECT_NEAR(d.points[2], 3000, 1);
    EXPECT_NEAR(d.points[3], 3000, 1);
    EXPECT_NEAR(d.drawn1[0][1].x, 3000, 1);
    EXPECT_NEAR(p.sizeLabels[0]->strokes[0][0].x, 2300, 1);
    EXPECT_NEAR(p.sizeLabels[0]->strokes[0][0].y, 1400, 1);
}


// ---------------------------------------------------------------- units of the dialogs

TEST_F(DeleteMoveCopyExtend, DialogLengthsFollowTheCentimetreSetting) {
    Part& p = square(0, 0, 9000);
    Line& b = lineB(p, {{2000, 2000}, {5000, 2000}});
    command(32857);
    // 单头延伸: Space opens prefilled with the extension the pointer shows.
    click(5000, 2000);
    moveTo(5300, 2400);
    platform.dialogValues = {{}};
    key(key::Space);
    ASSERT_EQ(platform.dialogFields.back().size(), 1u);
    EXPECT_EQ(platform.dialogFields.back()[0].label, "长度(mm)");
    EXPECT_NEAR(platform.dialogFields.back()[0].value, 3.0, 1e-3);
    EXPECT_EQ(eng->step(), 1) << "a cancelled length keeps the step";
    doc.settings.centimetreDisplay = 1;
    platform.dialogValues = {{1.0}};
    key(key::Space);
    EXPECT_EQ(platform.dialogFields.back()[0].label, "长度(cm)");
    EXPECT_NEAR(platform.dialogFields.back()[0].value, 0.3, 1e-4);
    EXPECT_NEAR(b.nodes.back().x, 6000, kTol) << "1 cm beyond the end";
    EXPECT_EQ(eng->step(), 0);

    // 等距: the distance is shown and read in centimetres.
    doc.settings.equidistance = 300;
    command(32916);
    platform.dialogValues = {{0.5, 1}};
    drag(3000, 2020, 3050, 2020);
    EXPECT_EQ(platform.dialogFields.back()[0].label, "距离(cm)");
    EXPECT_NEAR(platform.dialogFields.back()[0].value, 0.3, 1e-6);
    ASSERT_EQ(p.linesB.size(), 2u);
    EXPECT_NEAR(p.linesB[1]->nodes[0].y, 2500, 0.5f);
    EXPECT_FLOAT_EQ(doc.settings.equidistance, 500);

    // 比例: the chord (40 mm) in centimetres.
    command(34105);
    platform.dialogValues = {{}};
    click(4000, 2000);
    EXPECT_EQ(platform.dialogFields.back()[0].label, "长度 4.00 变化");
}


TEST_F(DeleteMoveCopyExtend, StrokeAndFenceLeaveHiddenRecords) {
    Part& p = square(1000, 1000, 4000);
    Line& hidden = lineB(p, {{1500, 2000}, {4500, 2000}});
    hidden.flags |= kFlagHidden;
    Line& shown = lineB(p, {{1500, 2200}, {4500, 2200}});
    command(32863);
    drag(3000, 1800, 3000, 2400);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &hidden);
    (void)shown;

    Pin& hp = pin(p, 2000, 3000);
    hp.flags |= kFlagHidden;
    pin(p, 2500, 3000);
    command(32859);
    click(1200, 1200, kMkShift);
    click(4800, 1200);
    click(4800, 4500);
    click(1200, 4500);
    key(key::Return);
    ASSERT_EQ(p.pins.size(), 1u);
    EXPECT_EQ(p.pins[0].get(), &hp);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &hidden);
}


TEST_F(DeleteMoveCopyExtend, DeleteDragFromAnEmptySpotSelectsInsteadOfDeleting) {
    Part& p = square(1000, 1000, 5000);
    Line& in = lineB(p, {{2000, 2000}, {3000, 2000}});
    Line& out = lineB(p, {{2000, 5000}, {5000, 5000}});
    command(32859);
    size_t asked = platform.questions.size(), snaps = snapshots();
    drag(1500, 1500, 3500, 2500);  // inside the part, on no record
    EXPECT_TRUE(anyPart(&p));
    EXPECT_EQ(platform.questions.size(), asked) << "no question to delete the part";
    EXPECT_EQ(snapshots(), snaps);
    EXPECT_TRUE(in.flags & kFlagSelected);
    EXPECT_FALSE(out.flags & kFlagSelected);
    // The next click on the selection deletes it.
    click(2500, 2000);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(p.linesB[0].get(), &out);
    EXPECT_EQ(snapshots(), snaps + 1);
}


TEST_F(DeleteMoveCopyExtend, ScanLinesAreMovedAndCopiedWhole) {
    auto sl = std::make_unique<ScanLine>();
    sl->shape = {{{6000, 6000}, {8000, 6000}, {8000, 6500}}};
    doc.scanLines.push_back(std::move(sl));
    doc.settings.displayFlags |= kDispScan;
    command(32860);
    size_t snaps = snapshots();
    dropAt(7000, 6000, 7500, 5000);
    ASSERT_EQ(doc.scanLines.size(), 1u);
    EXPECT_NEAR(doc.scanLines[0]->shape[0][0].x, 6500, 1);
    EXPECT_NEAR(doc.scanLines[0]->shape[0][2].y, 5500, 1);
    EXPECT_EQ(snapshots(), snaps + 1);
    command(32862);
    dropAt(7500, 5000, 7500, 3000);
    ASSERT_EQ(doc.scanLines.size(), 2u);
    EXPECT_NEAR(doc.scanLines[0]->shape[0][0].y, 5000, 1) << "the original stays";
    EXPECT_NEAR(doc.scanLines[1]->shape[0][0].y, 3000, 1);
    EXPECT_EQ(snapshots(), snaps + 2);
}

}  // namespace
}  // namespace rz::test
