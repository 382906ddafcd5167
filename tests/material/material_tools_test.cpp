// The back screen's material tools driven by scripted events: the 排刀 editor (cancel, handles,
// modes, preview, accept, restart, turn), 算料 with its result on the other sheet, 测量 and the
// consumption table.
#include <gtest/gtest.h>

#include "sheet_fixture.h"
#include "interact/scene.h"
#include "material/back_tools.h"
#include "material/calc.h"
#include "output/cutfile.h"
#include "output/material_record.h"
#include "output/sheet.h"
#include "output/sheet_commands.h"

namespace rz::test {
namespace {

constexpr int kNest = 174, kMaterial = 173, kMeasure = 31, kDelete = 23;

struct MaterialToolsTest : EngineTest {
    void SetUp() override {
        EngineTest::SetUp();
        InstallMaterialTools(*eng);
        vs.backShown = true;
        SheetSettings& s = sheet().settings();
        SetSheetInt(s, sheetword::Device, kCustomDeviceRow);
        s.setFloat(sheetword::CustomW, 60000);
        s.setFloat(sheetword::CustomH, 40000);
        sheet().items = {outline(1, {{1000, 1000}, {11000, 1000}, {11000, 6000}, {1000, 6000}, {1000, 1000}}),
                         outline(2, {{20000, 1000}, {30000, 1000}, {25000, 6000}, {20000, 6000}, {20000, 1000}})};
        sheet().pushLayout();
    }
    void TearDown() override { doc.sheets = {}; }
    PLTC& sheet(int i = 0) { return SheetOf(doc, i); }
    static PlotItem outline(int32_t id, Polyline pts) {
        PlotItem it;
        it.points = std::move(pts);
        it.pieceId = id;
        it.setKind(kItemOutline);
        it.setTool(kToolFullCut);
        it.setPieceCount(2);
        return it;
    }
    std::vector<uint8_t> bytes() { return WriteCutFile(sheet().items, sheet().material); }
    MaterialFields record(int32_t id) { return DecodeMaterial(*FindMaterial(sheet().material, id)); }
};

TEST_F(MaterialToolsTest, NestEditorCancelsAcceptsAndRestarts) {
    eng->SetMode(kNest);
    const auto before = bytes();
    click(px(5000, 5000));  // inside, on nothing
    EXPECT_EQ(eng->step(), 0);
    click(px(1000, 3000));  // the rectangle's left edge
    ASSERT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back().rfind("按空格键预览...", 0), 0u) << platform.prompts.back();
    key(key::Escape);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(bytes(), before);

    click(px(1000, 3000));
    platform.tones.clear();
    key(key::Right);  // the rotation handle takes no arrows
    EXPECT_EQ(platform.tones, std::vector<int>{500});
    key(key::Tab);
    key(key::Tab);  // the row handle
    key(key::Left, 0);  // left of its anchor: clamped
    EXPECT_EQ(platform.tones.back(), 80);
    key('2');
    key(key::Space);
    EXPECT_EQ(platform.prompts.back().rfind("片数:", 0), 0u) << platform.prompts.back();
    key(key::Return);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_EQ(sheet().material.size(), 1u);
    MaterialFields f = record(1);
    EXPECT_EQ(f.mode(), 2);
    EXPECT_EQ(f.W, 60000);
    EXPECT_GT(f.usage, 0);
    EXPECT_GT(f.rows, 0);
    EXPECT_EQ(sheet().items[0].points[0], (PointF{1000, 1000}));  // not turned

    // Ctrl restarts from fresh handles; accepting before a preview stores no usage, in place.
    sheet().material.insert(sheet().material.begin(), EncodeMaterial([] {
        MaterialFields other;
        other.pieceId = 9;
        return other;
    }()));
    click(px(1000, 3000), kMkCtrl);
    ASSERT_EQ(eng->step(), 1);
    key(key::Return);
    ASSERT_EQ(sheet().material.size(), 2u);
    EXPECT_EQ(DecodeMaterial(sheet().material[1]).pieceId, 1);
    EXPECT_EQ(record(1).mode(), 1);
    EXPECT_EQ(record(1).usage, 0);

