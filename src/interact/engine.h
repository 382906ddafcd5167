// The interaction engine: the tool mode and step of the screen shown, the dispatch of pointer,
// key and digitizer input to the handlers of the current mode, the keys that work in every
// mode, snapping and picking at the cursor, and the drags that capture the pointer until they
// end (rubber bands, pan and zoom drags, dragged outlines).
//
// A mode is one small state machine: a Tool with up to five handlers (left press, right press,
// move, key, left release) registered for its number:
//
//     engine.setTool(20, std::make_unique<MoveTool>());
//     engine.setHandlers(31, {.leftPress = [](Engine& e, const Pointer& p) { ...; return true; }});
//
// A handler returns true when it dealt with the input; otherwise the engine's shared behaviour
// for that input runs (for example the 移动/旋转 toggle of a right press).
//
// The window feeds plain event values (OnLeftDown … OnKeyDown, ActivationLost for the lost
// activation) and paints overlay() over the back buffer; a test does the same.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interact/canvas.h"
#include "interact/events.h"
#include "interact/geomindex.h"
#include "interact/modes.h"
#include "interact/pick.h"
#include "interact/scene.h"
#include "interact/screens.h"
#include "interact/snap.h"
#include "model/doc.h"

namespace rz {

class Engine;

// Pointer input as a mode sees it: converted to model units and snapped.
struct Pointer {
    PixelPoint px;     // window pixel (moved onto the snapped point)
    PointF model;      // model point
    uint32_t mods = 0; // kMk* bits
    SnapRule snap = SnapRule::None;
    bool shift() const { return (mods & kMkShift) != 0; }
    bool ctrl() const { return (mods & kMkCtrl) != 0; }
    bool alt() const { return (mods & kMkAlt) != 0; }
};

// The handlers of one mode. Unhandled input returns false.
class Tool {
public:
    virtual ~Tool() = default;
    virtual bool leftPress(Engine&, const Pointer&) { return false; }
    virtual bool rightPress(Engine&, const Pointer&) { return false; }
    virtual bool move(Engine&, const Pointer&) { return false; }
    virtual bool key(Engine&, const KeyEvent&) { return false; }
    virtual bool leftRelease(Engine&, const Pointer&) { return false; }
    // Mode 1 only: one of the five tracing buttons at the engine's model point.
    virtual bool traceButton(Engine&, TraceButton) { return false; }
    // The mode has just been selected (after the engine's own entry actions).
    virtual void enter(Engine&) {}
    // The step was abandoned (step is already 0). Return true when the mode redrew and
    // prompted itself; otherwise the engine redraws and shows the default prompt.
    virtual bool cancelStep(Engine&) { return false; }
    // Release the scratch data of a step (picked records, point buffers).
    virtual void releaseData() {}
    // Feedback of the step in progress, drawn in window pixels over the back buffer.
    virtual bool overlay(Engine&, Canvas&) { return false; }
};

// A state that takes the window's input for itself while it lasts (digitizer mode): pointer
// input is ignored, keys are offered to it first, the stop message (ActivationLost) ends it.
class InputGrab {
public:
    virtual ~InputGrab() = default;
    // True when the key was used or is to be ignored; false lets the engine handle it.
    virtual bool key(Engine&, const KeyEvent&) = 0;
    // The application lost activation: the state ends (and releases the grab).
    virtual void stop(Engine&) = 0;
    // Feedback over the back buffer (the tablet cursor).
    virtual bool overlay(Engine&, Canvas&) { return false; }
};

// The same handlers as functions, for modes small enough to be written in place.
struct ModeHandlers {
    std::function<bool(Engine&, const Pointer&)> leftPress, rightPress, move;
    std::function<bool(Engine&, const KeyEvent&)> key;
    std::function<bool(Engine&, const Pointer&)> leftRelease;
    std::function<bool(Engine&, TraceButton)> traceButton;
    std::function<void(Engine&)> enter;
    std::function<bool(Engine&)> cancelStep;
    std::function<bool(Engine&, Canvas&)> overlay;
};
std::unique_ptr<Tool> MakeTool(ModeHandlers h);

// A rubber band in progress or just finished.
struct RubberBand {
    PixelPoint start, end;
    uint32_t mods = 0;      // at the press
    bool active = false;    // once more than one pixel wide and high
    bool cleared = false;   // the selection was cleared when it became active
    bool rightDown = false; // the right button went down meanwhile
    // Dragged left or up: selects what it touches; otherwise only what lies inside.
    bool crossing() const { return end.x < start.x || end.y < start.y; }
    PixelRect pixels() const;
};

// A drag that captures the pointer until it ends (the modal loops of moving, rotating and
// dragging outlines).
struct DragCapture {
    std::function<void(Engine&, const Pointer&)> move;
    // accepted is false for ESC and a lost activation.
    std::function<void(Engine&, const Pointer&, bool accepted)> end;
    std::function<bool(Engine&, Canvas&)> overlay;
    // Keys other than ESC and Enter while the drag runs (turning or nudging an outline).
    std::function<void(Engine&, const KeyEvent&)> key;
    bool acceptOnRelease = true;  // left release accepts; otherwise a left press or Enter does
    // A right-button drag pans the view meanwhile; what is dragged stays where it is in the
    // pattern until the pointer moves on its own again.
    bool rightPans = false;
    // The pointer cannot leave the drawing window: positions outside it count as its edge.
    bool confine = false;
    // A right press ends the capture and runs this instead of the mode's right press (the point
    // input of a command ends on the right button).
    std::function<void(Engine&, const Pointer&)> rightPress;
    // With rightPans: a right press released without panning (a shape tool ends on it).
    std::function<void(Engine&, const Pointer&)> rightClick;
};

// What the other subsystems do for the engine; every hook is optional.
struct EngineHooks {
    std::function<void()> redraw;                   // repaint the back buffer and present
    std::function<void()> present;                  // repaint the feedback over the buffer
    std::function<void(PixelPoint offset)> panPreview;  // show the buffer shifted
    std::function<void(PixelPoint)> movePointer;    // the pointer goes to a window pixel
    std::function<bool(int dx, int dy)> moveCell;   // arrows: the motif/piece area's cell
    std::function<bool(int direction)> browseFile;  // Ctrl+arrows: neighbouring file
    std::function<bool(int delta)> stepSize;        // Page Up/Down, Home/End
    std::function<bool()> directOutputRunning;
    std::function<void()> layOntoSheet;             // full stop
    std::function<bool(const KeyEvent&)> backKey;   // the back screen's own key handler
    std::function<void()> backClear;                // ESC on the back screen in mode 0
    std::function<bool()> fitBack;                  // Ctrl+Enter on the back screen
    std::function<bool()> backUndo, backRedo;       // 退一步/进一步 of the sheet's layout
    std::function<void(bool on)> confinePointer;    // keep the pointer inside the window
    // The window's own view commands, when it has them (they refresh its panes as well);
    // without them the engine changes the view and redraws.
    std::function<void(int page)> selectPage;       // keys 1–4
    std::function<void()> restoreView;              // Enter
    std::function<void()> fitView;                  // Ctrl+Enter
    std::function<void()> toggleHidden;             // Space
    // 目标参数 of one base point (the button of 基点属性): the window's target dialog; true when
    // it stored something. Without it the button is greyed.
    std::function<bool(BasePoint&)> basePointTargets;
    // 定距参数 and 共用说明/共模说明 as the window draws them (sizes in rows of sixteen); true when
    // they changed the design. Without them a form stands in.
    std::function<bool(Part&, FixedDistance&)> fixedDistanceSteps;
    std::function<bool(const std::string& title, std::optional<std::vector<uint8_t>>& groups, int basePointIndex)>
        sizeGroups;
    // Runs `done` once after `ms` milliseconds on the interface thread (the end of a short
    // flash). Without it nothing flashes.
    std::function<void(int ms, std::function<void()> done)> later;
};

class Engine {
public:
    // `tool` is the live mode and step of the screen shown, when the caller keeps it (the
    // screens swap it with the views); otherwise the engine keeps its own.
    Engine(TDoc& doc, ViewState& vs, ToolState* tool = nullptr);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    TDoc& doc;
    ViewState& vs;
    EngineHooks hooks;
    PickChooser* chooser = nullptr;

