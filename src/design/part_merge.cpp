#include "design/part_merge.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "design/line_remap.h"
#include "design/part_split.h"
#include "geom/evaluate.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/refs.h"

namespace rz {
namespace {

bool Near(PointF p, PointF q) { return PtDist(p, q) <= kMergeTolerance; }

// Every point of `p` lies within the tolerance of the polyline `q`.
bool Within(const Polyline& p, const Polyline& q) {
    return std::all_of(p.begin(), p.end(), [&](PointF x) { return PolyNearest(q, x).dist <= kMergeTolerance; });
}

// Whether two boundary lines are one line on the map: nothing, same way (0) or opposite (1).
std::optional<bool> Coincide(const Line& a, const Line& b) {
    const Polyline &ea = a.eval, &eb = b.eval;
    if (ea.size() < 2 || eb.size() < 2) return std::nullopt;
    // A closed line is a whole outline: it cannot be shared and leave a loop round the rest.
    if (Near(ea.front(), ea.back()) || Near(eb.front(), eb.back())) return std::nullopt;
    bool same = Near(ea.front(), eb.front()) && Near(ea.back(), eb.back());
    bool opposite = Near(ea.front(), eb.back()) && Near(ea.back(), eb.front());
    if (!same && !opposite) return std::nullopt;
    if (!Within(ea, eb) || !Within(eb, ea)) return std::nullopt;
    return !same;
}

// The outline as CompletePart joins it from the lines' polylines.
Polyline Join(const std::vector<const Polyline*>& parts) {
    Polyline out;
    for (const Polyline* e : parts) {
        if (e->empty()) continue;
        size_t from = !out.empty() && out.back() == e->front() ? 1 : 0;
        out.insert(out.end(), e->begin() + long(from), e->end());
    }
    return out;
}

// Shoelace area, unsigned.
double Area(const Polyline& pl) {
    double a = 0;
    for (size_t i = 0; i + 1 < pl.size(); ++i) a += double(pl[i].x) * pl[i + 1].y - double(pl[i + 1].x) * pl[i].y;
    return std::fabs(a) / 2;
}

// The lines A of a part as a closed loop, each ending where the next begins.
bool IsLoop(const Part& p) {
    size_t n = p.linesA.size();
    if (n < 2) return false;
    for (size_t i = 0; i < n; ++i) {
        const Polyline &e = p.linesA[i]->eval, &f = p.linesA[(i + 1) % n]->eval;
        if (e.size() < 2 || f.size() < 2 || !Near(e.back(), f.front())) return false;
    }
    return true;
}

// The first index of the one unbroken run of `in` round a loop of n; nothing when the run is
// broken, empty or the whole loop.
std::optional<size_t> RunStart(const std::vector<bool>& in) {
    size_t n = in.size();
    std::optional<size_t> start;
    for (size_t i = 0; i < n; ++i) {
        if (!in[i] || in[(i + n - 1) % n]) continue;
        if (start) return std::nullopt;
        start = i;
    }
    return start;
}

// The nodes of a line run the other way: each node keeps its break bit, and the sample count of
// a segment stays with the segment (held by the node where it now ends).
std::vector<Node> Reversed(const std::vector<Node>& nodes) {
    std::vector<Node> r(nodes.rbegin(), nodes.rend());
    size_t n = r.size();
    for (size_t j = 0; j < n; ++j) {
        uint32_t samples = j == 0 ? 0u : nodes[n - j].word & kNodeSamplesMask;
        r[j].word = (r[j].word & ~kNodeSamplesMask) | samples;
    }
    return r;
}

uint32_t ReversedFlags(uint32_t f) {
    uint32_t ends = f & (kLineExtendStart | kLineExtendEnd);
    f &= ~(kLineExtendStart | kLineExtendEnd);
    if (ends & kLineExtendStart) f |= kLineExtendEnd;
    if (ends & kLineExtendEnd) f |= kLineExtendStart;
    return f;
}

template <class T>
void Append(List<T>& to, List<T>& from) {
    for (auto& r : from) to.push_back(std::move(r));
    from.clear();
}

}  // namespace

std::optional<MergePlan> PlanMerge(const Design& d, Part& a0, Part& b0, const Line* pickA0, const Line* pickB0,
                                   const TSmooth& smooth) {
    if (&a0 == &b0) return std::nullopt;
    auto inDesign = [&](const Part& p) {
        return std::any_of(d.parts.begin(), d.parts.end(), [&](auto& q) { return q.get() == &p; });
    };
    if (!inDesign(a0) || !inDesign(b0) || a0.page() != b0.page()) return std::nullopt;
    // The master-line part never leaves the chain: the other part merges into it.
    bool swap = d.parts.front().get() == &b0;
    Part& A = swap ? b0 : a0;
    Part& B = swap ? a0 : b0;
    const Line* pickA = swap ? pickB0 : pickA0;
    const Line* pickB = swap ? pickA0 : pickB0;
    if (!IsLoop(A) || !IsLoop(B)) return std::nullopt;

    const size_t nA = A.linesA.size(), nB = B.linesA.size();
    MergePlan plan;
    plan.into = &A;
    plan.from = &B;
    std::vector<bool> inA(nA, false), inB(nB, false);
    for (size_t i = 0; i < nA; ++i)
        for (size_t j = 0; j < nB; ++j) {
            if (inB[j]) continue;
            if (auto opp = Coincide(*A.linesA[i], *B.linesA[j])) {
                plan.shared.push_back({i, j, *opp});
                inA[i] = inB[j] = true;
                break;
            }
        }
    if (plan.shared.empty()) return std::nullopt;
    auto picked = [&](const Line* l, const List<Line>& list, const std::vector<bool>& in) {
        if (!l) return true;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == l) return bool(in[i]);
        return false;  // not a boundary line of that part
    };
    if (!picked(pickA, A.linesA, inA) || !picked(pickB, B.linesA, inB)) return std::nullopt;
    auto sA = RunStart(inA), sB = RunStart(inB);
    if (!sA || !sB) return std::nullopt;
    const size_t k = plan.shared.size();