    // A turned accept turns the piece on the sheet, as one change undo takes back.
    const size_t stored = sheet().ring.stored();
    click(px(1000, 3000));
    key(key::Left, kMkCtrl);
    key(key::Left, kMkCtrl);
    key(key::Return);
    EXPECT_NE(sheet().items[0].points[0], (PointF{1000, 1000}));
    EXPECT_EQ(sheet().items[1].points[0], (PointF{20000, 1000}));
    EXPECT_EQ(sheet().ring.stored(), stored + 1);
    SheetState back;
    ASSERT_TRUE(sheet().ring.undo(back));
    EXPECT_EQ(back.items[0].points[0], (PointF{1000, 1000}));
}

TEST_F(MaterialToolsTest, MaterialClickWritesTheOtherSheetAndTotals) {
    eng->SetMode(kMaterial);
    click(px(1000, 3000));  // no record yet: nothing
    EXPECT_TRUE(platform.notices.empty());
    EXPECT_TRUE(sheet(1).items.empty());

    eng->SetMode(kNest);
    click(px(1000, 3000));
    key(key::Return);  // usage 0 until 算料
    eng->SetMode(kMaterial);
    sheet(1).items = {outline(1, {{0, 0}, {100, 0}, {100, 100}, {0, 0}})};
    sheet(1).nextPieceId = 2;
    click(px(1000, 3000));
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes.back().caption, "算料结果");
    EXPECT_EQ(platform.boxes.back().text.rfind("规格：0.60 x 0.40(平米)\n每双总用量：", 0), 0u);
    EXPECT_GT(record(1).usage, 0);
    const size_t resultItems = sheet(1).items.size(), snapshots = sheet(1).ring.stored();
    EXPECT_GT(resultItems, 10u);
    for (size_t i = 1; i < resultItems; ++i) EXPECT_TRUE(sheet(1).items[i].flags & kItemResult);
    click(px(1000, 3000));  // a second result replaces the first
    EXPECT_EQ(sheet(1).items.size(), resultItems);
    EXPECT_EQ(sheet(1).items[0].pieceId, 1);
    EXPECT_EQ(sheet(1).ring.stored(), snapshots + 1);  // one change, one snapshot

    // Beside the pieces: nothing while the trapezoid has no record, then the total.
    platform.boxes.clear();
    click(px(40000, 20000));
    EXPECT_TRUE(platform.boxes.empty());
    eng->SetMode(kNest);
    click(px(20000, 3000));
    key(key::Return);
    eng->SetMode(kMaterial);
    click(px(20000, 3000));
    platform.boxes.clear();
    click(px(40000, 20000));
    ASSERT_EQ(platform.boxes.size(), 1u);
    const double total = 2 * record(1).usage + 2 * record(2).usage;
    EXPECT_EQ(platform.boxes[0].text, ResultMessage(60000, 40000, total));
}

