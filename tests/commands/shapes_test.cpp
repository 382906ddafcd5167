// The shape generators and the shape modes driven through the engine.
#include <cmath>

#include "commands/shapes.h"
#include "draw_fixture.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz::test {
namespace {

bool NearPt(PointF a, PointF b, float tol = 0.5f) { return PtDist(a, b) <= tol; }

TEST(ShapeGenerators, ClosedOutlinesSizedByTheirPoints) {
    // A rectangle dragged up and to the left is built toward the upper left.
    Polyline r = RectangleShape({1000, 1000}, {400, 1800});
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r.front(), (PointF{1000, 1000}));
    EXPECT_EQ(r[2], (PointF{400, 1800}));
    EXPECT_EQ(r.front(), r.back());
    EXPECT_TRUE(RectangleShape({0, 0}, {0, 500}).empty());
    EXPECT_TRUE(RectangleShape({0, 0}, {500, 0}).empty());

    Polyline c = CircleShape({500, 500}, 1000);
    ASSERT_GT(c.size(), 8u);
    for (PointF q : c) EXPECT_NEAR(PtDist(q, {500, 500}), 500.0f, 0.5f);

    Polyline e = EllipseShape({0, 0}, 3000, 1000);
    RectF box;
    ASSERT_TRUE(BoundsOf(e, box));
    EXPECT_NEAR(box.maxX - box.minX, 3000.0f, 1.0f);
    EXPECT_NEAR(box.maxY - box.minY, 1000.0f, 1.0f);

    Polyline t = TriangleShape({0, 0}, {2000, 0}, {5000, -700});
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(NearPt(t[2], {1000, -700})) << "apex on the perpendicular bisector";
    EXPECT_TRUE(TriangleShape({0, 0}, {2000, 0}, {500, 0}).empty());

    Polyline pg = ParallelogramShape({0, 0}, {1000, 0}, {1500, 800});
    ASSERT_EQ(pg.size(), 5u);
    EXPECT_TRUE(NearPt(pg[3], {500, 800}));
    EXPECT_NEAR(std::fabs(PolyArea(pg)), 800000.0, 16000.0);  // strip-wise area

    Polyline tz = TrapezoidShape({0, 0}, {1000, 0}, {1500, 600});
    ASSERT_EQ(tz.size(), 5u);
    EXPECT_TRUE(NearPt(tz[2], {1500, 600}));
    EXPECT_TRUE(NearPt(tz[3], {-500, 600})) << "bottom centred under the top";

    Polyline s = StripShape({0, 0}, 400, {2000, 0});
    ASSERT_TRUE(BoundsOf(s, box));
    EXPECT_NEAR(box.minX, 0.0f, 1.0f);
    EXPECT_NEAR(box.maxX, 2000.0f, 1.0f);
    EXPECT_NEAR(box.maxY - box.minY, 400.0f, 1.0f);
    EXPECT_EQ(s.front(), s.back());

    Polyline hex = PolygonShape({0, 0}, {1000, 0}, 6);
    ASSERT_EQ(hex.size(), 7u);
    for (PointF q : hex) EXPECT_NEAR(PtDist(q, {0, 0}), 1000.0f, 0.5f);
    EXPECT_NEAR(PtDist(hex[0], hex[1]), 1000.0f, 0.5f);
    EXPECT_TRUE(PolygonShape({0, 0}, {1000, 0}, 2).empty());
}

TEST(ShapeGenerators, ArcsRunBetweenTheirEnds) {
    Polyline a = TwoPointArc({0, 0}, {2000, 0}, {1000, -3000});
    ASSERT_GT(a.size(), 2u);
    EXPECT_EQ(a.front(), (PointF{0, 0}));
    EXPECT_EQ(a.back(), (PointF{2000, 0}));
    // Centre at (1000, -3000): the arc bulges away from it, above the chord.
    float r = PtDist({0, 0}, {1000, -3000});
    for (PointF q : a) {
        EXPECT_NEAR(PtDist(q, {1000, -3000}), r, 1.0f);
        EXPECT_GE(q.y, -0.5f);
    }
    Polyline b = ThreePointArc({0, 0}, {1000, 1000}, {2000, 0});
    ASSERT_GT(b.size(), 2u);
    Nearest n = PolyNearest(b, {1000, 1000});
    EXPECT_LT(n.dist, 2.0f);  // the chords of the arc pieces
}

