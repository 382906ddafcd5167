// Shapes drawn onto an output sheet on the back screen (rectangles, circles, traced lines, slot
// lines): each is one new item in the sheet's item list.
#pragma once

#include "output/sheet.h"

namespace rz {

// The item tool of the back-screen tool setting: 0 full cut, 1 half cut, 2 pen stroke, 3 none.
// A value outside 0–3 (a damaged settings file) draws with the pen.
int BackScreenItemTool(int setting);

// Appends one item; returns its index.
size_t AppendSheetItem(ItemList& items, Polyline pts, int32_t pieceId, int kind, int tool, int pen);
// A new piece of one item under the sheet's next piece id, which advances; returns the index.
size_t AppendSheetPiece(ItemList& items, int& nextPieceId, Polyline pts, int kind, int tool, int pen);

}  // namespace rz
