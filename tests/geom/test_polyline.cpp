#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "geom/polyline.h"
#include "geom/primitives.h"

using namespace rz;

namespace {

constexpr double kPi = std::numbers::pi;

Polyline Square(float x0, float y0, float side, bool ccw) {
    Polyline p{{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}, {x0, y0}};
    if (!ccw) std::reverse(p.begin(), p.end());
    return p;
}

double Shoelace(const Polyline& p) {
    double a = 0;
    for (size_t i = 1; i < p.size(); ++i) a += double(p[i - 1].x) * p[i].y - double(p[i].x) * p[i - 1].y;
    return a / 2;
}

// Star-shaped closed polygon, counter-clockwise, vertices snapped to a grid.
Polyline Star(std::mt19937& rng, int n, float grid) {
    std::uniform_real_distribution<float> rr(800, 2000);
    Polyline p;
    for (int i = 0; i < n; ++i) {
        double a = 2 * kPi * i / n;
        float r = rr(rng);
        p.push_back({std::round(float(r * std::cos(a)) / grid) * grid, std::round(float(r * std::sin(a)) / grid) * grid});
    }
    p.push_back(p.front());
    return p;
}

// Plain recursive Douglas-Peucker with the chord limit, the reference for PolySimplify.
double RefSegDist(PointF a, PointF b, PointF p) {
    long double dx = (long double)b.x - a.x, dy = (long double)b.y - a.y;
    long double l2 = dx * dx + dy * dy;
    long double t = l2 > 0 ? (((long double)p.x - a.x) * dx + ((long double)p.y - a.y) * dy) / l2 : 0;
    t = std::clamp(t, 0.0L, 1.0L);
    return (double)hypotl(a.x + t * dx - p.x, a.y + t * dy - p.y);
}
void RefDP(const Polyline& p, size_t i, size_t k, float tol, float chord, std::vector<char>& keep) {
    if (k - i < 2) return;
    size_t split = 0;
    if (!PtSame(p[i], p[k])) {
        double best = -1;
        for (size_t j = i + 1; j < k; ++j) {
            double d = RefSegDist(p[i], p[k], p[j]);
            if (d > best) {
                best = d;
                split = j;
            }
        }
        if (!(best > tol)) split = (chord > 0 && std::hypot(p[k].x - p[i].x, p[k].y - p[i].y) > chord) ? (i + k) / 2 : 0;
    } else {
        split = (i + k) / 2;
    }
    if (!split) return;
    keep[split] = 1;
    RefDP(p, i, split, tol, chord, keep);
    RefDP(p, split, k, tol, chord, keep);
}

// Loop removal exactly as described: after every cut the scan starts again from segment 2.
bool RefCross(PointF a1, PointF a2, PointF b1, PointF b2) {
    if (std::max(a1.x, a2.x) < std::min(b1.x, b2.x) || std::max(b1.x, b2.x) < std::min(a1.x, a2.x) ||
        std::max(a1.y, a2.y) < std::min(b1.y, b2.y) || std::max(b1.y, b2.y) < std::min(a1.y, a2.y))
        return false;
    auto cr = [](double ax, double ay, double bx, double by) { return ax * by - ay * bx; };
    double dax = double(a2.x) - a1.x, day = double(a2.y) - a1.y, dbx = double(b2.x) - b1.x, dby = double(b2.y) - b1.y;
    double s1 = cr(dax, day, double(b1.x) - a1.x, double(b1.y) - a1.y);
    double s2 = cr(dax, day, double(b2.x) - a1.x, double(b2.y) - a1.y);
    if (s1 * s2 > 0) return false;
    double s3 = cr(dbx, dby, double(a1.x) - b1.x, double(a1.y) - b1.y);
    double s4 = cr(dbx, dby, double(a2.x) - b1.x, double(a2.y) - b1.y);
    return s3 * s4 <= 0;
}
Polyline RefRemoveLoops(const Polyline& in, bool closed) {
    struct IP {
        int id;
        PointF p;
    };
    std::vector<IP> v;
    for (size_t i = 0; i < in.size(); ++i) v.push_back({int(i), in[i]});
    int n0 = int(in.size());
    auto allowed = [&](int a, int b) {
        if (a == 1 && b == n0 - 1) return false;
        return !closed || (b - a - 1) <= (n0 - 1) / 2;
    };
    size_t i = 1;
    while (i + 2 < v.size()) {
        size_t found = 0;
        for (size_t j = v.size() - 1; j >= i + 2; --j)
            if (allowed(v[i].id, v[j].id) && RefCross(v[i - 1].p, v[i].p, v[j - 1].p, v[j].p)) {
                found = j;
                break;
            }
        if (!found) {
            ++i;
            continue;
        }
        v.erase(v.begin() + i + 1, v.begin() + found);
        PointF a = v[i - 1].p, b = v[i + 1].p;
        PointF aa = i >= 2 ? v[i - 2].p : a;
        PointF bb = i + 2 < v.size() ? v[i + 2].p : b;
        v[i].p = {float(9.0 / 16.0 * (double(a.x) + b.x) - 1.0 / 16.0 * (double(aa.x) + bb.x)),
                  float(9.0 / 16.0 * (double(a.y) + b.y) - 1.0 / 16.0 * (double(aa.y) + bb.y))};
        i = 2;
    }
    Polyline out;
    for (auto& e : v) out.push_back(e.p);
    return out;
}

// The same cuts as the restart scan, found the way the first fast version did: after a cut only
// the segments before the cut point are checked against the two changed segments. Candidates are
// every live segment, taken by a plain walk, so this checks the spatial index of the real code.
Polyline WalkRemoveLoops(const Polyline& in, bool closed) {
    int n = int(in.size());
    Polyline p = in;
    std::vector<int> prev(n), next(n);
    for (int i = 0; i < n; ++i) prev[i] = i - 1, next[i] = i + 1;
    int tail = n - 1;
    auto allowed = [&](int a, int b) { return !(a == 1 && b == tail) && (!closed || (b - a - 1) <= (n - 1) / 2); };
    auto cross = [&](int a, int b) { return RefCross(p[prev[a]], p[a], p[prev[b]], p[b]); };
    auto cut = [&](int i, int j) {
        next[i] = j;
        prev[j] = i;
        int a = prev[i], b = j, aa = a == 0 ? a : prev[a], bb = b == tail ? b : next[b];
        p[i] = {float(9.0 / 16.0 * (double(p[a].x) + p[b].x) - 1.0 / 16.0 * (double(p[aa].x) + p[bb].x)),
                float(9.0 / 16.0 * (double(p[a].y) + p[b].y) - 1.0 / 16.0 * (double(p[aa].y) + p[bb].y))};
    };
    int i = 1;
    while (i != tail) {
        int j = -1;
        for (int c = tail; c > next[i]; c = prev[c])
            if (allowed(i, c) && cross(i, c)) {
                j = c;
                break;
            }
        if (j < 0) {
            i = next[i];
            continue;
        }
        int at = i, to = j;
        for (;;) {
            cut(at, to);
            int k = -1, kj = -1;
            for (int c = next[1]; c < at && k < 0; c = next[c]) {
                if (allowed(c, next[at]) && cross(c, next[at])) k = c, kj = next[at];
                else if (next[c] != at && allowed(c, at) && cross(c, at)) k = c, kj = at;
            }
            if (k < 0) break;
            at = k;
            to = kj;
        }
        i = at > 1 ? at : next[1];
    }
    Polyline out;
    for (int e = 0;; e = next[e]) {
        out.push_back(p[e]);
        if (e == tail) break;
    }
    return out;
}

}  // namespace

