// The engine's input: pointer buttons, moves and the wheel, the tracing buttons of the tablet and
// the digitizer, and the keyboard, each dispatched to the captures, the current tool or the view.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "interact/engine.h"
#include "model/design.h"

namespace rz {


// ---------------------------------------------------------------- pointer input

bool Engine::selectionLeftPress(const Pointer& p) {
    beginRubberBand(p, [](Engine& e, const RubberBand& b) {
        Design& d = e.doc.design;
        int page = e.doc.currentPage();
        bool changed = false;
        if (b.active) {
            PixelRect r = b.pixels();
            PointF a = e.vs.view.toModel(r.left, r.bottom), c = e.vs.view.toModel(r.right, r.top);
            changed = SelectInRect(d, page, {a.x, a.y, c.x, c.y}, b.crossing(), kRubberBandMask);
            changed = changed || b.cleared;
        } else if (b.mods & kMkCtrl) {
            e.ToggleAt(e.vs.view.toModel(b.start.x, b.start.y));
            return;
        } else {
            changed = ClearSelection(d, page);
        }
        if (changed) e.redraw();
        else e.present();
    });
    return true;
}

// While a grab holds the input (digitizer mode) the mouse does nothing in the drawing.
void Engine::OnLeftDown(const PointerEvent& e) {
    if (!grab_) leftDown(e);
}
void Engine::OnLeftUp(const PointerEvent& e) {
    if (!grab_) leftUp(e);
}
void Engine::OnRightDown(const PointerEvent& e) {
    if (!grab_) rightDown(e);
}
void Engine::OnMouseMove(const PointerEvent& e) {
    if (!grab_) mouseMove(e);
}

void Engine::leftDown(const PointerEvent& e) {
    switch (cap_.kind) {
    case CaptureKind::None: break;
    case CaptureKind::Pan: pixel = e.px; endPan(true); return;
    case CaptureKind::Drag:
        if (!cap_.drag.acceptOnRelease) endDrag(pointerAt(e.px, e.mods), true);
        return;
    default: return;  // the button is already down
    }
    pixel = e.px;
    if (vs.backShown) {
        if (!fromTablet_) model = vs.view.toModel(e.px.x, e.px.y);
        Pointer p{e.px, model, e.mods};
        if (Tool* t = backTool(state.mode)) t->leftPress(*this, p);
        return;
    }
    Pointer p = pointerAt(e.px, e.mods);
    model = p.model;
    pixel = p.px;  // the snapped point: feedback and rubber bands start there
    Tool* t = tool(state.mode);
    if (t && t->leftPress(*this, p)) return;
    if (state.mode == mode::Select) selectionLeftPress(p);
    else if (state.mode == mode::Trace) InputButton(TraceButton::Place);
}

void Engine::leftUp(const PointerEvent& e) {
    switch (cap_.kind) {
    case CaptureKind::RubberBand: {
        cap_.band.end = e.px;
        releasePixel = e.px;
        endBand(true);
        return;
    }
    case CaptureKind::Zoom: pixel = e.px; endZoom(); return;
    case CaptureKind::Drag:
        if (cap_.drag.acceptOnRelease) endDrag(pointerAt(e.px, e.mods), true);
        return;
    case CaptureKind::Pan: return;
    case CaptureKind::None: break;
    }
    releasePixel = e.px;
    if (vs.backShown) return;
    Pointer p = pointerAt(e.px, e.mods);
    Tool* t = tool(state.mode);
    if (t && t->leftRelease(*this, p)) return;
    // The node drag (step 4) and the range drag (step 3) of 点操作 both return to step 1.
    if (state.mode == mode::PointOp) {
        if (state.step == 3) state.step = 1;
        else if (state.step == 4) {
            state.step = 1;
            ShowPrompt(kPromptPickNode);
        }
    }
}

void Engine::rightDown(const PointerEvent& e) {
    if (cap_.kind == CaptureKind::Drag && cap_.drag.rightPress) {
        DragCapture d = std::move(cap_.drag);
        cap_ = {};
        d.rightPress(*this, pointerAt(e.px, e.mods));
        return;
    }
    if (cap_.kind == CaptureKind::Drag && cap_.drag.rightPans && !cap_.dragPanning) {
        cap_.dragPanning = true;
        cap_.dragPanBegun = false;
        cap_.dragPanFrom = e.px;
        return;
    }
    if (cap_.kind == CaptureKind::RubberBand) cap_.band.rightDown = true;
    if (cap_.kind != CaptureKind::None) return;
    bool middlePans = (doc.settings.generalFlags & kGenMiddlePans) != 0;
    if (!middlePans && !(e.mods & kMkModifiers)) {
        // Possibly a pan: decided by the movement before the release.
        cap_ = {};
        cap_.kind = CaptureKind::Pan;
        cap_.panFromRight = true;
        cap_.panPress = e;
        cap_.pan.press(e.px);
        pixel = e.px;
        return;
    }
    dispatchRight(e);
}

void Engine::dispatchRight(const PointerEvent& e) {
    pixel = e.px;
    if (vs.backShown) {
        if (!fromTablet_) model = vs.view.toModel(e.px.x, e.px.y);
        Pointer p{e.px, model, e.mods};
        Tool* t = backTool(state.mode);
        if (t && t->rightPress(*this, p)) return;
        if (state.mode == mode::Move) SetMode(mode::Rotate);
        else if (state.mode == mode::Rotate) SetMode(mode::Move);
        else if (state.mode == mode::PointOp) CancelStep();
        return;
    }
    Pointer p = pointerAt(e.px, e.mods);
    model = p.model;
    pixel = p.px;
    Tool* t = tool(state.mode);
    if (t && t->rightPress(*this, p)) return;
    switch (state.mode) {
    case mode::Move: SetMode(mode::Rotate); break;
    case mode::Rotate: SetMode(mode::Move); break;
    case mode::Fix:
    case mode::Align:
    case mode::SymControl:
    case mode::FrontSymControl: CancelStep(); break;
    case mode::Trace: InputButton(p.alt() ? TraceButton::TakeBack : TraceButton::Finish); break;
    default: break;
    }
}

void Engine::OnRightUp(const PointerEvent& e) {
    if (grab_) return;
    if (cap_.kind == CaptureKind::Drag && cap_.dragPanning) {
        cap_.dragPanning = false;
        if (cap_.dragPanBegun) {
            cursor = CursorForMode(state.mode);
            doc.platform.setCursor(cursor);
        } else if (cap_.drag.rightClick) {
            DragCapture d = std::move(cap_.drag);
            cap_ = {};
            d.rightClick(*this, pointerAt(e.px, e.mods));
        }
        return;
    }
    if (cap_.kind == CaptureKind::Pan) {
        pixel = e.px;
        endPan(true);
    }
}

void Engine::OnMiddleDown(const PointerEvent& e) {
    if (grab_) return;
    if (cap_.kind != CaptureKind::None) return;
    pixel = e.px;
    cap_ = {};
    if (doc.settings.generalFlags & kGenMiddlePans) {
        if (e.mods & kMkModifiers) return;  // a pan drag does not start with a modifier held
        cap_.kind = CaptureKind::Pan;
        cap_.panPress = e;
        cap_.pan.press(e.px);
    } else {
        cap_.kind = CaptureKind::Zoom;
        cap_.zoom.press(vs.view, e.px);
    }
}

void Engine::OnMiddleUp(const PointerEvent& e) {
    if (grab_) return;
    if (cap_.kind == CaptureKind::Pan) {
        pixel = e.px;
        endPan(false);
    } else if (cap_.kind == CaptureKind::Zoom) {
        pixel = e.px;
        endZoom();
    }
}

void Engine::mouseMove(const PointerEvent& e) {
    switch (cap_.kind) {
    case CaptureKind::RubberBand: {
        RubberBand& b = cap_.band;
        b.end = e.px;
        PixelRect r = b.pixels();
        if (!b.active && r.width() > 1 && r.height() > 1) {
            b.active = true;
            if (!(b.mods & kMkCtrl))
                b.cleared = cap_.bandClear ? cap_.bandClear(*this) : ClearSelection(doc.design, doc.currentPage());
            if (b.cleared) {
                redraw();
                return;
            }
        }
        if (b.active) present();
        return;
    }
    case CaptureKind::Pan: {
        // Only moves inside the window count.
        if (e.px.x < 0 || e.px.y < 0 || e.px.x >= vs.view.W || e.px.y >= vs.view.H) return;
        bool was = cap_.pan.begun();
        if (auto off = cap_.pan.move(e.px)) {
            if (!was) {
                cursor = CursorKind::Pan;
                doc.platform.setCursor(cursor);
            }
            if (hooks.panPreview) hooks.panPreview(*off);
            else present();
        }
        return;
    }
    case CaptureKind::Zoom: {
        if (!cap_.zoomMoved) {
            cap_.zoomMoved = true;
            if (markerShown) markerShown = false;
            cursor = CursorKind::Zoom;
            doc.platform.setCursor(cursor);
        }
        if (cap_.zoom.move(vs.view, e.px)) redraw();
        return;
    }
    case CaptureKind::Drag: {
        PixelPoint px = e.px;
        if (cap_.drag.confine && vs.view.W > 0 && vs.view.H > 0) {
            px.x = std::clamp(px.x, 0, vs.view.W - 1);
            px.y = std::clamp(px.y, 0, vs.view.H - 1);
        }
        if (cap_.dragPanning) {
            // The view follows the pointer live (the dragged outline is drawn over it), once
            // the pointer has moved 2 pixels on either axis.
            int dx = cap_.dragPanFrom.x - px.x, dy = cap_.dragPanFrom.y - px.y;
            if (!cap_.dragPanBegun && std::abs(dx) < 2 && std::abs(dy) < 2) return;
            if (!cap_.dragPanBegun) {
                cap_.dragPanBegun = true;
                cursor = CursorKind::Pan;
                doc.platform.setCursor(cursor);
            }
            cap_.dragPanFrom = px;
            if (dx == 0 && dy == 0) return;
            vs.view.ox -= dx;
            vs.view.oy -= dy;
            vs.view.refreshVisible();
            refreshMarkerAfterView();
            redraw();
            return;
        }
        Pointer p = pointerAt(px, e.mods);
        cap_.last = p;
        if (cap_.drag.move) cap_.drag.move(*this, p);
        else present();
        return;
    }
    case CaptureKind::None: break;
    }
    pixel = e.px;
    if (vs.backShown) {
        if (!fromTablet_) model = vs.view.toModel(e.px.x, e.px.y);
        if (state.mode == mode::Trace)
            if (Tool* t = backTool(state.mode)) t->move(*this, {e.px, model, e.mods});
        return;
    }
    Pointer p = pointerAt(e.px, e.mods);
    model = p.model;
    pixel = p.px;
    updateMarker(p);
    if (state.mode == mode::Trace) {
        bool cm = doc.settings.centimetreDisplay != 0;
        double k = cm ? 1000.0 : 100.0;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.1f,%.1f", p.model.x / k, p.model.y / k);
        doc.platform.setStatus(4, buf);
    }
    if (Tool* t = tool(state.mode)) t->move(*this, p);
}

void Engine::OnWheel(int steps, const PointerEvent& e) {
    if (grab_) return;
    if (cap_.kind != CaptureKind::None || steps == 0) return;
    pixel = e.px;
    if (vs.view.zoomBy(steps > 0 ? kZoomIn : kZoomOut, ZoomAnchor::Cursor, e.px)) {
        refreshMarkerAfterView();
        redraw();
    }
}

// ---------------------------------------------------------------- tracing input

void Engine::InputButton(TraceButton b) {
    Tool* t = vs.backShown ? backTool(mode::Trace) : tool(mode::Trace);
    if (!(t && t->traceButton(*this, b))) tone(kToneRefused);
}

std::optional<TraceButton> Engine::ButtonOfKey(int code) const {
    // The key assignment is stored as 定点键, 退点键, 顶点键, 结束键, 角点键 and compared in the
    // order 定点, 角点, 退点, 顶点, 结束: a number given to two keys is the earlier of these.
    const auto& k = doc.settings.cutSetup.keys;
    if (code == k[0]) return TraceButton::Place;
    if (code == k[4]) return TraceButton::Corner;
    if (code == k[1]) return TraceButton::TakeBack;
    if (code == k[2]) return TraceButton::Vertex;
    if (code == k[3]) return TraceButton::Finish;
    return std::nullopt;
}

void Engine::tabletAt(PointF p) {
    model = p;
    pixel = vs.view.toWindow(p);
}

void Engine::DigitizerInput(PointF p, int code) {
    tabletAt(p);
    std::optional<TraceButton> b = ButtonOfKey(code);
    if (!b) {
        tone(kToneRefused);
        return;
    }
    if (state.mode == mode::Trace) {
        InputButton(*b);
        return;
    }
    // Outside tracing, 定点 and 角点 are the mode's left press and 结束 its right press.
    PointerEvent ev{Button::None, 0, pixel};
    fromTablet_ = true;
    if (*b == TraceButton::Place || *b == TraceButton::Corner) {
        ev.button = Button::Left;
        leftDown(ev);
    } else if (*b == TraceButton::Finish && cap_.kind == CaptureKind::None) {
        ev.button = Button::Right;
        dispatchRight(ev);
    } else {
        tone(kToneRefused);
    }
    fromTablet_ = false;
}

void Engine::DigitizerRelease(PointF p, int code) {
    tabletAt(p);
    std::optional<TraceButton> b = ButtonOfKey(code);
    if (state.mode == mode::Trace || !(b == TraceButton::Place || b == TraceButton::Corner)) return;
    fromTablet_ = true;
    leftUp({Button::Left, 0, pixel});
    fromTablet_ = false;
}

void Engine::DigitizerMove(PointF p) {
    tabletAt(p);
    fromTablet_ = true;
    mouseMove({Button::None, 0, pixel});
    fromTablet_ = false;
}

void Engine::setGrab(InputGrab* g) {
    if (g) endCaptures();
    grab_ = g;
}

// ---------------------------------------------------------------- keys

void Engine::zoomKey(float factor, ZoomAnchor anchor) {
    PixelPoint moveTo;
    if (!vs.view.zoomBy(factor, anchor, pixel, &moveTo)) return;
    if (anchor == ZoomAnchor::Centre) {
        pixel = moveTo;
        if (hooks.movePointer) hooks.movePointer(moveTo);
    }
    refreshMarkerAfterView();
    redraw();
}

bool Engine::frontKeys(const KeyEvent& k) {
    int page = doc.currentPage();
    bool plain = !k.ctrl() && !k.alt();
    switch (k.key) {
    case key::Space: {
        if (hooks.toggleHidden) {
            hooks.toggleHidden();
            return true;
        }
        doc.settings.displayFlags ^= kDispHidden;
        bool on = doc.settings.displayFlags & kDispHidden;
        for (auto& pic : doc.pictures) {
            if (on) pic->word |= kFlagHidden;
            else pic->word &= ~kFlagHidden;
        }
        redraw();
        return true;
    }
    case key::Left:
    case key::Right:
    case key::Up:
    case key::Down: {
        int dx = k.key == key::Left ? -1 : k.key == key::Right ? 1 : 0;
        int dy = k.key == key::Up ? -1 : k.key == key::Down ? 1 : 0;
        if (k.ctrl()) return hooks.browseFile && hooks.browseFile(dx + dy);
        return hooks.moveCell && hooks.moveCell(dx, dy);
    }
    case key::Delete:
        // The records a step has picked may be among those deleted: the step is given up first.
        if (state.step > 0 &&
            FirstSelected(doc.design, kPickLines | kPickPins | kPickMotifs | kPickTexts | kPickBasePoints, page))
            CancelStep();
        if (DeleteSelected(doc.design, page)) {
            doc.PushUndo();
            redraw();
        }
        return true;
    case key::Z:
        if (k.ctrl()) return false;  // undo, not a zoom
        zoomKey(k.shift() ? kZoomIn : kZoomOut, ZoomAnchor::Centre);
        return true;
    case key::Plus:
    case key::Minus:
        if (!k.keypad()) return false;
        zoomKey(k.key == key::Plus ? kZoomIn : kZoomOut, ZoomAnchor::Centre);
        return true;
    default: break;
    }
    if (plain && k.key >= key::Digit0 && k.key <= key::Digit0 + 9) {
        int n = k.key - key::Digit0;
        if (n == 0) {
            setSnapBits(0);
            if (markerShown) {
                markerShown = false;
                present();
            }
        } else if (n <= 4) {
            if (hooks.selectPage) {
                hooks.selectPage(n - 1);
            } else {
                SelectPage(doc, n - 1);
                redraw();
            }
        }
        return true;  // 5 … 9 are taken without action
    }
    return false;
}

bool Engine::backViewKeys(const KeyEvent& k) {
    switch (k.key) {
    case key::Z:
        if (k.ctrl()) return false;
        zoomKey(k.shift() ? kZoomIn : kZoomOut, ZoomAnchor::Cursor);
        return true;
    case key::Plus:
    case key::Minus:
        if (!k.keypad()) return false;
        zoomKey(k.key == key::Plus ? kZoomIn : kZoomOut, ZoomAnchor::Corner);
        return true;
    default: return false;
    }
}

bool Engine::commonKeys(const KeyEvent& k) {
    switch (k.key) {
    case key::Tab:
        SetMode(state.prevMode);
        return true;
    case key::Return:
    case key::Enter:
        if (k.ctrl() && hooks.fitView) {
            hooks.fitView();
        } else if (!k.ctrl() && hooks.restoreView) {
            hooks.restoreView();
        } else if (k.ctrl()) {
            bool fitted = vs.backShown ? (hooks.fitBack && hooks.fitBack()) : FitFrontView(doc, vs.view);
            if (fitted) {
                refreshMarkerAfterView();
                redraw();
            }
        } else {
            RestoreView(doc, vs);
            refreshMarkerAfterView();
            redraw();
        }
        return true;
    case key::Escape:
        if (state.step > 0) CancelStep();
        else if (state.mode != mode::Select) SetMode(mode::Select);
        else if (vs.backShown) {
            if (hooks.backClear) hooks.backClear();
        } else if (ClearSelection(doc.design, doc.currentPage())) {
            redraw();
        }
        return true;
    case key::PageUp:
    case key::PageDown:
    case key::Home:
    case key::End: {
        int delta = k.key == key::PageUp ? -1 : k.key == key::PageDown ? 1 : k.key == key::Home ? -30 : 30;
        if (hooks.directOutputRunning && hooks.directOutputRunning()) {
            doc.platform.warn("正在直接输出样板！");
            return true;
        }
        if (hooks.stepSize) hooks.stepSize(delta);
        return true;
    }
    case key::Period:
        if (hooks.layOntoSheet) hooks.layOntoSheet();
        if (vs.backShown) redraw();
        return true;
    default: return false;
    }
}

bool Engine::OnKeyDown(const KeyEvent& k) {
    if (grab_ && grab_->key(*this, k)) return true;
    if (cap_.kind != CaptureKind::None) {
        // The drags read the pointer only; ESC ends them, Enter accepts a dragged outline.
        if (k.key == key::Escape) ActivationLost();
        else if (cap_.kind == CaptureKind::Drag && (k.key == key::Return || k.key == key::Enter))
            endDrag(cap_.last, true);
        else if (cap_.kind == CaptureKind::Drag && cap_.drag.key) {
            // A copy: the handler may end the drag that holds it.
            auto handler = cap_.drag.key;
            handler(*this, k);
        }
        return true;
    }
    if (vs.backShown) {
        if (hooks.backKey && hooks.backKey(k)) return true;
        if (Tool* t = backTool(state.mode); t && t->key(*this, k)) return true;
        if (backViewKeys(k)) return true;
        return commonKeys(k);
    }
    if (Tool* t = tool(state.mode); t && t->key(*this, k)) return true;
    if (frontKeys(k)) return true;
    return commonKeys(k);
}

}  // namespace rz
