// Seam allowance (扩边): the record on a stretch of a line with margins that may vary along it,
// a line's own uniform margin, and the operations of the allowance tools on them.
//
// The record: the first value array holds the positions of the control points as fractions of
// the base line's evaluated length, increasing (the first is where the covered stretch starts,
// the last where it ends); the second holds the signed margin of each point (0.01 mm, positive
// to the right of the base line's direction of travel). A record without the second array has
// the margin float at every point, as older files have it. The margin float keeps the signed
// mean; the second float is kept as it is; word bits 0–3 are the type (自选 … 帮脚).
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"

namespace rz {

// Margins beyond a metre, and more control points than this, make a record unsound.
constexpr float kMaxMargin = 100000.0f;
constexpr uint32_t kMaxSeamPoints = 65536;
// Type of an allowance (word bits 0–3): 0 自选, 1 搭边, 2 折边, 3 修边, 4 帮脚.
constexpr uint32_t kSeamTypeMask = 0xFu;

struct SeamValues {
    std::vector<float> positions;  // fractions of the base line, increasing
    std::vector<float> margins;    // signed, 0.01 mm

    size_t size() const { return positions.size(); }
    float start() const { return positions.front(); }
    float end() const { return positions.back(); }
    bool uniform() const;
    bool wholeLine() const { return start() <= 0.0f && end() >= 1.0f; }
    float mean() const;
    // A uniform allowance of `margin` over [start, end].
    static SeamValues Uniform(float start, float end, float margin) { return {{start, end}, {margin, margin}}; }
};

// The record's values; nothing for an unsound record (fewer than two points, arrays shorter
// than the count, positions that are not finite, outside [0, 1] or not increasing, margins that
// are not finite or beyond a metre). An unsound record is drawn as nothing and saved unchanged.
std::optional<SeamValues> ReadSeamValues(const SeamAllowance& s);
// Writes count, both arrays and the signed mean.
void StoreSeamValues(SeamAllowance& s, const SeamValues& v);

// The drawn outline of an allowance on `base` (the base line's evaluated polyline): the covered
// stretch offset point by point. Interior control points get a vertex of their own at their
// exact arc length; margins between control points run linearly with arc length.
Polyline SeamOutline(const Polyline& base, const SeamValues& v);
// Rebuilds a record's drawn outline from its base line (empty when either is unsound).
void RebuildSeam(SeamAllowance& s);

// A new record on `base` with the given values.
std::unique_ptr<SeamAllowance> MakeSeam(Line& base, const SeamValues& v, uint32_t type = 0);

// Arc-length fraction of the point of `pl` nearest to `p`.
float FractionAt(const Polyline& pl, PointF p);

// The sign of a margin that lies outside the closed outline beside the stretch [f0, f1] of `pl`:
// +1 when the right of travel is outside, −1 when the left is, 0 when the outline does not tell.
int OutwardSign(const Polyline& pl, float f0, float f1, const Polyline& outline);
// The side of the line a point lies on, as a margin sign: +1 right of travel, −1 left.
int SideSign(const Polyline& pl, PointF p);

// ---- the operations of the allowance tools ----

// The part and index of a record or line within the design.
struct SeamTarget {
    Part* part = nullptr;
    SeamAllowance* seam = nullptr;  // a record, or
    Line* line = nullptr;           // a line (its own margin, or a new record on it)
};

// 等量扩边 on a record: every margin becomes `value` with the sign of the record's mean (the
// sign of `value` when the mean is 0). 0 removes the record through the reference-integrity
// service. Nothing when the record is unsound.
bool SetSeamMargin(Design& d, Part& part, SeamAllowance& s, float value);
// 等量扩边 / the seam verb on a line: on a line of the first part a record over [f0, f1] with the
// points given (fractions of the stretch, signed margins); elsewhere a uniform whole-line value
// becomes the line's own margin, anything else a record. All margins 0: nothing is made (and an
// own margin is removed). False when the values are unsound.
bool SetLineAllowance(Design& d, Part& part, Line& line, float f0, float f1,
                      const std::vector<std::pair<float, float>>& points, const TSmooth& smooth);
// New margins for a record: the points (fractions of its stretch, signed margins) replace its own.
bool ReplaceSeamPoints(Design& d, Part& part, SeamAllowance& s, const std::vector<std::pair<float, float>>& points);
// A line's own margin (re-evaluating its second polyline); 0 removes it.
void SetOwnMargin(Line& line, float margin, const TSmooth& smooth);

// 换边 on a record: allowed only over a whole line with equal margins; the base line's nodes move
// by the margin and the margin changes sign. Piece lines and members on the line go to the
// allowance and those on the allowance to the line, each stretch to the same place.
bool SwapSeam(Design& d, SeamAllowance& s, const TSmooth& smooth);
// 换边 on a line with its own margin.
bool SwapOwnMargin(Line& line, const TSmooth& smooth);

// 扩边属性: every margin takes `absValue` with its old sign, negated with `flip`.
bool SetSeamAttributes(SeamAllowance& s, float absValue, bool flip);
// 解除关联: the allowance becomes a new inner line of the part (the stretch's nodes offset by the
// margin for a uniform allowance, else a line fitted through the drawn outline) and the record is
// deleted. Returns the new line, or null when the record is unsound.
Line* DetachSeam(Design& d, Part& part, SeamAllowance& s, const Line& style, const TSmooth& smooth);

// ---- the variable-allowance editor ----

// A control point within 200 units of `p`, or -1.
int SeamPointNear(const SeamAllowance& s, PointF p, float radius = 200.0f);
// The model position of control point k.
PointF SeamPointAt(const SeamAllowance& s, int k);
// Inserts a control point at the position of the stretch nearest to `p`, with the mean of its
// neighbours' margins; -1 (nothing changed) when that position is a control point's already or
// lies outside the stretch. Returns the new point's index.
int InsertSeamPoint(SeamAllowance& s, PointF p);
// Deletes an interior control point; false for the first or the last.
bool DeleteSeamPoint(SeamAllowance& s, int k);
// Sets a point's absolute margin, keeping its sign.
bool SetSeamPointMargin(SeamAllowance& s, int k, float absValue);

// The part holding a record, and a line's part.
Part* PartOfSeam(Design& d, const SeamAllowance* s);
Part* PartOfLine(Design& d, const Line* l);

}  // namespace rz
