#include "design/pieces.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "commands/measure.h"
#include "design/rows.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"
#include "model/refs.h"
#include "model/sizes.h"
#include "model/font.h"

namespace rz {

namespace {

bool IsLineKind(uint32_t k) { return k == kKindLine || k == kKindLineA || k == kKindLineB; }

bool FractionSound(float f) { return std::isfinite(f) && f >= 0.0f && f <= 1.0f; }

void Grow(RectF& box, bool& any, const Polyline& pl) {
    RectF r;
    if (BoundsOf(pl, r)) UniteBounds(box, any, r);
}

// Cuts or extends a stretch at its start (atEnd false) or end to meet `ref`: the crossing nearest
// to that end, or failing one, the point where the end segment carried on meets `ref` (within the
// stretch's own length).
void TrimTo(Polyline& st, const Polyline& ref, bool atEnd) {
    if (st.size() < 2 || ref.size() < 2) return;
    if (atEnd) std::reverse(st.begin(), st.end());
    auto cr = CrossingsOf(st, {&ref}, -1.0f);
    const float len = PolyLength(st);
    if (!cr.empty() && cr.front().s <= 0.5f * len) {
        st = PolySub(st, cr.front().s, len);
    } else {
        // The start segment carried on backwards.
        PointF a = st[0], b = st[1];
        float best = len > 0.0f ? len : 1e30f;
        std::optional<PointF> hit;
        for (size_t j = 0; j + 1 < ref.size(); ++j) {
            auto x = LineIntersectPts(a, b, ref[j], ref[j + 1]);
            if (!x) continue;
            // On the reference segment, and behind the start.
            if (DistToSegment(ref[j], ref[j + 1], *x) > 0.5f) continue;
            float ax = (x->x - a.x) * (b.x - a.x) + (x->y - a.y) * (b.y - a.y);
            if (ax > 0.0f) continue;
            float d = PtDist(a, *x);
            if (d < best) best = d, hit = x;
        }
        if (hit) st.insert(st.begin(), *hit);
    }
    if (atEnd) std::reverse(st.begin(), st.end());
}

// Makes the end of `a` and the start of `b` one point: a crossing near the joint cuts both, else
// both end segments carried on to where they meet, else `b` starts from `a`'s end.
void Meet(Polyline& a, Polyline& b, float reach) {
    if (a.size() < 2 || b.size() < 2) return;
    if (PtDist(a.back(), b.front()) <= kJoinTolerance) {
        b.front() = a.back();
        return;
    }
    constexpr size_t kNear = 8;
    for (size_t k = 0; k < kNear && k + 1 < a.size(); ++k) {
        size_t i = a.size() - 2 - k;
        for (size_t j = 0; j < kNear && j + 1 < b.size(); ++j) {
            if (auto x = SegIntersect(a[i], a[i + 1], b[j], b[j + 1])) {
                a.resize(i + 2);
                a.back() = *x;
                b.erase(b.begin(), b.begin() + long(j));
                b.front() = *x;
                return;
            }
        }
    }
    PointF a0 = a[a.size() - 2], a1 = a.back(), b0 = b[0], b1 = b[1];
    if (auto x = LineIntersectPts(a0, a1, b0, b1)) {
        bool ahead = (x->x - a1.x) * (a1.x - a0.x) + (x->y - a1.y) * (a1.y - a0.y) >= 0.0f;
        bool behind = (b0.x - x->x) * (b1.x - b0.x) + (b0.y - x->y) * (b1.y - b0.y) >= 0.0f;
        if (ahead && behind && PtDist(*x, a1) <= reach && PtDist(*x, b0) <= reach) {
            a.push_back(*x);
            b.insert(b.begin(), *x);
            return;
        }
    }
    b.insert(b.begin(), a.back());
}

// The outline lines offset by their margins and made to meet, in outline order.
std::vector<Polyline> CuttingLines(const std::vector<PieceLine*>& order) {
    std::vector<Polyline> out;
    float reach = 1000.0f;
    for (PieceLine* pl : order) {
        Polyline st = pl->drawn1;
        float m = pl->f[0];
        if (m != 0.0f && std::isfinite(m) && std::fabs(m) < 1.0e5f && st.size() >= 2) {
            // The margin is signed along the source; a line running backwards carries it over.
            PolyOffset(st, pl->start > pl->end ? -m : m, true);
            reach = std::max(reach, 10.0f * std::fabs(m));
        }
        out.push_back(std::move(st));
    }
    for (size_t i = 0; i < out.size() && out.size() > 1; ++i) Meet(out[i], out[(i + 1) % out.size()], reach);
    return out;
}

Shape MemberShape(const PieceMember& m) {
    const KindRef& e = m.element;
    if (!e.ptr) return {};
    switch (e.kind & 0xFF) {
    case kKindPin: return {e.as<Pin>()->outline};
    case kKindMotif: {
        const Motif& mo = *e.as<Motif>();
        Shape s = mo.shape;
        for (auto& pl : s)
            for (auto& q : pl) q.x += mo.x, q.y += mo.y;
        return s;
    }
    case kKindPointRow: return e.as<PointRow>()->drawn;
    case kKindSymLineLink: return {e.as<SymLineLink>()->drawn};
    case kKindSlotLine: return {e.as<SlotLine>()->drawn1, e.as<SlotLine>()->drawn2};
    case kKindSymElemLink: return {e.as<SymElemLink>()->drawn};
    default: return {};
    }
}

}  // namespace

const Polyline* SourcePolyline(const KindRef& src) {
    if (!src.ptr) return nullptr;
    uint32_t k = src.kind & 0xFF;
    if (IsLineKind(k)) return &src.as<Line>()->eval;
    if (k == kKindSeamAllowance) return &src.as<SeamAllowance>()->outline;
    if (k == kKindSymLineLink) return &src.as<SymLineLink>()->drawn;
    return nullptr;
}

bool PieceLineSound(const PieceLine& pl) {
    const Polyline* src = SourcePolyline(pl.source);
    return src && src->size() >= 2 && FractionSound(pl.start) && FractionSound(pl.end) && pl.start != pl.end;
}

Polyline PieceLineStretch(const PieceLine& pl) {
    if (!PieceLineSound(pl)) return {};
    return PolySubFraction(*SourcePolyline(pl.source), pl.start, pl.end);
}

std::vector<PieceLine*> OutlineOrder(Piece& pc) {
    std::vector<PieceLine*> list;
    for (auto& l : pc.linesA) list.push_back(l.get());
    if (list.empty()) return list;
    std::unordered_set<PieceLine*> members(list.begin(), list.end()), seen;
    std::vector<PieceLine*> chain;
    PieceLine* cur = list.front();
    for (size_t i = 0; i < list.size(); ++i) {
        if (!cur || !members.count(cur) || !seen.insert(cur).second) return list;
        chain.push_back(cur);
        cur = cur->nextSeg;
    }
    return cur == list.front() ? chain : list;
}

PieceReport AssemblePiece(Design& d, Piece& pc, const TFont* font) {
    PieceReport rep;
    for (List<PieceLine>* l : {&pc.linesA, &pc.linesB})
        for (auto& pl : *l) {
            pl->drawn1 = PieceLineStretch(*pl);
            pl->drawn2.clear();
        }
    // Inner lines meet the lines they are trimmed to.
    for (auto& pl : pc.linesB) {
        if (pl->prevSeg && pl->prevSeg != pl.get()) TrimTo(pl->drawn1, pl->prevSeg->drawn1, false);
        if (pl->nextSeg && pl->nextSeg != pl.get()) TrimTo(pl->drawn1, pl->nextSeg->drawn1, true);
    }
    // The outline: each stretch from where the previous one ended.
    std::vector<PieceLine*> order = OutlineOrder(pc);
    Polyline outline;
    bool gap = false;
    for (PieceLine* pl : order) {
        const Polyline& st = pl->drawn1;
        if (st.size() < 2) {
            ++rep.badLines;
            continue;
        }
        if (outline.empty()) {
            outline = st;
            continue;
        }
        if (PtDist(outline.back(), st.front()) <= kJoinTolerance) {
            outline.insert(outline.end(), st.begin() + 1, st.end());
        } else {
            gap = true;
            outline.insert(outline.end(), st.begin(), st.end());
        }
    }
    rep.closed = !order.empty() && rep.badLines == 0 && !gap && outline.size() > 2 &&
                 PtDist(outline.front(), outline.back()) <= kJoinTolerance;
    if (rep.closed) outline.back() = outline.front();
    pc.outline = std::move(outline);
    if (rep.closed) pc.flags |= kPieceClosed;
    else pc.flags &= ~kPieceClosed;
    // The cutting pattern: lines with a margin drawn moved out by it.
    if (rep.closed) {
        std::vector<Polyline> cut = CuttingLines(order);
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i]->f[0] != 0.0f) order[i]->drawn2 = std::move(cut[i]);
    }
    RectF box{};
    bool any = false;
    Grow(box, any, pc.outline);
    if (!any)
        for (List<PieceLine>* l : {&pc.linesA, &pc.linesB})
            for (auto& pl : *l) Grow(box, any, pl->drawn1);
    pc.bbox = any ? box : RectF{};
    for (auto& m : pc.members) m->drawn = MemberShape(*m);
    for (auto& r : pc.pointRows) RebuildRow(*r);
    if (font)
        for (auto& lab : pc.sizeLabels)
            if (lab->strokes.empty()) {
                std::string text = BaseSizeLabelText(d);
                bool plain = std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
                if (plain) lab->strokes = font->sizeLabel(text, lab->angle, {lab->x, lab->y});
                else {
                    lab->strokes = font->layoutText(text).strokes;
                    turnStrokes(lab->strokes, {0.0f, 0.0f}, lab->angle);
                    moveStrokes(lab->strokes, lab->x, lab->y);
                }
            }
    return rep;
}

