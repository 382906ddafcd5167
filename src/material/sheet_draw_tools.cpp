// Drawing on the sheet shown on the back screen: 圆 (mode 7), 矩形 (9), traced lines (1), 槽线
// (142) and 叠板 (164). Every shape is a new item; each change marks the sheet and pushes one
// snapshot of its layout.
#include <cmath>
#include <optional>

#include "commands/draw_common.h"
#include "commands/feature_tools.h"
#include "commands/features.h"
#include "commands/shapes.h"
#include "commands/trace.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "interact/canvas.h"
#include "material/back_tools.h"
#include "material/sheet_tool_support.h"
#include "output/job_stream.h"
#include "output/sheet.h"
#include "output/sheet_draw.h"
#include "output/sheet_edit.h"
#include "output/sheet_pick.h"
#include "output/sheet_stack.h"

namespace rz {
namespace {

constexpr int kModeTrace = 1, kModeCircle = 7, kModeRectangle = 9, kModeSlot = 142, kModeMerge = 164;
// Slots over less of their line than this are not made (1.2 mm).
constexpr float kMinSheetSlot = 120.0f;
constexpr uint32_t kFeedbackColour = 0x0000FF;

using namespace sheettool;

int ItemTool(const Engine& e) { return BackScreenItemTool(e.doc.settings.word37); }

void DrawModel(Engine& e, Canvas& c, const Polyline& pts) {
    if (pts.size() < 2) return;
    std::vector<PixelPoint> px;
    px.reserve(pts.size());
    for (PointF q : pts) px.push_back(e.vs.view.toWindow(q));
    c.setColour(kFeedbackColour);
    c.setWidth(1);
    c.setDash(0, 0);
    c.polyline(px.data(), px.size());
}

// ---------------------------------------------------------------- 矩形, 圆

class SheetShapeTool : public Tool {
public:
    SheetShapeTool(int mode, ShapeMemory* memory) : mode_(mode), mem_(memory ? memory : &own_) {}

    bool leftPress(Engine& e, const Pointer& p) override {
        a_ = cursor_ = p.model;
        typed_.reset();
        e.ShowPromptText(mode_ == kModeRectangle ? " 请选择矩形的长与宽！" : " 请选择圆的直径！");
        DragCapture d;
        d.acceptOnRelease = false;
        d.rightPans = true;
        d.move = [this](Engine& en, const Pointer& q) {
            cursor_ = q.model;
            en.present();
        };
        d.key = [this](Engine& en, const KeyEvent& k) {
            if (k.key == key::Space) typeSize(en);
        };
        d.rightClick = [this](Engine& en, const Pointer&) { finish(en, {}); };
        d.overlay = [this](Engine& en, Canvas& c) {
            DrawModel(en, c, shapeTo(cursor_));
            const PixelPoint at = en.vs.view.toWindow(cursor_);
            const std::string size =
                mode_ == kModeRectangle
                    ? FormatFixed(std::fabs(cursor_.x - a_.x) / 100.0, 1) + " x " + FormatFixed(std::fabs(cursor_.y - a_.y) / 100.0, 1)
                    : FormatFixed(2.0 * PtDist(a_, cursor_) / 100.0, 1);
            c.text({at.x + 12, at.y + 12}, size + "mm", std::nullopt);
            return true;
        };
        d.end = [this](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted) return finish(en, {});
            if (typed_) return finish(en, *std::exchange(typed_, std::nullopt));
            if (mode_ == kModeCircle && PtDist(a_, q.model) > 0.0f) mem_->circleDiameter = 2.0f * PtDist(a_, q.model);
            finish(en, shapeTo(q.model));
        };
        e.beginDrag(p, std::move(d));
        e.present();
        return true;
    }

private:
    Polyline shapeTo(PointF c) const {
        return mode_ == kModeRectangle ? RectangleShape(a_, c) : CircleShape(a_, 2.0f * PtDist(a_, c));
    }