    // A's shared stretch runs from P to Q; the rest of A's loop from Q round to P.
    PointF P = A.linesA[*sA]->eval.front(), Q = A.linesA[(*sA + k - 1) % nA]->eval.back();
    PointF PB = B.linesA[*sB]->eval.front(), QB = B.linesA[(*sB + k - 1) % nB]->eval.back();
    bool opposite;
    if (Near(PB, Q) && Near(QB, P)) opposite = true;
    else if (Near(PB, P) && Near(QB, Q)) opposite = false;
    else return std::nullopt;
    if (std::any_of(plan.shared.begin(), plan.shared.end(), [&](auto& s) { return s.opposite != opposite; }))
        return std::nullopt;

    // Loops running opposite ways round their parts share the line in opposite directions; two
    // loops of the same sense put B's rest round the other way.
    std::vector<Polyline> evals;
    evals.reserve(nA + nB);
    for (size_t i = 0; i < nA - k; ++i) {
        MergePlan::Step s;
        s.index = (*sA + k + i) % nA;
        plan.loop.push_back(s);
        evals.push_back(A.linesA[s.index]->eval);
    }
    size_t firstB = plan.loop.size();
    for (size_t i = 0; i < nB - k; ++i) {
        MergePlan::Step s;
        s.fromInto = false;
        s.index = opposite ? (*sB + k + i) % nB : (*sB + nB - 1 - i) % nB;
        const Line& l = *B.linesA[s.index];
        if (opposite) {
            evals.push_back(l.eval);
        } else {
            s.reversed = s.changed = true;
            s.nodes = Reversed(l.nodes);
            Polyline ev;
            if (!EvaluateLine(smooth, s.nodes, ReversedFlags(l.flags), ev)) return std::nullopt;
            // Some curve methods do not read their nodes the same both ways round.
            Polyline back(l.eval.rbegin(), l.eval.rend());
            if (ev.size() < 2 || !Near(ev.front(), back.front()) || !Near(ev.back(), back.back()) ||
                !Within(ev, back) || !Within(back, ev))
                return std::nullopt;
            evals.push_back(std::move(ev));
        }
        plan.loop.push_back(std::move(s));
    }

    // B's rest meets A's rest exactly at both joints: its end nodes move by the little they miss.
    auto snap = [&](size_t stepAt, bool atStart, PointF target) -> bool {
        MergePlan::Step& s = plan.loop[stepAt];
        Polyline& ev = evals[stepAt];
        const Line& l = *B.linesA[s.index];
        // A curve that does not pass through its end node exactly may need a second nudge.
        for (int tries = 0; tries < 3; ++tries) {
            PointF end = atStart ? ev.front() : ev.back();
            if (end == target) return true;
            if (!s.changed) s.nodes = l.nodes;
            s.changed = true;
            Node& n = atStart ? s.nodes.front() : s.nodes.back();
            // Written so that a node lying on the end of its curve lands on the target exactly.
            n.x = target.x + (n.x - end.x);
            n.y = target.y + (n.y - end.y);
            if (!EvaluateLine(smooth, s.nodes, s.reversed ? ReversedFlags(l.flags) : l.flags, ev) || ev.size() < 2)
                return false;
        }
        return (atStart ? ev.front() : ev.back()) == target;
    };
    if (!snap(firstB, true, evals[firstB - 1].back())) return std::nullopt;
    if (!snap(plan.loop.size() - 1, false, evals.front().front())) return std::nullopt;

