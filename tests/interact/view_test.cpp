#include <gtest/gtest.h>

#include <cmath>

#include "interact/view.h"

namespace rz {
namespace {

const WorkRange kA0{121920.0f, 91440.0f};
const WorkRange kA3{45720.0f, 30480.0f};

View Make(int w, int h, WorkRange r = kA3) {
    View v;
    v.make(w, h, r);
    return v;
}

TEST(ViewTest, RoundingIsHalfAwayFromZero) {
    EXPECT_EQ(RoundPx(2.5), 3);
    EXPECT_EQ(RoundPx(-2.5), -3);
    EXPECT_EQ(RoundPx(2.4999), 2);
    EXPECT_EQ(RoundPx(-0.5), -1);
    EXPECT_EQ(RoundPx(1e300), 1000000000);
    EXPECT_EQ(RoundPx(std::nan("")), 0);
}

TEST(ViewTest, BaseScaleFitsTheWorkRangeWithOriginBottomLeft) {
    View v = Make(1000, 700, kA0);
    EXPECT_FLOAT_EQ(v.s0, 700.0f / 91440.0f);  // the height is the tighter axis
    EXPECT_EQ(v.s, v.s0);
    EXPECT_EQ(v.toWindow({0, 0}), (PixelPoint{0, 700}));
    View wide = Make(1000, 2000, kA0);
    EXPECT_FLOAT_EQ(wide.s0, 1000.0f / 121920.0f);
}

TEST(ViewTest, RoundTripWithinHalfAPixelAtEveryZoom) {
    View v = Make(1280, 800);
    const PointF pts[] = {{0, 0}, {123.4f, -56.7f}, {45720, 30480}, {-9999.9f, 12345.6f}, {7.77f, 3.33f}};
    int zooms = 0;
    // Walk the whole zoom range by the wheel's factors, about a moving pointer.
    for (int step = 0; step < 40; ++step) {
        for (PointF p : pts) {
            PixelPoint w = v.toWindow(p);
            PointF back = v.toModel(w.x, w.y);
            EXPECT_LE(std::abs(back.x - p.x) * v.s, 0.5 + 1e-3) << "zoom " << v.zoom();
            EXPECT_LE(std::abs(back.y - p.y) * v.s, 0.5 + 1e-3) << "zoom " << v.zoom();
        }
        ++zooms;
        if (!v.zoomBy(kZoomIn, ZoomAnchor::Cursor, {step * 31 % 1280, step * 17 % 800})) break;
    }
    EXPECT_GT(v.zoom(), 60.0);
    EXPECT_GT(zooms, 10);
    while (v.zoomBy(kZoomOut, ZoomAnchor::Cursor, {640, 400})) {
        PointF p{1000.0f, 2000.0f};
        PixelPoint w = v.toWindow(p);
        PointF back = v.toModel(w.x, w.y);
        EXPECT_LE(std::abs(back.x - p.x) * v.s, 0.5 + 1e-3);
    }
    EXPECT_LT(v.zoom(), 0.08);
}

TEST(ViewTest, ZoomLimitsRefuseWithoutChange) {
    View v = Make(800, 600);
    v.s = v.s0 * 100.0f;
    int ox = v.ox, oy = v.oy;
    float s = v.s;
    EXPECT_FALSE(v.zoomBy(kZoomIn, ZoomAnchor::Cursor, {10, 10}));
    EXPECT_FALSE(v.zoomBy(kZoomIn, ZoomAnchor::Centre, {10, 10}));
    EXPECT_EQ(v.s, s);
    EXPECT_EQ(v.ox, ox);
    EXPECT_EQ(v.oy, oy);
    EXPECT_TRUE(v.zoomBy(kZoomOut, ZoomAnchor::Cursor, {10, 10}));
    v.s = v.s0 * 0.05f;
    s = v.s;
    EXPECT_FALSE(v.zoomBy(kZoomOut, ZoomAnchor::Cursor, {10, 10}));
    EXPECT_EQ(v.s, s);
}

TEST(ViewTest, CursorAnchorKeepsThePointUnderThePointer) {
    View v = Make(1000, 700, kA0);
    PixelPoint ptr{337, 251};
    PointF m = v.toModel(ptr.x, ptr.y);
    ASSERT_TRUE(v.zoomBy(kZoomIn, ZoomAnchor::Cursor, ptr));
    PixelPoint w = v.toWindow(m);
    EXPECT_LE(std::abs(w.x - ptr.x), 1);
    EXPECT_LE(std::abs(w.y - ptr.y), 1);
    ASSERT_TRUE(v.zoomBy(kZoomOut, ZoomAnchor::Cursor, ptr));
    w = v.toWindow(m);
    EXPECT_LE(std::abs(w.x - ptr.x), 1);
    EXPECT_LE(std::abs(w.y - ptr.y), 1);
}

TEST(ViewTest, CentreAnchorBringsThePointToTheCentreAndMovesThePointer) {
    View v = Make(1001, 701);
    PixelPoint ptr{100, 600}, moved{-1, -1};
    PointF m = v.toModel(ptr.x, ptr.y);
    ASSERT_TRUE(v.zoomBy(kZoomOut, ZoomAnchor::Centre, ptr, &moved));
    EXPECT_EQ(moved, (PixelPoint{500, 350}));
    PixelPoint w = v.toWindow(m);
    EXPECT_LE(std::abs(w.x - 500), 1);
    EXPECT_LE(std::abs(w.y - 350), 1);
}

TEST(ViewTest, CornerAnchorKeepsTheSheetOriginBottomLeft) {
    View v = Make(900, 600);
    ASSERT_TRUE(v.zoomBy(kZoomIn, ZoomAnchor::Corner, {400, 300}));
    EXPECT_EQ(v.toWindow({0, 0}), (PixelPoint{0, 600}));
    EXPECT_FLOAT_EQ(v.s, v.s0 * 1.5f);
}

TEST(ViewTest, FitBoxCentresWithMarginAndKeepsWithinZoomLimits) {
    View v = Make(1000, 700, kA3);
    ASSERT_TRUE(v.fitBox({0, 0, 17000, 9000}));
    // The box centre lands at the window centre; the box with its 10 mm margin fits.
    PixelPoint c = v.toWindow({8500, 4500});
    EXPECT_LE(std::abs(c.x - 500), 1);
    EXPECT_LE(std::abs(c.y - 350), 1);
    PixelPoint lo = v.toWindow({-500, -500}), hi = v.toWindow({17500, 9500});
    EXPECT_GE(lo.x, -1);
    EXPECT_LE(hi.x, 1001);
    EXPECT_GE(hi.y, -1);
    EXPECT_LE(lo.y, 701);
    // A huge box would want a zoom factor below 0.05: it stops there.
    ASSERT_TRUE(v.fitBox({0, 0, 2.0e7f, 1.0e7f}));
    EXPECT_NEAR(v.zoom(), kZoomMin, 1e-6);
    // On the A00 range a box of one unit would want about 122: it stops at 100.
    View big = Make(1000, 700, {182880.0f, 121920.0f});
    ASSERT_TRUE(big.fitBox({100, 100, 101, 101}));
    EXPECT_NEAR(big.zoom(), kZoomMax, 1e-3);
    EXPECT_FALSE(big.zoomBy(kZoomIn, ZoomAnchor::Cursor, {1, 1}));
    // Nothing to fit: the view stays.
    float s = v.s;
    EXPECT_FALSE(v.fitBox({5, 5, 5, 5}));
    EXPECT_FALSE(v.fitBox({10, 0, 0, 10}));
    EXPECT_EQ(v.s, s);
}

TEST(ViewTest, ZeroSizedWindowDividesByNothing) {
    View v;
    v.make(0, 0, kA3);
    EXPECT_TRUE(std::isfinite(v.s0));
    EXPECT_GT(v.s0, 0.0f);
    EXPECT_TRUE(std::isfinite(v.zoom()));
    EXPECT_FALSE(v.zoomBy(kZoomIn, ZoomAnchor::Cursor, {0, 0}));
    EXPECT_FALSE(v.fitBox({0, 0, 100, 100}));
    PointF m = v.toModel(10, 10);
    EXPECT_TRUE(std::isfinite(m.x) && std::isfinite(m.y));
    EXPECT_TRUE(std::isfinite(v.visible.minX) && std::isfinite(v.visible.maxY));
    // Shown later: the base view as if it had been made at this size.
    v.resize(800, 600);
    EXPECT_FLOAT_EQ(v.s0, std::min(800.0f / 45720.0f, 600.0f / 30480.0f));
    EXPECT_EQ(v.s, v.s0);
    EXPECT_EQ(v.toWindow({0, 0}), (PixelPoint{0, 600}));
    // Minimised again: nothing changes and nothing breaks.
    v.resize(0, 0);
    EXPECT_TRUE(std::isfinite(v.zoom()));
    EXPECT_FALSE(v.zoomBy(kZoomOut, ZoomAnchor::Centre, {0, 0}));
}

TEST(ViewTest, ResizeKeepsZoomAndTheBottomLeftPoint) {
    View v = Make(800, 600);
    ASSERT_TRUE(v.zoomBy(kZoomIn, ZoomAnchor::Cursor, {200, 200}));
    double z = v.zoom();
    PointF corner = v.toModel(0, 600);
    v.resize(1200, 900);
    EXPECT_NEAR(v.zoom(), z, 1e-5);
    PointF after = v.toModel(0, 900);
    EXPECT_LE(std::abs(after.x - corner.x) * v.s, 1.0);
    EXPECT_LE(std::abs(after.y - corner.y) * v.s, 1.0);
}

TEST(ViewTest, BackBufferMarginIsBounded) {
    View small = Make(300, 200);
    EXPECT_EQ(small.bufferWidth(), 900);  // small windows keep a whole window on every side
    EXPECT_EQ(small.bufferHeight(), 600);
    View big = Make(3840, 2160);
    EXPECT_EQ(big.bufferWidth(), 3840 + 2 * kMaxBufferMargin);
    EXPECT_EQ(big.bufferHeight(), 2160 + 2 * kMaxBufferMargin);
    EXPECT_LT(double(big.bufferWidth()) * big.bufferHeight() * 4, 70e6);  // bytes of RGB32
    // The window tile sits at the margin and maps the model like the window does.
    PixelPoint b = big.toPixel({1000, 1000}), w = big.toWindow({1000, 1000});
    EXPECT_EQ(b.x - w.x, big.mx);
    EXPECT_EQ(b.y - w.y, big.my);
    EXPECT_EQ(big.centreTile(), (PixelRect{512, 512, 512 + 3840, 512 + 2160}));
}

TEST(ViewTest, VisibleRectangleCoversTheDrawRectangle) {
    View v = Make(400, 300);
    PointF tl = v.toModel(-v.mx, -v.my);
    PointF br = v.toModel(400 + v.mx, 300 + v.my);
    EXPECT_NEAR(v.visible.minX, tl.x, 1e-3);
    EXPECT_NEAR(v.visible.maxY, tl.y, 1e-3);
    EXPECT_NEAR(v.visible.maxX, br.x, 1e-3);
    EXPECT_NEAR(v.visible.minY, br.y, 1e-3);
}

TEST(ViewTest, PanMovesPixelsUntilReleaseThenTheOrigin) {
    View v = Make(800, 600);
    PanDrag pan;
    pan.press({100, 100});
    EXPECT_FALSE(pan.move({101, 101}).has_value());  // below 2 pixels: not begun
    auto off = pan.move({130, 90});
    ASSERT_TRUE(off.has_value());
    EXPECT_EQ(*off, (PixelPoint{-30, 10}));
    EXPECT_EQ(v.ox, 0);  // only pixels move during the drag
    EXPECT_TRUE(pan.release(v));
    EXPECT_EQ(v.ox, 30);
    EXPECT_EQ(v.oy, 590);
    PanDrag click;
    click.press({5, 5});
    click.move({6, 5});
    EXPECT_FALSE(click.release(v));
    EXPECT_EQ(v.ox, 30);
}

TEST(ViewTest, DragZoomUsesAFractionalFactorAboutTheCentre) {
    View v = Make(800, 600);
    PointF centre = v.toModel(400, 300);
    ZoomDrag z;
    z.press(v, {100, 100});
    EXPECT_EQ(v.draw, v.centreTile());
    float s1 = v.s;
    ASSERT_TRUE(z.move(v, {130, 120}));  // d = 50: factor 1.25
    EXPECT_NEAR(v.s / s1, 1.25, 1e-6);
    PixelPoint c = v.toWindow(centre);
    EXPECT_LE(std::abs(c.x - 400), 1);
    EXPECT_LE(std::abs(c.y - 300), 1);
    ASSERT_TRUE(z.move(v, {60, 100}));  // d = -40: factor 0.8
    EXPECT_NEAR(v.s / s1, 0.8, 1e-6);
    float before = v.s;
    EXPECT_FALSE(z.move(v, {-200, 0}));  // factor -0.5 would pass every limit: ignored
    EXPECT_EQ(v.s, before);
    z.release(v);
    EXPECT_EQ(v.draw, v.fullBuffer());
}

TEST(ViewTest, HeldViewComesBack) {
    View v = Make(800, 600);
    v.zoomBy(kZoomIn, ZoomAnchor::Cursor, {10, 10});
    float s = v.s;
    int ox = v.ox;
    EXPECT_TRUE(v.holdView());
    EXPECT_EQ(v.s, v.s0);
    EXPECT_TRUE(v.releaseView());
    EXPECT_EQ(v.s, s);
    EXPECT_EQ(v.ox, ox);
    EXPECT_FALSE(v.releaseView());
}

}  // namespace
}  // namespace rz