struct ShapeModeTest : DrawTest {};

TEST_F(ShapeModeTest, RectangleInEmptySpaceIsANewPartInsideAPartALineB) {
    command(34072);  // 矩形
    ASSERT_EQ(eng->mode(), mode::Rectangle);
    click(1000, 1000);
    EXPECT_EQ(eng->step(), 1);
    EXPECT_EQ(platform.prompts.back(), "选择矩形的长与宽！");
    moveTo(3000, 2500);
    RecordingCanvas c;
    EXPECT_TRUE(eng->overlay(c));
    click(3000, 2500);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(eng->mode(), mode::Rectangle) << "the mode stays";
    ASSERT_EQ(doc.design.parts.size(), 2u);
    Part& p = *doc.design.parts[1];
    ASSERT_EQ(p.linesA.size(), 1u);
    EXPECT_EQ(p.linesA[0]->curveMethod(), kCurvePolyline);
    EXPECT_EQ(p.linesA[0]->nodes.size(), 5u);
    EXPECT_EQ(p.linesA[0]->nodes.front(), p.linesA[0]->nodes.back());
    EXPECT_EQ(doc.undo.stored(), 1);
    // Inside the part: a line B of it.
    click(1500, 1500);
    click(2000, 2000);
    EXPECT_EQ(doc.design.parts.size(), 2u);
    ASSERT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(doc.undo.stored(), 2);
    // Zero width: nothing, refused.
    click(1500, 1500);
    click(1500, 2200);
    EXPECT_EQ(p.linesB.size(), 1u);
    EXPECT_EQ(platform.tones.back(), kToneRefused);
    EXPECT_EQ(doc.undo.stored(), 2);
}

TEST_F(ShapeModeTest, RightPressCancelsTheStepOrIsRefused) {
    command(34108);  // 等腰三角形
    click(1000, 1000);
    click(3000, 1000);
    EXPECT_EQ(eng->step(), 2);
    EXPECT_EQ(platform.prompts.back(), "第二步：选择等腰三角形的高！");
    rightClick(3000, 1000, kMkShift);
    EXPECT_EQ(eng->step(), 0);
    EXPECT_EQ(doc.design.parts.size(), 1u);
    platform.tones.clear();
    rightClick(3000, 1000, kMkShift);
    EXPECT_EQ(platform.tones, (std::vector<int>{kToneRefused}));
    // Three presses make it.
    click(1000, 1000);
    click(3000, 1000);
    click(2500, 2000);
    ASSERT_EQ(doc.design.parts.size(), 2u);
    auto& n = doc.design.parts[1]->linesA[0]->nodes;
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[2].pt(), (PointF{2000, 2000}));
}

TEST_F(ShapeModeTest, CirclesAndEllipsesRememberTheirSizes) {
    command(34070);  // 圆
    click(5000, 3000);
    click(5600, 3800);  // radius 1000
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_FLOAT_EQ(tools.shapes.circleDiameter, 2000.0f);
    click(1500, 1500, kMkCtrl);  // at once, last diameter
    ASSERT_EQ(doc.design.parts.size(), 3u);
    RectF box;
    ASSERT_TRUE(BoundsOf(doc.design.parts[2]->outline, box));
    EXPECT_NEAR(box.maxX - box.minX, 2000.0f, 2.0f);
    EXPECT_EQ(eng->step(), 0);

    command(34071);  // 椭圆
    click(8000, 5000);
    click(8300, 4900);
    EXPECT_FLOAT_EQ(tools.shapes.ellipseAcross, 600.0f);
    EXPECT_FLOAT_EQ(tools.shapes.ellipseAlong, 200.0f);
    click(8000, 1000, kMkCtrl);  // the repeat reproduces the last ellipse
    ASSERT_TRUE(BoundsOf(doc.design.parts.back()->outline, box));
    EXPECT_NEAR(box.maxX - box.minX, 600.0f, 2.0f);
    EXPECT_NEAR(box.maxY - box.minY, 200.0f, 2.0f);
}

