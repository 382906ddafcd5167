// Curve evaluation of lines from their nodes, re-fitting and thinning, and the smoothing settings.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geom/types.h"

namespace rz {

// Line flag bits read or written by the curve code.
namespace lineflag {
constexpr uint32_t kCurveShift = 12;
constexpr uint32_t kCurveMask = 0xF000u;             // bits 12-15: curve method
constexpr uint32_t kSelfSymmetric = 0x800000u;       // bit 23
constexpr uint32_t kQuickDrawn = 0x1000000u;         // re-fitted by quick draw, cannot be again
constexpr uint32_t kNodesRefitted = 0x40000000u;     // nodes changed by a re-fit or thinning
inline int CurveMethod(uint32_t lineFlags) { return static_cast<int>((lineFlags & kCurveMask) >> kCurveShift); }
}  // namespace lineflag

// Curve methods (line flags bits 12-15).
enum CurveType : int {
    kCurveBSplineThrough = 0,  // uniform cubic B-spline on pre-filtered nodes
    kCurveBSplineControl = 1,  // uniform cubic B-spline with the nodes as control points
    kCurveInterpolating = 2,   // C1 cubic through the nodes, chord-length parameters
    kCurveArc3 = 3,            // arc through three nodes
    kCurvePolyline = 4,        // nodes copied
    kCurveCentredArc = 5,      // centre, radius, start and end angle
};

// One piece of an arc fit: an arc through (start, middle, end), or a straight piece with middle == start.
struct ArcPiece {
    PointF start, middle, end;
    int first = 0, last = 0;  // indices of the fitted polyline it covers
    bool IsStraight() const { return middle == start; }
};

// Least sample count of an automatic segment, and the field's limit.
constexpr uint32_t kMinAutoSamples = 15;
// Ceiling of one line's evaluated points: a quarter of a million, 260 m of curve at the automatic
// one point per millimetre. A line whose sample counts add up to more gets every count scaled
// down in proportion (at least 1 a segment), so that no file can make one line cost without bound.
constexpr size_t kMaxEvaluatedPoints = size_t(1) << 18;

class TSmooth {
public:
    // Scratch fields set before an evaluation.
    int32_t curveType = kCurveInterpolating;
    int32_t sampleCount = 0;  // <= 0: automatic per-segment counts
    // Persistent settings, saved in this order, 4 bytes each, little-endian.
    float joinDistance = 50.0f;        // units
    int32_t refitChord = 20;           // mm
    int32_t refitTolerance = 1;        // mm
    float arcFitTolerance = 12.0f;     // units
    float straightTolerance = 1.0f;    // units

    static constexpr size_t kSettingsBytes = 20;
    std::array<uint8_t, kSettingsBytes> SaveSettings() const;
    // Reads the five settings; a short buffer changes nothing and returns false. Values that are
    // not finite or negative are replaced by their defaults.
    bool LoadSettings(std::span<const uint8_t> bytes);
    void RestoreDefaults(bool ctrl = false);  // the "缺省" button: join distance 50, or 30 with Ctrl

    bool NodesNear(const Node& a, const Node& b) const;
    bool ThreePointsStraight(PointF p0, PointF p1, PointF p2) const;

    // The evaluator proper. Writes the sample counts of types 0-2 into the node words
    // (other bits kept). Empty result: nothing to evaluate or refused input.
    Polyline EvaluateNodes(std::vector<Node>& nodes, int type, int samples) const;
    // The same, into `out` (cleared first; its storage is reused).
    void EvaluateNodes(std::vector<Node>& nodes, int type, int samples, Polyline& out) const;
    Polyline EvaluateNodes(std::vector<Node>& nodes) const { return EvaluateNodes(nodes, curveType, sampleCount); }

    // Thins a polyline into nodes (flags 0) with the re-fit settings.
    std::vector<Node> NodesFromPolyline(std::span<const PointF> pts) const;

    // Arc fitting with the arc-fit tolerance.
    std::vector<ArcPiece> FitArcs(std::span<const PointF> pts) const;

    // Replaces nodes first..last by an arc-fitted resampling with arc length `step` per piece.
    // Returns the new index of the range end, or 0 when nothing changed. The end nodes of the
    // range keep their node words (break flags).
    int RefitRange(std::vector<Node>& nodes, int first, int last, float step) const;

    // Quick-draw re-fit of a whole line; re-evaluates into `evaluated`. False when the line is
    // unsuitable (fewer than 3 nodes or already quick-drawn) and nothing changed.
    bool QuickDraw(std::vector<Node>& nodes, uint32_t& lineFlags, Polyline& evaluated) const;
};

// Fills bits 0-15 of every node after the first: automatic (samples <= 0) = chord in mm,
// rounded, at least kMinAutoSamples and at most 0xFFFF; fixed = `samples` (at most 0xFFFF).
void FillSampleCounts(std::vector<Node>& nodes, int samples);
// Scales the sample counts down in proportion (at least 1 a segment) when they would make more
// than kMaxEvaluatedPoints points. Returns the point count they make.
size_t FitSampleCountsToCeiling(std::vector<Node>& nodes);

// Arc fitting of a polyline with a tolerance (greedy, left to right).
std::vector<ArcPiece> FitArcs(std::span<const PointF> pts, float tolerance);

// The spacing pass at the end of quick draw: inserts nodes taken from the line's curve into gaps
// more than 5 mm longer than the first gap and drops nodes ending gaps more than 5 mm shorter,
// each change only when the curve stays within `tolerance` of where it was.
void QuickDrawSpacing(const TSmooth& smooth, std::vector<Node>& nodes, int type, float tolerance);

// The self-symmetric step: makes an open line's nodes mirror-symmetric about the perpendicular
// bisector of its end nodes. Returns true when the nodes were changed. A line that is already
// symmetric is left as it is, so repeating the step changes nothing.
bool MakeSelfSymmetric(std::vector<Node>& nodes);

}  // namespace rz
