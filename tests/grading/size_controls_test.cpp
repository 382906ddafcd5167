// The parameter table and the size dialogs' rules, driven as a user would.
#include "fake_platform.h"
#include "grading/param_table.h"
#include "grading/size_dialogs.h"
#include "grading_fixture.h"

namespace rz::test {
namespace {

struct ParamTableTest : ::testing::Test {
    FakePlatform platform;
    TDoc doc{platform};
    TPar par;
    void SetUp() override { par.rebuild(doc); }
    ParamPress press(ParamRegion r, bool shift = false) { return par.press(doc, r, shift); }
    std::string text(ParamRegion neighbourOf) const {
        const auto& c = par.cells();
        for (size_t i = 0; i + 1 < c.size(); ++i)
            if (c[i].region == neighbourOf) return c[i + 1].text;
        return {};
    }
    int lastTone() { return platform.tones.empty() ? 0 : platform.tones.back(); }
};

TEST_F(ParamTableTest, StartsFromTheDefaultRowAndCyclesSystemsAndCategories) {
    const Design& d = doc.design;
    // A new design: 统一 男鞋 with its default row and computed parameters.
    EXPECT_EQ(d.rangeFrom, 240);
    EXPECT_EQ(d.rangeTo, 265);
    EXPECT_EQ(d.baseParams[0], 265.0f);
    EXPECT_EQ(text(ParamRegion::SystemPrev), "统一");
    EXPECT_EQ(text(ParamRegion::BaseDown), "本码250");
    EXPECT_EQ(text(ParamRegion::SizePrev), " 250# ");
    ASSERT_TRUE(press(ParamRegion::SystemPrev).designChanged);  // wraps to 美国, not 日本
    EXPECT_EQ(d.sizeSystem, 4);
    EXPECT_EQ(d.baseSize, 200);
    EXPECT_EQ(text(ParamRegion::BaseDown), "本码  70");  // 200 is the adults' 7
    press(ParamRegion::CategoryNext);  // 男鞋 wraps to 婴儿
    EXPECT_EQ(d.sizeCategory, 0);
    EXPECT_EQ(d.rangeTo, 50);
    EXPECT_EQ(doc.undo.stored(), 2);

    // Refusals: a pattern on the design (80 Hz), per-size arrays or results (500 Hz).
    BasePoint& b = AddBase(doc.design.firstPart(), 0, 0);
    EXPECT_FALSE(press(ParamRegion::SystemNext).designChanged);
    EXPECT_EQ(lastTone(), kToneBack);
    doc.design.n = 3;
    EXPECT_FALSE(press(ParamRegion::CategoryNext).designChanged);
    EXPECT_EQ(lastTone(), kToneRefused);
    EXPECT_FALSE(press(ParamRegion::HalfSize).designChanged);
    EXPECT_EQ(lastTone(), kToneRefused);
    (void)b;
}

TEST_F(ParamTableTest, RangeMovesKeepThirtySizesAndFollowTheRules) {
    Design& d = doc.design;  // 240–265 by 5, base 250
    press(ParamRegion::ToUp);
    EXPECT_EQ(d.rangeTo, 270);
    press(ParamRegion::FromDown, true);  // Shift moves both ends
    EXPECT_EQ(d.rangeFrom, 235);
    EXPECT_EQ(d.rangeTo, 265);
    for (int i = 0; i < 40; ++i) press(ParamRegion::ToUp);
    // Never more than 30 sizes: the other end follows.
    EXPECT_EQ(ComputeSizeCount(d.rangeFrom, d.rangeTo, d.step, d.baseSize).n, 30);
    EXPECT_EQ(d.rangeTo, 465);
    for (int i = 0; i < 200; ++i) press(ParamRegion::ToUp);
    EXPECT_EQ(d.rangeTo, 990);
    EXPECT_EQ(lastTone(), kToneBack);
    for (int i = 0; i < 200; ++i) press(ParamRegion::ToDown);
    EXPECT_EQ(d.rangeTo, d.rangeFrom);  // from never passes to
    // Whole sizes double the steps; half sizes again only while 15 whole sizes or fewer.
    d.rangeFrom = 240, d.rangeTo = 265;
    press(ParamRegion::HalfSize);
    EXPECT_EQ(d.step, 10);
    EXPECT_EQ(d.baseParams[2], 10.0f);
    d.rangeFrom = 100, d.rangeTo = 300;
    EXPECT_FALSE(press(ParamRegion::HalfSize).designChanged);
    EXPECT_EQ(d.step, 10);
    d.rangeFrom = 240, d.rangeTo = 265;
    press(ParamRegion::HalfSize);
    EXPECT_EQ(d.step, 5);
    // Target arrays hold the range and the base.
    d.targets = std::vector<PairF>(6);
    d.n = 6;
    EXPECT_FALSE(press(ParamRegion::FromUp).designChanged);
    EXPECT_EQ(lastTone(), kToneBack);
    platform.answers = {false, true};
    EXPECT_FALSE(press(ParamRegion::BaseUp).designChanged);  // "确认重新计算目标参数吗？" No
    EXPECT_EQ(platform.questions.back(), "确认重新计算目标参数吗？");
    EXPECT_TRUE(press(ParamRegion::BaseUp).designChanged);
    EXPECT_EQ(d.baseSize, 255);
    EXPECT_EQ(d.baseIndex, 3);
    EXPECT_EQ(*d.targets, BuildStepTable(d, MakeSizeList(d)));
}

TEST_F(ParamTableTest, StandardSwitchAsksBeforeReplacingParameters) {
    Design& d = doc.design;
    press(ParamRegion::Standard);
    EXPECT_FALSE(d.flags & kDesignParamsFromSystem);
    d.baseParams = {260.0f, 243.0f, 6.0f, 3.5f};
    d.targets = std::vector<PairF>(6, PairF{6.0f, 3.5f});
    platform.answers = {false};
    press(ParamRegion::Standard);
    EXPECT_EQ(platform.questions.back(), "重新计算本码参数和目标参数吗？");
    EXPECT_FALSE(d.flags & kDesignParamsFromSystem);
    press(ParamRegion::Standard);
    EXPECT_TRUE(d.flags & kDesignParamsFromSystem);
    EXPECT_EQ(d.baseParams[0], 265.0f);
    EXPECT_EQ((*d.targets)[0], (PairF{5.0f, 3.5f}));
    // The margin colour switch and the size shown.
    const bool full = d.flags & kDesignMarginFullColour;
    press(ParamRegion::MarginColour);
    EXPECT_NE(bool(d.flags & kDesignMarginFullColour), full);
    EXPECT_FALSE(press(ParamRegion::SizeNext).redraw);
    EXPECT_EQ(lastTone(), kToneRefused);

    // On the back screen the last row is the back-screen tool's swatch: it steps 2 → 3 → 0 and
    // back with wrap-around, outside undo, and the margin switch is not offered there.
    auto cellOf = [&](ParamRegion r) -> const ParamCell* {
        for (const ParamCell& c : par.cells())
            if (c.region == r) return &c;
        return nullptr;
    };
    EXPECT_EQ(cellOf(ParamRegion::BackTool), nullptr);
    par.rebuild(doc, true);
    ASSERT_NE(cellOf(ParamRegion::BackTool), nullptr);
    EXPECT_EQ(cellOf(ParamRegion::MarginColour), nullptr);
    EXPECT_EQ(cellOf(ParamRegion::BackTool)->text, "笔画");
    const ParamCell swatch = *cellOf(ParamRegion::BackTool);
    EXPECT_EQ(par.regionAt(swatch.x + 2, swatch.y + 2), ParamRegion::BackTool);
    const int undoBefore = doc.undo.stored();
    std::vector<int32_t> seen;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(press(ParamRegion::BackTool).designChanged);
        seen.push_back(doc.settings.word37);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{3, 0, 1, 2}));
    EXPECT_EQ(cellOf(ParamRegion::BackTool)->text, "笔画");
    press(ParamRegion::BackTool, true);
    press(ParamRegion::BackTool, true);
    EXPECT_EQ(doc.settings.word37, 0);
    EXPECT_EQ(cellOf(ParamRegion::BackTool)->text, "全刀");
    EXPECT_EQ(doc.undo.stored(), undoBefore);
}

