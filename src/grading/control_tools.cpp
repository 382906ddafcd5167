// The tool modes of the grading controls: 前对称控制 (154), 共用 (118), 定距主从 (117), 固定 (116)
// and 对称控制 (144). Each picks through the engine, refuses with a tone, asks through the
// platform, and stores one undo snapshot per change it commits.
#include "grading/control_tools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "commands/edit_tools.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/stretch.h"
#include "grading/control_dialogs.h"
#include "grading/control_edit.h"
#include "grading/controls.h"
#include "grading/engine.h"
#include "interact/colours.h"
#include "interact/modes.h"
#include "interact/pick.h"
#include "model/sizes.h"

namespace rz {

namespace {

constexpr int kPromptShareStart = 33774;
constexpr int kPromptShareEnd = 33775;
constexpr int kPromptShareBase = 33776;
constexpr int kPromptFixedStart = 34023;
constexpr int kPromptFixedEnd = 34024;
constexpr int kPromptFixedMaster = 34025;
constexpr int kPromptFixLines = 34026;
constexpr int kPromptFixedElement = 34027;
constexpr int kPromptFixBase = 34028;
constexpr int kPromptAxis = 34029;
constexpr int kPromptFrontElements = 34030;
constexpr int kPromptMaster = 34031;

bool IsLine(int kind) { return kind == kKindLineA || kind == kKindLineB; }

void Commit(Engine& e) {
    e.designChanged();
    e.redraw();
    e.doc.PushUndo();
}

// A one-number dialog in mm; nullopt when cancelled.
std::optional<double> AskMillimetres(Engine& e, const std::string& title, double now) {
    std::vector<ValueField> f{{title, now, 0.0, 1000.0, 1}};
    if (!e.doc.platform.valueDialog(title, f)) return std::nullopt;
    return f[0].value;
}

// The right button, or leaving a step: back to the first pick, with its prompt.
bool BackToFirstStep(Engine& e, Tool& t, int prompt) {
    if (e.step() == 0) return false;
    t.releaseData();
    e.setStep(0);
    e.ShowPrompt(prompt);
    e.present();
    return true;
}

void HighlightLine(Engine& e, Canvas& c, const Line* l) {
    if (l && !l->eval.empty()) DrawPolyline(e, c, l->eval);
}

// The stretches already on a highlighted line, in their own colours over the highlight (the
// next click chooses among them): [front blend, stretch, rear blend].
void DrawStretches(Engine& e, Canvas& c, const Shape& drawn, int stretchColour) {
    const Settings& s = e.doc.settings;
    for (size_t i = 0; i < drawn.size(); ++i) {
        c.setColour(s.colours[size_t(i % 3 == 1 ? stretchColour : kColBlendZone)]);
        DrawPolyline(e, c, drawn[i]);
    }
}

// ---------------------------------------------------------------- 前对称控制

class FrontSymmetryTool : public Tool {
public:
    void enter(Engine& e) override { e.ShowPrompt(kPromptMaster); }
    void releaseData() override { master_ = nullptr, part_ = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line* l = r.as<Line>();
            if (l->frontSym) {
                flash(e, l->eval);
                return Refuse(e);
            }
            EditResult ok = CheckFrontMaster(*r.part, *l);
            if (!ok.ok) {
                if (!ok.text.empty()) e.doc.platform.notice(ok.text);
                else Refuse(e);
                return true;
            }
            master_ = l, part_ = r.part;
            e.setStep(1);
            e.ShowPrompt(kPromptFrontElements);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kPickLines | kPickPins | kPickMotifs | kPickBasePoints);
        if (!r || r.part != part_) return Refuse(e);
        const uint32_t kind = IsLine(r.kind) ? uint32_t(kKindLine) : uint32_t(r.kind);
        if (!ToggleFrontSymmetry(*part_, *master_, r.record, kind).ok) return Refuse(e);
        Commit(e);
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override { return cancelStep(e); }
    bool cancelStep(Engine& e) override { return BackToFirstStep(e, *this, kPromptAxis); }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !master_) {
            if (flash_.empty()) return false;
            HighlightPen(c);
            DrawPolyline(e, c, flash_);
            return true;
        }
        HighlightPen(c);
        HighlightLine(e, c, master_);
        for (const List<Line>* list : {&part_->linesA, &part_->linesB})
            for (auto& l : *list)
                if (l->frontSym == master_) HighlightLine(e, c, l.get());
        for (auto& q : part_->pins)
            if (q->frontSym == master_) DrawPolyline(e, c, q->outline);
        for (auto& m : part_->motifs)
            if (m->frontSym == master_)
                for (const Polyline& pl : m->shape) {
                    Polyline at;
                    for (PointF v : pl) at.push_back({v.x + m->x, v.y + m->y});
                    DrawPolyline(e, c, at);
                }
        for (auto& b : part_->basePoints)
            if (b->frontSym == master_)
                for (const Polyline& pl : b->drawn1) DrawPolyline(e, c, pl);
        return true;
    }

private:
    // A line that is already a slave shows for 300 ms (a copy: it may be gone by then).
    void flash(Engine& e, const Polyline& pts) {
        if (!e.hooks.later || pts.size() < 2) return;
        flash_ = pts;
        const int id = ++flashes_;
        e.present();
        e.hooks.later(300, [this, &e, id] {
            if (id != flashes_) return;  // a later flash runs its own time
            flash_.clear();
            e.present();
        });
    }

