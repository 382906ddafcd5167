#include "design/part_split.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "design/line_remap.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/refs.h"

namespace rz {
namespace {

// A crossing this near a boundary line's end is taken to be at that end, so that no sliver of a
// line is left over.
constexpr float kEndSnap = 0.5f;
// Nodes this near a crossing give way to the crossing node.
constexpr float kNodeGap = 0.5f;

// The points of `pl` between arc lengths a <= b; b may pass the end of a closed polyline.
Polyline Stretch(const Polyline& pl, float a, float b) {
    Polyline out;
    if (pl.size() < 2) return out;
    std::vector<float> cum(pl.size(), 0.0f);
    for (size_t i = 1; i < pl.size(); ++i) cum[i] = cum[i - 1] + PtDist(pl[i - 1], pl[i]);
    float total = cum.back();
    auto inner = [&](float lo, float hi) {
        for (size_t i = 0; i < pl.size(); ++i)
            if (cum[i] > lo && cum[i] < hi) out.push_back(pl[i]);
    };
    out.push_back(PolyPointAt(pl, a).pt);
    if (b <= total) {
        inner(a, b);
        out.push_back(PolyPointAt(pl, b).pt);
    } else {
        inner(a, total);
        out.push_back(pl.front());  // the closing point, once
        inner(0.0f, b - total);
        out.push_back(PolyPointAt(pl, b - total).pt);
    }
    return out;
}

// The boundary as CompletePart joins it, with the arc-length position where each line A starts.
struct Boundary {
    Polyline joined;
    std::vector<float> start, length;
    std::vector<bool> used;  // lines without an evaluated polyline are not part of it
};

Boundary JoinBoundary(const Part& part) {
    Boundary b;
    size_t n = part.linesA.size();
    b.start.assign(n, 0.0f);
    b.length.assign(n, 0.0f);
    b.used.assign(n, false);
    float cum = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const Polyline& e = part.linesA[i]->eval;
        if (e.empty()) continue;
        size_t from = 0;
        if (!b.joined.empty()) {
            if (b.joined.back() == e.front()) from = 1;
            else cum += PtDist(b.joined.back(), e.front());  // a gap is a segment of the outline
        }
        b.start[i] = cum;
        b.length[i] = PolyLength(e);
        b.used[i] = true;
        cum += b.length[i];
        b.joined.insert(b.joined.end(), e.begin() + long(from), e.end());
    }
    return b;
}

// A crossing of the boundary placed on a line A.
struct Cut {
    size_t line = 0;
    float t = 0.0f;  // along that line
    float s = 0.0f;  // along the boundary
    PointF pt;
};

std::optional<Cut> PlaceOnLine(const Part& part, const Boundary& b, float s, PointF pt) {
    for (size_t i = 0; i < b.used.size(); ++i) {
        if (!b.used[i] || s < b.start[i] - 0.01f || s > b.start[i] + b.length[i] + 0.01f) continue;
        const Polyline& e = part.linesA[i]->eval;
        Cut c{i, std::clamp(s - b.start[i], 0.0f, b.length[i]), 0.0f, pt};
        if (c.t < kEndSnap) c.t = 0.0f, c.pt = e.front();
        else if (c.t > b.length[i] - kEndSnap) c.t = b.length[i], c.pt = e.back();
        c.s = b.start[i] + c.t;
        return c;
    }
    return std::nullopt;  // in a gap between two lines
}

// The nodes of the stretch [a, b] of a line: its own end nodes where the stretch reaches them,
// otherwise the crossing points, and the nodes strictly between.
std::vector<Node> PieceNodes(const Line& l, const std::vector<float>& pos, float a, float b, float len, PointF pa,
                             PointF pb) {
    std::vector<Node> out;
    out.push_back(a <= 0.0f ? l.nodes.front() : Node{pa.x, pa.y, 0});
    for (size_t k = 0; k < l.nodes.size(); ++k)
        if (pos[k] > a + kNodeGap && pos[k] < b - kNodeGap) out.push_back(l.nodes[k]);
    out.push_back(b >= len ? l.nodes.back() : Node{pb.x, pb.y, 0});
    return out;
}

// A line record with the attributes of `like` and the given nodes, evaluated.
std::unique_ptr<Line> MakeLike(const Line& like, std::vector<Node> nodes, uint32_t flags, const TSmooth& smooth) {
    auto l = LineLike(like, std::move(nodes), smooth);
    if (l->flags != (flags & ~kFlagSelected)) {
        l->flags = flags & ~kFlagSelected;
        EvaluateLineRecord(*l, smooth);  // the flags hold the curve method
    }
    return l;
}

// A stretch of a line is no longer the whole it was drawn as.
constexpr uint32_t kPieceDrops = kLineSelfSymmetric | kLineFixedLength;
// The splitting line on the boundary: 边线 and 原线 settings 3.
constexpr uint32_t kBoundaryEdgeBits = kLineEdgeMask | kLineOrigMask;

template <class T, class Pred>
void MoveIf(List<T>& from, List<T>& to, std::unordered_set<const void*>& moved, Pred pred) {
    List<T> keep;
    for (auto& r : from) {
        if (pred(*r)) {
            moved.insert(r.get());
            to.push_back(std::move(r));
        } else {
            keep.push_back(std::move(r));
        }
    }
    from = std::move(keep);
}

}  // namespace

