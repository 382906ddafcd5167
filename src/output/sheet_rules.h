// The rules that fill a sheet and prepare it for a job: laying the parts of a page, the tools
// of the cut settings, the selection, the output order and the automatic arrangement.
#pragma once

#include "interact/view.h"
#include "model/design.h"
#include "output/sheet.h"

namespace rz {

class TFont;

// Key ".": the sheet becomes the visible parts of `page`, one piece each: the outline (lines
// A joined) to be cut, the other lines, pins, motif and text strokes and point-row holes drawn.
// Text strings without strokes are laid out with `font` when given. Nothing empty is made.
void LaySheetFromPage(PLTC& sheet, const Design& d, int page, TFont* font = nullptr);

// 应用 of the cut settings: tools by kind from the cut bits, then every item's pen slot from
// the current material; the order is to be computed again.
void AssignTools(ItemList& items, const SheetSettings& s);
// Picked items (bit 31) lose the pick and take `tool` and its pen slot; true when any item's
// tool or pen changed.
bool SetToolOnPicked(ItemList& items, const SheetSettings& s, int tool);
// The single-item form: true when the tool changed.
bool SetItemTool(PlotItem& item, const SheetSettings& s, int tool);

// Selection for a job: bits 28 and 30 are cleared first, then each item that may be output and
// lies wholly on the area W × H is chosen (bit 30); filtered tools are excluded (bit 28).
void SelectForJob(ItemList& items, float W, float H, bool skipPens, bool skipCuts);
// Clears bits 28 and 30 of every item (after a job, the order view, 打印).
void ClearJobBits(ItemList& items);

// The output order (skipped when `sorted` is already set or there are no items): pieces in
// serpentine columns of their boxes in view pixels (unless `keepPieceOrder`), each piece's
// items by tool; with `singleHead` all pen strokes first, then all half cuts, then full cuts.
// Items neither chosen nor excluded go to the end.
void OrderForJob(PLTC& sheet, const View& view);
struct OrderOptions {
    bool keepPieceOrder = false;  // output method 2
    bool singleHead = false;      // cutting method 2
};
void OrderItems(ItemList& items, const View& view, OrderOptions o);

// The view the order is computed in when no window shows the sheet: the area's base view in a
// 1280 × 800 window.
View OrderingView(WorkRange area);

// 排位: every piece is turned to its smallest upright box and the pieces are packed, largest
// first, into the area and as many further areas to the right as they need. Pieces that fit
// nowhere keep their place.
void ArrangeSheet(ItemList& items, float W, float H);

// Moves every item of the sheet by (dx, dy).
void ShiftItems(ItemList& items, float dx, float dy);

}  // namespace rz
