// Drawing on the sheet of the back screen with scripted events: 矩形 and 圆 (by the pointer and
// typed), traced lines, 槽线 and 叠板. Each shape is one new item and one snapshot that undo takes
// back to the bytes before it; 叠板's outline is checked against GEOS's union.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../design/geos_oracle.h"
#include "commands/draw_common.h"
#include "geom/polyline.h"
#include "interact/scene.h"
#include "material/back_tools.h"
#include "output/cutfile.h"
#include "output/sheet.h"
#include "output/sheet_stack.h"
#include "sheet_fixture.h"

namespace rz::test {
namespace {

constexpr int kTrace = 1, kCircle = 7, kRectangle = 9, kSlot = 142, kMerge = 164;

Polyline Rect(float x0, float y0, float x1, float y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}; }

struct SheetDrawTest : SheetFixture {
    void SetUp() override {
        SheetFixture::SetUp();
        InstallMaterialTools(*eng);
        vs.backShown = true;
        doc.settings.word37 = 0;  // full cut
        sheet().items = {SheetFixture::item(1, kItemOutline, Rect(1000, 1000, 3000, 2000))};
        sheet().nextPieceId = 5;
        sheet().ring.reset(sheet().state());
    }
};

TEST_F(SheetDrawTest, RectangleAndCircleAreNewPiecesOfOneSnapshotEach) {
    const auto before = bytes();
    const size_t stored = sheet().ring.stored();
    eng->SetMode(kRectangle);
    click(px(5000, 1000));
    EXPECT_EQ(platform.prompts.back(), " 请选择矩形的长与宽！");
    moveTo(px(7000, 2500));
    click(px(7000, 2500));
    ASSERT_EQ(sheet().items.size(), 2u);
    const PlotItem& r = sheet().items[1];
    EXPECT_EQ(r.points, Rect(5000, 1000, 7000, 2500));
    EXPECT_EQ(r.kind(), kItemOutline);
    EXPECT_EQ(r.tool(), kToolFullCut);
    EXPECT_EQ(r.pen(), PenSlot(sheet().settings(), kToolFullCut));
    EXPECT_EQ(r.pieceId, 5);
    EXPECT_EQ(sheet().nextPieceId, 6);
    EXPECT_EQ(sheet().dirty, 1);
    EXPECT_EQ(sheet().ring.stored(), stored + 1);
    EXPECT_NE(platform.prompts.back(), " 请选择矩形的长与宽！");
    expectUndoTo(before);

    // ESC, and a right click that pans nothing, end without a shape.
    click(px(5000, 1000));
    moveTo(px(6000, 2000));
    key(key::Escape);
    click(px(5000, 1000));
    moveTo(px(6000, 2000));
    rightDown(px(6000, 2000));
    rightUp(px(6000, 2000));
    moveTo(px(6500, 2500));
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);

    // Space: 长度 and 宽度 typed (mm), a corner at the cursor.
    doc.settings.word37 = 2;  // pen
    platform.dialogValues.push_back({40, 15, 0});
    click(px(5000, 1000));
    moveTo(px(6000, 2000));
    key(key::Space);
    EXPECT_EQ(platform.dialogTitles.back(), "输入长宽");
    ASSERT_EQ(sheet().items.size(), 2u);
    EXPECT_EQ(sheet().items[1].points, Rect(6000, 2000, 10000, 3500));
    EXPECT_EQ(sheet().items[1].tool(), kToolPen);

