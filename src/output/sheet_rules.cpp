#include "output/sheet_rules.h"

#include "interact/text_strokes.h"
#include "model/font.h"

namespace rz {

namespace {

bool HiddenRecord(uint32_t flags) { return (flags & kFlagHidden) != 0; }

// One item of a piece; empty polylines make none.
void AddItem(ItemList& out, Polyline pts, int kind, int tool, int pen, int32_t piece) {
    if (pts.empty()) return;
    PlotItem it;
    it.points = std::move(pts);
    it.setKind(kind);
    it.setTool(tool);
    it.setPen(pen);
    it.pieceId = piece;
    out.push_back(std::move(it));
}

// Lines A of a part, joined where one ends at the next one's start.
Polyline JoinedOutline(const Part& p) {
    Polyline out;
    for (auto& l : p.linesA) {
        if (HiddenRecord(l->flags)) continue;
        const Polyline& e = l->eval;
        if (e.empty()) continue;
        size_t from = !out.empty() && out.back() == e.front() ? 1 : 0;
        out.insert(out.end(), e.begin() + long(from), e.end());
    }
    return out;
}

// The holes of a point row: the centre of each drawn point.
std::vector<PointF> PointRowHoles(const PointRow& r) {
    std::vector<PointF> out;
    for (const Polyline& pl : r.drawn) {
        if (pl.empty()) continue;
        float x0 = pl[0].x, x1 = x0, y0 = pl[0].y, y1 = y0;
        for (PointF q : pl) {
            x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        }
        out.push_back({(x0 + x1) / 2.0f, (y0 + y1) / 2.0f});
    }
    return out;
}

}  // namespace

void LaySheetFromPage(PLTC& sheet, const Design& d, int page, TFont* font) {
    sheet.clearItems();
    const SheetSettings& s = sheet.settings();
    const int cutPen = PenSlot(s, kToolFullCut), pen = PenSlot(s, kToolPen);
    for (auto& part : d.parts) {
        const Part& p = *part;
        if (p.hidden() || p.page() != page) continue;
        const int32_t id = sheet.nextPieceId;
        ItemList& out = sheet.items;
        AddItem(out, JoinedOutline(p), kItemOutline, kToolFullCut, cutPen, id);
        for (auto& l : p.linesB)
            if (!HiddenRecord(l->flags)) AddItem(out, l->eval, kItemInner, kToolPen, pen, id);
        for (auto& pin : p.pins)
            if (!HiddenRecord(pin->flags)) AddItem(out, {{pin->x, pin->y}}, kItemHole, kToolPen, pen, id);
        for (auto& m : p.motifs) {
            if (HiddenRecord(m->flags)) continue;
            for (const Polyline& pl : m->shape) {
                Polyline moved = pl;
                for (PointF& q : moved) q.x += m->x, q.y += m->y;
                AddItem(out, std::move(moved), kItemMotif, kToolPen, pen, id);
            }
        }
        for (auto& t : p.texts) {
            if (HiddenRecord(t->flags)) continue;
            Shape laid;
            const Shape* strokes = &t->strokes;
            if (strokes->empty() && font && font->hasData() && !t->text.empty()) {
                laid = TextStringStrokes(*t, *font);
                strokes = &laid;
            }
            for (const Polyline& pl : *strokes) AddItem(out, pl, kItemMotif, kToolPen, pen, id);
        }
        for (auto& r : p.pointRows) {
            if (HiddenRecord(r->flags)) continue;
            for (PointF q : PointRowHoles(*r)) AddItem(out, {q}, kItemHole, kToolPen, pen, id);
        }
        if (sheet.nextPieceId < INT32_MAX) ++sheet.nextPieceId;
    }
}

void AssignTools(ItemList& items, const SheetSettings& s) {
    const uint32_t bits = s.words[0];
    for (PlotItem& it : items) {
        // A half cut chosen for an item stays one while its feature is cut.
        const bool half = it.tool() == kToolHalfCut;
        auto cutOrPen = [&](uint32_t bit) { it.setTool(!(bits & bit) ? kToolPen : half ? kToolHalfCut : kToolFullCut); };
        switch (it.kind()) {
        case kItemHole: cutOrPen(kSheetCutPins); break;
        case kItemLabel: it.setTool(bits & kSheetCutLabels ? kToolHalfCut : kToolPen); break;
        case kItemMotif: cutOrPen(kSheetCutMotifs); break;
        case kItemInner: cutOrPen(kSheetCutInner); break;
        case kItemSlot: cutOrPen(kSheetCutSlots); break;
        default: break;
        }
        it.setPen(PenSlot(s, it.tool()));
    }
}

bool SetItemTool(PlotItem& item, const SheetSettings& s, int tool) {
    const bool changed = item.tool() != tool;
    item.setTool(tool);
    item.setPen(PenSlot(s, tool));
    return changed;
}

bool SetToolOnPicked(ItemList& items, const SheetSettings& s, int tool) {
    bool changed = false;
    for (PlotItem& it : items) {
        if (!(it.flags & kItemPicked)) continue;
        it.flags &= ~kItemPicked;
        const uint32_t before = it.flags;
        SetItemTool(it, s, tool);
        changed |= it.flags != before;
    }
    return changed;
}

void ClearJobBits(ItemList& items) {
    for (PlotItem& it : items) it.flags &= ~(kItemExcluded | kItemChosen);
}

void SelectForJob(ItemList& items, float W, float H, bool skipPens, bool skipCuts) {
    // Bits left by 打印 or an earlier order view would otherwise send stale items.
    ClearJobBits(items);
    for (PlotItem& it : items) {
        if (it.flags & kItemSetAside) continue;
        const int t = it.tool();
        // The corner-lifting knife cuts too: a pens-only job must not send it.
        if (t == kToolNone || (t == kToolPen && skipPens) || (t >= kToolHalfCut && skipCuts)) {
            it.flags |= kItemExcluded;
            continue;
        }
        if (it.points.empty()) continue;  // nothing to send
        bool inside = true;
        for (PointF q : it.points)
            if (!(q.x >= 0.0f && q.x <= W && q.y >= 0.0f && q.y <= H)) {
                inside = false;
                break;
            }
        if (inside) it.flags |= kItemChosen;
    }
}

void ShiftItems(ItemList& items, float dx, float dy) {
    for (PlotItem& it : items)
        for (PointF& q : it.points) q.x += dx, q.y += dy;
}

}  // namespace rz
