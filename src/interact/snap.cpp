#include "interact/snap.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "geom/polyline.h"
#include "geom/primitives.h"
#include "interact/events.h"
#include "interact/linewalk.h"

namespace rz {

const std::array<SnapToggle, 11>& SnapToggles() {
    static const std::array<SnapToggle, 11> t = {{
        {kSnapGrid, 34066, "网格吸附"},
        {kSnapIsolated, 34061, "孤点吸附"},
        {kSnapEnd, 34062, "端点吸附"},
        {kSnapCross, 34063, "交叉点吸附"},
        {kSnapNode, 34064, "节点吸附"},
        {kSnapLine, 34065, "线条吸附"},
        {kSnapMid, 34067, "中点吸附"},
        {kSnapImage, 34068, "图象吸附"},
        {kSnapFoot, 34113, "垂足吸附"},
        {kSnapHorizontal, 34145, "水平"},
        {kSnapVertical, 34146, "垂直"},
    }};
    return t;
}

uint32_t SnapBitOfCommand(int command) {
    for (const auto& t : SnapToggles())
        if (t.command == command) return t.bit;
    return 0;
}

const char* SnapRuleText(SnapRule r) {
    switch (r) {
    case SnapRule::Image: return "图象";
    case SnapRule::HorizVert: return "水平垂直";
    case SnapRule::Grid: return "网格";
    case SnapRule::Isolated: return "孤点";
    case SnapRule::Foot: return "垂足";
    case SnapRule::End: return "端点";
    case SnapRule::Cross: return "交叉点";
    case SnapRule::Mid: return "中点";
    case SnapRule::Node: return "节点";
    case SnapRule::Line: return "线条";
    case SnapRule::None: break;
    }
    return "无";
}

int SnapRangePx(const Settings& s) { return std::clamp(s.snapRange, 1, 16); }
int PickRangePx(const Settings& s) { return std::clamp(s.pickRange, 1, 8); }

RectF RangeRect(PointF c, int rangePx, const View& v) {
    float h = v.s > 0.0f ? float(rangePx) / v.s : 0.0f;
    return {c.x - h, c.y - h, c.x + h, c.y + h};
}

namespace {

using detail::WalkLines;

PointF Centre(const RectF& r) { return {(r.minX + r.maxX) * 0.5f, (r.minY + r.maxY) * 0.5f}; }

// Nearest point to p on the points [lo, hi] of a polyline.
PointF NearestOnSpan(const Polyline& pl, int lo, int hi, PointF p) {
    int n = int(pl.size());
    lo = std::max(lo, 0);
    hi = std::min(hi, n - 1);
    std::span<const PointF> span(pl.data() + lo, size_t(hi - lo + 1));
    return PolyNearest(span, p).pt;
}

bool PinTouches(const Pin& pin, const RectF& r) {
    // Distance from the centre to the rectangle against the radius.
    float dx = std::max({r.minX - pin.x, 0.0f, pin.x - r.maxX});
    float dy = std::max({r.minY - pin.y, 0.0f, pin.y - r.maxY});
    float rad = std::fabs(pin.diameter) * 0.5f;
    return dx * dx + dy * dy <= rad * rad;
}

struct Snapper {
    const TDoc& doc;
    const View& v;
    const SnapRequest& req;
    const GeomIndex* idx;
    RectF r;
    PointF c;
    int page;

    bool image(PointF& out) {
        if (!(doc.settings.displayFlags & kDispScan) || (req.mods & kMkModifiers)) return false;
        for (const auto& sl : doc.scanLines) {
            if (sl->flags & kFlagHidden) continue;
            for (const auto& pl : sl->shape) {
                RectHit h = PolyHitRect(r, pl);
                if (!h.segment) continue;
                out = NearestOnSpan(pl, h.vertex - 1, h.vertex + 1, c);
                return true;
            }
        }
        return false;
    }

    bool grid(PointF& out) {
        if (!(doc.settings.displayFlags & kDispGrid)) return false;
        double unit = doc.settings.gridUnit;
        // A grid unit of zero, below zero or not a number has no grid points.
        if (!(unit > 0.0) || !std::isfinite(unit)) return false;
        double gx = std::round(double(c.x) / unit) * unit;
        double gy = std::round(double(c.y) / unit) * unit;
        if (!std::isfinite(gx) || !std::isfinite(gy)) return false;
        PointF g{float(gx), float(gy)};
        if (!RectContains(r, g)) return false;
        out = g;
        return true;
    }

    bool isolated(PointF& out) {
        bool found = false;
        ForEachVisiblePart(doc.design, page, [&](const Part& p) {
            if (found) return;
            for (const auto& b : p.basePoints)
                if (!(b->flags & kFlagHidden) && RectContains(r, {b->x, b->y})) {
                    out = {b->x, b->y};
                    found = true;
                    return;
                }
            for (const auto& pin : p.pins)
                if (!(pin->flags & kFlagHidden) && PinTouches(*pin, r)) {
                    out = {pin->x, pin->y};
                    found = true;
                    return;
                }
            for (const auto& m : p.motifs)
                if (!(m->flags & kFlagHidden) && RectContains(r, {m->x, m->y})) {
                    out = {m->x, m->y};
                    found = true;
                    return;
                }
        });
        return found;
    }

    bool foot(PointF& out) {
        if (!req.prevNode) return false;
        PointF from = *req.prevNode;
        return WalkLines(doc.design, page, idx, r, [&](const Part&, const Line& l, bool) {
            if (!PolyHitRect(r, l.eval).segment) return false;
            PointF f = PolyNearest(l.eval, from).pt;
            if (!RectContains(r, f)) return false;
            out = f;
            return true;
        });
    }

