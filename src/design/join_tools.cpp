#include "design/join_tools.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

// ---------------------------------------------------------------- pure parts

std::optional<Affine> JoinTransform(PointF p1, PointF t1, std::optional<std::pair<PointF, PointF>> second) {
    if (!second) return Affine::translate(t1.x - p1.x, t1.y - p1.y);
    const PointF p2 = second->first, t2 = second->second;
    if (PtDist(p1, p2) < 1e-3f || PtDist(t1, t2) < 1e-3f) return std::nullopt;
    const double turn = std::atan2(double(t2.y) - t1.y, double(t2.x) - t1.x) - std::atan2(double(p2.y) - p1.y, double(p2.x) - p1.x);
    return Affine::translate(t1.x - p1.x, t1.y - p1.y).then(Affine::rotate(t1, turn));
}

std::optional<MirrorImage> MirrorOf(const Polyline& pl, PointF a0, PointF a1, const std::vector<const Polyline*>& others) {
    if (pl.empty() || PtDist(a0, a1) < 1e-3f) return std::nullopt;
    const Affine m = Affine::mirror(a0, a1);
    MirrorImage out;
    out.points.reserve(pl.size());
    for (PointF q : pl) out.points.push_back(m.apply(q));
    for (PointF q : out.points) {
        float best = 1e30f;
        for (const Polyline* o : others)
            if (o && !o->empty()) best = std::min(best, PolyNearest(*o, q).dist);
        if (best < 1e30f) out.deviation = std::max(out.deviation, best);
    }
    return out;
}

bool IsStraightAxis(const Line& l) {
    return l.eval.size() >= 2 && PolyIsStraight(l.eval, 20.0f) && PtDist(l.eval.front(), l.eval.back()) > 1.0f;
}

bool PinToHead(Part& part, const Pin* pin) {
    auto it = std::find_if(part.pins.begin(), part.pins.end(), [&](auto& p) { return p.get() == pin; });
    if (it == part.pins.end() || it == part.pins.begin()) return false;
    std::rotate(part.pins.begin(), it, it + 1);
    return true;
}

namespace {

bool IsLine(int k) { return k == kKindLineA || k == kKindLineB; }

// The pixel of the view in model units (arrow-key steps).
float Pixel(const Engine& e) { return e.vs.view.s > 0.0f ? 1.0f / e.vs.view.s : 1.0f; }

PointF ArrowStep(int key, float step) {
    switch (key) {
    case key::Left: return {-step, 0.0f};
    case key::Right: return {step, 0.0f};
    case key::Up: return {0.0f, step};
    case key::Down: return {0.0f, -step};
    default: return {0.0f, 0.0f};
    }
}
bool IsArrow(int k) { return k == key::Left || k == key::Right || k == key::Up || k == key::Down; }

// ---------------------------------------------------------------- 拼板

struct JoinTool : Tool {
    enum Step { kIdle = 0, kPoints = 1, kTurnCentre = 10, kTurnDirection = 11 };
    Part* moving = nullptr;
    Part* target = nullptr;
    std::vector<PointF> from, to;
    PointF centre;
    bool nudged = false;  // a run of arrow moves waiting for its one snapshot

