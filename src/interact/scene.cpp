#include "interact/scene.h"

#include <algorithm>
#include <cmath>

#include "geom/polyline.h"
#include "interact/colours.h"

namespace rz {

namespace {

bool Inside(const RectF& r, PointF p) {
    return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY;
}

bool Selected(uint32_t f) { return (f & kFlagSelected) != 0; }
bool Hidden(uint32_t f) { return (f & kFlagHidden) != 0; }

// Whether the record a kind reference points at is selected.
bool RefSelected(const KindRef& r) {
    if (!r.ptr) return false;
    switch (r.kind & 0xFF) {
    case kKindPin: return Selected(r.as<Pin>()->flags);
    case kKindMotif: return Selected(r.as<Motif>()->flags);
    case kKindBasePoint: return Selected(r.as<BasePoint>()->flags);
    case kKindPointRow: return Selected(r.as<PointRow>()->flags);
    case kKindSlotLine: return Selected(r.as<SlotLine>()->flags);
    case kKindLine:
    case kKindLineA:
    case kKindLineB: return Selected(r.as<Line>()->flags);
    default: return false;
    }
}

bool RefIsHiddenLine(const KindRef& r) {
    uint32_t k = r.kind & 0xFF;
    return r.ptr && (k == kKindLine || k == kKindLineA || k == kKindLineB) &&
           Hidden(r.as<Line>()->flags);
}

}  // namespace

bool IsFixedBasePoint(const BasePoint& b) {
    if (!b.sharedNotes || b.sharedNotes->empty()) return false;
    uint8_t first = (*b.sharedNotes)[0] & 0x7F;
    return std::all_of(b.sharedNotes->begin(), b.sharedNotes->end(),
                       [&](uint8_t v) { return (v & 0x7F) == first; });
}

struct SceneBuilder::Ctx {
    const Settings& s;
    const Design& d;
    bool aux, frontSym, hiddenDisp, allSizes, shared, fixedDist, endMarks;
    uint32_t colour(int slot) const { return s.colours[size_t(slot)]; }
    bool frontSymColour(const Line* fs) const { return fs && aux && frontSym; }
};

void SceneBuilder::pen(uint32_t colour, int width) {
    c_.setColour(colour);
    c_.setWidth(width);
}

void SceneBuilder::flush() {
    if (run_.size() >= 2) c_.polyline(run_.data(), run_.size());
    run_.clear();
}

void SceneBuilder::drawPolyline(const PointF* pts, std::size_t n, float dx, float dy) {
    run_.clear();
    if (n == 0) return;
    if (v_.zoom() > kClipZoom) {
        // Huge pixel coordinates never reach the drawing layer: each segment is clipped to
        // the visible rectangle, and a run continues only through points inside it.
        const RectF& r = v_.visible;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            PointF a{pts[i].x + dx, pts[i].y + dy}, b{pts[i + 1].x + dx, pts[i + 1].y + dy};
            bool aInside = Inside(r, a);
            if (!ClipSegmentToRect(r, a, b)) {
                flush();
                continue;
            }
            if (!aInside || run_.empty()) {
                flush();
                run_.push_back(v_.toPixel(a));
            }
            PixelPoint pb = v_.toPixel(b);
            if (!(pb == run_.back())) run_.push_back(pb);
            if (!Inside(r, {pts[i + 1].x + dx, pts[i + 1].y + dy})) flush();
        }
        flush();
        return;
    }
    run_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        PixelPoint p = v_.toPixel({pts[i].x + dx, pts[i].y + dy});
        if (run_.empty() || !(p == run_.back())) run_.push_back(p);
    }
    if (run_.size() == 1) run_.push_back(run_[0]);  // a polyline within one pixel is a dot
    c_.polyline(run_.data(), run_.size());
    run_.clear();
}

void SceneBuilder::plus(PointF at, int arm) {
    PixelPoint c = v_.toPixel(at);
    c_.line({c.x - arm, c.y}, {c.x + arm + 1, c.y});
    c_.line({c.x, c.y - arm}, {c.x, c.y + arm + 1});
}