    Line* master_ = nullptr;
    Part* part_ = nullptr;
    Polyline flash_;
    int flashes_ = 0;
};

// ---------------------------------------------------------------- 共用

class ShareTool : public Tool {
public:
    void enter(Engine& e) override { e.ShowPrompt(e.defaultPrompt); }
    void releaseData() override { host_ = nullptr, part_ = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        switch (e.step()) {
            case 0: {
                PickResult r = e.PickAt(p.model, kPickLines);
                if (!IsLine(r.kind) || !(EvaluatedLength(*r.as<Line>()) > 0.0)) return Refuse(e);
                host_ = r.as<Line>(), part_ = r.part;
                e.setStep(1);
                e.ShowPrompt(kPromptShareStart);
                e.present();
                return true;
            }
            case 1: {
                if (!(EvaluatedLength(*host_) > 0.0)) return Refuse(e);
                const double t = FractionAt(*host_, p.model);
                if (int k = ZoneAt(*part_, *host_, t); k >= 0) return editZone(e, *part_->sharedZones[size_t(k)], t);
                t1_ = t;
                e.setStep(2);
                e.ShowPrompt(kPromptShareEnd);
                e.present();
                return true;
            }
            case 2: {
                t2_ = FractionAt(*host_, p.model);
                const double a = std::min(t1_, t2_), b = std::max(t1_, t2_);
                for (auto& z : part_->sharedZones)
                    if (z->host == host_ && (a == b ? (a >= z->f[0] && a <= z->f[3]) : (a < z->f[3] && b > z->f[0])))
                        return Refuse(e);
                e.tone(kToneAccepted);
                e.setStep(3);
                e.ShowPrompt(kPromptShareBase);
                e.present();
                return true;
            }
            default: {
                const float blend = BlendLength(e.doc.settings);
                if (p.ctrl()) {
                    // The new base point and the zone come together or not at all.
                    if (!AddSharedZoneAtNewBase(*part_, *host_, t1_, t2_, p.model, blend).ok) return Refuse(e);
                } else {
                    PickResult r = e.PickAt(p.model, kPickBasePoints);
                    if (r.kind != kKindBasePoint || r.part != part_) return Refuse(e);
                    if (!AddSharedZone(*part_, *host_, t1_, t2_, *r.as<BasePoint>(), blend).ok) return Refuse(e);
                }
                RebuildPart(e.doc.design, *part_);
                Commit(e);
                e.setStep(1);
                e.ShowPrompt(kPromptShareStart);
                return true;
            }
        }
    }