TEST(CardModel, LocksKeepsShownValuesAndLimitsTheRange) {
    Design d;
    d.flags = kDesignParamsFromSystem;
    d.sizeSystem = 4, d.sizeCategory = 3;
    ApplyDefaultSizeRow(d);
    CardModel m(d);
    EXPECT_EQ(m.params[3].text, "3.17");  // 美国's 3.175
    EXPECT_TRUE(m.paramsReadOnly());
    EXPECT_FALSE(m.locked() || m.systemLocked() || m.rangeLocked());
    ASSERT_TRUE(m.apply(d));
    EXPECT_EQ(d.baseParams[3], 3.175f);  // an untouched field keeps its value
    m.params[0].text = "abc";
    m.apply(d);
    EXPECT_EQ(d.baseParams[0], 0.0f);  // text that does not parse reads as 0
    EXPECT_EQ(d.autoSaveNumber, -1);

    // Half sizes halve the steps; the range keeps 29 sizes at most by moving the other end.
    m.chooseSystem(0);
    EXPECT_EQ(m.base, 250);
    EXPECT_EQ(m.params[0].text, "265.00");
    m.setHalf(false);
    EXPECT_EQ(m.params[2].value, 10.0f);
    m.setHalf(true);
    m.setTo(995);
    EXPECT_EQ(m.sizeCount(), 29);
    EXPECT_EQ(m.to, 995);
    EXPECT_EQ(m.from, 860);
    m.setFrom(999);
    EXPECT_EQ(m.from, 995);
    EXPECT_EQ(m.pressF8(), kToneAccepted);
    EXPECT_EQ(m.from, 240);

    // Per-size arrays and results lock what depends on them.
    d.n = 6;
    d.targets = std::vector<PairF>(6);
    CardModel sized(d);
    EXPECT_TRUE(sized.systemLocked() && sized.rangeLocked() && sized.stepsLocked());
    d.flags |= kDesignGraded;
    CardModel graded(d);
    EXPECT_TRUE(graded.locked());
    EXPECT_EQ(graded.pressF8(), kToneRefused);
    EXPECT_FALSE(graded.apply(d));
}

