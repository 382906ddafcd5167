// Polyline measures, queries, simplification, offsets and clipping.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "geom/types.h"

namespace rz {

// Hysteresis of PolyLengthTo: a later candidate must be closer by more than this.
constexpr float kNearestHysteresis = 0.01f;
// Height of the strips of the area routine (0.1 mm).
constexpr float kAreaStrip = 10.0f;
// Simplification applied after every curve evaluation.
constexpr float kEvalSimplifyTolerance = 1.0f;
constexpr float kEvalSimplifyChord = 2000.0f;

bool PolyClosed(std::span<const PointF> pts);  // first and last are the same point
float PolyLength(std::span<const PointF> pts);

struct PointAt {
    PointF pt;
    int index = 0;  // index of the end point of the segment the point lies on
};
// Point at arc length s, clamped to [0, length]; an empty polyline gives (0,0) and index 0.
PointAt PolyPointAt(std::span<const PointF> pts, float s);

struct Nearest {
    PointF pt;
    int where = 1;   // +i: on segment i (inside its foot); -j: vertex j (vertex 0 gives 0)
    float dist = 0;  // distance from the query point; infinite for an empty polyline
};
Nearest PolyNearest(std::span<const PointF> pts, PointF p);

struct LengthTo {
    PointF pt;
    float length = 0.0f;
};
LengthTo PolyLengthTo(std::span<const PointF> pts, PointF p);

// Length-weighted centroid of the segment midpoints; the point mean when the length is zero.
PointF PolyCentroid(std::span<const PointF> pts);
PointF PolyCentroid(const Shape& chain);

// Area by horizontal strips of kAreaStrip; 0 for an open polyline (first != last exactly).
double PolyArea(std::span<const PointF> pts);
double PolyAreaAbove(std::span<const PointF> pts, float y0);

// Winding code: 0 outside, +4 inside a counter-clockwise outline, -4 inside a clockwise one,
// 8 on the boundary (a vertex or an edge). An unclosed polyline is closed implicitly.
int PointInPolygon(std::span<const PointF> pts, PointF p);

bool PolyIsCounterClockwise(std::span<const PointF> pts);
bool PolyIsStraight(std::span<const PointF> pts, float tolerance);

// Douglas-Peucker in place; longestChord <= 0 switches the chord limit off. Returns the new count.
size_t PolySimplify(Polyline& pts, float tolerance, float longestChord);

// Work space of the simplification, kept between calls so that simplifying many lines in a row
// allocates nothing once it has grown.
struct SimplifyScratch {
    std::vector<double> xs, ys;
    std::vector<std::pair<size_t, size_t>> spans;
    std::vector<size_t> kept;
};
// The same simplification of `pts` written to `out` (sized to the result; `out` must not be
// `pts`).
void PolySimplifyTo(std::span<const PointF> pts, float tolerance, float longestChord, Polyline& out,
                    SimplifyScratch& scratch);

// One-sided offset in place: positive distances move to the right of the direction of travel.
// `dist` holds one distance per point (or a single value for all). Returns, for every output
// point, the index of the input point it came from.
std::vector<int> PolyOffset(Polyline& pts, std::span<const float> dist, bool removeLoops);
void PolyOffset(Polyline& pts, float dist, bool removeLoops);
// Offset of a node array; break flags follow their points.
void OffsetNodes(std::vector<Node>& nodes, float dist, bool removeLoops);

// Cohen-Sutherland clip of a segment in place; false when nothing is left.
bool ClipSegmentToRect(const RectF& r, PointF& a, PointF& b);

struct RectHit {
    int segment = 0;  // index >= 1 of the first segment touching the rectangle, 0 for none
    int vertex = 0;   // the vertex chosen for it
};
RectHit PolyHitRect(const RectF& r, std::span<const PointF> pts);

}  // namespace rz