TEST_F(ShapeModeTest, SizeDialogMakesTheShapeFromTypedValues) {
    command(34072);
    click(1000, 1000);
    moveTo(500, 2000);  // up and to the left
    platform.dialogValues.push_back({});  // cancelled: the step stays
    EXPECT_TRUE(key(key::Space));
    EXPECT_EQ(eng->step(), 1);
    platform.dialogValues.push_back({30.0, 20.0});
    key(key::Space);
    EXPECT_EQ(eng->step(), 0);
    ASSERT_EQ(doc.design.parts.size(), 2u);
    EXPECT_EQ(doc.design.parts[1]->linesA[0]->nodes[2].pt(), (PointF{-2000, 3000}));

    command(34073);  // 正多边形: the side count from the dialog
    click(6000, 3000);
    moveTo(7000, 3000);
    platform.dialogValues.push_back({10.0, 5.0});
    key(key::Space);
    ASSERT_EQ(doc.design.parts.size(), 3u);
    EXPECT_EQ(doc.design.parts[2]->linesA[0]->nodes.size(), 6u);
    // The next polygon starts at 6 sides again.
    click(6000, 6000);
    click(6500, 6000);
    EXPECT_EQ(doc.design.parts[3]->linesA[0]->nodes.size(), 7u);
}

TEST_F(ShapeModeTest, OffsetCopyOptionAddsASecondLineB) {
    command(34072);
    click(1000, 1000);
    click(5000, 5000);
    Part& p = *doc.design.parts[1];
    tools.shapes.options = kShapeOffsetRect;
    click(2000, 2000);
    click(3000, 3000);
    ASSERT_EQ(p.linesB.size(), 2u);
    RectF a, b;
    ASSERT_TRUE(BoundsOf(p.linesB[0]->eval, a));
    ASSERT_TRUE(BoundsOf(p.linesB[1]->eval, b));
    EXPECT_NEAR(std::fabs((b.maxX - b.minX) - (a.maxX - a.minX)), 2 * doc.settings.equidistance, 2.0f);
    // Circles only with their own option.
    command(34070);
    click(2500, 4000);
    click(2700, 4000);
    EXPECT_EQ(p.linesB.size(), 3u);
}

TEST_F(ShapeModeTest, ThreePressShapesAndArcs) {
    struct Case {
        int command;
        PointF a, b, c;
        size_t minNodes;
        bool closed;
    };
    const Case cases[] = {
        {34107, {1000, 1000}, {2000, 1000}, {2500, 2000}, 5, true},   // 平行四边形
        {34158, {1000, 1000}, {2000, 1000}, {2500, 2000}, 5, true},   // 梯形
        {34101, {1000, 1000}, {1000, 1400}, {3000, 1000}, 8, true},   // 圆条
        {34164, {1000, 1000}, {3000, 1000}, {2000, -2000}, 3, false}, // 两点圆弧
        {34165, {1000, 1000}, {2000, 2000}, {3000, 1000}, 3, false},  // 三点圆弧
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.command);
        doc.design.clear();
        command(k.command);
        click(k.a.x, k.a.y);
        click(k.b.x, k.b.y);
        click(k.c.x, k.c.y);
        ASSERT_EQ(doc.design.parts.size(), 2u);
        const Line& l = *doc.design.parts[1]->linesA[0];
        EXPECT_GE(l.nodes.size(), k.minNodes);
        EXPECT_EQ(l.nodes.front(), l.nodes.back()) << "outlines of new parts are closed";
        if (!k.closed) {
            // The open arc was closed by its chord; its ends are the pressed ends.
            EXPECT_EQ(l.nodes.front().pt(), k.a);
            EXPECT_EQ(l.nodes[l.nodes.size() - 2].pt(), (PointF{3000, 1000}));
        }
        command(32864);
        command(k.command);
    }
}

}  // namespace
}  // namespace rz::test
