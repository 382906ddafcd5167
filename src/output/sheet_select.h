// The rubber band of the back screen on an output sheet: what it clears when it becomes active,
// what its rectangle picks, and the Ctrl toggle of a band that never opened.
#pragma once

#include "geom/types.h"
#include "output/sheet.h"

namespace rz {

// Clears the user's picks as an opening band does; an item that is also excluded, set aside or
// chosen for a job keeps its pick. True when any pick went.
bool ClearBandPicks(ItemList& items);
// Picks, in sheet units, what the rectangle selects: by crossing every item touching it, by
// window every item lying wholly inside (edges count as inside). Items with a flag of `ignore`
// (the rubber band: excluded and set aside; the crossing pick of 移动, 旋转 and 拷贝: chosen for a
// job as well) take no part. True when any pick was added.
bool PickInRect(ItemList& items, const RectF& r, bool crossing, uint32_t ignore = kItemExcluded | kItemSetAside);
// Toggles the pick of one item; false for an index off the list.
bool TogglePick(ItemList& items, int item);

}  // namespace rz