    bool rightPress(Engine& e, const Pointer&) override { return cancelStep(e); }
    bool cancelStep(Engine& e) override {
        if (e.step() == 0) return false;
        e.tone(kToneBack);
        e.setStep(e.step() - 1);
        if (e.step() == 0) releaseData();
        e.ShowPrompt(e.step() == 0 ? e.defaultPrompt : e.step() == 1 ? kPromptShareStart : kPromptShareEnd);
        e.present();
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !host_) return false;
        HighlightPen(c);
        HighlightLine(e, c, host_);
        if (part_)
            for (auto& z : part_->sharedZones)
                if (z->host == host_) DrawStretches(e, c, z->drawn, kColSharedZone);
        return true;
    }

private:
    // A click inside a zone: its blends through 前接顺区/后接顺区, the zone itself through 共用属性.
    bool editZone(Engine& e, SharedZone& z, double t) {
        const double len = EvaluatedLength(*host_);
        const double frontMm = (z.f[1] - z.f[0]) * len / 100.0, rearMm = (z.f[3] - z.f[2]) * len / 100.0;
        EditResult r = EditResult::done();
        if (t < z.f[1]) {
            auto v = AskMillimetres(e, "前接顺区", frontMm);
            if (!v) return true;
            r = SetZoneBlend(*part_, z, *v, std::nullopt);
        } else if (t > z.f[2]) {
            auto v = AskMillimetres(e, "后接顺区", rearMm);
            if (!v) return true;
            r = SetZoneBlend(*part_, z, std::nullopt, *v);
        } else {
            std::vector<FormField> f{FormField::Number("前接顺区", frontMm, 1, 0, 1000),
                                     FormField::Number("后接顺区", rearMm, 1, 0, 1000),
                                     FormField::Label("基点序号", z.basePoint ? std::to_string(z.basePoint->index) : "-"),
                                     FormField::Check("删除", false)};
            if (!e.doc.platform.formDialog("共用属性", f)) return true;
            r = f[3].on() ? DeleteZone(*part_, z) : SetZoneBlend(*part_, z, f[0].value, f[1].value);
        }
        if (!r.ok) return Refuse(e);
        Commit(e);
        return true;
    }

    Line* host_ = nullptr;
    Part* part_ = nullptr;
    double t1_ = 0, t2_ = 0;
};

// ---------------------------------------------------------------- 定距主从

class FixedDistanceTool : public Tool {
public:
    void enter(Engine& e) override { e.ShowPrompt(kPromptFixedElement); }
    void releaseData() override { slave_ = nullptr, part_ = nullptr, kind_ = 0, whole_ = false; }

    bool leftPress(Engine& e, const Pointer& p) override {
        switch (e.step()) {
            case 0: return pickSlave(e, p);
            case 1: {
                Line& l = *static_cast<Line*>(slave_);
                if (!(EvaluatedLength(l) > 0.0)) return Refuse(e);
                const double t = FractionAt(l, p.model);
                for (auto& f : part_->fixedDistances)
                    if (f->first.ptr == &l && t >= f->f[0] && t <= f->f[3]) return editStretch(e, *f, t);
                t1_ = t;
                e.setStep(2);
                e.ShowPrompt(kPromptFixedEnd);
                e.present();
                return true;
            }
            case 2: {
                t2_ = FractionAt(*static_cast<Line*>(slave_), p.model);
                const double a = std::min(t1_, t2_), b = std::max(t1_, t2_);
                for (auto& f : part_->fixedDistances)
                    if (f->first.ptr == slave_ && (a == b ? (a >= f->f[0] && a <= f->f[3]) : (a < f->f[3] && b > f->f[0])))
                        return Refuse(e);
                e.setStep(3);
                e.ShowPrompt(kPromptFixedMaster);
                e.present();
                return true;
            }
            default: {
                PickResult r = e.PickAt(p.model, kPickLines);
                if (!IsLine(r.kind) || r.part != part_ || r.record == slave_) return Refuse(e);
                if (!AddFixedDistance(*part_, slave_, kind_, *r.as<Line>(), whole_, t1_, t2_,
                                      BlendLength(e.doc.settings))
                         .ok)
                    return Refuse(e);
                Commit(e);
                // Back to the stretch step of the same slave line; a pin or motif is done.
                if (kind_ == kKindLine) {
                    whole_ = false;
                    e.setStep(1);
                    e.ShowPrompt(kPromptFixedStart);
                } else {
                    releaseData();
                    e.setStep(0);
                    e.ShowPrompt(kPromptFixedElement);
                }
                return true;
            }
        }
    }