Polyline CuttingOutline(const Piece& pcConst) {
    Piece& pc = const_cast<Piece&>(pcConst);
    if (!(pc.flags & kPieceClosed)) return {};
    std::vector<PieceLine*> order = OutlineOrder(pc);
    std::vector<Polyline> cut = CuttingLines(order);
    Polyline out;
    for (auto& c : cut) {
        if (c.size() < 2) return {};
        out.insert(out.end(), out.empty() ? c.begin() : c.begin() + 1, c.end());
    }
    if (out.size() > 2) out.back() = out.front();
    return out;
}

// ---------------------------------------------------------------- the piece area

Piece* PieceInSlot(Design& d, int slot) {
    for (auto& pc : d.pieces)
        if (pc->slot == slot) return pc.get();
    return nullptr;
}

std::unique_ptr<Piece> ClonePiece(const Piece& s) {
    auto t = std::make_unique<Piece>();
    static_cast<PieceHeader&>(*t) = s;
    std::unordered_map<const PieceLine*, PieceLine*> map;
    auto lines = [&](const List<PieceLine>& from, List<PieceLine>& to) {
        for (auto& r : from) {
            to.push_back(std::make_unique<PieceLine>(*r));
            map[r.get()] = to.back().get();
        }
    };
    lines(s.linesA, t->linesA);
    lines(s.linesB, t->linesB);
    auto copy = [](const auto& from, auto& to) {
        for (auto& r : from) to.push_back(std::make_unique<typename std::decay_t<decltype(*r)>>(*r));
    };
    copy(s.members, t->members);
    copy(s.sizeLabels, t->sizeLabels);
    copy(s.notches, t->notches);
    copy(s.texts, t->texts);
    copy(s.pointRows, t->pointRows);
    copy(s.slotLines, t->slotLines);
    copy(s.marks, t->marks);
    copy(s.chamfers, t->chamfers);
    struct Own {
        std::unordered_map<const PieceLine*, PieceLine*>& map;
        void operator()(PieceLine*& r) const {
            if (auto it = map.find(r); it != map.end()) r = it->second;
        }
        void operator()(KindRef& r) const {
            if ((r.kind & 0xFF) != kKindPieceLine) return;
            if (auto it = map.find(r.as<PieceLine>()); it != map.end()) r.ptr = it->second;
        }
        void operator()(Line*&) const {}
        void operator()(Pin*&) const {}
        void operator()(Motif*&) const {}
        void operator()(BasePoint*&) const {}
    };
    VisitPieceRefs(*t, Own{map});
    return t;
}