void KeepOneLineOfEachType(Part& p) {
    bool seen[3] = {false, false, false};
    for (List<Line>* list : {&p.linesA, &p.linesB})
        for (auto& l : *list) {
            int t = l->lineType();
            if (t != 1 && t != 2) continue;
            if (seen[t]) l->flags &= ~kLineTypeMask;
            seen[t] = true;
        }
}

int SplitPlan::loopWithLineAt(PointF corner) const {
    for (bool begin : {true, false}) {
        bool has[2] = {false, false};
        for (int k = 0; k < 2; ++k) {
            auto at = [&](const std::vector<Node>& n) {
                return !n.empty() && PtDist(begin ? n.front().pt() : n.back().pt(), corner) <= 0.01f;
            };
            for (const SplitPiece& p : loops[size_t(k)]) has[k] = has[k] || at(p.nodes);
            has[k] = has[k] || at(splitterNodes[size_t(k)]);
        }
        if (has[0] != has[1]) return has[0] ? 0 : 1;
    }
    return -1;
}

std::optional<SplitPlan> PlanSplit(const Part& part, const Line& splitter, float extension) {
    const Polyline& se = splitter.eval;
    if (se.size() < 2 || splitter.nodes.size() < 2 || PolyClosed(se)) return std::nullopt;
    if (PtDist(se[0], se[1]) < 1e-3f || PtDist(se.back(), se[se.size() - 2]) < 1e-3f) return std::nullopt;
    // Moving the end points outward along their end segments keeps every arc-length position of
    // the line, shifted by the extension.
    Polyline ext = se;
    ext.front() = ExtendBeyond(se[0], se[1], extension);
    ext.back() = ExtendBeyond(se.back(), se[se.size() - 2], extension);

    Boundary bd = JoinBoundary(part);
    const Polyline& outline = bd.joined;
    if (outline.size() < 4 || !PolyClosed(outline)) return std::nullopt;
    auto onOutline = CrossingsOf(outline, {&ext});
    auto onLine = CrossingsOf(ext, {&outline}, 0.0f);
    if (onOutline.size() != 2 || onLine.size() != 2) return std::nullopt;
    // Between the crossings the line must run through the part, not round it.
    float eMid = (onLine[0].s + onLine[1].s) / 2;
    if (std::abs(PointInPolygon(outline, PolyPointAt(ext, eMid).pt)) != 4) return std::nullopt;

    auto A = PlaceOnLine(part, bd, onOutline[0].s, onOutline[0].pt);
    auto B = PlaceOnLine(part, bd, onOutline[1].s, onOutline[1].pt);
    if (!A || !B) return std::nullopt;
    const float L = PolyLength(outline);
    if (B->s - A->s < kEndSnap || L - (B->s - A->s) < kEndSnap) return std::nullopt;
    // The line's crossing nearer to A's point is A's.
    bool firstIsA = PtDist(onLine[0].pt, A->pt) <= PtDist(onLine[1].pt, A->pt);
    float eA = firstIsA ? onLine[0].s : onLine[1].s, eB = firstIsA ? onLine[1].s : onLine[0].s;

    SplitPlan plan;
    // Loop 1 runs along the outline from A to B, loop 0 from B round to A.
    auto loopOf = [&](float s) { return s > A->s && s < B->s ? 1 : 0; };
    auto key = [&](int loop, float s) {
        float k = s - (loop == 1 ? A->s : B->s);
        return k < 0 ? k + L : k;
    };
    struct Keyed {
        float key;
        SplitPiece piece;
    };
    std::vector<Keyed> keyed[2];
    for (size_t i = 0; i < part.linesA.size(); ++i) {
        if (!bd.used[i]) continue;
        const Line& l = *part.linesA[i];
        float len = bd.length[i];
        std::vector<std::pair<float, PointF>> cuts;
        for (const Cut* c : {&*A, &*B})
            if (c->line == i && c->t > 0.0f && c->t < len) cuts.push_back({c->t, c->pt});
        std::sort(cuts.begin(), cuts.end(), [](auto& x, auto& y) { return x.first < y.first; });
        std::vector<float> pos = cuts.empty() ? std::vector<float>{} : NodePositions(l);
        float a = 0.0f;
        PointF pa{};
        for (size_t j = 0; j <= cuts.size(); ++j) {
            float b = j < cuts.size() ? cuts[j].first : len;
            PointF pb = j < cuts.size() ? cuts[j].second : PointF{};
            if (b > a || len == 0.0f) {
                float mid = bd.start[i] + (a + b) / 2;
                int loop = loopOf(mid);
                SplitPiece p;
                p.source = i;
                p.whole = cuts.empty();
                p.nodes = p.whole ? l.nodes : PieceNodes(l, pos, a, b, len, pa, pb);
                p.spans = {{len > 0.0f ? a / len : 0.0f, len > 0.0f ? b / len : 1.0f}};
                keyed[loop].push_back({key(loop, mid), std::move(p)});
            }
            a = b;
            pa = pb;
        }
    }
    for (int k = 0; k < 2; ++k) {
        auto& v = keyed[k];
        std::stable_sort(v.begin(), v.end(), [](const Keyed& x, const Keyed& y) { return x.key < y.key; });
        auto& out = plan.loops[size_t(k)];
        for (auto& kp : v) {
            // A closed line cut twice leaves its two ends side by side in one loop: one line again.
            if (!out.empty() && out.back().source == kp.piece.source && !out.back().whole && !kp.piece.whole &&
                PtDist(out.back().nodes.back().pt(), kp.piece.nodes.front().pt()) <= 0.01f) {
                auto& n = out.back().nodes;
                n.insert(n.end(), kp.piece.nodes.begin() + 1, kp.piece.nodes.end());
                auto& sp = out.back().spans;
                sp.insert(sp.end(), kp.piece.spans.begin(), kp.piece.spans.end());
                continue;
            }
            out.push_back(std::move(kp.piece));
        }
        if (out.empty()) return std::nullopt;
    }

    // The splitting line between its crossings, in its own direction, with the crossing points as
    // its end nodes (they may lie on the extensions).
    float tA = eA - extension, tB = eB - extension;
    float lo = std::min(tA, tB), hi = std::max(tA, tB);
    PointF pLo = tA < tB ? A->pt : B->pt, pHi = tA < tB ? B->pt : A->pt;
    std::vector<float> spos = NodePositions(splitter);
    std::vector<Node> fwd;
    fwd.push_back({pLo.x, pLo.y, splitter.nodes.front().word & kNodeBreak});
    for (size_t k = 0; k < splitter.nodes.size(); ++k)
        if (spos[k] > lo + kNodeGap && spos[k] < hi - kNodeGap) fwd.push_back(splitter.nodes[k]);
    fwd.push_back({pHi.x, pHi.y, splitter.nodes.back().word & kNodeBreak});
    std::vector<Node> rev(fwd.rbegin(), fwd.rend());
    // Loop 0 ends at A and is closed from A to B; loop 1 the other way.
    plan.splitterNodes[0] = tA < tB ? fwd : rev;
    plan.splitterNodes[1] = tA < tB ? rev : fwd;
    plan.splitterReversed = {!(tA < tB), tA < tB};
    const float sLen = PolyLength(se);
    if (sLen > 0.0f) plan.splitterSpan = {std::clamp(lo / sLen, 0.0f, 1.0f), std::clamp(hi / sLen, 0.0f, 1.0f)};

    Polyline cutAB = Stretch(ext, std::min(eA, eB), std::max(eA, eB));
    if (eA > eB) std::reverse(cutAB.begin(), cutAB.end());
    Polyline cutBA(cutAB.rbegin(), cutAB.rend());
    plan.outlines[0] = Stretch(outline, B->s, A->s + L);
    plan.outlines[0].insert(plan.outlines[0].end(), cutAB.begin(), cutAB.end());
    plan.outlines[1] = Stretch(outline, A->s, B->s);
    plan.outlines[1].insert(plan.outlines[1].end(), cutBA.begin(), cutBA.end());
    for (auto& o : plan.outlines) o.push_back(o.front());
    return plan;
}