    bool rightPress(Engine& e, const Pointer&) override { return cancelStep(e); }
    bool cancelStep(Engine& e) override {
        if (e.step() == 0) return false;
        e.tone(kToneBack);
        int s = e.step() - 1;
        if (kind_ != kKindLine || (s == 2 && whole_)) s = 0;
        e.setStep(s);
        if (s == 0) releaseData();
        e.ShowPrompt(s == 0 ? kPromptFixedElement : s == 1 ? kPromptFixedStart : kPromptFixedEnd);
        e.present();
        return true;
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || kind_ != kKindLine) return false;
        HighlightPen(c);
        HighlightLine(e, c, static_cast<Line*>(slave_));
        if (part_)
            for (auto& f : part_->fixedDistances)
                if (f->first.ptr == slave_) DrawStretches(e, c, f->drawn, kColFixedDistance);
        return true;
    }

private:
    bool pickSlave(Engine& e, const Pointer& p) {
        PickResult r = e.PickAt(p.model, kPickLines | kPickPins | kPickMotifs);
        if (!r) return Refuse(e);
        if (r.kind == kKindPin || r.kind == kKindMotif) {
            if (FixedDistance* f = FixedDistanceOf(*r.part, r.record)) {
                if (StepsDialog(e, *r.part, *f)) Commit(e);
                return true;
            }
            slave_ = r.record, part_ = r.part, kind_ = uint32_t(r.kind), whole_ = true;
            e.setStep(3);
            e.ShowPrompt(kPromptFixedMaster);
            e.present();
            return true;
        }
        Line* l = r.as<Line>();
        std::vector<const FixedDistance*> mastered;
        for (auto& f : r.part->fixedDistances)
            if (f->host == l) mastered.push_back(f.get());
        if (!mastered.empty()) {
            if (!e.doc.platform.ask("该线已是其他线的定距主线！删除关联吗？")) return true;
            for (const FixedDistance* f : mastered) DeleteFixedDistance(*r.part, *f);
            Commit(e);
            return true;
        }
        slave_ = l, part_ = r.part, kind_ = kKindLine;
        // Ctrl takes the whole line and goes straight to the master.
        whole_ = p.ctrl();
        e.setStep(whole_ ? 3 : 1);
        e.ShowPrompt(whole_ ? kPromptFixedMaster : kPromptFixedStart);
        e.present();
        return true;
    }

    bool editStretch(Engine& e, FixedDistance& f, double t) {
        Line& l = *static_cast<Line*>(slave_);
        const double len = EvaluatedLength(l);
        EditResult r = EditResult::done();
        if (t < f.f[1]) {
            auto v = AskMillimetres(e, "前接顺区", (f.f[1] - f.f[0]) * len / 100.0);
            if (!v) return true;
            r = SetFixedBlend(*part_, f, *v, std::nullopt);
        } else if (t > f.f[2]) {
            auto v = AskMillimetres(e, "后接顺区", (f.f[3] - f.f[2]) * len / 100.0);
            if (!v) return true;
            r = SetFixedBlend(*part_, f, std::nullopt, *v);
        } else {
            if (StepsDialog(e, *part_, f)) Commit(e);
            return true;
        }
        if (!r.ok) return Refuse(e);
        Commit(e);
        return true;
    }

    void* slave_ = nullptr;
    Part* part_ = nullptr;
    uint32_t kind_ = 0;
    bool whole_ = false;
    double t1_ = 0, t2_ = 1;
};

