// The tool engine: modes and their tools, the services tools call (prompts, tones, picking,
// redraws), the pointer captures (band, pan, zoom, drags) and the feedback it draws.
#include "interact/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/design.h"

namespace rz {

namespace {

class FunctionTool : public Tool {
public:
    explicit FunctionTool(ModeHandlers h) : h_(std::move(h)) {}
    bool leftPress(Engine& e, const Pointer& p) override { return h_.leftPress && h_.leftPress(e, p); }
    bool rightPress(Engine& e, const Pointer& p) override { return h_.rightPress && h_.rightPress(e, p); }
    bool move(Engine& e, const Pointer& p) override { return h_.move && h_.move(e, p); }
    bool key(Engine& e, const KeyEvent& k) override { return h_.key && h_.key(e, k); }
    bool leftRelease(Engine& e, const Pointer& p) override { return h_.leftRelease && h_.leftRelease(e, p); }
    bool traceButton(Engine& e, TraceButton b) override { return h_.traceButton && h_.traceButton(e, b); }
    void enter(Engine& e) override {
        if (h_.enter) h_.enter(e);
    }
    bool cancelStep(Engine& e) override { return h_.cancelStep && h_.cancelStep(e); }
    bool overlay(Engine& e, Canvas& c) override { return h_.overlay && h_.overlay(e, c); }

private:
    ModeHandlers h_;
};

constexpr uint32_t kBandColour = 0xFFFFFF;
constexpr uint32_t kHighlightColour = 0xA000A0;
constexpr int kTraceGrowth = 2048;  // the trace buffer grows in steps of this many nodes

}  // namespace

std::unique_ptr<Tool> MakeTool(ModeHandlers h) { return std::make_unique<FunctionTool>(std::move(h)); }

PixelRect RubberBand::pixels() const {
    return {std::min(start.x, end.x), std::min(start.y, end.y), std::max(start.x, end.x),
            std::max(start.y, end.y)};
}

Engine::Engine(TDoc& d, ViewState& v, ToolState* tool) : doc(d), vs(v), state(tool ? *tool : own_) {}
Engine::~Engine() = default;

// ---------------------------------------------------------------- modes

void Engine::setTool(int m, std::unique_ptr<Tool> t) { tools_[m] = std::move(t); }
void Engine::setBackTool(int m, std::unique_ptr<Tool> t) { backTools_[m] = std::move(t); }

Tool* Engine::tool(int m) const {
    auto it = tools_.find(m);
    return it == tools_.end() ? nullptr : it->second.get();
}

Tool* Engine::backTool(int m) const {
    auto it = backTools_.find(m);
    return it == backTools_.end() ? nullptr : it->second.get();
}

bool Engine::Command(int id) {
    if (auto mc = ModeForCommand(id)) {
        if (mc->mode == mode::Trace) {
            // A line being traced is finished before the new input kind applies.
            if (state.mode == mode::Trace && !vs.backShown && !traced.empty()) finishTrace();
            bool changed = inputKind_ != mc->inputKind;
            inputKind_ = mc->inputKind;
            if (state.mode == mode::Trace) {
                if (changed) UpdateModeStatus();
            } else {
                SetMode(mode::Trace);
            }
        } else {
            SetMode(mc->mode);
        }
        return true;
    }
    if (id == kSnapOffCommand) {
        setSnapBits(0);
        return true;
    }
    if (uint32_t bit = SnapBitOfCommand(id)) {
        setSnapBits(snapBits ^ bit);
        return true;
    }
    std::optional<SelectWhat> what;
    switch (id) {
    case 34140: what = SelectWhat::All; break;
    case 34142: what = SelectWhat::Lines; break;
    case 34143: what = SelectWhat::Pins; break;
    case 34144: what = SelectWhat::Motifs; break;
    case 34180: what = SelectWhat::Texts; break;
    default: break;
    }
    if (what) {
        if (SelectAll(doc.design, doc.currentPage(), *what)) redraw();
        return true;
    }
    return false;
}

bool Engine::CommandChecked(int id) const {
    uint32_t bit = SnapBitOfCommand(id);
    return bit && (snapBits & bit);
}

void Engine::finishTrace() {
    model = traced.back().pt();
    InputButton(TraceButton::Finish);
}

void Engine::SetMode(int m) {
    if (m == state.mode || !IsMode(m)) return;
    // A drag or rubber band of the old mode ends unapplied: its end belongs to that mode and
    // must not commit in the new one.
    endCaptures();
    if (!vs.backShown) {
        if (!traced.empty()) finishTrace();
        // Without a tracing mode nothing could take the nodes; they must not leak into the
        // next line.
        traced.clear();
        CancelStep();
    }
    state.prevMode = state.mode;
    state.mode = m;
    UpdateModeStatus();
    if (vs.backShown) return;
    int page = doc.currentPage();
    switch (m) {
    case mode::LineColour:
        if (ClearSelection(doc.design, page)) redraw();
        break;
    case mode::Fix:
        if (ClearSelection(doc.design, page)) redraw();
        ShowPrompt(kPromptFixBase);
        break;
    case mode::FixedDistance: ShowPrompt(kPromptFixedElement); break;
    case mode::SymControl:
    case mode::FrontSymControl:
        if (ClearSelection(doc.design, page)) redraw();
        ShowPrompt(kPromptSymAxis);
        break;
    default: break;
    }
    if (Tool* t = tool(m)) t->enter(*this);
}

void Engine::CancelStep() {
    if (state.step <= 0) return;
    state.step = 0;
    Tool* t = vs.backShown ? backTool(state.mode) : tool(state.mode);
    if (!(t && t->cancelStep(*this))) {
        switch (state.mode) {
        case mode::PointOp:
            if (!vs.backShown) {
                ClearSelection(doc.design, doc.currentPage());
                cursor = CursorKind::PointOp;
                doc.platform.setCursor(cursor);
            }
            redraw();
            break;
        case mode::Fix:
            redraw();
            ShowPrompt(kPromptFixBase);
            break;
        case mode::FixedDistance:
            redraw();
            ShowPrompt(kPromptFixedElement);
            break;
        case mode::FrontSymControl:
            redraw();
            ShowPrompt(kPromptSymAxis);
            break;
        default:
            redraw();
            ShowPrompt(defaultPrompt);
            break;
        }
    }
    if (t) t->releaseData();
}

void Engine::ShowPrompt(int resource) {
    if (resource == shownPrompt_) return;
    shownPrompt_ = resource;
    doc.platform.setPrompt(PromptText(resource));
}

void Engine::ShowPromptText(const std::string& text) {
    shownPrompt_ = -1;
    doc.platform.setPrompt(text);
}

void Engine::UpdateModeStatus() {
    doc.platform.setStatus(5, ModeMenuText(state.mode, inputKind_));
    doc.platform.setStatus(4, "");
    int prompt = defaultPrompt;
    if (state.mode == mode::Align) prompt = kPromptAlignPart;
    if (state.mode == mode::Assign && assignPrompt) prompt = assignPrompt;
    ShowPrompt(prompt);
    cursor = CursorForMode(state.mode);
    doc.platform.setCursor(cursor);
}

// ---------------------------------------------------------------- services

void Engine::tone(int hz) { doc.platform.tone(hz); }

void Engine::redraw() {
    index_.invalidate();
    if (hooks.redraw) hooks.redraw();
    else doc.platform.requestRedraw();
}

void Engine::present() {
    if (hooks.present) hooks.present();
    else doc.platform.requestRedraw();
}

const GeomIndex& Engine::index() {
    if (!index_.matches(doc.design, doc.currentPage())) index_.build(doc.design, doc.currentPage());
    return index_;
}

void Engine::appendTraced(const Node& n) {
    if (traced.size() == traced.capacity()) traced.reserve(traced.size() + kTraceGrowth);
    traced.push_back(n);
}

std::optional<PointF> Engine::lastTraced() const {
    if (traced.empty()) return std::nullopt;
    return traced.back().pt();
}

Pointer Engine::pointerAt(PixelPoint px, uint32_t mods) {
    Pointer p;
    p.mods = mods;
    if (fromTablet_) {
        // A tablet point is the pattern's own point: neither rounded to a pixel nor snapped.
        p.px = px;
        p.model = model;
        return p;
    }
    if (vs.backShown || !snapBits) {
        p.px = px;
        p.model = vs.view.toModel(px.x, px.y);
        return p;
    }
    SnapRequest req;
    req.px = px;
    req.mods = mods;
    req.bits = snapBits;
    req.rangePx = SnapRangePx(doc.settings);
    req.prevNode = lastTraced();
    SnapResult r = SnapPoint(doc, vs.view, req, &index());
    p.px = r.px;
    p.model = r.model;
    p.snap = r.rule;
    return p;
}

void Engine::setSnapBits(uint32_t bits) {
    uint32_t was = snapBits;
    snapBits = bits & kSnapAll;
    // Switching a rule off removes the marker; the next move shows it again if another holds.
    if ((was & ~snapBits) && markerShown) {
        markerShown = false;
        present();
    }
}

void Engine::updateMarker(const Pointer& p) {
    if (p.snap != SnapRule::None) {
        if (markerShown && markerPx == p.px) return;
        markerShown = true;
        markerPx = p.px;
        present();
    } else if (markerShown) {
        markerShown = false;
        present();
    }
}

void Engine::refreshMarkerAfterView() {
    if (vs.backShown) return;
    Pointer p = pointerAt(pixel, 0);
    markerShown = p.snap != SnapRule::None;
    markerPx = p.px;
}

PickResult Engine::PickAt(PointF p, uint32_t mask) {
    PickOptions o;
    o.page = doc.currentPage();
    o.halfWidth = vs.view.s > 0.0f ? float(PickRangePx(doc.settings)) / vs.view.s : 0.0f;
    o.chooseAmong = (doc.settings.generalFlags & kGenMultiPick) != 0;
    o.chooser = chooser;
    o.index = &index();
    o.highlight = [this](const PickResult& r) {
        highlighted = r;
        present();
    };
    pickMask = mask;
    pick = rz::PickAt(doc, p, mask, o);
    if (highlighted) {
        highlighted.reset();
        present();
    }
    return pick;
}

Part* Engine::PartAt(PointF p, bool includeHidden) {
    return rz::PartAt(doc.design, doc.currentPage(), p, includeHidden, tracingPart);
}

void Engine::ToggleAt(PointF p) {
    PickResult r = PickAt(p, kToggleMask);
    if (ToggleSelected(r)) redraw();
}

// ---------------------------------------------------------------- captures

void Engine::beginRubberBand(const Pointer& at, std::function<void(Engine&, const RubberBand&)> done,
                             std::function<bool(Engine&)> clear) {
    cap_ = {};
    cap_.kind = CaptureKind::RubberBand;
    cap_.band.start = cap_.band.end = at.px;
    cap_.band.mods = at.mods;
    cap_.bandDone = std::move(done);
    cap_.bandClear = std::move(clear);
    cap_.last = at;
}

void Engine::beginDrag(const Pointer& at, DragCapture d) {
    cap_ = {};
    cap_.kind = CaptureKind::Drag;
    cap_.drag = std::move(d);
    cap_.last = at;
}

void Engine::beginOutlineDrag(const Pointer& at, Shape outline,
                              std::function<void(Engine&, bool, PointF)> done) {
    PointF anchor = at.model;
    auto offset = std::make_shared<PointF>();
    DragCapture d;
    d.move = [offset, anchor](Engine& e, const Pointer& p) {
        *offset = {p.model.x - anchor.x, p.model.y - anchor.y};
        e.present();
    };
    d.end = [offset, anchor, done](Engine& e, const Pointer& p, bool accepted) {
        PointF off = accepted ? PointF{p.model.x - anchor.x, p.model.y - anchor.y} : PointF{};
        e.present();
        if (done) done(e, accepted, off);
    };
    d.overlay = [offset, outline = std::move(outline)](Engine& e, Canvas& c) {
        c.setColour(kHighlightColour);
        c.setWidth(1);
        c.setDash(0, 0);
        std::vector<PixelPoint> px;
        for (const auto& pl : outline) {
            px.clear();
            for (PointF q : pl) px.push_back(e.vs.view.toWindow({q.x + offset->x, q.y + offset->y}));
            if (px.size() > 1) c.polyline(px.data(), px.size());
        }
        return true;
    };
    beginDrag(at, std::move(d));
}

std::optional<PixelPoint> Engine::panOffset() const {
    if (cap_.kind != CaptureKind::Pan || !cap_.pan.begun()) return std::nullopt;
    return cap_.pan.offset();
}

void Engine::endBand(bool apply) {
    RubberBand band = cap_.band;
    bool cleared = band.cleared;
    auto done = std::move(cap_.bandDone);
    cap_ = {};
    if (apply && done) done(*this, band);
    else if (cleared) redraw();
    else present();
}

void Engine::endPan(bool fallThrough) {
    bool fromRight = cap_.panFromRight;
    PointerEvent press = cap_.panPress;
    bool moved = cap_.pan.release(vs.view);
    cap_ = {};
    cursor = CursorForMode(state.mode);
    doc.platform.setCursor(cursor);
    if (moved) {
        refreshMarkerAfterView();
        redraw();
        return;
    }
    present();
    // A right press that never became a pan is a right press for the mode after all.
    if (fromRight && fallThrough) dispatchRight(press);
}

void Engine::endZoom() {
    bool moved = cap_.zoomMoved;
    cap_.zoom.release(vs.view);
    cap_ = {};
    cursor = CursorForMode(state.mode);
    doc.platform.setCursor(cursor);
    if (moved) refreshMarkerAfterView();
    redraw();
}

void Engine::endDrag(const Pointer& at, bool accepted) {
    // `at` may be the capture's own last pointer, which the reset below clears.
    Pointer p = at;
    DragCapture d = std::move(cap_.drag);
    cap_ = {};
    if (d.end) d.end(*this, p, accepted);
    else present();
}

void Engine::EndDrag(bool accepted) {
    if (cap_.kind == CaptureKind::Drag) endDrag(cap_.last, accepted);
}

void Engine::ActivationLost() {
    endCaptures();
    // The stop message ends a grab as well (digitizer mode).
    if (InputGrab* g = grab_) g->stop(*this);
}

void Engine::endCaptures() {
    switch (cap_.kind) {
    case CaptureKind::None: break;
    case CaptureKind::RubberBand: endBand(false); break;
    case CaptureKind::Pan: endPan(false); break;
    case CaptureKind::Zoom: endZoom(); break;
    case CaptureKind::Drag: endDrag(cap_.last, false); break;
    }
}

// ---------------------------------------------------------------- feedback

void Engine::drawHighlight(Canvas& c, const PickResult& r) {
    c.setColour(kHighlightColour);
    c.setWidth(2);
    c.setDash(0, 0);
    std::vector<PixelPoint> px;
    auto poly = [&](const Polyline& pl, float dx = 0, float dy = 0) {
        px.clear();
        for (PointF q : pl) px.push_back(vs.view.toWindow({q.x + dx, q.y + dy}));
        if (px.size() > 1) c.polyline(px.data(), px.size());
    };
    auto cross = [&](float x, float y) {
        PixelPoint p = vs.view.toWindow({x, y});
        c.line({p.x - 6, p.y}, {p.x + 7, p.y});
        c.line({p.x, p.y - 6}, {p.x, p.y + 7});
    };
    switch (r.kind) {
    case kKindLineA:
    case kKindLineB:
    case kKindLineByPoint: poly(r.as<Line>()->eval); break;
    case kKindPin: cross(r.as<Pin>()->x, r.as<Pin>()->y); poly(r.as<Pin>()->outline); break;
    case kKindMotif: {
        auto* m = r.as<Motif>();
        cross(m->x, m->y);
        for (auto& pl : m->shape) poly(pl, m->x, m->y);
        break;
    }
    case kKindText: cross(r.as<TextString>()->x, r.as<TextString>()->y); break;
    case kKindBasePoint: cross(r.as<BasePoint>()->x, r.as<BasePoint>()->y); break;
    case kKindSizeLabel: cross(r.as<SizeLabel>()->x, r.as<SizeLabel>()->y); break;
    case kKindNotch: cross(r.as<Notch>()->x, r.as<Notch>()->y); break;
    case kKindSeamAllowance: poly(r.as<SeamAllowance>()->outline); break;
    default: break;
    }
}

bool Engine::overlay(Canvas& c) {
    bool drew = false;
    if (cap_.kind == CaptureKind::RubberBand && cap_.band.active) {
        PixelRect r = cap_.band.pixels();
        PixelPoint pts[5] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
        c.setColour(kBandColour);
        c.setWidth(1);
        // A crossing band is drawn dashed, a window band solid.
        if (cap_.band.crossing()) c.setDash(4, 4);
        else c.setDash(0, 0);
        c.polyline(pts, 5);
        c.setDash(0, 0);
        drew = true;
    }
    if (cap_.kind == CaptureKind::Drag && cap_.drag.overlay) drew = cap_.drag.overlay(*this, c) || drew;
    Tool* t = vs.backShown ? backTool(state.mode) : tool(state.mode);
    if (t && t->overlay(*this, c)) drew = true;
    if (highlighted) {
        drawHighlight(c, *highlighted);
        drew = true;
    }
    if (markerShown && !vs.backShown) {
        DrawSnapMarker(c, markerPx);
        drew = true;
    }
    if (grab_ && grab_->overlay(*this, c)) drew = true;
    return drew;
}

}  // namespace rz
