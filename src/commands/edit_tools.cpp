#include "commands/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "commands/correct.h"
#include "commands/draw_common.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/stretch.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

// ---------------------------------------------------------------- shared pieces

namespace {

std::string Fmt(const char* f, double a, double b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, f, a, b);
    return buf;
}

LengthUnit UnitOf(const Engine& e) { return DialogLengthUnit(e.doc.settings); }

// Whether every point of a shape stays within the pattern limits under the map.
bool StaysWithinLimits(const Shape& shape, const Affine& m) {
    for (const auto& pl : shape)
        for (PointF q : pl)
            if (!WithinPatternLimits(m.apply(q))) return false;
    return true;
}

RecordRef RefOf(const PickResult& r) { return {r.kind, r.record, r.part}; }

bool IsLine(int kind) { return kind == kKindLineA || kind == kKindLineB; }

bool LineClosed(const Line& l) {
    return l.nodes.size() >= 2 && !PtDiffer(l.nodes.front().pt(), l.nodes.back().pt());
}

}  // namespace

void CommitEdit(Engine& e, const std::vector<Part*>& parts) {
    for (Part* p : parts)
        if (p) RebuildPart(e.doc.design, *p);
    e.designChanged();
    e.redraw();
    e.doc.PushUndo();
}
void CommitEdit(Engine& e, std::initializer_list<Part*> parts) { CommitEdit(e, std::vector<Part*>(parts)); }

std::vector<RecordRef> AllRecords(Part& p) {
    std::vector<RecordRef> v;
    for (auto& l : p.linesA) v.push_back({kKindLineA, l.get(), &p});
    for (auto& l : p.linesB) v.push_back({kKindLineB, l.get(), &p});
    for (auto& r : p.pins) v.push_back({kKindPin, r.get(), &p});
    for (auto& r : p.motifs) v.push_back({kKindMotif, r.get(), &p});
    for (auto& r : p.texts) v.push_back({kKindText, r.get(), &p});
    for (auto& r : p.basePoints) v.push_back({kKindBasePoint, r.get(), &p});
    for (auto& r : p.notches) v.push_back({kKindNotch, r.get(), &p});
    return v;
}

void RemovePartAndRecords(Design& d, Part* part) {
    RemovalSet s;
    for (auto& r : AllRecords(*part)) s.records.insert(r.record);
    auto add = [&](auto& l) {
        for (auto& r : l) s.records.insert(r.get());
    };
    add(part->sizeLabels), add(part->dimensions), add(part->pointRows), add(part->seamAllowances);
    add(part->symLineLinks), add(part->slotLines), add(part->marks), add(part->chamfers);
    add(part->symElemLinks), add(part->sharedZones), add(part->fixedDistances);
    add(part->gradedLines), add(part->gradedPins), add(part->gradedMotifs);
    RemoveRecords(d, s);
    std::erase_if(d.parts, [&](const std::unique_ptr<Part>& p) { return p.get() == part; });
}

namespace {
// A whole part: its records, and the size labels and dimensions placed in it, whose drawing
// is not derived again from anything that moved.
void TransformAll(Engine& e, const std::vector<RecordRef>& rs, const Affine& m) {
    for (const auto& r : rs) TransformRecord(r, m, e.doc.smooth);
    if (rs.empty()) return;
    Part& part = *rs.front().part;
    for (auto& sl : part.sizeLabels) TransformRecord({kKindSizeLabel, sl.get(), &part}, m, e.doc.smooth);
    for (auto& dm : part.dimensions) {
        for (size_t i = 0; i + 1 < dm->points.size(); i += 2) {
            PointF q = m.apply({dm->points[i], dm->points[i + 1]});
            dm->points[i] = q.x, dm->points[i + 1] = q.y;
        }
        for (Shape* sh : {&dm->drawn1, &dm->drawn2})
            for (auto& pl : *sh)
                for (auto& q : pl) q = m.apply(q);
    }
}
}  // namespace

Part& DuplicatePart(Design& d, const Part& src) {
    Part& p = AppendNewPart(d, src.page());
    static_cast<PartHeader&>(p) = static_cast<const PartHeader&>(src);
    p.flags &= ~kFlagSelected;
    std::unordered_map<const BasePoint*, BasePoint*> bmap;
    for (auto& b : src.basePoints) {
        p.basePoints.push_back(std::make_unique<BasePoint>(*b));
        bmap[b.get()] = p.basePoints.back().get();
    }
    auto base = [&](BasePoint* b) -> BasePoint* {
        auto it = bmap.find(b);
        return it == bmap.end() ? nullptr : it->second;
    };
    for (auto& b : p.basePoints) {
        b->owner = base(b->owner);
        b->frontSym = nullptr;
    }
    auto lines = [&](const List<Line>& from, List<Line>& to) {
        for (auto& l : from) {
            to.push_back(std::make_unique<Line>(*l));
            to.back()->basePoint = base(l->basePoint);
            to.back()->frontSym = to.back()->graded = nullptr;
        }
    };
    lines(src.linesA, p.linesA);
    lines(src.linesB, p.linesB);
    for (auto& r : src.pins) {
        p.pins.push_back(std::make_unique<Pin>(*r));
        p.pins.back()->basePoint = base(r->basePoint);
        p.pins.back()->frontSym = nullptr;
        p.pins.back()->graded = nullptr;
    }
    for (auto& r : src.motifs) {
        p.motifs.push_back(std::make_unique<Motif>(*r));
        p.motifs.back()->basePoint = base(r->basePoint);
        p.motifs.back()->frontSym = nullptr;
        p.motifs.back()->graded = nullptr;
    }
    for (auto& r : src.texts) p.texts.push_back(std::make_unique<TextString>(*r));
    for (auto& r : src.notches) p.notches.push_back(std::make_unique<Notch>(*r));
    for (auto& r : src.sizeLabels) p.sizeLabels.push_back(std::make_unique<SizeLabel>(*r));
    return p;
}

// ---------------------------------------------------------------- FenceStroke, DragOutline

void FenceStroke(Engine& e, const Pointer& at, std::function<void(Engine&, bool, PointF, PointF)> done) {
    auto end = std::make_shared<PixelPoint>(at.px);
    PixelPoint start = at.px;
    DragCapture d;
    d.move = [end](Engine& en, const Pointer& p) {
        *end = p.px;
        en.present();
    };
    d.end = [end, start, done](Engine& en, const Pointer& p, bool accepted) {
        *end = p.px;
        en.present();
        bool stroke = accepted && (std::abs(end->x - start.x) >= 2 || std::abs(end->y - start.y) >= 2);
        if (done) done(en, stroke, en.vs.view.toModel(start.x, start.y), en.vs.view.toModel(end->x, end->y));
    };
    d.overlay = [end, start](Engine&, Canvas& c) {
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        c.line(start, *end);
        return true;
    };
    d.acceptOnRelease = true;
    e.beginDrag(at, std::move(d));
}

namespace {
struct OutlineDragState {
    PointF anchor, cursor, nudge;
    Affine lin;  // turns and mirrors about the cursor
    int turns = 0, flips = 0;
    Affine placement() const {
        PointF c{cursor.x + nudge.x, cursor.y + nudge.y};
        Affine m = Affine::translate(-anchor.x, -anchor.y).then(lin);
        return m.then(Affine::translate(c.x, c.y));
    }
};
}  // namespace

void DragOutline(Engine& e, const Pointer& at, Shape outline, std::function<void(Engine&, const DragResult&)> done) {
    auto st = std::make_shared<OutlineDragState>();
    st->anchor = st->cursor = at.model;
    if (e.hooks.confinePointer) e.hooks.confinePointer(true);
    auto prompt = [st](Engine& en) {
        PointF off{st->cursor.x + st->nudge.x - st->anchor.x, st->cursor.y + st->nudge.y - st->anchor.y};
        en.ShowPromptText(Fmt("〔相对位移〕%-.2f,%-.2f", off.x / 100.0, off.y / 100.0));
    };
    DragCapture d;
    d.acceptOnRelease = false;
    d.rightPans = true;
    d.confine = true;
    d.move = [st, prompt](Engine& en, const Pointer& p) {
        st->cursor = p.model;
        prompt(en);
        en.present();
    };
    d.key = [st, prompt](Engine& en, const KeyEvent& k) {
        float px = en.vs.view.s > 0 ? 1.0f / en.vs.view.s : 1.0f;
        switch (k.key) {
        case key::Space:
            st->lin = st->lin.then(Affine::rotate({0, 0}, std::numbers::pi / 2));
            st->turns = (st->turns + 1) % 4;
            break;
        case key::Tab: {
            // Alternately the vertical and the horizontal line through the cursor.
            Affine f = st->flips % 2 == 0 ? Affine{-1, 0, 0, 1, 0, 0} : Affine{1, 0, 0, -1, 0, 0};
            st->lin = st->lin.then(f);
            st->flips = (st->flips + 1) % 4;
            break;
        }
        case key::Left: st->nudge.x -= px; break;
        case key::Right: st->nudge.x += px; break;
        case key::Up: st->nudge.y += px; break;
        case key::Down: st->nudge.y -= px; break;
        default: return;
        }
        prompt(en);
        en.present();
    };
    d.end = [st, done](Engine& en, const Pointer& p, bool accepted) {
        if (en.hooks.confinePointer) en.hooks.confinePointer(false);
        if (accepted) st->cursor = p.model;
        DragResult r;
        r.accepted = accepted;
        r.offset = {st->cursor.x + st->nudge.x - st->anchor.x, st->cursor.y + st->nudge.y - st->anchor.y};
        r.quarterTurns = st->turns;
        r.flips = st->flips;
        r.map = st->placement();
        en.ShowPrompt(en.defaultPrompt);
        en.present();
        if (done) done(en, r);
    };
    d.overlay = [st, outline = std::move(outline)](Engine& en, Canvas& c) {
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        Affine m = st->placement();
        for (const auto& pl : outline) {
            Polyline q = pl;
            for (auto& v : q) v = m.apply(v);
            DrawPolyline(en, c, q);
        }
        return true;
    };
    e.beginDrag(at, std::move(d));
}

