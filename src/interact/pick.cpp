#include "interact/pick.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "model/refs.h"

namespace rz {

namespace {

template <class T>
uint32_t FlagsOf(const T& r) {
    if constexpr (requires { r.flags; }) return r.flags;
    else return 0;
}

bool PointHit(const Polyline& pl, const RectF& r) {
    if (pl.size() == 1) return RectContains(r, pl.front());
    return PolyHitRect(r, pl).segment != 0;
}

bool ShapeHit(const Shape& sh, const RectF& r) {
    for (const auto& pl : sh)
        if (PointHit(pl, r)) return true;
    return false;
}

RectF Shifted(const RectF& r, float dx, float dy) {
    return {r.minX - dx, r.minY - dy, r.maxX - dx, r.maxY - dy};
}

bool PinNear(const Pin& p, const RectF& r) {
    float dx = std::max({r.minX - p.x, 0.0f, p.x - r.maxX});
    float dy = std::max({r.minY - p.y, 0.0f, p.y - r.maxY});
    float rad = std::fabs(p.diameter) * 0.5f;
    return dx * dx + dy * dy <= rad * rad || PointHit(p.outline, r);
}

bool MotifNear(const Motif& m, const RectF& r) {
    return RectContains(r, {m.x, m.y}) || ShapeHit(m.shape, Shifted(r, m.x, m.y));
}

bool AllInside(const Polyline& pl, const RectF& r) {
    return std::all_of(pl.begin(), pl.end(), [&](PointF p) { return RectContains(r, p); });
}

bool ShapeInside(const Shape& sh, const RectF& r) {
    for (const auto& pl : sh)
        if (!AllInside(pl, r)) return false;
    return true;
}

bool ShapeEmpty(const Shape& sh) {
    return std::all_of(sh.begin(), sh.end(), [](const Polyline& p) { return p.empty(); });
}

// Collects the near records of one part in the fixed list order; stops after the first unless
// `all` is set (then up to `limit` in total).
struct PartPicker {
    const RectF& r;
    uint32_t mask;
    bool all;
    size_t limit;
    const GeomIndex::PartEntry* entry;  // boxes of the part's lines, when indexed
    const GeomIndex* idx;
    std::vector<PickResult>& out;

    bool full() const { return out.size() >= limit || (!all && !out.empty()); }
    bool visible(uint32_t flags) const { return (mask & kPickHidden) || !(flags & kFlagHidden); }
    void add(Part& p, int kind, void* rec) {
        PickResult pr;
        pr.kind = kind;
        pr.record = rec;
        pr.part = &p;
        out.push_back(pr);
    }
    template <class T, class Near>
    void list(Part& p, uint32_t bit, int kind, List<T>& l, Near near) {
        if (!(mask & bit)) return;
        for (auto& rec : l) {
            if (full()) return;
            if (visible(FlagsOf(*rec)) && near(*rec)) add(p, kind, rec.get());
        }
    }
    // Lines of one list; `first` is the index of the list's first line in the index entry.
    void lines(Part& p, List<Line>& l, int kind, size_t first) {
        for (size_t i = 0; i < l.size(); ++i) {
            if (full()) return;
            const Line& line = *l[i];
            if (!visible(line.flags)) continue;
            if (entry && !RectsOverlap(idx->lines()[entry->first + first + i].box, r)) continue;
            RectHit h = PolyHitRect(r, line.eval);
            if (!h.segment) continue;
            add(p, kind, l[i].get());
            out.back().segment = h.segment;
            out.back().vertex = h.vertex;
        }
    }
    bool nodeOf(Part& p, List<Line>& l) {
        for (auto& line : l) {
            // A bad line is neither drawn nor picked, by its nodes either.
            if (!visible(line->flags) || line->eval.empty()) continue;
            for (size_t i = 0; i < line->nodes.size(); ++i)
                if (RectContains(r, line->nodes[i].pt())) {
                    add(p, kKindLineByPoint, line.get());
                    out.back().node = int(i);
                    return true;
                }
        }
        return false;
    }

