#include "design/rows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"

namespace rz {

int InsertionMode(uint32_t flags) {
    bool a = flags & kRowInsertA, b = flags & kRowInsertB;
    if (a && b) return 1;
    if (a) return 2;
    if (b) return 3;
    return 0;
}

uint32_t InsertionBits(int mode) {
    switch (mode) {
    case 1: return kRowInsertA | kRowInsertB;
    case 2: return kRowInsertA;
    case 3: return kRowInsertB;
    default: return 0;
    }
}

RowParams ReadRow(const PointRow& r) {
    RowParams p;
    p.mode = RowMode(std::min<uint32_t>((r.flags & kRowModeMask) >> kRowModeShift, 3));
    p.startNode = r.v0;
    p.count = r.v1;
    p.startExt = r.f[0];
    p.endExt = r.f[1];
    p.offset = r.f[2];
    p.secondDistance = r.f[3];
    p.spacing = r.f[4];
    p.secondSpacing = r.f[5];
    p.diameter = r.f[6];
    p.sizeInterval = int16_t(r.v2);
    p.countStep = r.v3;
    p.insertion = InsertionMode(r.flags);
    p.skipFirst = r.flags & kRowSkipFirst;
    p.skipLast = r.flags & kRowSkipLast;
    p.tool = r.flags & kFlagToolMask;
    p.folds = r.flags & kFlagFolds;
    return p;
}

void StoreRow(PointRow& r, const RowParams& p) {
    r.v0 = uint16_t(std::clamp(p.startNode, 0, 0xFFFF));
    r.v1 = uint16_t(std::clamp(p.count, 0, 0xFFFF));
    r.f = {p.startExt, p.endExt, p.offset, p.secondDistance, p.spacing, p.secondSpacing, p.diameter};
    r.v2 = uint16_t(int16_t(std::clamp(p.sizeInterval, -32768, 32767)));
    r.v3 = uint16_t(std::clamp(p.countStep, 0, 0xFFFF));
    uint32_t keep = r.flags & (kFlagTransient | kRowCreating);
    r.flags = keep | (p.tool & kFlagToolMask) | (uint32_t(p.mode) << kRowModeShift) | InsertionBits(p.insertion) |
              (p.skipFirst ? kRowSkipFirst : 0) | (p.skipLast ? kRowSkipLast : 0) | (p.folds ? kFlagFolds : 0);
}

namespace {

bool Finite(float v) { return std::isfinite(v) && std::fabs(v) < 1.0e7f; }

float SegmentAngle(std::span<const PointF> pl, int index) {
    int i = std::clamp(index, 1, int(pl.size()) - 1);
    return PtAngle(pl[size_t(i - 1)], pl[size_t(i)]);
}

// Arc-length positions of n points: evenly spaced, or for a graded count with an insertion
// mode the base spacing kept at the head, the tail or both ends and the change taken up by the
// rest of the line.
std::vector<float> Positions(float L, int n, int insertion, float baseSpacing, bool graded) {
    std::vector<float> s(static_cast<size_t>(n));
    const float even = L / float(n - 1);
    for (int k = 0; k < n; ++k) s[size_t(k)] = float(k) * even;
    if (!graded || insertion == 0 || !(baseSpacing > 0.0f)) return s;
    std::vector<float> t(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        float fromStart = float(k) * baseSpacing, fromEnd = L - float(n - 1 - k) * baseSpacing;
        switch (insertion) {
        case 1: t[size_t(k)] = k == 0 ? 0.0f : fromEnd; break;          // 首部插点: points come and go at the head
        case 2: t[size_t(k)] = k == n - 1 ? L : fromStart; break;       // 尾部插点: at the tail
        default: t[size_t(k)] = k < n / 2 ? fromStart : fromEnd; break; // 中间插点: in the middle
        }
    }
    for (int k = 1; k < n; ++k)
        if (!(t[size_t(k)] > t[size_t(k - 1)]) || t[size_t(k)] > L) return s;  // the line is too short: evenly
    return t;
}

void DropEnds(RowPoints& r, const RowParams& p, size_t least) {
    if (p.skipFirst && r.points.size() > least) {
        r.points.erase(r.points.begin());
        r.angles.erase(r.angles.begin());
    }
    if (p.skipLast && r.points.size() > least) {
        r.points.pop_back();
        r.angles.pop_back();
    }
}

}  // namespace

RowPoints ComputeRow(const RowParams& p, std::span<const PointF> host, std::span<const Node> nodes, int count) {
    RowPoints out;
    if (host.size() < 2 || !Finite(p.offset) || !Finite(p.secondDistance)) return out;
    const bool graded = count >= 0;
    if (p.mode == RowMode::Nodes && (!graded || count == int(nodes.size()))) {
        for (const Node& n : nodes) out.points.push_back(n.pt());
        for (size_t i = 0; i < out.points.size(); ++i)
            out.angles.push_back(i + 1 < out.points.size() ? PtAngle(out.points[i], out.points[i + 1]) : 0.0f);
        if (p.offset != 0.0f && out.points.size() >= 2) PolyOffset(out.points, -p.offset, false);
        out.laid = int(out.points.size());
        DropEnds(out, p, 1);
    } else {
        // The host as it is, unless an offset or an extension changes it.
        Polyline moved;
        std::span<const PointF> pl = host;
        if (p.offset != 0.0f || p.startExt != 0.0f || p.endExt != 0.0f) {
            moved.assign(host.begin(), host.end());
            if (p.offset != 0.0f) PolyOffset(moved, -p.offset, true);
            moved = PolyExtendEnds(moved, p.startExt, p.endExt);
            pl = moved;
        }
        const float L = PolyLength(pl);
        if (pl.size() < 2 || !(L > 0.0f)) return out;
        if (p.mode == RowMode::Spacing) {
            if (!(p.spacing > kMinRowSpacing) || !Finite(p.spacing)) return out;
            PointF cur = pl.front();
            float pos = 0.0f;
            WalkCursor walk;
            out.points.push_back(cur);
            out.angles.push_back(SegmentAngle(pl, 1));
            while (int(out.points.size()) < kMaxRowPoints) {
                WalkHit h = PolyWalkToDistance(pl, pos, cur, p.spacing, &walk);
                if (!h.found) break;
                cur = h.pt;
                pos = h.s;
                out.points.push_back(cur);
                out.angles.push_back(SegmentAngle(pl, int(walk.segment)));
            }
            out.spacing = p.spacing;
        } else {
            int n = graded ? count : p.count;
            if (n < 2 || n > kMaxRowPoints) return out;
            std::vector<float> at = Positions(L, n, p.insertion, p.spacing, graded && count != p.count);
            std::vector<int> seg;
            PolyPointsAt(pl, at, out.points, &seg);
            for (int i : seg) out.angles.push_back(SegmentAngle(pl, i));
            out.spacing = L / float(n - 1);
        }
        out.laid = int(out.points.size());
        DropEnds(out, p, 2);
    }
    if (p.secondDistance != 0.0f && out.points.size() >= 2) {
        out.second = out.points;
        PolyOffset(out.second, -p.secondDistance, false);
    }
    return out;
}

RowPoints RowPointsOf(const PointRow& r) {
    if (!r.host) return {};
    return ComputeRow(ReadRow(r), r.host->eval, r.host->nodes);
}

void RebuildRow(PointRow& r, bool record) {
    RowParams p = ReadRow(r);
    RowPoints pts;
    if (std::isfinite(p.diameter) && std::fabs(p.diameter) <= 1.0e5f) pts = RowPointsOf(r);
    if (pts.points.empty()) {
        r.drawn.clear();
        return;
    }
    // One circle, moved to every point; the drawn polylines keep their storage from the last time.
    const Polyline circle = PinOutline(0.0f, 0.0f, std::fabs(p.diameter));
    r.drawn.resize(pts.points.size() + pts.second.size());
    size_t k = 0;
    for (const Polyline* list : {&pts.points, &pts.second})
        for (PointF q : *list) {
            Polyline& c = r.drawn[k++];
            c.resize(circle.size());
            for (size_t i = 0; i < circle.size(); ++i) c[i] = {circle[i].x + q.x, circle[i].y + q.y};
        }
    if (!record) return;
    // What the row laid is kept with it: the count of a spacing row, the spacing of an auto row.
    if (p.mode != RowMode::Auto) p.count = pts.laid;
    else if (p.mode == RowMode::Auto) p.spacing = pts.spacing;
    if (p.count > 0xFFFF) return;
    StoreRow(r, p);
}

int GradedRowCount(int n, int b, int c, int d) {
    if (b == 0 || c == 0) return n;
    int k;
    if (b < 0) k = d <= 0 ? -(d / b) : d / (1 - b) + 1;
    else k = d < 0 ? d / (b + 1) - 1 : d / b;
    // Counts and steps come from files: work wide so that no product overflows.
    const int64_t v = int64_t(n) + int64_t(c) * k;
    return int(std::clamp<int64_t>(v, 2, std::numeric_limits<int>::max()));
}

int GradedRowCount(const PointRow& r, int gradedNodes, int d) {
    RowParams p = ReadRow(r);
    if (p.mode == RowMode::Auto && p.count > kMaxRowPoints) return -1;  // unsound: no points in any size
    switch (p.mode) {
    case RowMode::Auto: return GradedRowCount(p.count, p.sizeInterval, p.countStep, d);
    case RowMode::Nodes: return GradedRowCount(gradedNodes, p.sizeInterval, p.countStep, d);
    default: return -1;
    }
}

std::unique_ptr<PointRow> MakeRow(Line& host, RowMode mode, float diameter, uint32_t tool) {
    auto r = std::make_unique<PointRow>();
    RowParams p;
    p.mode = mode;
    p.diameter = diameter;
    p.tool = tool;
    p.folds = true;
    p.count = mode == RowMode::Nodes ? int(host.nodes.size()) : 0;
    r->host = &host;
    StoreRow(*r, p);
    return r;
}

int NearestNodeIndex(const Line& host, PointF p) {
    if (host.nodes.empty()) return 0;
    if (host.eval.size() < 2) return NearestNode(host, p);
    std::vector<float> pos = NodePositions(host);
    float s = PolyLengthTo(host.eval, p).length;
    size_t k = size_t(std::upper_bound(pos.begin(), pos.end(), s) - pos.begin());
    if (k == 0) return 0;
    if (k >= pos.size()) return int(pos.size()) - 1;
    // The nearer of the two nodes around the click.
    return PtDist(host.nodes[k - 1].pt(), p) <= PtDist(host.nodes[k].pt(), p) ? int(k - 1) : int(k);
}

}  // namespace rz
