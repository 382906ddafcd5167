#include "design/stack.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "commands/edit_ops.h"
#include "commands/edit_tools.h"
#include "commands/features.h"
#include "commands/tool_support.h"
#include "design/part_split.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

namespace {

constexpr size_t kChunk = 16;
constexpr float kMergeCuts = 0.5f;   // crossings closer than this along a line are one
constexpr float kOnBoundary = 0.5f;  // a piece this close to another outline runs along it
constexpr float kProbe = 5.0f;       // how far beside a shared piece its interior is tested

struct Cut {
    float s;
    PointF pt;
};

struct LineData {
    Line* line = nullptr;
    size_t part = 0;
    std::vector<float> cum;
    std::vector<RectF> boxes;  // per chunk of segments
    RectF box{};
    std::vector<Cut> cuts;
};

RectF BoxOf(const Polyline& pl, size_t from, size_t to) {
    RectF r{pl[from].x, pl[from].y, pl[from].x, pl[from].y};
    for (size_t i = from + 1; i <= to; ++i) {
        r.minX = std::min(r.minX, pl[i].x), r.maxX = std::max(r.maxX, pl[i].x);
        r.minY = std::min(r.minY, pl[i].y), r.maxY = std::max(r.maxY, pl[i].y);
    }
    return r;
}
bool Overlap(const RectF& a, const RectF& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}
bool Contains(const RectF& outer, const RectF& inner) {
    return outer.minX <= inner.minX + kStackJoin && outer.minY <= inner.minY + kStackJoin &&
           outer.maxX >= inner.maxX - kStackJoin && outer.maxY >= inner.maxY - kStackJoin;
}

LineData Prepare(Line* l, size_t part) {
    LineData d;
    d.line = l, d.part = part;
    const Polyline& pl = l->eval;
    d.cum = PolyArcLengths(pl);
    for (size_t i = 0; i + 1 < pl.size(); i += kChunk) d.boxes.push_back(BoxOf(pl, i, std::min(i + kChunk, pl.size() - 1)));
    d.box = BoxOf(pl, 0, pl.size() - 1);
    return d;
}

// Every crossing of two lines, computed once and entered on both, so that the pieces on either
// side of it end on the very same point.
void Cross(LineData& a, LineData& b) {
    if (!Overlap(a.box, b.box)) return;
    const Polyline &pa = a.line->eval, &pb = b.line->eval;
    for (size_t ci = 0; ci < a.boxes.size(); ++ci) {
        if (!Overlap(a.boxes[ci], b.box)) continue;
        for (size_t cj = 0; cj < b.boxes.size(); ++cj) {
            if (!Overlap(a.boxes[ci], b.boxes[cj])) continue;
            const size_t ae = std::min(pa.size() - 1, (ci + 1) * kChunk), be = std::min(pb.size() - 1, (cj + 1) * kChunk);
            for (size_t i = ci * kChunk; i < ae; ++i)
                for (size_t j = cj * kChunk; j < be; ++j) {
                    auto x = SegIntersect(pa[i], pa[i + 1], pb[j], pb[j + 1]);
                    if (!x) continue;
                    a.cuts.push_back({a.cum[i] + PtDist(pa[i], *x), *x});
                    b.cuts.push_back({b.cum[j] + PtDist(pb[j], *x), *x});
                }
        }
    }
}

// The pieces of a line between its cuts.
void Split(const LineData& d, std::vector<StackPlan::Piece>& out) {
    const Polyline& pl = d.line->eval;
    const float L = d.cum.back();
    std::vector<Cut> cuts = d.cuts;
    std::sort(cuts.begin(), cuts.end(), [](const Cut& x, const Cut& y) { return x.s < y.s; });
    std::vector<Cut> at{{0.0f, pl.front()}};
    for (const Cut& c : cuts) {
        if (c.s <= kStackJoin || c.s >= L - kStackJoin) continue;  // at an end: nothing to cut
        if (c.s - at.back().s < kMergeCuts) continue;
        at.push_back(c);
    }
    if (L - at.back().s < kMergeCuts && at.size() > 1) at.pop_back();
    at.push_back({L, pl.back()});
    const bool whole = at.size() == 2;
    for (size_t k = 0; k + 1 < at.size(); ++k) {
        StackPlan::Piece p;
        p.source = d.line;
        p.whole = whole;
        if (whole) {
            p.points = pl;
        } else {
            p.points.push_back(at[k].pt);
            for (size_t i = 0; i < pl.size(); ++i)
                if (d.cum[i] > at[k].s + kStackJoin && d.cum[i] < at[k + 1].s - kStackJoin) p.points.push_back(pl[i]);
            p.points.push_back(at[k + 1].pt);
        }
        out.push_back(std::move(p));
    }
}

bool Keep(const StackPlan::Piece& pc, size_t own, const std::vector<Part*>& parts, const std::vector<bool>& ccw) {
    const float L = PolyLength(pc.points);
    const PointAt mid = PolyPointAt(pc.points, 0.5f * L);
    const size_t i = size_t(std::clamp(mid.index, 1, int(pc.points.size()) - 1));
    PointF d{pc.points[i].x - pc.points[i - 1].x, pc.points[i].y - pc.points[i - 1].y};
    const float n = std::hypot(d.x, d.y);
    if (n > 0.0f) d = {d.x / n, d.y / n};
    // The piece's own interior lies on its left inside a counter-clockwise outline.
    const float side = ccw[own] ? 1.0f : -1.0f;
    const PointF probe{mid.pt.x - d.y * kProbe * side, mid.pt.y + d.x * kProbe * side};
    for (size_t j = 0; j < parts.size(); ++j) {
        if (j == own) continue;
        const Polyline& o = parts[j]->outline;
        if (PolyNearest(o, mid.pt).dist <= kOnBoundary) {
            // Along another outline: one copy stays where both interiors lie on the same side,
            // none where the parts meet there edge to edge.
            if (PointInPolygon(o, probe) == 0) return false;
            if (j < own) return false;
            continue;
        }
        if (PointInPolygon(o, mid.pt) != 0) return false;
    }
    return true;
}

}  // namespace

