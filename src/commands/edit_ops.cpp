#include "commands/edit_ops.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "commands/draw_common.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz {

// ---------------------------------------------------------------- affine maps

PointF Affine::apply(PointF p) const {
    return {float(a * p.x + b * p.y + tx), float(c * p.x + d * p.y + ty)};
}
PointF Affine::linear(PointF v) const { return {float(a * v.x + b * v.y), float(c * v.x + d * v.y)}; }

Affine Affine::translate(float dx, float dy) { return {1, 0, 0, 1, dx, dy}; }

Affine Affine::rotate(PointF o, double ang) {
    double cs = std::cos(ang), sn = std::sin(ang);
    return {cs, -sn, sn, cs, o.x - cs * o.x + sn * o.y, o.y - sn * o.x - cs * o.y};
}

Affine Affine::mirror(PointF p, PointF q) {
    double dx = q.x - p.x, dy = q.y - p.y, len2 = dx * dx + dy * dy;
    if (len2 <= 0) return {};
    double ux = dx * dx / len2, uy = dy * dy / len2, uxy = dx * dy / len2;
    // Reflection matrix 2uu^T - I about the line's direction u, through p.
    double ma = 2 * ux - 1, mb = 2 * uxy, mc = 2 * uxy, md = 2 * uy - 1;
    return {ma, mb, mc, md, p.x - ma * p.x - mb * p.y, p.y - mc * p.x - md * p.y};
}

Affine Affine::scale(PointF o, double ang, double along, double across) {
    double cs = std::cos(ang), sn = std::sin(ang);
    // R * diag(along, across) * R^T
    double ma = along * cs * cs + across * sn * sn;
    double mb = (along - across) * cs * sn;
    double md = along * sn * sn + across * cs * cs;
    return {ma, mb, mb, md, o.x - ma * o.x - mb * o.y, o.y - mb * o.x - md * o.y};
}

Affine Affine::then(const Affine& n) const {
    return {n.a * a + n.b * c, n.a * b + n.b * d, n.c * a + n.d * c, n.c * b + n.d * d,
            n.a * tx + n.b * ty + n.tx, n.c * tx + n.d * ty + n.ty};
}

// ---------------------------------------------------------------- records

namespace {

void MapPoly(Polyline& pl, const Affine& m) {
    for (auto& q : pl) q = m.apply(q);
}
void MapShape(Shape& s, const Affine& m) {
    for (auto& pl : s) MapPoly(pl, m);
}
// New direction of an angle under the map.
float MapAngle(float ang, const Affine& m) {
    PointF v = m.linear({std::cos(ang), std::sin(ang)});
    return std::atan2(v.y, v.x);
}

template <class T>
T* Append(List<T>& l, const T& src) {
    auto c = std::make_unique<T>();
    *c = src;
    T* raw = c.get();
    l.push_back(std::move(c));
    return raw;
}

}  // namespace

void TransformRecord(const RecordRef& r, const Affine& m, const TSmooth& smooth) {
    switch (r.kind) {
    case kKindLineA:
    case kKindLineB: {
        auto* l = static_cast<Line*>(r.record);
        for (auto& n : l->nodes) {
            PointF q = m.apply(n.pt());
            n.x = q.x;
            n.y = q.y;
        }
        EvaluateLineRecord(*l, smooth);
        break;
    }
    case kKindPin: {
        auto* p = static_cast<Pin*>(r.record);
        PointF q = m.apply({p->x, p->y});
        p->x = q.x, p->y = q.y;
        p->outline = PinOutline(p->x, p->y, p->diameter);
        break;
    }
    case kKindMotif: {
        auto* mo = static_cast<Motif*>(r.record);
        PointF q = m.apply({mo->x, mo->y});
        mo->x = q.x, mo->y = q.y;
        Affine lin = m;
        lin.tx = lin.ty = 0;
        MapShape(mo->shape, lin);  // relative to its position
        break;
    }
    case kKindText: {
        auto* t = static_cast<TextString*>(r.record);
        PointF q = m.apply({t->x, t->y});
        t->x = q.x, t->y = q.y;
        t->angle = MapAngle(t->angle, m);
        MapShape(t->strokes, m);
        break;
    }
    case kKindBasePoint: {
        auto* b = static_cast<BasePoint*>(r.record);
        PointF q = m.apply({b->x, b->y});
        b->x = q.x, b->y = q.y;
        b->direction = MapAngle(b->direction, m);
        MapShape(b->drawn1, m);
        MapShape(b->drawn2, m);
        break;
    }
    case kKindNotch: {
        auto* n = static_cast<Notch*>(r.record);
        PointF q = m.apply({n->x, n->y});
        n->x = q.x, n->y = q.y;
        n->angle = MapAngle(n->angle, m);
        MapPoly(n->outline, m);
        break;
    }
    case kKindSizeLabel: {
        // The strokes are laid out once, when the label is made: they go with it.
        auto* sl = static_cast<SizeLabel*>(r.record);
        PointF q = m.apply({sl->x, sl->y});
        sl->x = q.x, sl->y = q.y;
        sl->angle = MapAngle(sl->angle, m);
        MapShape(sl->strokes, m);
        break;
    }
    default: break;
    }
}

