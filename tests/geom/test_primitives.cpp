#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "geom/primitives.h"
#include "geom/transform.h"

using namespace rz;

namespace {

constexpr double kPi = std::numbers::pi;

// Independent long-double solve of two lines given by point pairs (Cramer's rule on the
// parametric form), used as the reference for the float routines.
bool RefLineIntersect(PointF p1, PointF p2, PointF p3, PointF p4, long double& x, long double& y) {
    long double a1 = (long double)p2.x - p1.x, b1 = -((long double)p4.x - p3.x), c1 = (long double)p3.x - p1.x;
    long double a2 = (long double)p2.y - p1.y, b2 = -((long double)p4.y - p3.y), c2 = (long double)p3.y - p1.y;
    long double det = a1 * b2 - b1 * a2;
    if (fabsl(det) < 1e-12L) return false;
    long double t = (c1 * b2 - b1 * c2) / det;
    x = p1.x + t * a1;
    y = p1.y + t * a2;
    return true;
}

// Circumcentre as the solution of |C-P1|^2 = |C-P2|^2 = |C-P3|^2 by long-double elimination.
void RefCircumcentre(PointF p1, PointF p2, PointF p3, long double& cx, long double& cy) {
    long double a11 = 2.0L * ((long double)p2.x - p1.x), a12 = 2.0L * ((long double)p2.y - p1.y);
    long double a21 = 2.0L * ((long double)p3.x - p1.x), a22 = 2.0L * ((long double)p3.y - p1.y);
    auto sq = [](PointF p) { return (long double)p.x * p.x + (long double)p.y * p.y; };
    long double r1 = sq(p2) - sq(p1), r2 = sq(p3) - sq(p1);
    long double det = a11 * a22 - a12 * a21;
    cx = (r1 * a22 - a12 * r2) / det;
    cy = (a11 * r2 - r1 * a21) / det;
}

}  // namespace

TEST(Points, SameDifferAngleAndSide) {
    EXPECT_TRUE(PtSame({1, 2}, {1, 2}));
    EXPECT_FALSE(PtSame({1, 2}, {1.001f, 2}));
    EXPECT_TRUE(PtDiffer({1, 2}, {1, 2.001f}));
    EXPECT_FALSE(PtDiffer({1, 2}, {1, 2}));
    EXPECT_FLOAT_EQ(PtAngle({0, 0}, {0, 0}), 0.0f);
    EXPECT_NEAR(PtAngle({0, 0}, {0, 5}), kPi / 2, 1e-6);
    // Directions 170 and -170 degrees differ by 20 degrees, not 340.
    PointF o{0, 0};
    PointF a{float(std::cos(170 * kPi / 180)), float(std::sin(170 * kPi / 180))};
    PointF b{float(std::cos(-170 * kPi / 180)), float(std::sin(-170 * kPi / 180))};
    EXPECT_NEAR(AngleBetween(o, a, o, b), 20 * kPi / 180, 1e-5);
    EXPECT_NEAR(VecAngle({10, 0}, {0, 0}, {0, 10}), kPi / 2, 1e-6);
    EXPECT_NEAR(VecAngle({10, 0}, {0, 0}, {-10, 0}), kPi, 1e-6);
    EXPECT_FLOAT_EQ(VecAngle({0, 0}, {0, 0}, {1, 0}), 0.0f);  // zero vector: defined, not NaN
    EXPECT_TRUE(SideOfLine({0, 0}, {10, 0}, {5, 1}));
    EXPECT_FALSE(SideOfLine({0, 0}, {10, 0}, {5, -1}));
    EXPECT_FALSE(SideOfLine({0, 0}, {10, 0}, {5, 0}));
    PointF e = ExtendBeyond({10, 0}, {0, 0}, 5);
    EXPECT_FLOAT_EQ(e.x, 15.0f);
    EXPECT_FLOAT_EQ(e.y, 0.0f);
    EXPECT_EQ(ExtendBeyond({3, 3}, {3, 3}, 5), (PointF{3, 3}));
}

