// The push-away of 移动 with Ctrl at the drop: a moved piece goes back along its drag until its
// outline clears every other outline of the sheet, and 2 mm further.
#pragma once

#include <set>

#include "geom/types.h"
#include "output/sheet.h"

namespace rz {

// Whether any segment of `a`, moved by `by`, meets a segment of `b`.
bool OutlinesCross(const Shape& a, PointF by, const Shape& b);

// How far back along −dir (a unit vector) the outline must go to cross none of `others`: found
// by steps of 100 mm, then by halving until the clear middle lies within the safety distance
// (at least 0.1 mm) of a crossing one, plus 2 mm. 0 when it crosses none now, or when no clear
// place is found.
float PushAwayDistance(const Shape& moved, const std::vector<Shape>& others, PointF dir, float safety);

// The push-away of one moved piece on a sheet: the outlines (kind 8) of the piece against those
// of every other piece. Moves the piece and returns true when it was pushed.
bool PushAwayPiece(ItemList& items, int32_t piece, PointF dragOffset, float safety);

}  // namespace rz