RecordRef CopyRecord(const RecordRef& r) {
    RecordRef c = r;
    Part& p = *r.part;
    auto unselect = [](uint32_t& f) { f &= ~kFlagSelected; };
    switch (r.kind) {
    case kKindLineA:  // a copied outline line is a free line
    case kKindLineB: {
        Line* l = Append(p.linesB, *static_cast<Line*>(r.record));
        l->graded = nullptr;
        l->frontSym = nullptr;
        unselect(l->flags);
        c.kind = kKindLineB;
        c.record = l;
        break;
    }
    case kKindPin: {
        Pin* q = Append(p.pins, *static_cast<Pin*>(r.record));
        q->graded = nullptr;
        q->frontSym = nullptr;
        unselect(q->flags);
        c.record = q;
        break;
    }
    case kKindMotif: {
        Motif* q = Append(p.motifs, *static_cast<Motif*>(r.record));
        q->graded = nullptr;
        q->frontSym = nullptr;
        unselect(q->flags);
        c.record = q;
        break;
    }
    case kKindText: {
        TextString* q = Append(p.texts, *static_cast<TextString*>(r.record));
        unselect(q->flags);
        c.record = q;
        break;
    }
    case kKindNotch: {
        Notch* q = Append(p.notches, *static_cast<Notch*>(r.record));
        unselect(q->flags);
        c.record = q;
        break;
    }
    default: c.record = nullptr; c.kind = 0; break;  // base points are not copied
    }
    return c;
}

std::vector<RecordRef> SelectedRecords(Part& p) {
    std::vector<RecordRef> v;
    auto take = [&](auto& l, int kind) {
        for (auto& r : l)
            if (r->flags & kFlagSelected) v.push_back({kind, r.get(), &p});
    };
    take(p.linesB, kKindLineB);
    take(p.pins, kKindPin);
    take(p.motifs, kKindMotif);
    take(p.texts, kKindText);
    take(p.basePoints, kKindBasePoint);
    return v;
}

bool IsSelected(const RecordRef& r) {
    switch (r.kind) {
    case kKindLineA:
    case kKindLineB: return static_cast<Line*>(r.record)->flags & kFlagSelected;
    case kKindPin: return static_cast<Pin*>(r.record)->flags & kFlagSelected;
    case kKindMotif: return static_cast<Motif*>(r.record)->flags & kFlagSelected;
    case kKindText: return static_cast<TextString*>(r.record)->flags & kFlagSelected;
    case kKindBasePoint: return static_cast<BasePoint*>(r.record)->flags & kFlagSelected;
    case kKindNotch: return static_cast<Notch*>(r.record)->flags & kFlagSelected;
    default: return false;
    }
}

