#include "output/sheet_points.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "geom/primitives.h"

namespace rz {
namespace {

bool Valid(const ItemList& items, SheetVertex v) {
    return v.item >= 0 && size_t(v.item) < items.size() && v.vertex >= 0 &&
           size_t(v.vertex) < items[size_t(v.item)].points.size();
}

bool Within(PointF a, PointF b, float d) { return std::fabs(a.x - b.x) < d && std::fabs(a.y - b.y) < d; }

// A single point is closed: its first and last point are the same (pin holes stay).
bool Closed(const Polyline& p) { return !p.empty() && PtSame(p.front(), p.back()); }

}  // namespace

bool IsEndVertex(const ItemList& items, SheetVertex v) {
    if (!Valid(items, v)) return false;
    return v.vertex == 0 || size_t(v.vertex) + 1 == items[size_t(v.item)].points.size();
}

bool CoincideEnds(ItemList& items, SheetVertex v, float near) {
    if (!Valid(items, v)) return false;
    const PointF at = items[size_t(v.item)].points[size_t(v.vertex)];
    bool moved = false;
    for (size_t i = 0; i < items.size(); ++i) {
        Polyline& pts = items[i].points;
        if (int(i) == v.item || pts.empty()) continue;
        PointF* end = Within(pts.front(), at, near) ? &pts.front() : Within(pts.back(), at, near) ? &pts.back() : nullptr;
        if (!end) continue;
        *end = at;
        moved = true;
    }
    return moved;
}

SheetVertex JoinAt(ItemList& items, SheetVertex v, float tolerance) {
    if (!IsEndVertex(items, v)) return {};
    Polyline& cur = items[size_t(v.item)].points;
    const PointF at = cur[size_t(v.vertex)];
    const bool atFirst = v.vertex == 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (int(i) == v.item || items[i].points.empty()) continue;
        Polyline other = items[i].points;
        const bool firstMatch = Within(other.front(), at, tolerance);
        if (!firstMatch && !Within(other.back(), at, tolerance)) continue;
        if (!firstMatch) std::reverse(other.begin(), other.end());
        if (atFirst) std::reverse(cur.begin(), cur.end());
        const int joint = int(cur.size()) - 1;
        cur.insert(cur.end(), other.begin() + 1, other.end());
        items.erase(items.begin() + std::ptrdiff_t(i));
        return {int(i) < v.item ? v.item - 1 : v.item, joint};
    }
    return {};
}

bool QuickDrawItem(PlotItem& item, const TSmooth& smooth) {
    Polyline& pts = item.points;
    if (pts.size() < 3 || (item.flags & kItemQuickDrawn)) return false;
    const bool closed = PtSame(pts.front(), pts.back());
    const std::vector<ArcPiece> arcs = smooth.FitArcs(pts);
    if (!arcs.empty()) {
        Polyline out;
        for (size_t k = 0; k < arcs.size(); ++k) {
            Polyline s = Arc3Points(arcs[k].start, arcs[k].middle, arcs[k].end, 1.0f);
            out.insert(out.end(), s.begin() + (k > 0 && !s.empty() ? 1 : 0), s.end());
        }
        if (out.size() >= 2) pts = std::move(out);
    }
    if (pts.size() > 2) PolySimplify(pts, 5.0f, 2000.0f);
    item.flags |= kItemQuickDrawn;
    if (closed) pts.back() = pts.front();
    return true;
}

bool ThinItem(PlotItem& item) {
    const size_t before = item.points.size();
    if (before < 3) return false;
    PolySimplify(item.points, 10.0f, 2000.0f);
    return item.points.size() != before;
}

bool DeleteVertex(ItemList& items, SheetVertex& v) {
    if (!Valid(items, v)) return false;
    Polyline& pts = items[size_t(v.item)].points;
    if (pts.size() < 3) return false;
    pts.erase(pts.begin() + v.vertex);
    if (size_t(v.vertex) >= pts.size()) v.vertex = int(pts.size()) - 1;
    return true;
}

bool SplitItem(ItemList& items, SheetVertex v) {
    if (!Valid(items, v) || IsEndVertex(items, v)) return false;
    PlotItem tail = items[size_t(v.item)];
    Polyline& head = items[size_t(v.item)].points;
    tail.points.assign(head.begin() + v.vertex, head.end());
    head.resize(size_t(v.vertex) + 1);
    items.insert(items.begin() + v.item + 1, std::move(tail));
    return true;
}

bool CleanUpSheet(ItemList& items) {
    const ItemList before = items;
    std::erase_if(items, [](const PlotItem& it) { return (it.flags & kItemSetAside) != 0; });
    ItemList closed, open;
    for (PlotItem& it : items) (Closed(it.points) ? closed : open).push_back(std::move(it));
    // An outline is only kept when it is part of a chain of outlines: another outline ends at
    // its first point and some outline ends at its last.
    auto endsAt = [&](PointF p, size_t skip) {
        for (size_t j = 0; j < open.size(); ++j) {
            if (j == skip || open[j].kind() != kItemOutline || open[j].points.empty()) continue;
            if (PtSame(open[j].points.front(), p) || PtSame(open[j].points.back(), p)) return true;
        }
        return false;
    };
    std::vector<int> kinds(open.size());
    for (size_t i = 0; i < open.size(); ++i) {
        kinds[i] = open[i].kind();
        if (kinds[i] != kItemOutline || open[i].points.empty()) continue;
        const bool keep = endsAt(open[i].points.front(), i) && endsAt(open[i].points.back(), i);
        if (!keep) kinds[i] = kItemInner;
    }
    items.clear();
    for (size_t i = 0; i < open.size(); ++i) {
        if (kinds[i] != kItemOutline) continue;
        items.push_back(std::move(open[i]));
    }
    for (PlotItem& it : closed) items.push_back(std::move(it));
    return items != before;
}

}  // namespace rz
