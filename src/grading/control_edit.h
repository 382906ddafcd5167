// Editing the grading controls: what the tools 前对称控制, 共用, 定距主从, 固定 and 对称控制 and the
// dialogs 基点属性, 定距参数 and 共用说明/共模说明 do to the records, without a window. Each
// operation checks everything before it changes anything; a refusal carries the system's text
// (shown in a box) or a short reason (signalled by a tone).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/design.h"

namespace rz {

struct EditResult {
    bool ok = false;
    std::string text;  // the system's message ("对称轴必须是直线！"), shown in a box; else empty
    std::string why;   // a refusal signalled by a tone
    static EditResult done() { return {true, {}, {}}; }
    static EditResult refused(std::string why) { return {false, {}, std::move(why)}; }
    static EditResult message(std::string text) { return {false, std::move(text), {}}; }
};

// The part holding a line of lines A or B, a pin, a motif or a base point; null when none does.
Part* PartOfElement(Design& d, const void* element, uint32_t kind);
bool LineOfPart(const Part& p, const Line* l);

// The evaluated length of a line (0 without an evaluated form).
double EvaluatedLength(const Line& l);
// The fraction of the evaluated length at the point of the line nearest p.
double FractionAt(const Line& l, PointF p);

// ---- 前对称控制
// Whether a line can be a front-symmetry master: not itself a slave, straight within 20 units
// with a chord (a zero chord has no direction).
EditResult CheckFrontMaster(const Part& part, const Line& master);
// Toggles the element's reference to the master (kind 20 line, 1 pin, 4 motif, 7 base point).
EditResult ToggleFrontSymmetry(Part& part, Line& master, void* element, uint32_t kind);

// ---- 共用 and the stretches of 定距主从
// The new base point the Ctrl click of 共用 adds: owned by the part's first base point, its
// direction following its owner.
BasePoint& AddFollowingBasePoint(Part& part, PointF at);
// A shared zone from the two picked fractions (in either order), blended by `blend` units at
// each end, clipped to the line and to neighbouring zones. Refused on a line of length 0 or
// when the stretch overlaps a zone of the line.
EditResult AddSharedZone(Part& part, Line& host, double t1, double t2, BasePoint& base, float blend);
// The Ctrl click of 共用: the zone with a new base point at `at` (as AddFollowingBasePoint makes
// it), both or neither. Refused as AddSharedZone is, and for a part without base points.
EditResult AddSharedZoneAtNewBase(Part& part, Line& host, double t1, double t2, PointF at, float blend);
// The zone of `part` whose extent [f0, f3] on `host` holds fraction t; −1 when none does.
int ZoneAt(const Part& part, const Line& host, double t);
// 前接顺区 / 后接顺区: the blend lengths in mm (either may be left out).
EditResult SetZoneBlend(Part& part, SharedZone& zone, std::optional<double> frontMm, std::optional<double> rearMm);
EditResult DeleteZone(Part& part, const SharedZone& zone);

// ---- 定距主从 and 定距参数
// The fixed distance whose slave is the pin or motif; null when none.
FixedDistance* FixedDistanceOf(Part& part, const void* slave);
// A fixed distance: a pin or motif (kind 1, 4), or a stretch of a slave line (kind 20; `whole`
// takes the whole line, else fractions t1, t2 with `blend` at each end). Refused for a pin or
// motif that already has one, a master not in the part or equal to the slave, a zero-length
// slave line and a stretch overlapping an existing one.
EditResult AddFixedDistance(Part& part, void* slave, uint32_t kind, Line& master, bool whole, double t1, double t2,
                            float blend);
EditResult SetFixedBlend(Part& part, FixedDistance& f, std::optional<double> frontMm, std::optional<double> rearMm);
// 定距参数's 确认: one value per size in mm (cm when `cm`); the base size's entry stays 0 (it
// would move the base copy); all zero removes the array. Refused while the design has no sizes.
EditResult SetFixedDistanceSteps(Design& d, FixedDistance& f, const std::vector<double>& values, bool cm);
// The same with the array itself (0.01 mm per size).
EditResult SetFixedDistanceArray(Design& d, FixedDistance& f, std::vector<float> values);
EditResult DeleteFixedDistance(Part& part, const FixedDistance& f);

// ---- 固定
// Sizes for per-size arrays made before any run: N from the size range (false when there is
// none).
bool EnsureSizeCount(Design& d);
bool IsFixedBasePoint(const Design& d, const BasePoint& b);
// Makes the base point fixed: every size takes the base size's factors (group 1, base marked).
EditResult MakeFixedBasePoint(Design& d, BasePoint& b);
// A picked line takes the fixed base point, or gives it back to the part's first base point.
EditResult ToggleFixedLine(Part& part, BasePoint& fixed, Line& line);

// ---- 共用说明 / 共模说明
// The marking rule: marking size `size` marks, in every run of equal group numbers, the member at
// the same position within its run (the run's last when the run is shorter) and unmarks the
// others. Ungrouped (0) sizes are never marked.
void MarkRepresentatives(std::vector<uint8_t>& bytes, int size);
void ClearMarks(std::vector<uint8_t>& bytes);
// 确认: stores the bytes (groups 0–127 and the marks), or removes the array when no grouping
// remains. Refused while the design has no sizes or when the count is not N.
EditResult StoreGroups(Design& d, std::optional<std::vector<uint8_t>>& array, const std::vector<uint8_t>& bytes);

// ---- 基点属性
struct BasePointAttributes {
    int lengthMode = 0, widthMode = 0, lengthStepMode = 0, widthStepMode = 0;
    float length = 0, width = 0, lengthStep = 0, widthStep = 0;
    bool independent = false;
    BasePoint* owner = nullptr;
};
BasePointAttributes AttributesOf(const BasePoint& b);
// The base points that may own b: the part's others that do not hang from b (no owner loop).
std::vector<BasePoint*> OwnerChoices(const Part& part, const BasePoint& b);
// 确认: the modes, the values of the 自定义 modes, the direction bit and the owner. Refused
// when grading results exist, a mode is out of range, the step modes change while the base
// point has its own targets, or the owner is not one of OwnerChoices.
EditResult ApplyBasePointAttributes(Design& d, Part& part, BasePoint& b, const BasePointAttributes& a);

// ---- 对称控制
// A line of lines A: toggles its own symmetric state (bit 23).
EditResult ToggleSelfSymmetric(Part& part, Line& line);
// With a line of lines B as the axis: a pin, motif or slot line toggles a symmetry element link;
// a line or seam allowance (kind 20 / 9) toggles a symmetry line link on the stretch [t0, t1]
// (the whole when it is shorter than 200 units); an existing link with the same target and
// fractions within 0.01 is removed instead.
EditResult ToggleSymmetryLink(Part& part, Line& axis, void* element, uint32_t kind, double t0, double t1);
// The mirrored copies the links draw.
void BuildSymmetryShapes(Part& part);

}  // namespace rz