Part& ApplySplit(Design& d, Part& part, Line& splitter, const SplitPlan& plan, const TSmooth& smooth, int newLoop) {
    const size_t k = newLoop ? 1 : 0, o = 1 - k;
    auto made = std::make_unique<Part>();
    made->stampToday();
    made->setPage(part.page());
    Part& np = *made;
    auto at = std::find_if(d.parts.begin(), d.parts.end(), [&](auto& p) { return p.get() == &part; });
    d.parts.insert(at == d.parts.end() ? at : at + 1, std::move(made));

    std::unordered_set<const BasePoint*> oldBases;
    for (auto& b : part.basePoints) oldBases.insert(b.get());
    BasePoint* firstBase = nullptr;
    if (!part.basePoints.empty()) {
        auto b = std::make_unique<BasePoint>(*part.basePoints.front());
        b->owner = nullptr;
        b->frontSym = nullptr;
        b->index = 0;
        b->flags &= ~kFlagTransient;
        firstBase = b.get();
        np.basePoints.push_back(std::move(b));
    }

    // The boundary lines: the part keeps the records of its loop, a line cut in two keeps its
    // record on the part's side and the other side gets a new one.
    List<Line> src = std::move(part.linesA);
    part.linesA.clear();
    std::vector<Line*> orig;
    for (auto& l : src) orig.push_back(l.get());
    List<Line> lists[2];
    std::vector<std::vector<LinePiece>> remap(orig.size());
    for (size_t loop : {o, k}) {
        for (const SplitPiece& pc : plan.loops[loop]) {
            std::unique_ptr<Line> rec;
            if (src[pc.source]) {
                rec = std::move(src[pc.source]);
                if (!pc.whole) {
                    rec->nodes = pc.nodes;
                    rec->flags &= ~kPieceDrops;
                    EvaluateLineRecord(*rec, smooth);
                }
            } else {
                const Line& like = *orig[pc.source];
                rec = MakeLike(like, pc.nodes, like.flags & ~(kPieceDrops | kLineTypeMask), smooth);
            }
            if (!pc.whole) remap[pc.source].push_back({rec.get(), pc.spans, false});
            lists[loop].push_back(std::move(rec));
        }
    }
    for (auto& l : src)
        if (l) lists[o].push_back(std::move(l));  // lines left out of the outline stay as they are

    std::unique_ptr<Line> own;
    for (auto it = part.linesB.begin(); it != part.linesB.end(); ++it)
        if (it->get() == &splitter) {
            own = std::move(*it);
            part.linesB.erase(it);
            break;
        }
    uint32_t boundaryFlags = (splitter.flags & ~(kBoundaryEdgeBits | kLineSelfSymmetric)) | kBoundaryEdgeBits;
    auto copy = MakeLike(splitter, plan.splitterNodes[k], boundaryFlags & ~kLineTypeMask, smooth);
    if (own) {
        own->nodes = plan.splitterNodes[o];
        own->flags = boundaryFlags;
        EvaluateLineRecord(*own, smooth);
    } else {
        own = MakeLike(splitter, plan.splitterNodes[o], boundaryFlags, smooth);
    }
    Line* ownLine = own.get();
    lists[o].push_back(std::move(own));
    lists[k].push_back(std::move(copy));
    part.linesA = std::move(lists[o]);
    np.linesA = std::move(lists[k]);

    // What was measured along a cut line, or along the splitting line, moves onto its pieces.
    for (size_t i = 0; i < orig.size(); ++i)
        if (!remap[i].empty()) RemapLineReferences(d, orig[i], remap[i]);
    RemapLineReferences(d, &splitter, {{ownLine, {plan.splitterSpan}, plan.splitterReversed[o]}});

    std::unordered_set<const void*> moved;
    for (auto& l : np.linesA) moved.insert(l.get());
    // Containment: inside one loop beats its boundary, its boundary beats outside.
    auto score = [&](size_t loop, PointF q) {
        int c = PointInPolygon(plan.outlines[loop], q);
        return c == 0 ? 0 : c == 8 ? 1 : 2;
    };
    auto pointGoes = [&](PointF q) { return score(k, q) > score(o, q); };
    auto lineGoes = [&](const Line& l) {
        if (l.nodes.empty()) return false;
        if (l.nodes.size() <= 2) return pointGoes(PtMid(l.nodes.front().pt(), l.nodes.back().pt()));
        int sk = 0, so = 0;
        for (size_t j = 1; j + 1 < l.nodes.size(); ++j) {
            sk += score(k, l.nodes[j].pt());
            so += score(o, l.nodes[j].pt());
        }
        return sk > so;
    };
    MoveIf(part.linesB, np.linesB, moved, lineGoes);
    MoveIf(part.pins, np.pins, moved, [&](const Pin& r) { return pointGoes({r.x, r.y}); });
    MoveIf(part.motifs, np.motifs, moved, [&](const Motif& r) { return pointGoes({r.x, r.y}); });
    MoveIf(part.texts, np.texts, moved, [&](const TextString& r) { return pointGoes({r.x, r.y}); });
    MoveIf(part.notches, np.notches, moved, [&](const Notch& r) { return pointGoes({r.x, r.y}); });
    MoveIf(part.sizeLabels, np.sizeLabels, moved, [&](const SizeLabel& r) { return pointGoes({r.x, r.y}); });
    MoveIf(part.dimensions, np.dimensions, moved, [&](const Dimension& r) {
        return pointGoes(PtMid({r.points[0], r.points[1]}, {r.points[2], r.points[3]}));
    });
    // What hangs on a record goes where the record went; hosts first, then what hangs on them.
    auto in = [&](const void* p) { return p && moved.count(p) != 0; };
    MoveIf(part.pointRows, np.pointRows, moved, [&](const PointRow& r) { return in(r.host); });
    MoveIf(part.seamAllowances, np.seamAllowances, moved, [&](const SeamAllowance& r) { return in(r.baseLine); });
    MoveIf(part.symLineLinks, np.symLineLinks, moved,
           [&](const SymLineLink& r) { return r.target.ptr ? in(r.target.ptr) : in(r.master); });
    MoveIf(part.slotLines, np.slotLines, moved, [&](const SlotLine& r) { return in(r.host.ptr); });
    MoveIf(part.marks, np.marks, moved,
           [&](const Mark& r) { return r.host1.ptr ? in(r.host1.ptr) : in(r.host2.ptr); });
    MoveIf(part.chamfers, np.chamfers, moved,
           [&](const Chamfer& r) { return r.host1.ptr ? in(r.host1.ptr) : in(r.host2.ptr); });
    MoveIf(part.symElemLinks, np.symElemLinks, moved,
           [&](const SymElemLink& r) { return r.element.ptr ? in(r.element.ptr) : in(r.master); });
    MoveIf(part.sharedZones, np.sharedZones, moved, [&](const SharedZone& r) { return in(r.host); });
    MoveIf(part.fixedDistances, np.fixedDistances, moved, [&](const FixedDistance& r) { return in(r.host); });

    // Graded copies follow the records they were graded from.
    std::unordered_set<const void*> graded;
    auto chain = [&](auto* g) {
        for (int guard = 0; g && !graded.count(g) && guard < 100000; ++guard) {
            graded.insert(g);
            g = g->graded;
        }
    };
    for (List<Line>* l : {&np.linesA, &np.linesB})
        for (auto& r : *l) chain(r->graded);
    for (auto& r : np.pins) chain(r->graded);
    for (auto& r : np.motifs) chain(r->graded);
    auto isGraded = [&](const auto& r) { return graded.count(&r) != 0; };
    MoveIf(part.gradedLines, np.gradedLines, moved, isGraded);
    MoveIf(part.gradedPins, np.gradedPins, moved, isGraded);
    MoveIf(part.gradedMotifs, np.gradedMotifs, moved, isGraded);

    // The new part's records are measured from its own base point.
    VisitPartRefs(np, RetargetBasePoints{oldBases, firstBase});

    KeepOneLineOfEachType(part);
    KeepOneLineOfEachType(np);
    CompletePart(part);
    CompletePart(np);
    return np;
}

Part* SplitPart(Design& d, Part& part, Line& splitter, const TSmooth& smooth) {
    if (std::none_of(part.linesB.begin(), part.linesB.end(), [&](auto& l) { return l.get() == &splitter; }))
        return nullptr;
    auto plan = PlanSplit(part, splitter);
    if (!plan) return nullptr;
    return &ApplySplit(d, part, splitter, *plan, smooth);
}

}  // namespace rz