void SceneBuilder::grid(float unit) {
    if (!(unit > 0.0f)) return;
    int spacing = RoundPx(double(unit) * v_.s);
    if (spacing < 9) return;
    const RectF& vis = v_.visible;
    const PixelRect& dr = v_.draw;
    auto kind = [&](long k) {
        if (k % 10 == 0) pen(kColGridTenth, 2);
        else pen(kColGrid, 1);
    };
    for (long k = RoundPx(vis.minX / unit), end = RoundPx(vis.maxX / unit); k < end; ++k) {
        kind(k);
        int x = v_.toPixel({float(k * double(unit)), 0.0f}).x;
        c_.line({x, dr.top}, {x, dr.bottom});
    }
    for (long k = RoundPx(vis.minY / unit), end = RoundPx(vis.maxY / unit); k < end; ++k) {
        kind(k);
        int y = v_.toPixel({0.0f, float(k * double(unit))}).y;
        c_.line({dr.left, y}, {dr.right, y});
    }
}

void SceneBuilder::line(const Ctx& x, const Part& p, const Line& l, bool dim) {
    if (l.eval.empty()) return;  // a bad line is not drawn
    uint32_t col;
    const BasePoint* first = p.basePoints.empty() ? nullptr : p.basePoints.front().get();
    if (Selected(l.flags)) col = x.colour(kColHighlight);
    else if (x.frontSymColour(l.frontSym)) col = x.colour(kColFrontSym);
    else if (l.lineType() == 1) col = x.colour(kColLengthLine);
    else if (l.lineType() == 2) col = x.colour(kColWidthLine);
    else if (x.aux && l.basePoint && l.basePoint != first && IsFixedBasePoint(*l.basePoint))
        col = x.colour(kColFixed);
    else if (l.flags & kLineAuxiliary) col = x.colour(kColAuxLine);
    else if (l.margin != 0.0f && !(x.d.flags & kDesignMarginFullColour)) col = Dim(l.colour);
    else col = l.colour;
    if (dim) col = Dim(col);
    pen(col, int((l.flags >> kLineWidthShift) & 0xF));
    bool dashed = (l.flags & kLineAuxiliary) && x.s.dashLong > 0 && x.s.dashShort > 0;
    if (dashed) c_.setDash(x.s.dashLong, x.s.dashShort);
    drawPolyline(l.eval);
    if (dashed) c_.setDash(0, 0);
    if (l.margin != 0.0f && !l.second.empty()) {
        pen(dim ? Dim(x.colour(kColMargin)) : x.colour(kColMargin), 1);
        drawPolyline(l.second);
    }
    if (x.endMarks && !(l.flags & kLineNoPreview)) {
        c_.setColour(kColEndMark);
        for (PointF e : {l.eval.front(), l.eval.back()}) {
            PixelPoint q = v_.toPixel(e);
            c_.fillRect({q.x - 1, q.y - 1, q.x + 2, q.y + 2});
        }
    }
}

void SceneBuilder::pin(const Ctx& x, const Pin& p, bool dim) {
    uint32_t col = Selected(p.flags)              ? x.colour(kColHighlight)
                   : x.frontSymColour(p.frontSym) ? x.colour(kColFrontSym)
                                                  : kColElement;
    pen(dim ? Dim(col) : col, 1);
    drawPolyline(p.outline);
    plus({p.x, p.y}, 1);
}

void SceneBuilder::motif(const Ctx& x, const Motif& m, bool dim) {
    uint32_t col = Selected(m.flags)              ? x.colour(kColHighlight)
                   : x.frontSymColour(m.frontSym) ? x.colour(kColFrontSym)
                                                  : kColElement;
    pen(dim ? Dim(col) : col, 1);
    drawShape(m.shape, m.x, m.y);
    plus({m.x, m.y}, 1);
}