SelectionAct ApplySelectionRule(Engine& e, const PickResult& r) {
    bool selected = r.kind == kKindPart ? (r.part && (r.part->flags & kFlagSelected)) : IsSelected(RefOf(r));
    if (selected) return SelectionAct::Selection;
    if (ClearSelection(e.doc.design, e.doc.currentPage())) {
        e.redraw();
        return SelectionAct::Cleared;
    }
    return SelectionAct::Record;
}

namespace {

// A press on no record starts a rubber band; a band that never opened hands the press on.
void BandOr(Engine& e, const Pointer& p, std::function<void(Engine&, const Pointer&)> click) {
    e.beginRubberBand(p, [click, p](Engine& en, const RubberBand& b) {
        if (b.active) {
            PixelRect r = b.pixels();
            PointF a = en.vs.view.toModel(r.left, r.bottom), c = en.vs.view.toModel(r.right, r.top);
            bool changed = SelectInRect(en.doc.design, en.doc.currentPage(), {a.x, a.y, c.x, c.y}, b.crossing());
            if (changed || b.cleared) en.redraw();
            else en.present();
            return;
        }
        click(en, p);
    });
}

// ---------------------------------------------------------------- 删除 (23)

struct DeleteTool : Tool {
    Polyline fence;
    Part* flash = nullptr;

    static bool DeleteSelectedOf(Engine& e, Part& part) {
        RemovalSet s;
        for (auto& r : SelectedRecords(part)) s.records.insert(r.record);
        if (s.records.empty()) return false;
        RemoveRecords(e.doc.design, s);
        CommitEdit(e, {&part});
        return true;
    }
    static void RemovePart(Engine& e, Part* part) {
        RemovePartAndRecords(e.doc.design, part);
        CommitEdit(e, {});
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() >= 1) {
            fence.push_back(p.model);
            e.tone(kToneAccepted);
            e.present();
            return true;
        }
        uint32_t mask = p.shift() ? 0x3FFFu : p.alt() ? uint32_t(kPickPart) : 0x11073FFFu;
        if (!p.shift() && !p.alt()) {
            // A drag from a spot with no record selects by rubber band instead of deleting;
            // a plain click there takes the part under it.
            PickResult rec = e.PickAt(p.model, mask & ~kPickPart);
            if (!rec) {
                BandOr(e, p, [this](Engine& en, const Pointer& q) { act(en, q, en.PickAt(q.model, kPickPart)); });
                return true;
            }
            return act(e, p, rec);
        }
        return act(e, p, e.PickAt(p.model, mask));
    }
    bool act(Engine& e, const Pointer& p, PickResult r) {
        Design& d = e.doc.design;
        // The seam-allowance bit also finds a line by one of its nodes: it is that line.
        if (r.kind == kKindLineByPoint && r.part)
            r.kind = ListOf(*r.part, r.as<Line>()) == &r.part->linesA ? kKindLineA : kKindLineB;
        if (!r) {
            if (p.shift()) {
                fence = {p.model};
                e.setStep(1);
                e.tone(kToneAccepted);
                return true;
            }
            return Refuse(e);
        }
        if (r.kind != kKindPart && r.kind != kKindScanLine && r.kind != kKindPicture) {
            // The selection rule: a selected record takes its part's selection along; an
            // unselected one while the page has a selection only clears it.
            switch (ApplySelectionRule(e, r)) {
            case SelectionAct::Selection: return DeleteSelectedOf(e, *r.part) || Refuse(e);
            case SelectionAct::Cleared: return true;
            case SelectionAct::Record: break;
            }
        }
        switch (r.kind) {
        case kKindBasePoint: {
            auto* bp = r.as<BasePoint>();
            int nl = 0, np = 0, nm = 0, ns = 0;
            for (auto& part : d.parts) {
                for (auto* list : {&part->linesA, &part->linesB})
                    for (auto& l : *list) nl += l->basePoint == bp;
                for (auto& q : part->pins) np += q->basePoint == bp;
                for (auto& q : part->motifs) nm += q->basePoint == bp;
                for (auto& q : part->sharedZones) ns += q->basePoint == bp;
            }
            if (nl + np + nm + ns > 0) {
                char buf[256];
                std::snprintf(buf, sizeof buf, "该基点关联 %d 根线条\n%d 个定针\n%d 个图案\n%d 个共用\n执意删除吗？", nl, np,
                              nm, ns);
                if (!e.doc.platform.ask(buf)) return true;
            }
            RemoveRecord(d, bp);
            CommitEdit(e, {r.part});
            return true;
        }
        case kKindPart: {
            if (DeleteSelectedOf(e, *r.part)) return true;
            // The first part holds the master lines: it is never deleted.
            if (!d.parts.empty() && d.parts.front().get() == r.part) return Refuse(e);
            if (!p.alt()) {
                // The part's outline stands out while the question is asked.
                flash = r.part;
                e.present();
                bool yes = e.doc.platform.ask("确认删除该部位吗？");
                flash = nullptr;
                e.present();
                if (!yes) return true;
            }
            RemovePart(e, r.part);
            return true;
        }
        case kKindScanLine:
            std::erase_if(e.doc.scanLines, [&](const std::unique_ptr<ScanLine>& s) { return s.get() == r.record; });
            CommitEdit(e, {});
            return true;
        case kKindPicture:
            std::erase_if(e.doc.pictures, [&](const std::unique_ptr<TPIC>& s) { return s.get() == r.record; });
            CommitEdit(e, {});
            return true;
        default:
            RemoveRecord(d, r.record);
            CommitEdit(e, {r.part});
            return true;
        }
    }
    bool finishFence(Engine& e) {
        Polyline poly = fence;
        e.setStep(0);
        fence.clear();
        if (poly.size() <= 2) {
            e.redraw();
            return Refuse(e);
        }
        poly.push_back(poly.front());
        auto inside = [&](PointF q) { return PointInPolygon(poly, q) != 0; };
        auto allInside = [&](const Polyline& pl) { return !pl.empty() && std::all_of(pl.begin(), pl.end(), inside); };
        RemovalSet s;
        std::vector<Part*> touched;
        // What is hidden cannot be seen inside the fence: it stays.
        auto shown = [](const auto& r) { return !(r->flags & kFlagHidden); };
        for (auto& part : e.doc.design.parts) {
            if (part->page() != e.doc.currentPage() || part->hidden()) continue;
            size_t before = s.records.size();
            for (auto& l : part->linesB)
                if (shown(l) && allInside(l->eval)) s.records.insert(l.get());
            for (auto& q : part->pins)
                if (shown(q) && inside({q->x, q->y})) s.records.insert(q.get());
            for (auto& q : part->motifs)
                if (shown(q) && inside({q->x, q->y})) s.records.insert(q.get());
            for (auto& q : part->texts)
                if (shown(q) && inside({q->x, q->y})) s.records.insert(q.get());
            for (auto& q : part->basePoints)
                if (shown(q) && inside({q->x, q->y})) s.records.insert(q.get());
            for (auto& q : part->notches)
                if (shown(q) && inside({q->x, q->y})) s.records.insert(q.get());
            if (s.records.size() != before) touched.push_back(part.get());
        }
        if (s.records.empty()) {
            e.redraw();
            return true;
        }
        RemoveRecords(e.doc.design, s);
        CommitEdit(e, touched);
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() >= 1) return finishFence(e);
        return false;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() >= 1 && (k.key == key::Return || k.key == key::Enter)) return finishFence(e);
        return false;
    }
    void releaseData() override { fence.clear(), flash = nullptr; }
    bool overlay(Engine& e, Canvas& c) override {
        if (flash) {
            c.setColour(kHighlightColour);
            c.setWidth(3);
            c.setDash(0, 0);
            DrawPolyline(e, c, flash->outline);
            return true;
        }
        if (e.step() < 1 || fence.empty()) return false;
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        Polyline pl = fence;
        pl.push_back(e.model);
        DrawPolyline(e, c, pl);
        return true;
    }
};

// ---------------------------------------------------------------- 自动擦除 (103)

struct AutoEraseTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        FenceStroke(e, p, [](Engine& en, bool stroke, PointF a, PointF b) {
            if (!stroke) return;
            Part* part = en.PartAt(a);
            if (!part) part = en.PartAt(b);
            if (!part) return;
            Polyline seg{a, b};
            RemovalSet s;
            // A hidden line cannot be seen to be crossed: it stays.
            for (auto& l : part->linesB)
                if (!(l->flags & kFlagHidden) && !CrossingsOf(seg, {&l->eval}, -1.0f).empty())
                    s.records.insert(l.get());
            if (s.records.empty()) return;
            RemoveRecords(en.doc.design, s);
            CommitEdit(en, {part});
        });
        return true;
    }
};

// ---------------------------------------------------------------- 移动 (20), 拷贝 (22)