std::optional<StackPlan> PlanStack(const Design& d, const std::vector<Part*>& parts) {
    (void)d;
    if (parts.size() < 2) return std::nullopt;
    std::vector<bool> ccw;
    std::vector<LineData> lines;
    for (size_t k = 0; k < parts.size(); ++k) {
        const Part& p = *parts[k];
        if (p.linesA.empty() || p.outline.size() < 4 || !PolyClosed(p.outline)) return std::nullopt;
        ccw.push_back(PolyIsCounterClockwise(p.outline));
        for (auto& l : p.linesA) {
            if (l->eval.size() < 2) return std::nullopt;
            lines.push_back(Prepare(l.get(), k));
        }
    }
    for (size_t a = 0; a < lines.size(); ++a)
        for (size_t b = a + 1; b < lines.size(); ++b)
            if (lines[a].part != lines[b].part) Cross(lines[a], lines[b]);
    StackPlan plan;
    plan.into = parts.front();
    plan.others.assign(parts.begin() + 1, parts.end());
    std::vector<StackPlan::Piece> all;
    std::vector<size_t> owner;
    for (const LineData& l : lines) {
        Split(l, all);
        owner.resize(all.size(), l.part);
    }
    for (size_t k = 0; k < all.size(); ++k)
        if (all[k].points.size() >= 2 && Keep(all[k], owner[k], parts, ccw)) plan.pieces.push_back(std::move(all[k]));
    if (plan.pieces.empty()) return std::nullopt;
    // Chain the pieces into closed loops by ends that meet.
    std::vector<bool> used(plan.pieces.size(), false);
    for (size_t start = 0; start < plan.pieces.size(); ++start) {
        if (used[start]) continue;
        used[start] = true;
        std::vector<StackPlan::Link> loop{{start, false}};
        const PointF first = plan.pieces[start].points.front();
        PointF end = plan.pieces[start].points.back();
        while (PtDist(end, first) > kStackJoin) {
            bool found = false;
            for (size_t k = 0; k < plan.pieces.size() && !found; ++k) {
                if (used[k]) continue;
                const Polyline& q = plan.pieces[k].points;
                if (PtDist(q.front(), end) <= kStackJoin) found = true, loop.push_back({k, false}), end = q.back();
                else if (PtDist(q.back(), end) <= kStackJoin) found = true, loop.push_back({k, true}), end = q.front();
                if (found) used[k] = true;
            }
            if (!found) return std::nullopt;  // a chain that does not close
        }
        plan.loops.push_back(std::move(loop));
    }
    // The loop whose box holds all the others is the outline.
    std::vector<RectF> boxes;
    for (auto& loop : plan.loops) {
        RectF box = BoxOf(plan.pieces[loop[0].piece].points, 0, plan.pieces[loop[0].piece].points.size() - 1);
        for (auto& lk : loop) {
            const RectF r = BoxOf(plan.pieces[lk.piece].points, 0, plan.pieces[lk.piece].points.size() - 1);
            box = {std::min(box.minX, r.minX), std::min(box.minY, r.minY), std::max(box.maxX, r.maxX), std::max(box.maxY, r.maxY)};
        }
        boxes.push_back(box);
    }
    std::optional<size_t> outer;
    for (size_t k = 0; k < boxes.size() && !outer; ++k) {
        bool holdsAll = true;
        for (size_t m = 0; m < boxes.size(); ++m) holdsAll = holdsAll && (m == k || Contains(boxes[k], boxes[m]));
        if (holdsAll) outer = k;
    }
    if (!outer) return std::nullopt;
    plan.outer = *outer;
    return plan;
}

