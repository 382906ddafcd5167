// HPGL plot files (.PLT and kin): the pen-down strokes as polylines in document units, for
// 转入HPGL with 导入图形. PU/PD/PA/PR, IN, SP, CI, AA/AR and EA/ER are drawn; IP and SC are
// ignored (one plotter unit is 0.025 mm); labels and other instructions are skipped.
#pragma once

#include <string_view>

#include "geom/types.h"

namespace rz {

constexpr float kHpglUnit = 2.5f;  // document units per plotter unit

struct HpglReadResult {
    Shape polylines;
    int skipped = 0;  // instructions that draw nothing here (labels, fills, set-ups)
};
HpglReadResult ReadHpgl(std::string_view bytes);

}  // namespace rz
