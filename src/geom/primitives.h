// Points, vectors, lines, segments, arcs and circles.
#pragma once

#include <optional>
#include <utility>

#include "geom/types.h"

namespace rz {

// Coordinates closer than this on both axes are the same point; also the degenerate length.
constexpr float kSameTol = 1e-8f;
// Largest allowed difference between an arc piece's length and its chord.
constexpr double kArcFlatness = 0.5;
// Circle and ellipse diameters below this are raised to it (0.4 mm).
constexpr float kMinCircleDiameter = 40.0f;
// Arcs are drawn with at most this many pieces: a longer sweep gets longer pieces.
constexpr int kMaxArcPoints = 1 << 18;

// ---- points and vectors ----
bool PtSame(PointF a, PointF b);
bool PtDiffer(PointF a, PointF b);
float PtDist(PointF a, PointF b);
PointF PtMid(PointF a, PointF b);
// Direction angle from `from` to `to`, 0 for the same point.
float PtAngle(PointF from, PointF to);
// Unsigned difference of the directions a0->a1 and b0->b1, in [0, pi].
float AngleBetween(PointF a0, PointF a1, PointF b0, PointF b1);
// Unsigned angle at `vertex` between vertex->a and vertex->b; 0 when either vector is zero.
float VecAngle(PointF a, PointF vertex, PointF b);
// True when p lies strictly left of the directed line a->b.
bool SideOfLine(PointF a, PointF b, PointF p);
// The point at distance d beyond a on the ray from b through a; b when a and b coincide.
PointF ExtendBeyond(PointF a, PointF b, float d);

// ---- lines and segments ----
// Implicit line a*x + b*y + c = 0.
struct LineABC {
    float a = 0.0f, b = 0.0f, c = 0.0f;
};
LineABC LineThrough(PointF p, PointF q);

std::optional<PointF> LineIntersect2(const LineABC& l1, const LineABC& l2);
// Intersection of the infinite lines p1p2 and p3p4; none when parallel or degenerate.
std::optional<PointF> LineIntersectPts(PointF p1, PointF p2, PointF p3, PointF p4);
// Intersection of the closed segments; touching ends count, parallel/collinear overlaps do not.
std::optional<PointF> SegIntersect(PointF p1, PointF p2, PointF p3, PointF p4);
// Intersection of the infinite lines, or the midpoint of p3p4 when they are parallel.
PointF SegIntersectOrMid(PointF p1, PointF p2, PointF p3, PointF p4);

enum class FootCode { Inside = 0, Degenerate = 1, Outside = 2 };
struct Foot {
    PointF pt;
    FootCode code = FootCode::Inside;
};
Foot FootOnSegment(PointF p1, PointF p2, PointF p);
float DistToLine(PointF p1, PointF p2, PointF p);
// Positive on the left of p1->p2.
float SignedDistToLine(PointF p1, PointF p2, PointF p);
// Distance to the closed segment p1p2.
float DistToSegment(PointF p1, PointF p2, PointF p);

struct Circle {
    PointF centre;
    float radius = 0.0f;  // 0: the points were collinear
};
Circle Circumcircle(PointF p1, PointF p2, PointF p3);

// Signed sweep from start to end through middle (all relative to the centre), positive CCW.
float SweepAngle(PointF start, PointF middle, PointF end);

// Segment p->q moved by d along its left / right normal; none when shorter than kSameTol.
std::optional<std::pair<PointF, PointF>> OffsetSegmentLeft(PointF p, PointF q, float d);
std::optional<std::pair<PointF, PointF>> OffsetSegmentRight(PointF p, PointF q, float d);

// ---- arcs and circles ----
// Pieces per quarter circle so that each piece's arc-minus-chord is at most kArcFlatness.
double ArcPiecesPerQuarter(double radius);
// Arc from centre+startVec sweeping `sweep` radians; step 0 = automatic, else arc length per piece.
// Empty when the input is not finite; at most kMaxArcPoints pieces.
Polyline ArcPoints(PointF centre, PointF startVec, float sweep, float radius, float step);
Polyline ArcByAngles(PointF centre, float radius, float startAngle, float endAngle, float step);
// Arc through three points; a straight two-point polyline when they are collinear.
Polyline Arc3Points(PointF start, PointF middle, PointF end, float step);
// Closed counter-clockwise outline around the origin, 4n+1 points from (across/2, 0).
Polyline EllipsePoints(float across, float along);

}  // namespace rz