bool CopyPieceToNextSlot(Design& d, int slot) {
    Piece* src = PieceInSlot(d, slot);
    if (!src || slot + 1 >= kPieceSlots) return false;
    for (auto& pc : d.pieces)
        if (pc->slot > slot && pc->slot + 1 >= kPieceSlots) return false;  // it would fall off the area
    for (auto& pc : d.pieces)
        if (pc->slot > slot) ++pc->slot;
    auto copy = ClonePiece(*src);
    copy->slot = uint8_t(slot + 1);
    copy->flags &= ~kFlagSelected;
    // After the piece it copies, so that the list reads in slot order where it did before.
    auto at = std::find_if(d.pieces.begin(), d.pieces.end(), [&](auto& p) { return p.get() == src; });
    d.pieces.insert(at + 1, std::move(copy));
    return true;
}

void DeletePiece(Design& d, Piece* pc) {
    if (!pc) return;
    RemovalSet s;
    auto add = [&](auto& l) {
        for (auto& r : l) s.records.insert(r.get());
    };
    add(pc->linesA), add(pc->linesB), add(pc->members), add(pc->sizeLabels), add(pc->notches), add(pc->texts);
    add(pc->pointRows), add(pc->slotLines), add(pc->marks), add(pc->chamfers);
    RemoveRecords(d, s);
    std::erase_if(d.pieces, [&](const std::unique_ptr<Piece>& p) { return p.get() == pc; });
}

