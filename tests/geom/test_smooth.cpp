#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "geom/evaluate.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/smooth.h"

using namespace rz;

namespace {

constexpr double kPi = std::numbers::pi;
using LD = long double;
struct LP {
    LD x, y;
};

std::vector<Node> RandomNodes(std::mt19937& rng, int n) {
    std::uniform_real_distribution<float> step(800, 3000), turn(-0.8f, 0.8f);
    std::vector<Node> nodes;
    float x = 1000, y = 2000, a = 0.3f;
    for (int i = 0; i < n; ++i) {
        nodes.push_back({x, y, 0});
        a += turn(rng);
        float s = step(rng);
        x += s * std::cos(a);
        y += s * std::sin(a);
    }
    return nodes;
}

// Direct evaluation of the uniform cubic B-spline from its basis functions, with the phantom
// control points and (for the curve through the nodes) the pre-filter, in long double.
std::vector<LP> RefBSpline(const std::vector<Node>& nd, bool prefilter, int samples) {
    size_t m = nd.size();
    bool closed = nd.front().x == nd.back().x && nd.front().y == nd.back().y;
    std::vector<LP> q(m + 2);
    for (size_t i = 0; i < m; ++i) q[i + 1] = {nd[i].x, nd[i].y};
    auto phantoms = [&] {
        if (closed) {
            q[0] = q[m - 1];
            q[m + 1] = q[2];
        } else {
            q[0] = {2 * q[1].x - q[2].x, 2 * q[1].y - q[2].y};
            q[m + 1] = {2 * q[m].x - q[m - 1].x, 2 * q[m].y - q[m - 1].y};
        }
    };
    phantoms();
    if (prefilter) {
        std::vector<LP> f = q;
        for (size_t i = 1; i <= m; ++i)
            f[i] = {(8 * q[i].x - q[i - 1].x - q[i + 1].x) / 6, (8 * q[i].y - q[i - 1].y - q[i + 1].y) / 6};
        q = f;
        phantoms();
    }
    std::vector<LP> out;
    for (size_t k = 0; k + 1 < m; ++k) {
        for (int j = (k == 0 ? 0 : 1); j <= samples; ++j) {
            LD t = LD(j) / samples;
            LD b[4] = {(1 - t) * (1 - t) * (1 - t) / 6, (3 * t * t * t - 6 * t * t + 4) / 6,
                       (-3 * t * t * t + 3 * t * t + 3 * t + 1) / 6, t * t * t / 6};
            LP p{0, 0};
            for (int i = 0; i < 4; ++i) {
                p.x += b[i] * q[k + i].x;
                p.y += b[i] * q[k + i].y;
            }
            out.push_back(p);
        }
    }
    return out;
}

// The interpolating spline from a dense long-double Gaussian elimination of its tangent system.
std::vector<LP> RefInterpolating(const std::vector<LP>& p, int samples) {
    size_t n = p.size();
    std::vector<LD> h(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) h[i] = hypotl(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
    std::vector<std::vector<LD>> a(n, std::vector<LD>(n + 2, 0));
    a[0][0] = 2;
    a[0][1] = 1;
    a[0][n] = 3 * (p[1].x - p[0].x) / h[0];
    a[0][n + 1] = 3 * (p[1].y - p[0].y) / h[0];
    a[n - 1][n - 2] = 1;
    a[n - 1][n - 1] = 2;
    a[n - 1][n] = 3 * (p[n - 1].x - p[n - 2].x) / h[n - 2];
    a[n - 1][n + 1] = 3 * (p[n - 1].y - p[n - 2].y) / h[n - 2];
    for (size_t i = 1; i + 1 < n; ++i) {
        LD lam = h[i] / (h[i - 1] + h[i]);
        a[i][i - 1] = lam;
        a[i][i] = 2;
        a[i][i + 1] = 1 - lam;
        a[i][n] = 3 * (lam * (p[i].x - p[i - 1].x) / h[i - 1] + (1 - lam) * (p[i + 1].x - p[i].x) / h[i]);
        a[i][n + 1] = 3 * (lam * (p[i].y - p[i - 1].y) / h[i - 1] + (1 - lam) * (p[i + 1].y - p[i].y) / h[i]);
    }
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (fabsl(a[r][c]) > fabsl(a[piv][c])) piv = r;
        std::swap(a[c], a[piv]);
        for (size_t r = 0; r < n; ++r) {
            if (r == c || a[r][c] == 0) continue;
            LD f = a[r][c] / a[c][c];
            for (size_t k = c; k < n + 2; ++k) a[r][k] -= f * a[c][k];
        }
    }
    std::vector<LP> m(n);
    for (size_t i = 0; i < n; ++i) m[i] = {a[i][n] / a[i][i], a[i][n + 1] / a[i][i]};
    std::vector<LP> out{p[0]};
    for (size_t i = 0; i + 1 < n; ++i) {
        LP c1{p[i].x + m[i].x * h[i] / 3, p[i].y + m[i].y * h[i] / 3};
        LP c2{p[i + 1].x - m[i + 1].x * h[i] / 3, p[i + 1].y - m[i + 1].y * h[i] / 3};
        for (int j = 1; j <= samples; ++j) {
            LD t = LD(j) / samples, s = 1 - t;
            out.push_back({s * s * s * p[i].x + 3 * s * s * t * c1.x + 3 * s * t * t * c2.x + t * t * t * p[i + 1].x,
                           s * s * s * p[i].y + 3 * s * s * t * c1.y + 3 * s * t * t * c2.y + t * t * t * p[i + 1].y});
        }
    }
    return out;
}

void ExpectClose(const Polyline& got, const std::vector<LP>& want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, (double)want[i].x, tol) << i;
        EXPECT_NEAR(got[i].y, (double)want[i].y, tol) << i;
    }
}