TEST(Polylines, LengthPointAtAndNearest) {
    Polyline p{{0, 0}, {100, 0}, {100, 100}};
    EXPECT_FLOAT_EQ(PolyLength(p), 200.0f);
    EXPECT_FLOAT_EQ(PolyLength(Polyline{}), 0.0f);

    PointAt a0 = PolyPointAt(p, 0);
    EXPECT_EQ(a0.pt, (PointF{0, 0}));
    PointAt a = PolyPointAt(p, 150);
    EXPECT_EQ(a.index, 2);
    EXPECT_NEAR(a.pt.x, 100, 1e-4);
    EXPECT_NEAR(a.pt.y, 50, 1e-4);
    PointAt beyond = PolyPointAt(p, 500);
    EXPECT_EQ(beyond.pt, (PointF{100, 100}));
    EXPECT_EQ(beyond.index, 2);
    // Before the start: clamped to the first point, never extrapolated backwards.
    EXPECT_EQ(PolyPointAt(p, -50).pt, (PointF{0, 0}));
    // Zero-length segments and degenerate polylines give defined results.
    Polyline dup{{5, 5}, {5, 5}, {5, 5}};
    EXPECT_EQ(PolyPointAt(dup, 1).pt, (PointF{5, 5}));
    EXPECT_EQ(PolyPointAt(Polyline{{7, 7}}, 3).pt, (PointF{7, 7}));
    EXPECT_EQ(PolyPointAt(Polyline{}, 3).index, 0);

    // A vertex that is also an adjacent segment's foot: the segment wins.
    Nearest v = PolyNearest(p, {100, 0});
    EXPECT_EQ(v.where, 1);
    Nearest w = PolyNearest(p, {120, -20});  // only the vertex is near
    EXPECT_EQ(w.where, -1);
    Nearest s = PolyNearest(p, {50, 10});
    EXPECT_EQ(s.where, 1);
    EXPECT_EQ(s.pt, (PointF{50, 0}));
    EXPECT_EQ(PolyNearest(p, {-5, -5}).where, 0);

    LengthTo l = PolyLengthTo(p, {110, 60});
    EXPECT_NEAR(l.length, 160, 1e-3);
    LengthTo lv = PolyLengthTo(p, {100, 100.005f});  // vertex first; the foot is not closer by 0.01
    EXPECT_EQ(lv.pt, (PointF{100, 100}));
    EXPECT_NEAR(lv.length, 200, 1e-3);

    PointF c = PolyCentroid(p);
    EXPECT_NEAR(c.x, 75, 1e-4);
    EXPECT_NEAR(c.y, 25, 1e-4);
    EXPECT_EQ(PolyCentroid(dup), (PointF{5, 5}));
    Shape chain{{{0, 0}, {10, 0}}, {{0, 10}, {10, 10}}};
    EXPECT_EQ(PolyCentroid(chain), (PointF{5, 5}));
}