    // 圆 typed as a diameter around the press, pen slot 0; by the pointer: twice the distance.
    eng->SetMode(kCircle);
    platform.dialogValues.push_back({30});
    click(px(3000, 5000));
    EXPECT_EQ(platform.prompts.back(), " 请选择圆的直径！");
    moveTo(px(3500, 5000));
    key(key::Space);
    EXPECT_EQ(platform.dialogTitles.back(), "输入距离");
    EXPECT_NEAR(platform.dialogFields.back()[0].value, 10.0, 1e-6);  // prefilled: the current diameter
    ASSERT_EQ(sheet().items.size(), 3u);
    const PlotItem& c = sheet().items[2];
    EXPECT_EQ(c.pen(), 0);
    EXPECT_EQ(c.pieceId, 6);
    for (PointF q : c.points) EXPECT_NEAR(std::hypot(q.x - 3000, q.y - 5000), 1500, 1);
    EXPECT_EQ(c.points.front(), c.points.back());
    click(px(3000, 5000));
    click(px(3000, 5400));
    ASSERT_EQ(sheet().items.size(), 4u);
    for (PointF q : sheet().items[3].points) EXPECT_NEAR(std::hypot(q.x - 3000, q.y - 5000), 400, 1);
}

TEST_F(SheetDrawTest, TracedLineAndSlotLine) {
    const auto before = bytes();
    eng->Command(32865);  // 直线
    ASSERT_EQ(eng->mode(), kTrace);
    ASSERT_EQ(eng->inputKind(), kInputStraight);
    click(px(5000, 1000));
    click(px(7000, 1000), kMkCtrl);
    click(px(7000, 3000));
    EXPECT_EQ(sheet().items.size(), 1u);  // nothing until the line is finished
    rightDown(px(7000, 3000), kMkAlt);    // Alt closes it
    ASSERT_EQ(sheet().items.size(), 2u);
    const PlotItem& t = sheet().items[1];
    EXPECT_EQ(t.points, (Polyline{{5000, 1000}, {7000, 1000}, {7000, 3000}, {5000, 1000}}));
    EXPECT_EQ(t.kind(), kItemOutline);
    EXPECT_EQ(t.pieceId, 5);
    EXPECT_TRUE(eng->traced.empty());
    expectUndoTo(before);
    // Shift ends a line and starts the next at its last node.
    click(px(5000, 1000));
    click(px(6000, 1000), kMkShift);
    click(px(6000, 2000));
    rightDown(px(6000, 2000));
    rightUp(px(6000, 2000));
    ASSERT_EQ(sheet().items.size(), 3u);
    EXPECT_EQ(sheet().items[1].points, (Polyline{{5000, 1000}, {6000, 1000}}));
    EXPECT_EQ(sheet().items[2].points, (Polyline{{6000, 1000}, {6000, 2000}}));
    EXPECT_EQ(sheet().items[2].pieceId, 6);
    sheet().items.resize(1);

    // 槽线 along the bottom edge of piece 1, the pointer above it (inside): the slot joins piece 1.
    eng->SetMode(kSlot);
    const auto two = bytes();
    sheet().ring.push(sheet().state());
    click(px(1500, 1000));
    moveTo(px(2500, 1200));
    click(px(2500, 1200));
    ASSERT_EQ(sheet().items.size(), 2u);
    const PlotItem& s = sheet().items[1];
    EXPECT_EQ(s.kind(), kItemSlot);
    EXPECT_EQ(s.pieceId, 1);
    EXPECT_EQ(s.pen(), PenSlot(sheet().settings(), kToolFullCut));
    float y0 = 1e9f, y1 = -1e9f, x0 = 1e9f, x1 = -1e9f;
    for (PointF q : s.points) y0 = std::min(y0, q.y), y1 = std::max(y1, q.y), x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
    EXPECT_NEAR(x0, 1500, 1);
    EXPECT_NEAR(x1, 2500, 1);
    EXPECT_NEAR(y0, 1000, 1);  // one-sided, inside the outline
    EXPECT_GT(y1, 1000 + doc.settings.slotDepth - 1);
    expectUndoTo(two);
    // Under 1.2 mm of the line: nothing.
    click(px(1500, 1000));
    click(px(1600, 1000));
    EXPECT_EQ(bytes(), two);
    // A press on nothing, or on a slot, starts nothing.
    click(px(9000, 6000));
    EXPECT_EQ(eng->capture(), Engine::CaptureKind::None);
}