TEST(Lines, IntersectionsMatchLongDoubleSolve) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-50000, 50000);
    int checked = 0;
    for (int it = 0; it < 2000; ++it) {
        PointF p1{u(rng), u(rng)}, p2{u(rng), u(rng)}, p3{u(rng), u(rng)}, p4{u(rng), u(rng)};
        long double rx, ry;
        if (!RefLineIntersect(p1, p2, p3, p4, rx, ry)) continue;
        auto x = LineIntersectPts(p1, p2, p3, p4);
        ASSERT_TRUE(x.has_value());
        double scale = 1.0 + std::max(fabsl(rx), fabsl(ry));
        if (scale > 1e6) continue;  // nearly parallel lines far away: conditioning, not the routine
        EXPECT_NEAR(x->x, (double)rx, 1e-5 * scale);
        EXPECT_NEAR(x->y, (double)ry, 1e-5 * scale);
        auto y = LineIntersect2(LineThrough(p1, p2), LineThrough(p3, p4));
        ASSERT_TRUE(y.has_value());
        EXPECT_NEAR(y->x, (double)rx, 2e-3 * scale);
        EXPECT_NEAR(y->y, (double)ry, 2e-3 * scale);
        auto s = SegIntersect(p1, p2, p3, p4);
        // The reference parameters decide whether the closed segments meet.
        long double t1 = fabsl((long double)p2.x - p1.x) > fabsl((long double)p2.y - p1.y)
                             ? (rx - p1.x) / ((long double)p2.x - p1.x)
                             : (ry - p1.y) / ((long double)p2.y - p1.y);
        long double t2 = fabsl((long double)p4.x - p3.x) > fabsl((long double)p4.y - p3.y)
                             ? (rx - p3.x) / ((long double)p4.x - p3.x)
                             : (ry - p3.y) / ((long double)p4.y - p3.y);
        bool inside = t1 > 1e-6L && t1 < 1 - 1e-6L && t2 > 1e-6L && t2 < 1 - 1e-6L;
        bool outside = t1 < -1e-6L || t1 > 1 + 1e-6L || t2 < -1e-6L || t2 > 1 + 1e-6L;
        if (inside) {
            ASSERT_TRUE(s.has_value());
            EXPECT_NEAR(s->x, (double)rx, 1e-5 * scale);
            ++checked;
        }
        if (outside) {
            EXPECT_FALSE(s.has_value());
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(Lines, SegmentEdgeCases) {
    // Shared end point: intersect exactly there.
    auto s = SegIntersect({0, 0}, {10, 10}, {10, 10}, {20, 0});
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, (PointF{10, 10}));
    // Collinear overlap: no intersection.
    EXPECT_FALSE(SegIntersect({0, 0}, {10, 0}, {5, 0}, {15, 0}));
    // Parallel lines.
    EXPECT_FALSE(LineIntersectPts({0, 0}, {10, 0}, {0, 5}, {10, 5}));
    EXPECT_EQ(SegIntersectOrMid({0, 0}, {10, 0}, {0, 5}, {10, 5}), (PointF{5, 5}));
    EXPECT_FALSE(LineIntersect2({1, 0, 0}, {2, 0, 5}));
    // Degenerate segments give no NaN.
    EXPECT_FALSE(LineIntersectPts({1, 1}, {1, 1}, {0, 0}, {5, 5}));

    Foot f = FootOnSegment({0, 0}, {10, 0}, {0, 5});
    EXPECT_EQ(f.code, FootCode::Inside);
    EXPECT_EQ(f.pt, (PointF{0, 0}));
    EXPECT_EQ(FootOnSegment({0, 0}, {10, 0}, {12, 5}).code, FootCode::Outside);
    Foot d = FootOnSegment({4, 4}, {4, 4}, {0, 0});
    EXPECT_EQ(d.code, FootCode::Degenerate);
    EXPECT_EQ(d.pt, (PointF{4, 4}));

    EXPECT_FLOAT_EQ(SignedDistToLine({0, 0}, {10, 0}, {3, 4}), 4.0f);
    EXPECT_FLOAT_EQ(SignedDistToLine({0, 0}, {10, 0}, {3, -4}), -4.0f);
    EXPECT_FLOAT_EQ(DistToLine({0, 0}, {0, 0}, {3, 4}), 5.0f);  // coincident: distance to the point
}

TEST(Lines, SegmentOffsets) {
    auto l = OffsetSegmentLeft({0, 0}, {100, 0}, 10);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->first, (PointF{0, 10}));
    EXPECT_EQ(l->second, (PointF{100, 10}));
    auto r = OffsetSegmentRight({0, 0}, {0, 100}, 10);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, (PointF{10, 0}));
    EXPECT_EQ(r->second, (PointF{10, 100}));
    EXPECT_FALSE(OffsetSegmentRight({5, 5}, {5, 5}, 10));
    EXPECT_FALSE(OffsetSegmentLeft({5, 5}, {5, 5}, 10));
}

