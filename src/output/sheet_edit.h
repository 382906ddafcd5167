// Editing the items of an output sheet on the back screen: picking pieces, deleting, setting
// aside, moving into the corner, transforming and copying pieces, and the output attribute of
// items. Pure functions on the item list; the tools call them and push the snapshots.
#pragma once

#include <functional>
#include <set>

#include "output/sheet.h"
#include "output/sheet_pick.h"

namespace rz {

// The piece pick of move, copy, rotate and 叠板: the first item, ignoring those excluded, set
// aside or chosen for a job, whose single point lies in the box or whose polyline touches it.
int PickSheetPiece(const ItemList& items, PointF p, float half);
// Piece ids that have a picked item.
std::set<int32_t> PickedPieces(const ItemList& items);
// The pieces an action on `piece` takes: every piece with a picked item when `piece` has one,
// else `piece` alone.
std::set<int32_t> PiecesToAct(const ItemList& items, int32_t piece);
// Clears bit 31 of every item; true when any had it.
bool ClearPicks(ItemList& items);

// 删除 on the item `hit`: with `itemLevel` the picked items when `hit` is picked, else `hit`
// alone; otherwise every item of the pieces PiecesToAct gives. Returns the count removed.
size_t DeleteAt(ItemList& items, int hit, bool itemLevel);
// The Delete key: every piece that has a picked item.
size_t DeletePickedPieces(ItemList& items);
// Space: pieces with picked items are set aside (and lose the pick); with none picked every
// set-aside item comes back. True when anything changed.
bool ToggleSetAside(ItemList& items);
// Backspace: the picked pieces move so that their lowest and leftmost points lie 1 mm from the
// sheet's edges. True when they moved.
bool PickedIntoCorner(ItemList& items);

// Applies a map to every item of the pieces.
void MapPieces(ItemList& items, const std::set<int32_t>& pieces, const std::function<PointF(PointF)>& map);
// Appends a copy of every item of each piece under a new id (the next piece id, advanced),
// mapped; the copies become the picked items, every other pick is cleared.
void CopyPieces(ItemList& items, int& nextPieceId, const std::set<int32_t>& pieces,
                const std::function<PointF(PointF)>& map);

// 输出属性: the tool, with its pen slot for the current material, on the picked items when
// `hit` is picked, else on `hit` alone. True when anything changed.
bool SetOutputTool(ItemList& items, int hit, int tool, const SheetSettings& s);

}  // namespace rz