    // ---- modes ----
    void setTool(int mode, std::unique_ptr<Tool> t);
    void setHandlers(int mode, ModeHandlers h) { setTool(mode, MakeTool(std::move(h))); }
    void setBackTool(int mode, std::unique_ptr<Tool> t);
    Tool* tool(int mode) const;
    Tool* backTool(int mode) const;

    int mode() const { return state.mode; }
    int previousMode() const { return state.prevMode; }
    int step() const { return state.step; }
    void setStep(int s) { state.step = s; }
    ToolState& toolState() { return state; }
    int inputKind() const { return inputKind_; }
    bool backShown() const { return vs.backShown; }

    // A menu or command-window command: the mode commands, the snap switches and 全选.
    // False for any other command.
    bool Command(int id);
    // Tick state of a snap switch command.
    bool CommandChecked(int id) const;

    void SetMode(int mode);
    void CancelStep();
    void ShowPrompt(int resource);
    // A computed prompt text (the next ShowPrompt shows its resource again).
    void ShowPromptText(const std::string& text);
    void UpdateModeStatus();
    int shownPrompt() const { return shownPrompt_; }
    int defaultPrompt = kPromptTitle;
    int assignPrompt = 0;  // the prompt the 指定 mode last stored

    // ---- input ----
    void OnLeftDown(const PointerEvent& e);
    void OnLeftUp(const PointerEvent& e);
    void OnRightDown(const PointerEvent& e);
    void OnRightUp(const PointerEvent& e);
    void OnMiddleDown(const PointerEvent& e);
    void OnMiddleUp(const PointerEvent& e);
    void OnMouseMove(const PointerEvent& e);
    void OnWheel(int steps, const PointerEvent& e);  // steps > 0 forward
    // True when the key was used; the window gives unused keys their default processing.
    bool OnKeyDown(const KeyEvent& k);
    // The tracing input of mode 1, at the current model point.
    void InputButton(TraceButton b);
    // A digitizer button press: its point (model units, taken as it is) becomes the current
    // point, then its number, looked up in the key assignment of the settings, goes to
    // InputButton in mode 1; in other modes 定点 and 角点 are a left press and 结束 a right
    // press there. Unknown numbers are refused.
    void DigitizerInput(PointF model, int code);
    // The release of a tablet button and a move of the puck (drags of the other modes).
    void DigitizerRelease(PointF model, int code);
    void DigitizerMove(PointF model);
    // The tracing button of a digitizer key number, by the key assignment.
    std::optional<TraceButton> ButtonOfKey(int code) const;
    // The application lost activation (private message 0x8001): ends any drag or rubber band,
    // and a grab.
    void ActivationLost();
    // Gives the window's input to `g` (null: back to the modes); ends any drag first.
    void setGrab(InputGrab* g);
    InputGrab* grab() const { return grab_; }

