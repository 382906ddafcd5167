// The ruler cross and the border of the remaining material on the back screen. Both live in the
// sheet's settings block (ruler point in words 5–6, the border array with words 7–8) and are kept
// with the program settings, outside the sheet's undo.
#pragma once

#include <vector>

#include "geom/types.h"
#include "model/settings.h"

namespace rz {

PointF RulerPoint(const SheetSettings& s);
void SetRulerPoint(SheetSettings& s, PointF p);

// The border as points; empty when the block has none.
Polyline BorderPoints(const SheetSettings& s);
void SetBorderPoints(SheetSettings& s, const Polyline& pts);

// Ctrl on segment b (between points b − 1 and b) of a border of at least 6 points: both points
// go and the corner is squared again against the neighbour of the gap, on the side of the
// chosen vertex. False, with nothing changed, otherwise.
bool RemoveBorderSegment(Polyline& border, int b, int vertex);

// Segment b of `original` dragged by `by` sheet units: a vertical segment follows in x, a
// horizontal one in y, clamped to 0 … maxX or 0 … maxY; the closing point follows the first or
// the last. False for a segment that is neither (nothing moves).
bool DragBorderSegment(const Polyline& original, int b, PointF by, float maxX, float maxY, Polyline& out);

}  // namespace rz