void DragRecords(Engine& e, const Pointer& p, std::vector<RecordRef> rs, bool copy) {
    if (rs.empty()) return;
    Shape outline = OutlineOf(rs);
    DragOutline(e, p, std::move(outline), [rs, copy](Engine& en, const DragResult& r) {
        if (!r.accepted) return;
        if (copy && r.offset.x == 0 && r.offset.y == 0 && r.quarterTurns == 0 && r.flips == 0) return;
        std::vector<RecordRef> targets;
        if (copy) {
            for (const auto& x : rs)
                if (auto c = CopyRecord(x); c.record) targets.push_back(c);
        } else {
            targets = rs;
        }
        for (const auto& t : targets) TransformRecord(t, r.map, en.doc.smooth);
        CommitEdit(en, {rs.front().part});
    });
}

void DragPart(Engine& e, const Pointer& p, Part& part, bool copy) {
    Shape outline{part.outline};
    for (auto& l : part.linesB) outline.push_back(l->eval);
    Part* pp = &part;
    DragOutline(e, p, std::move(outline), [pp, copy](Engine& en, const DragResult& r) {
        if (!r.accepted) return;
        if (copy && r.offset.x == 0 && r.offset.y == 0 && r.quarterTurns == 0 && r.flips == 0) return;
        Part* target = copy ? &DuplicatePart(en.doc.design, *pp) : pp;
        TransformAll(en, AllRecords(*target), r.map);
        CommitEdit(en, {target});
    });
}

// A press on no record: a rubber band, or, when it never opened, the part under the press is
// dragged (copied with `copy`) unless the press only cleared a selection.
void BandOrDragPart(Engine& e, const Pointer& p, bool copy) {
    BandOr(e, p, [copy](Engine& en, const Pointer& q) {
        Part* part = en.PartAt(q.model);
        if (!part) return;
        if (ClearSelection(en.doc.design, en.doc.currentPage())) {
            en.redraw();
            return;
        }
        DragPart(en, q, *part, copy);
    });
}

struct MoveTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        Design& d = e.doc.design;
        if (p.alt() || p.shift()) {
            Part* part = e.PartAt(p.model);
            if (!part) return Refuse(e);
            DragPart(e, p, *part, false);
            return true;
        }
        PickResult r = e.PickAt(p.model, 0x3007F);
        if (!r) {
            BandOrDragPart(e, p, false);
            return true;
        }
        if (r.kind == kKindScanLine) {
            auto* sl = r.as<ScanLine>();
            DragOutline(e, p, sl->shape, [sl](Engine& en, const DragResult& res) {
                if (!res.accepted) return;
                for (auto& pl : sl->shape)
                    for (auto& q : pl) q = res.map.apply(q);
                CommitEdit(en, {});
            });
            return true;
        }
        switch (ApplySelectionRule(e, r)) {
        case SelectionAct::Selection: DragRecords(e, p, SelectedRecords(*r.part), false); break;
        case SelectionAct::Cleared: break;
        case SelectionAct::Record:
            // On the piece page an element is dragged alone; elsewhere the pick moves its part.
            if (e.doc.currentPage() == 3 && (r.kind == kKindLineB || r.kind == kKindPin || r.kind == kKindMotif ||
                                             r.kind == kKindText || r.kind == kKindBasePoint || r.kind == kKindNotch))
                DragRecords(e, p, {RefOf(r)}, false);
            else
                DragPart(e, p, *r.part, false);
            break;
        }
        (void)d;
        return true;
    }
};

struct CopyTool : Tool {
    std::optional<std::pair<PointF, PointF>> arrow;
    void releaseData() override { arrow.reset(); }
    bool overlay(Engine& e, Canvas& c) override {
        if (!arrow) return false;
        DrawArrow(e, c, arrow->first, arrow->second);
        return true;
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, 0x30019);
        if (!r) {
            BandOrDragPart(e, p, true);
            return true;
        }
        if (r.kind == kKindScanLine) {
            auto* sl = r.as<ScanLine>();
            DragOutline(e, p, sl->shape, [sl](Engine& en, const DragResult& res) {
                if (!res.accepted || (res.offset.x == 0 && res.offset.y == 0)) return;
                auto c = std::make_unique<ScanLine>(*sl);
                c->flags &= ~kFlagSelected;
                for (auto& pl : c->shape)
                    for (auto& q : pl) q = res.map.apply(q);
                en.doc.scanLines.push_back(std::move(c));
                CommitEdit(en, {});
            });
            return true;
        }
        if (IsSelected(RefOf(r))) {
            DragRecords(e, p, SelectedRecords(*r.part), true);
            return true;
        }
        // An unselected line while the page has a selection sets the direction of a step and
        // repeat; any other unselected record then only clears the selection.
        if (IsLine(r.kind)) {
            if (Part* sel = FirstSelected(e.doc.design, kRubberBandMask, e.doc.currentPage()))
                return StepAndRepeat(e, p, *r.as<Line>(), *sel);
        } else if (ApplySelectionRule(e, r) == SelectionAct::Cleared) {
            return true;
        }
        DragRecords(e, p, {RefOf(r)}, true);
        return true;
    }

    // Copies of the selection at multiples of a distance along the picked line.
    bool StepAndRepeat(Engine& e, const Pointer& p, const Line& line, Part& sel) {
        if (line.nodes.size() < 2) return Refuse(e);
        PointF a = line.nodes.front().pt(), b = line.nodes.back().pt();
        if (PtDist(p.model, b) < PtDist(p.model, a)) std::swap(a, b);
        float len = PtDist(a, b);
        if (len < 1e-3f) return Refuse(e);
        const LengthUnit unit = UnitOf(e);
        std::vector<ValueField> f{{"距离(" + unit.name + ")", e.doc.settings.equidistance / unit.per, 0.001, 1e5, 2},
                                  {"数量", 1, 1, 1000, 0}};
        // The arrow shows the direction the copies go while the dialog is open.
        arrow = {a, b};
        e.present();
        bool ok = e.doc.platform.valueDialog("拷贝", f);
        arrow.reset();
        e.present();
        if (!ok) return true;
        float dist = float(f[0].value * unit.per);
        int count = int(std::lround(f[1].value));
        if (!(dist > 0) || count < 1 || count > 1000) return Refuse(e);
        PointF far{a.x + (b.x - a.x) / len * dist * float(count), a.y + (b.y - a.y) / len * dist * float(count)};
        if (!WithinPatternLimits(far)) return Refuse(e);
        e.doc.settings.equidistance = dist;
        PointF u{(b.x - a.x) / len, (b.y - a.y) / len};
        std::vector<RecordRef> rs = SelectedRecords(sel);
        for (int k = 1; k <= count; ++k)
            for (const auto& x : rs)
                if (auto c = CopyRecord(x); c.record)
                    TransformRecord(c, Affine::translate(u.x * dist * k, u.y * dist * k), e.doc.smooth);
        CommitEdit(e, {&sel});
        return true;
    }
};

// ---------------------------------------------------------------- 旋转 (21)

void RotateDrag(Engine& e, const Pointer& p, std::vector<RecordRef> rs, PointF centre, bool wholePart) {
    if (rs.empty()) return;
    Shape outline = OutlineOf(rs);
    // A record that cannot be turned (a dimension) has nothing to follow the pointer.
    if (outline.empty()) return (void)e.tone(kToneRefused);
    auto cur = std::make_shared<PointF>(p.model);
    PointF start = p.model;
    auto angle = [centre, start](PointF q) { return PtAngle(centre, q) - PtAngle(centre, start); };
    DragCapture d;
    d.move = [cur](Engine& en, const Pointer& q) {
        *cur = q.model;
        en.present();
    };
    d.end = [cur, rs, centre, angle, wholePart](Engine& en, const Pointer& q, bool accepted) {
        *cur = q.model;
        en.present();
        float a = angle(*cur);
        if (!accepted || a == 0) return;
        Affine m = Affine::rotate(centre, a);
        if (wholePart) TransformAll(en, rs, m);
        else
            for (const auto& r : rs) TransformRecord(r, m, en.doc.smooth);
        CommitEdit(en, {rs.front().part});
    };
    d.overlay = [cur, outline, centre, angle](Engine& en, Canvas& c) {
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        Affine m = Affine::rotate(centre, angle(*cur));
        for (Polyline pl : outline) {
            for (auto& v : pl) v = m.apply(v);
            DrawPolyline(en, c, pl);
        }
        return true;
    };
    e.beginDrag(p, std::move(d));
}