namespace {

// A new line over a stretch of a source: a line's own nodes between the cuts (as 打断 leaves
// them), a seam allowance's or link's points otherwise; running backwards when start > end.
std::unique_ptr<Line> LineFromStretch(const TDoc& doc, const KindRef& src, float start, float end, bool boundary) {
    const Polyline* pl = SourcePolyline(src);
    if (!pl || pl->size() < 2) return nullptr;
    const float L = PolyLength(*pl);
    const float a = std::min(start, end) * L, b = std::max(start, end) * L;
    std::unique_ptr<Line> line;
    if (IsLineKind(src.kind & 0xFF)) {
        const Line& l = *src.as<Line>();
        std::vector<Node> nodes = StretchNodes(l, NodePositions(l), a, b);
        if (start > end) std::reverse(nodes.begin(), nodes.end());
        line = LineLike(l, std::move(nodes), doc.smooth);
        line->flags &= ~(kLineTypeMask | kFlagTransient);
        line->margin = 0.0f;
    } else {
        Polyline st = PolySub(*pl, a, b);
        if (start > end) std::reverse(st.begin(), st.end());
        std::vector<Node> nodes;
        for (PointF q : st) nodes.push_back({q.x, q.y, 0});
        line = MakeLineRecord(doc, std::move(nodes), kCurvePolyline, 1);
    }
    if (boundary) line->flags = (line->flags & ~(kLineEdgeMask | kLineOrigMask)) | 0xFu;  // 边线 and 原线 both 3
    return line;
}

void ShiftLine(Line& l, float dy, const TSmooth& smooth) {
    for (auto& n : l.nodes) n.y += dy;
    EvaluateLineRecord(l, smooth);
}

Part* SourcePart(Design& d, const KindRef& src) {
    if (!src.ptr) return nullptr;
    return OwnerPart(d, src.ptr);
}

}  // namespace

Part* PartFromPiece(Design& d, Piece& pc, const TDoc& doc) {
    if (!(pc.flags & kPieceClosed) || pc.linesA.empty()) return nullptr;
    std::vector<std::unique_ptr<Line>> a, b;
    for (PieceLine* pl : OutlineOrder(pc)) {
        auto l = LineFromStretch(doc, pl->source, pl->start, pl->end, true);
        if (!l) return nullptr;
        a.push_back(std::move(l));
    }
    for (auto& pl : pc.linesB)
        if (auto l = LineFromStretch(doc, pl->source, pl->start, pl->end, false)) b.push_back(std::move(l));
    Part* from = pc.linesA.empty() ? nullptr : SourcePart(d, pc.linesA.front()->source);
    Part& part = AppendNewPart(d, from ? from->page() : doc.currentPage());
    const float dy = -(pc.bbox.maxY - pc.bbox.minY + 1000.0f);
    for (auto& l : a) ShiftLine(*l, dy, doc.smooth), part.linesA.push_back(std::move(l));
    for (auto& l : b) ShiftLine(*l, dy, doc.smooth), part.linesB.push_back(std::move(l));
    auto bp = std::make_unique<BasePoint>();
    bp->x = 0.5f * (pc.bbox.minX + pc.bbox.maxX);
    bp->y = 0.5f * (pc.bbox.minY + pc.bbox.maxY) + dy;
    bp->flags = kBaseFollowsOwner;
    part.basePoints.push_back(std::move(bp));
    CompletePart(part);
    return &part;
}

