// The shapes of the feature records a part or piece carries on its lines: slot lines, marks,
// chamfers, dimensions and notches. Each is a pure function of its host polylines and stored
// values, built again whenever a host changes, so that a loaded or edited design shows and picks
// them where they belong.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "model/design.h"

namespace rz {

class TFont;

// Slot flags beside the tool bits and kFlagFolds.
constexpr uint32_t kSlotOneSided = 1u << 17;  // clear: centred on the host ("中")
constexpr uint32_t kSlotPointed = 1u << 18;
// The stored floats of a slot line, in the file's order.
enum SlotField : size_t { kSlotStart = 0, kSlotEnd = 1, kSlotOffset = 2, kSlotDepth = 3, kSlotAngle = 4 };
// How far a pointed slot's apex stands beyond its outer edge (1 mm).
constexpr float kSlotApexRise = 100.0f;
// Shorter slots are not made (3 mm).
constexpr float kMinSlotLength = 300.0f;

// Chamfer flags: the corner is at the first host's end (clear: its start), at the second host's
// start (clear: its end).
constexpr uint32_t kChamferFirstEnd = 1u << 17;
constexpr uint32_t kChamferSecondStart = 1u << 18;
// Dimension reference kind words: a line reference with this bit names the line's first node.
constexpr uint32_t kDimFirstNode = 1u << 16;
// A new dimension's text: drawn as the measured value.
constexpr const char* kDimAutoText = "<DIM>";

// The polyline a feature runs along: a line's evaluated polyline (kinds 20–22), a seam
// allowance's outline (9), a symmetry line link's (10) or a piece line's drawn line (30).
// Null for any other kind or a missing target.
const Polyline* HostPolyline(const KindRef& host);

// The closed outline of a slot over the stretch [start, end] (fractions of the host's length,
// start <= end) of `host`: centred on it or, with kSlotOneSided, `offset` away on the side of
// `depth` (positive: left of the host's direction) and |depth| wide; with kSlotPointed the
// outer edge gets an apex kSlotApexRise beyond its middle, its flanks at `angle` (radians, in
// (0, π); any other angle, or flanks that miss the edge, leave the edge as it is). Empty for a
// host or stretch of no length.
Polyline BuildSlotOutline(const Polyline& host, float start, float end, float offset, float depth,
                          float angle, uint32_t flags);
// Fills the slot's drawn outline (drawn2 stays empty); nothing without a usable host.
void BuildSlotOutline(SlotLine& s);

// The V of a mark: walking along `host1` from the point at fraction `position` towards the
// nearer side of `host2`, Q is the first crossing with `host2`; the apex A lies `depth` before Q
// along host1 (measured from Q back past the start point, clamped at an open host's end); the
// opening spans `width` across Q, perpendicular to A→Q. Empty when the walk meets no crossing
// or either host has no length.
Polyline BuildMark(const Polyline& host1, const Polyline& host2, float position, float depth,
                   float width);
void BuildMark(Mark& m);

// A chamfer's arc and its two tangent points: the circular arc of `radius` tangent to both lines
// at the corner they form (the first line's end or start, the second's start or end), its
// tangent points r/tan(θ/2) from the corner along each line's end segment. Nothing for
// parallel or opposite lines, a radius not above 0, or tangent points beyond a line's length.
struct ChamferShape {
    Polyline arc;
    std::array<PointF, 2> corners{};
};
std::optional<ChamferShape> BuildChamfer(const Polyline& first, bool atFirstEnd, const Polyline& second,
                                         bool atSecondStart, float radius);
void BuildChamfer(Chamfer& c);

// A dimension's measured points follow its references: a pin or motif gives its position, a
// line its first node (kDimFirstNode) or last; a line as the only reference is measured along
// its whole length. Returns the measured value in model units (0 when there is nothing to
// measure) and updates the stored points.
float UpdateDimensionPoints(Dimension& d);
// The text a dimension shows: its own text, or for kDimAutoText the value in millimetres (or
// centimetres) with two decimals.
std::string DimensionText(const Dimension& d, float value, bool centimetres);
// Builds the drawing: drawn1 the dimension line between the points with arrow heads and a
// leader to the text position, drawn2 the text laid out by `font` at the text position (none
// without a font).
void BuildDimension(Dimension& d, const TFont* font, bool centimetres);

// A notch's V from its point, depth and angle, opening at the point and pointing towards the
// centre of the part's outline.
Polyline NotchOutline(const Notch& n, const Polyline& partOutline);

// Units and font of dimension texts, set by whoever shows them (the window, the tools).
struct FeatureStyle {
    const TFont* font = nullptr;
    bool centimetres = false;
};
FeatureStyle& featureStyle();

// Builds every feature of a part (slot lines, marks, chamfers, dimensions, and notches that have
// no outline yet) from its current hosts.
void RebuildPartFeatures(Part& p);
// The same for a piece's own slot lines, marks and chamfers.
void RebuildPieceFeatures(Piece& pc);

// Keeps features on a line that turned round (its start is now its end): slot stretches
// (start, end → 1 − end, 1 − start, depth negated), mark positions, chamfer corner bits and
// dimension node bits that refer to `line`.
void RemapFeaturesOfReversedLine(Design& d, const Line* line);
// A mirrored slot's depth changes side.
void MirrorSlotDepth(SlotLine& s);

}  // namespace rz
