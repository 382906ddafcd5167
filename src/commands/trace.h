// Mode 1 (描入): tracing lines into the design and placing the point-like features, driven by
// the five input buttons from the mouse or the digitizer.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "interact/engine.h"
#include "model/font.h"

namespace rz {

class TraceTool : public Tool {
public:
    // Optional services of the window.
    // The text dialog of 字串: fills GBK text; false when cancelled.
    std::function<bool(std::string& gbk)> askText;
    // The motif of the current cell of the motif area, relative to its anchor.
    std::function<std::optional<Shape>()> currentMotif;
    // The size-label dialog of a part.
    std::function<void(Part&)> sizeLabelDialog;
    // Text and size-label strokes; none without it. Size labels are laid out at their own size.
    TFont* font = nullptr;
    uint32_t inputOptions = 0;    // the document's input option word (kInputOptionEdge3)

    // ---- Tool ----
    bool leftPress(Engine& e, const Pointer& p) override;
    bool rightPress(Engine& e, const Pointer& p) override;
    bool move(Engine& e, const Pointer& p) override;
    bool key(Engine& e, const KeyEvent& k) override;
    bool traceButton(Engine& e, TraceButton b) override { return button(e, b, 0); }
    bool overlay(Engine& e, Canvas& c) override;

    // One of the five buttons at the engine's model point with the modifier bits of the press.
    bool button(Engine& e, TraceButton b, uint32_t mods);

    // ---- the operations of the buttons ----
    // Appends a node at p unless it is within the join distance of the previous node or of the
    // first node of an outline in progress; tones 150 / 500.
    bool AddNode(Engine& e, PointF p, bool corner);
    // close = true: 结束; false: 顶点 (the next line starts at the last node).
    void FinishLine(Engine& e, bool close);
    // 退点.
    void TakeBack(Engine& e, PointF p);
    // Right press with an empty buffer: reopens the line B under the cursor.
    bool ReopenAt(Engine& e, PointF p);
    // ESC in mode 1; false when the buffer was empty (the key is not used).
    bool Escape(Engine& e);
    // The Space dialog "定点条件".
    void SpaceDialog(Engine& e);

    // The live curve from the first node to `cursor`, in model units.
    Polyline LiveCurve(const Engine& e, PointF cursor) const;

    // The new-outline state (the engine's newOutline, firstNode and tracingPart).
    static bool outlineInProgress(const Engine& e) { return e.tracingPart != nullptr; }
    // Forgets every pointer into the design (after undo, redo, load or clear).
    void designReplaced(Engine& e) {
        e.newOutline = false;
        e.tracingPart = nullptr;
        reopened_ = false;
    }
    bool lastSpacePolar = true;  // the dialog remembers which pair was used

private:
    bool placePin(Engine& e, PointF p);
    bool pointKind(Engine& e, TraceButton b, uint32_t mods);
    void reopenLine(Engine& e, Part& part, Line* line, bool isOutline, bool reversed);
    void commit(Engine& e);
    void commitReopened(Engine& e);
    void showCount(Engine& e);
    bool reject(Engine& e);

    bool reopened_ = false;  // a line was reopened and not yet finished or recorded
};

// Traced nodes evaluated as the input kind draws them (straight runs, the default curve method,
// or an arc through three nodes); the nodes themselves when nothing can be evaluated.
Polyline TracedCurve(const Engine& e, std::vector<Node> nodes);

}  // namespace rz