PieceFigures MeasurePiece(const Design& d, const Piece& pc) {
    PieceFigures f;
    f.length = pc.bbox.maxX - pc.bbox.minX;
    f.width = pc.bbox.maxY - pc.bbox.minY;
    // The change per size step: the box scaled as the last bottom and the ball girth grow by one
    // step. Without those parameters there is no step to show.
    const double bottom = double(d.baseParams[0]) + d.lengthAdj, girth = double(d.baseParams[1]) + d.girthAdj;
    f.lengthStep = bottom > 0.0 ? float(f.length * d.baseParams[2] / bottom) : 0.0f;
    f.widthStep = girth > 0.0 ? float(f.width * d.baseParams[3] / girth) : 0.0f;
    if (!std::isfinite(f.lengthStep)) f.lengthStep = 0.0f;
    if (!std::isfinite(f.widthStep)) f.widthStep = 0.0f;
    f.perimeter = PolyLength(pc.outline);
    f.area = (pc.flags & kPieceClosed) ? std::fabs(OutlineArea(pc.outline)) : 0.0;
    return f;
}

// ---------------------------------------------------------------- 提取

int AddStretch(std::vector<Stretch>& working, Stretch s, float minLength) {
    const Polyline* pl = SourcePolyline(s.source);
    if (!pl || pl->size() < 2) return 0;
    const float L = PolyLength(*pl);
    if (s.start > s.end) std::swap(s.start, s.end);
    s.start = std::clamp(s.start, 0.0f, 1.0f);
    s.end = std::clamp(s.end, 0.0f, 1.0f);
    if ((s.end - s.start) * L < minLength) {
        // The whole line is meant: taken out again when it is there.
        auto same = [&](const Stretch& w) { return w.source.ptr == s.source.ptr; };
        if (std::any_of(working.begin(), working.end(), same)) {
            std::erase_if(working, same);
            return -1;
        }
        s.start = 0.0f, s.end = 1.0f;
        working.push_back(s);
        return 1;
    }
    // Overlapping stretches of one source are one stretch, their union.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < working.size(); ++i) {
            Stretch& w = working[i];
            if (w.source.ptr == s.source.ptr && w.start <= s.end && s.start <= w.end) {
                s.start = std::min(s.start, w.start);
                s.end = std::max(s.end, w.end);
                working.erase(working.begin() + long(i));
                merged = true;
                break;
            }
        }
    }
    working.push_back(s);
    return 1;
}