void SceneBuilder::part(const Ctx& x, const Part& p) {
    // 1. Graded sizes.
    if (x.allSizes) {
        for (auto& l : p.gradedLines)
            if (!Hidden(l->flags)) line(x, p, *l, false);
        for (auto& m : p.gradedMotifs)
            if (!Hidden(m->flags)) motif(x, *m, false);
        for (auto& q : p.gradedPins)
            if (!Hidden(q->flags)) pin(x, *q, false);
    }
    // 2. Auxiliary records.
    if (x.aux) {
        for (auto& r : p.sizeLabels) {
            if (Hidden(r->flags)) continue;
            pen(Selected(r->flags) ? kColSelectedFixed : r->colour);
            drawShape(r->strokes);
        }
        pen(kColDimension);
        for (auto& r : p.dimensions) {
            if (Hidden(r->flags) || RefIsHiddenLine(r->ref1) || RefIsHiddenLine(r->ref2)) continue;
            drawShape(r->drawn1);
            drawShape(r->drawn2);
        }
        pen(x.colour(kColMargin), 2);
        for (auto& r : p.seamAllowances) drawPolyline(r->outline);
        pen(x.colour(kColSymLink));
        for (auto& r : p.symLineLinks) drawPolyline(r->drawn);
        pen(kColSlot);
        for (auto& r : p.slotLines) {
            if (Hidden(r->flags)) continue;
            drawPolyline(r->drawn1);
            drawPolyline(r->drawn2);
        }
        pen(kColNotch);
        for (auto& r : p.marks)
            if (!Hidden(r->flags)) drawPolyline(r->drawn);
        pen(kColSlot);
        for (auto& r : p.chamfers)
            if (!Hidden(r->flags)) drawPolyline(r->drawn);
        pen(x.colour(kColSymLink));
        for (auto& r : p.symElemLinks) {
            drawPolyline(r->drawn);
            uint32_t k = r->element.kind & 0xFF;
            if (r->element.ptr && k == kKindPin) plus({r->element.as<Pin>()->x, r->element.as<Pin>()->y}, 1);
            else if (r->element.ptr && k == kKindMotif)
                plus({r->element.as<Motif>()->x, r->element.as<Motif>()->y}, 1);
            else if (!r->drawn.empty()) plus(r->drawn.front(), 1);
        }
    }
    // 3. Notches, text strings, lines B, motifs, pins.
    pen(kColNotch);
    for (auto& r : p.notches)
        if (!Hidden(r->flags)) drawPolyline(r->outline);
    for (auto& t : p.texts) {
        if (Hidden(t->flags)) continue;
        pen(Selected(t->flags) ? x.colour(kColHighlight) : kColElement);
        drawShape(t->strokes);
        plus({t->x, t->y}, 2);
    }
    for (auto& l : p.linesB)
        if (!Hidden(l->flags)) line(x, p, *l, false);
    for (auto& m : p.motifs)
        if (!Hidden(m->flags)) motif(x, *m, false);
    for (auto& q : p.pins)
        if (!Hidden(q->flags)) pin(x, *q, false);
    // 4. Lines A, or the outline of a part selected as a whole.
    if (Selected(p.flags) && !p.outline.empty()) {
        pen(x.colour(kColHighlight), 1);
        drawPolyline(p.outline);
    } else {
        for (auto& l : p.linesA)
            if (!Hidden(l->flags)) line(x, p, *l, false);
    }
    // 5. Base points.
    for (auto& b : p.basePoints) {
        if (Hidden(b->flags)) continue;
        uint32_t col = Selected(b->flags)              ? x.colour(kColHighlight)
                       : x.frontSymColour(b->frontSym) ? x.colour(kColFrontSym)
                       : IsFixedBasePoint(*b)          ? x.colour(kColFixed)
                                                       : kColBasePoint;
        pen(col, 1);
        drawShape(b->drawn1);
        pen(kColBasePoint2, 2);
        drawShape(b->drawn2);
    }
    // 6. Point rows, shared zones, fixed distances.
    if (x.aux) {
        for (auto& r : p.pointRows) {
            if (Hidden(r->flags)) continue;
            pen(Selected(r->flags) ? x.colour(kColHighlight) : kColElement);
            drawShape(r->drawn);
        }
        if (x.shared)
            for (auto& z : p.sharedZones) {
                if (z->host && Selected(z->host->flags)) continue;
                for (size_t i = 0; i < z->drawn.size(); ++i) {
                    pen(x.colour(i % 3 == 1 ? kColSharedZone : kColBlendZone));
                    drawPolyline(z->drawn[i]);
                }
            }
        if (x.fixedDist)
            for (auto& f : p.fixedDistances) {
                if (RefSelected(f->first)) continue;
                uint32_t k = f->first.kind & 0xFF;
                bool onLine = f->first.ptr && (k == kKindLine || k == kKindLineA || k == kKindLineB);
                for (size_t i = 0; i < f->drawn.size(); ++i) {
                    bool master = i == 0 || !onLine || i % 3 == 1;
                    pen(x.colour(master ? kColFixedDistance : kColBlendZone));
                    drawPolyline(f->drawn[i]);
                }
            }
    }
    // 7. Hidden records, dimmed.
    if (x.hiddenDisp) {
        for (const List<Line>* l : {&p.linesA, &p.linesB})
            for (auto& ln : *l)
                if (Hidden(ln->flags)) line(x, p, *ln, true);
        for (auto& q : p.pins)
            if (Hidden(q->flags)) pin(x, *q, true);
        for (auto& m : p.motifs)
            if (Hidden(m->flags)) motif(x, *m, true);
    }
}

