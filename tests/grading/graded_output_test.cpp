// Choosing what of a graded part is output: roles against the matrix, the shared-die rule, label
// placeholders, fold reflections and the outline's start past the fold.
#include <algorithm>
#include <cmath>

#include "grading/graded_output.h"
#include "grading_fixture.h"
#include "model/afterload.h"
#include "model/gbk.h"

namespace rz::test {
namespace {

const TSmooth kSmooth;

TEST(GradedOutput, RolesTheMatrixAndTheDieRule) {
    // Kind 0 and 1 give the marking forms while design bit 17 is clear; kinds 4–15 count as 0.
    EXPECT_EQ(OutputRole(0, 0), 1);
    EXPECT_EQ(OutputRole(0, kDesignMarginFullColour), 0);
    EXPECT_EQ(OutputRole(1, 0), 3);
    EXPECT_EQ(OutputRole(2, 0), 4);
    EXPECT_EQ(OutputRole(3, kDesignMarginFullColour), 5);
    EXPECT_EQ(OutputRole(9, 0), 1);
    EXPECT_EQ(OutputRole(0xF | 0x1300, kDesignMarginFullColour), 0);
    const Settings s;
    // Role 1 (划) by default: no pins, no motifs, no level box; labels, marks, texts and slots.
    for (int row : {kRowPins, kRowMotifs, kRowLevel}) EXPECT_FALSE(RowAllowed(s, 1, row)) << row;
    for (int row : {kRowLabels, kRowMarks, kRowTexts, kRowSlots}) EXPECT_TRUE(RowAllowed(s, 1, row)) << row;
    EXPECT_TRUE(RowAllowed(s, 0, kRowPins));
    EXPECT_FALSE(RowAllowed(s, 6, kRowPins));

    // Sizes 0–2 are one group standing for size 1; a 0 byte is no group.
    const std::optional<std::vector<uint8_t>> die = std::vector<uint8_t>{1, 0x81, 1, 0, 0};
    EXPECT_EQ(DieSizes(die, {0, 1, 2, 3, 4}, 5), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(DieSizes(std::vector<uint8_t>(5, 0), {0, 4}, 5), (std::vector<int>{0, 4}));
    EXPECT_EQ(DieSizes(std::nullopt, {2, 9}, 5), (std::vector<int>{2}));
    EXPECT_EQ(DieGroupRange(die, 1), (std::pair<int, int>{0, 2}));
    EXPECT_EQ(DieGroupRange(die, 4), (std::pair<int, int>{4, 4}));
}

TEST(GradedOutput, LabelPlaceholdersAreReplacedInOnePass) {
    Design d;
    SetSizes(d);
    Settings s;
    d.labelFormat = 1;
    LabelValues v = LabelValuesOf(d, s, {}, 1, 2026, 3, 9, std::vector<uint8_t>{1, 0x81, 1, 0, 0}, 1);
    EXPECT_EQ(v.roleLabel, "划");
    EXPECT_EQ(v.sizeText, "240-250");
    v.perimeter = 12.3456;
    v.lastLength = 100;
    EXPECT_EQ(GbkToUtf8(LabelText(Utf8ToGbk("前帮"), v)), "前帮;划240-250");
    EXPECT_EQ(GbkToUtf8(LabelText("", v)), "划240-250");
    EXPECT_EQ(GbkToUtf8(LabelText("#d #e #i#a#b#c #z", v)), "2026-3-9 周长:12.346 样长:100.00楦号:货号:客户: #z;划240-250");
    // With the "#" suffix the size text ends in "#": "#a" must not appear by rescanning.
    d.labelFormat = 0x81;
    v = LabelValuesOf(d, s, {}, 1, 0, 0, 0, std::nullopt, 2);
    EXPECT_EQ(GbkToUtf8(LabelText("##abc", v)), "划250#abc");
    // English and American sizes run on through the children's sizes.
    d.sizeSystem = 3;
    d.labelFormat = 1;
    v = LabelValuesOf(d, s, {}, 0, 0, 0, 0, std::nullopt, 2);
    EXPECT_EQ(GbkToUtf8(LabelText("##", v)), "做120");
}

TEST(GradedOutput, FoldReflectionsAndTheOutlineStart) {
    const auto axis = FoldAxisOf({{0, 1000}, {500, 1000}, {3000, 1000}});
    ASSERT_TRUE(axis);
    const PointF r = Reflect({5, 1200}, *axis);
    EXPECT_NEAR(r.x, 5, 1e-3);
    EXPECT_NEAR(r.y, 800, 1e-3);
    const auto diag = FoldAxisOf({{0, 0}, {10, 10}});
    const PointF q = Reflect({1, 0}, *diag);
    EXPECT_NEAR(q.x, 0, 1e-5);
    EXPECT_NEAR(q.y, 1, 1e-5);
    EXPECT_FALSE(FoldAxisOf({{1, 1}, {1, 1}}));  // no direction
    // Five points on, modulo the distinct points: short outlines never overrun.
    const Polyline square{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    EXPECT_EQ(ShiftOutlineStart(square), (Polyline{{1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}}));
    const Polyline tri{{0, 0}, {1, 0}, {0, 1}, {0, 0}};
    EXPECT_EQ(ShiftOutlineStart(tri), (Polyline{{0, 1}, {0, 0}, {1, 0}, {0, 1}}));
    const Polyline open{{0, 0}, {1, 0}, {2, 0}};
    EXPECT_EQ(ShiftOutlineStart(open), open);
}

TEST(GradedOutput, ThePartsItemsFollowTheRoleAndFoldTheirElements) {
    Design d;
    SetSizes(d);
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 1000);  // on the fold line: it stays at x = 0 in every size
    AddLine(p.linesA, {{0, 0}, {4000, 0}, {4000, 2000}, {0, 2000}}, &b);
    Line& fold = AddLine(p.linesA, {{0, 2000}, {0, 0}}, &b);  // closes the outline
    fold.flags |= 1u << 17;
    Pin& pin = AddPin(p, 1000, 500, &b);
    pin.flags = kFlagFolds | 1u;
    AddMotif(p, 3000, 1500, &b).flags = 1u;  // does not fold
    auto label = std::make_unique<SizeLabel>();
    label->x = 2000, label->y = 1000, label->flags = 1u;
    p.sizeLabels.push_back(std::move(label));
    EvaluateAllLines(d, kSmooth);
    ASSERT_TRUE(GradeDesign(d, kSmooth).ok);
    Settings s;
    d.labelFormat = 1;
    std::vector<std::string> missing;
    // Role 1: no pin, no motif; the label text names the role and the size.
    auto items = PartItemsAtSize(d, s, p, 3, nullptr, &missing);
    ASSERT_TRUE(items);
    auto count = [&](const std::string& src) {
        return std::count_if(items->begin(), items->end(), [&](const OutputItem& i) { return i.source == src; });
    };
    EXPECT_EQ(count("pin"), 0);
    EXPECT_EQ(count("motif"), 0);
    ASSERT_EQ(count("label"), 1);
    EXPECT_EQ(count("outline"), 1);
    for (const OutputItem& i : *items)
        if (i.source == "label") EXPECT_EQ(GbkToUtf8(i.text), "划255");
    // Role 0: the pin twice (mirrored in the fold line x = 0), the motif once.
    d.flags |= kDesignMarginFullColour;
    items = PartItemsAtSize(d, s, p, 3, nullptr, &missing);
    ASSERT_TRUE(items);
    ASSERT_EQ(count("pin"), 2);
    const OutputItem& a = *std::find_if(items->begin(), items->end(), [](auto& i) { return i.source == "pin" && !i.foldCopy; });
    const OutputItem& m = *std::find_if(items->begin(), items->end(), [](auto& i) { return i.source == "pin" && i.foldCopy; });
    EXPECT_NEAR(m.points[0].x, -a.points[0].x, 1e-2);
    EXPECT_NEAR(m.points[0].y, a.points[0].y, 1e-2);
    EXPECT_EQ(count("motif"), 1);  // without the fold bit: once
    EXPECT_FALSE(PartItemsAtSize(d, s, p, 7, nullptr, &missing));
}

}  // namespace
}  // namespace rz::test
