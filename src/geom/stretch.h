// Stretches of a polyline by arc length, and walks along it: what pieces, seam allowances and
// point rows take from the lines they are laid on.
#pragma once

#include <span>
#include <vector>

#include "geom/types.h"

namespace rz {

// The stretch between arc lengths a and b (a <= b): the point at a, the vertices lying more
// than 0.01 units inside (a, b), the point at b. On a closed polyline b may run past the end;
// the stretch then goes on from the start. Positions are clamped to the polyline; an empty
// polyline gives an empty stretch.
Polyline PolySub(std::span<const PointF> pts, float a, float b);

// The stretch between fractions f0 and f1 of the length, reversed when f0 > f1 (so it always
// runs from the point at f0 to the point at f1). Fractions are clamped to [0, 1]; a NaN
// fraction gives an empty stretch.
Polyline PolySubFraction(std::span<const PointF> pts, float f0, float f1);
// The same with the arc lengths of PolyArcLengthsD already measured, for cutting one polyline
// many times.
Polyline PolySubFraction(std::span<const PointF> pts, std::span<const double> cum, float f0, float f1);

// Arc length of each point from the start (cumulative, first 0).
std::vector<float> PolyArcLengths(std::span<const PointF> pts);
// The same in double; its last entry is PolyLength before rounding.
std::vector<double> PolyArcLengthsD(std::span<const PointF> pts);

// Inserts a vertex at arc length s unless a vertex already lies within `tol` of that length;
// returns the index of the vertex at s.
size_t PolyInsertAt(std::vector<PointF>& pts, float s, float tol = 0.5f);

// A forward walk to the next point at straight distance r from `centre`: starting at arc
// length `from` (where the walk stands; `centre` normally lies there), the first point further
// along where the polyline leaves the circle of radius r about `centre`. A cursor carried from
// step to step remembers the segment the walk stands on, so that a walk of many steps passes
// over the polyline once.
struct WalkHit {
    bool found = false;
    PointF pt;
    float s = 0.0f;  // its arc length
};
struct WalkCursor {
    size_t segment = 1;     // index of the end point of the segment the walk stands on
    double segStart = 0.0;  // arc length where that segment starts
};
WalkHit PolyWalkToDistance(std::span<const PointF> pts, float from, PointF centre, float r,
                           WalkCursor* cursor = nullptr);

// The points at increasing arc lengths `at`, found in one pass along the polyline; `index`
// receives for each the index of the end point of the segment it lies on (as PolyPointAt).
void PolyPointsAt(std::span<const PointF> pts, std::span<const float> at, Polyline& out,
                  std::vector<int>* index = nullptr);

// The polyline extended at its start and end: a positive length adds a point that far beyond the
// end along the end segment; a negative one cuts the polyline that far in along the curve.
// Empty when the cuts meet or pass each other.
Polyline PolyExtendEnds(std::span<const PointF> pts, float startExt, float endExt);

}  // namespace rz