PointF CentreOf(const std::vector<RecordRef>& rs) {
    RectF box{};
    bool any = false;
    for (const auto& pl : OutlineOf(rs)) {
        RectF r;
        if (!BoundsOf(pl, r)) continue;
        if (!any) box = r;
        else box = {std::min(box.minX, r.minX), std::min(box.minY, r.minY), std::max(box.maxX, r.maxX),
                    std::max(box.maxY, r.maxY)};
        any = true;
    }
    return {(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2};
}

struct RotateTool : Tool {
    Part* part = nullptr;
    PointF centre;
    void releaseData() override { part = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        // The two steps of a part turned with Shift: the centre, then the direction point from
        // which the part follows the pointer until the release.
        if (e.step() == 1 && part) {
            centre = p.model;
            e.setStep(2);
            e.tone(kToneAccepted);
            e.ShowPromptText("第二步：请选择旋转方向点！");
            e.present();
            return true;
        }
        if (e.step() == 2 && part) {
            // On the centre itself the direction is undefined.
            if (PtDist(p.model, centre) < 1.0f) return Refuse(e);
            Part* pt = part;
            e.setStep(0);
            part = nullptr;
            e.ShowPrompt(e.defaultPrompt);
            RotateDrag(e, p, AllRecords(*pt), centre, true);
            return true;
        }
        if (p.alt()) {
            Part* pt = e.PartAt(p.model);
            if (!pt) return Refuse(e);
            auto rs = AllRecords(*pt);
            RotateDrag(e, p, rs, CentreOf(rs), true);
            return true;
        }
        if (p.shift()) {
            if (Part* sel = FirstSelected(e.doc.design, kRubberBandMask, e.doc.currentPage())) {
                auto rs = SelectedRecords(*sel);
                RotateDrag(e, p, rs, CentreOf(rs), false);
                return true;
            }
            PickResult r = e.PickAt(p.model, kPickMotifs | kPickTexts | kPickLines | kPickPart);
            if (r.kind == kKindMotif || r.kind == kKindText || r.kind == kKindLineB) {
                RotateDrag(e, p, {RefOf(r)}, CentreOf({RefOf(r)}), false);
                return true;
            }
            if (r.kind == kKindPart || r.kind == kKindLineA) {
                part = r.part;
                e.setStep(1);
                e.tone(kToneAccepted);
                e.ShowPromptText(" 第一步：请选择旋转中心点！");
                e.present();
                return true;
            }
            return Refuse(e);
        }
        PickResult r = e.PickAt(p.model, 0x3007B);
        if (!r) {
            BandOr(e, p, [](Engine& en, const Pointer& q) {
                Part* pt = en.PartAt(q.model);
                if (!pt) return (void)en.tone(kToneRefused);
                if (ClearSelection(en.doc.design, en.doc.currentPage())) return en.redraw();
                auto rs = AllRecords(*pt);
                RotateDrag(en, q, rs, CentreOf(rs), true);
            });
            return true;
        }
        if (r.kind == kKindScanLine) return Refuse(e);
        switch (ApplySelectionRule(e, r)) {
        case SelectionAct::Selection: {
            auto rs = SelectedRecords(*r.part);
            RotateDrag(e, p, rs, CentreOf(rs), false);
            break;
        }
        case SelectionAct::Cleared: break;
        case SelectionAct::Record: RotateDrag(e, p, {RefOf(r)}, CentreOf({RefOf(r)}), false); break;
        }
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !part) return false;
        c.setColour(kHighlightColour);
        c.setWidth(2);
        c.setDash(0, 0);
        DrawPolyline(e, c, part->outline);
        if (e.step() == 2) {
            PixelPoint q = e.vs.view.toWindow(centre);
            c.line({q.x - 5, q.y}, {q.x + 5, q.y});
            c.line({q.x, q.y - 5}, {q.x, q.y + 5});
        }
        return true;
    }
};

// ---------------------------------------------------------------- 比例 (151)

// Extents of records along the direction `angle` and across it.
std::pair<float, float> ExtentsAlong(const std::vector<RecordRef>& rs, double angle) {
    const double ux = std::cos(angle), uy = std::sin(angle);
    double lo = 0, hi = 0, clo = 0, chi = 0;
    bool any = false;
    auto take = [&](PointF q) {
        double a = q.x * ux + q.y * uy, c = -q.x * uy + q.y * ux;
        if (!any) lo = hi = a, clo = chi = c;
        lo = std::min(lo, a), hi = std::max(hi, a), clo = std::min(clo, c), chi = std::max(chi, c);
        any = true;
    };
    for (const auto& r : rs) {
        // A base point is its position, not the cross it is drawn with.
        if (r.kind == kKindBasePoint) {
            auto* b = static_cast<BasePoint*>(r.record);
            take({b->x, b->y});
            continue;
        }
        for (const auto& pl : OutlineOf({r}))
            for (PointF q : pl) take(q);
    }
    return {float(hi - lo), float(chi - clo)};
}

struct ScaleTool : Tool {
    PointF from, to;  // the direction dragged with Shift

    // The scale dialog with the extents; on a change the records are scaled about `centre`
    // along `angle` and across it (the whole part, size labels included, when `whole`).
    static bool AskAndScale(Engine& e, Part& part, std::vector<RecordRef> rs, bool whole, PointF centre,
                            double angle, float along, float across) {
        const LengthUnit u = UnitOf(e);
        std::vector<ValueField> f{{Fmt("长度 %.2f 变化", along / u.per, 0), 0, -1e6, 1e6, 4},
                                  {Fmt("宽度 %.2f 变化", across / u.per, 0), 0, -1e6, 1e6, 4}};
        if (!e.doc.platform.valueDialog("比例", f)) return true;
        double fa = 1 + f[0].value, fc = 1 + f[1].value;
        // A factor of zero or less would collapse or turn the part inside out.
        if (!(fa > 0) || !(fc > 0) || !std::isfinite(fa) || !std::isfinite(fc)) return Refuse(e);
        if (fa == 1 && fc == 1) return true;
        Affine m = Affine::scale(centre, angle, fa, fc);
        if (!StaysWithinLimits(OutlineOf(rs), m)) return Refuse(e);
        if (whole) TransformAll(e, rs, m);
        else
            for (const auto& x : rs) TransformRecord(x, m, e.doc.smooth);
        // Background pictures keep their axes: the factors go along x and y, exchanged when
        // the direction is nearer vertical than horizontal.
        bool upright = std::abs(std::sin(angle)) > std::abs(std::cos(angle));
        Affine pm = Affine::scale(centre, 0, upright ? fc : fa, upright ? fa : fc);
        for (auto& pic : e.doc.pictures)
            for (auto& q : pic->corners) q = pm.apply(q);
        CommitEdit(e, {&part});
        return true;
    }

    // Shift: the selection of the first part that has one, scaled about the press point along
    // the direction dragged from it.
    bool DirectionDrag(Engine& e, const Pointer& p) {
        Part* sel = FirstSelected(e.doc.design, kRubberBandMask, e.doc.currentPage());
        if (!sel) return Refuse(e);
        from = to = p.model;
        const PixelPoint start = p.px;
        DragCapture d;
        d.move = [this](Engine& en, const Pointer& q) {
            to = q.model;
            en.present();
        };
        d.end = [this, sel, start](Engine& en, const Pointer& q, bool accepted) {
            to = q.model;
            PointF a = from, b = to;
            from = to = {};
            en.present();
            if (!accepted) return;
            // A press without a drag (under 2 pixels, as for a stroke) gives no direction.
            if ((std::abs(q.px.x - start.x) < 2 && std::abs(q.px.y - start.y) < 2) || PtDist(a, b) < 1e-3f)
                return (void)en.tone(kToneRefused);
            auto rs = SelectedRecords(*sel);
            if (rs.empty()) return (void)en.tone(kToneRefused);
            double angle = PtAngle(a, b);
            auto [along, across] = ExtentsAlong(rs, angle);
            AskAndScale(en, *sel, std::move(rs), false, a, angle, along, across);
        };
        d.overlay = [this](Engine& en, Canvas& c) {
            c.setColour(kHighlightColour);
            c.setWidth(1);
            c.setDash(0, 0);
            c.line(en.vs.view.toWindow(from), en.vs.view.toWindow(to));
            return true;
        };
        e.beginDrag(p, std::move(d));
        return true;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (p.shift()) return DirectionDrag(e, p);
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line& l = *r.as<Line>();
        if (l.nodes.size() < 2 || LineClosed(l)) return Refuse(e);
        PointF a = l.nodes.front().pt(), b = l.nodes.back().pt();
        float chord = PtDist(a, b);
        if (chord < 1e-3f) return Refuse(e);
        float across = 0;
        {
            float lo = 0, hi = 0;
            for (const auto& q : l.eval) {
                float s = SignedDistToLine(a, b, q);
                lo = std::min(lo, s), hi = std::max(hi, s);
            }
            across = hi - lo;
        }
        Part& part = *r.part;
        auto rs = SelectedRecords(part);
        bool whole = rs.empty();
        if (whole) rs = AllRecords(part);
        return AskAndScale(e, part, std::move(rs), whole, a, PtAngle(a, b), chord, across);
    }
};

// ---------------------------------------------------------------- 对折 (24)

}  // namespace

bool FoldPart(Part& part, Line& axis, const TSmooth& smooth) {
    size_t at = 0;
    while (at < part.linesA.size() && part.linesA[at].get() != &axis) ++at;
    if (at == part.linesA.size() || part.linesA.size() < 2 || axis.eval.size() < 2) return false;
    PointF a0 = axis.eval.front(), a1 = axis.eval.back();
    if (PtDist(a0, a1) < 1e-3f) return false;
    Affine m = Affine::mirror(a0, a1);
    // A record lying on the axis is its own mirror image: it is not doubled.
    auto onAxis = [&](PointF q) { return std::abs(SignedDistToLine(a0, a1, q)) <= 1.0f; };
    auto lineOnAxis = [&](const Line& l) {
        return std::all_of(l.nodes.begin(), l.nodes.end(), [&](const Node& n) { return onAxis(n.pt()); });
    };
    std::vector<RecordRef> others;
    for (const auto& x : AllRecords(part)) {
        switch (x.kind) {
        case kKindLineB:
            if (!lineOnAxis(*static_cast<Line*>(x.record))) others.push_back(x);
            break;
        case kKindPin: {
            auto* q = static_cast<Pin*>(x.record);
            if (!onAxis({q->x, q->y})) others.push_back(x);
            break;
        }
        case kKindMotif:
        case kKindText:
        case kKindNotch: others.push_back(x); break;
        default: break;
        }
    }
    // The outline runs on from the axis's far end round to its near end; the mirrored lines,
    // each reversed and in reverse order, take the axis's place and bring it back.
    List<Line> mirrored;
    for (size_t k = 0; k + 1 < part.linesA.size(); ++k) {
        const Line& src = *part.linesA[(at + part.linesA.size() - 1 - k) % part.linesA.size()];
        auto c = std::make_unique<Line>(src);
        c->flags &= ~kFlagSelected;
        c->frontSym = c->graded = nullptr;
        for (auto& n : c->nodes) {
            PointF q = m.apply(n.pt());
            n.x = q.x, n.y = q.y;
        }
        std::reverse(c->nodes.begin(), c->nodes.end());
        EvaluateLineRecord(*c, smooth);
        mirrored.push_back(std::move(c));
    }
    for (const auto& x : others)
        if (auto c = CopyRecord(x); c.record) TransformRecord(c, m, smooth);
    // The axis stays as the centre line of the whole part.
    std::unique_ptr<Line> ax = std::move(part.linesA[at]);
    part.linesA.erase(part.linesA.begin() + long(at));
    part.linesA.insert(part.linesA.begin() + long(at), std::make_move_iterator(mirrored.begin()),
                       std::make_move_iterator(mirrored.end()));
    part.linesB.push_back(std::move(ax));
    return true;
}