    // Space: the size typed in; 确认 ends the drag with that shape.
    void typeSize(Engine& e) {
        const LengthUnit u = DialogLengthUnit(e.doc.settings);
        if (mode_ == kModeRectangle) {
            std::vector<FormField> f{
                FormField::Number("长度(" + u.name + ")", std::fabs(cursor_.x - a_.x) / u.per, 2, 0, kMaxPatternCoord / u.per),
                FormField::Number("宽度(" + u.name + ")", std::fabs(cursor_.y - a_.y) / u.per, 2, 0, kMaxPatternCoord / u.per),
                FormField::Check("中线", (mem_->options & kShapeOffsetRect) != 0)};
            if (!e.doc.platform.formDialog("输入长宽", f)) return;
            // The option belongs to the front screen's rectangles; it is only remembered here.
            mem_->options = f[2].on() ? mem_->options | kShapeOffsetRect : mem_->options & ~kShapeOffsetRect;
            const double w = f[0].value * u.per, h = f[1].value * u.per;
            if (!(w > 0 && h > 0 && w <= kMaxPatternCoord && h <= kMaxPatternCoord)) return e.tone(kToneRefused);
            typed_ = RectangleShape(cursor_, {float(cursor_.x + w), float(cursor_.y + h)});
        } else {
            std::vector<ValueField> f{ValueField{"距离(" + u.name + ")", 2.0 * PtDist(a_, cursor_) / u.per, 0.0, double(kMaxPatternCoord) / u.per, 2}};
            if (!e.doc.platform.valueDialog("输入距离", f)) return;
            const double dia = f[0].value * u.per;
            if (!(dia > 0 && dia <= kMaxPatternCoord)) return e.tone(kToneRefused);
            mem_->circleDiameter = float(dia);
            typed_ = CircleShape(a_, float(dia));
        }
        if (typed_->size() < 2) {
            typed_.reset();
            return e.tone(kToneRefused);
        }
        e.EndDrag(true);
    }

    // The shape becomes a new piece: the full-cut pen for a rectangle, pen slot 0 for a circle.
    void finish(Engine& e, Polyline pts) {
        e.ShowPrompt(e.defaultPrompt);
        if (pts.empty()) return e.present();
        PLTC& s = Shown(e);
        const int pen = mode_ == kModeRectangle ? PenSlot(s.settings(), kToolFullCut) : 0;
        AppendSheetPiece(s.items, s.nextPieceId, std::move(pts), kItemOutline, ItemTool(e), pen);
        Changed(e, s);
    }

    int mode_;
    ShapeMemory own_;
    ShapeMemory* mem_;
    PointF a_, cursor_;
    std::optional<Polyline> typed_;
};

// ---------------------------------------------------------------- traced lines

bool IsLineInput(int kind) { return kind == kInputCurve || kind == kInputStraight || kind == kInputArc; }

// The tracing of the front screen onto the sheet: a left press places a node (Shift: a vertex,
// which ends the line and starts the next there; Ctrl: a corner), a right press finishes (Alt:
// closed). The finished line is a new piece.
class SheetTraceTool : public Tool {
public:
    void enter(Engine& e) override { e.traced.clear(); }
    bool leftPress(Engine& e, const Pointer& p) override {
        return button(e, p.shift() ? TraceButton::Vertex : p.ctrl() ? TraceButton::Corner : TraceButton::Place);
    }
    bool traceButton(Engine& e, TraceButton b) override { return button(e, b); }
    bool rightPress(Engine& e, const Pointer& p) override {
        if (p.alt() && e.traced.size() > 2) e.traced.push_back({e.traced.front().x, e.traced.front().y, 0});
        return button(e, TraceButton::Finish);
    }
    bool move(Engine& e, const Pointer&) override {
        if (!e.traced.empty()) e.present();
        return true;
    }
    bool key(Engine& e, const KeyEvent& k) override {
        if (k.key != key::Escape || e.traced.empty()) return false;
        e.traced.clear();
        e.present();
        return true;
    }
    bool overlay(Engine& e, Canvas& c) override {
        if (e.traced.empty()) return false;
        std::vector<Node> nodes = e.traced;
        nodes.push_back({e.model.x, e.model.y, 0});
        DrawModel(e, c, TracedCurve(e, std::move(nodes)));
        return true;
    }

private:
    // The front screen's node rules (join distance, tones); no part is traced here.
    bool addNode(Engine& e, bool corner) { return front_.AddNode(e, e.model, corner); }

    // `close`: the trace ends; otherwise the next line starts at the last node.
    void finishLine(Engine& e, bool close) {
        std::vector<Node>& t = e.traced;
        if (t.size() >= 2) {
            PLTC& s = Shown(e);
            const int tool = ItemTool(e);
            AppendSheetPiece(s.items, s.nextPieceId, TracedCurve(e, t), kItemOutline, tool, PenSlot(s.settings(), tool));
            Changed(e, s);
        } else {
            e.present();
        }
        if (close || t.empty()) t.clear();
        else t.assign(1, t.back());
    }

    bool button(Engine& e, TraceButton b) {
        // Pins, labels, notches, motifs and texts have no place on a sheet.
        if (!IsLineInput(e.inputKind())) {
            e.tone(kToneRefused);
            return true;
        }
        switch (b) {
        case TraceButton::Place:
        case TraceButton::Corner:
            if (addNode(e, b == TraceButton::Corner) && e.inputKind() == kInputArc && e.traced.size() == 3)
                finishLine(e, false);
            break;
        case TraceButton::Vertex:
            if (e.traced.empty()) e.tone(kToneRefused);
            else if (addNode(e, false)) finishLine(e, false);
            break;
        case TraceButton::Finish: finishLine(e, true); break;
        case TraceButton::TakeBack:
            if (e.traced.empty()) {
                e.tone(kToneRefused);
            } else {
                e.traced.pop_back();
                e.tone(kToneBack);
                e.present();
            }
            break;
        }
        return true;
    }

