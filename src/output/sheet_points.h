// Point-level editing of the plot items of an output sheet: the right-button popup of the back
// screen (重合, 接合, 速绘, 减点), the vertex keys of 点操作 and its clean-up of the sheet.
#pragma once

#include "geom/smooth.h"
#include "output/sheet.h"

namespace rz {

// The vertex of an item that a hit test chose; -1 for none.
struct SheetVertex {
    int item = -1;
    int vertex = 0;
    explicit operator bool() const { return item >= 0; }
};

// Whether the vertex is the first or the last point of its item.
bool IsEndVertex(const ItemList& items, SheetVertex v);

// 重合: every other item whose first point, or else its last, lies within `near` units of the
// vertex in both x and y has that end moved onto it. True when any moved.
bool CoincideEnds(ItemList& items, SheetVertex v, float near = 50.0f);
// 接合: the first other item (list order) with an end within `tolerance` of the end vertex is
// appended to the current item through the joint and removed. Returns the current item's new
// place (its index shifts when the partner stood before it) with the joint as its vertex, or
// none when no partner was found.
SheetVertex JoinAt(ItemList& items, SheetVertex v, float tolerance);
// 速绘: arcs fitted with the arc-fit tolerance, resampled, then simplified; applied once (bit
// 17). False for fewer than 3 points or an item already quick-drawn.
bool QuickDrawItem(PlotItem& item, const TSmooth& smooth);
// 减点: the item simplified with tolerance 10 and longest chord 2000. True when points went.
bool ThinItem(PlotItem& item);

// The vertex keys of 点操作. Delete needs at least 3 points; the vertex steps back when it was
// the last. False, with nothing changed, otherwise.
bool DeleteVertex(ItemList& items, SheetVertex& v);
// Enter at an inner vertex: a new item with the same flags and piece id takes the points from
// the vertex to the end and follows the item, which keeps the points up to the vertex.
bool SplitItem(ItemList& items, SheetVertex v);
// The clean-up of 点操作: set-aside items go, closed items are kept and moved to the end, an
// open outline stays one only when other outline ends meet both its ends (else it becomes an
// inner line), other open items go. True when the list changed.
bool CleanUpSheet(ItemList& items);

}  // namespace rz