    bool ends(PointF& out) {
        return WalkLines(doc.design, page, idx, r, [&](const Part&, const Line& l, bool) {
            if (l.eval.empty()) return false;
            if (RectContains(r, l.eval.front())) {
                out = l.eval.front();
                return true;
            }
            if (RectContains(r, l.eval.back())) {
                out = l.eval.back();
                return true;
            }
            return false;
        });
    }

    // Windows of up to 31 points around the hit vertex.
    static std::pair<int, int> Window(const Polyline& pl, int vertex) {
        int n = int(pl.size());
        return {std::max(0, vertex - 15), std::min(n - 1, vertex + 15)};
    }

    bool cross(PointF& out) {
        const Part* part = nullptr;
        const Line* first = nullptr;
        int firstVertex = 0;
        return WalkLines(doc.design, page, idx, r, [&](const Part& p, const Line& l, bool) {
            if (&p != part) {  // each part pairs its own lines
                part = &p;
                first = nullptr;
            }
            RectHit h = PolyHitRect(r, l.eval);
            if (!h.segment) return false;
            if (!first) {
                first = &l;
                firstVertex = h.vertex;
                return false;
            }
            auto [a0, a1] = Window(first->eval, firstVertex);
            auto [b0, b1] = Window(l.eval, h.vertex);
            for (int i = a0; i < a1; ++i)
                for (int j = b0; j < b1; ++j) {
                    auto x = SegIntersect(first->eval[size_t(i)], first->eval[size_t(i) + 1],
                                          l.eval[size_t(j)], l.eval[size_t(j) + 1]);
                    if (!x) continue;
                    // Only the first intersection of a pair counts.
                    if (!RectContains(r, *x)) return false;
                    out = *x;
                    return true;
                }
            return false;
        });
    }

    bool mid(PointF& out) {
        return WalkLines(doc.design, page, idx, r, [&](const Part&, const Line& l, bool) {
            if (!PolyHitRect(r, l.eval).segment) return false;
            PointF m = PolyPointAt(l.eval, PolyLength(l.eval) * 0.5f).pt;
            if (!RectContains(r, m)) return false;
            out = m;
            return true;
        });
    }

    bool node(PointF& out) {
        return WalkLines(doc.design, page, idx, r, [&](const Part&, const Line& l, bool) {
            if (l.eval.empty()) return false;  // a bad line offers nothing to snap to
            for (const auto& n : l.nodes)
                if (RectContains(r, n.pt())) {
                    out = n.pt();
                    return true;
                }
            return false;
        });
    }

    bool line(PointF& out) {
        return WalkLines(doc.design, page, idx, r, [&](const Part&, const Line& l, bool) {
            RectHit h = PolyHitRect(r, l.eval);
            if (!h.segment) return false;
            out = NearestOnSpan(l.eval, h.vertex - 1, h.vertex + 1, c);
            return true;
        });
    }
};

}  // namespace

SnapResult SnapPoint(const TDoc& doc, const View& v, const SnapRequest& req, const GeomIndex* index) {
    SnapResult res;
    res.px = req.px;
    res.model = v.toModel(req.px.x, req.px.y);
    if (!req.bits || !(v.s > 0.0f)) return res;
    int page = doc.currentPage();
    if (index && !index->matches(doc.design, page)) index = nullptr;
    RectF r = RangeRect(res.model, req.rangePx, v);
    Snapper s{doc, v, req, index, r, Centre(r), page};
    uint32_t b = req.bits;
    PointF out;
    auto done = [&](SnapRule rule) {
        res.rule = rule;
        res.model = out;
        res.px = v.toWindow(out);
        return res;
    };
    if ((b & kSnapImage) && s.image(out)) return done(SnapRule::Image);
    if ((b & (kSnapHorizontal | kSnapVertical)) && req.prevNode) {
        PixelPoint P = v.toWindow(*req.prevNode);
        bool hit = false;
        if ((b & kSnapVertical) && std::abs(P.x - req.px.x) < req.rangePx) {
            res.model.x = req.prevNode->x;
            res.px.x = P.x;
            hit = true;
        }
        if ((b & kSnapHorizontal) && std::abs(P.y - req.px.y) < req.rangePx) {
            res.model.y = req.prevNode->y;
            res.px.y = P.y;
            hit = true;
        }
        if (hit) {
            res.rule = SnapRule::HorizVert;
            return res;
        }
    }
    if ((b & kSnapGrid) && s.grid(out)) return done(SnapRule::Grid);
    if ((b & kSnapIsolated) && s.isolated(out)) return done(SnapRule::Isolated);
    if ((b & kSnapFoot) && s.foot(out)) return done(SnapRule::Foot);
    if ((b & kSnapEnd) && s.ends(out)) return done(SnapRule::End);
    if ((b & kSnapCross) && s.cross(out)) return done(SnapRule::Cross);
    if ((b & kSnapMid) && s.mid(out)) return done(SnapRule::Mid);
    if ((b & kSnapNode) && s.node(out)) return done(SnapRule::Node);
    if ((b & kSnapLine) && s.line(out)) return done(SnapRule::Line);
    return res;
}

void DrawSnapMarker(Canvas& c, PixelPoint at) {
    PixelPoint pts[5] = {{at.x - 5, at.y - 6},
                         {at.x + 5, at.y - 6},
                         {at.x - 5, at.y + 6},
                         {at.x + 5, at.y + 6},
                         {at.x - 5, at.y - 6}};
    c.setColour(kSnapMarkerColour);
    c.setWidth(1);
    c.setDash(0, 0);
    c.polyline(pts, 5);
}

}  // namespace rz