    TraceTool front_;
};

// ---------------------------------------------------------------- 槽线

class SheetSlotTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        PLTC& sheet = Shown(e);
        const SheetHit hit = HitSheetItem(sheet.items, p.model, Half(e, 3));
        if (!hit) return true;
        const PlotItem& it = sheet.items[size_t(hit.item)];
        if (it.kind() != kItemOutline && it.kind() != kItemInner) return true;
        host_ = it.points;
        piece_ = it.pieceId;
        L_ = PolyLength(host_);
        if (!(L_ > 0.0f)) return true;
        closed_ = PolyClosed(host_);
        press_ = at_ = p.model;
        s0_ = s1_ = PolyLengthTo(host_, p.model).length;
        DragCapture d;
        d.acceptOnRelease = false;
        d.rightPans = true;
        d.move = [this](Engine& en, const Pointer& q) {
            follow(q.model);
            en.present();
        };
        d.rightClick = [](Engine& en, const Pointer&) { en.present(); };
        d.overlay = [this](Engine& en, Canvas& c) {
            DrawModel(en, c, outline(en));
            return true;
        };
        d.end = [this](Engine& en, const Pointer& q, bool accepted) {
            if (!accepted) return en.present();
            follow(q.model);
            if (std::fabs(s1_ - s0_) < kMinSheetSlot) return en.present();
            Polyline o = outline(en);
            if (o.size() < 2) return en.present();
            PLTC& s = Shown(en);
            AppendSheetItem(s.items, std::move(o), piece_, kItemSlot, ItemTool(en), PenSlot(s.settings(), kToolFullCut));
            Changed(en, s);
        };
        e.beginDrag(p, std::move(d));
        e.present();
        return true;
    }

private:
    // Across the closing point of a closed line the stretch stops there rather than jumping
    // round the whole outline.
    void follow(PointF q) {
        float s = PolyLengthTo(host_, q).length;
        if (closed_ && std::fabs(s - s1_) > 0.5f * L_) s = s1_ > 0.5f * L_ ? L_ : 0.0f;
        s1_ = s;
        at_ = q;
    }
    // The pointer on the right of the line's direction at the nearest point.
    bool rightOfLine() const {
        const PointAt a = PolyPointAt(host_, s1_);
        const size_t i = size_t(std::clamp(a.index, 1, int(host_.size()) - 1));
        const PointF d{host_[i].x - host_[i - 1].x, host_[i].y - host_[i - 1].y};
        return d.x * (at_.y - a.pt.y) - d.y * (at_.x - a.pt.x) < 0.0f;
    }
    Polyline outline(const Engine& e) const {
        const float depth = e.doc.settings.slotDepth;
        uint32_t flags = PtDist(press_, at_) > depth ? kSlotOneSided : 0u;
        if (e.doc.settings.generalFlags & kGenSlotSharpCorner) flags |= kSlotPointed;
        return BuildSlotOutline(host_, std::min(s0_, s1_) / L_, std::max(s0_, s1_) / L_, 0.0f,
                                rightOfLine() ? -depth : depth, featureSession().slotAngle, flags);
    }

    Polyline host_;
    int32_t piece_ = 0;
    float L_ = 0, s0_ = 0, s1_ = 0;
    bool closed_ = false;
    PointF press_, at_;
};

// ---------------------------------------------------------------- 叠板

class SheetMergeTool : public Tool {
public:
    bool leftPress(Engine& e, const Pointer& p) override {
        PLTC& s = Shown(e);
        const int hit = PickSheetPiece(s.items, p.model, Half(e, 5));
        if (hit < 0) {
            SheetCrossingBand(e, p);
            return true;
        }
        e.doc.platform.setBusy(true);
        const bool merged = MergePickedPieces(s.items, s.items[size_t(hit)].pieceId);
        e.doc.platform.setBusy(false);
        if (!merged) return e.tone(kToneRefused), true;
        Changed(e, s);
        return true;
    }
};

}  // namespace

void InstallSheetDrawTools(Engine& e, ShapeMemory* shapes) {
    e.setBackTool(kModeCircle, std::make_unique<SheetShapeTool>(kModeCircle, shapes));
    e.setBackTool(kModeRectangle, std::make_unique<SheetShapeTool>(kModeRectangle, shapes));
    e.setBackTool(kModeTrace, std::make_unique<SheetTraceTool>());
    e.setBackTool(kModeSlot, std::make_unique<SheetSlotTool>());
    e.setBackTool(kModeMerge, std::make_unique<SheetMergeTool>());
}

}  // namespace rz
