// Drawing the laid-out copies of a piece (the full-sheet preview of 排刀).
#pragma once

#include <vector>

#include "interact/canvas.h"
#include "interact/view.h"
#include "material/lattice.h"

namespace rz {

// Each orientation's outline is turned into pixels once; a copy is that polyline moved by the
// pixel offset of its position (plus `origin`, in model units). Pen and colour as set.
void DrawNestCopies(const NestShapes& s, const std::vector<NestCopy>& copies, PointF origin, const View& v, Canvas& c);

}  // namespace rz
