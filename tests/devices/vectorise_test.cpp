// The vectoriser on scans the tests draw: corners, orientation, holes and pins at two
// densities, specks, necks, spikes, noise, and the centre lines of the single-line method.
#include <gtest/gtest.h>

#include <random>

#include "devices/vectorise.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "raster.h"

namespace rz {
namespace {

using test::PixelCentre;
using test::Raster;

constexpr double kPpm600 = 600 / 0.0254;

float Nearest(const Polyline& pl, PointF p) {
    float best = 1e30f;
    for (PointF q : pl) best = std::min(best, PtDist(q, p));
    return best;
}

// Every group is closed and holds what it claims to hold.
void CheckGroups(const ScanResult& r) {
    for (const ScanGroup& g : r.groups) {
        ASSERT_FALSE(g.pieces.empty());
        EXPECT_EQ(g.outline.front(), g.outline.back());
        for (size_t i = 1; i < g.pieces.size(); ++i) EXPECT_EQ(g.pieces[i].pts.front(), g.pieces[i - 1].pts.back());
        for (const ScanPolyline& p : g.inner) {
            PointF mid = PolyPointAt(p.pts, PolyLength(p.pts) / 2).pt;
            EXPECT_NE(PointInPolygon(g.outline, mid), 0);
        }
    }
}

TEST(Vectoriser, ARectangleKeepsItsCornersAndThePictureIsTurnedNotMirrored) {
    ScanSettings s;
    Raster ras(400, 300);
    ras.rect(50, 40, 249, 199, true);  // a paper rectangle on the dark lid
    // Two paper squares of different sizes, so that the three shapes can be told apart (large
    // enough not to be dropped: fewer than 有效部位 edge pixels outside every piece are specks).
    ras.rect(300, 40, 359, 99, true);
    ras.rect(300, 220, 329, 249, true);
    TVector v(s);
    ScanResult r = v.Run(ras.img, false);
    CheckGroups(r);
    ASSERT_EQ(r.groups.size(), 3u);
    EXPECT_FLOAT_EQ(r.pixelX, 12.7f);  // no density in the image: 200 dots per inch
    const float px = r.pixelX;
    // The big rectangle: four outline pieces meeting at the crossings of its edges.
    const ScanGroup* big = nullptr;
    for (const ScanGroup& g : r.groups)
        if (std::fabs(PolyArea(g.outline)) > 1e6) big = &g;
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->pieces.size(), 4u);
    for (auto [c, rr] : {std::pair{50, 40}, {249, 40}, {249, 199}, {50, 199}}) {
        PointF corner = PixelCentre(c, rr, 400, px, px);
        bool found = false;
        for (const ScanPolyline& p : big->pieces) found = found || PtDist(p.pts.front(), corner) < 2.0f;
        EXPECT_TRUE(found) << c << "," << rr;
    }
    // Orientation: the turn from the big shape to the two squares has the same sense in the
    // pattern as in the picture (a mirror would reverse it).
    auto centroidOf = [&](double minArea, double maxArea) {
        for (const ScanGroup& g : r.groups) {
            double a = std::fabs(PolyArea(g.outline));
            if (a > minArea && a < maxArea) return PolyCentroid(g.outline);
        }
        return PointF{};
    };
    PointF A = centroidOf(1e6, 1e12), B = centroidOf(3e5, 1e6), C = centroidOf(1e5, 3e5);
    auto cross = [](double ax, double ay, double bx, double by) { return ax * by - ay * bx; };
    double picture = cross(329.5 - 149.5, 69.5 - 119.5, 314.5 - 149.5, 234.5 - 119.5);
    double pattern = cross(B.x - A.x, B.y - A.y, C.x - A.x, C.y - A.y);
    EXPECT_GT(picture * pattern, 0);
}

// A paper piece with round holes: small ones pass the pin test, a pixel taken off their size
// (the contour runs on the paper round the hole); larger ones do not.
ScanResult Holes(double ppm, double holeMm) {
    ScanSettings s;
    const double dpmm = ppm > 0 ? ppm / 1000 : 200 / 25.4;
    int w = int(40 * dpmm), h = int(30 * dpmm);
    Raster ras(w, h);
    ras.rect(int(5 * dpmm), int(5 * dpmm), int(35 * dpmm), int(25 * dpmm), true);
    ras.disc(20 * dpmm, 15 * dpmm, holeMm / 2 * dpmm, false);
    ras.img.ppmX = ras.img.ppmY = ppm;
    return TVector(s).Run(ras.img, false);
}

TEST(Vectoriser, HolesBecomePinsOrLinesBySizeAndDensity) {
    ScanSettings s;
    // 1.8 mm at 200 dpi: a pin of about 1.8 mm (measured a pixel wide it would be refused).
    ScanResult r = Holes(0, 1.8);
    ASSERT_EQ(r.groups.size(), 1u);
    ASSERT_EQ(r.groups[0].inner.size(), 1u);
    auto pin = PinTest(r.groups[0].inner[0], s, r.pixelX);
    ASSERT_TRUE(pin);
    EXPECT_NEAR(pin->diameter, 180.0f, 13.0f);
    EXPECT_TRUE(r.groups[0].inner[0].hole);
    // 1.8 mm at 600 dpi: a pin too.
    r = Holes(kPpm600, 1.8);
    ASSERT_EQ(r.groups[0].inner.size(), 1u);
    pin = PinTest(r.groups[0].inner[0], s, r.pixelX);
    ASSERT_TRUE(pin);
    EXPECT_NEAR(pin->diameter, 180.0f, 5.0f);
    // 2.5 mm at 600 dpi: a large contour that is no pin, kept as a line.
    r = Holes(kPpm600, 2.5);
    ASSERT_EQ(r.groups[0].inner.size(), 1u);
    EXPECT_FALSE(PinTest(r.groups[0].inner[0], s, r.pixelX));
    EXPECT_EQ(r.groups[0].inner[0].tag, kTagLarge);
    // 2.5 mm at 200 dpi: small and no pin, so it is dropped.
    r = Holes(0, 2.5);
    EXPECT_TRUE(r.groups[0].inner.empty());
}

TEST(Vectoriser, SpecksVanishNecksHoldTogetherAndSpikesKeepTheirTip) {
    ScanSettings s;
    Raster ras(300, 200);
    // Two squares joined by a neck one pixel wide: one piece.
    ras.rect(20, 20, 79, 79, true);
    ras.rect(100, 20, 159, 79, true);
    ras.rect(80, 50, 99, 50, true);
    // Specks: a blob of ten pixels of paper, and a hole of four pixels in the square.
    ras.rect(200, 150, 204, 151, true);
    ras.rect(40, 40, 41, 41, false);
    // A square with a thin spike sharper than 2.2 radians.
    ras.rect(200, 20, 259, 79, true);
    ras.polygon({{259.5, 45}, {259.5, 53}, {295, 49.5}}, true);
    ScanResult r = TVector(s).Run(ras.img, false);
    CheckGroups(r);
    ASSERT_EQ(r.groups.size(), 2u);
    EXPECT_GE(r.dropped, 2);
    for (const ScanGroup& g : r.groups) EXPECT_TRUE(g.inner.empty());
    // The spiked square: its outline reaches the tip, where a corner ends two pieces.
    const float px = r.pixelX;
    PointF tip = PixelCentre(291, 49, 300, px, px);  // the last pixel of the spike
    bool spiked = false;
    for (const ScanGroup& g : r.groups)
        if (Nearest(g.outline, tip) < 3 * px) {
            spiked = true;
            bool corner = false;
            for (const ScanPolyline& p : g.pieces) corner = corner || PtDist(p.pts.front(), tip) < 3 * px;
            EXPECT_TRUE(corner);
        }
    EXPECT_TRUE(spiked);
}

TEST(Vectoriser, NoiseEndsAndLeavesConsistentGroups) {
    ScanSettings s;
    std::mt19937 rng(11);
    for (int density : {20, 50, 80}) {
        Raster ras(257, 203);
        for (int r = 0; r < 203; ++r)
            for (int c = 0; c < 257; ++c) ras.put(c, r, int(rng() % 100) < density);
        ScanResult res = TVector(s).Run(ras.img, density == 50);
        CheckGroups(res);
        EXPECT_GT(res.contours, 0);
        EXPECT_GE(res.contours, res.dropped);
    }
}

TEST(Vectoriser, SingleLinesFollowTheMiddleOfDrawnStrokes) {
    ScanSettings s;
    // A thin "T" of ink 7 pixels wide on a sheet of paper that fills the scan.
    Raster ras(300, 300, true);
    ras.stroke(50, 250, 250, 250, 7, false);  // the bar
    ras.stroke(150, 250, 150, 60, 7, false);  // the stem
    ScanResult r = TVector(s).Run(ras.img, true);
    // The sheet's own edge is the one group; the strokes are lines inside it.
    ASSERT_EQ(r.groups.size(), 1u);
    const auto& lines = r.groups[0].inner;
    ASSERT_GE(lines.size(), 2u);
    const float px = r.pixelX;
    double total = 0;
    for (const ScanPolyline& l : lines) {
        EXPECT_FALSE(l.closed);
        total += PolyLength(l.pts);
        // Every point lies on the middle of a stroke.
        for (PointF q : l.pts) {
            float x = q.x / px, y = q.y / px;  // row and turned column
            float c = 299 - y, rr = x;
            float off = std::min(std::fabs(rr - 250) + (c < 48 || c > 252 ? 99 : 0),
                                 std::fabs(c - 150) + (rr < 58 || rr > 252 ? 99 : 0));
            EXPECT_LT(off, 3.0f) << c << "," << rr;
        }
    }
    // Together they run the length of both strokes, give or take the ends and the joint.
    EXPECT_NEAR(total / px, 200 + 190, 30);
}

TEST(Vectoriser, CornersOfAnOpenLineAndTheSmoothingOfShortStretches) {
    ScanSettings s;
    // An open zigzag: long segments with sharp turns are cut there; the cut pieces share
    // their corner points exactly.
    Polyline z = {{0, 0}, {1000, 0}, {1000, 1000}, {2000, 1000}};
    bool cut = false;
    auto pieces = CutAtCorners(z, false, s, &cut);
    EXPECT_TRUE(cut);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].back(), (PointF{1000, 0}));
    EXPECT_EQ(pieces[1].front(), pieces[0].back());
    EXPECT_EQ(pieces[2].front(), pieces[1].back());
    EXPECT_EQ(pieces[2].back(), (PointF{2000, 1000}));
    // Short segments (under 最小线段) between long ones that hardly turn are smoothed, not cut.
    Polyline g = {{0, 0}, {1000, 0}, {1050, 20}, {1100, 20}, {2100, 60}};
    pieces = CutAtCorners(g, false, s, &cut);
    EXPECT_FALSE(cut);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].front(), g.front());
    EXPECT_EQ(pieces[0].back(), g.back());
    // A closed square: four pieces round it, the last ending on the first corner.
    Polyline sq = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}};
    pieces = CutAtCorners(sq, true, s, &cut);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces.back().back(), pieces.front().front());
}

}  // namespace
}  // namespace rz
