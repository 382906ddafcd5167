#include "material/lattice.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/transform.h"

namespace rz {
namespace {

PointF Add(PointF a, PointF b) { return {a.x + b.x, a.y + b.y}; }
PointF Sub(PointF a, PointF b) { return {a.x - b.x, a.y - b.y}; }
double Len(PointF v) { return std::hypot(double(v.x), double(v.y)); }
bool Finite(PointF p) { return std::isfinite(p.x) && std::isfinite(p.y); }

RectF BoxOf(std::span<const PointF> pts) {
    RectF r{std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    for (PointF p : pts) {
        r.minX = std::min(r.minX, p.x), r.maxX = std::max(r.maxX, p.x);
        r.minY = std::min(r.minY, p.y), r.maxY = std::max(r.maxY, p.y);
    }
    return r;
}

struct Seg {
    PointF a, b;
};

// The crossing test with the copies' boxes known: only segments inside the overlap of the two
// boxes can meet.
bool CrossWithBoxes(std::span<const PointF> fixed, PointF tf, const RectF& bf, std::span<const PointF> moving,
                    PointF tm, const RectF& bm) {
    const float x0 = std::max(bf.minX + tf.x, bm.minX + tm.x), x1 = std::min(bf.maxX + tf.x, bm.maxX + tm.x);
    const float y0 = std::max(bf.minY + tf.y, bm.minY + tm.y), y1 = std::min(bf.maxY + tf.y, bm.maxY + tm.y);
    if (!(x0 <= x1 && y0 <= y1) || fixed.size() < 2 || moving.size() < 2) return false;
    auto inBand = [&](PointF p, PointF q) {
        return std::max(p.x, q.x) >= x0 && std::min(p.x, q.x) <= x1 && std::max(p.y, q.y) >= y0 &&
               std::min(p.y, q.y) <= y1;
    };
    thread_local std::vector<Seg> segs;
    segs.clear();
    for (size_t i = 1; i < moving.size(); ++i) {
        PointF p = Add(moving[i - 1], tm), q = Add(moving[i], tm);
        if (inBand(p, q)) segs.push_back({p, q});
    }
    if (segs.empty()) return false;
    const PointF closing = Add(moving.front(), tm);
    for (size_t i = 1; i < fixed.size(); ++i) {
        PointF p = Add(fixed[i - 1], tf), q = Add(fixed[i], tf);
        if (!inBand(p, q)) continue;
        for (const Seg& s : segs)
            if (auto x = SegIntersect(p, q, s.a, s.b); x && !(*x == closing)) return true;
    }
    return false;
}

// A copy of one of the shapes, as the contact tests see it.
struct Placed {
    const Polyline* shape;
    PointF at;
};

}  // namespace

NestShapes PrepareNestShapes(std::span<const PointF> outline, float angle) {
    NestShapes s;
    if (outline.size() < 2) return s;
    for (PointF p : outline)
        if (!InModelRange(p)) return s;
    const RectF box = BoxOf(outline);
    const PointF centre{(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2};
    s.upright.assign(outline.begin(), outline.end());
    PolySimplify(s.upright, 100.0f, 1000.0f);
    if (angle != 0.0f && std::isfinite(angle)) RotatePoints(SetRotation(angle), centre, s.upright);
    const RectF b = BoxOf(s.upright);
    for (PointF& p : s.upright) p = {p.x - b.minX, p.y - b.minY};
    const RectF n = BoxOf(s.upright);
    s.w = n.maxX, s.h = n.maxY;
    s.c = {s.w / 2, s.h / 2};
    s.turned.resize(s.upright.size());
    for (size_t i = 0; i < s.upright.size(); ++i) s.turned[i] = {s.w - s.upright[i].x, s.h - s.upright[i].y};
    return s;
}

const Polyline& BaseShape(const NestShapes& s, int mode, bool rowB) {
    return mode == 3 && rowB ? s.turned : s.upright;
}

const Polyline& PartnerShape(const NestShapes& s, int mode, bool rowB) {
    if (mode == 2) return s.turned;
    return mode == 3 && rowB ? s.turned : s.upright;
}

bool OutlinesCross(std::span<const PointF> fixed, PointF tf, std::span<const PointF> moving, PointF tm) {
    return CrossWithBoxes(fixed, tf, BoxOf(fixed), moving, tm, BoxOf(moving));
}

bool ContactAlong(PointF v, const std::function<bool(PointF)>& crossesAt, float extent, PointF& out) {
    const double L = Len(v);
    if (!(L >= kMinLatticeStep) || !std::isfinite(L)) return false;
    // Beyond the copies' joint extent they cannot cross: a bounded number of steps.
    const double steps = std::min(10000.0, std::ceil(double(extent) / L) + 2.0);
    if (!(steps >= 0)) return false;
    PointF t = v;
    for (int k = 0; crossesAt(t); ++k) {
        if (k >= int(steps)) return false;
        t = Add(t, v);
    }
    const double dx = v.x / L, dy = v.y / L;
    double lo = 0.0, hi = L;  // lo: a pull-back known clear; hi: one that crossed (or the full step)
    auto at = [&](double d) { return PointF{float(t.x - dx * d), float(t.y - dy * d)}; };
    while (hi - lo >= kContactPrecision) {
        const double d = (lo + hi) / 2;
        if (crossesAt(at(d))) hi = d;
        else lo = d;
    }
    out = at(lo);
    return true;
}

Polyline CopyPoints(const NestShapes& s, const NestCopy& c) {
    Polyline p = CopyShape(s, c);
    for (PointF& q : p) q = Add(q, c.at);
    return p;
}

namespace {

double ShoelaceArea(const std::vector<PointF>& poly) {
    double a = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        PointF p = poly[i], q = poly[(i + 1) % poly.size()];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return std::fabs(a) / 2;
}

// Sutherland–Hodgman: the part of a polygon inside a convex counter-clockwise polygon.
std::vector<PointF> ClipConvex(std::vector<PointF> subject, const std::array<PointF, 4>& clip) {
    for (size_t e = 0; e < clip.size() && !subject.empty(); ++e) {
        const PointF a = clip[e], b = clip[(e + 1) % clip.size()];
        auto side = [&](PointF p) {
            return (double(b.x) - a.x) * (double(p.y) - a.y) - (double(b.y) - a.y) * (double(p.x) - a.x);
        };
        std::vector<PointF> in;
        in.reserve(subject.size() + 4);
        for (size_t i = 0; i < subject.size(); ++i) {
            const PointF p = subject[i], q = subject[(i + 1) % subject.size()];
            const double sp = side(p), sq = side(q);
            if (sp >= 0) in.push_back(p);
            if ((sp >= 0) != (sq >= 0)) {
                const double t = sp / (sp - sq);
                in.push_back({float(p.x + t * (double(q.x) - p.x)), float(p.y + t * (double(q.y) - p.y))});
            }
        }
        subject = std::move(in);
    }
    return subject;
}

}  // namespace

bool BuildLattice(const NestShapes& s, MaterialFields& rec, bool fresh, Lattice& out, LatticeFrom from) {
    if (!s.ok()) return false;
    if (fresh) from = LatticeFrom::Pair;
    const int mode = rec.mode();
    const Polyline &a0 = BaseShape(s, mode, false), &a1 = PartnerShape(s, mode, false);
    const Polyline &b0 = BaseShape(s, mode, true), &b1 = PartnerShape(s, mode, true);
    const RectF box{0, 0, s.w, s.h};
    auto cross = [&](const Placed& f, const Placed& m) {
        return CrossWithBoxes(*f.shape, f.at, box, *m.shape, m.at, box);
    };
    MaterialFields r = rec;
    PointF J = r.J, M = r.M, R = r.R, U = r.U;
    if (!Finite(J) || !Finite(M) || !Finite(R) || !Finite(U)) from = LatticeFrom::Pair;
    auto extent = [&] { return float(4.0 * (double(s.w) + s.h + Len(J) + Len(M) + Len(R))); };

    if (from == LatticeFrom::Pair) {
        if (fresh) {
            r.pairAnchor = s.c;
            r.pairPt = {s.c.x + s.w + 100, s.c.y};
        }
        // 1. The partner against the base.
        J = {0, 0};
        if (!ContactAlong(Sub(r.pairPt, r.pairAnchor), [&](PointF t) { return cross({&a0, {}}, {&a1, t}); },
                          extent(), J))
            return false;
        // 2. The next column (base and partner, and the one after) against the first.
        const PointF m0{s.w + std::fabs(J.x) + 100, 0};
        auto column = [&](PointF t) {
            const Placed fixed[] = {{&a0, {}}, {&a1, J}};
            const PointF t2{t.x * 2, t.y * 2};
            const Placed moving[] = {{&a0, t}, {&a1, Add(t, J)}, {&a0, t2}, {&a1, Add(t2, J)}};
            for (const Placed& f : fixed)
                for (const Placed& m : moving)
                    if (cross(f, m)) return true;
            return false;
        };
        if (!ContactAlong(m0, column, extent(), M) || !(M.x >= kMinLatticeStep)) return false;
        M.y = 0;
        if (fresh) {
            r.rowAnchor = s.c;
            r.rowPt = {s.c.x, s.c.y + std::max(J.y, 0.0f) + s.h + 100};
        }
    }
    // The copies of a row repeat every M: a copy placed at t meets those of a row whose boxes can
    // reach it, whichever column they are in.
    auto crossesRow = [&](const Placed& m, const Polyline& base, const Polyline& partner, PointF rowAt) {
        const Placed shapes[] = {{&base, rowAt}, {&partner, Add(rowAt, J)}};
        for (const Placed& f : shapes) {
            const double k0 = std::ceil((double(m.at.x) - (double(f.at.x) + s.w)) / M.x);
            const double k1 = std::floor((double(m.at.x) + s.w - f.at.x) / M.x);
            for (double k = k0; k <= k1; ++k)
                if (cross({f.shape, {float(f.at.x + k * M.x), f.at.y}}, m)) return true;
        }
        return false;
    };
    if (from != LatticeFrom::SecondRow) {
        // 3. Row 2 (a row B) against row 1.
        auto row2 = [&](PointF t) {
            return crossesRow({&b0, t}, a0, a1, {}) || crossesRow({&b1, Add(t, J)}, a0, a1, {});
        };
        if (!ContactAlong(Sub(r.rowPt, r.rowAnchor), row2, extent(), R)) return false;
        const PointF anchor = Add(s.c, R);
        if (fresh) {
            r.row2Anchor = anchor;
            r.row2Pt = {anchor.x, anchor.y + s.h + 100};
        } else {
            r.row2Pt = Add(r.row2Pt, Sub(anchor, r.row2Anchor));
            r.row2Anchor = anchor;
        }
        if (mode == 2) r.row2Pt = Add(r.row2Anchor, R);
    }
    // 4. Row 3 (the next row A) against rows 2 and 1. In mode 2 both rows are alike: the step
    // that cleared row 2 clears row 3.
    if (mode == 2) {
        U = R;
    } else {
        auto row3 = [&](PointF t) {
            const PointF at = Add(R, t);
            for (const Placed& m : {Placed{&a0, at}, Placed{&a1, Add(at, J)}})
                if (crossesRow(m, b0, b1, R) || crossesRow(m, a0, a1, {})) return true;
            return false;
        };
        if (!ContactAlong(Sub(r.row2Pt, r.row2Anchor), row3, extent(), U)) return false;
    }
    r.J = J, r.M = M, r.R = R, r.U = U;

    // The nine copies and the cell.
    Lattice l;
    const PointF rowAt[3] = {{0, 0}, R, Add(R, U)};
    for (int i = 0; i < 3; ++i) {
        const bool rowB = i == 1;
        l.rows[i][0] = {rowAt[i], &BaseShape(s, mode, rowB) == &s.turned};
        l.rows[i][1] = {Add(rowAt[i], J), &PartnerShape(s, mode, rowB) == &s.turned};
        l.rows[i][2] = {Add(rowAt[i], M), l.rows[i][0].turned};
    }
    const PointF side1 = mode == 2 ? M : J, side2 = Add(R, U);
    const double cross12 = double(side1.x) * side2.y - double(side1.y) * side2.x;
    l.cellArea = std::fabs(cross12);
    l.cell = {s.c, Add(s.c, side1), Add(Add(s.c, side1), side2), Add(s.c, side2)};
    if (l.cellArea >= 1.0) {
        std::array<PointF, 4> ccw = l.cell;
        if (cross12 < 0) std::reverse(ccw.begin(), ccw.end());
        double inside = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < (mode == 2 ? 3 : 2); ++j) {
                Polyline p = CopyPoints(s, l.rows[i][j]);
                if (p.size() > 1 && p.front() == p.back()) p.pop_back();
                inside += ShoelaceArea(ClipConvex(std::move(p), ccw));
            }
        l.cellUtilisation = inside / l.cellArea * 100.0;
    }
    rec = r;
    out = l;
    return true;
}

bool LayoutSheet(const NestShapes& s, MaterialFields& rec, float W, float H, std::vector<NestCopy>& copies) {
    copies.clear();
    const PointF J = rec.J, M = rec.M, R = rec.R, U = rec.U;
    const PointF RU = Add(R, U);
    if (!s.ok() || !Finite(J) || !Finite(M) || !Finite(R) || !Finite(U) || !(M.x >= kMinLatticeStep) ||
        !(RU.y >= kMinLatticeStep) || !(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H))
        return false;
    const int mode = rec.mode();
    // Count first, so that a lattice that would flood the sheet is refused before it is built.
    auto rowBound = [&](double x0) {
        return 2.0 * (std::max(0.0, double(W) - x0) / M.x + 1) + 2.0 * (std::max(0.0, x0) / M.x + 1) + 4;
    };
    {
        double total = 0, x0 = 0, y0 = 0;
        for (;;) {
            total += rowBound(x0);
            if (total > double(kMaxLayoutCopies)) return false;
            if (y0 + R.y >= H) break;
            total += rowBound(x0 + R.x);
            if (total > double(kMaxLayoutCopies)) return false;
            if (y0 + RU.y >= H) break;
            x0 += RU.x, y0 += RU.y;
        }
        copies.reserve(size_t(total));
    }
    int rows = 0, largest = 0;
    auto layRow = [&](float x0, float y0, bool rowB) {
        ++rows;
        const bool baseTurned = &BaseShape(s, mode, rowB) == &s.turned;
        const bool partnerTurned = &PartnerShape(s, mode, rowB) == &s.turned;
        int n = 0;
        float x = x0, y = y0;
        for (;;) {
            copies.push_back({{x, y}, baseTurned}), ++n;
            if (x + J.x > W) break;
            copies.push_back({{x + J.x, y + J.y}, partnerTurned}), ++n;
            x += M.x, y += M.y;
            if (x > W) break;
        }
        const float back = M.x - J.x, backY = M.y - J.y;
        if (back <= x0) {
            x = x0, y = y0;
            do {
                copies.push_back({{x - back, y - backY}, partnerTurned}), ++n;
                if (x - M.x < 0) break;
                copies.push_back({{x - M.x, y - M.y}, baseTurned}), ++n;
                x -= M.x, y -= M.y;
            } while (x - back >= 0);
        }
        largest = std::max(largest, n);
    };
    float x0 = 0, y0 = 0;
    for (;;) {
        layRow(x0, y0, false);
        if (y0 + R.y >= H) break;
        layRow(x0 + R.x, y0 + R.y, true);
        if (y0 + RU.y >= H) break;
        x0 += RU.x, y0 += RU.y;
    }
    rec.rows = rows;
    rec.largestRow = largest;
    return true;
}

double PlacedArea(const NestShapes& s, std::vector<NestCopy>& copies, float W, float H, double A) {
    double placed = 0;
    Polyline scratch;
    size_t keep = 0;
    for (size_t i = 0; i < copies.size(); ++i) {
        const NestCopy c = copies[i];
        // The shapes' boxes start at (0, 0): a copy's extremes are its position and the size.
        if (c.at.x < 0 || c.at.x + s.w > W || !(c.at.y < H)) continue;
        copies[keep++] = c;
        if (c.at.y < 0 || c.at.y + s.h > H) {
            scratch = CopyShape(s, c);
            for (PointF& p : scratch) p = Add(p, c.at);
            placed += PolyAreaAbove(scratch, 0.0f) - PolyAreaAbove(scratch, H);
        } else {
            placed += A;
        }
    }
    copies.resize(keep);
    return placed;
}

PlacedFigures FiguresOf(double placed, double A, float W, float H, int perPair) {
    PlacedFigures f;
    if (A > 0) f.perSheet = placed / A;
    if (W > 0 && H > 0) f.utilisation = placed / (double(W) * H) * 100.0;
    if (placed > 0) f.usagePerPiece = A / placed;
    f.usagePerPair = perPair * f.usagePerPiece;
    return f;
}

}  // namespace rz
