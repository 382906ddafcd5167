// Tools on whole parts: 拼板 (joining, turning, moving a page), 分板 (a pin to the head of its
// list), 取线 (copies into the master-line part) and the symmetry inspection of 对称轴 and 摆平;
// with the pure computations they rest on, for the command line and tests.
#pragma once

#include <optional>
#include <vector>

#include "commands/edit_ops.h"
#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int Join = 166;      // 拼板
constexpr int TakeLine = 169;  // 取线
constexpr int Symmetry = 167;  // 对称轴
constexpr int Flatten = 168;   // 摆平
}  // namespace mode

constexpr const char* kAxisNotStraight = "对称轴必须是直线！";
constexpr const char* kPromptJoinPoint = " 请选择拼板重合点！";
constexpr const char* kPromptTurnCentre = " 第一步：请选择旋转中心点！";
constexpr const char* kPromptTurnDirection = "第二步：请选择旋转方向点！";
constexpr const char* kPromptSymmetryLines = " 请选择需考查的线或定针...用光标键移动对称轴的两个端点！";
constexpr const char* kPromptSymmetryScanLines = " 请选择需考查的白线...用光标键移动对称轴的两个端点！";
constexpr const char* kPromptFourPoints = " 请选择四个位置点！";

// The rigid move of 拼板: with one pair, the translation taking p1 to t1; with two, the move and
// turn taking p1 to t1 and the direction p1→p2 along t1→t2. Nothing when a direction has no
// length.
std::optional<Affine> JoinTransform(PointF p1, PointF t1, std::optional<std::pair<PointF, PointF>> second = {});

// The mirror image of a polyline in the straight line through a0 and a1, and how far it lies
// from `others` (the greatest distance of an image point from the nearest of them).
struct MirrorImage {
    Polyline points;
    float deviation = 0.0f;  // model units
};
std::optional<MirrorImage> MirrorOf(const Polyline& pl, PointF a0, PointF a1, const std::vector<const Polyline*>& others);

// Whether a line can be the axis: evaluated, straight within 20 units, of some length.
bool IsStraightAxis(const Line& l);

// Moves `pin` to the head of its part's pin list, the others keeping their order; false when
// it is there already or not in `part`.
bool PinToHead(Part& part, const Pin* pin);

void InstallJoinTools(Engine& e);

}  // namespace rz