TEST(Circles, CircumcircleMatchesLongDoubleSolve) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-30000, 30000);
    for (int it = 0; it < 500; ++it) {
        PointF p1{u(rng), u(rng)}, p2{u(rng), u(rng)}, p3{u(rng), u(rng)};
        long double area = ((long double)p2.x - p1.x) * ((long double)p3.y - p1.y) -
                           ((long double)p2.y - p1.y) * ((long double)p3.x - p1.x);
        if (fabsl(area) < 1e6L) continue;
        long double cx, cy;
        RefCircumcentre(p1, p2, p3, cx, cy);
        Circle c = Circumcircle(p1, p2, p3);
        long double r = sqrtl((cx - p1.x) * (cx - p1.x) + (cy - p1.y) * (cy - p1.y));
        if (r > 1e6L) continue;
        EXPECT_NEAR(c.centre.x, (double)cx, 1e-4 * (1 + (double)r));
        EXPECT_NEAR(c.centre.y, (double)cy, 1e-4 * (1 + (double)r));
        EXPECT_NEAR(c.radius, (double)r, 1e-4 * (1 + (double)r));
    }
    EXPECT_EQ(Circumcircle({0, 0}, {5, 5}, {10, 10}).radius, 0.0f);  // collinear
    EXPECT_EQ(Circumcircle({3, 3}, {3, 3}, {3, 3}).radius, 0.0f);    // coincident
}

TEST(Arcs, SweepAngleCases) {
    auto dir = [](double deg) { return PointF{float(100 * std::cos(deg * kPi / 180)), float(100 * std::sin(deg * kPi / 180))}; };
    EXPECT_NEAR(SweepAngle(dir(0), dir(45), dir(90)), kPi / 2, 1e-5);     // ccw quarter
    EXPECT_NEAR(SweepAngle(dir(90), dir(45), dir(0)), -kPi / 2, 1e-5);    // cw quarter
    EXPECT_NEAR(SweepAngle(dir(0), dir(180), dir(270)), 1.5 * kPi, 1e-5);  // ccw three quarters
    EXPECT_NEAR(SweepAngle(dir(0), dir(-90), dir(90)), -1.5 * kPi, 1e-5);
    EXPECT_NEAR(SweepAngle(dir(350), dir(5), dir(20)), 30 * kPi / 180, 1e-5);  // across zero
}

TEST(Arcs, PointCountsFlatnessAndDegenerates) {
    for (double r : {20.0, 100.0, 1000.0, 30000.0, 1e6}) {
        double n = ArcPiecesPerQuarter(r);
        double piece = (kPi / 2) / n;
        EXPECT_LE(r * piece - 2 * r * std::sin(piece / 2), 0.5 + 1e-6) << r;
        // Not needlessly fine: one piece fewer per quarter would exceed the flatness.
        if (n > 2) {
            double coarser = (kPi / 2) / (n * 0.9);
            EXPECT_GT(r * coarser - 2 * r * std::sin(coarser / 2), 0.5) << r;
        }
    }
    EXPECT_TRUE(std::isfinite(ArcPiecesPerQuarter(0.0)));
    // Huge and non-finite radii end (the bisection stops once its interval stops shrinking).
    EXPECT_TRUE(std::isfinite(ArcPiecesPerQuarter(1e30)));
    EXPECT_EQ(ArcPiecesPerQuarter(std::numeric_limits<double>::infinity()), 1.0);

    Polyline zero = ArcPoints({0, 0}, {100, 0}, 0.0f, 100.0f, 0.0f);
    EXPECT_EQ(zero.size(), 2u);  // count raised to 1
    Polyline stepped = ArcPoints({0, 0}, {1000, 0}, float(kPi), 1000.0f, 100.0f);
    EXPECT_EQ(stepped.size(), 32u);  // pi*1000/100 = 31.4 -> 31 pieces, 32 points
    for (PointF p : stepped) EXPECT_NEAR(std::hypot(p.x, p.y), 1000.0, 1e-2);
    EXPECT_TRUE(ArcPoints({0, 0}, {1, 0}, std::numeric_limits<float>::quiet_NaN(), 1, 0).empty());
    // An absurd sweep gets longer pieces, not a huge allocation.
    EXPECT_EQ(ArcPoints({0, 0}, {1, 0}, 1e9f, 1e6f, 0).size(), size_t(kMaxArcPoints) + 1);

    Polyline byAngles = ArcByAngles({100, 100}, 500, 0.0f, float(kPi / 2), 0.0f);
    EXPECT_NEAR(byAngles.front().x, 600, 1e-3);
    EXPECT_NEAR(byAngles.back().x, 100, 1e-2);
    EXPECT_NEAR(byAngles.back().y, 600, 1e-2);
}