// ---------------------------------------------------------------- 固定

class FixTool : public Tool {
public:
    void enter(Engine& e) override { e.ShowPrompt(kPromptFixBase); }
    void releaseData() override { fixed_ = nullptr, part_ = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickBasePoints);
            if (r.kind != kKindBasePoint) return Refuse(e);
            BasePoint* b = r.as<BasePoint>();
            if (!IsFixedBasePoint(e.doc.design, *b)) {
                if (!e.doc.platform.ask("确定将该基点设成固定基点吗？")) return true;
                if (!MakeFixedBasePoint(e.doc.design, *b).ok) return Refuse(e);
                Commit(e);
            }
            fixed_ = b, part_ = r.part;
            e.setStep(1);
            e.ShowPrompt(kPromptFixLines);
            e.present();
            return true;
        }
        PickResult r = e.PickAt(p.model, kPickLines);
        if (!IsLine(r.kind) || r.part != part_) return Refuse(e);
        if (!ToggleFixedLine(*part_, *fixed_, *r.as<Line>()).ok) return Refuse(e);
        Commit(e);
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override { return cancelStep(e); }
    bool cancelStep(Engine& e) override { return BackToFirstStep(e, *this, kPromptFixBase); }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !fixed_) return false;
        HighlightPen(c);
        for (const List<Line>* list : {&part_->linesA, &part_->linesB})
            for (auto& l : *list)
                if (l->basePoint == fixed_) HighlightLine(e, c, l.get());
        return true;
    }

private:
    BasePoint* fixed_ = nullptr;
    Part* part_ = nullptr;
};

// ---------------------------------------------------------------- 对称控制

class SymmetryTool : public Tool {
public:
    void enter(Engine& e) override { e.ShowPrompt(kPromptAxis); }
    void releaseData() override { axis_ = nullptr, part_ = nullptr, target_ = nullptr, targetKind_ = 0; }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines);
            if (!IsLine(r.kind)) return Refuse(e);
            Line* l = r.as<Line>();
            if (std::string why = AxisProblem(*l); !why.empty()) {
                e.doc.platform.notice(why);
                return true;
            }
            if (r.kind == kKindLineA) {
                if (!ToggleSelfSymmetric(*r.part, *l).ok) return Refuse(e);
                CommitEdit(e, {r.part});
                return true;
            }
            axis_ = l, part_ = r.part;
            e.setStep(1);
            e.ShowPrompt(kPromptMaster);
            e.present();
            return true;
        }
        // A press on a node picks the line, not the node.
        PickResult r = e.PickAt(p.model, kPickLines | kPickPins | kPickMotifs | kPickSlotLines | kPickSeamAllowances |
                                             kPickNoLineNodes);
        if (!r || r.part != part_) return Refuse(e);
        if (r.kind == kKindPin || r.kind == kKindMotif || r.kind == kKindSlotLine) {
            if (!ToggleSymmetryLink(*part_, *axis_, r.record, uint32_t(r.kind), 0.0, 0.0).ok) return Refuse(e);
            CommitEdit(e, {part_});
            return true;
        }
        // A line or seam allowance: the stretch runs from the press to the release along it
        // (a click, shorter than 200 units, takes the whole).
        if (r.record == axis_) return Refuse(e);
        target_ = r.record;
        targetKind_ = IsLine(r.kind) ? uint32_t(kKindLine) : uint32_t(r.kind);
        t0_ = t1_ = fractionOn(p.model);
        e.setStep(2);
        DragCapture d;
        d.move = [this](Engine& en, const Pointer& q) {
            t1_ = fractionOn(q.model);
            en.present();
        };
        d.overlay = [this](Engine& en, Canvas& c) { return overlay(en, c); };
        d.end = [this](Engine& en, const Pointer& q, bool accepted) {
            if (accepted) t1_ = fractionOn(q.model);
            void* target = target_;
            target_ = nullptr;
            en.setStep(1);
            if (!accepted || !target) return en.present();
            if (!ToggleSymmetryLink(*part_, *axis_, target, targetKind_, t0_, t1_).ok) {
                Refuse(en);
                return en.present();
            }
            CommitEdit(en, {part_});
        };
        // The right button drops the stretch; the axis stays.
        d.rightPress = [this](Engine& en, const Pointer&) {
            target_ = nullptr;
            en.setStep(1);
            en.present();
        };
        e.beginDrag(p, std::move(d));
        e.present();
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override { return cancelStep(e); }
    bool cancelStep(Engine& e) override { return BackToFirstStep(e, *this, kPromptAxis); }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || !axis_) return false;
        HighlightPen(c);
        HighlightLine(e, c, axis_);
        for (auto& s : part_->symLineLinks)
            if (s->master == axis_) DrawPolyline(e, c, s->drawn);
        for (auto& s : part_->symElemLinks)
            if (s->master == axis_) DrawPolyline(e, c, s->drawn);
        if (e.step() == 2 && target_) DrawPolyline(e, c, PolySubFraction(targetPoints(), float(std::min(t0_, t1_)), float(std::max(t0_, t1_))));
        return true;
    }