Shape OutlineOf(const std::vector<RecordRef>& rs) {
    Shape s;
    for (const auto& r : rs) {
        switch (r.kind) {
        case kKindLineA:
        case kKindLineB: s.push_back(static_cast<Line*>(r.record)->eval); break;
        case kKindPin: s.push_back(static_cast<Pin*>(r.record)->outline); break;
        case kKindMotif: {
            auto* m = static_cast<Motif*>(r.record);
            for (Polyline pl : m->shape) {
                for (auto& q : pl) q.x += m->x, q.y += m->y;
                s.push_back(std::move(pl));
            }
            break;
        }
        case kKindText:
            for (const auto& pl : static_cast<TextString*>(r.record)->strokes) s.push_back(pl);
            break;
        case kKindBasePoint: {
            auto* b = static_cast<BasePoint*>(r.record);
            s.push_back({{b->x - 100, b->y}, {b->x + 100, b->y}});
            s.push_back({{b->x, b->y - 100}, {b->x, b->y + 100}});
            break;
        }
        case kKindNotch: s.push_back(static_cast<Notch*>(r.record)->outline); break;
        case kKindSizeLabel:
            for (const auto& pl : static_cast<SizeLabel*>(r.record)->strokes) s.push_back(pl);
            break;
        default: break;
        }
    }
    return s;
}

// ---------------------------------------------------------------- crossings