void SceneBuilder::piece(const Ctx& x, const Piece& pc) {
    pen(ToolColour((pc.flags >> 8) & 0xF));
    drawPolyline(pc.outline);
    for (auto& pl : pc.linesA)
        if (pl->flags & (1u << 17)) {
            pen(ToolColour(pl->flags & 0xF));
            drawPolyline(pl->drawn1);
            break;
        }
    for (const List<PieceLine>* l : {&pc.linesA, &pc.linesB})
        for (auto& pl : *l) {
            pen(ToolColour(pl->flags & 0xF));
            drawPolyline(pl->drawn1);
            drawPolyline(pl->drawn2);
        }
    pen(ToolColour((pc.flags >> 8) & 0xF));
    for (auto& m : pc.members) drawShape(m->drawn);
    for (auto& r : pc.sizeLabels) {
        pen(ToolColour(r->flags & 0xF));
        drawShape(r->strokes);
    }
    for (auto& r : pc.notches) {
        pen(ToolColour(r->flags & 0xF));
        drawPolyline(r->outline);
    }
    for (auto& r : pc.texts) {
        pen(ToolColour(r->flags & 0xF));
        drawShape(r->strokes);
    }
    for (auto& r : pc.pointRows) {
        pen(ToolColour(r->flags & 0xF));
        drawShape(r->drawn);
    }
    for (auto& r : pc.slotLines) {
        pen(ToolColour(r->flags & 0xF));
        drawPolyline(r->drawn1);
        drawPolyline(r->drawn2);
    }
    for (auto& r : pc.marks) {
        pen(ToolColour(r->flags & 0xF));
        drawPolyline(r->drawn);
    }
    for (auto& r : pc.chamfers) {
        pen(ToolColour(r->flags & 0xF));
        drawPolyline(r->drawn);
    }
}

void SceneBuilder::pieceThumbnail(const Settings& s, const Design& d, const Piece& pc) {
    Ctx x{s, d, false, false, false, false, false, false, false};
    c_.setDash(0, 0);
    piece(x, pc);
}

void SceneBuilder::front(const TDoc& doc, const SceneHooks* hooks) {
    const Settings& s = doc.settings;
    const uint32_t df = s.displayFlags;
    Ctx x{s,
          doc.design,
          (df & kDispAux) != 0,
          (df & kDispFrontSym) != 0,
          (df & kDispHidden) != 0,
          (df & kDispAllSizes) != 0,
          (df & kDispShared) != 0,
          (df & kDispFixedDist) != 0,
          (df & kDispEndMarks) != 0};
    c_.setDash(0, 0);
    // 1. Background.
    c_.setColour(x.colour(kColWorkBackground));
    c_.fillRect(v_.draw);
    // 2. Grid.
    if (df & kDispGrid) grid(s.gridUnit);
    // 3. Origin mark.
    pen(kColOriginMark, 1);
    PixelPoint o = v_.toPixel({0.0f, 0.0f});
    c_.line(o, {o.x + 20, o.y});
    c_.line(o, {o.x, o.y - 20});
    // 4. The point-operation tool draws instead of the design while it has a step.
    if (!(hooks && hooks->pointOperation && hooks->pointOperation(c_))) {
        // 5. Background pictures, mapped onto their four corners.
        for (auto& pic : doc.pictures) {
            if (Hidden(pic->word) || !pic->pixels || !pic->pixels->valid()) continue;
            std::array<PointF, 4> q;
            for (int i = 0; i < 4; ++i) {
                PointF m = pic->corners[size_t(i)];
                q[size_t(i)] = {float(v_.bx() + double(m.x) * v_.s), float(v_.by() - double(m.y) * v_.s)};
            }
            // The mirror settings flip the picture within its own frame.
            if (s.generalFlags & kGenPictureMirrorX) std::swap(q[0], q[1]), std::swap(q[2], q[3]);
            if (s.generalFlags & kGenPictureMirrorY) std::swap(q[0], q[3]), std::swap(q[1], q[2]);
            c_.image(*pic->pixels, q);
        }
        // 6. Scan lines.
        if (df & kDispScan)
            for (auto& sl : doc.scanLines) {
                bool hidden = Hidden(sl->flags);
                if (hidden && !x.hiddenDisp) continue;
                uint32_t col = Selected(sl->flags) ? kColSelectedFixed : sl->value;
                pen(hidden ? Dim(col) : col, 1);
                drawShape(sl->shape);
            }
        // 7. Parts of the current page.
        for (auto& p : doc.design.parts)
            if (!p->hidden() && p->page() == doc.currentPage()) part(x, *p);
        // 8. Pieces.
        for (auto& pc : doc.design.pieces)
            if (!Hidden(pc->flags)) piece(x, *pc);
    }
    // 9. Snap marker.
    if (hooks && hooks->snapMarker) hooks->snapMarker(c_);
}