// Signed: counter-clockwise loops count positive.
double Shoelace(const Polyline& p) {
    double a = 0;
    for (size_t i = 1; i < p.size(); ++i) a += double(p[i - 1].x) * p[i].y - double(p[i].x) * p[i - 1].y;
    return a / 2;
}

// The union's area by GEOS: every outline of `ids` united.
double GeosUnionArea(const ItemList& items) {
    Geos g;
    Geos::Geom u;
    for (const PlotItem& it : items) {
        if (it.kind() != kItemOutline) continue;
        Geos::Geom p = g.polygon(it.points);
        u = u ? g.unite(u, p) : std::move(p);
    }
    return u ? g.area(u) : 0.0;
}
// The merged piece's area: its outline less its inner loops.
double MergedArea(const ItemList& items, int32_t id) {
    double a = 0;
    for (const PlotItem& it : items)
        if (it.pieceId == id) {
            if (it.kind() == kItemOutline) a += std::fabs(Shoelace(it.points));
            else if (it.kind() == kItemInner) a -= std::fabs(Shoelace(it.points));
        }
    return a;
}

TEST_F(SheetDrawTest, MergeMatchesTheUnionAndRefusesWithoutTwoPickedPieces) {
    // A frame of four bars around a hole, one bar running clockwise, and a pin of piece 2.
    sheet().items = {SheetFixture::item(1, kItemOutline, Rect(1000, 1000, 5000, 1500), kItemPicked),
                     SheetFixture::item(2, kItemOutline, Rect(4500, 1000, 5000, 4000), kItemPicked),
                     SheetFixture::item(2, kItemHole, {{4700, 2000}}, kItemPicked),
                     SheetFixture::item(3, kItemOutline, {{1000, 4000}, {5000, 4000}, {5000, 3500}, {1000, 3500}, {1000, 4000}}, kItemPicked),
                     SheetFixture::item(4, kItemOutline, Rect(1000, 1000, 1500, 4000), kItemPicked),
                     SheetFixture::item(9, kItemOutline, Rect(7000, 1000, 8000, 2000))};
    sheet().ring.reset(sheet().state());
    const double want = GeosUnionArea(ItemList(sheet().items.begin(), sheet().items.end() - 1));
    const auto before = bytes();
    eng->SetMode(kMerge);
    click(px(7500, 1000));  // an unpicked piece: refused
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    EXPECT_EQ(bytes(), before);
    click(px(3000, 1000));
    ASSERT_EQ(sheet().items.size(), 4u);
    // The other items keep their place and take the clicked id; the outline, then the hole.
    EXPECT_EQ(sheet().items[0].kind(), kItemHole);
    EXPECT_EQ(sheet().items[0].pieceId, 1);
    EXPECT_EQ(sheet().items[1].pieceId, 9);
    EXPECT_EQ(sheet().items[2].kind(), kItemOutline);
    EXPECT_EQ(sheet().items[3].kind(), kItemInner);
    EXPECT_EQ(sheet().items[2].tool(), kToolFullCut);
    EXPECT_FALSE(sheet().items[2].flags & kItemPicked);
    EXPECT_NEAR(MergedArea(sheet().items, 1), want, 1.0);
    EXPECT_NEAR(want, 4000.0 * 3000 - 3000.0 * 2000, 1.0);
    EXPECT_EQ(sheet().dirty, 1);
    expectUndoTo(before);

    // One piece picked: refused, nothing changes.
    for (PlotItem& it : sheet().items) it.flags &= ~kItemPicked;
    sheet().items[0].flags |= kItemPicked;
    const auto one = bytes();
    platform.tones.clear();
    click(px(3000, 1000));
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    EXPECT_EQ(bytes(), one);

    // Outlines that enclose nothing give no loop: refused before anything is touched.
    sheet().items = {SheetFixture::item(1, kItemOutline, {{1000, 1000}, {3000, 1000}, {1000, 1000}}, kItemPicked),
                     SheetFixture::item(2, kItemOutline, {{2000, 1000}, {2000, 3000}}, kItemPicked)};
    const auto flat = bytes();
    platform.tones.clear();
    click(px(2000, 1000));
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    EXPECT_EQ(bytes(), flat);

    // The band passes over pieces set aside or left out of the job, and the merged outline
    // carries none of those states, even from a piece picked while set aside.
    constexpr uint32_t kStates = kItemExcluded | kItemSetAside | kItemChosen | kItemPicked;
    sheet().items = {SheetFixture::item(1, kItemOutline, Rect(1000, 1000, 3000, 2000)),
                     SheetFixture::item(2, kItemOutline, Rect(2500, 1000, 4000, 2000)),
                     SheetFixture::item(3, kItemOutline, Rect(3500, 1500, 4500, 2500), kItemSetAside),
                     SheetFixture::item(4, kItemOutline, Rect(1500, 1500, 2000, 2500), kItemExcluded)};
    leftDown(px(800, 2800));
    moveTo(px(4700, 800));
    leftUp(px(4700, 800));
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ((sheet().items[i].flags & kItemPicked) != 0, i < 2) << i;
    click(px(2000, 1000));
    ASSERT_EQ(sheet().items.size(), 3u);
    EXPECT_EQ(sheet().items[0].flags & kStates, kItemSetAside);
    EXPECT_EQ(sheet().items[1].flags & kStates, kItemExcluded);
    EXPECT_EQ(sheet().items[2].flags & kStates, 0u);
    EXPECT_NEAR(MergedArea(sheet().items, 1), 3000.0 * 1000, 1.0);
    sheet().items = {SheetFixture::item(1, kItemOutline, Rect(1000, 1000, 3000, 2000), kItemPicked),
                     SheetFixture::item(2, kItemOutline, Rect(2500, 1000, 4000, 2000), kItemPicked | kItemSetAside)};
    click(px(2000, 1000));
    ASSERT_EQ(sheet().items.size(), 1u);
    EXPECT_EQ(sheet().items[0].flags & kStates, 0u);
}