    void releaseData() override {
        moving = target = nullptr;
        from.clear(), to.clear();
        nudged = false;
    }
    void flush(Engine& e) {
        if (!nudged) return;
        nudged = false;
        e.doc.PushUndo();
    }
    bool end(Engine& e, int hz) {
        flush(e);
        if (moving) moving->flags &= ~kFlagSelected;
        e.tone(hz);
        e.CancelStep();
        e.redraw();
        return true;
    }
    void apply(Engine& e, const Affine& m) {
        Part* p = moving;
        e.setStep(0);
        releaseData();
        TransformPart(e, *p, m);
        CommitEdit(e, {p});
        e.UpdateModeStatus();
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickElements | kPickPart | kPickNoLineNodes);
        switch (e.step()) {
        case kIdle:
            if (p.alt()) return movePage(e, p);
            if (!r.part) return Refuse(e);
            moving = r.part;
            if (p.shift()) {
                moving->flags |= kFlagSelected;
                e.setStep(kTurnCentre);
                e.ShowPromptText(kPromptTurnCentre);
                e.redraw();
                return true;
            }
            from = {p.model};
            e.setStep(kPoints);
            e.ShowPromptText(kPromptJoinPoint);
            e.present();
            return true;
        case kPoints:
            if (!r.part) return true;  // nothing picked: ignored
            if (r.part == moving && to.empty()) {
                if (from.size() >= 2) return Refuse(e);
                from.push_back(p.model);
                e.present();
                return true;
            }
            if (r.part == moving || (target && r.part != target) || to.size() >= 2) return Refuse(e);
            target = r.part;
            to.push_back(p.model);
            if (from.size() == 1) {
                apply(e, *JoinTransform(from[0], to[0]));
                return true;
            }
            if (to.size() == 2) {
                auto m = JoinTransform(from[0], to[0], std::make_pair(from[1], to[1]));
                if (!m) {
                    to.pop_back();
                    return Refuse(e);
                }
                apply(e, *m);
                return true;
            }
            e.present();
            return true;
        case kTurnCentre:
            flush(e);
            centre = p.model;
            e.setStep(kTurnDirection);
            e.ShowPromptText(kPromptTurnDirection);
            e.present();
            return true;
        default:
            if (PtDist(centre, p.model) < Pixel(e)) return Refuse(e);  // no direction
            beginTurn(e, p);
            return true;
        }
    }

    // The turn drag: the outline follows the pointer's direction about the centre.
    void beginTurn(Engine& e, const Pointer& p) {
        struct Turn {
            PointF centre, pointer;
            float h = 0.0f, turn = 0.0f;
        };
        auto t = std::make_shared<Turn>();
        t->centre = centre, t->pointer = p.model;
        t->h = PtAngle(centre, p.model);
        DragCapture d;
        d.acceptOnRelease = false;
        d.rightPans = true;
        d.move = [t](Engine& en, const Pointer& q) {
            t->pointer = q.model;
            // A pointer on the centre keeps the turn it had.
            if (PtDist(t->centre, q.model) >= Pixel(en)) t->turn = PtAngle(t->centre, q.model) - t->h;
            en.present();
        };
        d.key = [t](Engine& en, const KeyEvent& k) {
            const float quarter = 1.5707964f;
            if ((k.key == key::Left || k.key == key::Right) && !k.shift()) t->turn = 0.0f;
            else if (k.key == key::Left) t->turn = -t->h;
            else if (k.key == key::Right) t->turn = -(t->h - quarter);
            else if (k.key == key::Up || k.key == key::Down) {
                const PointF q = k.key == key::Up ? PointF{t->centre.x, t->pointer.y} : PointF{t->pointer.x, t->centre.y};
                if (PtDist(t->centre, q) < Pixel(en)) return en.tone(kToneRefused);  // a zero vector: refused
                t->pointer = q;
                t->turn = PtAngle(t->centre, q) - t->h;
            } else if (k.keypad() && (k.key == key::Plus || k.key == key::Minus)) {
                // About 20 units of arc at the pointer's distance; a pointer closer than 10 mm
                // counts as 10 mm, so a press near the centre stays a fine step.
                const float r = std::max(PtDist(t->centre, t->pointer), 1000.0f);
                t->turn += (k.key == key::Plus ? 1.0f : -1.0f) * 20.0f / r;
            }
            en.present();
        };
        d.overlay = [this, t](Engine& en, Canvas& c) {
            if (!moving) return false;
            const Affine m = Affine::rotate(t->centre, t->turn);
            Polyline o;
            for (PointF q : moving->outline) o.push_back(m.apply(q));
            HighlightPen(c, 1);
            DrawPolyline(en, c, o);
            DrawPolyline(en, c, {t->centre, t->pointer});
            return true;
        };
        d.end = [this, t](Engine& en, const Pointer&, bool accepted) {
            Part* p = moving;
            if (accepted && p && t->turn != 0.0f && std::isfinite(t->turn)) {
                TransformPart(en, *p, Affine::rotate(t->centre, t->turn));
                CommitEdit(en, {p});
            }
            // The loop starts again at the first step.
            en.setStep(kTurnCentre);
            en.ShowPromptText(kPromptTurnCentre);
            en.present();
        };
        e.beginDrag(p, std::move(d));
        e.present();
    }

