// 叠板: the picked pieces of a sheet become one piece whose outline is the union of theirs.
#pragma once

#include <vector>

#include "output/sheet.h"

namespace rz {

// The closed boundary loops of the union of closed outlines (non-zero fill: each outline counts
// once whichever way it runs). Every loop ends on its first point.
std::vector<Polyline> UnionLoops(const std::vector<Polyline>& outlines);

// The index of the outer loop: from the first loop on, a loop whose box contains the current
// one's replaces it. -1 for none.
int OuterLoopByBoxes(const std::vector<Polyline>& loops);

// Merges every piece with a picked item into `clicked`: their outline items (kind 8) go, the
// union's outer loop becomes the new outline (the flags of the last outline removed, unpicked)
// and every other loop an inner line (kind 6) of the same tool and pen, appended at the end;
// the other items of those pieces take the clicked id. False, with the items untouched, when
// `clicked` has no picked item, fewer than two pieces are picked or the outlines enclose nothing.
bool MergePickedPieces(ItemList& items, int32_t clicked);

}  // namespace rz
