// 校位 (mode 104): brings the pattern on the screen back over the paper pattern that moved on
// the tablet. Two points where it was, then the same two points where it lies now: the part
// under the first point (the whole design on the pieces page) is moved and turned to match.
#pragma once

#include "commands/edit_ops.h"
#include "interact/engine.h"

namespace rz {

constexpr int kCalibrateMode = 104;
constexpr const char* kCalibrateFromPrompt = "请输入原始位置两个点！";
constexpr const char* kCalibrateToPrompt = "请输入目标位置两个点！";

// The rigid motion taking r1 to s1 and the direction r1→r2 onto s1→s2: the offset s1 − r1,
// then the turn about s1.
Affine CalibrationMap(PointF r1, PointF r2, PointF s1, PointF s2);

// Applies the correction for the four points: the whole design on page 3, else the part
// under r1 or, failing that, under r2. Redraws; one undo step when something moved.
void ApplyCalibration(Engine& e, PointF r1, PointF r2, PointF s1, PointF s2);

void InstallCalibrationTool(Engine& e);

}  // namespace rz