    // Alt: a drag moves every scan line and every visible part of the page.
    bool movePage(Engine& e, const Pointer& p) {
        const PointF start = p.model;
        DragCapture d;
        d.move = [](Engine& en, const Pointer&) { en.present(); };
        d.end = [start](Engine& en, const Pointer& q, bool accepted) {
            const PointF v{q.model.x - start.x, q.model.y - start.y};
            if (!accepted || (v.x == 0.0f && v.y == 0.0f)) return en.present();
            const Affine m = Affine::translate(v.x, v.y);
            std::vector<Part*> moved;
            for (auto& part : en.doc.design.parts)
                if (part->page() == en.doc.currentPage() && !part->hidden()) {
                    TransformPart(en, *part, m);
                    moved.push_back(part.get());
                }
            for (auto& s : en.doc.scanLines)
                for (auto& pl : s->shape)
                    for (auto& pt : pl) pt = m.apply(pt);
            CommitEdit(en, moved);
        };
        e.beginDrag(p, std::move(d));
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == kIdle) return false;
        if (k.key == key::Escape) return end(e, kToneBack);
        if (e.step() == kTurnCentre && IsArrow(k.key) && moving) {
            const PointF v = ArrowStep(k.key, Pixel(e));
            moving->homeX += v.x, moving->homeY += v.y;
            TransformPart(e, *moving, Affine::translate(v.x, v.y));
            RebuildPart(e.doc.design, *moving);
            e.designChanged();
            e.redraw();
            nudged = true;  // one snapshot for the run, when it ends
            return true;
        }
        return false;
    }
    bool rightPress(Engine& e, const Pointer&) override {
        if (e.step() == kIdle) return false;
        return end(e, kToneBack);
    }
    bool cancelStep(Engine& e) override {
        flush(e);
        if (moving) moving->flags &= ~kFlagSelected;
        return false;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == kIdle) return false;
        HighlightPen(c, 1);
        const float h = 5.0f * Pixel(e);
        for (const auto* list : {&from, &to})
            for (PointF q : *list) {
                DrawPolyline(e, c, {{q.x - h, q.y}, {q.x + h, q.y}});
                DrawPolyline(e, c, {{q.x, q.y - h}, {q.x, q.y + h}});
            }
        if (e.step() == kTurnDirection) {
            DrawPolyline(e, c, {{centre.x - h, centre.y - h}, {centre.x + h, centre.y + h}});
            DrawPolyline(e, c, {{centre.x - h, centre.y + h}, {centre.x + h, centre.y - h}});
        }
        return true;
    }
};

// ---------------------------------------------------------------- 分板

bool SplitBoardPress(Engine& e, const Pointer& p) {
    PickResult r = e.PickAt(p.model, kPickPins);
    if (r.kind != kKindPin || !r.part) return Refuse(e);
    if (PinToHead(*r.part, r.as<Pin>())) CommitEdit(e, {r.part});
    return true;
}

// ---------------------------------------------------------------- 取线

template <class T>
void MoveList(List<T>& from, List<T>& to) {
    for (auto& r : from) to.push_back(std::move(r));
    from.clear();
}

void MoveEverything(Part& from, Part& to) {
    MoveList(from.gradedLines, to.gradedLines), MoveList(from.gradedPins, to.gradedPins);
    MoveList(from.gradedMotifs, to.gradedMotifs), MoveList(from.linesA, to.linesB), MoveList(from.linesB, to.linesB);
    MoveList(from.pins, to.pins), MoveList(from.sizeLabels, to.sizeLabels), MoveList(from.notches, to.notches);
    MoveList(from.motifs, to.motifs), MoveList(from.texts, to.texts), MoveList(from.dimensions, to.dimensions);
    MoveList(from.basePoints, to.basePoints), MoveList(from.pointRows, to.pointRows);
    MoveList(from.seamAllowances, to.seamAllowances), MoveList(from.symLineLinks, to.symLineLinks);
    MoveList(from.slotLines, to.slotLines), MoveList(from.marks, to.marks), MoveList(from.chamfers, to.chamfers);
    MoveList(from.symElemLinks, to.symElemLinks), MoveList(from.sharedZones, to.sharedZones);
    MoveList(from.fixedDistances, to.fixedDistances);
}