uint32_t Flags(int curve, uint32_t extra = 0) { return (uint32_t(curve) << lineflag::kCurveShift) | extra; }

}  // namespace

TEST(Smooth, SampleCounts) {
    std::vector<Node> nodes{{0, 0, 0}, {500, 0, 0x10000}, {500, 1540, 0x20000}, {500, 3090, 0}, {500, 1e7f, 0}};
    FillSampleCounts(nodes, 0);
    EXPECT_EQ(nodes[0].word, 0u);               // the first node gets no count
    EXPECT_EQ(nodes[1].word, 0x10000u | 15);    // 5 mm: the minimum, break flag kept
    EXPECT_EQ(nodes[2].word, 0x20000u | 15);    // 15.4 mm
    EXPECT_EQ(nodes[3].samples(), 16u);         // 15.5 mm
    EXPECT_EQ(nodes[4].samples(), 0xFFFFu);     // capped at the field, not spilled into bit 16
    EXPECT_FALSE(nodes[4].isBreak());
    FillSampleCounts(nodes, 7);
    for (size_t i = 1; i < nodes.size(); ++i) EXPECT_EQ(nodes[i].samples(), 7u);
    EXPECT_TRUE(nodes[1].isBreak());
}

TEST(Smooth, BSplinesMatchBasisFunctions) {
    TSmooth sm;
    std::mt19937 rng(1);
    for (int it = 0; it < 10; ++it) {
        std::vector<Node> nodes = RandomNodes(rng, 4 + it);
        if (it % 3 == 2) nodes.push_back(nodes.front());  // closed
        for (int type : {kCurveBSplineThrough, kCurveBSplineControl}) {
            std::vector<Node> work = nodes;
            Polyline got = sm.EvaluateNodes(work, type, 9);
            ExpectClose(got, RefBSpline(nodes, type == kCurveBSplineThrough, 9), 0.02);
            if (it % 3 != 2) {  // open: exactly on the end nodes
                EXPECT_EQ(got.front(), nodes.front().pt());
                EXPECT_EQ(got.back(), nodes.back().pt());
            }
        }
    }
    // A short closed curve (three nodes) gives a defined result too.
    std::vector<Node> tiny{{0, 0, 0}, {1000, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(sm.EvaluateNodes(tiny, kCurveBSplineThrough, 4).size(), 9u);
}

TEST(Smooth, BreakNodeMakesACornerWherePiecesMeet) {
    TSmooth sm;
    std::vector<Node> nodes{{0, 0, 0}, {3000, 0, 0}, {6000, 0, kNodeBreak}, {6000, 3000, 0}, {6000, 6000, 0}};
    for (int type : {kCurveBSplineThrough, kCurveBSplineControl, kCurveInterpolating}) {
        std::vector<Node> work = nodes;
        Polyline p = sm.EvaluateNodes(work, type, 10);
        ASSERT_EQ(p.size(), 41u);
        EXPECT_EQ(p[20], (PointF{6000, 0}));  // the shared node appears once, exactly
        // Straight legs on both sides: a right-angle corner at the break.
        EXPECT_NEAR(p[19].y, 0, 1e-3);
        EXPECT_NEAR(p[21].x, 6000, 1e-3);
        EXPECT_NE(p[19], p[20]);
        EXPECT_NE(p[21], p[20]);
    }
}

TEST(Smooth, InterpolatingSplineMatchesDenseSolve) {
    TSmooth sm;
    std::mt19937 rng(4);
    for (int it = 0; it < 10; ++it) {
        std::vector<Node> nodes = RandomNodes(rng, 3 + it * 3);
        std::vector<Node> work = nodes;
        Polyline got = sm.EvaluateNodes(work, kCurveInterpolating, 12);
        std::vector<LP> p;
        for (auto& n : nodes) p.push_back({n.x, n.y});
        ExpectClose(got, RefInterpolating(p, 12), 0.05);
        for (size_t i = 0; i < nodes.size(); ++i) {  // passes through every node
            EXPECT_NEAR(got[i * 12].x, nodes[i].x, 0.02);
            EXPECT_NEAR(got[i * 12].y, nodes[i].y, 0.02);
        }
    }
    // Closed: solved on the ring padded with two nodes from the other end on each side.
    std::vector<Node> ring;
    for (int i = 0; i < 7; ++i) ring.push_back({float(5000 * std::cos(2 * kPi * i / 7)), float(3000 * std::sin(2 * kPi * i / 7)), 0});
    ring.push_back(ring.front());
    std::vector<LP> padded;
    for (int k : {5, 6, 0, 1, 2, 3, 4, 5, 6, 7, 1, 2}) padded.push_back({ring[k].x, ring[k].y});
    std::vector<LP> full = RefInterpolating(padded, 10);
    std::vector<LP> want(full.begin() + 20, full.begin() + 20 + 71);
    std::vector<Node> work = ring;
    ExpectClose(sm.EvaluateNodes(work, kCurveInterpolating, 10), want, 0.05);
    // Nodes within 0.01 of each other are merged.
    std::vector<Node> dup{{0, 0, 0}, {1000, 0, 0}, {1000.005f, 0.005f, 0}, {2000, 1000, 0}};
    EXPECT_EQ(sm.EvaluateNodes(dup, kCurveInterpolating, 5).size(), 11u);
}

TEST(Smooth, EdgeCasesOfTheEvaluator) {
    TSmooth sm;
    // Two nodes 50 mm apart: 51 points on the segment; the line keeps indices 0, 12, 25, 37, 50.
    std::vector<Node> two{{0, 0, 0}, {5000, 0, 0}};
    Polyline dense = sm.EvaluateNodes(two, kCurveInterpolating, 0);
    ASSERT_EQ(dense.size(), 51u);
    for (PointF p : dense) EXPECT_NEAR(p.y, 0, 1e-4);
    Polyline line;
    ASSERT_TRUE(EvaluateLine(sm, two, Flags(kCurveInterpolating), line));
    EXPECT_EQ(line, (Polyline{dense[0], dense[12], dense[25], dense[37], dense[50]}));

    // A closed interpolating outline with 4 distinct nodes is its polygon.
    std::vector<Node> quad{{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}, {0, 0, 0}};
    EXPECT_EQ(sm.EvaluateNodes(quad, kCurveInterpolating, 0), (Polyline{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}));

    // Centred arc; with the first node flagged, mirrored about x = 0.
    std::vector<Node> arc{{1000, 0, 0}, {500, 0, 0}, {0, float(kPi / 2), 0}};
    Polyline a = sm.EvaluateNodes(arc, kCurveCentredArc, 0);
    ASSERT_GT(a.size(), 2u);
    EXPECT_NEAR(a.front().x, 1500, 1e-3);
    EXPECT_NEAR(a.back().x, 1000, 1e-2);
    EXPECT_NEAR(a.back().y, 500, 1e-2);
    arc[0].word = kNodeBreak;
    Polyline m = sm.EvaluateNodes(arc, kCurveCentredArc, 0);
    ASSERT_EQ(m.size(), a.size());
    for (size_t i = 0; i < m.size(); ++i) EXPECT_EQ(m[i], (PointF{-a[i].x, a[i].y}));

    std::vector<Node> three{{0, 0, 0}, {1000, 1000, 0}, {2000, 0, 0}};
    Polyline arc3 = sm.EvaluateNodes(three, kCurveArc3, 0);
    EXPECT_EQ(arc3.front(), (PointF{0, 0}));
    EXPECT_EQ(arc3.back(), (PointF{2000, 0}));
    for (PointF p : arc3) EXPECT_NEAR(std::hypot(p.x - 1000, p.y), 1000, 0.05);
    std::vector<Node> collinear{{0, 0, 0}, {1000, 0, 0}, {2000, 0, 0}};
    EXPECT_EQ(sm.EvaluateNodes(collinear, kCurveArc3, 0), (Polyline{{0, 0}, {2000, 0}}));
    std::vector<Node> four{{0, 0, 0}, {1, 2, 0}, {3, 1, 0}, {5, 5, 0}};
    Polyline copied{{0, 0}, {1, 2}, {3, 1}, {5, 5}};
    EXPECT_EQ(sm.EvaluateNodes(four, kCurveArc3, 0), copied);  // wrong count: copied
    EXPECT_EQ(sm.EvaluateNodes(four, kCurvePolyline, 0), copied);
    EXPECT_EQ(sm.EvaluateNodes(four, 11, 0), copied);
    EXPECT_EQ(sm.EvaluateNodes(four, kCurvePolyline, 0).size(), 4u);

    // Bad lines: nothing to evaluate, or coordinates that are not numbers.
    std::vector<Node> none;
    Polyline out{{1, 1}};
    EXPECT_FALSE(EvaluateLine(sm, none, 0, out));
    EXPECT_TRUE(out.empty());
    std::vector<Node> nan{{0, 0, 0}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}};
    EXPECT_FALSE(EvaluateLine(sm, nan, 0, out));
    std::vector<Node> hugeArc{{0, 0, 0}, {1e6f, 0, 0}, {0, 1e9f, 0}};
    EXPECT_FALSE(EvaluateLine(sm, hugeArc, Flags(kCurveCentredArc), out));
    std::vector<Node> single{{7, 8, 0}};
    EXPECT_TRUE(EvaluateLine(sm, single, 0, out));
    EXPECT_EQ(out, (Polyline{{7, 8}}));
}

TEST(Smooth, EvaluatedLinesAreSimplified) {
    TSmooth sm;
    std::mt19937 rng(8);
    std::vector<Node> nodes = RandomNodes(rng, 30);
    std::vector<Node> work = nodes;
    Polyline dense = sm.EvaluateNodes(work, kCurveBSplineThrough, 0);
    Polyline line;
    ASSERT_TRUE(EvaluateLine(sm, nodes, Flags(kCurveBSplineThrough), line));
    EXPECT_LT(line.size(), dense.size());
    for (size_t i = 1; i < line.size(); ++i) EXPECT_LE(PtDist(line[i - 1], line[i]), 2000.0f);
    for (PointF p : dense) EXPECT_LE(PolyNearest(line, p).dist, 1.0f + 1e-3f);
    EXPECT_EQ(nodes[5].samples(), work[5].samples());  // counts written back to the nodes
}

TEST(Smooth, ArcFitting) {
    // Points sampled from one circular arc fit a single arc.
    Polyline arc;
    for (int i = 0; i <= 60; ++i) {
        double a = 0.2 + 2.0 * i / 60;
        arc.push_back({float(3000 + 8000 * std::cos(a)), float(-1000 + 8000 * std::sin(a))});
    }
    std::vector<ArcPiece> one = FitArcs(arc, 12.0f);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_FALSE(one[0].IsStraight());
    EXPECT_EQ(one[0].first, 0);
    EXPECT_EQ(one[0].last, 60);
    Circle c = Circumcircle(one[0].start, one[0].middle, one[0].end);
    EXPECT_NEAR(c.centre.x, 3000, 1.0);
    EXPECT_NEAR(c.centre.y, -1000, 1.0);
    EXPECT_NEAR(c.radius, 8000, 1.0);

    // Two tangent arcs (an S): two arc pieces meeting at the inflection.
    Polyline s;
    for (int i = 0; i <= 40; ++i) {
        double a = kPi - kPi / 2 * i / 40;  // upper-left quarter of a circle about (5000, 0)
        s.push_back({float(5000 + 5000 * std::cos(a)), float(5000 * std::sin(a))});
    }
    for (int i = 1; i <= 40; ++i) {
        double a = kPi + kPi / 2 * i / 40;  // then the lower quarter of a circle about (5000, 10000)
        s.push_back({float(5000 + 5000 * std::cos(a + kPi)), float(10000 + 5000 * std::sin(a))});
    }
    std::vector<ArcPiece> pieces = FitArcs(s, 12.0f);
    ASSERT_GE(pieces.size(), 2u);
    EXPECT_EQ(pieces.front().first, 0);
    EXPECT_EQ(pieces.back().last, 80);
    for (size_t i = 1; i < pieces.size(); ++i) EXPECT_EQ(pieces[i].first, pieces[i - 1].last);

    // Too few points to read a window: defined straight pieces, never a read past the end.
    EXPECT_TRUE(FitArcs(Polyline{{0, 0}}, 12).empty());
    for (size_t n = 2; n <= 5; ++n) {
        Polyline few(arc.begin(), arc.begin() + n);
        std::vector<ArcPiece> f = FitArcs(few, 12);
        ASSERT_FALSE(f.empty());
        EXPECT_EQ(f.back().last, int(n - 1));
        EXPECT_EQ(f.back().end, few.back());
    }
}

TEST(Smooth, RefitRangeKeepsEndFlags) {
    TSmooth sm;
    std::vector<Node> nodes;
    for (int i = 0; i <= 8; ++i) {
        double a = kPi * i / 8;
        nodes.push_back({float(10000 * std::cos(a)), float(10000 * std::sin(a)), 0});
    }
    nodes[2].word = kNodeBreak | 0x100000;
    nodes[6].word = kNodeBreak;
    std::vector<Node> before = nodes;
    EXPECT_EQ(sm.RefitRange(nodes, 3, 3, 500), 0);
    EXPECT_EQ(sm.RefitRange(nodes, 2, 6, 50), 0);  // step below 100
    EXPECT_EQ(nodes, before);
    int end = sm.RefitRange(nodes, 2, 6, 500);
    ASSERT_GT(end, 6);
    EXPECT_EQ(nodes[2], before[2]);
    EXPECT_EQ(nodes[end], before[6]);
    EXPECT_EQ(nodes.size(), before.size() - 5 + (end - 2 + 1));
    // The new nodes follow the range's control-point curve within the arc-fit tolerance.
    std::vector<Node> range(before.begin() + 2, before.begin() + 7);
    Polyline curve = sm.EvaluateNodes(range, kCurveBSplineControl, 0);
    for (int i = 3; i < end; ++i) {
        EXPECT_EQ(nodes[i].word, 0u);
        EXPECT_LE(PolyNearest(curve, nodes[i].pt()).dist, sm.arcFitTolerance + 2.0f);
    }
    EXPECT_EQ(sm.RefitRange(nodes, 0, 100, 500), 0);  // out of range: no change
}

TEST(Smooth, QuickDrawAppliesOnce) {
    TSmooth sm;
    std::vector<Node> nodes;
    for (int i = 0; i <= 30; ++i) {
        double a = kPi * i / 30;
        nodes.push_back({float(10000 * std::cos(a)), float(6000 * std::sin(a)), 0});
    }
    uint32_t flags = Flags(kCurveInterpolating);
    Polyline ev;
    ASSERT_TRUE(sm.QuickDraw(nodes, flags, ev));
    EXPECT_TRUE(flags & lineflag::kQuickDrawn);
    EXPECT_TRUE(flags & lineflag::kNodesRefitted);
    EXPECT_FALSE(ev.empty());
    EXPECT_EQ(ev.front(), (PointF{10000, 0}));
    for (PointF p : ev) EXPECT_NEAR(std::hypot(p.x / 10000.0, p.y / 6000.0), 1.0, 0.01);
    std::vector<Node> once = nodes;
    EXPECT_FALSE(sm.QuickDraw(nodes, flags, ev));
    EXPECT_EQ(nodes, once);

    std::vector<Node> shortLine{{0, 0, 0}, {100, 0, 0}};
    uint32_t f2 = 0;
    EXPECT_FALSE(sm.QuickDraw(shortLine, f2, ev));
    EXPECT_EQ(f2, 0u);

    // A closed line stays closed.
    std::vector<Node> ring;
    for (int i = 0; i < 24; ++i) ring.push_back({float(5000 * std::cos(2 * kPi * i / 24)), float(5000 * std::sin(2 * kPi * i / 24)), 0});
    ring.push_back(ring.front());
    uint32_t f3 = Flags(kCurveInterpolating);
    ASSERT_TRUE(sm.QuickDraw(ring, f3, ev));
    EXPECT_EQ(ring.front().pt(), ring.back().pt());
}

TEST(Smooth, SelfSymmetricStepIsStable) {
    TSmooth sm;
    // An arch whose right half is only roughly the mirror of its left half.
    std::vector<Node> nodes{{0, 0, 0},       {1000, 3000, 0}, {3000, 5000, kNodeBreak}, {5200, 5400, 0},
                            {7300, 4800, 0}, {9100, 2900, 0}, {10000, 0, 0}};
    uint32_t flags = Flags(kCurveBSplineThrough, lineflag::kSelfSymmetric);
    Polyline first;
    ASSERT_TRUE(EvaluateLine(sm, nodes, flags, first));
    // The first node past the axis x = 5000 is node 3: nodes 0..2 and their mirror images.
    ASSERT_EQ(nodes.size(), 6u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(nodes[5 - k].x, 10000 - nodes[k].x, 1e-3);
        EXPECT_EQ(nodes[5 - k].y, nodes[k].y);
        EXPECT_EQ(nodes[5 - k].word & ~kNodeSamplesMask, nodes[k].word & ~kNodeSamplesMask);  // flags copied
    }
    EXPECT_EQ(nodes.back().pt(), (PointF{10000, 0}));
    std::vector<Node> once = nodes;
    Polyline second;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(EvaluateLine(sm, nodes, flags, second));
    EXPECT_EQ(nodes, once);
    EXPECT_EQ(second, first);

    // A tilted chord and a crossing close to the chord's midpoint: still stable, no turn.
    std::vector<Node> flat{{0, 0, 0}, {3000, 1010, 0}, {6000, 1990, 0}, {9000, 3050, 0}, {12000, 4000, 0}};
    ASSERT_TRUE(MakeSelfSymmetric(flat));
    std::vector<Node> f1 = flat;
    EXPECT_FALSE(MakeSelfSymmetric(flat));
    EXPECT_EQ(flat, f1);
    EXPECT_EQ(flat.front().pt(), (PointF{0, 0}));
    EXPECT_EQ(flat.back().pt(), (PointF{12000, 4000}));

    // Closed lines and lines that never cross the axis are left alone.
    std::vector<Node> closed{{0, 0, 0}, {100, 100, 0}, {0, 0, 0}};
    EXPECT_FALSE(MakeSelfSymmetric(closed));
    std::vector<Node> one{{0, 0, 0}};
    EXPECT_FALSE(MakeSelfSymmetric(one));
}

TEST(Smooth, SettingsBytesAndHelpers) {
    TSmooth sm;
    auto b = sm.SaveSettings();
    const uint8_t want[20] = {0x00, 0x00, 0x48, 0x42, 20, 0, 0, 0, 1, 0, 0, 0, 0x00, 0x00, 0x40, 0x41, 0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(std::memcmp(b.data(), want, 20), 0);
    TSmooth other;
    other.joinDistance = 30;
    other.refitChord = 35;
    other.refitTolerance = 3;
    other.arcFitTolerance = 7.5f;
    other.straightTolerance = 2.25f;
    auto ob = other.SaveSettings();
    TSmooth back;
    ASSERT_TRUE(back.LoadSettings(ob));
    EXPECT_EQ(back.SaveSettings(), ob);
    EXPECT_FLOAT_EQ(back.arcFitTolerance, 7.5f);
    // A short buffer changes nothing; values that are not usable fall back to their defaults.
    TSmooth keep = back;
    EXPECT_FALSE(keep.LoadSettings(std::span<const uint8_t>(ob.data(), 19)));
    EXPECT_EQ(keep.SaveSettings(), ob);
    auto bad = ob;
    bad[0] = 0x00, bad[1] = 0x00, bad[2] = 0xC0, bad[3] = 0x7F;  // NaN join distance
    bad[4] = 0xFF, bad[5] = 0xFF, bad[6] = 0xFF, bad[7] = 0xFF;  // chord -1
    ASSERT_TRUE(keep.LoadSettings(bad));
    EXPECT_EQ(keep.joinDistance, 50.0f);
    EXPECT_EQ(keep.refitChord, 20);
    EXPECT_EQ(keep.refitTolerance, 3);
    keep.RestoreDefaults(true);
    EXPECT_EQ(keep.joinDistance, 30.0f);

    EXPECT_TRUE(sm.NodesNear({0, 0, 0}, {30, 40, 0}));  // exactly 50
    EXPECT_FALSE(sm.NodesNear({0, 0, 0}, {30, 40.1f, 0}));
    EXPECT_TRUE(sm.ThreePointsStraight({0, 0}, {500, 0.9f}, {1000, 0}));
    EXPECT_FALSE(sm.ThreePointsStraight({0, 0}, {500, 1.0f}, {1000, 0}));
    EXPECT_TRUE(sm.ThreePointsStraight({0, 0}, {500, 300}, {0, 0}));

    Polyline dense;
    for (int i = 0; i <= 500; ++i) dense.push_back({float(i * 20), 0});
    std::vector<Node> thin = sm.NodesFromPolyline(dense);
    ASSERT_GE(thin.size(), 6u);  // 100 mm with a 20 mm longest chord
    for (size_t i = 1; i < thin.size(); ++i) EXPECT_LE(PtDist(thin[i - 1].pt(), thin[i].pt()), 2000.0f);
    for (const Node& n : thin) EXPECT_EQ(n.word, 0u);
}

TEST(Smooth, MarginPolyline) {
    TSmooth sm;
    std::vector<Node> sq{{0, 0, 0}, {2000, 0, 0}, {2000, 2000, 0}, {0, 2000, 0}, {0, 0, 0}};
    Polyline ev;
    ASSERT_TRUE(EvaluateLine(sm, sq, Flags(kCurvePolyline), ev));
    EXPECT_TRUE(MarginPolyline(ev, 0.0f).empty());
    Polyline out = MarginPolyline(ev, 500.0f);  // right of a counter-clockwise outline: outside
    ASSERT_EQ(out.size(), ev.size());
    EXPECT_NEAR(out[0].x, -500, 1e-3);
    EXPECT_NEAR(out[0].y, -500, 1e-3);
    EXPECT_EQ(out.front(), out.back());
    Polyline in = MarginPolyline(ev, -500.0f);
    EXPECT_NEAR(in[2].x, 1500, 1e-3);
    EXPECT_NEAR(in[2].y, 1500, 1e-3);
    EXPECT_TRUE(MarginPolyline(Polyline{{1, 1}}, 100.0f).empty());
}

TEST(Smooth, QuickDrawSpacing) {
    TSmooth sm;
    // A straight polyline: first gap 10 mm, then a 50 mm gap (split into five) and two 1 mm
    // gaps (their end nodes dropped): the shape stays the same either way.
    std::vector<Node> nodes{{0, 0, 0}, {1000, 0, 0}, {6000, 0, 0}, {6100, 0, 0}, {6200, 0, 0}, {7200, 0, 0}};
    QuickDrawSpacing(sm, nodes, kCurvePolyline, 100.0f);
    std::vector<float> xs;
    for (const Node& n : nodes) {
        EXPECT_NEAR(n.y, 0.0f, 1e-3);
        xs.push_back(n.x);
    }
    ASSERT_EQ(xs.size(), 8u);
    std::vector<float> want{0, 1000, 2000, 3000, 4000, 5000, 6000, 7200};
    for (size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], want[i], 0.5) << i;

    // A node whose removal would change the shape stays.
    std::vector<Node> corner{{0, 0, 0}, {1000, 0, 0}, {1400, 0, 0}, {1400, 1000, 0}};
    QuickDrawSpacing(sm, corner, kCurvePolyline, 100.0f);
    EXPECT_EQ(corner.size(), 4u);
}