private:
    const Polyline& targetPoints() const {
        static const Polyline none;
        if (!target_) return none;
        return targetKind_ == kKindSeamAllowance ? static_cast<const SeamAllowance*>(target_)->outline
                                                 : static_cast<const Line*>(target_)->eval;
    }
    // The fraction of the picked line's (or seam allowance's) length at its point nearest p.
    double fractionOn(PointF p) const {
        const Polyline& pts = targetPoints();
        const double len = pts.size() < 2 ? 0.0 : double(PolyLength(pts));
        if (!(len > 0.0)) return 0.0;
        return std::clamp(double(PolyLengthTo(pts, p).length) / len, 0.0, 1.0);
    }

    Line* axis_ = nullptr;
    Part* part_ = nullptr;
    void* target_ = nullptr;  // step 2: the line or seam allowance whose stretch is dragged
    uint32_t targetKind_ = 0;
    double t0_ = 0, t1_ = 0;
};

}  // namespace

// 定距参数 (CPrmSlave): the window's drawn dialog when it has one, else a form of one field per
// size in mm (cm in centimetre mode) with 清空 and 删除 as check boxes; both fill the same model.
bool StepsDialog(Engine& e, Part& part, FixedDistance& f) {
    Design& d = e.doc.design;
    if (!EnsureSizeCount(d)) {
        e.tone(kToneRefused);
        return false;
    }
    if (e.hooks.fixedDistanceSteps) return e.hooks.fixedDistanceSteps(part, f);
    FixedStepsModel m(d, f, e.doc.settings.centimetreDisplay != 0);
    std::vector<FormField> fields;
    for (int i = 0; i < m.n; ++i) {
        char label[16];
        std::snprintf(label, sizeof label, "%3d", m.sizes[size_t(i)]);
        FormField x = FormField::Number(label, m.value(i), 1, -1000, 1000);
        x.enabled = m.editable(i);
        fields.push_back(x);
    }
    fields.push_back(FormField::Check("清空", false));
    fields.push_back(FormField::Check("删除", false));
    if (!e.doc.platform.formDialog(m.exists() ? "定距参数" : "定距参数 (创建)", fields)) return false;
    if (fields.back().on()) {
        m.pressDelete();
    } else if (fields[fields.size() - 2].on()) {
        m.clear();
    } else {
        for (int i = 0; i < m.n; ++i) {
            if (fields[size_t(i)].value == m.value(i)) continue;
            char text[40];
            const auto r = std::to_chars(text, text + sizeof text, fields[size_t(i)].value);
            m.texts[size_t(i)].assign(text, r.ptr);
        }
    }
    const FixedStepsModel::Outcome o = m.apply(d, part, f);
    if (o == FixedStepsModel::Outcome::Refused) e.tone(kToneRefused);
    return o != FixedStepsModel::Outcome::Unchanged && o != FixedStepsModel::Outcome::Refused;
}

