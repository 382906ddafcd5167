// 靠齐 (tool mode 126): the graded sizes of one part are laid so that they coincide at a picked
// point, each click replacing the previous alignment; the right button (or leaving the mode in
// any way) puts every copy back exactly where it was and shows the page as before.
#pragma once

#include <memory>

#include "interact/engine.h"

namespace rz {

std::unique_ptr<Tool> MakeAlignTool();
// Registers the grading modes on the engine (靠齐 and the grading controls).
void InstallGradingTools(Engine& e);

}  // namespace rz
