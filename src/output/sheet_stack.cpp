#include "output/sheet_stack.h"

#include <algorithm>
#include <clipper.hpp>
#include <cmath>

#include "output/sheet_edit.h"

namespace rz {
namespace {

// Clipper works on integers: sheet units × 100 keep 0.0001 mm.
constexpr double kScale = 100.0;
// Left out, set aside, chosen for a job, picked: states of the pieces merged, not of the result.
constexpr uint32_t kStateBits = 0xF0000000u;

RectF BoxOf(const Polyline& p) {
    RectF r{p[0].x, p[0].y, p[0].x, p[0].y};
    for (PointF q : p)
        r.minX = std::min(r.minX, q.x), r.maxX = std::max(r.maxX, q.x), r.minY = std::min(r.minY, q.y),
        r.maxY = std::max(r.maxY, q.y);
    return r;
}

bool Contains(const RectF& outer, const RectF& inner) {
    return outer.minX <= inner.minX && outer.minY <= inner.minY && outer.maxX >= inner.maxX && outer.maxY >= inner.maxY;
}

}  // namespace

std::vector<Polyline> UnionLoops(const std::vector<Polyline>& outlines) {
    ClipperLib::Paths in;
    for (const Polyline& o : outlines) {
        ClipperLib::Path path;
        for (PointF q : o) {
            // Far points and NaN would overflow the integers: such an outline takes no part.
            if (!std::isfinite(q.x) || !std::isfinite(q.y) || std::fabs(q.x) > 1e9f || std::fabs(q.y) > 1e9f) {
                path.clear();
                break;
            }
            path.push_back({ClipperLib::cInt(std::llround(q.x * kScale)), ClipperLib::cInt(std::llround(q.y * kScale))});
        }
        if (path.size() >= 2 && path.front() == path.back()) path.pop_back();
        if (path.size() < 3) continue;
        // Counter-clockwise, so that overlaps add up under the non-zero rule.
        if (!ClipperLib::Orientation(path)) ClipperLib::ReversePath(path);
        in.push_back(std::move(path));
    }
    std::vector<Polyline> loops;
    if (in.empty()) return loops;
    ClipperLib::Clipper c;
    c.AddPaths(in, ClipperLib::ptSubject, true);
    ClipperLib::Paths out;
    if (!c.Execute(ClipperLib::ctUnion, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero)) return loops;
    for (const ClipperLib::Path& path : out) {
        if (path.size() < 3) continue;
        Polyline l;
        l.reserve(path.size() + 1);
        for (const ClipperLib::IntPoint& q : path) l.push_back({float(double(q.X) / kScale), float(double(q.Y) / kScale)});
        l.push_back(l.front());
        loops.push_back(std::move(l));
    }
    return loops;
}

int OuterLoopByBoxes(const std::vector<Polyline>& loops) {
    if (loops.empty()) return -1;
    int outer = 0;
    RectF box = BoxOf(loops[0]);
    for (size_t i = 1; i < loops.size(); ++i) {
        const RectF b = BoxOf(loops[i]);
        if (Contains(b, box)) outer = int(i), box = b;
    }
    return outer;
}

bool MergePickedPieces(ItemList& items, int32_t clicked) {
    const std::set<int32_t> pieces = PickedPieces(items);
    if (!pieces.count(clicked) || pieces.size() < 2) return false;
    std::vector<Polyline> outlines;
    uint32_t flags = 0;
    bool anyOutline = false;
    for (const PlotItem& it : items)
        if (pieces.count(it.pieceId) && it.kind() == kItemOutline) {
            outlines.push_back(it.points);
            flags = it.flags;
            anyOutline = true;
        }
    // Worked out before anything changes: without a loop the pieces stay as they were.
    std::vector<Polyline> loops = anyOutline ? UnionLoops(outlines) : std::vector<Polyline>{};
    const int outer = OuterLoopByBoxes(loops);
    if (outer < 0) return false;
    std::erase_if(items, [&](const PlotItem& it) { return pieces.count(it.pieceId) && it.kind() == kItemOutline; });
    for (PlotItem& it : items)
        if (pieces.count(it.pieceId)) it.pieceId = clicked;
    flags &= ~kStateBits;
    PlotItem o;
    o.flags = flags;
    o.pieceId = clicked;
    o.points = std::move(loops[size_t(outer)]);
    items.push_back(std::move(o));
    for (size_t i = 0; i < loops.size(); ++i) {
        if (int(i) == outer) continue;
        PlotItem in;
        in.flags = flags;
        in.setKind(kItemInner);
        in.pieceId = clicked;
        in.points = std::move(loops[i]);
        items.push_back(std::move(in));
    }
    return true;
}

}  // namespace rz