bool BasePointAttributeDialog(Engine& e, Part& part, BasePoint& b) {
    Design& d = e.doc.design;
    const bool graded = (d.flags & kDesignGraded) != 0;
    const bool stepsLocked = graded || b.targets.has_value();
    BasePointAttributes a = AttributesOf(b);
    // The value each reference mode shows: the parameters, the part's box, the length or width
    // line, the stored value.
    auto reference = [&](int mode, bool length) {
        BasePoint probe = b;
        probe.flags = (b.flags & ~0xFFu) | (length ? uint32_t(mode) : uint32_t(mode) << 4);
        const PairD r = ReferenceLengthAndWidth(d, part, probe);
        return length ? r.a : r.b;
    };
    auto refField = [&](const char* label, bool length, int mode) {
        FormField c = FormField::Choice(label, {"取本码参数", length ? "取实际长度" : "取实际宽度",
                                                length ? "取长度线" : "取宽度线", "自定义"},
                                        mode);
        for (int m = 0; m < 3; ++m) c.presets.push_back(reference(m, length));
        c.presets.push_back(std::nan(""));
        c.enabled = !graded;
        return c;
    };
    auto stepField = [&](const char* label, int mode, double param) {
        FormField c = FormField::Choice(label, {"取本码参数", "锁定不变", "自定义"}, mode);
        c.presets = {param, 0.0, std::nan("")};
        c.enabled = !stepsLocked;
        return c;
    };
    std::vector<FormField> f;
    f.push_back(refField("长度", true, a.lengthMode));
    f.push_back(FormField::Number("长度值", a.lengthMode == 3 ? a.length : reference(a.lengthMode, true)));
    f.push_back(refField("宽度", false, a.widthMode));
    f.push_back(FormField::Number("宽度值", a.widthMode == 3 ? a.width : reference(a.widthMode, false)));
    f.push_back(stepField("长等差", a.lengthStepMode, d.baseParams[2]));
    f.push_back(FormField::Number("长等差值", a.lengthStepMode == 2 ? a.lengthStep : a.lengthStepMode == 0 ? d.baseParams[2] : 0.0));
    f.push_back(stepField("宽等差", a.widthStepMode, d.baseParams[3]));
    f.push_back(FormField::Number("宽等差值", a.widthStepMode == 2 ? a.widthStep : a.widthStepMode == 0 ? d.baseParams[3] : 0.0));
    for (size_t k : {1u, 3u, 5u, 7u}) {
        f[k].presetTarget = -1;
        f[k - 1].presetTarget = int(k);
        f[k].enabled = !(k < 5 ? graded : stepsLocked);
    }
    f.push_back(FormField::Check("独立方向", a.independent));
    // 归属序号 offers only base points that do not hang from this one: no owner loop.
    const std::vector<BasePoint*> owners = OwnerChoices(part, b);
    std::vector<std::string> names{"无"};
    int chosen = 0;
    for (size_t k = 0; k < owners.size(); ++k) {
        names.push_back(std::to_string(owners[k]->index));
        if (owners[k] == b.owner) chosen = int(k) + 1;
    }
    f.push_back(FormField::Choice("归属序号", names, chosen));
    f.push_back(FormField::Label("本身序号", std::to_string(b.index)));
    // Their own dialogs store at once, as they would opened on their own.
    bool changedInside = false;
    FormField targets = FormField::Button("目标参数", [&e, &b, &changedInside] {
        if (e.hooks.basePointTargets && e.hooks.basePointTargets(b)) changedInside = true;
    });
    targets.enabled = bool(e.hooks.basePointTargets);
    f.push_back(std::move(targets));
    f.push_back(FormField::Button("共用说明", [&e, &b, &changedInside] {
        if (GroupsDialog(e, "基点共用说明", b.sharedNotes, b.index)) changedInside = true;
    }));
    if (!e.doc.platform.formDialog("基点属性", f)) return changedInside;
    a.lengthMode = f[0].index(), a.length = float(f[1].value);
    a.widthMode = f[2].index(), a.width = float(f[3].value);
    a.lengthStepMode = f[4].index(), a.lengthStep = float(f[5].value);
    a.widthStepMode = f[6].index(), a.widthStep = float(f[7].value);
    a.independent = f[8].on();
    const int o = f[9].index();
    a.owner = o >= 1 && size_t(o) <= owners.size() ? owners[size_t(o - 1)] : nullptr;
    const BasePoint before = b;
    if (!ApplyBasePointAttributes(d, part, b, a).ok) {
        e.tone(kToneRefused);
        return changedInside;
    }
    return changedInside || b.flags != before.flags || b.owner != before.owner || b.length != before.length || b.width != before.width ||
           b.lengthStep != before.lengthStep || b.widthStep != before.widthStep;
}

