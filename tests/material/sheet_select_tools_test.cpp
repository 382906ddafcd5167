// Selecting and point editing on the back screen with scripted events: the rubber band of modes
// 0, 20 and 23, the popup "stPick+按右键", the push-away of 移动, 点操作's vertex keys and
// clean-up, the ruler point and the border. Every change of the items is one snapshot that undo
// takes back to the bytes before it; the ruler and the border stay outside undo.
#include <gtest/gtest.h>

#include <cmath>

#include "clipper_overlap.h"
#include "sheet_fixture.h"
#include "interact/scene.h"
#include "material/back_tools.h"
#include "output/cutfile.h"
#include "output/sheet.h"
#include "output/sheet_border.h"
#include "output/sheet_commands.h"
#include "output/sheet_push.h"

namespace rz::test {
namespace {

constexpr int kSelect = 0, kMove = 20, kCopy = 22, kDelete = 23, kPointOp = 35;

Polyline Rect(float x0, float y0, float x1, float y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}; }

struct SheetSelectTest : SheetFixture {
    struct Popup {
        std::vector<std::vector<bool>> enabled;  // what each opening offered
        std::vector<int> answers;                // scripted choices, in order
    };
    std::shared_ptr<Popup> popup = std::make_shared<Popup>();
    std::vector<PointF> headMoves;
    std::unique_ptr<OutputCommands> out;  // 退一步 and 进一步 of the sheet

