// Geometry of the editing commands on records, free of any input handling: affine maps of
// records, crossings of evaluated lines (bounding boxes before segment pairs), stretches of a
// line between arc-length positions, breaking and trimming, closing, extending, mirroring,
// parallel turning, replacing one line's shape by another's and the node-range operations.
#pragma once

#include <optional>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"

namespace rz {

// p -> (a*x + b*y + tx, c*x + d*y + ty).
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    PointF apply(PointF p) const;
    PointF linear(PointF v) const;  // without the translation
    bool mirrors() const { return a * d - b * c < 0; }
    static Affine translate(float dx, float dy);
    static Affine rotate(PointF centre, double angle);
    // Reflection in the line through p and q (identity when they coincide).
    static Affine mirror(PointF p, PointF q);
    // Scale by `along` in direction `angle` and by `across` perpendicular to it, about `centre`.
    static Affine scale(PointF centre, double angle, double along, double across);
    Affine then(const Affine& next) const;  // next ∘ this
};

// A record of a part that the editing commands move, copy or remove.
struct RecordRef {
    int kind = 0;  // kKindPin, kKindMotif, kKindText, kKindBasePoint, kKindLineA, kKindLineB, kKindNotch,
                   // kKindSizeLabel
    void* record = nullptr;
    Part* part = nullptr;
};

// Applies the map to a record (nodes, position, orientation and drawn shapes); lines are
// re-evaluated.
void TransformRecord(const RecordRef& r, const Affine& m, const TSmooth& smooth);
// A copy of the record appended to its part's list (references of the copy are left as the
// original's); returns the copy.
RecordRef CopyRecord(const RecordRef& r);
// The selected lines B, pins, motifs, text strings and base points of a part.
std::vector<RecordRef> SelectedRecords(Part& p);
bool IsSelected(const RecordRef& r);
// Drawn outline of records, for dragging.
Shape OutlineOf(const std::vector<RecordRef>& rs);

// ---- crossings ----
// An arc-length position on a polyline.
struct Crossing {
    float s = 0;   // arc length from the start
    PointF pt;
};
// Crossings of `a` with each polyline of `others`, sorted along `a`, positions within `endTol`
// of either end of an open `a` dropped, and crossings closer than 0.5 units merged.
// Chunks of 16 segments are compared by their boxes before any pair of segments.
std::vector<Crossing> CrossingsOf(const Polyline& a, const std::vector<const Polyline*>& others,
                                  float endTol = 0.5f);
// Arc-length positions of a line's nodes on its evaluated polyline (non-decreasing; the last
// node of the polyline's last point at the full length).
std::vector<float> NodePositions(const Line& l);
// The nodes of the stretch [s0, s1] of a line: the points at s0 and s1 as ends and the nodes
// strictly between. For a closed line s1 may exceed the length (the stretch wraps round).
std::vector<Node> StretchNodes(const Line& l, const std::vector<float>& pos, float s0, float s1);
// A new line record with the attributes of `like` (flags, widths, colour, margin) and `nodes`.
std::unique_ptr<Line> LineLike(const Line& like, std::vector<Node> nodes, const TSmooth& smooth);

// ---- lines of a part ----
// The list of a part that holds a line (and its position there); null when neither does.
List<Line>* ListOf(Part& p, const Line* l, size_t* at = nullptr);
// Index of the node nearest to p.
int NearestNode(const Line& l, PointF p);
// The picked end is the last one when the node nearest to p lies in the second half.
bool NearerEndIsLast(const Line& l, PointF p);
// The evaluated polylines of a part's lines other than `self` (lines A only when
// `withOutline`; hidden lines B left out), which cut or trim it.
std::vector<const Polyline*> OthersOf(Part& part, const Line* self, bool withOutline);

// Breaks `line` at the positions (sorted); the line keeps the first piece and the further
// pieces are returned (to be inserted after it). A closed line cut at k positions gives k
// pieces. Nothing happens without positions.
std::vector<std::unique_ptr<Line>> BreakLine(Line& line, const std::vector<float>& at, const TSmooth& smooth);

// Trim: removes the piece between the crossings around `cut` (arc length). Returns the new
// line of the pieces after it (null when none); `deleteWhole` is set when the line has no
// crossing and must go.
struct TrimResult {
    bool deleteWhole = false;
    std::unique_ptr<Line> after;
};
TrimResult TrimLine(Line& line, const std::vector<float>& crossings, float cut, const TSmooth& smooth);
// The piece [s0, s1] of the trimmed line under `cut` for highlighting.
std::pair<float, float> PieceAround(const Line& line, const std::vector<float>& crossings, float cut);

// 封闭: closes an open line (moves the last node onto the first when within `join`, else adds
// a copy of the first) or opens a closed one by dropping its last node. False for fewer than
// three nodes.
bool CloseOrOpen(Line& line, float join);

// Moves one end node by `d` along its end segment (outward for d > 0). False, with nothing
// changed, when the end segment has zero length. Shortening (d < 0) leaves an end whose segment
// is not longer than |d| unchanged (true).
bool ExtendEnd(Line& line, bool last, float d);

// 平行: turns every node but the pivot about the pivot so that the chord runs along the
// reference chord K→L (or L→K). False for a closed reference, a reference of zero chord, or a
// line whose chord has zero length.
bool TurnParallel(Line& line, bool pivotLast, PointF K, PointF L);

// 取代: the replacing shape fitted between the ends of the replaced line.
enum class HeightRule { Similar, KeepOld, Unit, Typed };
// False (nothing changed) when the replacing line is closed or has a zero chord, the replaced
// line's chord is zero, or a typed/kept height needs a shape of zero height.
std::optional<std::vector<Node>> FitShape(const std::vector<Node>& shape, const std::vector<Node>& target,
                                          HeightRule rule, float typedHeight);
// Largest distance of the nodes from their chord (signed, largest magnitude).
float HeightAcross(const std::vector<Node>& nodes);

// ---- node-range operations of 点操作 ----
// 拉点: evens out the sharpest inner nodes of [s, e]. At most `maxMoves` moves; returns the
// number made.
int PullNodes(std::vector<Node>& nodes, int s, int e, int maxMoves = 10000);
// 减点: thins the inner nodes of [s, e] (tolerance 15), keeping both ends.
void ThinRange(std::vector<Node>& nodes, int s, int e);
// 角点 of a range: false (no change) for parallel lines or too few inner nodes.
bool CornerRange(std::vector<Node>& nodes, int s, int e);
// 找出角点 around node k: clears the break flags within five nodes each side and sets the
// sharpest turn's flag when below 2.6 radians and not within three of either end. Returns the
// node flagged or -1.
int FindCorner(std::vector<Node>& nodes, int k);

}  // namespace rz
