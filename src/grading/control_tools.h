// The tool modes of the grading controls (前对称控制, 共用, 定距主从, 固定, 对称控制) and the 定距参数
// dialog they open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interact/engine.h"

namespace rz {

void InstallControlTools(Engine& e);
// 定距参数 for one fixed distance; true when the design changed.
bool StepsDialog(Engine& e, Part& part, FixedDistance& f);
// 基点属性 (属性 on a base point): reference length and width, step modes, 独立方向 and 归属序号;
// true when the base point changed.
bool BasePointAttributeDialog(Engine& e, Part& part, BasePoint& b);
// 共用说明 / 共模说明 ("基点共用说明", "部位共模说明", "分片共模说明"): a group number per size and
// the representative mark, spread by the marking rule; true when the array changed.
// `basePointIndex` ≥ 0 for the base-point variant, which shows it.
bool GroupsDialog(Engine& e, const std::string& title, std::optional<std::vector<uint8_t>>& groups,
                  int basePointIndex = -1);

}  // namespace rz