Part& ApplyStack(Design& d, const StackPlan& plan, const TSmooth& smooth) {
    Part& into = *plan.into;
    // The lines of the new outline and inner loops: whole lines keep their records (turned round
    // where the loop runs against them), cut pieces become new lines on their points.
    std::unordered_set<const Line*> reused;
    for (auto& pc : plan.pieces)
        if (pc.whole) reused.insert(pc.source);
    std::vector<std::unique_ptr<Line>> owned;  // the reused records, taken out of their lists
    auto takeOut = [&](Part& p) {
        for (auto& l : p.linesA)
            if (reused.count(l.get())) owned.push_back(std::move(l));
        std::erase_if(p.linesA, [](const std::unique_ptr<Line>& l) { return !l; });
    };
    std::vector<std::vector<std::unique_ptr<Line>>> loopLines(plan.loops.size());
    for (size_t k = 0; k < plan.loops.size(); ++k)
        for (const auto& lk : plan.loops[k]) {
            const StackPlan::Piece& pc = plan.pieces[lk.piece];
            if (pc.whole) {
                loopLines[k].push_back(nullptr);
                continue;
            }
            Polyline pts = pc.points;
            if (lk.reversed) std::reverse(pts.begin(), pts.end());
            PolySimplify(pts, float(smooth.refitTolerance) * 100.0f, float(smooth.refitChord) * 100.0f);
            std::vector<Node> nodes;
            for (PointF q : pts) nodes.push_back({q.x, q.y, 0});
            auto l = LineLike(*pc.source, std::move(nodes), smooth);
            // Points of an evaluated curve are interpolated, not approximated again.
            const int method = pc.source->curveMethod() == kCurvePolyline ? kCurvePolyline : kCurveInterpolating;
            l->flags = (l->flags & ~(kLineMethodMask | kLineTypeMask)) | (uint32_t(method) << kLineMethodShift);
            l->frontSym = l->graded = nullptr;
            EvaluateLineRecord(*l, smooth);
            loopLines[k].push_back(std::move(l));
        }
    // Whole lines are taken out of their parts before the cut ones go with what hangs on them.
    takeOut(into);
    for (Part* p : plan.others) takeOut(*p);
    RemovalSet gone;
    for (auto& l : into.linesA) gone.records.insert(l.get());
    for (Part* p : plan.others)
        for (auto& l : p->linesA) gone.records.insert(l.get());
    RemoveRecords(d, gone);
    auto ownedLine = [&](const Line* l) -> std::unique_ptr<Line> {
        for (auto& o : owned)
            if (o.get() == l) return std::move(o);
        return nullptr;
    };
    for (size_t k = 0; k < plan.loops.size(); ++k)
        for (size_t m = 0; m < plan.loops[k].size(); ++m) {
            if (loopLines[k][m]) continue;
            const auto& lk = plan.loops[k][m];
            std::unique_ptr<Line> l = ownedLine(plan.pieces[lk.piece].source);
            if (l && lk.reversed) {
                std::reverse(l->nodes.begin(), l->nodes.end());
                EvaluateLineRecord(*l, smooth);
                RemapFeaturesOfReversedLine(d, l.get());
            }
            loopLines[k][m] = std::move(l);
        }
    // The other parts' remaining records come over; their first base point gives way to the
    // receiver's (or becomes it when the receiver has none).
    for (Part* p : plan.others) {
        if (!p->basePoints.empty()) {
            if (into.basePoints.empty()) {
                into.basePoints.push_back(std::move(p->basePoints.front()));
            } else {
                std::unordered_set<const BasePoint*> from{p->basePoints.front().get()};
                VisitDesignRefs(d, RetargetBasePoints{from, into.basePoints.front().get()});
            }
            p->basePoints.erase(p->basePoints.begin());
        }
        auto carry = [](auto& src, auto& dst) {
            for (auto& r : src)
                if (r) dst.push_back(std::move(r));
            src.clear();
        };
        carry(p->linesB, into.linesB), carry(p->pins, into.pins), carry(p->sizeLabels, into.sizeLabels);
        carry(p->notches, into.notches), carry(p->motifs, into.motifs), carry(p->texts, into.texts);
        carry(p->dimensions, into.dimensions), carry(p->basePoints, into.basePoints);
        carry(p->pointRows, into.pointRows), carry(p->seamAllowances, into.seamAllowances);
        carry(p->symLineLinks, into.symLineLinks), carry(p->slotLines, into.slotLines), carry(p->marks, into.marks);
        carry(p->chamfers, into.chamfers), carry(p->symElemLinks, into.symElemLinks);
        carry(p->sharedZones, into.sharedZones), carry(p->fixedDistances, into.fixedDistances);
        carry(p->gradedLines, into.gradedLines), carry(p->gradedPins, into.gradedPins);
        carry(p->gradedMotifs, into.gradedMotifs);
    }
    std::unordered_set<const Part*> gonePart(plan.others.begin(), plan.others.end());
    std::erase_if(d.parts, [&](const std::unique_ptr<Part>& p) { return gonePart.count(p.get()) != 0; });
    into.linesA.clear();
    for (size_t k = 0; k < plan.loops.size(); ++k)
        for (auto& l : loopLines[k])
            if (l) (k == plan.outer ? into.linesA : into.linesB).push_back(std::move(l));
    BasePoint* bp = into.basePoints.empty() ? nullptr : into.basePoints.front().get();
    int idx = 0;
    for (auto& b : into.basePoints) b->index = idx++;
    for (const List<Line>* l : {&into.linesA, &into.linesB})
        for (auto& line : *l) line->basePoint = bp;
    for (auto& q : into.pins) q->basePoint = bp;
    for (auto& m : into.motifs) m->basePoint = bp;
    into.flags &= ~kFlagSelected;
    return into;
}

