#include "geom/stretch.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz {

namespace {
constexpr float kInsideTol = 0.01f;
}

std::vector<float> PolyArcLengths(std::span<const PointF> pts) {
    std::vector<float> s(pts.size(), 0.0f);
    double sum = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) {
        sum += std::hypot(double(pts[i].x) - pts[i - 1].x, double(pts[i].y) - pts[i - 1].y);
        s[i] = float(sum);
    }
    return s;
}

Polyline PolySub(std::span<const PointF> pts, float a, float b) {
    Polyline out;
    if (pts.empty() || !(a == a) || !(b == b)) return out;
    const float total = PolyLength(pts);
    const bool wraps = PolyClosed(pts) && b > total && total > 0.0f;
    a = std::clamp(a, 0.0f, total);
    b = wraps ? std::min(b, a + total) : std::clamp(b, a, total);
    auto at = [&](float s) { return PolyPointAt(pts, s > total ? s - total : s).pt; };
    const std::vector<float> cum = PolyArcLengths(pts);
    out.push_back(at(a));
    auto inner = [&](float lo, float hi, float base) {
        for (size_t i = 0; i < pts.size(); ++i) {
            float s = cum[i] + base;
            if (s > lo + kInsideTol && s < hi - kInsideTol) out.push_back(pts[i]);
        }
    };
    inner(a, std::min(b, total), 0.0f);
    if (wraps) inner(total, b, total);
    out.push_back(at(b));
    return out;
}

Polyline PolySubFraction(std::span<const PointF> pts, float f0, float f1) {
    if (!(f0 == f0) || !(f1 == f1)) return {};
    f0 = std::clamp(f0, 0.0f, 1.0f);
    f1 = std::clamp(f1, 0.0f, 1.0f);
    const float total = PolyLength(pts);
    Polyline out = PolySub(pts, std::min(f0, f1) * total, std::max(f0, f1) * total);
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

WalkHit PolyWalkToDistance(std::span<const PointF> pts, float from, PointF centre, float r) {
    WalkHit hit;
    if (pts.size() < 2 || !(r > 0.0f)) return hit;
    const double r2 = double(r) * r;
    double segStart = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) {
        const PointF a = pts[i - 1], b = pts[i];
        const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
        const double len = std::hypot(dx, dy);
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
                return hit;
            }
        }
        segStart = segEnd;
    }
    return hit;
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
