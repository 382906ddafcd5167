#include "design/line_remap.h"

#include <algorithm>
#include <cmath>

#include "design/seam.h"

namespace rz {

namespace {

constexpr float kEps = 1e-6f;

bool Unit(float f) { return std::isfinite(f) && f >= -kEps && f <= 1.0f + kEps; }
bool IsLineKind(uint32_t k) { return k == kKindLine || k == kKindLineA || k == kKindLineB; }

float Total(const LinePiece& p) {
    float t = 0.0f;
    for (auto [a, b] : p.spans) t += b - a;
    return t;
}

// The fraction of the new line at old fraction f (which must lie in one of the piece's spans).
float Map(const LinePiece& p, float f) {
    const float total = Total(p);
    float cum = 0.0f;
    for (auto [a, b] : p.spans) {
        if (f >= a - kEps && f <= b + kEps) {
            float r = total > 0.0f ? (cum + std::clamp(f, a, b) - a) / total : 0.0f;
            r = std::clamp(r, 0.0f, 1.0f);
            return p.reversed ? 1.0f - r : r;
        }
        cum += b - a;
    }
    return p.reversed ? 1.0f : 0.0f;
}

// The parts of [lo, hi] on each span of each piece, in old-fraction order.
struct Overlap {
    size_t piece;
    float a, b;
};
std::vector<Overlap> Overlaps(const std::vector<LinePiece>& pieces, float lo, float hi) {
    std::vector<Overlap> out;
    for (size_t k = 0; k < pieces.size(); ++k)
        for (auto [a, b] : pieces[k].spans) {
            float x = std::max(lo, a), y = std::min(hi, b);
            if (y - x > kEps) out.push_back({k, x, y});
        }
    std::sort(out.begin(), out.end(), [](const Overlap& x, const Overlap& y) { return x.a < y.a; });
    return out;
}

// The piece holding old fraction f.
const LinePiece* Holding(const std::vector<LinePiece>& pieces, float f) {
    for (const LinePiece& p : pieces)
        for (auto [a, b] : p.spans)
            if (f >= a - kEps && f <= b + kEps) return &p;
    return pieces.empty() ? nullptr : &pieces.front();
}

void RemapPieceLines(List<PieceLine>& list, bool outline, const Line* old, const std::vector<LinePiece>& pieces) {
    for (size_t i = 0; i < list.size(); ++i) {
        PieceLine* pl = list[i].get();
        if (pl->source.ptr != old || !IsLineKind(pl->source.kind & 0xFF)) continue;
        const float s = pl->start, e = pl->end;
        if (!Unit(s) || !Unit(e) || s == e) {
            pl->source.ptr = pieces.front().line;
            continue;
        }
        std::vector<Overlap> ov = Overlaps(pieces, std::min(s, e), std::max(s, e));
        if (ov.empty()) continue;
        if (s > e) std::reverse(ov.begin(), ov.end());
        PieceLine* cur = pl;
        PieceLine* endRef = outline ? nullptr : pl->nextSeg;
        for (size_t k = 0; k < ov.size(); ++k) {
            const LinePiece& p = pieces[ov[k].piece];
            float ns = s < e ? Map(p, ov[k].a) : Map(p, ov[k].b);
            float ne = s < e ? Map(p, ov[k].b) : Map(p, ov[k].a);
            PieceLine* target = cur;
            if (k > 0) {
                auto made = std::make_unique<PieceLine>(*pl);
                made->paired = nullptr;
                target = made.get();
                list.insert(list.begin() + long(++i), std::move(made));
                if (outline) {
                    // Chained in after the previous piece.
                    target->prevSeg = cur;
                    target->nextSeg = cur->nextSeg;
                    if (cur->nextSeg && cur->nextSeg->prevSeg == cur) cur->nextSeg->prevSeg = target;
                    cur->nextSeg = target;
                } else {
                    target->prevSeg = nullptr;
                    target->nextSeg = nullptr;
                }
            }
            target->source = {p.line, kKindLine};
            target->start = ns;
            target->end = ne;
            cur = target;
        }
        if (!outline && cur != pl) {
            // The trim at the end belongs to the last piece.
            pl->nextSeg = nullptr;
            cur->nextSeg = endRef;
        }
    }
}

// The margin of an allowance at old fraction f, linear between its points.
float MarginAt(const SeamValues& v, float f) {
    for (size_t i = 1; i < v.size(); ++i)
        if (f <= v.positions[i]) {
            float span = v.positions[i] - v.positions[i - 1];
            float t = span > 0.0f ? (f - v.positions[i - 1]) / span : 0.0f;
            return v.margins[i - 1] + std::clamp(t, 0.0f, 1.0f) * (v.margins[i] - v.margins[i - 1]);
        }
    return v.margins.back();
}

void RemapSeams(Part& part, const Line* old, const std::vector<LinePiece>& pieces) {
    auto& list = part.seamAllowances;
    for (size_t i = 0; i < list.size(); ++i) {
        SeamAllowance* s = list[i].get();
        if (s->baseLine != old) continue;
        auto v = ReadSeamValues(*s);
        if (!v) {
            s->baseLine = pieces.front().line;  // unsound: kept as it is, on a line that exists
            continue;
        }
        std::vector<Overlap> ov = Overlaps(pieces, v->start(), v->end());
        bool first = true;
        for (const Overlap& o : ov) {
            const LinePiece& p = pieces[o.piece];
            SeamValues nv;
            auto add = [&](float f, float m) {
                nv.positions.push_back(Map(p, f));
                nv.margins.push_back(p.reversed ? -m : m);  // the same side of the line
            };
            add(o.a, MarginAt(*v, o.a));
            for (size_t k = 0; k < v->size(); ++k)
                if (v->positions[k] > o.a + kEps && v->positions[k] < o.b - kEps) add(v->positions[k], v->margins[k]);
            add(o.b, MarginAt(*v, o.b));
            if (p.reversed) {
                std::reverse(nv.positions.begin(), nv.positions.end());
                std::reverse(nv.margins.begin(), nv.margins.end());
            }
            bool increasing = true;
            for (size_t k = 1; k < nv.size(); ++k) increasing = increasing && nv.positions[k] > nv.positions[k - 1];
            if (!increasing) continue;
            SeamAllowance* target = s;
            if (!first) {
                auto made = std::make_unique<SeamAllowance>(*s);
                target = made.get();
                list.insert(list.begin() + long(++i), std::move(made));
            }
            target->baseLine = p.line;
            StoreSeamValues(*target, nv);
            RebuildSeam(*target);
            first = false;
        }
        if (first) s->baseLine = pieces.front().line;
    }
}

// A reference with a stretch (f0, f1) along `old`: onto the piece holding its middle.
void RemapStretch(KindRef& ref, float& f0, float& f1, const Line* old, const std::vector<LinePiece>& pieces) {
    if (ref.ptr != old || !IsLineKind(ref.kind & 0xFF)) return;
    if (!Unit(f0) || !Unit(f1)) {
        ref.ptr = pieces.front().line;
        return;
    }
    const LinePiece* p = Holding(pieces, 0.5f * (f0 + f1));
    ref.ptr = p->line;
    f0 = Map(*p, f0);
    f1 = Map(*p, f1);
}

// A slot line keeps start <= end and its side when its piece runs the other way.
void RemapSlot(SlotLine& s, const Line* old, const std::vector<LinePiece>& pieces) {
    if (s.host.ptr != old || !IsLineKind(s.host.kind & 0xFF)) return;
    const LinePiece* p = Unit(s.f[0]) && Unit(s.f[1]) ? Holding(pieces, 0.5f * (s.f[0] + s.f[1])) : nullptr;
    RemapStretch(s.host, s.f[0], s.f[1], old, pieces);
    if (p && p->reversed) {
        std::swap(s.f[0], s.f[1]);
        s.f[3] = -s.f[3];
    }
}

// Marks, chamfers and dimensions name an end or a position of the line: they go to the piece
// holding it, a reversed piece turning the end round.
void RemapEnds(Part& part, const Line* old, const std::vector<LinePiece>& pieces) {
    auto on = [&](const KindRef& r) { return r.ptr == old && IsLineKind(r.kind & 0xFF); };
    // The piece holding old fraction f; whether the end named there is now the other end.
    auto move = [&](KindRef& r, float f) -> bool {
        const LinePiece* p = Holding(pieces, f);
        r.ptr = p->line;
        return p->reversed;
    };
    for (auto& m : part.marks) {
        if (on(m->host1) && Unit(m->f0)) {
            const LinePiece* p = Holding(pieces, m->f0);
            m->f0 = Map(*p, m->f0);
            m->host1.ptr = p->line;
        }
        if (on(m->host2)) move(m->host2, 0.5f);
    }
    for (auto& c : part.chamfers) {
        if (on(c->host1) && move(c->host1, (c->flags & (1u << 17)) ? 1.0f : 0.0f)) c->flags ^= 1u << 17;
        if (on(c->host2) && move(c->host2, (c->flags & (1u << 18)) ? 0.0f : 1.0f)) c->flags ^= 1u << 18;
    }
    for (auto& dm : part.dimensions)
        for (KindRef* r : {&dm->ref1, &dm->ref2})
            if (on(*r) && move(*r, (r->kind & (1u << 16)) ? 0.0f : 1.0f)) r->kind ^= 1u << 16;
}

struct FirstPiece {
    const Line* old;
    Line* to;
    void operator()(Line*& r) const {
        if (r == old) r = to;
    }
    void operator()(KindRef& r) const {
        if (r.ptr == old && IsLineKind(r.kind & 0xFF)) r.ptr = to;
    }
    void operator()(Pin*&) const {}
    void operator()(Motif*&) const {}
    void operator()(BasePoint*&) const {}
    void operator()(PieceLine*&) const {}
};

}  // namespace

void RemapLineReferences(Design& d, const Line* old, const std::vector<LinePiece>& pieces) {
    if (!old || pieces.empty()) return;
    for (auto& pc : d.pieces) {
        RemapPieceLines(pc->linesA, true, old, pieces);
        RemapPieceLines(pc->linesB, false, old, pieces);
    }
    for (auto& part : d.parts) {
        RemapSeams(*part, old, pieces);
        for (auto& l : part->symLineLinks) RemapStretch(l->target, l->f1, l->f2, old, pieces);
        for (auto& s : part->slotLines) RemapSlot(*s, old, pieces);
        RemapEnds(*part, old, pieces);
    }
    for (auto& pc : d.pieces)
        for (auto& s : pc->slotLines) RemapSlot(*s, old, pieces);
    // Whatever else names the old line without a position stays with its first piece. A line
    // that is its own first piece keeps those references as they are.
    if (pieces.front().line != old) {
        FirstPiece v{old, pieces.front().line};
        for (auto& pc : d.pieces) {
            for (auto& r : pc->marks) v(r->host1), v(r->host2);
            for (auto& r : pc->chamfers) v(r->host1), v(r->host2);
        }
    }
}

}  // namespace rz
