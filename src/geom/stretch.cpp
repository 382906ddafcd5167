#include "geom/stretch.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz {

namespace {
constexpr float kInsideTol = 0.01f;
}

namespace {

double SegLength(PointF a, PointF b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

// Cumulative arc lengths in double, first 0.
void Cumulative(std::span<const PointF> pts, std::vector<double>& cum) {
    cum.resize(pts.size());
    if (pts.empty()) return;
    cum[0] = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) cum[i] = cum[i - 1] + SegLength(pts[i - 1], pts[i]);
}

// The point at arc length s, from the cumulative lengths (s clamped to the polyline).
PointF At(std::span<const PointF> pts, std::span<const double> cum, double s) {
    if (pts.size() == 1 || s <= 0.0) return pts.front();
    size_t i = size_t(std::lower_bound(cum.begin(), cum.end(), s) - cum.begin());
    if (i >= pts.size()) return pts.back();
    const double len = cum[i] - cum[i - 1];
    const double r = len > 0.0 ? (s - cum[i - 1]) / len : 1.0;
    const PointF a = pts[i - 1], b = pts[i];
    return {float(a.x + r * (double(b.x) - a.x)), float(a.y + r * (double(b.y) - a.y))};
}

Polyline Sub(std::span<const PointF> pts, std::span<const double> cum, double a, double b) {
    Polyline out;
    const double total = cum.back();
    const bool wraps = PolyClosed(pts) && b > total && total > 0.0;
    a = std::clamp(a, 0.0, total);
    b = wraps ? std::min(b, a + total) : std::clamp(b, a, total);
    auto at = [&](double s) { return At(pts, cum, s > total ? s - total : s); };
    out.reserve(pts.size() + 2);
    out.push_back(at(a));
    auto inner = [&](double lo, double hi, double base) {
        size_t i = size_t(std::upper_bound(cum.begin(), cum.end(), lo + kInsideTol - base) - cum.begin());
        for (; i < pts.size() && cum[i] + base < hi - kInsideTol; ++i) out.push_back(pts[i]);
    };
    inner(a, std::min(b, total), 0.0);
    if (wraps) inner(total, b, total);
    out.push_back(at(b));
    return out;
}

}  // namespace

std::vector<float> PolyArcLengths(std::span<const PointF> pts) {
    std::vector<double> cum;
    Cumulative(pts, cum);
    return std::vector<float>(cum.begin(), cum.end());
}

Polyline PolySub(std::span<const PointF> pts, float a, float b) {
    if (pts.empty() || !(a == a) || !(b == b)) return {};
    std::vector<double> cum;
    Cumulative(pts, cum);
    return Sub(pts, cum, a, b);
}

std::vector<double> PolyArcLengthsD(std::span<const PointF> pts) {
    std::vector<double> cum;
    Cumulative(pts, cum);
    return cum;
}

Polyline PolySubFraction(std::span<const PointF> pts, float f0, float f1) {
    if (pts.empty()) return {};
    std::vector<double> cum;
    Cumulative(pts, cum);
    return PolySubFraction(pts, cum, f0, f1);
}

Polyline PolySubFraction(std::span<const PointF> pts, std::span<const double> cum, float f0, float f1) {
    if (pts.empty() || cum.size() != pts.size() || !(f0 == f0) || !(f1 == f1)) return {};
    f0 = std::clamp(f0, 0.0f, 1.0f);
    f1 = std::clamp(f1, 0.0f, 1.0f);
    const double total = cum.back();
    Polyline out = Sub(pts, cum, std::min(f0, f1) * total, std::max(f0, f1) * total);
    if (f0 > f1) std::reverse(out.begin(), out.end());
    return out;
}

