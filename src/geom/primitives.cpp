#include "geom/primitives.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rz {

namespace {

constexpr double kPi = std::numbers::pi;

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

bool Finite(float v) { return std::isfinite(v); }

// Nearest integer, halves upward.
double RoundHalfUp(double v) { return std::floor(v + 0.5); }

}  // namespace

bool PtSame(PointF a, PointF b) {
    return std::fabs(a.x - b.x) < kSameTol && std::fabs(a.y - b.y) < kSameTol;
}

bool PtDiffer(PointF a, PointF b) {
    return std::fabs(a.x - b.x) > kSameTol || std::fabs(a.y - b.y) > kSameTol;
}

float PtDist(PointF a, PointF b) {
    // Squares of float differences cannot overflow a double; rounded to float this equals hypot.
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

PointF PtMid(PointF a, PointF b) {
    return {static_cast<float>((double(a.x) + b.x) * 0.5), static_cast<float>((double(a.y) + b.y) * 0.5)};
}

float PtAngle(PointF from, PointF to) {
    if (PtSame(from, to)) return 0.0f;
    return static_cast<float>(std::atan2(double(to.y) - from.y, double(to.x) - from.x));
}

float AngleBetween(PointF a0, PointF a1, PointF b0, PointF b1) {
    double d = double(PtAngle(b0, b1)) - PtAngle(a0, a1);
    if (d > kPi) d -= 2 * kPi;
    else if (d <= -kPi) d += 2 * kPi;
    return static_cast<float>(std::fabs(d));
}

float VecAngle(PointF a, PointF vertex, PointF b) {
    double ux = double(a.x) - vertex.x, uy = double(a.y) - vertex.y;
    double vx = double(b.x) - vertex.x, vy = double(b.y) - vertex.y;
    double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    if (lu < kSameTol || lv < kSameTol) return 0.0f;
    double c = (ux * vx + uy * vy) / (lu * lv);
    return static_cast<float>(std::acos(std::clamp(c, -1.0, 1.0)));
}

bool SideOfLine(PointF a, PointF b, PointF p) {
    return Cross(double(b.x) - a.x, double(b.y) - a.y, double(p.x) - a.x, double(p.y) - a.y) > 0.0;
}

PointF ExtendBeyond(PointF a, PointF b, float d) {
    double dx = double(a.x) - b.x, dy = double(a.y) - b.y;
    double len = std::hypot(dx, dy);
    if (PtSame(a, b) || len < kSameTol) return b;
    return {static_cast<float>(a.x + d * dx / len), static_cast<float>(a.y + d * dy / len)};
}

LineABC LineThrough(PointF p, PointF q) {
    LineABC l;
    l.a = q.y - p.y;
    l.b = p.x - q.x;
    l.c = static_cast<float>(-(double(l.a) * p.x + double(l.b) * p.y));
    return l;
}

std::optional<PointF> LineIntersect2(const LineABC& l1, const LineABC& l2) {
    double det = double(l1.a) * l2.b - double(l1.b) * l2.a;
    if (!(std::fabs(det) >= 1e-8)) return std::nullopt;
    double x = (double(l1.b) * l2.c - double(l2.b) * l1.c) / det;
    double y = (double(l2.a) * l1.c - double(l1.a) * l2.c) / det;
    return PointF{static_cast<float>(x), static_cast<float>(y)};
}

std::optional<PointF> LineIntersectPts(PointF p1, PointF p2, PointF p3, PointF p4) {
    double d1x = double(p2.x) - p1.x, d1y = double(p2.y) - p1.y;
    double d2x = double(p4.x) - p3.x, d2y = double(p4.y) - p3.y;
    double det = Cross(d1x, d1y, d2x, d2y);
    if (!(std::fabs(det) >= 1e-8)) return std::nullopt;
    double t = Cross(double(p3.x) - p1.x, double(p3.y) - p1.y, d2x, d2y) / det;
    return PointF{static_cast<float>(p1.x + t * d1x), static_cast<float>(p1.y + t * d1y)};
}

std::optional<PointF> SegIntersect(PointF p1, PointF p2, PointF p3, PointF p4) {
    if (std::max(p1.x, p2.x) < std::min(p3.x, p4.x) || std::max(p3.x, p4.x) < std::min(p1.x, p2.x) ||
        std::max(p1.y, p2.y) < std::min(p3.y, p4.y) || std::max(p3.y, p4.y) < std::min(p1.y, p2.y))
        return std::nullopt;
    double d1x = double(p2.x) - p1.x, d1y = double(p2.y) - p1.y;
    double d2x = double(p4.x) - p3.x, d2y = double(p4.y) - p3.y;
    double s3 = Cross(d1x, d1y, double(p3.x) - p1.x, double(p3.y) - p1.y);
    double s4 = Cross(d1x, d1y, double(p4.x) - p1.x, double(p4.y) - p1.y);
    if (s3 * s4 > 0.0) return std::nullopt;
    double s1 = Cross(d2x, d2y, double(p1.x) - p3.x, double(p1.y) - p3.y);
    double s2 = Cross(d2x, d2y, double(p2.x) - p3.x, double(p2.y) - p3.y);
    if (s1 * s2 > 0.0) return std::nullopt;
    double det = Cross(d1x, d1y, d2x, d2y);
    if (!(std::fabs(det) > 1e-8)) return std::nullopt;
    // An end lying on the other segment's line is the intersection itself: return it exactly.
    if (s1 == 0.0) return p1;
    if (s2 == 0.0) return p2;
    if (s3 == 0.0) return p3;
    if (s4 == 0.0) return p4;
    double t = s1 / (s1 - s2);
    return PointF{static_cast<float>(p1.x + t * d1x), static_cast<float>(p1.y + t * d1y)};
}

PointF SegIntersectOrMid(PointF p1, PointF p2, PointF p3, PointF p4) {
    if (auto x = LineIntersectPts(p1, p2, p3, p4)) return *x;
    return PtMid(p3, p4);
}

Foot FootOnSegment(PointF p1, PointF p2, PointF p) {
    double dx = double(p2.x) - p1.x, dy = double(p2.y) - p1.y;
    double l2 = dx * dx + dy * dy;
    if (!(l2 >= 1e-8)) return {PtMid(p1, p2), FootCode::Degenerate};
    double t = ((double(p.x) - p1.x) * dx + (double(p.y) - p1.y) * dy) / l2;
    PointF f{static_cast<float>(p1.x + t * dx), static_cast<float>(p1.y + t * dy)};
    if (t == 0.0) f = p1;
    if (t == 1.0) f = p2;
    return {f, (t >= 0.0 && t <= 1.0) ? FootCode::Inside : FootCode::Outside};
}

float SignedDistToLine(PointF p1, PointF p2, PointF p) {
    double dx = double(p2.x) - p1.x, dy = double(p2.y) - p1.y;
    double len = std::hypot(dx, dy);
    if (!(len >= kSameTol)) return PtDist(p1, p);
    return static_cast<float>(Cross(dx, dy, double(p.x) - p1.x, double(p.y) - p1.y) / len);
}

float DistToLine(PointF p1, PointF p2, PointF p) { return std::fabs(SignedDistToLine(p1, p2, p)); }

float DistToSegment(PointF p1, PointF p2, PointF p) {
    double dx = double(p2.x) - p1.x, dy = double(p2.y) - p1.y;
    double l2 = dx * dx + dy * dy;
    double t = l2 > 0.0 ? ((double(p.x) - p1.x) * dx + (double(p.y) - p1.y) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return static_cast<float>(std::hypot(p1.x + t * dx - p.x, p1.y + t * dy - p.y));
}

Circle Circumcircle(PointF p1, PointF p2, PointF p3) {
    // Relative to p1, which keeps the squared norms small and the solve well conditioned.
    double bx = double(p2.x) - p1.x, by = double(p2.y) - p1.y;
    double cx = double(p3.x) - p1.x, cy = double(p3.y) - p1.y;
    double det = Cross(bx, by, cx, cy);
    if (!(std::fabs(det) >= 1e-8)) return {p1, 0.0f};
    double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    double ux = (cy * b2 - by * c2) / (2.0 * det);
    double uy = (bx * c2 - cx * b2) / (2.0 * det);
    return {{static_cast<float>(p1.x + ux), static_cast<float>(p1.y + uy)},
            static_cast<float>(std::hypot(ux, uy))};
}

float SweepAngle(PointF start, PointF middle, PointF end) {
    auto ang = [](PointF v) {
        double a = PtAngle({0.0f, 0.0f}, v);
        if (a < 0.0) a += 2 * kPi;
        return a;
    };
    double s = ang(start), m = ang(middle), e = ang(end);
    double r;
    if (s <= m && m <= e) r = e - s;
    else if ((e <= s && s <= m) || (m <= e && e <= s)) r = 2 * kPi - (s - e);
    else if (e <= m && m <= s) r = -(s - e);
    else if ((m <= s && s <= e) || (s <= e && e <= m)) r = -(2 * kPi - (e - s));
    else r = 0.0;
    return static_cast<float>(r);
}

static std::optional<std::pair<PointF, PointF>> OffsetSegment(PointF p, PointF q, double d, double side) {
    double dx = double(q.x) - p.x, dy = double(q.y) - p.y;
    double len = std::hypot(dx, dy);
    if (!(len >= kSameTol)) return std::nullopt;
    // side +1: right normal (dy, -dx); -1: left normal (-dy, dx)
    double nx = side * dy / len * d, ny = -side * dx / len * d;
    return std::pair{PointF{static_cast<float>(p.x + nx), static_cast<float>(p.y + ny)},
                     PointF{static_cast<float>(q.x + nx), static_cast<float>(q.y + ny)}};
}

std::optional<std::pair<PointF, PointF>> OffsetSegmentLeft(PointF p, PointF q, float d) {
    return OffsetSegment(p, q, d, -1.0);
}

std::optional<std::pair<PointF, PointF>> OffsetSegmentRight(PointF p, PointF q, float d) {
    return OffsetSegment(p, q, d, 1.0);
}

double ArcPiecesPerQuarter(double radius) {
    double r = std::fabs(radius);
    if (!std::isfinite(r)) return 1.0;
    auto f = [r](double h) { return (r * kPi / 2.0) / h - 2.0 * r * std::sin(kPi / (4.0 * h)) - kArcFlatness; };
    double h = 2.0;
    while (f(h) > 0.0 && h < 1073741824.0) h *= 2.0;
    double lo = h / 2.0, hi = h;
    for (int it = 0; it < 200; ++it) {
        double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;  // the interval no longer shrinks
        double fm = f(mid);
        if (std::fabs(fm) <= 1e-9) return mid;
        if (fm > 0.0) lo = mid;
        else hi = mid;
    }
    return hi;
}

Polyline ArcPoints(PointF centre, PointF startVec, float sweep, float radius, float step) {
    if (!Finite(centre.x) || !Finite(centre.y) || !Finite(startVec.x) || !Finite(startVec.y) || !Finite(sweep) ||
        !Finite(radius) || !Finite(step))
        return {};
    double a = sweep;
    double count;
    if (step == 0.0f) {
        double n = ArcPiecesPerQuarter(radius);
        count = RoundHalfUp(std::fabs(a) / ((kPi / 4.0) / n));
    } else {
        count = RoundHalfUp(std::fabs(a) * std::fabs(double(radius)) / std::fabs(double(step)));
    }
    if (!(count >= 1.0)) count = 1.0;
    if (count > kMaxArcPoints) count = kMaxArcPoints;
    // An arc too short to see (a zero radius) is a point: one piece, not thousands in one place.
    if (!(std::fabs(a) * std::fabs(double(radius)) >= kSameTol)) count = 1.0;
    int nPieces = static_cast<int>(count);
    double da = a / nPieces;
    double c = std::cos(da), s = std::sin(da);
    Polyline out;
    out.reserve(nPieces + 1);
    double vx = startVec.x, vy = startVec.y;
    out.push_back({static_cast<float>(centre.x + vx), static_cast<float>(centre.y + vy)});
    for (int i = 0; i < nPieces; ++i) {
        double nx = vx * c - vy * s;
        vy = vx * s + vy * c;
        vx = nx;
        out.push_back({static_cast<float>(centre.x + vx), static_cast<float>(centre.y + vy)});
    }
    return out;
}

Polyline ArcByAngles(PointF centre, float radius, float startAngle, float endAngle, float step) {
    PointF v{static_cast<float>(radius * std::cos(double(startAngle))),
             static_cast<float>(radius * std::sin(double(startAngle)))};
    return ArcPoints(centre, v, static_cast<float>(double(endAngle) - startAngle), radius, step);
}

Polyline Arc3Points(PointF start, PointF middle, PointF end, float step) {
    Circle c = Circumcircle(start, middle, end);
    if (c.radius == 0.0f) {
        if (PtSame(end, start)) return {start, middle};
        return {start, end};
    }
    auto rel = [&](PointF p) { return PointF{p.x - c.centre.x, p.y - c.centre.y}; };
    float sweep = SweepAngle(rel(start), rel(middle), rel(end));
    Polyline out = ArcPoints(c.centre, rel(start), sweep, c.radius, step);
    if (out.empty()) return out;
    out.front() = start;
    out.back() = end;
    return out;
}

Polyline EllipsePoints(float across, float along) {
    if (!(across >= kMinCircleDiameter)) across = kMinCircleDiameter;
    if (!(along >= kMinCircleDiameter)) along = kMinCircleDiameter;
    double r = across / 2.0;
    double nReal = std::ceil(ArcPiecesPerQuarter(r) - 1e-9);
    int n = static_cast<int>(std::clamp(nReal, 1.0, double(kMaxArcPoints / 4)));
    double scale = double(along) / across;
    std::vector<PointF> q(n + 1);
    double da = (kPi / 2.0) / n, c = std::cos(da), s = std::sin(da);
    double vx = r, vy = 0.0;
    for (int i = 0; i <= n; ++i) {
        q[i] = {static_cast<float>(vx), static_cast<float>(vy * scale)};
        double nx = vx * c - vy * s;
        vy = vx * s + vy * c;
        vx = nx;
    }
    q[n] = {0.0f, static_cast<float>(r * scale)};  // exact top keeps the quadrants mirror images
    Polyline out;
    out.reserve(4 * n + 1);
    for (int i = 0; i <= n; ++i) out.push_back(q[i]);
    for (int i = n - 1; i >= 0; --i) out.push_back({-q[i].x, q[i].y});
    for (int i = 1; i <= n; ++i) out.push_back({-q[i].x, -q[i].y});
    for (int i = n - 1; i >= 0; --i) out.push_back({q[i].x, -q[i].y});
    return out;
}

}  // namespace rz