template <class T>
T& CopyInto(List<T>& to, const T& src, BasePoint* bp) {
    auto c = std::make_unique<T>(src);
    c->flags &= ~kFlagTransient;
    c->frontSym = nullptr;
    c->graded = nullptr;
    c->basePoint = bp;
    to.push_back(std::move(c));
    return *to.back();
}

bool TakeLinePress(Engine& e, const Pointer& p) {
    Design& d = e.doc.design;
    if (d.parts.empty()) return Refuse(e);
    Part& master = d.firstPart();
    PickResult r = e.PickAt(p.model, kPickPins | kPickMotifs | kPickTexts | kPickLines | kPickNoLineNodes | kPickPart);
    if (!r.part || r.part == &master) return Refuse(e);
    const bool ask = !p.ctrl();
    auto yes = [&](const char* q) { return !ask || e.doc.platform.ask(q); };
    auto done = [&] {
        e.tone(kToneAccepted);
        CommitEdit(e, {&master});
        return true;
    };
    BasePoint* bp = master.basePoints.empty() ? nullptr : master.basePoints.front().get();
    const bool wholePart = r.kind == kKindPart || p.alt();
    if (!wholePart) {
        switch (r.kind) {
        case kKindPin:
            if (!yes("取出该定针？")) return true;
            CopyInto(master.pins, *r.as<Pin>(), bp);
            return done();
        case kKindMotif:
            if (!yes("取出该图案？")) return true;
            CopyInto(master.motifs, *r.as<Motif>(), bp);
            return done();
        case kKindText: {
            if (!yes("取出该字串？")) return true;
            auto t = std::make_unique<TextString>(*r.as<TextString>());
            t->flags &= ~kFlagTransient;
            master.texts.push_back(std::move(t));
            return done();
        }
        default:
            if (!IsLine(r.kind) || (r.as<Line>()->flags & kLineAuxiliary)) return Refuse(e);
            if (!yes("取出该线条？")) return true;
            CopyInto(master.linesB, *r.as<Line>(), bp);
            return done();
        }
    }
    Part& src = *r.part;
    if (p.ctrl()) {
        // The whole part goes into the master-line part and leaves the chain.
        MoveEverything(src, master);
        std::erase_if(d.parts, [&](const std::unique_ptr<Part>& q) { return q.get() == &src; });
        int idx = 0;
        for (auto& b : master.basePoints) b->index = idx++;
        return done();
    }
    if (!p.alt() && !e.doc.platform.ask("取出该部位线？")) return true;
    if (!bp && !src.basePoints.empty()) {
        // The master-line part gets a base point of its own first, like the picked part's.
        auto b = std::make_unique<BasePoint>(*src.basePoints.front());
        b->owner = nullptr, b->frontSym = nullptr, b->index = 0;
        b->flags &= ~kFlagTransient;
        master.basePoints.push_back(std::move(b));
        bp = master.basePoints.front().get();
    }
    for (const List<Line>* l : {&src.linesA, &src.linesB})
        for (auto& line : *l) CopyInto(master.linesB, *line, bp);
    for (auto& q : src.pins) CopyInto(master.pins, *q, bp);
    for (auto& m : src.motifs) CopyInto(master.motifs, *m, bp);
    for (auto& t : src.texts) {
        master.texts.push_back(std::make_unique<TextString>(*t));
        master.texts.back()->flags &= ~kFlagTransient;
    }
    return done();
}

// ---------------------------------------------------------------- 对称轴, 摆平

constexpr uint32_t kAxisColour = 0x008080;  // olive (red 128, green 128)

