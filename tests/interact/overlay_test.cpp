#include <gtest/gtest.h>

#include "interact/colours.h"
#include "interact/overlay.h"

namespace rz {
namespace {

TEST(OverlayTest, ValueFormats) {
    EXPECT_EQ(FormatLength(12.345), "12.35");
    EXPECT_EQ(FormatRatio(0.876), "88%");
    EXPECT_EQ(FormatAngle(3.1415927 / 2), "90.0°");
}

TEST(OverlayTest, ValueLinesStackBesideThePointer) {
    RecordingCanvas c;
    std::vector<std::string> lines{"1.00", "2.00"};
    ShowValue(c, {100, 200}, lines, false, 0x000000);
    ASSERT_EQ(c.calls.size(), 2u);
    EXPECT_EQ(c.calls[0].pts[0], (PixelPoint{110, 200 - 8 - 16}));
    EXPECT_EQ(c.calls[1].pts[0], (PixelPoint{110, 200 - 8}));
    EXPECT_EQ(c.calls[0].colour, kColValueText);
    EXPECT_EQ(c.calls[1].text, "2.00");
    c.calls.clear();
    ShowValue(c, {100, 200}, lines, true, 0x000000);
    EXPECT_EQ(c.calls[0].pts[0].x, 120);  // beside the drawing cross
    c.calls.clear();
    ShowNumber(c, {5, 50}, 7, 0);
    EXPECT_EQ(c.calls[0].text, "7");
    EXPECT_EQ(c.calls[0].colour, 0xFFFFFFu);
}

TEST(OverlayTest, HatchIsInWindowPixels) {
    View v;
    v.make(400, 300, {4000.0f, 3000.0f});
    RecordingCanvas c;
    const PointF tri[] = {{0, 0}, {1000, 0}, {0, 1000}};
    HatchRegion(c, v, tri);
    ASSERT_EQ(c.calls.size(), 1u);
    EXPECT_EQ(c.calls[0].fill, FillStyle::BackHatch);
    EXPECT_EQ(c.calls[0].colour, 0xA000A0u);
    EXPECT_EQ(c.calls[0].pts[0], (PixelPoint{0, 300}));
    EXPECT_EQ(c.calls[0].pts[1], (PixelPoint{100, 300}));
    HatchRegion(c, v, std::span<const PointF>(tri, 2));
    EXPECT_EQ(c.calls.size(), 1u);
}

}  // namespace
}  // namespace rz
