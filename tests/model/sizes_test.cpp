#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/sizes.h"

namespace rz {
namespace {

DesignParams Range(int from, int to, int step, int base) {
    DesignParams d;
    d.rangeFrom = from;
    d.rangeTo = to;
    d.step = step;
    d.baseSize = base;
    SizeCount sc = ComputeSizeCount(from, to, step, base);
    d.n = sc.n;
    d.baseIndex = sc.baseIndex;
    return d;
}

std::vector<int> Values(const DesignParams& d) {
    std::vector<int> v;
    for (int i = 0; i < d.n; ++i) v.push_back(SizeValueAt(d, i));
    return v;
}

TEST(Sizes, ListHoldsTheGridAndTheBaseInOrder) {
    EXPECT_EQ(Values(Range(240, 265, 5, 250)), (std::vector<int>{240, 245, 250, 255, 260, 265}));
    // Off the grid, below, above and beyond the range: the base takes its own place.
    EXPECT_EQ(Values(Range(240, 260, 10, 255)), (std::vector<int>{240, 250, 255, 260}));
    EXPECT_EQ(Values(Range(240, 260, 10, 230)), (std::vector<int>{230, 240, 250, 260}));
    EXPECT_EQ(Values(Range(60, 135, 10, 140)), (std::vector<int>{60, 70, 80, 90, 100, 110, 120, 130, 140}));
    EXPECT_EQ(Values(Range(250, 250, 5, 250)), (std::vector<int>{250}));
    // Every list is strictly increasing and holds the base at the base index.
    for (int base : {200, 235, 237, 300}) {
        DesignParams d = Range(220, 260, 5, base);
        std::vector<int> v = Values(d);
        for (size_t i = 1; i < v.size(); ++i) EXPECT_LT(v[i - 1], v[i]) << base;
        EXPECT_EQ(v[d.baseIndex], base);
    }
    EXPECT_EQ(SizeValueAt(Range(240, 265, 5, 250), 6), 0);
    EXPECT_EQ(SizeValueAt(DesignParams{}, 0), 0);
}

TEST(Sizes, TextsByFormatAndSystem) {
    EXPECT_EQ(SizeText(255, 0, 1), "255");
    EXPECT_EQ(SizeText(255, 0, 2), "25.5");
    EXPECT_EQ(SizeText(255, 0, 3), "25|");
    EXPECT_EQ(SizeText(250, 0, 0), "25");
    EXPECT_EQ(SizeText(250, 0, 0x80 | 3), "25#");
    // The wrapping systems start the adults' sizes again at 1, and only once.
    EXPECT_EQ(SizeText(190, 3, 3), "6");
    EXPECT_EQ(SizeText(140, 4, 3), "1");
    EXPECT_EQ(SizeText(135, 3, 3), "13|");
    EXPECT_EQ(SizeText(135, 4, 2), "13.5");
    EXPECT_EQ(SizeText(270, 4, 3), "14");
    EXPECT_EQ(SizeText(270, 1, 3), "27");
    DesignParams d;
    d.labelFormat = 0x82;
    EXPECT_EQ(SizeRangeText(d, 235, 245), "23.5-24.5#");
    EXPECT_EQ(SizeRangeText(d, 240, 240), "24#");
}

TEST(Sizes, ReportTakesTheSizeText) {
    EXPECT_EQ(ReportWithSizeText("", "25"), "25");
    EXPECT_EQ(ReportWithSizeText("A-102", "25"), "A-102;25");
    EXPECT_EQ(ReportWithSizeText("A-##-L", "25"), "A-25-L");
    DesignParams d = Range(240, 265, 5, 250);
    d.labelFormat = 3;
    d.report = "X##";
    EXPECT_EQ(BaseSizeLabelText(d), "X25");
}


TEST(Sizes, DefaultRowsGiveUsableRangesAndTheWorkedParameters) {
    // Every one of the 24 rows: a range of 29 sizes or fewer holding its base, a size step, and
    // the width type of its category.
    for (int s = 0; s < kChoosableSystems; ++s)
        for (int c = 0; c < kSizeCategoryCount; ++c) {
            SizeRow r = *DefaultSizeRow(s, c);
            SizeList l = MakeSizeList(r.from, r.to, r.step, r.base);
            ASSERT_TRUE(l.ok()) << s << c;
            EXPECT_LE(l.n, kCardMaxSizeCount);
            EXPECT_TRUE(r.step == 5 || r.step == 10);
            EXPECT_TRUE(r.from <= r.base && r.base <= r.to) << s << c;
            EXPECT_EQ(r.widthType, c == 3 ? 25 : c == 2 ? 15 : 10);
        }
    EXPECT_EQ(*DefaultSizeRow(3, 1), (SizeRow{10, 110, 60, 135, 10}));
    EXPECT_EQ(*DefaultSizeRow(5, 3), (SizeRow{25, 120, 105, 130, 5}));
    EXPECT_FALSE(DefaultSizeRow(6, 3) || DefaultSizeRow(0, 4) || DefaultSizeRow(-1, 0));
    // A system without a row keeps the design's values.
    DesignParams d;
    d.sizeSystem = 7, d.sizeCategory = 3, d.baseSize = 123;
    EXPECT_FALSE(ApplyDefaultSizeRow(d));
    EXPECT_EQ(d.baseSize, 123);
    EXPECT_EQ(SizeSystemName(7), "标准");
    EXPECT_EQ(SizeSystemName(9), "9");
    EXPECT_EQ(SizeCategoryName(5), "5");
    EXPECT_EQ(WidthTypeName(25), "二型半");
    EXPECT_EQ(WidthTypeName(20), "二型  ");
    EXPECT_EQ(WidthTypeName(12), "12");

    // 统一 男鞋 二型半 250 by 5; 中国 男鞋 400 by 10 the same last; 美国 200: k = 76.
    BaseParams u = *StandardBaseParams(0, 3, 25, 250, 5);
    EXPECT_FLOAT_EQ(u.length, 265.0f);
    EXPECT_FLOAT_EQ(u.girth, 243.0f);
    EXPECT_FLOAT_EQ(u.lengthStep, 5.0f);
    EXPECT_FLOAT_EQ(u.girthStep, 3.5f);
    BaseParams c = *StandardBaseParams(1, 3, 25, 400, 10);
    EXPECT_FLOAT_EQ(c.length, 265.0f);
    EXPECT_FLOAT_EQ(c.girth, 243.0f);
    EXPECT_FLOAT_EQ(c.lengthStep, 5.0f);
    EXPECT_FLOAT_EQ(StandardBaseParams(1, 3, 25, 400, 5)->lengthStep, 2.5f);
    EXPECT_NEAR(StandardBaseParams(4, 3, 25, 200, 5)->length, 268.8, 0.02);
    EXPECT_FLOAT_EQ(StandardBaseParams(4, 3, 25, 200, 10)->girthStep, 6.35f);
    BaseParams j = *StandardBaseParams(5, 3, 25, 120, 10);
    EXPECT_EQ(j.length, 0.0f);
    EXPECT_EQ(j.lengthStep, 0.0f);
    EXPECT_FALSE(StandardBaseParams(6, 3, 25, 250, 5));
    d.flags = kDesignParamsFromSystem;
    d.baseParams = {1, 2, 3, 4};
    EXPECT_FALSE(ApplyStandardParams(d));
    EXPECT_EQ(d.baseParams[0], 1.0f);
}

PairD Cum(const std::vector<PairF>& t, const SizeList& l, int i) { return CumulativeDifference(t, l.baseIndex, i); }

TEST(Sizes, StepTablesFromTheEdgeCasesOfTheRange) {
    const float dL = 4, dG = 2;
    // Base off the grid: (dL), (dL/2), (0), (dL/2), (dL); size 270 is 1.5 steps above.
    SizeList l = MakeSizeList(240, 270, 10, 255);
    ASSERT_EQ(l.values, (std::vector<int>{240, 250, 255, 260, 270}));
    EXPECT_EQ(l.baseIndex, 2);
    std::vector<PairF> t = BuildStepTable(l, 10, dL, dG);
    EXPECT_EQ(t, (std::vector<PairF>{{4, 2}, {2, 1}, {0, 0}, {2, 1}, {4, 2}}));
    EXPECT_FLOAT_EQ(float(Cum(t, l, 4).a), 1.5f * dL);
    // Base below and above the range.
    l = MakeSizeList(240, 260, 10, 230);
    EXPECT_EQ(l.values, (std::vector<int>{230, 240, 250, 260}));
    EXPECT_EQ(BuildStepTable(l, 10, dL, dG)[1], (PairF{dL, dG}));
    l = MakeSizeList(240, 260, 10, 270);
    t = BuildStepTable(l, 10, dL, dG);
    EXPECT_EQ(l.baseIndex, 3);
    EXPECT_EQ(t[2], (PairF{dL, dG}));
    EXPECT_EQ(t[3], (PairF{0, 0}));
    // A base off the grid in the last gap is the last size; a base above an off-grid end is half
    // a size from 135 and a whole size from 130.
    l = MakeSizeList(240, 265, 10, 265);
    EXPECT_EQ(l.values, (std::vector<int>{240, 250, 260, 265}));
    t = BuildStepTable(l, 10, dL, dG);
    EXPECT_EQ(t.size(), 4u);
    EXPECT_FLOAT_EQ(float(Cum(t, l, 0).a), -2.5f * dL);
    l = MakeSizeList(60, 135, 10, 140);
    t = BuildStepTable(l, 10, dL, dG);
    EXPECT_EQ(l.values.back(), 140);
    EXPECT_FLOAT_EQ(float(Cum(t, l, l.n - 2).a), -dL);
    // One and two sizes, the base at either end.
    l = MakeSizeList(250, 250, 5, 250);
    EXPECT_EQ(l.n, 1);
    EXPECT_EQ(BuildStepTable(l, 5, dL, dG), (std::vector<PairF>{{0, 0}}));
    l = MakeSizeList(250, 255, 5, 250);
    EXPECT_EQ(BuildStepTable(l, 5, dL, dG), (std::vector<PairF>{{0, 0}, {dL, dG}}));
    l = MakeSizeList(250, 255, 5, 255);
    EXPECT_EQ(BuildStepTable(l, 5, dL, dG), (std::vector<PairF>{{dL, dG}, {0, 0}}));
    // Ranges no run can use.
    EXPECT_EQ(MakeSizeList(260, 250, 5, 250).status, SizeListStatus::Reversed);
    EXPECT_EQ(MakeSizeList(240, 260, 0, 250).status, SizeListStatus::NoStep);
    EXPECT_EQ(MakeSizeList(100, 300, 5, 250).status, SizeListStatus::TooMany);
    EXPECT_EQ(MakeSizeList(100, 300, 5, 250, 100).n, 41);
    EXPECT_FALSE(SizeListProblem(SizeListStatus::TooMany).empty());
}

TEST(Sizes, CumulativeDifferencesAreTheStepsTimesTheDistanceInSizeSteps) {
    // Against an independent rule over many ranges: the list holds the grid and the base in
    // order, the base at its index, and every size differs from the base by dL·(v − base)/step.
    std::mt19937 rng(7);
    for (int k = 0; k < 2000; ++k) {
        const int step = rng() % 2 ? 5 : 10;
        const int from = 10 + 5 * int(rng() % 100);
        const int to = from + step * int(rng() % 20) + (rng() % 3 == 0 ? 5 : 0);
        const int base = 10 + 5 * int(rng() % 120);
        SizeList l = MakeSizeList(from, to, step, base);
        if (!l.ok()) {
            EXPECT_GT(l.n, kMaxSizeCount);
            continue;
        }
        DesignParams d;
        d.rangeFrom = from, d.rangeTo = to, d.step = step, d.baseSize = base;
        d.baseIndex = l.n - 1;  // the size shown after grading: not used for the list
        ASSERT_EQ(l.values[size_t(l.baseIndex)], base);
        const std::vector<PairF> t = BuildStepTable(l, step, 5.0f, 3.5f);
        EXPECT_EQ(t[size_t(l.baseIndex)], (PairF{0, 0}));
        for (int i = 0; i < l.n; ++i) {
            if (i > 0) {
                EXPECT_LT(l.values[size_t(i - 1)], l.values[size_t(i)]);
            }
            EXPECT_EQ(SizeValueAt(d, i), l.values[size_t(i)]);
            const double steps = double(l.values[size_t(i)] - base) / step;
            const PairD c = CumulativeDifference(t, l.baseIndex, i);
            EXPECT_NEAR(c.a, 5.0 * steps, 1e-4) << from << "-" << to << "/" << step << " base " << base;
            EXPECT_NEAR(c.b, 3.5 * steps, 1e-4);
        }
    }
    // A target array's base column does not count.
    const std::vector<PairF> t{{1, 1}, {9, 9}, {1, 1}};
    EXPECT_EQ(CumulativeDifference(t, 1, 2).a, 1.0);
    EXPECT_EQ(CumulativeDifference(t, 1, 0).a, -1.0);
    EXPECT_EQ(CumulativeDifference(t, 1, 3).a, 0.0);
}

TEST(Sizes, PanelTexts) {
    EXPECT_EQ(PanelRangeText(250, 0), "250");
    EXPECT_EQ(PanelRangeText(60, 0), "  60");
    EXPECT_EQ(PanelRangeText(190, 3), "  60");
    EXPECT_EQ(PanelCurrentSizeText(5, 0), "     5# ");
    EXPECT_EQ(PanelCurrentSizeText(60, 0), "   60# ");
    EXPECT_EQ(PanelCurrentSizeText(270, 4), " 140# ");
    EXPECT_EQ(PanelCurrentSizeText(255, 0), " 255# ");
}

}  // namespace
}  // namespace rz