namespace {

constexpr size_t kChunk = 16;

struct Chunked {
    const Polyline* pl;
    std::vector<RectF> boxes;  // one per chunk of kChunk segments
    RectF all{};
    std::vector<float> cum;    // arc length at each point
};

bool Overlap(const RectF& a, const RectF& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

Chunked Chunk(const Polyline& pl, bool withLengths) {
    Chunked c{&pl, {}, {}, {}};
    size_t n = pl.size();
    if (n < 2) return c;
    for (size_t i = 0; i + 1 < n; i += kChunk) {
        size_t e = std::min(n - 1, i + kChunk);
        RectF r{pl[i].x, pl[i].y, pl[i].x, pl[i].y};
        for (size_t j = i + 1; j <= e; ++j) {
            r.minX = std::min(r.minX, pl[j].x), r.maxX = std::max(r.maxX, pl[j].x);
            r.minY = std::min(r.minY, pl[j].y), r.maxY = std::max(r.maxY, pl[j].y);
        }
        if (c.boxes.empty()) c.all = r;
        else {
            c.all.minX = std::min(c.all.minX, r.minX), c.all.maxX = std::max(c.all.maxX, r.maxX);
            c.all.minY = std::min(c.all.minY, r.minY), c.all.maxY = std::max(c.all.maxY, r.maxY);
        }
        c.boxes.push_back(r);
    }
    if (withLengths) {
        c.cum.resize(n);
        c.cum[0] = 0;
        for (size_t i = 1; i < n; ++i) c.cum[i] = c.cum[i - 1] + PtDist(pl[i - 1], pl[i]);
    }
    return c;
}

}  // namespace

std::vector<Crossing> CrossingsOf(const Polyline& a, const std::vector<const Polyline*>& others, float endTol) {
    std::vector<Crossing> out;
    if (a.size() < 2) return out;
    Chunked ca = Chunk(a, true);
    float total = ca.cum.back();
    for (const Polyline* o : others) {
        if (!o || o->size() < 2 || o == &a) continue;
        Chunked cb = Chunk(*o, false);
        if (!Overlap(ca.all, cb.all)) continue;
        for (size_t i = 0; i < ca.boxes.size(); ++i) {
            if (!Overlap(ca.boxes[i], cb.all)) continue;
            for (size_t j = 0; j < cb.boxes.size(); ++j) {
                if (!Overlap(ca.boxes[i], cb.boxes[j])) continue;
                size_t ae = std::min(a.size() - 1, (i + 1) * kChunk);
                size_t be = std::min(o->size() - 1, (j + 1) * kChunk);
                for (size_t sa = i * kChunk; sa < ae; ++sa) {
                    for (size_t sb = j * kChunk; sb < be; ++sb) {
                        auto x = SegIntersect(a[sa], a[sa + 1], (*o)[sb], (*o)[sb + 1]);
                        if (!x) continue;
                        float s = ca.cum[sa] + PtDist(a[sa], *x);
                        out.push_back({s, *x});
                    }
                }
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const Crossing& x, const Crossing& y) { return x.s < y.s; });
    bool closed = PolyClosed(a);
    std::vector<Crossing> kept;
    for (const auto& c : out) {
        if (!closed && (c.s <= endTol || c.s >= total - endTol)) continue;
        if (!kept.empty() && c.s - kept.back().s < 0.5f) continue;
        kept.push_back(c);
    }
    // On a closed line the start and the end are one point.
    if (closed && kept.size() > 1 && kept.front().s + total - kept.back().s < 0.5f) kept.pop_back();
    return kept;
}

std::vector<float> NodePositions(const Line& l) {
    const Polyline& e = l.eval;
    std::vector<float> pos(l.nodes.size(), 0.0f);
    if (e.size() < 2) return pos;
    std::vector<float> cum(e.size(), 0.0f);
    for (size_t i = 1; i < e.size(); ++i) cum[i] = cum[i - 1] + PtDist(e[i - 1], e[i]);
    size_t seg = 0;  // nodes run along the evaluated polyline: search forward only
    for (size_t k = 0; k < l.nodes.size(); ++k) {
        PointF q = l.nodes[k].pt();
        float best = 1e30f, bestS = cum[seg];
        size_t bestSeg = seg;
        for (size_t i = seg; i + 1 < e.size(); ++i) {
            Foot f = FootOnSegment(e[i], e[i + 1], q);
            PointF on = f.code == FootCode::Inside ? f.pt
                        : (PtDist(q, e[i]) < PtDist(q, e[i + 1]) ? e[i] : e[i + 1]);
            float dd = PtDist(q, on);
            if (dd < best - 1e-3f) {
                best = dd;
                bestSeg = i;
                bestS = cum[i] + PtDist(e[i], on);
            }
            if (best < 0.05f) break;  // on the curve: the first match is the node
            // Simplification leaves nodes a little off the curve: once one is near, a match
            // further along would be the curve coming back, not this node.
            if (best < 5.0f && cum[i] > bestS + 200.0f) break;
        }
        seg = bestSeg;
        pos[k] = std::max(bestS, k ? pos[k - 1] : 0.0f);
    }
    if (!pos.empty()) pos.back() = std::max(pos.back(), PtSame(l.nodes.back().pt(), e.back()) ? cum.back() : pos.back());
    return pos;
}

std::vector<Node> StretchNodes(const Line& l, const std::vector<float>& pos, float s0, float s1) {
    std::vector<Node> out;
    float total = PolyLength(l.eval);
    auto at = [&](float s) {
        PointF q = PolyPointAt(l.eval, s > total ? s - total : s).pt;
        return Node{q.x, q.y, 0};
    };
    out.push_back(at(s0));
    const float eps = 0.5f;
    auto inner = [&](float lo, float hi) {
        for (size_t k = 0; k < l.nodes.size(); ++k)
            if (pos[k] > lo + eps && pos[k] < hi - eps) out.push_back(l.nodes[k]);
    };
    if (s1 <= total + eps) inner(s0, s1);
    else {
        inner(s0, total + eps);  // to the end (the closing node coincides with the first)
        if (!out.empty() && PtSame(out.back().pt(), l.nodes.front().pt())) out.pop_back();
        out.push_back(l.nodes.front());
        inner(0, s1 - total);
    }
    Node end = at(s1);
    if (PtDiffer(out.back().pt(), end.pt())) out.push_back(end);
    if (out.size() < 2) out.push_back(end);
    return out;
}

std::unique_ptr<Line> LineLike(const Line& like, std::vector<Node> nodes, const TSmooth& smooth) {
    auto l = std::make_unique<Line>();
    l->nodes = std::move(nodes);
    l->flags = like.flags & ~kFlagSelected;
    l->valueA = like.valueA;
    l->valueB = like.valueB;
    l->colour = like.colour;
    l->margin = like.margin;
    l->basePoint = like.basePoint;
    EvaluateLineRecord(*l, smooth);
    return l;
}

std::vector<std::unique_ptr<Line>> BreakLine(Line& line, const std::vector<float>& at, const TSmooth& smooth) {
    std::vector<std::unique_ptr<Line>> more;
    if (at.empty() || line.eval.size() < 2) return more;
    std::vector<float> pos = NodePositions(line);
    float total = PolyLength(line.eval);
    std::vector<std::pair<float, float>> pieces;
    if (PolyClosed(line.eval)) {
        for (size_t i = 0; i + 1 < at.size(); ++i) pieces.push_back({at[i], at[i + 1]});
        pieces.push_back({at.back(), at.front() + total});
    } else {
        float prev = 0;
        for (float s : at) {
            pieces.push_back({prev, s});
            prev = s;
        }
        pieces.push_back({prev, total});
    }
    std::vector<std::vector<Node>> nodes;
    for (auto [a, b] : pieces) nodes.push_back(StretchNodes(line, pos, a, b));
    for (size_t i = 1; i < nodes.size(); ++i) more.push_back(LineLike(line, std::move(nodes[i]), smooth));
    line.nodes = std::move(nodes[0]);
    EvaluateLineRecord(line, smooth);
    return more;
}

std::pair<float, float> PieceAround(const Line& line, const std::vector<float>& cr, float cut) {
    float total = PolyLength(line.eval);
    if (cr.empty()) return {0, total};
    bool closed = PolyClosed(line.eval);
    for (size_t i = 0; i < cr.size(); ++i)
        if (cut < cr[i]) {
            if (i == 0) return closed ? std::pair{cr.back() - total, cr[0]} : std::pair{0.0f, cr[0]};
            return {cr[i - 1], cr[i]};
        }
    return closed ? std::pair{cr.back(), cr.front() + total} : std::pair{cr.back(), total};
}

TrimResult TrimLine(Line& line, const std::vector<float>& cr, float cut, const TSmooth& smooth) {
    TrimResult r;
    if (cr.empty()) {
        r.deleteWhole = true;
        return r;
    }
    std::vector<float> pos = NodePositions(line);
    float total = PolyLength(line.eval);
    auto [a, b] = PieceAround(line, cr, cut);
    if (PolyClosed(line.eval)) {
        // What is left of a loop is one open line from the piece's end round to its start.
        float from = b < 0 ? b + total : b, to = a < 0 ? a + total : a;
        if (to <= from) to += total;
        line.nodes = StretchNodes(line, pos, from, to);
        EvaluateLineRecord(line, smooth);
        return r;
    }
    bool before = a > 0.5f, after = b < total - 0.5f;
    std::vector<Node> nb, na;
    if (before) nb = StretchNodes(line, pos, 0, a);
    if (after) na = StretchNodes(line, pos, b, total);
    if (before) {
        line.nodes = std::move(nb);
        if (after) r.after = LineLike(line, std::move(na), smooth);
    } else {
        line.nodes = std::move(na);
    }
    EvaluateLineRecord(line, smooth);
    return r;
}

// ---------------------------------------------------------------- single-line edits

bool CloseOrOpen(Line& line, float join) {
    auto& n = line.nodes;
    if (n.size() <= 2) return false;
    if (PtDiffer(n.front().pt(), n.back().pt())) {
        Node first = n.front();
        if (PtDist(n.back().pt(), first.pt()) <= join) n.back() = first;
        else n.push_back(first);
    } else {
        n.pop_back();
    }
    return true;
}

bool ExtendEnd(Line& line, bool last, float d) {
    auto& n = line.nodes;
    if (n.size() < 2) return false;
    Node& end = last ? n.back() : n.front();
    PointF nb = last ? n[n.size() - 2].pt() : n[1].pt();
    float len = PtDist(end.pt(), nb);
    if (len < 1e-3f) return false;
    if (d < 0 && len <= -d) return true;  // too short to shorten: left as it is
    PointF q = ExtendBeyond(end.pt(), nb, d);
    end.x = q.x, end.y = q.y;
    end.word = 0;
    return true;
}

bool TurnParallel(Line& line, bool pivotLast, PointF K, PointF L) {
    auto& n = line.nodes;
    if (n.size() < 2 || PtDist(K, L) < 1e-3f) return false;
    PointF pv = pivotLast ? n.back().pt() : n.front().pt();
    PointF other = pivotLast ? n.front().pt() : n.back().pt();
    if (PtDist(pv, other) < 1e-3f) return false;
    // Direction along K→L of the projections.
    double ux = L.x - K.x, uy = L.y - K.y;
    double proj = (other.x - pv.x) * ux + (other.y - pv.y) * uy;
    double want = proj >= 0 ? std::atan2(uy, ux) : std::atan2(-uy, -ux);
    double have = std::atan2(other.y - pv.y, other.x - pv.x);
    Affine m = Affine::rotate(pv, want - have);
    for (size_t i = 0; i < n.size(); ++i) {
        if ((pivotLast && i + 1 == n.size()) || (!pivotLast && i == 0)) continue;
        PointF q = m.apply(n[i].pt());
        n[i].x = q.x, n[i].y = q.y;
    }
    return true;
}

float HeightAcross(const std::vector<Node>& nodes) {
    if (nodes.size() < 2) return 0;
    PointF a = nodes.front().pt(), b = nodes.back().pt();
    if (PtDist(a, b) < 1e-3f) return 0;
    float best = 0;
    for (const auto& n : nodes) {
        float h = SignedDistToLine(a, b, n.pt());
        if (std::fabs(h) > std::fabs(best)) best = h;
    }
    return best;
}

std::optional<std::vector<Node>> FitShape(const std::vector<Node>& shape, const std::vector<Node>& target,
                                          HeightRule rule, float typedHeight) {
    if (shape.size() < 2 || target.size() < 2) return std::nullopt;
    PointF s0 = shape.front().pt(), s1 = shape.back().pt();
    PointF t0 = target.front().pt(), t1 = target.back().pt();
    double ls = PtDist(s0, s1), lt = PtDist(t0, t1);
    // A closed replacing line has no chord to fit; a zero chord cannot be stretched.
    if (ls < 1.0 || lt < 1.0) return std::nullopt;
    double ratio = lt / ls;
    double hs = HeightAcross(shape);
    double factor = ratio;
    switch (rule) {
    case HeightRule::Similar: factor = ratio; break;
    case HeightRule::Unit: factor = 1; break;
    case HeightRule::KeepOld:
    case HeightRule::Typed: {
        double want = rule == HeightRule::KeepOld ? std::fabs(HeightAcross(target)) : typedHeight;
        if (std::fabs(hs) < 1e-3 || !(want > 0) || !std::isfinite(want)) return std::nullopt;
        factor = want / std::fabs(hs);
        break;
    }
    }
    double ux = (s1.x - s0.x) / ls, uy = (s1.y - s0.y) / ls;  // along the shape's chord
    double vx = (t1.x - t0.x) / lt, vy = (t1.y - t0.y) / lt;  // along the target's chord
    std::vector<Node> out = shape;
    for (auto& n : out) {
        double dx = n.x - s0.x, dy = n.y - s0.y;
        double along = (dx * ux + dy * uy) * ratio;
        double across = (-dx * uy + dy * ux) * factor;
        n.x = float(t0.x + along * vx - across * vy);
        n.y = float(t0.y + along * vy + across * vx);
    }
    out.front().x = t0.x, out.front().y = t0.y;
    out.back().x = t1.x, out.back().y = t1.y;
    return out;
}

// ---------------------------------------------------------------- node ranges

namespace {
float AngleAt(const std::vector<Node>& n, int i) {
    return VecAngle(n[i - 1].pt(), n[i].pt(), n[i + 1].pt());
}
}  // namespace

int PullNodes(std::vector<Node>& n, int s, int e, int maxMoves) {
    if (s > e) std::swap(s, e);
    s = std::max(s, 0);
    e = std::min(e, int(n.size()) - 1);
    if (e - s < 2) return 0;
    const float pi = std::numbers::pi_v<float>;
    double sum = 0;
    for (int i = s + 1; i < e; ++i) {
        float a = AngleAt(n, i);
        sum += a == 0 ? pi : a;  // a node on top of a neighbour counts as straight
    }
    float threshold = std::min(float(sum / (e - s - 1)), pi);
    int moves = 0;
    for (; moves < maxMoves; ++moves) {
        int best = -1;
        float bestA = pi;
        for (int i = s + 1; i < e; ++i) {
            float a = AngleAt(n, i);
            if (a > 0 && a < bestA - 1e-6f) {
                bestA = a;
                best = i;
            }
        }
        if (best < 0 || bestA > threshold) break;
        PointF m = PtMid(n[best - 1].pt(), n[best + 1].pt());
        float nx = n[best].x + (m.x - n[best].x) / 8, ny = n[best].y + (m.y - n[best].y) / 8;
        if (nx == n[best].x && ny == n[best].y) break;  // no progress in float precision
        n[best].x = nx, n[best].y = ny;
    }
    return moves;
}

void ThinRange(std::vector<Node>& n, int s, int e) {
    if (s > e) std::swap(s, e);
    if (s < 0 || e >= int(n.size()) || e - s < 2) return;
    Polyline pts;
    for (int i = s; i <= e; ++i) pts.push_back(n[i].pt());
    PolySimplify(pts, 15.0f, 0.0f);
    std::vector<Node> kept;
    int k = s;
    for (PointF q : pts) {
        while (k <= e && n[k].pt() != q) ++k;
        if (k <= e) kept.push_back(n[k]);
    }
    if (kept.size() < 2) return;
    n.erase(n.begin() + s, n.begin() + e + 1);
    n.insert(n.begin() + s, kept.begin(), kept.end());
}

bool CornerRange(std::vector<Node>& n, int s, int e) {
    if (s > e) std::swap(s, e);
    if (s < 0 || e >= int(n.size()) || e - s < 3) return false;
    std::vector<Node> repl;
    if (e - s == 3) {
        auto c = LineIntersectPts(n[s].pt(), n[s + 1].pt(), n[e - 1].pt(), n[e].pt());
        if (!c) return false;
        repl.push_back({c->x, c->y, kNodeBreak});
    } else {
        PointF a1 = PtMid(n[s].pt(), n[s + 1].pt()), a2 = PtMid(n[s + 1].pt(), n[s + 2].pt());
        PointF b1 = PtMid(n[e - 1].pt(), n[e].pt()), b2 = PtMid(n[e - 2].pt(), n[e - 1].pt());
        auto c = LineIntersectPts(a1, a2, b2, b1);
        if (!c) return false;
        repl = {{a2.x, a2.y, 0}, {c->x, c->y, 0}, {b2.x, b2.y, 0}};
    }
    n.erase(n.begin() + s + 1, n.begin() + e);
    n.insert(n.begin() + s + 1, repl.begin(), repl.end());
    return true;
}

int FindCorner(std::vector<Node>& n, int k) {
    int cnt = int(n.size());
    if (k < 0 || k >= cnt) return -1;
    int lo = std::max(0, k - 5), hi = std::min(cnt - 1, k + 5);
    for (int i = lo; i <= hi; ++i) n[i].word &= ~kNodeBreak;
    int best = -1;
    float bestA = 10;
    for (int i = std::max(lo, 1); i <= std::min(hi, cnt - 2); ++i) {
        float a = AngleAt(n, i);
        if (a < bestA) {
            bestA = a;
            best = i;
        }
    }
    if (best < 0 || bestA >= 2.6f || best < 3 || best > cnt - 4) return -1;
    n[best].word |= kNodeBreak;
    return best;
}

List<Line>* ListOf(Part& p, const Line* l, size_t* at) {
    for (List<Line>* list : {&p.linesA, &p.linesB})
        for (size_t i = 0; i < list->size(); ++i)
            if ((*list)[i].get() == l) {
                if (at) *at = i;
                return list;
            }
    return nullptr;
}

int NearestNode(const Line& l, PointF p) {
    int best = 0;
    float bd = 1e30f;
    for (size_t i = 0; i < l.nodes.size(); ++i) {
        float d = PtDist(l.nodes[i].pt(), p);
        if (d < bd) bd = d, best = int(i);
    }
    return best;
}

bool NearerEndIsLast(const Line& l, PointF p) { return NearestNode(l, p) * 2 >= int(l.nodes.size()); }

std::vector<const Polyline*> OthersOf(Part& part, const Line* self, bool withOutline) {
    std::vector<const Polyline*> v;
    if (withOutline)
        for (auto& l : part.linesA)
            if (l.get() != self) v.push_back(&l->eval);
    for (auto& l : part.linesB)
        if (l.get() != self && !(l->flags & kFlagHidden)) v.push_back(&l->eval);
    return v;
}

}  // namespace rz