namespace {

struct FoldTool : Tool {
    Line* axis = nullptr;
    Part* axisPart = nullptr;
    void releaseData() override { axis = nullptr, axisPart = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line& l = *r.as<Line>();
            if (p.ctrl() && r.kind == kKindLineB) {
                std::reverse(l.nodes.begin(), l.nodes.end());
                EvaluateLineRecord(l, e.doc.smooth);
                CommitEdit(e, {r.part});
                return true;
            }
            if (l.eval.size() < 2 || !PolyIsStraight(l.eval, 20.0f) || PtDist(l.eval.front(), l.eval.back()) < 1e-3f) {
                e.doc.platform.notice("对称轴必须是直线！");
                return true;
            }
            if (p.alt() && r.kind == kKindLineA) {
                if (!FoldPart(*r.part, l, e.doc.smooth)) return Refuse(e);
                CommitEdit(e, {r.part});
                return true;
            }
            axis = &l;
            axisPart = r.part;
            e.setStep(1);
            e.ShowPrompt(kPromptFold);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kPickPins | kPickMotifs | kPickLines);
        if (!r) return Refuse(e);
        if (r.record == axis) return Refuse(e, kToneBack);
        Affine m = Affine::mirror(axis->eval.front(), axis->eval.back());
        RecordRef target = RefOf(r);
        if (!p.ctrl()) target = CopyRecord(target);
        if (!target.record) return Refuse(e);
        TransformRecord(target, m, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, axis); }
};

// ---------------------------------------------------------------- 等距 (26)

struct OffsetTool : Tool {
    struct SideArrow {
        PointF from, toward;
    };
    std::optional<SideArrow> arrow;
    void releaseData() override { arrow.reset(); }
    bool overlay(Engine& e, Canvas& c) override {
        if (!arrow) return false;
        DrawArrow(e, c, arrow->from, arrow->toward);
        return true;
    }
    // A point off the line on the side the offset of sign `sign` goes to.
    // The index (≥ 1) of the evaluated segment nearest to p, which ends there.
    static int NearSegment(const Line& l, const Nearest& n) {
        int seg = n.where > 0 ? n.where : std::max(1, -n.where);
        return std::clamp(seg, 1, int(l.eval.size()) - 1);
    }
    static PointF SideOf(const Line& l, PointF press, float sign) {
        Nearest n = PolyNearest(l.eval, press);
        int seg = NearSegment(l, n);
        PointF a = l.eval[seg - 1], b = l.eval[seg];
        float len = std::max(PtDist(a, b), 1e-6f);
        // Positive offsets go to the right of the direction a→b.
        PointF right{(b.y - a.y) / len, -(b.x - a.x) / len};
        return {n.pt.x + right.x * sign * 100.0f, n.pt.y + right.y * sign * 100.0f};
    }
    // Offset copies of `nodes` at multiples of `dist` (positive: to the right).
    static void AddCopies(Engine& e, Part& part, const Line& like, const std::vector<Node>& nodes, float dist, int count) {
        for (int k = 1; k <= count; ++k) {
            std::vector<Node> n = nodes;
            OffsetNodes(n, dist * float(k), true);
            if (n.size() < 2) continue;
            auto l = LineLike(like, std::move(n), e.doc.smooth);
            part.linesB.push_back(std::move(l));
        }
    }
    // The sign of the offset distance that moves the line toward p's side.
    static float SideSign(const Line& l, PointF p) {
        int seg = NearSegment(l, PolyNearest(l.eval, p));
        return SignedDistToLine(l.eval[seg - 1], l.eval[seg], p) > 0 ? -1.0f : 1.0f;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        Part* part = r.part;
        if (l->eval.size() < 2 || l->nodes.size() < 2) return Refuse(e);
        float def = e.doc.settings.equidistance;
        float sign = SideSign(*l, p.model);
        if (p.ctrl()) {
            AddCopies(e, *part, *l, l->nodes, sign * def, 1);
            CommitEdit(e, {part});
            return true;
        }
        if (p.shift()) {
            OffsetNodes(l->nodes, sign * def, true);
            EvaluateLineRecord(*l, e.doc.smooth);
            CommitEdit(e, {part});
            return true;
        }
        PointF press = p.model;
        auto cur = std::make_shared<PointF>(p.model);
        DragCapture d;
        d.move = [cur](Engine& en, const Pointer& q) {
            *cur = q.model;
            en.present();
        };
        // The stretch between the press and the pointer along the line.
        d.overlay = [l, press, cur](Engine& en, Canvas& c) {
            float s0 = PolyLengthTo(l->eval, press).length, s1 = PolyLengthTo(l->eval, *cur).length;
            if (std::fabs(s1 - s0) < 300.0f) return false;
            c.setColour(kHighlightColour);
            c.setWidth(2);
            c.setDash(0, 0);
            DrawPolyline(en, c, PolySub(l->eval, std::min(s0, s1), std::max(s0, s1)));
            return true;
        };
        d.end = [this, l, part, press, sign](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted) return;
            float s0 = PolyLengthTo(l->eval, press).length, s1 = PolyLengthTo(l->eval, q.model).length;
            std::vector<Node> nodes = l->nodes;
            if (std::fabs(s1 - s0) >= 300.0f)
                nodes = StretchNodes(*l, NodePositions(*l), std::min(s0, s1), std::max(s0, s1));
            float measured = PolyNearest(l->eval, press).dist;
            float def = en.doc.settings.equidistance;
            const LengthUnit u = UnitOf(en);
            double shown = (measured < 100.0f ? def : measured) / u.per;
            std::vector<ValueField> f{{"距离(" + u.name + ")", shown, 0.001, 1e5, 2}, {"数量", 1, 1, 1000, 0}};
            // The arrow points from the line to the side the copies go to.
            PointF foot = PolyNearest(l->eval, press).pt;
            arrow = SideArrow{foot, SideOf(*l, press, sign)};
            en.present();
            bool ok = en.doc.platform.valueDialog("等距", f);
            arrow.reset();
            en.present();
            if (!ok) return;
            float dist = float(f[0].value * u.per);
            int count = int(std::lround(f[1].value));
            if (!(dist > 0) || count < 1 || count > 1000) return (void)en.tone(kToneRefused);
            // The farthest copy must stay within the pattern limits.
            float reach = dist * float(count);
            for (PointF q : l->eval)
                if (!(std::max(std::fabs(q.x), std::fabs(q.y)) + reach <= kMaxPatternCoord))
                    return (void)en.tone(kToneRefused);
            if (f[0].value != shown) en.doc.settings.equidistance = dist;
            AddCopies(en, *part, *l, nodes, sign * dist, count);
            CommitEdit(en, {part});
        };
        e.beginDrag(p, std::move(d));
        return true;
    }
};

// ---------------------------------------------------------------- 打断 (27), 修剪 (28)

// Breaks `line` of `part` at its crossings with `cutters`; true when it was broken.
bool BreakAt(Engine& e, Part& part, Line& line, const std::vector<const Polyline*>& cutters) {
    auto cr = CrossingsOf(line.eval, cutters);
    if (cr.empty()) return false;
    std::vector<float> at;
    for (auto& c : cr) at.push_back(c.s);
    auto more = BreakLine(line, at, e.doc.smooth);
    size_t i = 0;
    List<Line>* list = ListOf(part, &line, &i);
    for (size_t k = 0; k < more.size(); ++k) list->insert(list->begin() + long(i + 1 + k), std::move(more[k]));
    return true;
}