// A scan line's polylines joined in order: what straightness and the axis ends are read from.
Polyline ScanPoints(const ScanLine& s) {
    Polyline all;
    for (const Polyline& pl : s.shape) all.insert(all.end(), pl.begin(), pl.end());
    return all;
}

bool IsStraightScanAxis(const ScanLine& s) {
    const Polyline all = ScanPoints(s);
    return all.size() >= 2 && PolyIsStraight(all, 20.0f) && PtDist(all.front(), all.back()) > 1.0f;
}

// The axis is a line (lines and pins are examined) or a scan line (the other scan lines are).
struct SymmetryTool : Tool {
    Line* axis = nullptr;
    Part* axisPart = nullptr;
    ScanLine* scanAxis = nullptr;
    int activeEnd = 0;
    bool nudged = false;
    std::vector<Line*> toggled;
    std::vector<ScanLine*> toggledScans;
    std::vector<Polyline> images;
    // The four-point step.
    Line* fourOn = nullptr;
    std::vector<PointF> four;

    void releaseData() override {
        axis = nullptr, axisPart = nullptr, scanAxis = nullptr, fourOn = nullptr;
        activeEnd = 0, nudged = false;
        toggled.clear(), toggledScans.clear(), images.clear(), four.clear();
    }
    void flush(Engine& e) {
        if (!nudged) return;
        nudged = false;
        e.doc.PushUndo();
    }
    Polyline axisPoints() const { return scanAxis ? ScanPoints(*scanAxis) : axis->eval; }
    void rebuildImages(Engine& e) {
        images.clear();
        const Polyline ax = axisPoints();
        if (ax.size() < 2) return;
        std::vector<const Polyline*> sel;
        if (scanAxis) {
            for (auto& s : e.doc.scanLines)
                if ((s->flags & kFlagSelected) && s.get() != scanAxis)
                    for (const Polyline& pl : s->shape) sel.push_back(&pl);
        } else {
            for (auto& part : e.doc.design.parts) {
                if (part->page() != e.doc.currentPage()) continue;
                for (const List<Line>* l : {&part->linesA, &part->linesB})
                    for (auto& line : *l)
                        if ((line->flags & kFlagSelected) && line.get() != axis) sel.push_back(&line->eval);
            }
        }
        for (const Polyline* pl : sel)
            if (auto m = MirrorOf(*pl, ax.front(), ax.back(), {}); m) images.push_back(std::move(m->points));
    }
    void setAxisEnds(Engine& e, PointF a, PointF b) {
        if (scanAxis) {
            // Scan lines are not part of the undo ring: the move is not stored as a step.
            scanAxis->shape = {{a, b}};
            e.designChanged();
        } else {
            axis->nodes = {{a.x, a.y, 0}, {b.x, b.y, 0}};
            EvaluateLineRecord(*axis, e.doc.smooth);
            RebuildPart(e.doc.design, *axisPart);
            e.designChanged();
        }
        rebuildImages(e);
        e.redraw();
    }
    bool takeAxis(Engine& e, const PickResult& r) {
        if (r.kind == kKindScanLine && IsStraightScanAxis(*r.as<ScanLine>())) {
            scanAxis = r.as<ScanLine>();
            e.ShowPromptText(kPromptSymmetryScanLines);
        } else if (IsLine(r.kind) && IsStraightAxis(*r.as<Line>())) {
            axis = r.as<Line>(), axisPart = r.part;
            e.ShowPromptText(kPromptSymmetryLines);
        } else {
            e.doc.platform.notice(kAxisNotStraight);
            return false;
        }
        activeEnd = 0;
        e.setStep(1);
        rebuildImages(e);
        e.present();
        return true;
    }
    bool scanPress(Engine& e, const PickResult& r) {
        if (r.kind != kKindScanLine || r.as<ScanLine>() == scanAxis) return Refuse(e);
        ScanLine* s = r.as<ScanLine>();
        s->flags ^= kFlagSelected;
        if (std::find(toggledScans.begin(), toggledScans.end(), s) == toggledScans.end()) toggledScans.push_back(s);
        rebuildImages(e);
        e.redraw();
        return true;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        const uint32_t what = e.step() == 0 || scanAxis ? kPickScanLines : 0;
        PickResult r = e.PickAt(p.model, kPickLines | kPickPins | kPickMotifs | kPickNoLineNodes | what);
        if (e.step() == 0) {
            takeAxis(e, r);
            return true;
        }
        flush(e);
        if (scanAxis) return scanPress(e, r);
        if (e.step() == 2) {
            // Four positions along the line: the axis runs through the middles of 1–2 and 3–4.
            four.push_back(PolyNearest(fourOn->eval, p.model).pt);
            if (four.size() < 4) {
                e.present();
                return true;
            }
            const PointF m1 = PtMid(four[0], four[1]), m2 = PtMid(four[2], four[3]);
            four.clear();
            e.setStep(1);
            e.ShowPromptText(kPromptSymmetryLines);
            if (PtDist(m1, m2) < 1.0f) return Refuse(e);
            const float L = std::max(PtDist(axis->eval.front(), axis->eval.back()), PtDist(m1, m2));
            const PointF c = PtMid(m1, m2), u{(m2.x - m1.x) / PtDist(m1, m2), (m2.y - m1.y) / PtDist(m1, m2)};
            setAxisEnds(e, {c.x - u.x * L / 2, c.y - u.y * L / 2}, {c.x + u.x * L / 2, c.y + u.y * L / 2});
            e.doc.PushUndo();
            return true;
        }
        if (r.kind == kKindPin || r.kind == kKindMotif) return true;  // ignored
        if (!IsLine(r.kind) || r.as<Line>() == axis) return Refuse(e);
        Line* l = r.as<Line>();
        if (p.ctrl()) {
            fourOn = l;
            four.clear();
            e.setStep(2);
            e.ShowPromptText(kPromptFourPoints);
            e.present();
            return true;
        }
        l->flags ^= kFlagSelected;
        if (std::find(toggled.begin(), toggled.end(), l) == toggled.end()) toggled.push_back(l);
        rebuildImages(e);
        e.redraw();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0) return false;
        if (k.key == key::Escape) {
            e.CancelStep();
            return true;
        }
        if (!IsArrow(k.key)) return false;
        if (!k.shift()) {
            activeEnd ^= 1;
            e.present();
            return true;
        }
        const PointF v = ArrowStep(k.key, Pixel(e));
        const Polyline ax = axisPoints();
        PointF a = ax.front(), b = ax.back();
        PointF& moved = activeEnd == 0 ? a : b;
        moved = {moved.x + v.x, moved.y + v.y};
        if (PtDist(a, b) < 1.0f) return Refuse(e, kToneBack);  // the axis would shrink to a point
        setAxisEnds(e, a, b);
        nudged = scanAxis == nullptr;
        return true;
    }
    bool cancelStep(Engine& e) override {
        flush(e);
        for (Line* l : toggled) l->flags &= ~kFlagSelected;
        for (ScanLine* s : toggledScans) s->flags &= ~kFlagSelected;
        return false;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || (!axis && !scanAxis)) return false;
        c.setColour(kAxisColour);
        c.setWidth(1);
        c.setDash(0, 0);
        DrawPolyline(e, c, axisPoints());
        HighlightPen(c, 1);
        for (const Polyline& im : images) DrawPolyline(e, c, im);
        return true;
    }
};

}  // namespace

void InstallJoinTools(Engine& e) {
    e.setTool(mode::Join, std::make_unique<JoinTool>());
    ModeHandlers split;
    split.leftPress = SplitBoardPress;
    split.rightPress = [](Engine& en, const Pointer&) { return Refuse(en); };  // no step to end
    e.setHandlers(mode::SplitBoard, std::move(split));
    ModeHandlers take;
    take.leftPress = TakeLinePress;
    e.setHandlers(mode::TakeLine, std::move(take));
    e.setTool(mode::Symmetry, std::make_unique<SymmetryTool>());
    e.setTool(mode::Flatten, std::make_unique<SymmetryTool>());
}

}  // namespace rz
