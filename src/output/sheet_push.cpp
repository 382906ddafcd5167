#include "output/sheet_push.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geom/primitives.h"

namespace rz {
namespace {

struct Box {
    float x0 = std::numeric_limits<float>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    void add(PointF p) { x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y); }
    bool meets(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
};

Box BoxOf(const Shape& s, PointF by = {}) {
    Box b;
    for (const Polyline& l : s)
        for (PointF p : l) b.add({p.x + by.x, p.y + by.y});
    return b;
}

constexpr float kStep = 10000.0f;  // the coarse search goes back 100 mm at a time
constexpr int kMaxSteps = 100000;  // 10 km: beyond any sheet
constexpr int kMaxHalvings = 50;

}  // namespace

bool OutlinesCross(const Shape& a, PointF by, const Shape& b) {
    const Box bb = BoxOf(b);
    if (!BoxOf(a, by).meets(bb)) return false;
    for (const Polyline& la : a)
        for (size_t i = 1; i < la.size(); ++i) {
            const PointF p{la[i - 1].x + by.x, la[i - 1].y + by.y}, q{la[i].x + by.x, la[i].y + by.y};
            Box sb;
            sb.add(p), sb.add(q);
            if (!sb.meets(bb)) continue;
            for (const Polyline& lb : b)
                for (size_t j = 1; j < lb.size(); ++j) {
                    Box tb;
                    tb.add(lb[j - 1]), tb.add(lb[j]);
                    if (sb.meets(tb) && SegIntersect(p, q, lb[j - 1], lb[j])) return true;
                }
        }
    return false;
}

float PushAwayDistance(const Shape& moved, const std::vector<Shape>& others, PointF dir, float safety) {
    if (!std::isfinite(dir.x) || !std::isfinite(dir.y) || (dir.x == 0 && dir.y == 0)) return 0;
    std::vector<const Shape*> crossing;
    for (const Shape& o : others)
        if (OutlinesCross(moved, {}, o)) crossing.push_back(&o);
    if (crossing.empty()) return 0;
    auto crossesAt = [&](double d) {
        const PointF by{float(-dir.x * d), float(-dir.y * d)};
        for (const Shape* o : crossing)
            if (OutlinesCross(moved, by, *o)) return true;
        return false;
    };
    int k = 1;
    while (crossesAt(double(k) * kStep))
        if (++k > kMaxSteps) return 0;
    // A safety distance of 0 or less would never end the halving.
    const double close = std::max(double(safety), 10.0);
    double lo = 0, hi = double(k) * kStep, mid = hi;
    for (int n = 0; n < kMaxHalvings; ++n) {
        mid = (lo + hi) / 2;
        if (crossesAt(mid)) {
            lo = mid;
            mid = hi;
            continue;
        }
        hi = mid;
        if (mid - lo < close) break;
    }
    return float(mid + 200.0);
}

bool PushAwayPiece(ItemList& items, int32_t piece, PointF dragOffset, float safety) {
    const double len = std::hypot(double(dragOffset.x), double(dragOffset.y));
    if (!(len > 0) || !std::isfinite(len)) return false;
    const PointF dir{float(dragOffset.x / len), float(dragOffset.y / len)};
    Shape moved;
    std::vector<int32_t> ids;
    std::vector<Shape> others;
    for (const PlotItem& it : items) {
        if (it.kind() != kItemOutline) continue;
        if (it.pieceId == piece) {
            moved.push_back(it.points);
            continue;
        }
        auto at = std::find(ids.begin(), ids.end(), it.pieceId);
        if (at == ids.end()) {
            ids.push_back(it.pieceId);
            others.emplace_back();
            at = ids.end() - 1;
        }
        others[size_t(at - ids.begin())].push_back(it.points);
    }
    if (moved.empty()) return false;
    const float d = PushAwayDistance(moved, others, dir, safety);
    if (d <= 0) return false;
    for (PlotItem& it : items)
        if (it.pieceId == piece)
            for (PointF& p : it.points) p.x -= dir.x * d, p.y -= dir.y * d;
    return true;
}

}  // namespace rz
