// Scan input into the design by the page rules, as one undo step; refused files change
// nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "devices/scan_input.h"
#include "fake_platform.h"
#include "geom/polyline.h"
#include "raster.h"

namespace rz {
namespace {

// Two paper pieces at 200 dpi: a rectangle with two 1.8 mm pin holes and a long slot, and a
// round piece.
test::Raster Pieces() {
    const double d = 200 / 25.4;
    test::Raster r(int(120 * d), int(80 * d));
    r.rect(int(10 * d), int(10 * d), int(60 * d), int(70 * d), true);
    r.disc(20 * d, 20 * d, 0.9 * d, false);
    r.disc(50 * d, 20 * d, 0.9 * d, false);
    r.rect(int(30 * d), int(40 * d), int(40 * d), int(42 * d), false);
    r.disc(90 * d, 40 * d, 20 * d, true);
    return r;
}

struct ScanTest : ::testing::Test {
    test::FakePlatform platform;
    TDoc doc{platform};
    ScanReport scan(ScanMethod m, int page) {
        doc.setCurrentPage(page);
        test::Raster r = Pieces();
        return ScanIntoDocument(doc, r.img, m);
    }
};

TEST_F(ScanTest, OnADrawingPageEachPieceBecomesAPartWithItsPinsAndLinesInOneUndoStep) {
    doc.settings.cutSetup.cutBits |= 1;  // pins are cut
    ScanReport r = scan(ScanMethod::Outline, 1);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.parts, 2);
    EXPECT_EQ(r.pins, 2);
    EXPECT_EQ(doc.undo.stored(), 1);
    ASSERT_EQ(doc.design.parts.size(), 3u);
    int pins = 0, inner = 0, outline = 0;
    for (size_t i = 1; i < 3; ++i) {
        const Part& p = *doc.design.parts[i];
        EXPECT_EQ(p.page(), 1);
        ASSERT_FALSE(p.outline.empty());
        EXPECT_EQ(p.outline.front(), p.outline.back());
        outline += int(p.linesA.size());
        for (auto& pin : p.pins) {
            EXPECT_NEAR(pin->diameter, 180, 13);
            EXPECT_EQ(pin->flags & kFlagToolMask, 3u);
            EXPECT_NE(PointInPolygon(p.outline, {pin->x, pin->y}), 0);
        }
        pins += int(p.pins.size());
        inner += int(p.linesB.size());
    }
    EXPECT_EQ(pins, 2);
    EXPECT_EQ(inner, 4);  // the slot's four sides, cut at its corners
    EXPECT_EQ(r.lines, outline + inner);
    EXPECT_FALSE(doc.design.flags & kDesignSaveScan);
    EXPECT_TRUE(doc.scanLines.empty());
}

TEST_F(ScanTest, OnThePiecesPageTheFirstPartTakesTheLinesAndPins) {
    ScanReport r = scan(ScanMethod::Outline, 3);
    EXPECT_EQ(r.parts, 0);
    ASSERT_EQ(doc.design.parts.size(), 1u);
    const Part& first = doc.design.firstPart();
    EXPECT_EQ(first.pins.size(), 2u);
    EXPECT_EQ(int(first.linesB.size()), r.lines);
    for (auto& l : first.linesB) EXPECT_EQ(l->colour, kScanPieceLineColour);
    EXPECT_EQ(doc.undo.stored(), 1);
}

TEST_F(ScanTest, SingleAndDoubleLinesGoToScanReferenceLines) {
    // 单线 on a drawing page: the parts, with their inner contours as one scan line.
    ScanReport r = scan(ScanMethod::SingleLine, 0);
    EXPECT_EQ(r.parts, 2);
    EXPECT_EQ(r.pins, 0);
    EXPECT_EQ(r.scanLines, 1);
    ASSERT_EQ(doc.scanLines.size(), 1u);
    EXPECT_EQ(doc.scanLines[0]->shape.size(), 6u);  // two holes and the slot's four sides
    EXPECT_TRUE(doc.design.flags & kDesignSaveScan);
    // 双线 anywhere: one scan line per piece, outline and inner contours, and no records.
    size_t parts = doc.design.parts.size();
    r = scan(ScanMethod::DoubleLine, 2);
    EXPECT_EQ(r.scanLines, 2);
    EXPECT_EQ(doc.design.parts.size(), parts);
    EXPECT_EQ(doc.scanLines.back()->value, kScanReferenceColour);
    EXPECT_EQ(doc.undo.stored(), 2);
}

TEST_F(ScanTest, ScanLinesAloneAreWorthAFile) {
    ScanReport r = scan(ScanMethod::DoubleLine, 3);
    ASSERT_EQ(r.scanLines, 2);
    EXPECT_TRUE(doc.design.isBlank());
    auto path = std::filesystem::temp_directory_path() / ("rozedoz-scanlines-" + std::to_string(::getpid()) + ".XIE");
    ASSERT_TRUE(doc.SaveAs(path.string()).ok());
    TDoc back(platform);
    ASSERT_TRUE(back.OpenPattern(path.string()).ok());
    ASSERT_EQ(back.scanLines.size(), 2u);
    EXPECT_EQ(back.scanLines[0]->shape.size(), doc.scanLines[0]->shape.size());
    std::filesystem::remove(path);
}

TEST_F(ScanTest, ARefusedOrEmptyScanChangesNothing) {
    auto dir = std::filesystem::temp_directory_path() / ("rozedoz-scan-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto bytes = WriteBmp(Pieces().img);
    bytes[28] = 24;  // a colour bitmap
    const std::string path = (dir / "colour.bmp").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    ScanReport r = ScanBmpFile(doc, path, ScanMethod::Outline);
    EXPECT_EQ(r.error, ImageError::NotOneBit);
    // Nothing in the picture: nothing added, nothing recorded.
    test::Raster dark(50, 40);
    r = ScanIntoDocument(doc, dark.img, ScanMethod::Outline);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.added());
    EXPECT_EQ(doc.design.parts.size(), 1u);
    EXPECT_EQ(doc.undo.stored(), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace rz
