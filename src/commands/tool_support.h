// Small services every tool mode uses: the refusal tone, the pick radius in model units, the
// highlight of picked records in the feedback, giving up a step, rebuilding a part.
#pragma once

#include <cstdint>

#include "interact/engine.h"

namespace rz {

constexpr uint32_t kHighlightColour = 0xA000A0;  // as the engine highlights picks

// Plays the tone (500 Hz unless told) and reports the input as dealt with.
bool Refuse(Engine& e, int hz = kToneRefused);
// Half the pick square in model units (5 pixels).
float PickHalf(const Engine& e);
// The pen of highlighted picks in the feedback: the highlight colour, solid.
void HighlightPen(Canvas& c, int width = 2);
// A model polyline in window pixels, in the canvas's current pen.
void DrawPolyline(Engine& e, Canvas& c, const Polyline& pl);
// An arrow of 30 pixels from `from` in the direction of `toward` (model points).
void DrawArrow(Engine& e, Canvas& c, PointF from, PointF toward);
// The line picked by a two-step command stays highlighted until the second pick.
bool HighlightPicked(Engine& e, Canvas& c, const Line* picked);
// A right press during a step gives the step up; outside a step it is the engine's.
bool CancelPendingStep(Engine& e);
// The part's derived data by the installed builders (outline and box when none are).
void RebuildPart(Design& d, Part& p);
// A step that changed `part` is over: the tool's scratch data goes, the part is rebuilt and
// redrawn, one undo snapshot is stored and the mode's prompt comes back.
bool CommitStep(Engine& e, Tool& t, Part& part);

}  // namespace rz