std::optional<JoinedOutline> JoinStretches(const std::vector<Stretch>& picked) {
    const size_t n = picked.size();
    if (n == 0) return std::nullopt;
    std::vector<Polyline> pts(n);
    std::vector<float> L(n);
    for (size_t i = 0; i < n; ++i) {
        const Polyline* src = SourcePolyline(picked[i].source);
        const Stretch& s = picked[i];
        if (!src || src->size() < 2 || !FractionSound(s.start) || !FractionSound(s.end) || !(s.end > s.start))
            return std::nullopt;
        L[i] = PolyLength(*src);
        pts[i] = PolySubFraction(*src, s.start, s.end);
        if (pts[i].size() < 2 || !(L[i] > 0.0f)) return std::nullopt;
    }
    // 剪齐: each stretch cut at its crossings with the others nearest its ends.
    std::vector<Stretch> cut = picked;
    std::vector<Polyline> trimmed = pts;
    for (size_t i = 0; i < n && n > 1; ++i) {
        std::vector<const Polyline*> others;
        for (size_t j = 0; j < n; ++j)
            if (j != i) others.push_back(&pts[j]);
        auto cr = CrossingsOf(pts[i], others, -1.0f);
        if (cr.empty()) continue;
        const float len = PolyLength(pts[i]);
        float s0 = 0.0f, s1 = len;
        if (cr.size() == 1) {
            if (cr.front().s < 0.5f * len) s0 = cr.front().s;
            else s1 = cr.front().s;
        } else {
            s0 = cr.front().s;
            s1 = cr.back().s;
        }
        if (!(s1 - s0 > 0.0f)) continue;
        trimmed[i] = PolySub(pts[i], s0, s1);
        // Lengths summed in float may put the far end a hair beyond the line's own.
        cut[i].start = std::clamp(picked[i].start + s0 / L[i], 0.0f, 1.0f);
        cut[i].end = std::clamp(picked[i].start + s1 / L[i], 0.0f, 1.0f);
    }
    // Ordered and turned so that each ends where the next starts.
    JoinedOutline j;
    std::vector<bool> used(n, false);
    used[0] = true;
    j.parts.push_back(cut[0]);
    j.outline = trimmed[0];
    for (size_t k = 1; k < n; ++k) {
        PointF end = j.outline.back();
        size_t best = n;
        bool reversed = false;
        float bd = kJoinTolerance;
        for (size_t i = 0; i < n; ++i) {
            if (used[i]) continue;
            float df = PtDist(trimmed[i].front(), end), db = PtDist(trimmed[i].back(), end);
            if (df <= bd) bd = df, best = i, reversed = false;
            if (db < bd) bd = db, best = i, reversed = true;
        }
        if (best == n) return std::nullopt;
        used[best] = true;
        Stretch s = cut[best];
        Polyline t = trimmed[best];
        if (reversed) {
            std::swap(s.start, s.end);
            std::reverse(t.begin(), t.end());
        }
        j.parts.push_back(s);
        j.outline.insert(j.outline.end(), t.begin() + 1, t.end());
    }
    if (j.outline.size() < 3 || PtDist(j.outline.front(), j.outline.back()) > kJoinTolerance) return std::nullopt;
    j.outline.back() = j.outline.front();
    return j;
}

std::vector<std::pair<Part*, Line*>> LinesInside(const std::vector<Part*>& parts, const Polyline& outline,
                                                 const std::vector<const void*>& except) {
    std::vector<std::pair<Part*, Line*>> out;
    auto in = [&](PointF q) { return PointInPolygon(outline, q) != 0; };
    for (Part* p : parts)
        for (List<Line>* list : {&p->linesA, &p->linesB})
            for (auto& l : *list) {
                if (std::find(except.begin(), except.end(), l.get()) != except.end()) continue;
                if (l->eval.size() < 2 || (l->flags & kFlagHidden)) continue;
                bool inside = l->nodes.size() == 2 ? in(PtMid(l->nodes[0].pt(), l->nodes[1].pt()))
                                                   : std::all_of(l->eval.begin(), l->eval.end(), in);
                if (inside) out.push_back({p, l.get()});
            }
    return out;
}

std::vector<Stretch> PieceStretches(Design& d, Piece& pc) {
    std::vector<Stretch> out;
    for (PieceLine* pl : OutlineOrder(pc)) {
        if (!PieceLineSound(*pl)) continue;
        out.push_back({pl->source, SourcePart(d, pl->source), std::min(pl->start, pl->end), std::max(pl->start, pl->end)});
    }
    return out;
}

