#include "commands/library_tools.h"

#include <algorithm>
#include <cmath>

#include "commands/draw_common.h"
#include "commands/trace.h"
#include "geom/primitives.h"
#include "geom/transform.h"
#include "interact/text_strokes.h"
#include "model/afterload.h"
#include "model/refs.h"

namespace rz {

// ---------------------------------------------------------------- copies into and out of cells

namespace {

template <class T>
std::unique_ptr<T> Unlinked(const T& r) {
    auto c = std::make_unique<T>(r);
    // A reference from a cell would dangle as soon as the design changes.
    VisitRecordRefs(*c, ClearRef{});
    c->flags &= ~kFlagSelected;
    return c;
}

void MoveLine(Line& l, PointF off, const TSmooth& smooth) {
    for (Node& n : l.nodes) {
        n.x += off.x;
        n.y += off.y;
    }
    EvaluateLineRecord(l, smooth);
}

}  // namespace

std::unique_ptr<Line> CellLineCopy(const Line& l, const TSmooth& smooth) {
    auto c = Unlinked(l);
    EvaluateLineRecord(*c, smooth);
    return c;
}

std::unique_ptr<Pin> CellPinCopy(const Pin& p) {
    auto c = Unlinked(p);
    c->outline = PinCircle(c->x, c->y, c->diameter);
    return c;
}

std::unique_ptr<Motif> CellMotifCopy(const Motif& m) {
    auto c = Unlinked(m);
    for (Polyline& pl : c->shape) Translate(pl, m.x, m.y);
    return c;
}

std::unique_ptr<TextString> CellTextCopy(const TextString& t) {
    auto c = std::make_unique<TextString>(t);
    c->flags &= ~kFlagSelected;
    return c;
}

namespace {

void Finish(MotifCell& cell) {
    MeasureCell(cell);
    RestoreUseSize(cell);
}

}  // namespace

void StoreCurves(MotifCell& cell, const Part& part, const Line& picked, const TSmooth& smooth) {
    cell.clear();
    const bool group = (picked.flags & kFlagSelected) != 0;
    auto selected = [](const auto& r) { return (r->flags & kFlagSelected) != 0; };
    if (!group) {
        cell.linesB.push_back(CellLineCopy(picked, smooth));
    } else {
        // An outline line picked with the selection comes along as a curve.
        bool pickedIsB = false;
        for (auto& l : part.linesB) pickedIsB = pickedIsB || l.get() == &picked;
        if (!pickedIsB) cell.linesB.push_back(CellLineCopy(picked, smooth));
        for (auto& l : part.linesB)
            if (selected(l)) cell.linesB.push_back(CellLineCopy(*l, smooth));
        for (auto& p : part.pins)
            if (selected(p)) cell.pins.push_back(CellPinCopy(*p));
        for (auto& m : part.motifs)
            if (selected(m)) cell.motifs.push_back(CellMotifCopy(*m));
        for (auto& t : part.texts)
            if (selected(t)) cell.texts.push_back(CellTextCopy(*t));
    }
    Finish(cell);
}

void StorePart(MotifCell& cell, const Part& part, const TSmooth& smooth) {
    cell.clear();
    for (auto& l : part.linesA) cell.linesA.push_back(CellLineCopy(*l, smooth));
    for (auto& l : part.linesB) cell.linesB.push_back(CellLineCopy(*l, smooth));
    for (auto& p : part.pins) cell.pins.push_back(CellPinCopy(*p));
    for (auto& m : part.motifs) cell.motifs.push_back(CellMotifCopy(*m));
    for (auto& t : part.texts) cell.texts.push_back(CellTextCopy(*t));
    Finish(cell);
}

void StoreMotifShape(MotifCell& cell, Shape shape, const std::vector<PointF>& pts) {
    PointF anchor;
    bool haveAnchor = false;
    if (pts.size() >= 2) {
        const PointF p1 = pts[0], p2 = pts[1];
        const Rotation rot = SetRotation(-PtAngle(p1, p2));
        for (Polyline& pl : shape) {
            RotatePoints(rot, p1, pl);
            Translate(pl, -p1.x, -p1.y);
        }
        if (pts.size() >= 3) {
            const PointF q = RotatePoint(rot, p1, pts[2]);
            anchor = {q.x - p1.x, q.y - p1.y};
            haveAnchor = true;
        }
    } else {
        RectF box{};
        bool any = false;
        for (const Polyline& pl : shape) {
            RectF r;
            if (BoundsOf(pl, r)) UniteBounds(box, any, r);
        }
        if (any)
            for (Polyline& pl : shape) Translate(pl, -box.minX, -box.minY);
    }
    cell.clear();
    auto m = std::make_unique<Motif>();
    m->shape = std::move(shape);
    m->flags = kFlagFolds | 1u;
    cell.motifs.push_back(std::move(m));
    Finish(cell);
    if (!haveAnchor) anchor = {cell.contentX + cell.contentW / 2.0f, cell.contentY + cell.contentH / 2.0f};
    cell.motifs.front()->x = anchor.x;
    cell.motifs.front()->y = anchor.y;
}

bool StoreLabel(MotifCell& cell, const std::string& gbk, float w, float h, const LayOutText& text) {
    if (!text || gbk.empty()) return false;
    TextStrokes ts = text(gbk, w, h);
    if (ts.strokes.empty()) return false;
    cell.clear();
    auto m = std::make_unique<Motif>();
    m->shape = std::move(ts.strokes);
    m->flags = kFlagFolds | 1u;
    cell.motifs.push_back(std::move(m));
    cell.contentW = ts.width;
    cell.contentH = ts.height;
    RestoreUseSize(cell);
    return true;
}

bool ReplaceWithCellCurve(Line& target, const MotifCell& cell, const TSmooth& smooth) {
    if (cell.linesB.empty()) return false;
    const Line& src = *cell.linesB.front();
    // Coinciding ends leave no chord to map: the similarity would divide by zero or collapse
    // the line to a point.
    auto fitted = FitShape(src.nodes, target.nodes, HeightRule::Similar, 0.0f);
    if (!fitted) return false;
    target.nodes = std::move(*fitted);
    target.flags = (target.flags & ~kLineMethodMask) | (src.flags & kLineMethodMask);
    EvaluateLineRecord(target, smooth);
    return true;
}

Part* PlaceCell(Design& d, const MotifCell& cell, PointF p, Part* part, int page, const TSmooth& smooth) {
    // An empty cell puts nothing anywhere: refused like any cell that cannot be placed there.
    if (cell.empty() || (!part && cell.kind() != kCellKindPart)) return nullptr;
    const PointF off{p.x - (cell.contentX + cell.contentW / 2.0f), p.y - (cell.contentY + cell.contentH / 2.0f)};
    if (!InModelRange(off)) return nullptr;
    const bool fresh = part == nullptr;
    Part& dst = fresh ? AppendNewPart(d, page) : *part;
    BasePoint* base = dst.basePoints.empty() ? nullptr : dst.basePoints.front().get();
    auto line = [&](const Line& l) {
        auto c = Unlinked(l);
        c->basePoint = base;
        MoveLine(*c, off, smooth);
        return c;
    };
    for (auto& l : cell.linesA) (fresh ? dst.linesA : dst.linesB).push_back(line(*l));
    for (auto& l : cell.linesB) dst.linesB.push_back(line(*l));
    for (auto& q : cell.pins) {
        auto c = Unlinked(*q);
        c->basePoint = base;
        c->x += off.x;
        c->y += off.y;
        c->outline = PinCircle(c->x, c->y, c->diameter);
        dst.pins.push_back(std::move(c));
    }
    for (auto& m : cell.motifs) {
        // In the design a motif's shape is relative to its position.
        auto c = Unlinked(*m);
        c->basePoint = base;
        for (Polyline& pl : c->shape) Translate(pl, -m->x, -m->y);
        c->x += off.x;
        c->y += off.y;
        dst.motifs.push_back(std::move(c));
    }
    for (auto& t : cell.texts) {
        auto c = std::make_unique<TextString>(*t);
        c->x += off.x;
        c->y += off.y;
        for (Polyline& pl : c->strokes) Translate(pl, off.x, off.y);
        dst.texts.push_back(std::move(c));
    }
    return &dst;
}

std::optional<Shape> CurrentCellMotif(const MotifLibrary& lib) {
    auto r = CellShape(lib.current(), lib.currentCell);
    if (!r) return std::nullopt;
    for (Polyline& pl : r->shape) Translate(pl, -r->anchor.x, -r->anchor.y);
    return std::move(r->shape);
}

// ---------------------------------------------------------------- the tools

LibraryTools::LibraryTools(Engine& e, Strip& s, LibraryServices sv)
    : engine(e), strip(s), services(std::move(sv)) {}

void LibraryTools::changed() {
    if (services.stripChanged) services.stripChanged();
}

bool LibraryTools::prepareCell(bool moveFromLow) {
    MotifLibrary& lib = engine.doc.library;
    const int c = lib.currentCell;
    // 图案保存 keeps off the ellipse and size-label cells; 曲线保存 and 部位保存 off 0–6, the
    // size-label cell included (its use size is the size of every new size label).
    const bool move = moveFromLow ? c <= kSizeLabelCell : (c == kEllipseCell || c == kSizeLabelCell);
    if (move && !lib.moveToFreeCell()) return false;
    strip.setView(StripView::Motif);
    changed();
    if (!lib.current().empty() && !engine.doc.platform.ask(kAskOverwrite)) return false;
    return true;
}

void LibraryTools::SaveMotif() {
    if (entering_ || engine.backShown()) return;
    if (!prepareCell(false)) return;
    Design& d = engine.doc.design;
    Part* part = FirstSelected(d, kPickLines, engine.doc.currentPage());
    if (!part) {
        engine.tone(kToneRefused);
        return;
    }
    pending_.clear();
    for (const List<Line>* l : {&part->linesA, &part->linesB})
        for (auto& ln : *l)
            if ((ln->flags & kFlagSelected) && !ln->eval.empty()) pending_.push_back(ln->eval);
    if (pending_.empty()) {
        engine.tone(kToneRefused);
        return;
    }
    points_.clear();
    entering_ = true;
    engine.ShowPromptText(kPromptSaveMotif);
    engine.cursor = CursorKind::Cross;
    engine.doc.platform.setCursor(engine.cursor);
    beginPoint();
}

void LibraryTools::beginPoint() {
    DragCapture d;
    d.acceptOnRelease = false;  // a left press gives a point
    d.move = [](Engine& e, const Pointer&) { e.present(); };
    d.end = [this](Engine& e, const Pointer& p, bool accepted) {
        if (!accepted) {
            finishPoints(false);
            return;
        }
        points_.push_back(p.model);
        e.tone(kToneAccepted);
        if (points_.size() >= 3) finishPoints(true);
        else beginPoint();
    };
    d.rightPress = [this](Engine&, const Pointer&) { finishPoints(true); };
    d.overlay = [this](Engine& e, Canvas& c) {
        c.setColour(0x0000FF);
        c.setWidth(1);
        c.setDash(0, 0);
        for (PointF q : points_) {
            PixelPoint w = e.vs.view.toWindow(q);
            c.line({w.x - 5, w.y - 5}, {w.x + 6, w.y + 6});
            c.line({w.x - 5, w.y + 5}, {w.x + 6, w.y - 6});
        }
        return !points_.empty();
    };
    engine.beginDrag(engine.pointerAt(engine.pixel, 0), std::move(d));
}

void LibraryTools::finishPoints(bool accepted) {
    entering_ = false;
    Shape shape = std::move(pending_);
    pending_.clear();
    if (accepted) {
        StoreMotifShape(engine.doc.library.current(), std::move(shape), points_);
        changed();
    }
    points_.clear();
    engine.UpdateModeStatus();
    engine.present();
}

std::vector<bool> LibraryTools::popupStates(const PopupChoice& c) const {
    // 曲线保存, 曲线替换, 部位保存.
    if (c.line) {
        const bool replace = !(c.line->flags & kFlagSelected) &&
                             engine.doc.library.current().kind() == kCellKindCurves;
        return {true, replace, false};
    }
    const bool first = c.part && c.part == &engine.doc.design.firstPart();
    return {false, false, c.part && !first};
}

bool LibraryTools::rightPress(Engine&, const Pointer& p) {
    PickResult r = engine.PickAt(p.model, kPickLines);
    PopupChoice c;
    if (r && (r.kind == kKindLineA || r.kind == kKindLineB)) {
        c.line = r.as<Line>();
        c.part = r.part;
    } else {
        c.part = engine.PartAt(p.model);
    }
    if (!c.line && !c.part) {
        engine.tone(kToneRefused);
        return true;
    }
    if (!services.popup) return true;
    static const int ids[3] = {kCmdSaveCurve, kCmdReplaceCurve, kCmdSavePart};
    const int chosen = services.popup("曲线库", {"曲线保存", "曲线替换", "部位保存"}, popupStates(c));
    if (chosen >= 0 && chosen < 3 && popupStates(c)[size_t(chosen)]) runPopupItem(ids[chosen], c);
    return true;
}

void LibraryTools::runPopupItem(int id, const PopupChoice& c) {
    TDoc& doc = engine.doc;
    switch (id) {
    case kCmdSaveCurve:
        if (!c.line || !c.part || !prepareCell(true)) return;
        StoreCurves(doc.library.current(), *c.part, *c.line, doc.smooth);
        engine.redraw();
        changed();
        return;
    case kCmdSavePart:
        if (!c.part || !prepareCell(true)) return;
        StorePart(doc.library.current(), *c.part, doc.smooth);
        engine.redraw();
        changed();
        return;
    case kCmdReplaceCurve:
        if (!c.line || !c.part) return;
        if (!ReplaceWithCellCurve(*c.line, doc.library.current(), doc.smooth)) {
            engine.tone(kToneRefused);
            return;
        }
        CommitEdit(engine, {c.part});
        return;
    default: return;
    }
}

bool LibraryTools::leftPress(Engine&, const Pointer& p) {
    if (!p.shift()) return true;
    // PlaceCell: a click on a line does nothing.
    PickResult r = engine.PickAt(p.model, kPickLines);
    if (r) return true;
    Part* part = engine.PartAt(p.model);
    TDoc& doc = engine.doc;
    Part* placed = PlaceCell(doc.design, doc.library.current(), p.model, part, doc.currentPage(), doc.smooth);
    if (!placed) {
        engine.tone(kToneRefused);
        return true;
    }
    if (services.font) FillMissingTextStrokes(doc.design, *services.font);
    engine.tone(kToneAccepted);
    CommitEdit(engine, {placed});
    return true;
}

bool LibraryTools::canRestoreUseSize() const {
    const MotifLibrary& lib = engine.doc.library;
    if (services.ctrlHeld && services.ctrlHeld()) return true;
    return !lib.current().empty();
}

bool LibraryTools::canLabelCell() const {
    const MotifLibrary& lib = engine.doc.library;
    return !IsProtectedCell(lib.currentCell) && lib.current().empty();
}

bool LibraryTools::canDeleteCell() const {
    const MotifLibrary& lib = engine.doc.library;
    return !IsProtectedCell(lib.currentCell) && !lib.current().empty();
}

void LibraryTools::RestoreUseSizeCommand() {
    MotifLibrary& lib = engine.doc.library;
    if (services.ctrlHeld && services.ctrlHeld()) {
        for (MotifCell& c : lib.cells) RestoreUseSize(c);
    } else {
        if (lib.current().empty()) return;
        RestoreUseSize(lib.current());
    }
    changed();
}

void LibraryTools::LabelCellCommand() {
    if (!canLabelCell()) return;
    std::string gbk;
    if (!services.askText || !services.askText(gbk) || gbk.empty()) return;
    TDoc& doc = engine.doc;
    const MotifCell& sizeCell = doc.library.cells[kSizeLabelCell];
    if (!services.font) return;
    if (StoreLabel(doc.library.current(), gbk, sizeCell.useW, sizeCell.useH, FontLayout(*services.font)))
        changed();
}

void LibraryTools::DeleteCellCommand() {
    if (!canDeleteCell()) return;
    engine.doc.library.current().clear();
    changed();
}

LibraryTools& InstallLibraryTools(Engine& e, Strip& strip, DrawTools& tools, LibraryServices services) {
    auto owner = std::make_unique<LibraryTools>(e, strip, std::move(services));
    LibraryTools& t = *owner;
    e.setTool(mode::CurveLibrary, std::move(owner));
    if (tools.trace) {
        TDoc& doc = e.doc;
        tools.trace->currentMotif = [&doc] { return CurrentCellMotif(doc.library); };
        if (t.services.font && !tools.trace->font) tools.trace->font = t.services.font;
    }
    return t;
}

}  // namespace rz
