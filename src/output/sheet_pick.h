// Picking plot items of an output sheet under the pointer: the items in list order against a
// square pick box, the first one hit with the vertex the hit test chose.
#pragma once

#include "geom/types.h"
#include "output/sheet.h"

namespace rz {

struct SheetHit {
    int item = -1;  // index into the sheet's items, -1 for none
    int vertex = 0;
    explicit operator bool() const { return item >= 0; }
};

// A square of `half` sheet units each side of p.
RectF PickBox(PointF p, float half);
// Every item takes part, whatever its flags; an item of one point is hit when it lies inside.
SheetHit HitSheetItem(const ItemList& items, PointF p, float half);

}  // namespace rz
