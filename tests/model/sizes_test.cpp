#include <gtest/gtest.h>

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

}  // namespace
}  // namespace rz