TEST(Polylines, AreaStripsAgainstExactAreas) {
    EXPECT_DOUBLE_EQ(PolyArea(Square(0, 0, 100, true)), 9000.0);  // strips at 10..90
    Polyline open{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    EXPECT_EQ(PolyArea(open), 0.0);
    // A vertex exactly on a strip height counts once: the triangle's strips are exact.
    Polyline tri{{0, 0}, {100, 20}, {0, 40}, {0, 0}};
    EXPECT_DOUBLE_EQ(PolyArea(tri), 2000.0);
    // Grid-snapped star polygons: every vertex height is a strip height. With piecewise-linear
    // widths the strip sum equals the exact area less half a strip of the bottom and top widths.
    std::mt19937 rng(3);
    for (int it = 0; it < 30; ++it) {
        Polyline star = Star(rng, 24 + it, kAreaStrip);
        float lo = star[0].y, hi = star[0].y;
        for (PointF q : star) lo = std::min(lo, q.y), hi = std::max(hi, q.y);
        double wb = 0, wt = 0;
        for (size_t i = 1; i < star.size(); ++i) {
            if (star[i].y != star[i - 1].y) continue;
            if (star[i].y == lo) wb += std::fabs(star[i].x - star[i - 1].x);
            if (star[i].y == hi) wt += std::fabs(star[i].x - star[i - 1].x);
        }
        EXPECT_NEAR(PolyArea(star), Shoelace(star) - kAreaStrip / 2 * (wb + wt), 1e-3 * Shoelace(star)) << it;
    }
    // A comb crosses far more than 32 edges at one height.
    Polyline comb{{0, 0}};
    for (int t = 0; t < 40; ++t) {
        float x = t * 100.0f;
        comb.push_back({x + 50, 0});
        comb.push_back({x + 50, 1000});
        comb.push_back({x + 100, 1000});
        comb.push_back({x + 100, 0});
    }
    comb.push_back({4000, -500});
    comb.push_back({0, -500});
    comb.push_back({0, 0});
    // Strips -490..-10: 49 of width 4000; at 0 the strip takes the width just above (the
    // teeth, 2000); 10..990: 99 of width 2000.
    EXPECT_DOUBLE_EQ(PolyArea(comb), 49 * 4000 * 10.0 + 2000 * 10.0 + 99 * 2000 * 10.0);
    // Above a height: the upper half of a square.
    EXPECT_DOUBLE_EQ(PolyAreaAbove(Square(0, 0, 100, true), 50), 5000.0);
}

TEST(Polylines, PointInPolygonWindingAndBoundary) {
    Polyline ccw = Square(0, 0, 100, true), cw = Square(0, 0, 100, false);
    EXPECT_EQ(PointInPolygon(ccw, {50, 50}), 4);
    EXPECT_EQ(PointInPolygon(cw, {50, 50}), -4);
    EXPECT_EQ(PointInPolygon(ccw, {500, 50}), 0);
    EXPECT_EQ(PointInPolygon(ccw, {100, 100}), 8);  // vertex
    EXPECT_EQ(PointInPolygon(ccw, {50, 0}), 8);     // horizontal edge
    EXPECT_EQ(PointInPolygon(ccw, {100, 30}), 8);   // vertical edge
    Polyline diamond{{0, -100}, {100, 0}, {0, 100}, {-100, 0}, {0, -100}};
    EXPECT_EQ(PointInPolygon(diamond, {50, -50}), 8);  // on a diagonal edge
    EXPECT_EQ(PointInPolygon(diamond, {-30, 70}), 8);
    EXPECT_EQ(PointInPolygon(diamond, {0, 0}), 4);
    EXPECT_EQ(PointInPolygon(diamond, {60, 60}), 0);
    // Random points against an independent crossing-number test on star polygons.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-2100, 2100);
    Polyline star = Star(rng, 40, 1);
    for (int it = 0; it < 3000; ++it) {
        PointF q{u(rng), u(rng)};
        bool in = false;
        for (size_t i = 1; i < star.size(); ++i) {
            PointF a = star[i - 1], b = star[i];
            if ((a.y > q.y) != (b.y > q.y)) {
                double x = a.x + (double(q.y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
                if (x > q.x) in = !in;
            }
        }
        EXPECT_EQ(PointInPolygon(star, q), in ? 4 : 0) << q.x << "," << q.y;
    }
}

TEST(Polylines, OrientationAnyStartVertexAndStraightness) {
    std::mt19937 rng(9);
    for (int it = 0; it < 20; ++it) {
        Polyline star = Star(rng, 7 + it, 1);
        star.pop_back();
        for (size_t s = 0; s < star.size(); ++s) {
            Polyline r;
            for (size_t k = 0; k < star.size(); ++k) r.push_back(star[(s + k) % star.size()]);
            r.push_back(r.front());
            EXPECT_TRUE(PolyIsCounterClockwise(r));
            std::reverse(r.begin(), r.end());
            EXPECT_FALSE(PolyIsCounterClockwise(r));
        }
    }
    // The top vertex with both neighbours on one side, clockwise.
    Polyline hook{{0, 100}, {10, 0}, {-50, 0}, {5, 50}, {0, 100}};
    EXPECT_EQ(PolyIsCounterClockwise(hook), Shoelace(hook) > 0);

    Polyline line;
    for (int i = 0; i < 5; ++i) line.push_back({i * 100.0f, 0});
    EXPECT_TRUE(PolyIsStraight(line, 1.0f));
    line[2].y = 50;  // an even index: every interior point counts
    EXPECT_FALSE(PolyIsStraight(line, 1.0f));
    Polyline longLine;
    for (int i = 0; i < 40; ++i) longLine.push_back({i * 10.0f, 0});
    longLine[7].y = 5;  // 40/20 = 2 points may stray
    longLine[20].y = 5;
    EXPECT_TRUE(PolyIsStraight(longLine, 1.0f));
    longLine[30].y = 5;
    EXPECT_FALSE(PolyIsStraight(longLine, 1.0f));
    EXPECT_FALSE(PolyIsStraight(Polyline{{1, 1}, {5, 5}, {1, 1}}, 1.0f));  // ends coincide
}

TEST(Polylines, SimplifyMatchesRecursiveDouglasPeucker) {
    std::mt19937 rng(21);
    std::normal_distribution<float> jitter(0, 3);
    for (int it = 0; it < 40; ++it) {
        Polyline p;
        int n = 50 + it * 20;
        for (int i = 0; i < n; ++i) {
            double t = double(i) / n;
            p.push_back({float(8000 * t) + jitter(rng), float(1500 * std::sin(6 * t + it)) + jitter(rng)});
        }
        float chord = it % 2 ? 2000.0f : 0.0f;
        std::vector<char> keep(p.size(), 0);
        keep.front() = keep.back() = 1;
        RefDP(p, 0, p.size() - 1, 4.0f, chord, keep);
        Polyline want;
        for (size_t i = 0; i < p.size(); ++i)
            if (keep[i]) want.push_back(p[i]);
        Polyline got = p;
        EXPECT_EQ(PolySimplify(got, 4.0f, chord), want.size());
        EXPECT_EQ(got, want) << it;
    }
}

TEST(Polylines, SimplifyChordLimitTerminatesAndSplitsAtMiddle) {
    // A rectangle's long straight edges used to be split forever once two adjacent points remained.
    Polyline rect{{0, 0}, {5000, 0}, {5000, 3000}, {0, 3000}, {0, 0}};
    Polyline r = rect;
    PolySimplify(r, 1.0f, 2000.0f);
    EXPECT_EQ(r, rect);
    Polyline two{{0, 0}, {100000, 0}};
    PolySimplify(two, 1.0f, 2000.0f);
    EXPECT_EQ(two.size(), 2u);

    Polyline line;
    for (int i = 0; i < 100; ++i) line.push_back({5000.0f * i / 99, 0});
    Polyline s = line;
    PolySimplify(s, 1.0f, 2000.0f);
    EXPECT_EQ(s, (Polyline{line[0], line[24], line[49], line[74], line[99]}));
    for (size_t i = 1; i < s.size(); ++i) EXPECT_LE(PtDist(s[i - 1], s[i]), 2000.0f);
}

TEST(Offsets, SquareAndCircleAgainstExactOffsets) {
    Polyline sq = Square(0, 0, 1000, true);
    PolyOffset(sq, 100.0f, true);  // right of travel = outside of a counter-clockwise outline
    ASSERT_EQ(sq.size(), 5u);
    Polyline want{{-100, -100}, {1100, -100}, {1100, 1100}, {-100, 1100}, {-100, -100}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(sq[i].x, want[i].x, 1e-3);
        EXPECT_NEAR(sq[i].y, want[i].y, 1e-3);
    }
    EXPECT_EQ(sq.front(), sq.back());
    Polyline inner = Square(0, 0, 1000, true);
    PolyOffset(inner, -100.0f, true);
    EXPECT_NEAR(inner[0].x, 100, 1e-3);
    EXPECT_NEAR(inner[2].y, 900, 1e-3);

    const double R = 10000;
    for (int n : {64, 360}) {
        Polyline circle;
        for (int i = 0; i <= n; ++i) circle.push_back({float(R * std::cos(2 * kPi * i / n)), float(R * std::sin(2 * kPi * i / n))});
        circle.back() = circle.front();
        double half = kPi / n;
        for (float d : {500.0f, -500.0f}) {
            Polyline off = circle;
            PolyOffset(off, d, true);
            ASSERT_EQ(off.size(), circle.size());
            EXPECT_EQ(off.front(), off.back());
            // Each offset vertex lies on the mitre of the exact offset circle of radius R + d.
            for (PointF q : off) EXPECT_NEAR(std::hypot(q.x, q.y), R + d / std::cos(half), 0.05);
            // Each offset edge lies at distance R cos(half) + d from the centre.
            for (size_t i = 1; i < off.size(); i += 7)
                EXPECT_NEAR(DistToLine(off[i - 1], off[i], {0, 0}), R * std::cos(half) + d, 0.05);
        }
    }
    // Open line: ends offset along their own segments; positive is to the right.
    Polyline open{{0, 0}, {1000, 0}, {1000, 1000}};
    PolyOffset(open, 50.0f, false);
    EXPECT_EQ(open, (Polyline{{0, -50}, {1050, -50}, {1050, 1000}}));
    // Per-point distances.
    Polyline var{{0, 0}, {1000, 0}, {2000, 0}};
    float ds[] = {10, 20, 30};
    PolyOffset(var, ds, false);
    EXPECT_EQ(var, (Polyline{{0, -10}, {1000, -20}, {2000, -30}}));
}

TEST(Offsets, DegenerateInputs) {
    Polyline dup{{0, 0}, {0, 0}, {100, 0}, {100, 0}};
    PolyOffset(dup, 10.0f, true);
    for (PointF q : dup) {
        EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
        EXPECT_FLOAT_EQ(q.y, -10.0f);
    }
    Polyline one{{5, 5}};
    PolyOffset(one, 10.0f, true);
    EXPECT_EQ(one, (Polyline{{5, 5}}));
    // Reversal: parallel neighbours take the midpoint of the two offset copies of the vertex.
    Polyline back{{0, 0}, {100, 0}, {0, 0}};
    PolyOffset(back, 10.0f, false);
    EXPECT_EQ(back[1], (PointF{100, 0}));
    // Straight runs are not loops: collinear but separate segments never count as crossing.
    Polyline run;
    for (int i = 0; i < 20; ++i) run.push_back({i * 50.0f, 0});
    PolyOffset(run, 25.0f, true);
    EXPECT_EQ(run.size(), 20u);
}

TEST(Offsets, LoopRemovalMatchesRestartingScan) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> u(-1, 1);
    int cutCases = 0;
    for (int it = 0; it < 60; ++it) {
        bool closed = it % 2 == 1;
        Polyline p;
        int n = 80 + it * 7;
        for (int i = 0; i < n; ++i) {
            double t = double(i) / (closed ? n : n - 1);
            double wig = 300 * std::sin(2 * kPi * t * (5 + it % 7)) + 40 * u(rng);
            if (closed) {
                double r = 5000 + wig;
                p.push_back({float(r * std::cos(2 * kPi * t)), float(r * std::sin(2 * kPi * t))});
            } else {
                p.push_back({float(20000 * t), float(wig)});
            }
        }
        if (closed) p.push_back(p.front());
        float d = (it % 3 == 0 ? -1.0f : 1.0f) * (200.0f + 30.0f * (it % 5));
        Polyline raw = p;
        PolyOffset(raw, d, false);
        Polyline want = RefRemoveLoops(raw, closed);
        Polyline got = p;
        PolyOffset(got, d, true);
        EXPECT_EQ(got, want) << "case " << it;
        if (want.size() < raw.size()) ++cutCases;
        if (closed) {
            EXPECT_EQ(got.front(), got.back());
        }
    }
    EXPECT_GT(cutCases, 20);  // the cases really have loops
}

// The spatial index must find the same cuts as a plain walk over every live segment: on a tight
// zigzag (whose margin is a taller zigzag with mitred tips) and on random wavy lines.
TEST(Offsets, LoopRemovalIndexFindsTheSameCutsAsAPlainWalk) {
    Polyline zig;
    for (int i = 0; i < 5000; ++i) zig.push_back({20.0f * i, (i % 2) ? 3000.0f : 0.0f});
    Polyline raw = zig;
    PolyOffset(raw, 500.0f, false);
    Polyline want = WalkRemoveLoops(raw, false);
    Polyline got = zig;
    PolyOffset(got, 500.0f, true);
    EXPECT_EQ(got, want);

    std::mt19937 rng(29);
    std::uniform_real_distribution<float> u(-1, 1);
    int cutCases = 0;
    for (int it = 0; it < 40; ++it) {
        bool closed = it % 2 == 0;
        int n = 50 + int(std::abs(u(rng)) * 3000);
        double amp = 100 + 900 * std::abs(u(rng)), waves = 3 + 60 * std::abs(u(rng));
        Polyline p;
        for (int i = 0; i < n; ++i) {
            double t = double(i) / (closed ? n : n - 1);
            double wig = amp * std::sin(2 * kPi * t * waves) + 80 * u(rng);
            if (closed) {
                double r = 8000 + wig;
                p.push_back({float(r * std::cos(2 * kPi * t)), float(r * std::sin(2 * kPi * t))});
            } else {
                p.push_back({float(30000 * t), float(wig)});
            }
        }
        if (closed) p.push_back(p.front());
        float d = (u(rng) < 0 ? -1.0f : 1.0f) * (100.0f + 600.0f * std::abs(u(rng)));
        Polyline r = p;
        PolyOffset(r, d, false);
        Polyline g = p;
        PolyOffset(g, d, true);
        Polyline w = WalkRemoveLoops(r, closed);
        EXPECT_EQ(g, w) << "case " << it;
        cutCases += w.size() < r.size();
    }
    EXPECT_GT(cutCases, 10);  // the cases really have loops

    // Turning walks and spirals: many runs back and forth in x, vertical steps, crossings between
    // far-apart stretches and lines that never meet themselves, so that both the quick test for
    // lines without loops and the full removal are exercised.
    int kept = 0, cut = 0;
    for (int it = 0; it < 120; ++it) {
        Polyline p;
        double x = 0, y = 0, a = 0;
        const int n = 20 + it * 3;
        for (int i = 0; i < n; ++i) {
            if (it % 3 == 2) {
                const double t = 0.15 * i, r = 50 + (2 + it % 5) * i;
                x = r * std::cos(t), y = r * std::sin(t);
                if (i % 9 == 4) x = p.back().x;  // a vertical step
            } else {
                a += (it % 3 == 0 ? 0.25 : 0.9) * u(rng);
                x += 40 * std::cos(a), y += 40 * std::sin(a);
            }
            p.push_back({float(x), float(y)});
        }
        const bool closed = it % 4 == 1;
        if (closed) p.push_back(p.front());
        const float d = (it % 2 ? 1.0f : -1.0f) * (5.0f + 3.0f * float(it % 7));
        Polyline r = p;
        PolyOffset(r, d, false);
        Polyline g = p;
        PolyOffset(g, d, true);
        EXPECT_EQ(g, WalkRemoveLoops(r, closed)) << "walk " << it;
        (g == r ? kept : cut) += 1;
    }
    EXPECT_GT(kept, 20);
    EXPECT_GT(cut, 20);
}

TEST(Offsets, NodeOffsetKeepsBreakFlags) {
    std::vector<Node> nodes{{0, 0, 0x10005}, {1000, 0, 0x7}, {1000, 1000, 0x10000 | 0x40}};
    OffsetNodes(nodes, 100.0f, true);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].word, kNodeBreak);
    EXPECT_EQ(nodes[1].word, 0u);
    EXPECT_EQ(nodes[2].word, kNodeBreak);
    EXPECT_FLOAT_EQ(nodes[1].x, 1100.0f);
    EXPECT_FLOAT_EQ(nodes[1].y, -100.0f);
}