struct BreakTool : Tool {
    Line* cutter = nullptr;
    std::vector<Line*> group;
    void releaseData() override { cutter = nullptr, group.clear(); }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() >= 1) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line* l = r.as<Line>();
            if (l == cutter || (l->flags & kLineFixedLength)) return Refuse(e, kToneBack);
            auto it = std::find(group.begin(), group.end(), l);
            if (it == group.end()) group.push_back(l);
            else group.erase(it);
            e.tone(kToneAccepted);
            e.present();
            return true;
        }
        FenceStroke(e, p, [this](Engine& en, bool stroke, PointF a, PointF b) {
            if (stroke) return (void)FenceBreak(en, a, b);
            PickResult r = en.PickAt(a, kPickLines);
            if (!IsLine(r.kind)) return (void)en.tone(kToneRefused);
            cutter = r.as<Line>();
            group.clear();
            en.setStep(1);
            en.ShowPromptText(kPromptBreakGroup);
            en.present();
        });
        return true;
    }
    static bool FenceBreak(Engine& e, PointF a, PointF b) {
        Polyline seg{a, b};
        std::vector<Part*> touched;
        for (auto& part : e.doc.design.parts) {
            if (part->page() != e.doc.currentPage() || part->hidden()) continue;
            std::vector<Line*> lines;
            for (auto* list : {&part->linesA, &part->linesB})
                for (auto& l : *list) lines.push_back(l.get());
            bool any = false;
            for (Line* l : lines) any = BreakAt(e, *part, *l, {&seg}) || any;
            if (any) touched.push_back(part.get());
        }
        if (touched.empty()) return false;
        CommitEdit(e, touched);
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || !(k.key == key::Return || k.key == key::Enter)) return false;
        std::vector<Part*> touched;
        Design& d = e.doc.design;
        for (Line* l : group) {
            Part* part = OwnerPart(d, l);
            if (part && BreakAt(e, *part, *l, {&cutter->eval})) touched.push_back(part);
        }
        group.clear();
        cutter = nullptr;
        e.setStep(0);
        if (touched.empty()) {
            e.redraw();
            return Refuse(e);
        }
        CommitEdit(e, touched);
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() < 1 || !cutter) return false;
        c.setColour(kHighlightColour);
        c.setWidth(2);
        c.setDash(0, 0);
        DrawPolyline(e, c, cutter->eval);
        c.setDash(4, 4);
        for (Line* l : group) DrawPolyline(e, c, l->eval);
        return true;
    }
};

struct TrimTool : Tool {
    Polyline shown;  // the piece under the cursor

    static std::vector<float> Positions(Part& part, Line& l) {
        std::vector<float> at;
        for (auto& c : CrossingsOf(l.eval, OthersOf(part, &l, true))) at.push_back(c.s);
        return at;
    }
    static Polyline PieceShape(const Line& l, std::pair<float, float> piece) {
        Polyline out;
        float total = PolyLength(l.eval);
        int n = 32;
        for (int i = 0; i <= n; ++i) {
            float s = piece.first + (piece.second - piece.first) * float(i) / float(n);
            if (s < 0) s += total;
            if (s > total) s -= total;
            out.push_back(PolyPointAt(l.eval, s).pt);
        }
        return out;
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line* l = r.as<Line>();
        Part* part = r.part;
        if (l->eval.size() < 2) return Refuse(e);
        std::vector<float> at = Positions(*part, *l);
        float cut = PolyLengthTo(l->eval, p.model).length;
        if (!p.ctrl()) {
            shown = PieceShape(*l, PieceAround(*l, at, cut));
            e.present();
            bool yes = e.doc.platform.ask("确认修剪该线段吗？");
            shown.clear();
            if (!yes) {
                e.redraw();
                return true;
            }
        }
        TrimResult t = TrimLine(*l, at, cut, e.doc.smooth);
        if (t.deleteWhole) RemoveRecord(e.doc.design, l);
        else if (t.after) {
            size_t i = 0;
            List<Line>* list = ListOf(*part, l, &i);
            list->insert(list->begin() + long(i + 1), std::move(t.after));
        }
        CommitEdit(e, {part});
        return true;
    }
    bool move(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        Polyline before = std::move(shown);
        shown.clear();
        if (r.kind == kKindLineB && r.as<Line>()->eval.size() >= 2) {
            Line* l = r.as<Line>();
            shown = PieceShape(*l, PieceAround(*l, Positions(*r.part, *l), PolyLengthTo(l->eval, p.model).length));
        }
        if (shown != before) e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (shown.size() < 2) return false;
        c.setColour(kHighlightColour);
        c.setWidth(3);
        c.setDash(0, 0);
        DrawPolyline(e, c, shown);
        return true;
    }
};

// ---------------------------------------------------------------- 封闭 (25)

struct CloseTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line& l = *r.as<Line>();
        if (!CloseOrOpen(l, e.doc.smooth.joinDistance)) return Refuse(e);
        EvaluateLineRecord(l, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
};

// ---------------------------------------------------------------- 单头延伸 (101), 两头延伸 (102)

struct ExtendOneTool : Tool {
    Line* line = nullptr;
    Part* part = nullptr;
    bool last = false;
    PointF cursor;
    void releaseData() override { line = nullptr, part = nullptr; }

    // The foot of the cursor on the line through the end segment.
    bool Foot(PointF q, PointF& out) const {
        const auto& n = line->nodes;
        PointF end = last ? n.back().pt() : n.front().pt();
        PointF nb = last ? n[n.size() - 2].pt() : n[1].pt();
        if (PtDist(end, nb) < 1e-3f) return false;
        out = FootOnSegment(nb, end, q).pt;
        return true;
    }
    bool press(Engine& e, const Pointer& p, float d) {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r.kind != kKindLineB) return Refuse(e);
        Line& l = *r.as<Line>();
        if (l.nodes.size() < 2 || l.eval.size() < 2) return Refuse(e);
        float h = PickHalf(e);
        auto inRect = [&](PointF q) { return std::fabs(q.x - p.model.x) <= h && std::fabs(q.y - p.model.y) <= h; };
        if (d > 0 && (inRect(l.eval.front()) || inRect(l.eval.back()))) {
            line = &l;
            part = r.part;
            last = !inRect(l.eval.front());
            cursor = p.model;
            e.setStep(1);
            e.present();
            return true;
        }
        // The nearer end along the line (a two-point line has one segment for both halves).
        bool endLast = PolyLengthTo(l.eval, p.model).length * 2 >= PolyLength(l.eval);
        const PointF was = endLast ? l.nodes.back().pt() : l.nodes.front().pt();
        if (!ExtendEnd(l, endLast, d)) return Refuse(e);
        // An end too short to shorten stays: nothing to record.
        if ((endLast ? l.nodes.back().pt() : l.nodes.front().pt()) == was) return true;
        EvaluateLineRecord(l, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
    bool finish(Engine& e, PointF target, bool add) {
        auto& n = line->nodes;
        if (add) {
            Node nn{target.x, target.y, 0};
            if (last) n.push_back(nn);
            else n.insert(n.begin(), nn);
        } else {
            Node& end = last ? n.back() : n.front();
            end.x = target.x, end.y = target.y, end.word = 0;
        }
        EvaluateLineRecord(*line, e.doc.smooth);
        Part* pt = part;
        e.setStep(0);
        releaseData();
        CommitEdit(e, {pt});
        return true;
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return press(e, p, 100.0f);
        PointF foot;
        if (!Foot(p.model, foot)) return Refuse(e);
        int how = e.doc.platform.choose("选择延伸方式", {"移点", "加点"});
        if (how < 0) return true;
        return finish(e, foot, how == 1);
    }
    bool rightPress(Engine& e, const Pointer& p) override {
        if (e.step() >= 1) {
            e.CancelStep();
            return true;
        }
        return press(e, p, -100.0f);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() < 1) return false;
        cursor = p.model;
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || k.key != key::Space) return false;
        const auto& n = line->nodes;
        PointF end = last ? n.back().pt() : n.front().pt();
        PointF nb = last ? n[n.size() - 2].pt() : n[1].pt();
        if (PtDist(end, nb) < 1e-3f) return Refuse(e);
        // Prefilled with the extension the pointer shows (none when it lies behind the end).
        PointF foot;
        float shown = 0;
        if (Foot(cursor, foot)) {
            float beyond = PtDist(nb, foot) - PtDist(nb, end);
            bool ahead = (foot.x - nb.x) * (end.x - nb.x) + (foot.y - nb.y) * (end.y - nb.y) > 0;
            shown = ahead ? std::max(0.0f, beyond) : 0.0f;
        }
        const LengthUnit u = UnitOf(e);
        std::vector<ValueField> f{{"长度(" + u.name + ")", shown / u.per, 0, 1e5, 2}};
        if (!e.doc.platform.valueDialog("延伸", f)) return true;
        PointF to = ExtendBeyond(end, nb, float(f[0].value * u.per));
        if (!(f[0].value >= 0) || !WithinPatternLimits(to)) return Refuse(e);
        return finish(e, to, false);
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() < 1 || !line) return false;
        PointF foot;
        if (!Foot(cursor, foot)) return false;
        PointF end = last ? line->nodes.back().pt() : line->nodes.front().pt();
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        c.line(e.vs.view.toWindow(end), e.vs.view.toWindow(foot));
        return true;
    }
};

struct ExtendBothTool : Tool {
    static bool Apply(Engine& e, Part& part, const std::vector<Line*>& lines, float d) {
        if (lines.empty()) return Refuse(e);
        // Every end is tested before any moves: a refused command leaves all lines as they were.
        for (Line* l : lines) {
            const auto& n = l->nodes;
            if (n.size() < 2 || PtDist(n[0].pt(), n[1].pt()) < 1e-3f ||
                PtDist(n.back().pt(), n[n.size() - 2].pt()) < 1e-3f)
                return Refuse(e);
        }
        bool moved = false;
        for (Line* l : lines) {
            const PointF a = l->nodes.front().pt(), b = l->nodes.back().pt();
            ExtendEnd(*l, false, d);
            ExtendEnd(*l, true, d);
            if (l->nodes.front().pt() == a && l->nodes.back().pt() == b) continue;
            moved = true;
            EvaluateLineRecord(*l, e.doc.smooth);
        }
        // Shortening where every end segment is too short changes nothing: nothing to record.
        if (moved) CommitEdit(e, {&part});
        return true;
    }
    bool press(Engine& e, const Pointer& p, float d) {
        PickResult r = e.PickAt(p.model, 0x1010000);
        if (r.kind == kKindLineB) {
            Line* l = r.as<Line>();
            if (!(l->flags & kFlagSelected)) return Apply(e, *r.part, {l}, d);
            std::vector<Line*> v;
            for (auto& x : r.part->linesB)
                if ((x->flags & kFlagSelected) && !LineClosed(*x)) v.push_back(x.get());
            return Apply(e, *r.part, v, d);
        }
        if (r.kind == kKindPart || r.kind == kKindLineA) {
            std::vector<Line*> v;
            for (auto& x : r.part->linesB)
                if (!(x->flags & kFlagSelected) && !(x->flags & kLineAuxiliary) && !LineClosed(*x)) v.push_back(x.get());
            return Apply(e, *r.part, v, d);
        }
        if (ClearSelection(e.doc.design, e.doc.currentPage())) {
            e.redraw();
            return true;
        }
        return Refuse(e);
    }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (r) return press(e, p, 100.0f);
        BandOr(e, p, [this](Engine& en, const Pointer& q) { press(en, q, 100.0f); });
        return true;
    }
    bool rightPress(Engine& e, const Pointer& p) override { return press(e, p, -100.0f); }
};