ExtractResult ExtractOutline(TDoc& doc, const std::vector<Stretch>& picked, const ExtractOptions& opt, const TFont* font) {
    ExtractResult res;
    Design& d = doc.design;
    auto joined = JoinStretches(picked);
    if (!joined) {
        res.refusal = "the stretches do not make one closed outline";
        return res;
    }
    std::vector<Part*> parts;
    std::vector<const void*> sources;
    for (const Stretch& s : picked) {
        Part* p = s.part ? s.part : SourcePart(d, s.source);
        if (p && std::find(parts.begin(), parts.end(), p) == parts.end()) parts.push_back(p);
        sources.push_back(s.source.ptr);
    }
    auto inner = opt.innerLines ? LinesInside(parts, joined->outline, sources) : std::vector<std::pair<Part*, Line*>>{};
    RectF box{};
    BoundsOf(joined->outline, box);
    const float dy = -(box.maxY - box.minY + 1000.0f);

    if (opt.mode == ExtractMode::Piece) {
        if (opt.slot < 0 || opt.slot >= kPieceSlots) {
            res.refusal = "no such slot";
            return res;
        }
        Piece* pc = PieceInSlot(d, opt.slot);
        if (pc && !opt.replace) {
            res.refusal = "the slot holds a piece";
            return res;
        }
        const uint32_t innerKind = (doc.settings.cutSetup.cutBits & 0x10u) ? 3u : 1u;
        if (pc) {
            RemovalSet old;
            for (auto& l : pc->linesA) old.records.insert(l.get());
            RemoveRecords(d, old);
        } else {
            auto fresh = std::make_unique<Piece>();
            fresh->slot = uint8_t(opt.slot);
            pc = fresh.get();
            d.pieces.push_back(std::move(fresh));
            for (auto& [p, l] : inner) {
                auto pl = std::make_unique<PieceLine>();
                pl->source = {l, kKindLine};
                pl->start = 0.0f, pl->end = 1.0f;
                pl->flags = innerKind;
                pc->linesB.push_back(std::move(pl));
            }
            auto label = std::make_unique<SizeLabel>();
            label->x = 0.5f * (box.minX + box.maxX);
            label->y = 0.5f * (box.minY + box.maxY);
            label->colour = PageLabelColour(parts.empty() ? 0 : parts.front()->page());
            label->flags = 1u;
            pc->sizeLabels.push_back(std::move(label));
        }
        for (const Stretch& s : joined->parts) {
            auto pl = std::make_unique<PieceLine>();
            pl->source = s.source;
            pl->start = s.start, pl->end = s.end;
            pl->flags = 3u;
            pc->linesA.push_back(std::move(pl));
        }
        const size_t m = pc->linesA.size();
        for (size_t i = 0; i < m; ++i) {
            pc->linesA[i]->nextSeg = pc->linesA[(i + 1) % m].get();
            pc->linesA[i]->prevSeg = pc->linesA[(i + m - 1) % m].get();
        }
        AssemblePiece(d, *pc, font);
        res.ok = true;
        res.piece = pc;
        return res;
    }

    // New lines below the source.
    std::vector<std::unique_ptr<Line>> outline, lines;
    if (opt.mode == ExtractMode::LineCopy) {
        for (const Stretch& s : picked)
            if (auto l = LineFromStretch(doc, s.source, s.start, s.end, false)) lines.push_back(std::move(l));
    } else {
        for (const Stretch& s : joined->parts)
            if (auto l = LineFromStretch(doc, s.source, s.start, s.end, opt.mode == ExtractMode::Part))
                outline.push_back(std::move(l));
        for (auto& [p, l] : inner) {
            auto c = LineLike(*l, l->nodes, doc.smooth);
            c->flags &= ~(kLineTypeMask | kFlagTransient);
            lines.push_back(std::move(c));
        }
    }
    for (auto* list : {&outline, &lines})
        for (auto& l : *list) ShiftLine(*l, dy, doc.smooth);
    res.linesMade = int(outline.size() + lines.size());
    if (opt.mode == ExtractMode::Part) {
        Part& part = AppendNewPart(d, parts.empty() ? doc.currentPage() : parts.front()->page());
        for (auto& l : outline) part.linesA.push_back(std::move(l));
        for (auto& l : lines) part.linesB.push_back(std::move(l));
        auto bp = std::make_unique<BasePoint>();
        bp->x = 0.5f * (box.minX + box.maxX);
        bp->y = 0.5f * (box.minY + box.maxY) + dy;
        bp->flags = kBaseFollowsOwner;
        part.basePoints.push_back(std::move(bp));
        CompletePart(part);
        res.part = &part;
    } else {
        Part& first = d.firstPart();
        for (auto* list : {&outline, &lines})
            for (auto& l : *list) first.linesB.push_back(std::move(l));
        CompletePart(first);
        res.part = &first;
    }
    res.ok = true;
    return res;
}

}  // namespace rz