// Seeded overlapping outlines, concave ones among them: the merged area is GEOS's union area.
TEST(SheetStack, SeededMergesMatchGeos) {
    std::mt19937 rng(19);
    std::uniform_real_distribution<float> at(0, 6000), size(500, 3000);
    for (int round = 0; round < 40; ++round) {
        ItemList items;
        const int n = 2 + round % 4;
        for (int k = 0; k < n; ++k) {
            const float x = at(rng), y = at(rng), w = size(rng), h = size(rng);
            Polyline p = k % 2 ? Polyline{{x, y}, {x + w, y}, {x + w, y + h / 3}, {x + w / 3, y + h / 3}, {x + w / 3, y + h}, {x, y + h}, {x, y}}
                               : Rect(x, y, x + w, y + h);
            if (round % 3 == 0) std::reverse(p.begin(), p.end());
            items.push_back(SheetFixture::item(k + 1, kItemOutline, std::move(p), kItemPicked));
        }
        const double want = GeosUnionArea(items);
        ASSERT_TRUE(MergePickedPieces(items, 1));
        // Islands apart from the outer loop stay as inner lines and run the other way from holes:
        // the signed areas of all loops add up to the union.
        double signedSum = 0;
        int outlines = 0;
        for (const PlotItem& it : items) signedSum += Shoelace(it.points), outlines += it.kind() == kItemOutline;
        // Crossings are rounded to 0.0001 units and stored as floats.
        EXPECT_NEAR(signedSum, want, std::max(2.0, want * 1e-5)) << "round " << round;
        EXPECT_EQ(outlines, 1);
        for (const PlotItem& it : items) {
            EXPECT_EQ(it.pieceId, 1);
            EXPECT_EQ(it.points.front(), it.points.back());
        }
    }
}

}  // namespace
}  // namespace rz::test
