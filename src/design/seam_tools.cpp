// The seam-allowance tools: 等量扩边 (106), 变量扩边 (107) with its editor, and 换边 (121).
#include <cmath>
#include <cstdio>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "commands/tool_support.h"
#include "design/design_tools.h"
#include "design/seam.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "geom/stretch.h"
#include "model/integrity.h"

namespace rz {

namespace {

constexpr uint32_t kSeamPick = kPickSeamAllowances | kPickLines | kPickNoLineNodes;
// A drag shorter than this along the line means the whole line (3 mm).
constexpr float kWholeLineDrag = 300.0f;
constexpr const char* kPromptEditor = " 请选择不同的边距值...";

bool IsLineKind(int k) { return k == kKindLineA || k == kKindLineB; }

int OrigLine(const Line& l) { return int((l.flags & kLineOrigMask) >> 2); }
void SetOrigLine(Line& l, int v) { l.flags = (l.flags & ~kLineOrigMask) | (uint32_t(v & 3) << 2); }

std::string Mm(double units) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", units / 100.0);
    return b;
}

// ---------------------------------------------------------------- 等量扩边

struct SeamEqualTool : Tool {
    Line* line = nullptr;
    Part* part = nullptr;
    float f0 = 0.0f, f1 = 0.0f;
    PointF pressAt;
    uint32_t pressMods = 0;
    SeamAllowance* seam = nullptr;

    void releaseData() override {
        line = nullptr, part = nullptr, seam = nullptr;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() != 0) return true;
        PickResult r = e.PickAt(p.model, kSeamPick);
        if (r.kind == kKindSeamAllowance) return onSeam(e, p, *r.part, *r.as<SeamAllowance>());
        if (!IsLineKind(r.kind) || r.as<Line>()->eval.size() < 2) return Refuse(e);
        line = r.as<Line>();
        part = r.part;
        pressAt = p.model;
        pressMods = p.mods;
        f0 = f1 = FractionAt(line->eval, p.model);
        e.setStep(1);
        e.present();
        return true;
    }

    bool onSeam(Engine& e, const Pointer& p, Part& pt, SeamAllowance& s) {
        auto v = ReadSeamValues(s);
        if (!v || !s.baseLine) return Refuse(e);
        seam = &s;
        e.setStep(1);
        e.present();  // highlighted while the dialog is open
        auto c = AskMargin(e, p.mods, v->mean(), OrigLine(*s.baseLine));
        e.setStep(0);
        Line* base = s.baseLine;
        seam = nullptr;
        // The same margin everywhere and the same 原线 again is no edit (and no undo step).
        const bool same = c && c->margin != 0.0f && v->uniform() && std::fabs(v->margins.front()) == c->margin &&
                          OrigLine(*base) == c->origLine;
        if (!c || same) {
            e.present();
            return true;
        }
        if (!SetSeamMargin(e.doc.design, pt, s, c->margin)) return Refuse(e);
        SetOrigLine(*base, c->origLine);
        CommitEdit(e, {&pt});
        return true;
    }

    bool move(Engine& e, const Pointer& p) override {
        if (e.step() != 1 || !line) return false;
        f1 = FractionAt(line->eval, p.model);
        e.present();
        return true;
    }