void SceneBuilder::back(const SheetDisplay& sh, const Settings& s) {
    c_.setDash(0, 0);
    c_.setColour(s.colours[kColWorkBackground]);
    c_.fillRect(v_.draw);
    // Sheet frame.
    pen(kColSheetFrame, 1);
    PixelPoint a = v_.toPixel({0.0f, 0.0f}), b = v_.toPixel({sh.range.w, sh.range.h});
    PixelPoint frame[5] = {a, {b.x, a.y}, b, {a.x, b.y}, a};
    c_.polyline(frame, 5);
    // Ruler across the whole buffer.
    if (sh.flags & kSheetRuler) {
        pen(kColRuler, 1);
        PixelPoint r = v_.toPixel(sh.ruler);
        PixelRect full = v_.fullBuffer();
        c_.line({full.left, r.y}, {full.right, r.y});
        c_.line({r.x, full.top}, {r.x, full.bottom});
    }
    // Border with a square at each visible vertex.
    if ((sh.flags & kSheetBorder) && !sh.border.empty()) {
        pen(kColSheetBorder, 1);
        // Always clipped: the border may reach far beyond the window at any zoom.
        for (size_t i = 0; i + 1 < sh.border.size(); ++i) {
            PointF p = sh.border[i], q = sh.border[i + 1];
            if (ClipSegmentToRect(v_.visible, p, q)) c_.line(v_.toPixel(p), v_.toPixel(q));
        }
        for (PointF p : sh.border)
            if (Inside(v_.visible, p)) {
                PixelPoint c = v_.toPixel(p);
                c_.fillRect({c.x - 2, c.y - 2, c.x + 3, c.y + 3});
            }
    }
    // Plot items.
    for (auto& it : sh.items) {
        if (!it.points) continue;
        uint32_t col = (it.flags & kItemChosen)   ? 0x006020u
                       : (it.flags & kItemPicked) ? s.colours[kColHighlight]
                       : (it.flags & kItemResult) ? 0x808080u
                                                  : ToolColour(it.tool >= 1 && it.tool <= 4 ? it.tool : 5);
        if (it.flags & kItemSetAside) col = Halve(col);
        pen(col, 1);
        drawPolyline(*it.points);
    }
}

bool FitSheetView(const SheetDisplay& sheet, View& v) {
    RectF box{};
    bool any = false;
    for (auto& it : sheet.items) {
        if (!it.points) continue;
        for (PointF p : *it.points) {
            if (!any) {
                box = {p.x, p.y, p.x, p.y};
                any = true;
            }
            box.minX = std::min(box.minX, p.x);
            box.minY = std::min(box.minY, p.y);
            box.maxX = std::max(box.maxX, p.x);
            box.maxY = std::max(box.maxY, p.y);
        }
    }
    return any && v.fitBox(box);
}

void RedrawFront(const TDoc& doc, const View& v, Canvas& c, const SceneHooks* hooks) {
    SceneBuilder(v, c).front(doc, hooks);
}

void RedrawBack(const SheetDisplay& sheet, const Settings& s, const View& v, Canvas& c) {
    SceneBuilder(v, c).back(sheet, s);
}

}  // namespace rz
