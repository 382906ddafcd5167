// The editing tools that act on records picked or selected: 删除, 自动擦除, 移动, 拷贝, 旋转 and 比例.
#include "commands/edit_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "commands/correct.h"
#include "commands/draw_common.h"
#include "commands/edit_shared.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

using namespace edit;

namespace {

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

}  // namespace

void edit::InstallSelectionTools(Engine& e) {
    e.setTool(mode::Delete, std::make_unique<DeleteTool>());
    e.setTool(mode::AutoErase, std::make_unique<AutoEraseTool>());
    e.setTool(mode::Move, std::make_unique<MoveTool>());
    e.setTool(mode::Rotate, std::make_unique<RotateTool>());
    e.setTool(mode::Copy, std::make_unique<CopyTool>());
    e.setTool(mode::Scale, std::make_unique<ScaleTool>());
}

}  // namespace rz
