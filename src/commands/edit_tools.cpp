#include "commands/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "commands/correct.h"
#include "commands/draw_common.h"
#include "commands/feature_tools.h"
#include "commands/edit_shared.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

using namespace edit;

// ---------------------------------------------------------------- shared pieces

namespace edit {

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

}  // namespace edit

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

namespace edit {
// A whole part: its records, and the size labels and dimensions placed in it, whose drawing
// is not derived again from anything that moved.
void TransformAll(Engine& e, const std::vector<RecordRef>& rs, const Affine& m) {
    for (const auto& r : rs) TransformRecord(r, m, e.doc.smooth);
    if (rs.empty()) return;
    Part& part = *rs.front().part;
    // A mirrored host runs the other way round its slots: they keep their side by their depth.
    if (m.mirrors())
        for (auto& s : part.slotLines)
            if (std::any_of(rs.begin(), rs.end(), [&](const RecordRef& r) { return r.record == s->host.ptr; }))
                MirrorSlotDepth(*s);
    for (auto& sl : part.sizeLabels) TransformRecord({kKindSizeLabel, sl.get(), &part}, m, e.doc.smooth);
    for (auto& dm : part.dimensions) {
        for (size_t i = 0; i + 1 < dm->points.size(); i += 2) {
            PointF q = m.apply({dm->points[i], dm->points[i + 1]});
            dm->points[i] = q.x, dm->points[i + 1] = q.y;
        }
        const PointF t = m.apply({dm->f1, dm->f2});
        dm->f1 = t.x, dm->f2 = t.y;
        for (Shape* sh : {&dm->drawn1, &dm->drawn2})
            for (auto& pl : *sh)
                for (auto& q : pl) q = m.apply(q);
    }
}
}  // namespace edit

void TransformPart(Engine& e, Part& p, const Affine& m) { TransformAll(e, AllRecords(p), m); }

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
        r.mods = accepted ? p.mods : 0;
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

namespace edit {

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

}  // namespace edit

void InstallEditTools(Engine& e, EditServices services) {
    edit::InstallSelectionTools(e);
    edit::InstallLineTools(e);
    e.setTool(mode::Correct, MakeCorrectTool());
    InstallFeatureTools(e, services.popup);
    edit::InstallPointOpTool(e, std::move(services));
}

}  // namespace rz