namespace {

// ---------------------------------------------------------------- the tool

struct StackTool : Tool {
    static std::vector<Part*> Selected(Engine& e) {
        std::vector<Part*> v;
        for (auto& p : e.doc.design.parts)
            if (p->page() == e.doc.currentPage() && (p->flags & kFlagSelected)) v.push_back(p.get());
        return v;
    }
    static bool ClearAll(Engine& e) {
        bool any = false;
        for (auto& p : e.doc.design.parts)
            if (p->page() == e.doc.currentPage() && (p->flags & kFlagSelected)) p->flags &= ~kFlagSelected, any = true;
        for (auto& s : e.doc.scanLines)
            if (s->flags & kFlagSelected) s->flags &= ~kFlagSelected, any = true;
        return any;
    }
    void showStep(Engine& e) {
        if (!Selected(e).empty()) {
            e.setStep(1);
            e.ShowPrompt(34014);
        } else if (e.step() != 0) {
            e.setStep(0);
            e.UpdateModeStatus();
        }
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickElements | kPickPart | kPickScanLines | kPickNoLineNodes);
        if (r.kind == kKindScanLine) {
            ScanLine* s = r.as<ScanLine>();
            if (p.ctrl() && (s->flags & kFlagSelected)) {
                // The other selected scan lines join this one.
                s->flags &= ~kFlagSelected;
                for (auto& o : e.doc.scanLines)
                    if (o.get() != s && (o->flags & kFlagSelected))
                        for (auto& pl : o->shape) s->shape.push_back(std::move(pl));
                std::erase_if(e.doc.scanLines, [&](const std::unique_ptr<ScanLine>& o) {
                    return o.get() != s && (o->flags & kFlagSelected);
                });
                e.designChanged();
                e.redraw();
                e.doc.PushUndo();
                return true;
            }
            s->flags ^= kFlagSelected;
            e.redraw();
            return true;
        }
        if (!r.part) return Refuse(e);
        r.part->flags ^= kFlagSelected;
        showStep(e);
        e.redraw();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0 || k.key != key::Escape) return false;
        ClearAll(e);
        e.setStep(0);
        e.UpdateModeStatus();
        e.redraw();
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == 0) {
            if (!ClearAll(e)) return Refuse(e);
            e.redraw();
            return true;
        }
        std::optional<StackPlan> plan;
        {
            WaitCursor wait(e.doc.platform);
            plan = PlanStack(e.doc.design, Selected(e));
        }
        if (!plan) return Refuse(e);
        Part& into = ApplyStack(e.doc.design, *plan, e.doc.smooth);
        e.setStep(0);
        CommitEdit(e, {&into});
        e.UpdateModeStatus();
        return true;
    }
    bool cancelStep(Engine& e) override {
        ClearAll(e);
        return false;
    }
};

}  // namespace

void InstallStackTool(Engine& e) { e.setTool(mode::Stack, std::make_unique<StackTool>()); }

}  // namespace rz
