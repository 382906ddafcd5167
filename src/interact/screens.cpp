#include "interact/screens.h"

#include <algorithm>
#include <cstdio>

#include "model/afterload.h"

namespace rz {

const std::array<RangeRow, 4>& RangeTable() {
    static const std::array<RangeRow, 4> rows{{{"A3", 45720.0f, 30480.0f},
                                               {"A1", 91440.0f, 60960.0f},
                                               {"A0", 121920.0f, 91440.0f},
                                               {"A00", 182880.0f, 121920.0f}}};
    return rows;
}

WorkRange FrontWorkRange(int row, float customW, float customH) {
    if (row >= 0 && row <= 3) return {RangeTable()[size_t(row)].w, RangeTable()[size_t(row)].h};
    if (row < 0) return {RangeTable()[0].w, RangeTable()[0].h};
    return {customW, customH};
}

std::string FormatRangeValue(float units, const Settings& s) {
    char buf[64];
    if (s.centimetreDisplay == 1)
        std::snprintf(buf, sizeof buf, "%.1f%s", double(units) / 1000.0, "厘米");
    else
        std::snprintf(buf, sizeof buf, "%.1f%s", double(units) / 100.0, "毫米");
    return buf;
}

void StoreView(const View& v, const ToolState& tool, ScreenView& sv) {
    sv.tool = tool;
    sv.held = v.heldView;
    sv.range = v.range;
    sv.s0 = v.s0;
    sv.s = v.s;
    sv.ox = v.ox;
    sv.oy = v.oy;
    sv.bx = v.bx();
    sv.by = v.by();
    sv.visible = v.visible;
}

void LoadView(const ScreenView& sv, View& v, ToolState& tool) {
    tool = sv.tool;
    v.heldView = sv.held;
    v.range = sv.range;
    v.s0 = sv.s0;
    v.s = sv.s;
    v.ox = sv.ox;
    v.oy = sv.oy;
    v.draw = v.fullBuffer();
    v.refreshVisible();
}

void MakeSurfaces(ViewState& vs, int W, int H, WorkRange front, WorkRange sheet0, WorkRange sheet1,
                  int maxMargin) {
    const WorkRange ranges[3] = {front, sheet0, sheet1};
    for (int i = 2; i >= 0; --i) {
        View v;
        v.make(W, H, ranges[i], maxMargin);
        ToolState keep = vs.screens[size_t(i)].tool;
        StoreView(v, keep, vs.screens[size_t(i)]);
    }
    vs.view.make(W, H, front, maxMargin);
    vs.backShown = false;
}

void ResizeSurfaces(ViewState& vs, int W, int H) {
    int shown = vs.shownIndex();
    for (int i = 0; i < 3; ++i) {
        if (i == shown) continue;
        View v = vs.view;
        ToolState t;
        LoadView(vs.screens[size_t(i)], v, t);
        v.resize(W, H);
        StoreView(v, t, vs.screens[size_t(i)]);
    }
    vs.view.resize(W, H);
}

bool SetFrontWorkRange(ViewState& vs, WorkRange r) {
    if (!r.valid()) return false;
    if (!vs.backShown) return vs.view.setWorkRange(r);
    View v = vs.view;
    ToolState t;
    LoadView(vs.screens[0], v, t);
    v.setWorkRange(r);
    StoreView(v, t, vs.screens[0]);
    return true;
}

bool SwapScreens(ViewState& vs, ToolState& tool) {
    ToolState before = tool;
    StoreView(vs.view, tool, vs.screens[size_t(vs.shownIndex())]);
    vs.backShown = !vs.backShown;
    LoadView(vs.screens[size_t(vs.shownIndex())], vs.view, tool);
    return tool.mode != before.mode;
}

void SwitchSheet(ViewState& vs, ToolState& tool) {
    if (vs.backShown) StoreView(vs.view, tool, vs.screens[size_t(vs.shownIndex())]);
    vs.currentSheet = vs.currentSheet == 0 ? 1 : 0;
    if (vs.backShown) LoadView(vs.screens[size_t(vs.shownIndex())], vs.view, tool);
}

int SelectPage(TDoc& doc, int n) {
    doc.setCurrentPage(n);
    return doc.currentPage();
}

bool NextPageCommand(TDoc& doc, ViewState& vs, ToolState& tool) {
    if (vs.backShown) {
        SwitchSheet(vs, tool);
        return true;
    }
    int before = doc.currentPage();
    doc.setCurrentPage(NextPage(doc.design, before));
    return doc.currentPage() != before;
}

namespace {

bool AuxApply(uint32_t& flags, bool on) {
    if (on) {
        if (!(flags & kFlagAuxHidden)) return false;
        flags &= ~(kFlagAuxHidden | kFlagHidden);
        return true;
    }
    // A record the user hid stays the user's: it carries no mark and is not shown again.
    if (flags & kFlagHidden) return false;
    flags |= kFlagHidden | kFlagAuxHidden;
    return true;
}

}  // namespace

bool SetAuxDisplay(TDoc& doc, bool on) {
    if (on) doc.settings.displayFlags |= kDispAux;
    else doc.settings.displayFlags &= ~kDispAux;
    bool changed = false;
    for (auto& p : doc.design.parts) {
        for (auto& l : p->linesB)
            if (l->flags & kLineAuxiliary) changed |= AuxApply(l->flags, on);
        for (auto& r : p->sizeLabels) changed |= AuxApply(r->flags, on);
        for (auto& r : p->notches) changed |= AuxApply(r->flags, on);
        for (auto& r : p->basePoints) changed |= AuxApply(r->flags, on);
    }
    return changed;
}

RestoreResult RestoreView(TDoc& doc, ViewState& vs) {
    RestoreResult res;
    if (!vs.backShown) {
        for (auto& sl : doc.scanLines) sl->flags &= ~kFlagHidden;
        for (auto& pic : doc.pictures) pic->word &= ~kFlagHidden;
        Design& d = doc.design;
        if (doc.currentPage() == 3) {
            for (auto& pc : d.pieces)
                if (pc->flags & kPieceOutputMark) {
                    pc->flags &= ~kPieceOutputMark;
                    res.piecesChanged = true;
                }
            if (!(doc.settings.displayFlags & kDispAux)) {
                SetAuxDisplay(doc, true);
                res.auxTurnedOn = true;
            }
            if (doc.settings.displayFlags & kDispAllSizes) {
                doc.settings.displayFlags &= ~kDispAllSizes;
                res.allSizesTurnedOff = true;
            }
        } else {
            for (size_t i = 1; i < d.parts.size(); ++i)
                if (d.parts[i]->page() == doc.currentPage()) d.parts[i]->flags &= ~kFlagHidden;
        }
    }
    vs.view.resetToBase();
    return res;
}

namespace {

bool FitParts(const TDoc& doc, View& v, bool allPages) {
    RectF box{};
    bool any = false;
    for (auto& p : doc.design.parts) {
        if (p->hidden() || (!allPages && p->page() != doc.currentPage())) continue;
        RectF r;
        if (PartBounds(*p, r)) UniteBounds(box, any, r);
    }
    if (!allPages)
        for (auto& sl : doc.scanLines)
            for (auto& pl : sl->shape) {
                RectF r;
                if (BoundsOf(pl, r)) UniteBounds(box, any, r);
            }
    if (!any) return false;
    return v.fitBox(box);
}

}  // namespace

bool PartBounds(const Part& p, RectF& r) {
    if (p.bbox.maxX > p.bbox.minX || p.bbox.maxY > p.bbox.minY) {
        r = p.bbox;
        return true;
    }
    bool any = false;
    for (const List<Line>* l : {&p.linesA, &p.linesB})
        for (auto& ln : *l) {
            RectF b;
            if (BoundsOf(ln->eval, b)) UniteBounds(r, any, b);
        }
    return any;
}

bool FitFrontView(const TDoc& doc, View& v) { return FitParts(doc, v, false); }
bool FitAllPages(const TDoc& doc, View& v) { return FitParts(doc, v, true); }

const std::array<DisplayToggleInfo, 7>& DisplayToggles() {
    static const std::array<DisplayToggleInfo, 7> t{{
        {DisplayToggle::Scan, 34100, "扫描显示", kDispScan},
        {DisplayToggle::AllSizes, 34044, "全号显示", kDispAllSizes},
        {DisplayToggle::Aux, 34103, "辅助显示", kDispAux},
        {DisplayToggle::Hidden, 32808, "隐藏显示", kDispHidden},
        {DisplayToggle::FrontSym, 32806, "前对称显示", kDispFrontSym},
        {DisplayToggle::FixedDist, 32804, "定距显示", kDispFixedDist},
        {DisplayToggle::Shared, 32803, "共用显示", kDispShared},
    }};
    return t;
}

static const DisplayToggleInfo& InfoOf(DisplayToggle t) {
    for (auto& i : DisplayToggles())
        if (i.toggle == t) return i;
    return DisplayToggles()[0];
}

bool ToggleEnabled(const TDoc& doc, const ViewState& vs, DisplayToggle t) {
    if (vs.backShown) return false;
    if (t == DisplayToggle::Scan) return !doc.scanLines.empty();
    return true;
}

bool ToggleChecked(const TDoc& doc, DisplayToggle t) {
    return (doc.settings.displayFlags & InfoOf(t).bit) != 0;
}

ToggleResult ToggleDisplay(TDoc& doc, const ViewState& vs, DisplayToggle t) {
    ToggleResult res;
    if (!ToggleEnabled(doc, vs, t)) return res;
    uint32_t& flags = doc.settings.displayFlags;
    const uint32_t bit = InfoOf(t).bit;
    bool on = !(flags & bit);
    res.done = true;
    switch (t) {
    case DisplayToggle::Aux:
        SetAuxDisplay(doc, on);
        res.rebuildParameters = true;
        return res;
    case DisplayToggle::Scan:
        res.refreshParameterPane = true;
        res.forgetSnapMarker = !on;
        break;
    case DisplayToggle::AllSizes:
        res.rebuildParameters = true;
        break;
    case DisplayToggle::Hidden:
        for (auto& pic : doc.pictures) {
            if (on) pic->word |= kFlagHidden;
            else pic->word &= ~kFlagHidden;
        }
        break;
    default:
        break;
    }
    if (on) flags |= bit;
    else flags &= ~bit;
    return res;
}

std::vector<ColourLineRow> ColourLineRows(const Design& d) {
    std::vector<ColourLineRow> rows;
    for (auto& p : d.parts)
        for (const List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l) {
                if (rows.size() >= 9) return rows;
                bool seen = std::any_of(rows.begin(), rows.end(),
                                        [&](const ColourLineRow& r) { return r.colour == ln->colour; });
                if (!seen) rows.push_back({ln->colour, !(ln->flags & kFlagHidden)});
            }
    return rows;
}

bool ShowLinesOfColour(Design& d, uint32_t colour, bool show) {
    bool changed = false;
    for (auto& p : d.parts)
        for (List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l) {
                if (ln->colour != colour) continue;
                uint32_t before = ln->flags;
                if (show) ln->flags &= ~kFlagHidden;
                else ln->flags |= kFlagHidden;
                changed |= before != ln->flags;
            }
    return changed;
}

}  // namespace rz
