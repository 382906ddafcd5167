// 截角 (105): a corner of a part cut away along a line chained from stretches of its inner
// lines; the part is split along that line (拆分) and the corner side removed.
#pragma once

#include <vector>

#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int CutCorner = 105;
}  // namespace mode

constexpr int kPromptCutCorner = 33999;

// 截角 on a part: the stretches of the collected lines B (each the piece 修剪 would remove at its
// pick point) are taken out of their lines and chained into a cutting line, extended by 5 mm at
// both ends; when it crosses the outline exactly twice, the part is split along it (拆分) and the
// side with a boundary line beginning at `corner` is removed with everything it holds. The part
// record itself always stays (with the far side). Everything is computed before anything
// changes: false leaves the design untouched.
struct CornerPick {
    Line* line = nullptr;
    PointF at;
};
bool CutCorner(Design& d, Part& part, const std::vector<CornerPick>& picks, PointF corner, const TSmooth& smooth,
               const Line& style);

// Registers the 截角 tool with the engine.
void InstallCutCornerTool(Engine& e);

}  // namespace rz
