// 定距参数 and 共用说明/共模说明 driven as the window drives them: typed fields, 清空, 删除 and
// 确认; clicks on group cells and their mark corners.
#include <gtest/gtest.h>

#include "grading/control_dialogs.h"
#include "grading/control_edit.h"
#include "grading_fixture.h"
#include "model/platform.h"

namespace rz::test {
namespace {

TEST(ControlDialogs, FixedStepsTypedClearedDeletedAndKeptExactly) {
    Design d;
    SetSizes(d);  // 5 sizes, base index 2
    ASSERT_TRUE(EnsureSizeCount(d));
    Part& p = d.firstPart();
    BasePoint& b = AddBase(p, 0, 0);
    Line& axis = AddLine(p.linesB, {{0, 0}, {0, 5000}}, &b);
    Pin& pin = AddPin(p, 1000, 1000, &b);
    ASSERT_TRUE(AddFixedDistance(p, &pin, kKindPin, axis, true, 0, 1, 1500).ok);
    FixedDistance& f = *p.fixedDistances[0];

    FixedStepsModel m(d, f, false);
    EXPECT_EQ(m.confirmText(), "创建");
    EXPECT_EQ(m.texts, std::vector<std::string>(5, "0.0"));
    EXPECT_FALSE(m.editable(2));
    // Five sizes fit the template's width; one row of sixteen.
    EXPECT_EQ(m.width(), FixedStepsModel::kTemplateWidth);
    EXPECT_EQ(m.height(), 45 + 135);
    EXPECT_EQ(m.apply(d, p, f), FixedStepsModel::Outcome::Unchanged);
    EXPECT_FALSE(f.perSize);

    m.texts[0] = "1.15";
    m.texts[2] = "9";  // the base size's field cannot move the base copy
    m.texts[3] = "-2";
    EXPECT_TRUE(m.bold(0) && m.bold(3));
    EXPECT_FALSE(m.bold(1) || m.bold(2));
    ASSERT_EQ(m.apply(d, p, f), FixedStepsModel::Outcome::Stored);
    EXPECT_EQ(*f.perSize, (std::vector<float>{115, 0, 0, -200, 0}));

    // Opened again: 确认; the field shows 1.15 rounded, and editing another field leaves it exact.
    FixedStepsModel again(d, f, false);
    EXPECT_EQ(again.confirmText(), "确认");
    EXPECT_EQ(again.texts[3], "-2.0");
    again.texts[4] = "0.5";
    ASSERT_EQ(again.apply(d, p, f), FixedStepsModel::Outcome::Stored);
    EXPECT_EQ(*f.perSize, (std::vector<float>{115, 0, 0, -200, 50}));

    // Centimetres: value/1000 shown, × 1000 stored.
    FixedStepsModel cm(d, f, true);
    EXPECT_EQ(cm.texts[3], "-0.2");
    cm.texts[1] = "0.02";
    ASSERT_EQ(cm.apply(d, p, f), FixedStepsModel::Outcome::Stored);
    EXPECT_EQ(*f.perSize, (std::vector<float>{115, 20, 0, -200, 50}));

    // 清空 empties every field: all zero removes the array. Cancelling (no apply) keeps it.
    FixedStepsModel cleared(d, f, false);
    cleared.clear();
    EXPECT_EQ(cleared.texts, std::vector<std::string>(5, ""));
    EXPECT_FALSE(cleared.bold(0));
    ASSERT_EQ(cleared.apply(d, p, f), FixedStepsModel::Outcome::Removed);
    EXPECT_FALSE(f.perSize);

    // 删除 deletes the fixed distance itself.
    FixedStepsModel gone(d, f, false);
    gone.texts[0] = "3";  // typed before 删除: not stored
    gone.pressDelete();
    EXPECT_EQ(gone.apply(d, p, f), FixedStepsModel::Outcome::Deleted);
    EXPECT_TRUE(p.fixedDistances.empty());

    // Twenty-one sizes: two rows of sixteen columns.
    Design wide;
    SetSizes(wide, 200, 300, 5, 250);
    ASSERT_TRUE(EnsureSizeCount(wide));
    FixedDistance none;
    FixedStepsModel w(wide, none, false);
    EXPECT_EQ(w.n, 21);
    EXPECT_EQ(w.rows(), 2);
    EXPECT_EQ(w.width(), 50 + 40 * 16);
    EXPECT_EQ(w.height(), 2 * 45 + 135);
}

TEST(ControlDialogs, GroupCellsRaiseLowerAndMarkByTheRule) {
    Design d;
    SetSizes(d);
    ASSERT_TRUE(EnsureSizeCount(d));
    std::optional<std::vector<uint8_t>> die;
    SizeGroupsModel m(d, "部位共模说明", die);
    EXPECT_EQ(m.confirmText(), "创建");
    EXPECT_EQ(m.basePointText(), "");
    const int w = 36, h = 24;
    auto left = [&](int i) { return m.click(i, 5, h - 5, w, h, false); };
    auto right = [&](int i) { return m.click(i, 5, h - 5, w, h, true); };
    auto corner = [&](int i) { return m.click(i, w - 3, 3, w, h, false); };

    EXPECT_EQ(right(0), kToneBack);   // 0 is the lower bound
    EXPECT_EQ(corner(0), kToneRefused);  // an ungrouped size cannot be marked
    for (int i : {0, 1, 2, 3, 3, 4, 4}) EXPECT_EQ(left(i), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 1, 1, 2, 2}));
    // Marking the second of a run marks the second of every run (the last when shorter).
    EXPECT_EQ(corner(1), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 0x81, 1, 2, 0x82}));
    // A right click on the corner lowers like anywhere else; the mark stays with the cell.
    EXPECT_EQ(m.click(4, w - 3, 3, w, h, true), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 0x81, 1, 2, 0x81}));
    // Lowered to ungrouped, a cell loses its mark.
    EXPECT_EQ(right(4), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 0x81, 1, 2, 0}));
    EXPECT_EQ(left(4), 0);
    EXPECT_EQ(left(4), 0);
    // Marking another size moves every mark; unmarking clears them all.
    EXPECT_EQ(corner(3), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{0x81, 1, 1, 0x82, 2}));
    EXPECT_EQ(corner(2), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 1, 0x81, 2, 0x82}));
    EXPECT_EQ(corner(4), 0);
    EXPECT_EQ(m.bytes, (std::vector<uint8_t>{1, 1, 1, 2, 2}));
    EXPECT_EQ(corner(2), 0);
    ASSERT_EQ(m.apply(d, die), SizeGroupsModel::Outcome::Stored);
    EXPECT_EQ(*die, (std::vector<uint8_t>{1, 1, 0x81, 2, 0x82}));

    // Opened again (a base point's notes show its index): 确认, the upper bound, and no
    // grouping left removes the array.
    SizeGroupsModel again(d, "基点共用说明", die, 3);
    EXPECT_EQ(again.confirmText(), "确认");
    EXPECT_EQ(again.basePointText(), "基点序号 3");
    EXPECT_EQ(again.apply(d, die), SizeGroupsModel::Outcome::Unchanged);
    again.bytes[0] = SizeGroupsModel::kMaxGroup;
    EXPECT_EQ(again.raise(0), kToneBack);
    EXPECT_EQ(again.group(0), SizeGroupsModel::kMaxGroup);
    for (int i = 0; i < again.n; ++i)
        while (again.group(i) > 0) ASSERT_EQ(again.lower(i), 0);
    ASSERT_EQ(again.apply(d, die), SizeGroupsModel::Outcome::Removed);
    EXPECT_FALSE(die);
}

}  // namespace
}  // namespace rz::test