    std::vector<const Polyline*> ptrs;
    for (auto& e : evals) ptrs.push_back(&e);
    plan.outline = Join(ptrs);
    if (plan.outline.size() < 4 || !PolyClosed(plan.outline)) return std::nullopt;
    // Two parts on the same side of the line would fold the outline over itself: the merged
    // outline must cover both.
    auto own = [](const Part& p) {
        std::vector<const Polyline*> v;
        for (auto& l : p.linesA) v.push_back(&l->eval);
        return Area(Join(v));
    };
    double want = own(A) + own(B), got = Area(plan.outline);
    if (std::fabs(got - want) > std::max(0.005 * want, 100.0)) return std::nullopt;
    return plan;
}

Part& ApplyMerge(Design& d, const MergePlan& plan, const TSmooth& smooth) {
    Part& A = *plan.into;
    Part& B = *plan.from;
    List<Line> srcA = std::move(A.linesA), srcB = std::move(B.linesA);
    A.linesA.clear();
    B.linesA.clear();

    for (const MergePlan::Step& s : plan.loop) {
        std::unique_ptr<Line> rec = std::move((s.fromInto ? srcA : srcB)[s.index]);
        if (s.changed) {
            rec->nodes = s.nodes;
            if (s.reversed) {
                rec->flags = ReversedFlags(rec->flags);
                std::swap(rec->startExt, rec->endExt);
                rec->margin = -rec->margin;  // the margin stays on the same side of the line
            }
            EvaluateLineRecord(*rec, smooth);
            // Pieces, allowances and links along a line turned round turn with it.
            if (s.reversed) RemapLineReferences(d, rec.get(), {{rec.get(), {{0.0f, 1.0f}}, true}});
        }
        A.linesA.push_back(std::move(rec));
    }

    // The seam between the two stays drawn: A's shared lines become inner lines (边线 setting 1,
    // as a drawn line B has). B's copies go; the pieces cut along them follow A's lines.
    for (const MergePlan::Pair& pr : plan.shared) {
        Line* bl = srcB[pr.b].get();
        Line* al = srcA[pr.a].get();
        // A stretch of B's line is the same stretch of A's, run the same way.
        RemapLineReferences(d, bl, {{al, {{0.0f, 1.0f}}, pr.opposite}});
        for (auto& pc : d.pieces)
            for (auto& m : pc->members)
                if (m->element.ptr == bl) m->element.ptr = al;
        srcA[pr.a]->flags = (srcA[pr.a]->flags & ~kLineEdgeMask) | 1u;
        A.linesB.push_back(std::move(srcA[pr.a]));
        B.linesA.push_back(std::move(srcB[pr.b]));  // removed with B below
    }

    Append(A.linesB, B.linesB);
    Append(A.pins, B.pins);
    Append(A.sizeLabels, B.sizeLabels);
    Append(A.notches, B.notches);
    Append(A.motifs, B.motifs);
    Append(A.texts, B.texts);
    Append(A.dimensions, B.dimensions);
    Append(A.pointRows, B.pointRows);
    Append(A.seamAllowances, B.seamAllowances);
    Append(A.symLineLinks, B.symLineLinks);
    Append(A.slotLines, B.slotLines);
    Append(A.marks, B.marks);
    Append(A.chamfers, B.chamfers);
    Append(A.symElemLinks, B.symElemLinks);
    Append(A.sharedZones, B.sharedZones);
    Append(A.fixedDistances, B.fixedDistances);
    // Graded copies of B's shared lines go with those lines.
    std::unordered_set<const Line*> sharedGraded;
    for (auto& l : B.linesA)
        for (const Line* g = l->graded; g && !sharedGraded.count(g) && sharedGraded.size() < 100000; g = g->graded)
            sharedGraded.insert(g);
    for (auto& g : B.gradedLines)
        if (!sharedGraded.count(g.get())) A.gradedLines.push_back(std::move(g));
    std::erase_if(B.gradedLines, [](const std::unique_ptr<Line>& g) { return !g; });
    Append(A.gradedPins, B.gradedPins);
    Append(A.gradedMotifs, B.gradedMotifs);

    // One part is measured from one base point: B's records take A's first. A part without base
    // points takes B's.
    if (!A.basePoints.empty()) {
        std::unordered_set<const BasePoint*> gone;
        for (auto& bp : B.basePoints) gone.insert(bp.get());
        BasePoint* first = A.basePoints.front().get();
        VisitDesignRefs(d, RetargetBasePoints{gone, first});
        for (auto& bp : A.basePoints)
            if (bp->owner == bp.get()) bp->owner = nullptr;
    } else {
        Append(A.basePoints, B.basePoints);
        int idx = 0;
        for (auto& bp : A.basePoints) bp->index = idx++;
    }
    A.setPage(A.page());  // size labels from B take A's page colour

    KeepOneLineOfEachType(A);
    RemovePartAndRecords(d, &B);
    CompletePart(A);
    return A;
}

Part* MergeParts(Design& d, Part& a, Part& b, const TSmooth& smooth, const Line* pickA, const Line* pickB) {
    auto plan = PlanMerge(d, a, b, pickA, pickB, smooth);
    if (!plan) return nullptr;
    return &ApplyMerge(d, *plan, smooth);
}

}  // namespace rz