    void SetUp() override {
        SheetFixture::SetUp();
        out = std::make_unique<OutputCommands>(*eng);
        MaterialServices s;
        s.popup = [p = popup](const std::string& title, const std::vector<std::string>& items, const std::vector<bool>& on) {
            EXPECT_EQ(title, "stPick+按右键");
            EXPECT_EQ(items, (std::vector<std::string>{"重合", "接合", "速绘", "减点"}));
            p->enabled.push_back(on);
            if (p->answers.empty()) return -1;
            const int a = p->answers.front();
            p->answers.erase(p->answers.begin());
            return a >= 0 && size_t(a) < on.size() && on[size_t(a)] ? a : -1;
        };
        s.moveHead = [this](PointF at) {
            headMoves.push_back(at);
            return true;
        };
        InstallMaterialTools(*eng, std::move(s));
        vs.backShown = true;
    }
    void setItems(ItemList items) {
        sheet().items = std::move(items);
        int32_t next = 1;
        for (auto& it : sheet().items) next = std::max(next, it.pieceId + 1);
        sheet().nextPieceId = next;
        sheet().ring.reset(sheet().state());
    }
    bool picked(size_t i) { return (sheet().items[i].flags & kItemPicked) != 0; }
    void band(PointF from, PointF to, uint32_t mods = 0) {
        leftDown(px(from.x, from.y), mods);
        moveTo(px(to.x, to.y), mods);
        leftUp(px(to.x, to.y), mods);
    }
    void rightClick(PointF at) {
        rightDown(px(at.x, at.y));
        rightUp(px(at.x, at.y));
    }
};

TEST_F(SheetSelectTest, RubberBandHitTestAndTheModesThatTryItFirst) {
    setItems({item(1, kItemOutline, Rect(1000, 1000, 3000, 2000)),
              item(1, kItemInner, {{1500, 1200}, {2500, 1800}}),
              item(2, kItemOutline, {{5000, 1000}, {7000, 1000}, {7000, 3000}, {5000, 1000}}),
              item(3, kItemOutline, Rect(1200, 1300, 1400, 1500), kItemSetAside)});
    const auto before = bytes();
    eng->SetMode(kSelect);
    // Upper left to lower right: a window; only what lies wholly inside, never what is set aside.
    band({900, 2100}, {3100, 900});
    EXPECT_TRUE(picked(0) && picked(1));
    EXPECT_FALSE(picked(2) || picked(3));
    // Dragged leftwards: a crossing band, which clears the picks first; an excluded item keeps
    // its pick.
    sheet().items[1].flags |= kItemExcluded;
    band({7500, 500}, {6000, 2000});
    EXPECT_FALSE(picked(0));
    EXPECT_TRUE(picked(1) && picked(2));
    // Ctrl adds to the picks; a Ctrl click that opens no band toggles the item under it.
    band({900, 2100}, {3100, 900}, kMkCtrl);
    EXPECT_TRUE(picked(0) && picked(2));
    click(px(2000, 1000), kMkCtrl);
    EXPECT_FALSE(picked(0));
    // The right button down as well: the band picks nothing.
    sheet().items[1].flags &= ~kItemExcluded;
    click(px(9000, 6000));
    leftDown(px(900, 2100));
    moveTo(px(3100, 900));
    rightDown(px(3100, 900));
    leftUp(px(3100, 900));
    EXPECT_FALSE(picked(0) || picked(1) || picked(2));
    // A click on nothing beeps when nothing is picked; a click on an item changes no flags.
    platform.tones.clear();
    click(px(9000, 6000));
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    click(px(2000, 1000));
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(sheet().ring.stored(), 1u);
    // ESC in mode 0 clears the picks.
    band({900, 2100}, {3100, 900});
    ASSERT_TRUE(picked(0));
    key(key::Escape);
    EXPECT_EQ(bytes(), before);

    // 删除: the band picks and deletes nothing; the next click deletes the picked piece.
    eng->SetMode(kDelete);
    band({4900, 3100}, {7100, 900});
    ASSERT_EQ(sheet().items.size(), 4u);
    EXPECT_TRUE(picked(2));
    click(px(2000, 1000));  // the clicked piece has no pick: it goes alone
    ASSERT_EQ(sheet().items.size(), 2u);
    EXPECT_EQ(sheet().items[0].pieceId, 2);
    SheetState s;
    ASSERT_TRUE(sheet().ring.undo(s));
    sheet().restore(s);
    const size_t stored = sheet().ring.stored();

    // 移动: the band picks; a Ctrl click toggles and moves nothing; Alt sends the head.
    eng->SetMode(kMove);
    band({900, 2100}, {3100, 900});
    EXPECT_TRUE(picked(0) && picked(1) && !picked(2));
    click(px(6000, 1000), kMkCtrl);
    EXPECT_TRUE(picked(2));
    EXPECT_EQ(sheet().items[2].points[0], (PointF{5000, 1000}));
    click(px(4000, 4000), kMkAlt);
    ASSERT_EQ(headMoves.size(), 1u);
    EXPECT_NEAR(headMoves[0].x, 4000, 10);
    EXPECT_EQ(sheet().ring.stored(), stored);

    // 拷贝 from a press on no piece: a band that picks what it touches, whichever way it goes,
    // but not what is chosen for a job.
    eng->SetMode(kCopy);
    sheet().items[1].flags |= kItemChosen;
    band({2000, 3500}, {6000, 1500});
    EXPECT_TRUE(picked(0) && picked(2));
    EXPECT_FALSE(picked(1));
    EXPECT_EQ(sheet().items.size(), 4u);
    platform.tones.clear();
    click(px(9000, 6000), kMkCtrl);  // Ctrl and no band: a press on nothing clears the picks
    EXPECT_FALSE(picked(0) || picked(2));
    EXPECT_TRUE(platform.tones.empty());
    EXPECT_EQ(sheet().ring.stored(), stored);
}

TEST_F(SheetSelectTest, PopupCoincideJoinQuickDrawAndThin) {
    Polyline arc;
    for (int i = 0; i <= 60; ++i) {
        const double a = 3.14159265 * i / 60;
        arc.push_back({float(5000 + 1500 * std::cos(a)), float(3000 + 1500 * std::sin(a))});
    }
    Polyline straight;
    for (int i = 0; i <= 10; ++i) straight.push_back({float(1000 + 300 * i), 6000});
    setItems({item(1, kItemInner, {{1000, 1000}, {2000, 1000}, {3000, 1000}}),
              item(2, kItemInner, {{3030, 1020}, {4000, 2000}}),
              item(3, kItemInner, arc),
              item(4, kItemInner, straight)});
    eng->SetMode(kSelect);
    const auto before = bytes();

    // An inner vertex: 重合 and 接合 are greyed.
    rightClick({2000, 1000});
    ASSERT_EQ(popup->enabled.size(), 1u);
    EXPECT_EQ(popup->enabled[0], (std::vector<bool>{false, false, true, true}));

    // 重合 at the end: the partner's near end moves onto it.
    popup->answers = {0};
    rightClick({3000, 1000});
    EXPECT_EQ(popup->enabled[1], (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(sheet().items[1].points[0], (PointF{3000, 1000}));
    expectUndoTo(before);

    // 接合: n + m − 1 points, the partner goes.
    popup->answers = {1};
    rightClick({3000, 1000});
    ASSERT_EQ(sheet().items.size(), 3u);
    EXPECT_EQ(sheet().items[0].points, (Polyline{{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 2000}}));
    expectUndoTo(before);
    // No partner within the tolerance: refused, nothing changes.
    platform.tones.clear();
    popup->answers = {1};
    rightClick({1000, 1000});
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    EXPECT_EQ(bytes(), before);

    // 速绘 once: fewer points along the same arc, bit 17; a second time is not offered.
    popup->answers = {2, 2};
    rightClick({3500, 3000});
    const Polyline drawn = sheet().items[2].points;
    EXPECT_TRUE(sheet().items[2].flags & kItemQuickDrawn);
    EXPECT_LT(drawn.size(), arc.size());
    for (PointF q : drawn) EXPECT_NEAR(std::hypot(q.x - 5000.0, q.y - 3000.0), 1500.0, 15.0);
    const size_t stored = sheet().ring.stored();
    rightClick({3500, 3000});
    EXPECT_FALSE(popup->enabled.back()[2]);
    EXPECT_EQ(sheet().items[2].points, drawn);
    EXPECT_EQ(sheet().ring.stored(), stored);
    expectUndoTo(before);

    // 减点: a straight run keeps its ends and no chord longer than 20 mm; one step of undo.
    popup->answers = {3};
    rightClick({1600, 6000});
    EXPECT_EQ(sheet().items[3].points, (Polyline{{1000, 6000}, {2500, 6000}, {4000, 6000}}));
    expectUndoTo(before);
}

TEST_F(SheetSelectTest, CtrlDropPushesThePieceClearOfTheOthers) {
    const Polyline a = Rect(1000, 1000, 3000, 2000), b = Rect(4000, 1000, 6000, 2000);
    setItems({item(1, kItemOutline, a), item(1, kItemInner, {{1500, 1500}, {2500, 1500}}), item(2, kItemOutline, b)});
    eng->SetMode(kMove);
    const auto before = bytes();
    auto drop = [&](PointF from, PointF to, uint32_t mods) {
        click(px(from.x, from.y));
        moveTo(px(to.x, to.y));
        leftDown(px(to.x, to.y), mods);
        leftUp(px(to.x, to.y), mods);
    };
    // Without Ctrl the piece lands on the other.
    drop({2000, 1000}, {4000, 1000}, 0);
    EXPECT_GT(Overlap(sheet().items[0].points, b), 0);
    expectUndoTo(before);
    // With Ctrl it goes back along the drag and stops about 2 mm short; its inner line comes along.
    drop({2000, 1000}, {4000, 1000}, kMkCtrl);
    const Polyline& moved = sheet().items[0].points;
    EXPECT_EQ(Overlap(moved, b), 0);
    const float gap = 4000 - moved[1].x;
    EXPECT_GE(gap, 200);
    EXPECT_LE(gap, 200 + doc.settings.safetyDistance + 10);
    EXPECT_FLOAT_EQ(sheet().items[1].points[0].x - moved[0].x, 500);
    EXPECT_FLOAT_EQ(moved[0].y, 1000);
    expectUndoTo(before);
    // Into free space Ctrl does nothing more than the move.
    drop({2000, 1000}, {2000, 4000}, kMkCtrl);
    EXPECT_EQ(sheet().items[0].points[0], (PointF{1000, 4000}));
    expectUndoTo(before);

    // Two Tab flips show a half turn: in place it is a change of its own, and Ctrl does not push
    // a piece turned that way.
    const size_t at = sheet().ring.position();
    auto flipTwice = [&](PointF from, PointF to, uint32_t mods) {
        click(px(from.x, from.y));
        moveTo(px(to.x, to.y));
        key(key::Tab);
        key(key::Tab);
        leftDown(px(to.x, to.y), mods);
        leftUp(px(to.x, to.y), mods);
    };
    flipTwice({2000, 1000}, {2000, 1000}, 0);
    EXPECT_EQ(sheet().ring.position(), at + 1);
    EXPECT_NEAR(sheet().items[0].points[0].x, 3000, 1);
    EXPECT_NEAR(sheet().items[0].points[2].y, 0, 1);
    expectUndoTo(before);
    flipTwice({2000, 1000}, {4000, 1500}, kMkCtrl);
    EXPECT_NEAR(sheet().items[0].points[0].x, 5000, 1);
    EXPECT_NEAR(sheet().items[0].points[0].y, 1500, 1);
    EXPECT_GT(Overlap(sheet().items[0].points, b), 0);
    expectUndoTo(before);

    // A safety distance of 0 or less still ends, clear of the other outline.
    Shape moving{Rect(3500, 1000, 5500, 2000)};
    for (float safety : {0.0f, -50.0f, 200.0f}) {
        const float d = PushAwayDistance(moving, {Shape{b}}, {1, 0}, safety);
        EXPECT_GT(d, 1500);
        EXPECT_FALSE(OutlinesCross(moving, {-d, 0}, Shape{b}));
        EXPECT_LE(d, 1500 + 200 + std::max(safety, 10.0f) + 1);
    }
    // Over 128 others: every one is taken into account.
    std::vector<Shape> many;
    for (int i = 0; i < 200; ++i) many.push_back({Rect(100.0f + i, 100, 6000.0f + i * 2, 3000)});
    const float d = PushAwayDistance(moving, many, {0, -1}, 200);
    for (const Shape& o : many) EXPECT_FALSE(OutlinesCross(moving, {0, d}, o));
}

TEST_F(SheetSelectTest, VertexKeysSplitAndCleanUp) {
    setItems({item(1, kItemInner, {{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 1000}}),
              item(2, kItemInner, {{1000, 3000}, {2000, 3000}, {3000, 3000}, {4000, 3000}, {5000, 3000}})});
    eng->SetMode(kPointOp);
    const auto before = bytes();
    click(px(2010, 1000));
    ASSERT_EQ(eng->step(), 1);
    key(key::Right);  // onto (3000, 1000)
    key(key::Delete);
    EXPECT_EQ(sheet().items[0].points, (Polyline{{1000, 1000}, {2000, 1000}, {4000, 1000}}));
    expectUndoTo(before);
    // The list changed behind the step: the keys end it instead of editing another item.
    EXPECT_TRUE(key(key::Delete));
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(bytes(), before);

    // 退一步 while a vertex is current ends the step.
    click(px(2010, 1000));
    key(key::Delete);
    ASSERT_TRUE(eng->hooks.backUndo());
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(bytes(), before);

    click(px(2010, 1000));
    key(key::Right);
    key(key::Right);
    key(key::Right);  // stops at the last vertex
    platform.tones.clear();
    key(key::Return);  // an end vertex does not split
    key(key::Delete);  // the last vertex: the current one steps back
    key(key::Delete);
    key(key::Delete);  // two points left
    EXPECT_EQ(platform.tones, (std::vector<int>{80, 80}));
    EXPECT_EQ(sheet().items[0].points, (Polyline{{1000, 1000}, {2000, 1000}}));
    rightClick({9000, 6000});  // a right press ends the step
    EXPECT_EQ(eng->step(), 0);

    // Enter at an inner vertex splits there; the split is one step of undo.
    click(px(3010, 3000));
    const size_t stored = sheet().ring.stored();
    key(key::Return);
    ASSERT_EQ(sheet().items.size(), 3u);
    EXPECT_EQ(sheet().items[1].points, (Polyline{{1000, 3000}, {2000, 3000}, {3000, 3000}}));
    EXPECT_EQ(sheet().items[2].points, (Polyline{{3000, 3000}, {4000, 3000}, {5000, 3000}}));
    EXPECT_EQ(sheet().items[2].flags, sheet().items[1].flags);
    EXPECT_EQ(sheet().items[2].pieceId, 2);
    EXPECT_EQ(sheet().ring.stored(), stored + 1);
    key(key::Escape);

    // Ctrl: the clean-up. Closed items (a hole is one point) go to the end; a chain of open
    // outlines stays; a lone open outline, open inner lines and set-aside items go.
    setItems({item(1, kItemOutline, Rect(0, 0, 1000, 1000)),
              item(2, kItemOutline, {{2000, 0}, {3000, 0}, {3000, 1000}}),
              item(2, kItemOutline, {{3000, 1000}, {2000, 1000}, {2000, 0}}),
              item(3, kItemOutline, {{5000, 0}, {6000, 0}}),
              item(1, kItemInner, {{100, 100}, {900, 900}}),
              item(1, kItemHole, {{500, 500}}),
              item(4, kItemOutline, Rect(7000, 0, 8000, 1000), kItemSetAside)});
    const auto messy = bytes();
    platform.cursors.clear();
    click(px(9000, 6000), kMkCtrl);
    ASSERT_EQ(sheet().items.size(), 4u);
    EXPECT_EQ(sheet().items[0].points[0], (PointF{2000, 0}));
    EXPECT_EQ(sheet().items[1].points[0], (PointF{3000, 1000}));
    EXPECT_EQ(sheet().items[2].points, Rect(0, 0, 1000, 1000));
    EXPECT_EQ(sheet().items[3].kind(), kItemHole);
    EXPECT_NE(std::find(platform.prompts.begin(), platform.prompts.end(), " STEP 1..."), platform.prompts.end());
    ASSERT_FALSE(platform.cursors.empty());
    EXPECT_EQ(platform.cursors.front(), CursorKind::Wait);
    expectUndoTo(messy);
}

TEST_F(SheetSelectTest, RulerPointAndBorderStayOutsideUndo) {
    setItems({item(1, kItemOutline, Rect(1000, 1000, 3000, 2000))});
    SheetSettings& st = sheet().settings();
    eng->SetMode(kSelect);
    const PointF ruler0 = RulerPoint(st);
    click(px(2000, 3000), kMkAlt);  // hidden: nothing
    EXPECT_EQ(RulerPoint(st), ruler0);
    st.words[0] |= kSheetRuler;
    click(px(2000, 3000), kMkAlt);
    EXPECT_EQ(RulerPoint(st), (PointF{2000, 3000}));
    key(key::Left);
    key(key::Up);
    EXPECT_EQ(RulerPoint(st), (PointF{1990, 3010}));
    EXPECT_EQ(platform.status[4], "19.9,30.1");
    doc.settings.centimetreDisplay = 1;
    key(key::Right);
    EXPECT_EQ(platform.status[4], "2.0,3.0");
    click(px(5000, 5000), kMkShift);
    EXPECT_EQ(RulerPoint(st), (PointF{5000, 5000}));

    // The border: drag the top edge down (both points follow), above the custom height (clamped
    // there), ESC puts it back.
    st.words[0] |= kSheetBorder;
    SetBorderPoints(st, Rect(0, 0, 8000, 6000));
    st.setFloat(sheetword::CustomH, 6500);
    leftDown(px(4000, 6000));
    moveTo(px(4000, 5000));
    leftUp(px(4000, 5000));
    EXPECT_EQ(BorderPoints(st), Rect(0, 0, 8000, 5000));
    leftDown(px(4000, 5000));
    moveTo(px(4000, 6900));
    EXPECT_EQ(platform.status[4], "4.0,6.9");  // centimetres
    leftUp(px(4000, 6900));
    EXPECT_EQ(BorderPoints(st), Rect(0, 0, 8000, 6500));
    // The first segment drags the closing point with it.
    leftDown(px(4000, 0));
    moveTo(px(4000, 500));
    EXPECT_EQ(BorderPoints(st).back(), (PointF{0, 500}));
    key(key::Escape);
    EXPECT_EQ(BorderPoints(st), Rect(0, 0, 8000, 6500));
    // Ctrl on a segment of a border of 6 points or more removes it and squares the corner.
    SetBorderPoints(st, {{0, 0}, {8000, 0}, {8000, 3000}, {5000, 3000}, {5000, 6000}, {0, 6000}, {0, 0}});
    click(px(5100, 3000), kMkCtrl);
    EXPECT_EQ(BorderPoints(st), Rect(0, 0, 8000, 6000));
    click(px(4000, 6000), kMkCtrl);  // five points: nothing
    EXPECT_EQ(BorderPoints(st), Rect(0, 0, 8000, 6000));
    EXPECT_EQ(st.words[SheetSettings::kCountWord], 5u);

    EXPECT_EQ(sheet().ring.stored(), 1u);
    EXPECT_EQ(sheet().dirty, 0);
    EXPECT_FALSE(sheet().items[0].flags & kItemPicked);
}

}  // namespace
}  // namespace rz::test