    bool leftRelease(Engine& e, const Pointer& p) override {
        if (e.step() != 1 || !line) return false;
        f1 = FractionAt(line->eval, p.model);
        const float L = PolyLength(line->eval);
        float a = std::min(f0, f1), b = std::max(f0, f1);
        if ((b - a) * L < kWholeLineDrag) a = 0.0f, b = 1.0f;
        Design& d = e.doc.design;
        const bool first = part == &d.firstPart();
        const bool boundary = ListOf(*part, line) == &part->linesA;
        int side = boundary ? OutwardSign(line->eval, a, b, part->outline) : SideSign(line->eval, pressAt);
        if (side == 0) side = 1;
        Line* l = line;
        Part* pt = part;
        auto c = AskMargin(e, pressMods, first ? 0.0f : l->margin, OrigLine(*l));
        e.setStep(0);
        releaseData();
        if (!c) {
            e.present();
            return true;
        }
        // A margin of 0 on a master line makes nothing; elsewhere it takes the line's margin away.
        if (first && c->margin == 0.0f) {
            e.present();
            return true;
        }
        const float m = float(side) * c->margin;
        if (!first && m == l->margin && OrigLine(*l) == c->origLine) {
            e.present();  // the line's margin as it was: no edit
            return true;
        }
        bool ok = first ? SetLineAllowance(d, *pt, *l, a, b, {{0.0f, m}, {1.0f, m}}, e.doc.smooth)
                        : (SetOwnMargin(*l, m, e.doc.smooth), true);
        if (!ok) return Refuse(e);
        SetOrigLine(*l, c->origLine);
        CommitEdit(e, {pt});
        return true;
    }

    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0) return false;
        HighlightPen(c);
        if (seam) {
            DrawPolyline(e, c, seam->outline);
            return true;
        }
        if (!line) return false;
        const float L = PolyLength(line->eval);
        bool whole = std::fabs(f1 - f0) * L < kWholeLineDrag;
        DrawPolyline(e, c, whole ? line->eval : PolySubFraction(line->eval, f0, f1));
        if (part && ListOf(*part, line) == &part->linesB) {
            // The side the allowance goes to, at the clicked segment.
            PointF at = PolyNearest(line->eval, pressAt).pt;
            PointF toward = pressAt;
            if (PtDist(at, toward) < 1.0f) return true;
            DrawArrow(e, c, at, toward);
        }
        return true;
    }
};

// ---------------------------------------------------------------- 变量扩边

struct SeamVariableTool : Tool {
    Part* part = nullptr;
    SeamAllowance* seam = nullptr;      // the record being edited (in the design, or `temp`)
    std::unique_ptr<SeamAllowance> temp; // a line's own margin as a record, until the first change
    Line* ownLine = nullptr;            // the line it came from
    bool fromOwnMargin = false;

    void releaseData() override {
        part = nullptr, seam = nullptr, ownLine = nullptr;
        temp.reset();
        fromOwnMargin = false;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return pick(e, p);
        // The editor.
        int k = SeamPointNear(*seam, p.model);
        bool changed = false;
        if (k >= 0 && p.ctrl()) {
            changed = DeleteSeamPoint(*seam, k);
        } else if (k >= 0) {
            auto v = ReadSeamValues(*seam);
            if (!v) return Refuse(e);
            const LengthUnit u = DialogLengthUnit(e.doc.settings);
            std::vector<ValueField> f{{"边距(" + u.name + ")", std::fabs(v->margins[size_t(k)]) / u.per, 0.0, 1.0e5 / u.per, 2}};
            if (!e.doc.platform.valueDialog("边距", f)) return true;
            float m = float(f[0].value * u.per);
            if (m == std::fabs(v->margins[size_t(k)])) return true;
            changed = SetSeamPointMargin(*seam, k, m);
        } else {
            changed = InsertSeamPoint(*seam, p.model) >= 0;
        }
        if (!changed) return Refuse(e);
        e.tone(kToneAccepted);
        commitChange(e);
        return true;
    }

    bool pick(Engine& e, const Pointer& p) {
        PickResult r = e.PickAt(p.model, kSeamPick);
        if (r.kind == kKindSeamAllowance && ReadSeamValues(*r.as<SeamAllowance>()) && r.as<SeamAllowance>()->baseLine) {
            seam = r.as<SeamAllowance>();
        } else if (IsLineKind(r.kind) && r.as<Line>()->margin != 0.0f && r.as<Line>()->eval.size() >= 2) {
            ownLine = r.as<Line>();
            temp = MakeSeam(*ownLine, SeamValues::Uniform(0.0f, 1.0f, ownLine->margin));
            seam = temp.get();
            fromOwnMargin = true;
        } else {
            return Refuse(e);
        }
        part = r.part;
        e.setStep(1);
        e.ShowPromptText(kPromptEditor);
        e.present();
        return true;
    }

