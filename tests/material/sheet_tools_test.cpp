// Editing the sheet on the back screen with scripted events: delete, set aside, into the corner,
// the Delete key, move, rotate, copy and the output attribute; each change is one snapshot that undo
// takes back to the bytes before it.
#include <gtest/gtest.h>

#include "sheet_fixture.h"
#include "interact/scene.h"
#include "material/back_tools.h"
#include "output/cutfile.h"
#include "output/sheet.h"

namespace rz::test {
namespace {

constexpr int kMove = 20, kRotate = 21, kCopy = 22, kDelete = 23, kAttribute = 30;

struct SheetToolsTest : SheetFixture {
    void SetUp() override {
        SheetFixture::SetUp();
        InstallMaterialTools(*eng);
        vs.backShown = true;
        sheet().items = {item(1, kItemOutline, {{1000, 1000}, {3000, 1000}, {3000, 2000}, {1000, 2000}, {1000, 1000}}),
                         item(1, kItemInner, {{1500, 1200}, {2500, 1800}}),
                         item(2, kItemOutline, {{5000, 1000}, {7000, 1000}, {7000, 3000}, {5000, 1000}})};
        sheet().nextPieceId = 3;
        sheet().ring.reset(sheet().state());
    }
    void pick(int32_t id) {
        for (PlotItem& it : sheet().items)
            if (it.pieceId == id) it.flags |= kItemPicked;
    }
};

TEST_F(SheetToolsTest, DeleteSetAsideCornerAndTheDeleteKey) {
    eng->SetMode(kDelete);
    click(px(9000, 6000));  // nothing, nothing picked
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    auto before = bytes();
    click(px(2000, 1000), kMkShift);  // one polyline only
    ASSERT_EQ(sheet().items.size(), 2u);
    EXPECT_EQ(sheet().dirty, 1);
    expectUndoTo(before);
    click(px(2000, 1000));  // the whole piece
    ASSERT_EQ(sheet().items.size(), 1u);
    EXPECT_EQ(sheet().items[0].pieceId, 2);
    expectUndoTo(before);

    // Space: picked pieces are set aside; with none picked they all come back.
    pick(1);
    key(key::Space);
    EXPECT_TRUE(sheet().items[0].flags & kItemSetAside);
    EXPECT_FALSE(sheet().items[0].flags & kItemPicked);
    EXPECT_FALSE(sheet().items[2].flags & kItemSetAside);
    key(key::Space);
    EXPECT_EQ(bytes(), before);

    // Backspace: into the corner, once.
    pick(2);
    const size_t stored = sheet().ring.stored();
    key(key::Backspace);
    EXPECT_EQ(sheet().items[2].points[0], (PointF{100, 100}));
    EXPECT_EQ(sheet().items[0].points[0], (PointF{1000, 1000}));
    key(key::Backspace);
    EXPECT_EQ(sheet().ring.stored(), stored + 1);

    // Delete: every piece with a picked item.
    key(key::Delete);
    ASSERT_EQ(sheet().items.size(), 2u);
    EXPECT_EQ(sheet().items[0].pieceId, 1);
}

TEST_F(SheetToolsTest, MoveCopyAndOutputAttribute) {
    eng->SetMode(kMove);
    auto before = bytes();
    click(px(2000, 1000), kMkCtrl);  // Ctrl toggles the pick and moves nothing
    EXPECT_TRUE(sheet().items[0].flags & kItemPicked);
    EXPECT_EQ(sheet().items[0].points[0], (PointF{1000, 1000}));
    sheet().items[0].flags &= ~kItemPicked;

    leftDown(px(2000, 1000));
    leftUp(px(2000, 1000));
    moveTo(px(2500, 4000));
    leftDown(px(2500, 4000));  // a press accepts the drop
    leftUp(px(2500, 4000));
    EXPECT_NEAR(sheet().items[0].points[0].x, 1500, 1);
    EXPECT_NEAR(sheet().items[1].points[0].y, 4200, 1);
    EXPECT_EQ(sheet().items[2].points[0], (PointF{5000, 1000}));
    expectUndoTo(before);

    eng->SetMode(kCopy);
    leftDown(px(6000, 1000));
    leftUp(px(6000, 1000));
    moveTo(px(6000, 5000));
    leftDown(px(6000, 5000));
    leftUp(px(6000, 5000));
    ASSERT_EQ(sheet().items.size(), 4u);
    EXPECT_EQ(sheet().items[3].pieceId, 3);
    EXPECT_TRUE(sheet().items[3].flags & kItemPicked);
    EXPECT_FALSE(sheet().items[2].flags & kItemPicked);
    EXPECT_NEAR(sheet().items[3].points[0].y, 5000, 1);
    EXPECT_EQ(sheet().nextPieceId, 4);
    expectUndoTo(before);
    // In 拷贝 and 旋转 as in 移动, Ctrl on a piece toggles the pick of that item and acts on nothing.
    const size_t at = sheet().ring.position();
    for (int mode : {kCopy, kRotate}) {
        eng->SetMode(mode);
        click(px(6000, 1000), kMkCtrl);
        EXPECT_TRUE(sheet().items[2].flags & kItemPicked) << mode;
        click(px(6000, 1000), kMkCtrl);
        EXPECT_EQ(bytes(), before) << mode;
        EXPECT_EQ(eng->capture(), Engine::CaptureKind::None) << mode;
    }
    EXPECT_EQ(sheet().ring.position(), at);

    // 旋转 follows the pointer about the middle of the piece's box: a quarter turn here.
    eng->SetMode(kRotate);
    leftDown(px(6000, 1000));
    leftUp(px(6000, 1000));
    moveTo(px(7000, 2000));
    leftDown(px(7000, 2000));
    leftUp(px(7000, 2000));
    EXPECT_NEAR(sheet().items[2].points[0].x, 7000, 1);
    EXPECT_NEAR(sheet().items[2].points[0].y, 1000, 1);
    expectUndoTo(before);
    // Numeric + with the pointer on the centre has no angle to turn by; ESC leaves all as it was.
    platform.tones.clear();
    leftDown(px(6000, 1000));
    leftUp(px(6000, 1000));
    moveTo(px(6000, 2000));
    key(key::Plus, kMkKeypad);
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    key(key::Escape);
    EXPECT_EQ(bytes(), before);

    // 输出属性: 笔画 (index 3) on the clicked item, with the pen of that tool.
    eng->SetMode(kAttribute);
    std::vector<size_t> lit;
    platform.onDialog = [&](const std::string&) { lit = HighlightedPolylines(*eng); };
    platform.dialogValues.push_back({3});
    click(px(1500, 1200));
    EXPECT_EQ(lit, std::vector<size_t>{2});  // the clicked inner line, shown while the dialog is open
    EXPECT_TRUE(HighlightedPolylines(*eng).empty());
    EXPECT_EQ(platform.dialogTitles.back(), "输出属性");
    EXPECT_EQ(sheet().items[1].tool(), kToolPen);
    EXPECT_EQ(sheet().items[1].pen(), PenSlot(sheet().settings(), kToolPen));
    EXPECT_EQ(sheet().items[0].tool(), kToolFullCut);
    expectUndoTo(before);
    // A tool from a file that the list has no entry for: nothing is chosen, nothing changes.
    sheet().items[1].setTool(9);
    const auto odd = bytes();
    const size_t stored = sheet().ring.stored();
    platform.dialogValues.push_back({-1});
    click(px(1500, 1200));
    EXPECT_EQ(platform.formFields.back()[0].value, -1);
    EXPECT_EQ(bytes(), odd);
    EXPECT_EQ(sheet().ring.stored(), stored);
    // A picked item is drawn as a pick already: no second highlight.
    sheet().items[1].flags |= kItemPicked;
    platform.dialogValues.push_back({});
    click(px(1500, 1200));
    EXPECT_TRUE(lit.empty());
}

}  // namespace
}  // namespace rz::test