    // ---- captures ----
    // `clear` replaces the clearing of the design's selection when the band opens (the back
    // screen clears the picks of its sheet); it returns true when anything was cleared.
    void beginRubberBand(const Pointer& at, std::function<void(Engine&, const RubberBand&)> done,
                         std::function<bool(Engine&)> clear = {});
    void beginDrag(const Pointer& at, DragCapture d);
    // Drags a model outline with the pointer from `anchor`; `done` gets the offset.
    void beginOutlineDrag(const Pointer& at, Shape outline,
                          std::function<void(Engine&, bool accepted, PointF offset)> done);
    // Ends the drag in progress as accepted or cancelled (a typed value finished it).
    void EndDrag(bool accepted);
    enum class CaptureKind { None, RubberBand, Pan, Zoom, Drag };
    CaptureKind capture() const { return cap_.kind; }
    const RubberBand& rubberBand() const { return cap_.band; }
    // The offset a pan drag shows while it runs.
    std::optional<PixelPoint> panOffset() const;

    // ---- state shared with the modes ----
    PixelPoint pixel;          // last pointer position
    PixelPoint releasePixel;   // last left release
    PointF model;              // current model point (converted and snapped)
    std::vector<Node> traced;  // the line being traced in mode 1
    bool newOutline = false;   // the traced line is the outline of a new part
    Node firstNode;            // its first node
    Part* tracingPart = nullptr;  // the part whose outline is being traced: PartAt skips it
    void appendTraced(const Node& n);
    std::optional<PointF> lastTraced() const;