    // Every stored change is a committed edit; a line's margin becomes a record at the first.
    void commitChange(Engine& e) {
        if (temp) {
            part->seamAllowances.push_back(std::move(temp));
            SetOwnMargin(*ownLine, 0.0f, e.doc.smooth);
        }
        CommitEdit(e, {part});
        e.ShowPromptText(kPromptEditor);
    }

    bool move(Engine& e, const Pointer& p) override {
        if (e.step() != 1 || !seam) return false;
        int k = SeamPointNear(*seam, p.model);
        if (k >= 0)
            if (auto v = ReadSeamValues(*seam)) e.doc.platform.setStatus(4, Mm(v->margins[size_t(k)]));
        return true;
    }

    bool key(Engine& e, const KeyEvent& k) override {
        if (k.key != key::Escape || e.step() != 1) return false;
        finish(e);
        return true;
    }

    // The editor ends: a line's margin that is uniform again goes back to being the line's own.
    void finish(Engine& e) {
        Part* pt = part;
        bool back = false;
        if (fromOwnMargin && !temp && seam && ownLine) {
            auto v = ReadSeamValues(*seam);
            if (v && v->uniform() && v->wholeLine()) {
                SetOwnMargin(*ownLine, v->margins.front(), e.doc.smooth);
                RemoveRecord(e.doc.design, seam);
                back = true;
            }
        }
        e.setStep(0);
        releaseData();
        if (back) CommitEdit(e, {pt});
        else e.redraw();
        e.ShowPrompt(e.defaultPrompt);
    }

    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() != 1 || !seam) return false;
        HighlightPen(c, 1);
        if (temp) DrawPolyline(e, c, temp->outline);
        auto v = ReadSeamValues(*seam);
        if (!v) return true;
        for (size_t k = 0; k < v->size(); ++k) {
            PixelPoint q = e.vs.view.toWindow(SeamPointAt(*seam, int(k)));
            c.fillRect({q.x - 3, q.y - 3, q.x + 4, q.y + 4});
        }
        return true;
    }
};

// ---------------------------------------------------------------- 换边

struct SeamSwapTool : Tool {
    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kSeamPick);
        const TSmooth& smooth = e.doc.smooth;
        if (r.kind == kKindSeamAllowance) {
            if (!SwapSeam(e.doc.design, *r.as<SeamAllowance>(), smooth)) return Refuse(e);
            CommitEdit(e, {r.part});
            return true;
        }
        if (!IsLineKind(r.kind) || r.as<Line>()->eval.size() < 2) return Refuse(e);
        Line& l = *r.as<Line>();
        if (l.margin != 0.0f) {
            if (!SwapOwnMargin(l, smooth)) return Refuse(e);
            CommitEdit(e, {r.part});
            return true;
        }
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        std::vector<ValueField> f{{"距离(" + u.name + ")", e.doc.settings.equidistance / u.per, -1.0e5 / u.per, 1.0e5 / u.per, 2}};
        if (!e.doc.platform.valueDialog("输入距离", f)) return true;
        float m = float(f[0].value * u.per);
        if (!std::isfinite(m) || m == 0.0f || std::fabs(m) > kMaxMargin) return m == 0.0f ? true : Refuse(e);
        r.part->seamAllowances.push_back(MakeSeam(l, SeamValues::Uniform(0.0f, 1.0f, m)));
        CommitEdit(e, {r.part});
        return true;
    }
};

}  // namespace

void InstallSeamTools(Engine& e) {
    e.setTool(mode::SeamEqual, std::make_unique<SeamEqualTool>());
    e.setTool(mode::SeamVariable, std::make_unique<SeamVariableTool>());
    e.setTool(mode::SeamSwap, std::make_unique<SeamSwapTool>());
}

}  // namespace rz