// ---------------------------------------------------------------- 平行 (170), 取代 (165)

struct ParallelTool : Tool {
    Line* ref = nullptr;
    void releaseData() override { ref = nullptr; }
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        if (e.step() == 0) {
            // A closed reference has no chord to be parallel to.
            if (l->nodes.size() < 2 || LineClosed(*l)) return Refuse(e);
            ref = l;
            e.setStep(1);
            e.ShowPrompt(kPromptParallel);
            e.present();
            return true;
        }
        if (l == ref) return true;
        PointF K = ref->nodes.front().pt(), L = ref->nodes.back().pt();
        if (!TurnParallel(*l, NearerEndIsLast(*l, p.model), K, L)) return Refuse(e);
        EvaluateLineRecord(*l, e.doc.smooth);
        e.setStep(0);
        ref = nullptr;
        CommitEdit(e, {r.part});
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, ref); }
};

struct ReplaceTool : Tool {
    Line* src = nullptr;
    Part* srcPart = nullptr;
    float height = 0;
    void releaseData() override { src = nullptr, srcPart = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind)) return Refuse(e);
        Line* l = r.as<Line>();
        if (e.step() == 0) {
            // A closed line has no chord to lay along another line.
            if (l->nodes.size() < 2 || (LineClosed(*l) && !(l->flags & kLineFixedLength))) return Refuse(e);
            src = l;
            srcPart = r.part;
            height = 0;
            e.setStep(1);
            e.ShowPrompt(kPromptReplace);
            e.present();
            return true;
        }
        if (l == src) return Refuse(e, kToneBack);
        Line& dst = *l;
        std::vector<Part*> touched{r.part};
        if (src->flags & kLineFixedLength) {
            dst.flags = src->flags;
            dst.nodes = src->nodes;
            // The replacing line moves into the other's place; an outline line stays, or the
            // outline would open.
            if (srcPart == r.part && ListOf(*srcPart, src) == &srcPart->linesB) {
                Line* gone = src;
                src = nullptr;
                RemoveRecord(e.doc.design, gone);
            }
        } else {
            std::vector<Node> shape = src->nodes;
            PointF d0 = dst.nodes.front().pt(), d1 = dst.nodes.back().pt();
            PointF s0 = shape.front().pt(), s1 = shape.back().pt();
            if (PtDist(d0, s1) < PtDist(d0, s0) || PtDist(d1, s0) < PtDist(d1, s1))
                std::reverse(shape.begin(), shape.end());
            HeightRule rule = p.ctrl() ? HeightRule::KeepOld : p.shift() ? HeightRule::Unit
                              : height > 0 ? HeightRule::Typed : HeightRule::Similar;
            auto fitted = FitShape(shape, dst.nodes, rule, height);
            if (!fitted) return Refuse(e);
            const uint32_t bits = 0xF0u | kLineMethodMask;
            dst.flags = (dst.flags & ~bits) | (src->flags & bits);
            if (r.kind == kKindLineA) {
                src->nodes = std::move(dst.nodes);
                EvaluateLineRecord(*src, e.doc.smooth);
                if (srcPart != r.part) touched.push_back(srcPart);
            }
            dst.nodes = std::move(*fitted);
        }
        EvaluateLineRecord(dst, e.doc.smooth);
        e.setStep(0);
        src = nullptr;
        CommitEdit(e, touched);
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() < 1 || k.key != key::Space) return false;
        std::vector<ValueField> f{{"高度(mm)", height / 100.0, 0, 1e5, 2}};
        if (!e.doc.platform.valueDialog("取代", f)) return true;
        // A zero height is no shape; a height beyond the pattern limits no pattern.
        if (!(f[0].value > 0) || !(f[0].value * 100.0 <= kMaxPatternCoord)) return Refuse(e);
        height = float(f[0].value * 100.0);
        return true;
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return HighlightPicked(e, c, src); }
};

}  // namespace

// ---------------------------------------------------------------- 点操作 (35)

namespace {

struct PointOpTool : Tool {
    EditServices svc;
    Line* line = nullptr;
    Part* part = nullptr;
    bool isA = false;
    int node = -1;            // the node dragged
    PointF dragFrom;
    int rangeA = -1, rangeB = -1;
    std::vector<int> picked;  // Shift/Ctrl presses extend the picked set
    bool moved = false;

    explicit PointOpTool(EditServices s) : svc(std::move(s)) {}
    void releaseData() override {
        line = nullptr, part = nullptr, node = -1, rangeA = rangeB = -1;
        picked.clear();
    }