    // ---- services for the modes ----
    void tone(int hz);
    void redraw();   // back buffer and window; geometry may have changed
    void present();  // only the feedback changed
    // Call whenever the design changed outside the engine (load, undo, dialogs).
    void designChanged() { index_.invalidate(); }
    Pointer pointerAt(PixelPoint px, uint32_t mods);
    PickResult PickAt(PointF p, uint32_t mask);
    Part* PartAt(PointF p, bool includeHidden = false);
    void ToggleAt(PointF p);
    uint32_t pickMask = 0;
    PickResult pick;   // the last pick result
    std::optional<PickResult> highlighted;  // candidate shown by the chooser

    // ---- snapping ----
    uint32_t snapBits = 0;  // all clear at start-up
    void setSnapBits(uint32_t bits);
    bool markerShown = false;
    PixelPoint markerPx;
    const GeomIndex& index();  // built for the current page when stale

    // ---- feedback ----
    // Draws the feedback in window pixels; false when there is none (the window then shows
    // the back buffer as it is).
    bool overlay(Canvas& c);
    CursorKind cursor = CursorKind::Arrow;

private:
    struct Capture {
        CaptureKind kind = CaptureKind::None;
        RubberBand band;
        std::function<void(Engine&, const RubberBand&)> bandDone;
        std::function<bool(Engine&)> bandClear;
        PanDrag pan;
        bool panFromRight = false;
        PointerEvent panPress;
        ZoomDrag zoom;
        bool zoomMoved = false;
        DragCapture drag;
        Pointer last;
        bool dragPanning = false;  // a right-button pan inside a drag
        bool dragPanBegun = false;
        PixelPoint dragPanFrom;
    };
    void leftDown(const PointerEvent& e);
    void leftUp(const PointerEvent& e);
    void rightDown(const PointerEvent& e);
    void mouseMove(const PointerEvent& e);
    void endCaptures();
    void tabletAt(PointF p);
    void dispatchRight(const PointerEvent& e);
    void endPan(bool fallThrough);
    void endZoom();
    void endBand(bool apply);
    void endDrag(const Pointer& p, bool accepted);
    void updateMarker(const Pointer& p);
    void refreshMarkerAfterView();
    bool frontKeys(const KeyEvent& k);
    bool commonKeys(const KeyEvent& k);
    bool backViewKeys(const KeyEvent& k);
    void zoomKey(float factor, ZoomAnchor anchor);
    void finishTrace();
    bool selectionLeftPress(const Pointer& p);
    void drawHighlight(Canvas& c, const PickResult& r);

    ToolState own_;
    ToolState& state;
    int inputKind_ = 0;
    int shownPrompt_ = 0;
    InputGrab* grab_ = nullptr;
    bool fromTablet_ = false;  // the pointer input being handled comes from the tablet
    std::map<int, std::unique_ptr<Tool>> tools_, backTools_;
    Capture cap_;
    GeomIndex index_;
};

}  // namespace rz
