// 自由连线 (123) with its popup, and 定针连线 (124): straight connecting lines added to a part as
// lines B, one undo snapshot per line made.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "commands/draw_common.h"
#include "commands/edit_ops.h"
#include "commands/edit_tools.h"
#include "commands/feature_tools.h"
#include "commands/tool_support.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz {

namespace {

bool IsLine(int k) { return k == kKindLineA || k == kKindLineB; }

std::vector<Node> NodesOf(const std::vector<PointF>& pts) {
    std::vector<Node> v;
    for (PointF q : pts) v.push_back({q.x, q.y, 0});
    return v;
}

void DrawPoints(Engine& e, Canvas& c, const std::vector<PointF>& pts) {
    DrawPolyline(e, c, Polyline(pts.begin(), pts.end()));
}

// ---------------------------------------------------------------- 自由连线

enum PopupItem { kStraight, kVertical, kHorizontal, kLength, kReverse, kMirrorEnds, kMirrorSides };

struct FreeLineTool : Tool {
    PopupMenu popup;
    std::vector<PointF> points;
    Line* startLine = nullptr;
    Part* part = nullptr;
    PointF at;
    void releaseData() override {
        points.clear();
        startLine = nullptr, part = nullptr;
    }

    bool leftPress(Engine& e, const Pointer& p) override {
        if (e.step() == 0 && (p.shift() || p.alt())) {
            // A scan reference line across the window: horizontal at the pointer's height with
            // Shift, vertical with Alt.
            const RectF v = e.vs.view.visible;
            auto s = std::make_unique<ScanLine>();
            s->shape.push_back(p.shift() ? Polyline{{v.minX, p.model.y}, {v.maxX, p.model.y}}
                                         : Polyline{{p.model.x, v.minY}, {p.model.x, v.maxY}});
            e.doc.scanLines.push_back(std::move(s));
            e.designChanged();
            e.redraw();
            return true;
        }
        if (e.step() == 0) {
            PickResult r = e.PickAt(p.model, kPickLines | kPickNoLineNodes);
            startLine = IsLine(r.kind) ? r.as<Line>() : nullptr;
            part = r.part ? r.part : e.PartAt(p.model);
            if (!part) return Refuse(e);
            points = {p.model};
            at = p.model;
            e.setStep(1);
            e.present();
            return true;
        }
        if (PtDist(points.back(), p.model) < 1.0f) return Refuse(e, kToneBack);
        points.push_back(p.model);
        e.tone(kToneAccepted);
        e.present();
        return true;
    }
    bool move(Engine& e, const Pointer& p) override {
        if (e.step() == 0) return false;
        at = p.model;
        // The length of the rubber band and its angle to the start line (at most 90°).
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        const PointF from = points.back();
        char b[96];
        if (startLine && startLine->eval.size() >= 2) {
            const Polyline& s = startLine->eval;
            float a = AngleBetween(s.front(), s.back(), from, at) * float(180.0 / std::numbers::pi);
            if (a > 90.0f) a = 180.0f - a;
            std::snprintf(b, sizeof b, "%.2f%s  %.1f°", PtDist(from, at) / u.per, u.name.c_str(), a);
        } else {
            std::snprintf(b, sizeof b, "%.2f%s", PtDist(from, at) / u.per, u.name.c_str());
        }
        e.ShowPromptText(b);
        e.present();
        return true;
    }
    bool finish(Engine& e) {
        if (points.size() < 2) return Refuse(e, kToneBack);
        Part* into = part;
        into->linesB.push_back(MakeLineRecord(e.doc, NodesOf(points), kCurvePolyline, 1));
        return CommitStep(e, *this, *into);
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0) return false;
        if (k.key == key::Return || k.key == key::Enter) return finish(e);
        if (k.key == key::Escape) {
            e.CancelStep();
            return true;
        }
        if (k.key != key::Space) return false;
        // The precise point: offsets from the last point.
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        std::vector<FormField> f{FormField::Number("X(" + u.name + ")", (at.x - points.back().x) / u.per),
                                 FormField::Number("Y(" + u.name + ")", (at.y - points.back().y) / u.per)};
        if (!e.doc.platform.formDialog("精确定点", f)) return true;
        if (!std::isfinite(f[0].value) || !std::isfinite(f[1].value)) return Refuse(e);
        const PointF q{float(points.back().x + f[0].value * u.per), float(points.back().y + f[1].value * u.per)};
        if (!WithinPatternLimits(q) || PtDist(q, points.back()) < 1.0f) return Refuse(e);
        points.push_back(q);
        e.tone(kToneAccepted);
        e.present();
        return true;
    }
    bool rightPress(Engine& e, const Pointer& p) override {
        if (e.step() != 0) return CancelPendingStep(e);
        PickResult r = e.PickAt(p.model, kPickLines | kPickNoLineNodes);
        if (!IsLine(r.kind) || !popup) return false;
        return edit(e, r, *r.as<Line>());
    }