TEST(Arcs, ThreePointArc) {
    Polyline a = Arc3Points({1000, 0}, {0, 1000}, {-1000, 0}, 0.0f);
    ASSERT_GT(a.size(), 3u);
    EXPECT_EQ(a.front(), (PointF{1000, 0}));
    EXPECT_EQ(a.back(), (PointF{-1000, 0}));
    for (PointF p : a) {
        EXPECT_NEAR(std::hypot(p.x, p.y), 1000.0, 1e-2);
        EXPECT_GE(p.y, -1e-3);  // the upper half, through the middle point
    }
    // Collinear: a straight two-point polyline; start == end: start to middle.
    EXPECT_EQ(Arc3Points({0, 0}, {5, 5}, {10, 10}, 0), (Polyline{{0, 0}, {10, 10}}));
    EXPECT_EQ(Arc3Points({0, 0}, {5, 5}, {0, 0}, 0), (Polyline{{0, 0}, {5, 5}}));
}

TEST(Arcs, CirclesAndEllipses) {
    Polyline small = EllipsePoints(10, 10);  // raised to 40
    ASSERT_FALSE(small.empty());
    EXPECT_EQ((small.size() - 1) % 4, 0u);
    EXPECT_FLOAT_EQ(small.front().x, 20.0f);
    for (PointF p : small) EXPECT_NEAR(std::hypot(p.x, p.y), 20.0, 1e-4);
    EXPECT_EQ(small.front(), small.back());

    Polyline e = EllipsePoints(2000, 1000);
    size_t n = (e.size() - 1) / 4;
    EXPECT_EQ(e.size(), 4 * n + 1);
    EXPECT_EQ(e.front(), e.back());
    EXPECT_FLOAT_EQ(e[n].y, 500.0f);
    EXPECT_FLOAT_EQ(e[2 * n].x, -1000.0f);
    double area2 = 0;
    for (size_t i = 1; i < e.size(); ++i) area2 += double(e[i - 1].x) * e[i].y - double(e[i].x) * e[i - 1].y;
    EXPECT_GT(area2, 0);  // counter-clockwise
    EXPECT_NEAR(area2 / 2, kPi * 1000 * 500, kPi * 1000 * 500 * 0.01);
}

TEST(Transforms, RotationZeroIsIdentityAndRotationsCompose) {
    Rotation r = SetRotation(0.0f);
    Polyline pts{{1, 2}, {-3, 4.5f}, {1e5f, -7}};
    Polyline copy = pts;
    RotatePoints(r, {10, 10}, pts);
    EXPECT_EQ(pts, copy);
    // A zero angle after another angle is still the identity, not "the previous angle".
    Rotation r90 = SetRotation(float(kPi / 2));
    PointF q = RotatePoint(r90, {1, 1}, {2, 1});
    EXPECT_NEAR(q.x, 1, 1e-6);
    EXPECT_NEAR(q.y, 2, 1e-6);
    EXPECT_EQ(RotateVector({3, 4}, 0.0f), (PointF{3, 4}));
    PointF v = RotateVector({3, 4}, float(kPi));
    EXPECT_NEAR(v.x, -3, 1e-5);
    EXPECT_NEAR(v.y, -4, 1e-5);

    Polyline m{{1, 2}, {5, -1}};
    MirrorPoints({10, 0}, m, MirrorAxis::Vertical);
    EXPECT_EQ(m, (Polyline{{19, 2}, {15, -1}}));
    MirrorPoints({0, 1}, m, MirrorAxis::Horizontal);
    EXPECT_EQ(m, (Polyline{{19, 0}, {15, 3}}));
    Translate(m, 1, -1);
    EXPECT_EQ(m, (Polyline{{20, -1}, {16, 2}}));
}