    void run(Part& p) {
        auto at = [&](float x, float y) { return RectContains(r, {x, y}); };
        list(p, kPickBasePoints, kKindBasePoint, p.basePoints, [&](BasePoint& b) { return at(b.x, b.y); });
        list(p, kPickPins, kKindPin, p.pins, [&](Pin& q) { return PinNear(q, r); });
        if (mask & kPickGraded)
            list(p, kPickPins, kKindPin, p.gradedPins, [&](Pin& q) { return PinNear(q, r); });
        list(p, kPickPointRows, kKindPointRow, p.pointRows, [&](PointRow& q) { return ShapeHit(q.drawn, r); });
        list(p, kPickSlotLines, kKindSlotLine, p.slotLines,
             [&](SlotLine& q) { return PointHit(q.drawn1, r) || PointHit(q.drawn2, r); });
        list(p, kPickMarks, kKindMark, p.marks, [&](Mark& q) { return PointHit(q.drawn, r); });
        list(p, kPickChamfers, kKindChamfer, p.chamfers, [&](Chamfer& q) { return PointHit(q.drawn, r); });
        list(p, kPickSizeLabels, kKindSizeLabel, p.sizeLabels,
             [&](SizeLabel& q) { return at(q.x, q.y) || ShapeHit(q.strokes, r); });
        list(p, kPickNotches, kKindNotch, p.notches,
             [&](Notch& q) { return at(q.x, q.y) || PointHit(q.outline, r); });
        list(p, kPickMotifs, kKindMotif, p.motifs, [&](Motif& q) { return MotifNear(q, r); });
        if (mask & kPickGraded)
            list(p, kPickMotifs, kKindMotif, p.gradedMotifs, [&](Motif& q) { return MotifNear(q, r); });
        list(p, kPickTexts, kKindText, p.texts,
             [&](TextString& q) { return at(q.x, q.y) || ShapeHit(q.strokes, r); });
        list(p, kPickDimensions, kKindDimension, p.dimensions,
             [&](Dimension& q) { return ShapeHit(q.drawn1, r) || ShapeHit(q.drawn2, r); });
        if ((mask & kPickSeamAllowances) && !full()) {
            size_t before = out.size();
            // Seam allowances have no flag word of their own: they follow their base line.
            for (auto& sa : p.seamAllowances) {
                if (full()) break;
                if (sa->baseLine && !visible(sa->baseLine->flags)) continue;
                if (PointHit(sa->outline, r)) add(p, kKindSeamAllowance, sa.get());
            }
            if (out.size() == before && !(mask & kPickNoLineNodes) && !nodeOf(p, p.linesB))
                nodeOf(p, p.linesA);
        }
        list(p, kPickSymLineLinks, kKindSymLineLink, p.symLineLinks,
             [&](SymLineLink& q) { return PointHit(q.drawn, r); });
        list(p, kPickSymElemLinks, kKindSymElemLink, p.symElemLinks,
             [&](SymElemLink& q) { return PointHit(q.drawn, r); });
        if (mask & kPickLines) {
            lines(p, p.linesB, kKindLineB, entry ? entry->countA : 0);
            lines(p, p.linesA, kKindLineA, 0);
            if (mask & kPickGraded) {
                auto saved = entry;
                entry = nullptr;  // graded lines are not indexed
                lines(p, p.gradedLines, kKindLineB, 0);
                entry = saved;
            }
        }
    }
};

}  // namespace

PickResult PickAt(TDoc& doc, PointF p, uint32_t mask, const PickOptions& opt) {
    float h = std::fabs(opt.halfWidth);
    RectF r{p.x - h, p.y - h, p.x + h, p.y + h};
    if (mask & kPickScanLines) {
        if (doc.settings.displayFlags & kDispScan)
            for (auto& sl : doc.scanLines) {
                if ((sl->flags & kFlagHidden) && !(mask & kPickHidden)) continue;
                if (ShapeHit(sl->shape, r)) {
                    PickResult pr;
                    pr.kind = kKindScanLine;
                    pr.record = sl.get();
                    return pr;
                }
            }
    }
    if (mask & kPickPictures) {
        for (auto& pic : doc.pictures) {
            if (pic->word & kFlagHidden) continue;
            if (PointInPolygon(pic->corners, p) != 0) {
                PickResult pr;
                pr.kind = kKindPicture;
                pr.record = pic.get();
                return pr;
            }
        }
    }
    if (mask & kPickElements) {
        const GeomIndex* idx = opt.index && opt.index->matches(doc.design, opt.page) ? opt.index : nullptr;
        bool all = opt.chooseAmong;
        std::vector<PickResult> found;
        size_t k = 0;
        for (auto& part : doc.design.parts) {
            if (part->page() != opt.page || part->hidden()) continue;
            const GeomIndex::PartEntry* e = idx ? &idx->parts()[k++] : nullptr;
            PartPicker pp{r, mask, all, size_t(kMaxPickCandidates), e, idx, found};
            pp.run(*part);
            if (pp.full()) break;
        }
        if (found.size() == 1 || (!found.empty() && (!all || !opt.chooser))) return found.front();
        if (found.size() > 1) {
            int i = opt.chooser->choose(found, [&](int j) {
                if (opt.highlight && j >= 0 && size_t(j) < found.size()) opt.highlight(found[size_t(j)]);
            });
            if (i >= 0 && size_t(i) < found.size()) return found[size_t(i)];
            return {};
        }
    }
    if (mask & kPickPart) {
        if (Part* part = PartAt(doc.design, opt.page, p, (mask & kPickHidden) != 0)) {
            PickResult pr;
            pr.kind = kKindPart;
            pr.record = part;
            pr.part = part;
            return pr;
        }
    }
    return {};
}

PiecePick PickInPiece(Piece& pc, PointF p, float halfWidth) {
    float h = std::fabs(halfWidth);
    RectF r{p.x - h, p.y - h, p.x + h, p.y + h};
    PiecePick out;
    auto hit = [&](int kind, void* rec) {
        out.kind = kind;
        out.record = rec;
        return out;
    };
    for (auto& q : pc.sizeLabels)
        if (RectContains(r, {q->x, q->y}) || ShapeHit(q->strokes, r)) return hit(kKindSizeLabel, q.get());
    for (auto& q : pc.texts)
        if (RectContains(r, {q->x, q->y}) || ShapeHit(q->strokes, r)) return hit(kKindText, q.get());
    for (auto& q : pc.slotLines)
        if (PointHit(q->drawn1, r) || PointHit(q->drawn2, r)) return hit(kKindSlotLine, q.get());
    for (auto& q : pc.marks)
        if (PointHit(q->drawn, r)) return hit(kKindMark, q.get());
    for (auto& q : pc.chamfers)
        if (PointHit(q->drawn, r)) return hit(kKindChamfer, q.get());
    for (auto& m : pc.members) {
        uint32_t k = m->element.kind & 0xFF;
        bool near = ShapeHit(m->drawn, r);
        if (!near && k == kKindPin && m->element.ptr) near = PinNear(*m->element.as<Pin>(), r);
        if (near && k != kKindPieceLine) {
            hit(int(k), m.get());
            out.member = true;
            return out;
        }
    }
    for (auto& q : pc.linesA)
        if (PointHit(q->drawn1, r)) {
            hit(kKindPieceLine, q.get());
            out.lineA = true;
            return out;
        }
    for (auto& q : pc.linesB)
        if (PointHit(q->drawn1, r)) return hit(kKindPieceLine, q.get());
    return out;
}

Part* PartAt(Design& d, int page, PointF p, bool includeHidden, const Part* skip) {
    for (auto& part : d.parts) {
        if (part->page() != page || (!includeHidden && part->hidden()) || part.get() == skip) continue;
        if (page == 3) return part.get();
        if (part->outline.size() >= 3 && PointInPolygon(part->outline, p) != 0) return part.get();
    }
    return nullptr;
}

bool ClearSelection(Design& d, int page) {
    bool changed = false;
    auto clear = [&](uint32_t& f) {
        if (f & kFlagSelected) {
            f &= ~kFlagSelected;
            changed = true;
        }
    };
    auto clearList = [&](auto& l) {
        for (auto& r : l) clear(r->flags);
    };
    for (auto& p : d.parts) {
        if (p->page() != page) continue;
        clear(p->flags);
        clearList(p->gradedLines), clearList(p->gradedPins), clearList(p->gradedMotifs);
        clearList(p->linesA), clearList(p->linesB), clearList(p->pins), clearList(p->sizeLabels);
        clearList(p->notches), clearList(p->motifs), clearList(p->texts), clearList(p->dimensions);
        clearList(p->basePoints), clearList(p->pointRows), clearList(p->slotLines);
        clearList(p->marks), clearList(p->chamfers);
    }
    return changed;
}

bool SelectInRect(Design& d, int page, const RectF& r, bool crossing, uint32_t mask) {
    bool changed = false;
    auto mark = [&](uint32_t& f, bool hit) {
        if (hit && !(f & kFlagSelected)) {
            f |= kFlagSelected;
            changed = true;
        }
    };
    auto polyHit = [&](const Polyline& pl) { return crossing ? PointHit(pl, r) : !pl.empty() && AllInside(pl, r); };
    auto shapeHit = [&](const Shape& sh, float dx, float dy, PointF at) {
        if (ShapeEmpty(sh)) return RectContains(r, at);
        RectF rr = Shifted(r, dx, dy);
        return crossing ? ShapeHit(sh, rr) : ShapeInside(sh, rr);
    };
    for (auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        if (mask & kPickLines)
            for (auto& l : p->linesB)
                if (!(l->flags & kFlagHidden)) mark(l->flags, polyHit(l->eval));
        if (mask & kPickPins)
            for (auto& q : p->pins)
                if (!(q->flags & kFlagHidden))
                    mark(q->flags, crossing ? PinNear(*q, r) : RectContains(r, {q->x, q->y}));
        if (mask & kPickMotifs)
            for (auto& q : p->motifs)
                if (!(q->flags & kFlagHidden)) mark(q->flags, shapeHit(q->shape, q->x, q->y, {q->x, q->y}));
        if (mask & kPickTexts)
            for (auto& q : p->texts)
                if (!(q->flags & kFlagHidden)) mark(q->flags, shapeHit(q->strokes, 0, 0, {q->x, q->y}));
        if (mask & kPickBasePoints)
            for (auto& q : p->basePoints)
                if (!(q->flags & kFlagHidden)) mark(q->flags, RectContains(r, {q->x, q->y}));
    }
    return changed;
}

bool ToggleSelected(const PickResult& pr) {
    uint32_t* f = nullptr;
    switch (pr.kind) {
    case kKindPin: f = &pr.as<Pin>()->flags; break;
    case kKindMotif: f = &pr.as<Motif>()->flags; break;
    case kKindText: f = &pr.as<TextString>()->flags; break;
    case kKindBasePoint: f = &pr.as<BasePoint>()->flags; break;
    case kKindLineA:
    case kKindLineB: f = &pr.as<Line>()->flags; break;
    case kKindScanLine: f = &pr.as<ScanLine>()->flags; break;
    default: return false;
    }
    *f ^= kFlagSelected;
    return true;
}

Part* FirstSelected(Design& d, uint32_t mask, int page) {
    auto any = [](const auto& l) {
        return std::any_of(l.begin(), l.end(), [](const auto& r) { return (r->flags & kFlagSelected) != 0; });
    };
    for (auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        if (((mask & kPickLines) && (any(p->linesA) || any(p->linesB))) || ((mask & kPickPins) && any(p->pins)) ||
            ((mask & kPickSizeLabels) && any(p->sizeLabels)) || ((mask & kPickNotches) && any(p->notches)) ||
            ((mask & kPickMotifs) && any(p->motifs)) || ((mask & kPickTexts) && any(p->texts)) ||
            ((mask & kPickDimensions) && any(p->dimensions)) || ((mask & kPickBasePoints) && any(p->basePoints)) ||
            ((mask & kPickPointRows) && any(p->pointRows)) || ((mask & kPickSlotLines) && any(p->slotLines)) ||
            ((mask & kPickMarks) && any(p->marks)) || ((mask & kPickChamfers) && any(p->chamfers)))
            return p.get();
    }
    return nullptr;
}

bool DeleteSelected(Design& d, int page) {
    auto sel = [](const auto& r) { return (r->flags & kFlagSelected) != 0; };
    auto any = [&](const auto& l) { return std::any_of(l.begin(), l.end(), sel); };
    Part* part = nullptr;
    for (auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        if (any(p->linesB) || any(p->pins) || any(p->motifs) || any(p->texts) || any(p->basePoints)) {
            part = p.get();
            break;
        }
    }
    if (!part) return false;
    std::vector<BasePoint*> bases;
    for (auto& b : part->basePoints)
        if (sel(b)) bases.push_back(b.get());
    for (BasePoint* b : bases) DeleteBasePoint(d, *part, b);
    RemovalSet gone;
    auto gather = [&](auto& l) {
        for (auto& r : l)
            if (sel(r)) gone.records.insert(r.get());
    };
    gather(part->linesB), gather(part->pins), gather(part->motifs), gather(part->texts);
    ClearReferencesTo(d, gone);
    auto drop = [&](auto& l) { std::erase_if(l, [&](const auto& r) { return gone.contains(r.get()); }); };
    drop(part->linesB), drop(part->pins), drop(part->motifs), drop(part->texts);
    PurgeDangling(d);
    return true;
}

}  // namespace rz