TEST(TargetModel, StoresOnlyWhatDiffersFromTheSteps) {
    Design d;
    d.flags = kDesignParamsFromSystem;
    d.sizeSystem = 4, d.sizeCategory = 3;
    ApplyDefaultSizeRow(d);  // 180–260 by 5 about 200: 17 sizes
    TargetModel m(d);
    ASSERT_EQ(m.n, 17);
    EXPECT_EQ(m.confirmText(), "创建");
    EXPECT_EQ(m.width(), 110 + 42 * 10);
    EXPECT_EQ(m.height(), 2 * 70 + 80);
    EXPECT_EQ(m.girth[0].text, "3.17");
    EXPECT_FALSE(m.editable(m.baseIndex));
    EXPECT_EQ(m.apply(d), TargetModel::Outcome::Unchanged);
    EXPECT_FALSE(d.targets);

    m.length[1].text = "4.5";
    EXPECT_TRUE(m.bold(1, false));
    EXPECT_FALSE(m.bold(1, true));
    EXPECT_EQ(m.apply(d), TargetModel::Outcome::Stored);
    ASSERT_TRUE(d.targets);
    EXPECT_EQ(d.n, 17);
    EXPECT_EQ((*d.targets)[1], (PairF{4.5f, 3.175f}));
    EXPECT_EQ((*d.targets)[4], (PairF{0.0f, 0.0f}));

    TargetModel again(d);
    EXPECT_EQ(again.confirmText(), "确认");
    again.restore();
    EXPECT_EQ(again.apply(d), TargetModel::Outcome::Removed);
    EXPECT_FALSE(d.targets);

    // One base point's own targets.
    BasePoint& b = AddBase(d.firstPart(), 0, 0);
    TargetModel own(d, &b);
    own.girth[0].text = "9";
    EXPECT_EQ(own.apply(d, &b), TargetModel::Outcome::Stored);
    EXPECT_TRUE(b.targets && !d.targets);
    d.flags |= kDesignGraded;
    EXPECT_EQ(TargetModel(d).apply(d), TargetModel::Outcome::Refused);
}

TEST(StepStandardModel, AppliesForTheSessionAndRestoresTheBuiltInValues) {
    StepStandardModel m;
    EXPECT_EQ(m.fields[9].text, "3.175");
    m.fields[0].text = "6";
    m.apply();
    EXPECT_EQ(StandardBaseParams(0, 3, 25, 250, 5)->lengthStep, 6.0f);
    StepStandardModel back;
    EXPECT_EQ(back.fields[0].text, "6");
    back.restore();
    back.apply();
    EXPECT_EQ(StandardBaseParams(0, 3, 25, 250, 5)->lengthStep, 5.0f);
}

}  // namespace
}  // namespace rz::test