TEST_F(MaterialToolsTest, MeasureAndConsumptionTable) {
    eng->SetMode(kMeasure);
    // While the figures are shown the piece is highlighted; afterwards nothing is.
    std::vector<size_t> litPoints;
    platform.onNotice = [&](const std::string&) { litPoints = HighlightedPolylines(*eng); };
    click(px(1000, 3000));
    EXPECT_EQ(litPoints, std::vector<size_t>{5});
    EXPECT_TRUE(HighlightedPolylines(*eng).empty());
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].caption, "测量结果");
    EXPECT_EQ(platform.boxes[0].text.rfind("净耗料：", 0), 0u) << platform.boxes[0].text;
    EXPECT_NE(platform.boxes[0].text.find("片数：2"), std::string::npos);
    click(px(40000, 30000));
    EXPECT_TRUE(litPoints.empty());  // the whole sheet: no piece is highlighted
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(platform.boxes[1].text.rfind("总净耗料：", 0), 0u);
    EXPECT_NE(platform.boxes[1].text.find("总片数2\n规格60.00 x 40.00(厘米)"), std::string::npos) << platform.boxes[1].text;
    // A drag measures a line and reports nothing.
    leftDown(px(1000, 3000));
    moveTo(px(5000, 3000));
    leftUp(px(5000, 3000));
    EXPECT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(sheet().items.size(), 2u);

    // Ten pieces: the total row starts a second page.
    for (int i = 3; i <= 10; ++i)
        sheet().items.push_back(outline(i, {{0, 0}, {500, 0}, {500, 500}, {0, 500}, {0, 0}}));
    sheet().nextPieceId = 11;
    RunMaterialReport(*eng, nullptr);
    int frames = 0, rules = 0, shapes = 0;
    for (const PlotItem& it : sheet().items) {
        if (!(it.flags & kItemResult)) continue;
        if (it.kind() == kItemOutline) ++frames;
        else if (it.points.size() == 2) ++rules;
        else ++shapes;
    }
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(rules, 20);
    EXPECT_EQ(shapes, 10);
    EXPECT_EQ(sheet().nextPieceId, 13);
    EXPECT_EQ(sheet().dirty, 1);
}

// The records 排刀 and 算料 write go back and forth with the layout: after undo the sheet holds
// what it held then, with its dirty flag, so closing still asks about unsaved work.
TEST_F(MaterialToolsTest, RecordsFollowUndoAndRedo) {
    OutputCommands out(*eng);  // 退一步 and 进一步 of the sheet
    const auto loaded = bytes();
    // A turned accept is one change: undo takes back the turn and the new record together.
    eng->SetMode(kNest);
    click(px(1000, 3000));
    key(key::Left, kMkCtrl);
    key(key::Return);
    ASSERT_EQ(sheet().material.size(), 1u);
    const auto turned = bytes();
    ASSERT_TRUE(eng->hooks.backUndo());
    EXPECT_EQ(bytes(), loaded);
    EXPECT_EQ(sheet().dirty, 0);
    ASSERT_TRUE(eng->hooks.backRedo());
    EXPECT_EQ(bytes(), turned);
    EXPECT_EQ(sheet().dirty, 1);
    ASSERT_TRUE(eng->hooks.backUndo());

    // An untouched accept after a delete: each undo gives back the bytes and the dirty flag of
    // the step before.
    eng->SetMode(kDelete);
    click(px(25000, 1000));  // the trapezoid's bottom edge
    ASSERT_EQ(sheet().items.size(), 1u);
    const auto deleted = bytes();
    eng->SetMode(kNest);
    click(px(1000, 3000));
    key(key::Return);
    ASSERT_EQ(sheet().material.size(), 1u);
    const auto nested = bytes();
    ASSERT_TRUE(eng->hooks.backUndo());
    EXPECT_EQ(bytes(), deleted);
    EXPECT_EQ(sheet().dirty, 1);
    ASSERT_TRUE(eng->hooks.backUndo());
    EXPECT_EQ(bytes(), loaded);
    EXPECT_EQ(sheet().dirty, 0);
    ASSERT_TRUE(eng->hooks.backRedo());
    ASSERT_TRUE(eng->hooks.backRedo());
    EXPECT_EQ(bytes(), nested);
    EXPECT_EQ(sheet().dirty, 1);

    // 算料's usage is a change of its own; a second click changes nothing and stores nothing.
    eng->SetMode(kMaterial);
    click(px(1000, 3000));
    ASSERT_GT(record(1).usage, 0);
    const auto used = bytes();
    const size_t stored = sheet().ring.stored();
    click(px(1000, 3000));
    EXPECT_EQ(sheet().ring.stored(), stored);
    ASSERT_TRUE(eng->hooks.backUndo());
    EXPECT_EQ(bytes(), nested);
    EXPECT_EQ(record(1).usage, 0);
    ASSERT_TRUE(eng->hooks.backRedo());
    EXPECT_EQ(bytes(), used);
}

}  // namespace
}  // namespace rz::test
