#include "output/sheet_border.h"

#include <algorithm>

namespace rz {

PointF RulerPoint(const SheetSettings& s) { return {s.getFloat(5), s.getFloat(6)}; }

void SetRulerPoint(SheetSettings& s, PointF p) {
    s.setFloat(5, p.x);
    s.setFloat(6, p.y);
}

Polyline BorderPoints(const SheetSettings& s) {
    Polyline pts;
    if (!s.words[SheetSettings::kArrayWord]) return pts;
    for (size_t i = 0; i + 1 < s.border.size(); i += 2) pts.push_back({s.border[i], s.border[i + 1]});
    return pts;
}

void SetBorderPoints(SheetSettings& s, const Polyline& pts) {
    s.border.clear();
    for (PointF p : pts) s.border.push_back(p.x), s.border.push_back(p.y);
    s.words[SheetSettings::kArrayWord] = pts.empty() ? 0u : 1u;
    s.words[SheetSettings::kCountWord] = uint32_t(pts.size());
}

bool RemoveBorderSegment(Polyline& border, int b, int vertex) {
    const int n = int(border.size());
    if (n < 6 || b < 1 || b >= n) return false;
    const bool horizontal = border[size_t(b - 1)].y == border[size_t(b)].y;
    const bool vertical = border[size_t(b - 1)].x == border[size_t(b)].x;
    border.erase(border.begin() + (b - 1), border.begin() + b + 1);
    const int m = n - 2;
    // The points on either side of the gap, wrapping at the ends.
    const int after = (b - 1) % m, before = (b - 2 + m) % m;
    const int moved = vertex == b ? after : before, other = vertex == b ? before : after;
    if (horizontal) border[size_t(moved)].x = border[size_t(other)].x;
    if (vertical) border[size_t(moved)].y = border[size_t(other)].y;
    return true;
}

bool DragBorderSegment(const Polyline& original, int b, PointF by, float maxX, float maxY, Polyline& out) {
    out = original;
    const int n = int(original.size());
    if (b < 1 || b >= n) return false;
    PointF& p = out[size_t(b - 1)];
    PointF& q = out[size_t(b)];
    const bool horizontal = p.y == q.y, vertical = p.x == q.x;
    if (vertical == horizontal) return false;  // slanted, or a segment of no length
    if (vertical) p.x = q.x = std::clamp(original[size_t(b)].x + by.x, 0.0f, std::max(maxX, 0.0f));
    else p.y = q.y = std::clamp(original[size_t(b)].y + by.y, 0.0f, std::max(maxY, 0.0f));
    if (b == 1) out.back() = out.front();
    if (b == n - 1) out.front() = out.back();
    return true;
}

}  // namespace rz