// 共用说明 / 共模说明 (CPrmSha): the window's drawn dialog when it has one, else a form of a group
// number and a 代表 check box per size; both fill the same model.
bool GroupsDialog(Engine& e, const std::string& title, std::optional<std::vector<uint8_t>>& groups,
                  int basePointIndex) {
    Design& d = e.doc.design;
    if (!EnsureSizeCount(d)) {
        e.tone(kToneRefused);
        return false;
    }
    if (e.hooks.sizeGroups) return e.hooks.sizeGroups(title, groups, basePointIndex);
    SizeGroupsModel m(d, title, groups, basePointIndex);
    std::vector<FormField> f;
    for (int i = 0; i < m.n; ++i) {
        char label[24];
        std::snprintf(label, sizeof label, i == m.baseIndex ? "%3d *" : "%3d", m.sizes[size_t(i)]);
        f.push_back(FormField::Number(label, m.group(i), 0, 0, SizeGroupsModel::kMaxGroup));
        f.push_back(FormField::Check("代表", m.marked(i)));
    }
    if (!e.doc.platform.formDialog(m.exists() ? title : title + " (创建)", f)) return false;
    const std::vector<uint8_t> before = m.bytes;
    int marked = -1, newlyMarked = -1;
    for (int i = 0; i < m.n; ++i) {
        m.bytes[size_t(i)] = uint8_t(std::clamp(int(std::lround(f[size_t(2 * i)].value)), 0, SizeGroupsModel::kMaxGroup));
        if (f[size_t(2 * i + 1)].on()) {
            if (marked < 0) marked = i;
            if (newlyMarked < 0 && !(before[size_t(i)] & 0x80)) newlyMarked = i;
        }
    }
    // A newly marked size leads; unmarking every size clears the marks.
    if (marked >= 0) MarkRepresentatives(m.bytes, newlyMarked >= 0 ? newlyMarked : marked);
    const SizeGroupsModel::Outcome o = m.apply(d, groups);
    if (o == SizeGroupsModel::Outcome::Refused) e.tone(kToneRefused);
    return o == SizeGroupsModel::Outcome::Stored || o == SizeGroupsModel::Outcome::Removed;
}

void InstallControlTools(Engine& e) {
    e.setTool(mode::FrontSymControl, std::make_unique<FrontSymmetryTool>());
    e.setTool(mode::Share, std::make_unique<ShareTool>());
    e.setTool(mode::FixedDistance, std::make_unique<FixedDistanceTool>());
    e.setTool(mode::Fix, std::make_unique<FixTool>());
    e.setTool(mode::SymControl, std::make_unique<SymmetryTool>());
}

}  // namespace rz