    int NodeAt(Engine& e, PointF p) const {
        float h = PickHalf(e);
        for (size_t i = 0; i < line->nodes.size(); ++i) {
            PointF q = line->nodes[i].pt();
            if (std::fabs(q.x - p.x) <= h && std::fabs(q.y - p.y) <= h) return int(i);
        }
        return -1;
    }
    void Changed(Engine& e, bool refit) {
        if (refit) line->flags |= lineflag::kNodesRefitted;
        EvaluateLineRecord(*line, e.doc.smooth);
        CommitEdit(e, {part});
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            line = r.as<Line>();
            part = r.part;
            isA = r.kind == kKindLineA;
            e.setStep(1);
            e.ShowPrompt(kPromptPickNode);
            e.present();
            return true;
        }
        int k = NodeAt(e, p.model);
        if (k >= 0 && (p.shift() || p.ctrl())) {
            auto it = std::find(picked.begin(), picked.end(), k);
            if (it == picked.end()) picked.push_back(k);
            else picked.erase(it);
            e.present();
            return true;
        }
        if (k >= 0) {
            node = k;
            dragFrom = line->nodes[size_t(k)].pt();
            moved = false;
            e.setStep(4);
            return true;
        }
        if (PolyNearest(line->eval, p.model).dist <= PickHalf(e)) {
            rangeA = rangeB = NearestNode(*line, p.model);
            e.setStep(3);
            e.present();
            return true;
        }
        return Refuse(e);
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() == 4 && node >= 0) {
            Node& n = line->nodes[size_t(node)];
            n.x = p.model.x, n.y = p.model.y;
            // The closing node of a closed line moves with the first.
            if (node == 0 && line->nodes.size() > 2 && PtSame(line->nodes.back().pt(), dragFrom))
                line->nodes.back().x = n.x, line->nodes.back().y = n.y;
            moved = true;
            EvaluateLineRecord(*line, e.doc.smooth);
            float dx = (n.x - dragFrom.x) / 100.0f, dy = (n.y - dragFrom.y) / 100.0f;
            char buf[160];
            std::snprintf(buf, sizeof buf, "〔节点坐标〕X=%-8.2f, Y=%-8.2f 〔相对位移〕%-6.2f,%-6.2f %6.2f", n.x / 100.0,
                          n.y / 100.0, dx, dy, std::hypot(dx, dy));
            e.ShowPromptText(buf);
            e.redraw();
            return true;
        }
        if (e.step() == 3) {
            rangeB = NearestNode(*line, p.model);
            e.present();
            return true;
        }
        return false;
    }
    bool leftRelease(Engine& e, const Pointer&) override {
        if (e.step() == 4 && moved) {
            moved = false;
            node = -1;
            CommitEdit(e, {part});
        }
        return false;  // the engine returns to step 1
    }

    // 接合 and 重合 on an outline line: the neighbour in the outline order at that end (the
    // previous line at the first node, the next at the last). 接合 makes the two one line, the
    // junction kept once as a corner node; 重合 moves this end onto the neighbour's end. False
    // when the outline has a single line.
    bool OutlineJoin(Engine& e, PointOpItem item, bool atFirst) {
        auto& list = part->linesA;
        size_t at = 0;
        if (ListOf(*part, line, &at) != &list || list.size() < 2) return false;
        size_t m = list.size();
        Line* other = list[atFirst ? (at + m - 1) % m : (at + 1) % m].get();
        if (other->nodes.size() < 2) return false;
        auto& n = line->nodes;
        Node& end = atFirst ? n.front() : n.back();
        const Node& meet = atFirst ? other->nodes.back() : other->nodes.front();
        if (item == PointOpItem::Coincide) {
            end.x = meet.x, end.y = meet.y;
            return true;
        }
        std::vector<Node> more = other->nodes;
        // Ends that do not meet keep both nodes: the outline already ran straight across.
        bool shared = PtDist(end.pt(), meet.pt()) <= e.doc.smooth.joinDistance;
        end.word |= kNodeBreak;
        if (atFirst) {
            more.back().word |= kNodeBreak;
            n.insert(n.begin(), more.begin(), shared ? more.end() - 1 : more.end());
        } else {
            more.front().word |= kNodeBreak;
            n.insert(n.end(), shared ? more.begin() + 1 : more.begin(), more.end());
        }
        // The joined line stays where this one was: the outline keeps its cyclic order (when
        // the previous line was the last of the list, the outline merely starts elsewhere).
        RemoveRecord(e.doc.design, other);
        return true;
    }

    bool RangeItem(Engine& e, PointOpItem item) {
        if (rangeA < 0 || !line) return Refuse(e);
        int s = std::min(rangeA, rangeB), t = std::max(rangeA, rangeB);
        auto& n = line->nodes;
        switch (item) {
        case PointOpItem::Pull:
            if (t - s < 2 || PullNodes(n, s, t) == 0) return Refuse(e);
            break;
        case PointOpItem::AddNodes: {
            if (s == t) s = 0, t = int(n.size()) - 1;
            if (t - s < 1) return Refuse(e);
            float len = 0;
            for (int i = s; i < t; ++i) len += PtDist(n[size_t(i)].pt(), n[size_t(i + 1)].pt());
            float step = len / float(t - s) / 2;
            if (step < 100.0f || e.doc.smooth.RefitRange(n, s, t, step) == 0) return true;  // no change
            break;
        }
        case PointOpItem::RemoveNodes: {
            size_t before = n.size();
            ThinRange(n, s, t);
            if (n.size() == before) return true;
            break;
        }
        case PointOpItem::RangeCorner:
            if (!CornerRange(n, s, t)) return true;  // parallel: no change
            break;
        default: return false;
        }
        rangeA = rangeB = -1;
        Changed(e, true);
        return true;
    }
    bool NodeItem(Engine& e, PointOpItem item, int k) {
        auto& n = line->nodes;
        int last = int(n.size()) - 1;
        switch (item) {
        case PointOpItem::ArcNode: n[size_t(k)].word &= ~kNodeBreak; break;
        case PointOpItem::CornerNode: n[size_t(k)].word |= kNodeBreak; break;
        case PointOpItem::Split: {
            if (k <= 0 || k >= last) return true;  // only an inner node
            std::vector<Node> second(n.begin() + k, n.end());
            n.resize(size_t(k) + 1);
            auto l2 = LineLike(*line, std::move(second), e.doc.smooth);
            size_t at = 0;
            List<Line>* list = ListOf(*part, line, &at);
            list->insert(list->begin() + long(at + 1), std::move(l2));
            break;
        }
        case PointOpItem::FindCorner: FindCorner(n, k); break;
        case PointOpItem::FindNotch: {
            // The notch sits where this node meets the part's outline; a second notch on the same
            // spot would only be cut twice.
            if (!isA) return Refuse(e);
            PointF at = n[size_t(k)].pt();
            if (part->outline.size() >= 2) at = PolyNearest(part->outline, at).pt;
            float join = e.doc.smooth.joinDistance;
            for (auto& q : part->notches)
                if (PtDist({q->x, q->y}, at) <= join) return Refuse(e);
            part->notches.push_back(MakeNotch(e.doc, *part, at));
            e.tone(kToneAccepted);
            break;
        }
        case PointOpItem::QuickDraw: {
            if (!e.doc.smooth.QuickDraw(n, line->flags, line->eval)) return Refuse(e);
            break;
        }
        case PointOpItem::Join:
        case PointOpItem::Coincide: {
            if (k != 0 && k != last) return true;  // ends only
            if (isA) {
                if (!OutlineJoin(e, item, k == 0)) return Refuse(e);
                break;
            }
            // A line B joins lines B only (an outline line must stay in the outline); its end
            // may coincide with the end of any line of the part.
            PointF end = n[size_t(k)].pt();
            float join = e.doc.smooth.joinDistance;
            Line* other = nullptr;
            bool otherFirst = false;
            float best = join;
            for (auto* list : {&part->linesA, &part->linesB}) {
                if (item == PointOpItem::Join && list == &part->linesA) continue;
                for (auto& l : *list) {
                    if (l.get() == line || l->nodes.size() < 2) continue;
                    for (bool first : {true, false}) {
                        float d = PtDist(end, first ? l->nodes.front().pt() : l->nodes.back().pt());
                        if (d <= best) best = d, other = l.get(), otherFirst = first;
                    }
                }
            }
            if (!other) return Refuse(e);
            PointF target = otherFirst ? other->nodes.front().pt() : other->nodes.back().pt();
            n[size_t(k)].x = target.x, n[size_t(k)].y = target.y;
            if (item == PointOpItem::Join) {
                // The other line's nodes continue this line from the shared end, which stays a
                // corner so that neither side changes its shape.
                std::vector<Node> more = other->nodes;
                if (otherFirst == (k == 0)) std::reverse(more.begin(), more.end());
                n[size_t(k)].word |= kNodeBreak;
                if (k == last) n.insert(n.end(), more.begin() + 1, more.end());
                else n.insert(n.begin(), more.begin(), more.end() - 1);
                RemoveRecord(e.doc.design, other);
            }
            break;
        }
        default: return Refuse(e);
        }
        Changed(e, false);
        return true;
    }
    bool rightPress(Engine& e, const Pointer& p) override {
        // Before a line is picked the right press only zooms.
        if (e.step() == 0 || !line) {
            if (p.ctrl() || p.shift() || p.alt()) return false;
            if (e.vs.view.zoomBy(2.0f / 3.0f, ZoomAnchor::Cursor, p.px, nullptr)) e.redraw();
            return true;
        }
        if (rangeA >= 0 && !p.ctrl()) {
            if (!svc.popup) return true;
            int s = std::min(rangeA, rangeB), t = std::max(rangeA, rangeB);
            std::vector<bool> on{t - s >= 2, true, true, t - s >= 3};
            int i = svc.popup("点操作内", {"拉点", "加点", "减点", "角点"}, on);
            if (i < 0 || i >= int(on.size()) || !on[size_t(i)]) return true;
            const PointOpItem items[] = {PointOpItem::Pull, PointOpItem::AddNodes, PointOpItem::RemoveNodes,
                                         PointOpItem::RangeCorner};
            return RangeItem(e, items[i]);
        }
        int k = NodeAt(e, p.model);
        if (p.ctrl() && k >= 0) {
            if (!svc.popup) return true;
            int last = int(line->nodes.size()) - 1;
            bool end = k == 0 || k == last;
            std::vector<bool> on{true, true, end, !end, end, true, isA, !(line->flags & lineflag::kQuickDrawn)};
            int i = svc.popup("点操作+ctrl", {"弧点", "角点", "接合", "断开", "重合", "找出角点", "找出牙尖", "速绘"}, on);
            if (i < 0 || i >= int(on.size()) || !on[size_t(i)]) return true;
            const PointOpItem items[] = {PointOpItem::ArcNode,  PointOpItem::CornerNode, PointOpItem::Join,
                                         PointOpItem::Split,    PointOpItem::Coincide,   PointOpItem::FindCorner,
                                         PointOpItem::FindNotch, PointOpItem::QuickDraw};
            return NodeItem(e, items[i], k);
        }
        // A plain right press zooms out about the cursor.
        if (e.vs.view.zoomBy(2.0f / 3.0f, ZoomAnchor::Cursor, p.px, nullptr)) e.redraw();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0 || !line) return false;
        switch (k.key) {
        case 'L': return RangeItem(e, PointOpItem::Pull);
        case 'A': return RangeItem(e, PointOpItem::AddNodes);
        case 'D': return RangeItem(e, PointOpItem::RemoveNodes);
        case 'C': return RangeItem(e, PointOpItem::RangeCorner);
        default: return false;
        }
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !line) return false;
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        for (size_t i = 0; i < line->nodes.size(); ++i) {
            PixelPoint q = e.vs.view.toWindow(line->nodes[i].pt());
            bool inRange = rangeA >= 0 && int(i) >= std::min(rangeA, rangeB) && int(i) <= std::max(rangeA, rangeB);
            bool sel = inRange || std::find(picked.begin(), picked.end(), int(i)) != picked.end();
            int r = sel ? 4 : 2;
            PixelPoint box[5] = {{q.x - r, q.y - r}, {q.x + r, q.y - r}, {q.x + r, q.y + r}, {q.x - r, q.y + r}, {q.x - r, q.y - r}};
            c.polyline(box, 5);
        }
        return true;
    }
};

}  // namespace

void InstallEditTools(Engine& e, EditServices services) {
    e.setTool(mode::Delete, std::make_unique<DeleteTool>());
    e.setTool(mode::AutoErase, std::make_unique<AutoEraseTool>());
    e.setTool(mode::Move, std::make_unique<MoveTool>());
    e.setTool(mode::Rotate, std::make_unique<RotateTool>());
    e.setTool(mode::Copy, std::make_unique<CopyTool>());
    e.setTool(mode::Scale, std::make_unique<ScaleTool>());
    e.setTool(mode::Fold, std::make_unique<FoldTool>());
    e.setTool(mode::Offset, std::make_unique<OffsetTool>());
    e.setTool(mode::Break, std::make_unique<BreakTool>());
    e.setTool(mode::Trim, std::make_unique<TrimTool>());
    e.setTool(mode::Close, std::make_unique<CloseTool>());
    e.setTool(mode::ExtendOne, std::make_unique<ExtendOneTool>());
    e.setTool(mode::ExtendBoth, std::make_unique<ExtendBothTool>());
    e.setTool(mode::Parallel, std::make_unique<ParallelTool>());
    e.setTool(mode::Replace, std::make_unique<ReplaceTool>());
    e.setTool(mode::Correct, MakeCorrectTool());
    e.setTool(mode::PointOp, std::make_unique<PointOpTool>(std::move(services)));
}

}  // namespace rz