size_t PolyInsertAt(std::vector<PointF>& pts, float s, float tol) {
    if (pts.empty()) return 0;
    const std::vector<float> cum = PolyArcLengths(pts);
    for (size_t i = 0; i < pts.size(); ++i)
        if (std::fabs(cum[i] - s) <= tol) return i;
    PointAt p = PolyPointAt(pts, s);
    if (p.index <= 0) return 0;
    pts.insert(pts.begin() + p.index, p.pt);
    return size_t(p.index);
}

WalkHit PolyWalkToDistance(std::span<const PointF> pts, float from, PointF centre, float r, WalkCursor* cursor) {
    WalkHit hit;
    if (pts.size() < 2 || !(r > 0.0f)) return hit;
    const double r2 = double(r) * r;
    WalkCursor start;
    if (cursor && cursor->segment >= 1 && cursor->segment < pts.size()) start = *cursor;
    double segStart = start.segStart;
    for (size_t i = start.segment; i < pts.size(); ++i) {
        const PointF a = pts[i - 1], b = pts[i];
        const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
        const double len = std::sqrt(dx * dx + dy * dy);
        const double segEnd = segStart + len;
        if (segEnd <= from || len <= 0.0) {
            segStart = segEnd;
            continue;
        }
        // |a + t·d − c|² = r²: the larger root is where the segment leaves the circle; it must
        // lie at or after the walk's position on this segment.
        const double t0 = std::max(0.0, (double(from) - segStart) / len);
        const double fx = double(a.x) - centre.x, fy = double(a.y) - centre.y;
        const double A = dx * dx + dy * dy, B = 2 * (fx * dx + fy * dy), C = fx * fx + fy * fy - r2;
        const double disc = B * B - 4 * A * C;
        if (disc >= 0.0) {
            const double t = (-B + std::sqrt(disc)) / (2 * A);
            if (t >= t0 && t <= 1.0) {
                hit.found = true;
                hit.pt = {float(a.x + t * dx), float(a.y + t * dy)};
                hit.s = float(segStart + t * len);
                if (cursor) *cursor = {i, segStart};
                return hit;
            }
        }
        segStart = segEnd;
    }
    return hit;
}

void PolyPointsAt(std::span<const PointF> pts, std::span<const float> at, Polyline& out, std::vector<int>* index) {
    out.clear();
    if (index) index->clear();
    if (pts.empty()) return;
    size_t i = 1;
    double segStart = 0.0;
    for (float s : at) {
        // On to the segment holding s; positions beyond the end take the last point.
        while (i < pts.size()) {
            double len = SegLength(pts[i - 1], pts[i]);
            if (segStart + len >= s) {
                double r = len > 0.0 ? std::clamp((s - segStart) / len, 0.0, 1.0) : 1.0;
                const PointF a = pts[i - 1], b = pts[i];
                out.push_back({float(a.x + r * (double(b.x) - a.x)), float(a.y + r * (double(b.y) - a.y))});
                if (index) index->push_back(int(i));
                break;
            }
            segStart += len;
            ++i;
        }
        if (i >= pts.size()) {
            out.push_back(pts.back());
            if (index) index->push_back(int(pts.size() - 1));
        }
    }
}

Polyline PolyExtendEnds(std::span<const PointF> pts, float startExt, float endExt) {
    if (pts.size() < 2 || !std::isfinite(startExt) || !std::isfinite(endExt)) return {};
    const float total = PolyLength(pts);
    const float a = startExt < 0.0f ? -startExt : 0.0f;
    const float b = endExt < 0.0f ? total + endExt : total;
    if (!(b - a > 0.0f)) return {};
    Polyline out = (a > 0.0f || b < total) ? PolySub(pts, a, b) : Polyline(pts.begin(), pts.end());
    if (startExt > 0.0f && out.size() >= 2) out.insert(out.begin(), ExtendBeyond(out[0], out[1], startExt));
    if (endExt > 0.0f && out.size() >= 2) out.push_back(ExtendBeyond(out.back(), out[out.size() - 2], endExt));
    return out;
}

}  // namespace rz