    bool edit(Engine& e, const PickResult& r, Line& l) {
        if (l.nodes.size() < 2) return Refuse(e);
        const PointF a = l.nodes.front().pt(), b = l.nodes.back().pt();
        std::vector<bool> on(7, true);
        on[kStraight] = l.nodes.size() > 2;
        on[kVertical] = std::fabs(a.x - b.x) > 1e-3f;
        on[kHorizontal] = std::fabs(a.y - b.y) > 1e-3f;
        on[kReverse] = r.kind == kKindLineB;
        const int item = popup("自由连线", {"直线", "竖线", "横线", "长度", "节点反序", "头尾镜像", "左右镜像"}, on);
        if (item < 0 || item > kMirrorSides || !on[size_t(item)]) return true;
        switch (item) {
        case kStraight: l.nodes = {l.nodes.front(), l.nodes.back()}; break;
        case kVertical: l.nodes = {l.nodes.front(), {a.x, b.y, 0}}; break;
        case kHorizontal: l.nodes = {l.nodes.front(), {b.x, a.y, 0}}; break;
        case kLength: {
            // The line scaled along itself from its start to the typed chord length.
            const LengthUnit u = DialogLengthUnit(e.doc.settings);
            const float chord = PtDist(a, b);
            std::vector<ValueField> f{{"长度(" + u.name + ")", chord / u.per, 0, 1.0e5, 2}};
            if (!e.doc.platform.valueDialog("长度", f)) return true;
            if (!std::isfinite(f[0].value) || !(f[0].value > 0.0) || !(chord > 1e-3f)) return Refuse(e);
            const float k = float(f[0].value * u.per) / chord;
            for (auto& n : l.nodes) n.x = a.x + (n.x - a.x) * k, n.y = a.y + (n.y - a.y) * k;
            if (!WithinPatternLimits(l.nodes.back().pt())) return Refuse(e);
            break;
        }
        case kReverse:
            std::reverse(l.nodes.begin(), l.nodes.end());
            EvaluateLineRecord(l, e.doc.smooth);
            RemapFeaturesOfReversedLine(e.doc.design, &l);
            break;
        case kMirrorEnds:
        case kMirrorSides: {
            if (PtDist(a, b) < 1e-3f) return Refuse(e);
            // 头尾: across the perpendicular through the chord's middle; 左右: across the chord.
            const PointF m = PtMid(a, b);
            const Affine t = item == kMirrorSides ? Affine::mirror(a, b)
                                                  : Affine::mirror(m, {m.x - (b.y - a.y), m.y + (b.x - a.x)});
            for (auto& n : l.nodes) {
                const PointF q = t.apply(n.pt());
                n.x = q.x, n.y = q.y;
            }
            break;
        }
        default: break;
        }
        EvaluateLineRecord(l, e.doc.smooth);
        CommitEdit(e, {r.part});
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.step() == 0 || points.empty()) return false;
        HighlightPen(c, 1);
        std::vector<PointF> band = points;
        band.push_back(at);
        DrawPoints(e, c, band);
        return true;
    }
};

// ---------------------------------------------------------------- 定针连线

struct PinLineTool : Tool {
    std::vector<Pin*> pins;
    Part* part = nullptr;
    void releaseData() override { pins.clear(), part = nullptr; }

    bool leftPress(Engine& e, const Pointer& p) override {
        PickResult r = e.PickAt(p.model, kPickPins);
        if (r.kind != kKindPin || !r.part || (part && r.part != part)) return Refuse(e);
        Pin* pin = r.as<Pin>();
        if (!pins.empty() && pins.back() == pin) return Refuse(e, kToneBack);
        part = r.part;
        pins.push_back(pin);
        e.tone(kToneAccepted);
        e.setStep(1);
        e.ShowPrompt(33999);
        e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (e.step() == 0) return false;
        if (k.key == key::Escape) {
            e.CancelStep();
            return true;
        }
        if (k.key != key::Return && k.key != key::Enter) return false;
        if (pins.size() < 2) return Refuse(e, kToneBack);
        std::vector<PointF> pts;
        for (Pin* q : pins) pts.push_back({q->x, q->y});
        Part* into = part;
        into->linesB.push_back(MakeLineRecord(e.doc, NodesOf(pts), kCurvePolyline, 1));
        return CommitStep(e, *this, *into);
    }
    bool rightPress(Engine& e, const Pointer&) override { return CancelPendingStep(e); }
    bool overlay(Engine& e, Canvas& c) override {
        if (pins.empty()) return false;
        std::vector<PointF> pts;
        for (Pin* q : pins) pts.push_back({q->x, q->y});
        HighlightPen(c);
        DrawPoints(e, c, pts);
        return true;
    }
};

}  // namespace

void InstallConnectTools(Engine& e, PopupMenu popup) {
    auto f = std::make_unique<FreeLineTool>();
    f->popup = std::move(popup);
    e.setTool(123, std::move(f));
    e.setTool(124, std::make_unique<PinLineTool>());
}

}  // namespace rz