TEST(Clipping, SegmentToRectAndHitTest) {
    RectF r{0, 0, 100, 100};
    PointF a{-50, 50}, b{150, 50};
    ASSERT_TRUE(ClipSegmentToRect(r, a, b));
    EXPECT_EQ(a, (PointF{0, 50}));
    EXPECT_EQ(b, (PointF{100, 50}));
    PointF c{-50, -50}, d{150, 20};
    EXPECT_TRUE(ClipSegmentToRect(r, c, d));
    EXPECT_NEAR(c.y, 0, 1e-4);
    PointF e{-50, 150}, f{-10, 300};
    EXPECT_FALSE(ClipSegmentToRect(r, e, f));
    PointF g{-10, 95}, h{20, 125};  // passes just outside the corner
    EXPECT_FALSE(ClipSegmentToRect(r, g, h));

    Polyline p{{-500, -500}, {-100, 50}, {300, 50}, {300, 400}};
    RectHit hit = PolyHitRect(r, p);
    EXPECT_EQ(hit.segment, 2);
    EXPECT_EQ(hit.vertex, 1);  // the start is nearer to the centre (50, 50)
    EXPECT_EQ(PolyHitRect(r, Polyline{{200, 200}, {300, 300}}).segment, 0);
    EXPECT_EQ(PolyHitRect(r, Polyline{{-10, 95}, {20, 125}}).segment, 0);
    EXPECT_EQ(PolyHitRect(r, Polyline{{-10, 90}, {20, 120}}).segment, 1);  // touches the corner
    RectHit inside = PolyHitRect(r, Polyline{{500, 500}, {50, 50}, {60, 60}});
    EXPECT_EQ(inside.segment, 1);
    EXPECT_EQ(inside.vertex, 1);
    RectHit diag = PolyHitRect(r, Polyline{{-40, 0}, {60, 200}});  // both ends outside, crosses
    EXPECT_EQ(diag.segment, 1);
}
