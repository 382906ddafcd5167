#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "interact/scene.h"
#include "qtcanvas/qt_canvas.h"

namespace rz {
namespace {

QImage Blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

int Count(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == c;
    return n;
}

TEST(QtCanvasTest, OnePixelLinesCoverTheirEndsAndNothingElse) {
    QImage img = Blank(20, 20);
    {
        QtCanvas c(img);
        c.setColour(0x0000FF);  // red in 0x00BBGGRR
        c.line({2, 5}, {10, 5});
        c.line({4, 8}, {4, 12});
    }
    EXPECT_EQ(img.pixel(2, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(10, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(11, 5), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(4, 12), qRgb(255, 0, 0));
    EXPECT_EQ(Count(img, qRgb(255, 0, 0)), 9 + 5);
}

TEST(QtCanvasTest, FarOffSegmentsAreClippedAndTwoPixelLinesAreTwoWide) {
    QImage img = Blank(30, 20);
    {
        QtCanvas c(img);
        c.setColour(0x00FF00);
        c.line({-1000000000, 3}, {1000000000, 3});
        c.setWidth(2);
        c.line({5, -50}, {5, 500});
    }
    for (int x = 0; x < 30; ++x) EXPECT_EQ(img.pixel(x, 3), qRgb(0, 255, 0)) << x;
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(img.pixel(5, y), qRgb(0, 255, 0)) << y;
        EXPECT_EQ(img.pixel(6, y), qRgb(0, 255, 0)) << y;
    }
    EXPECT_EQ(Count(img, qRgb(0, 255, 0)), 30 + 2 * 20 - 2);
}

TEST(QtCanvasTest, ClipOriginFillsAndDashes) {
    QImage img = Blank(40, 40);
    {
        QtCanvas c(img, {100, 100});  // buffer pixel (100, 100) is image pixel (0, 0)
        c.clipTo({100, 100, 120, 140});
        c.setColour(0xFFFFFF);
        c.fillRect({90, 90, 200, 110});  // clipped to x < 20, y < 10
        c.setColour(0xFF0000);           // blue
        c.line({100, 120}, {139, 120});
    }
    EXPECT_EQ(Count(img, qRgb(255, 255, 255)), 20 * 10);
    EXPECT_EQ(Count(img, qRgb(0, 0, 255)), 20);
    EXPECT_EQ(img.pixel(25, 20), qRgb(0, 0, 0));
    QImage dashed = Blank(60, 5);
    {
        QtCanvas c(dashed);
        c.setColour(0xFFFFFF);
        c.setDash(6, 4);
        c.line({0, 2}, {59, 2});
    }
    int lit = Count(dashed, qRgb(255, 255, 255));
    EXPECT_GT(lit, 20);
    EXPECT_LT(lit, 50);
}

TEST(QtCanvasTest, BackBufferPresentPanAndOverlay) {
    View v;
    v.make(64, 48, {6400.0f, 4800.0f});
    BackBuffer bb;
    bb.make(v);
    ASSERT_EQ(bb.image().width(), 64 * 3);
    bb.image().fill(qRgb(10, 20, 30));
    bb.image().setPixel(v.mx + 5, v.my + 6, qRgb(200, 0, 0));
    QImage window = Blank(64, 48);
    {
        QPainter p(&window);
        bb.present(p);
    }
    EXPECT_EQ(window.pixel(5, 6), qRgb(200, 0, 0));
    EXPECT_EQ(window.pixel(0, 0), qRgb(10, 20, 30));
    // Moving the mouse right by 10 shows the drawing 10 pixels further right.
    {
        QPainter p(&window);
        bb.panFrame(p, {-10, 0}, 0x000000);
    }
    EXPECT_EQ(window.pixel(15, 6), qRgb(200, 0, 0));
    // Beyond the margin the uncovered part shows the background.
    {
        QPainter p(&window);
        bb.panFrame(p, {-(64 + 20), 0}, 0x0000FF);
    }
    EXPECT_EQ(window.pixel(5, 6), qRgb(255, 0, 0));
    EXPECT_EQ(window.pixel(30, 6), qRgb(10, 20, 30));
    // The overlay starts as a copy of the tile; feedback in it never reaches the buffer.
    QImage& compose = bb.beginOverlay();
    EXPECT_EQ(compose.pixel(5, 6), qRgb(200, 0, 0));
    compose.setPixel(1, 1, qRgb(1, 2, 3));
    EXPECT_EQ(bb.image().pixel(v.mx + 1, v.my + 1), qRgb(10, 20, 30));
}

TEST(QtCanvasTest, PaintFrontDrawsTheSceneIntoTheBuffer) {
    HeadlessPlatform platform;
    TDoc doc(platform);
    auto l = std::make_unique<Line>();
    l->eval = {{0, 1000}, {6000, 1000}};
    l->colour = 0x00FFFF;  // yellow
    doc.design.firstPart().linesA.push_back(std::move(l));
    View v;
    v.make(64, 48, {6400.0f, 4800.0f});
    BackBuffer bb;
    PaintFront(bb, doc, v);
    PixelPoint a = v.toPixel({0, 1000});
    EXPECT_EQ(bb.image().pixel(a.x + 3, a.y), qRgb(255, 255, 0));
    EXPECT_EQ(bb.image().pixel(a.x + 3, a.y - 3), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace rz
