// What the back-screen tools of the sheet share: the sheet shown, pick boxes in pixels, the end
// of a change and the answer to a press on nothing.
#pragma once

#include <vector>

#include "interact/canvas.h"
#include "interact/engine.h"
#include "output/sheet.h"
#include "output/sheet_edit.h"

namespace rz::sheettool {

inline PLTC& Shown(Engine& e) { return SheetOf(e.doc, e.vs.currentSheet == 1 ? 1 : 0); }
// A pick box of `px` pixels each side, in sheet units.
inline float Half(Engine& e, int px) { return e.vs.view.s > 0 ? float(px) / e.vs.view.s : float(px); }

// Every change of the items marks the sheet and is one snapshot of its layout.
inline void Changed(Engine& e, PLTC& s) {
    s.dirty = 1;
    s.pushLayout();
    e.redraw();
}

// A press on nothing clears the picks, or is refused when there were none.
inline void Nothing(Engine& e) {
    if (ClearPicks(Shown(e).items)) e.redraw();
    else e.tone(kToneRefused);
}

// Items shown highlighted while a box about them is open; the window paints the overlay
// meanwhile. Empty draws nothing.
inline bool DrawLit(Engine& e, Canvas& c, const std::vector<size_t>& lit) {
    const ItemList& items = Shown(e).items;
    std::vector<PixelPoint> px;
    bool drew = false;
    c.setColour(0xA000A0);  // as the engine highlights picks
    c.setWidth(2);
    c.setDash(0, 0);
    for (size_t i : lit) {
        if (i >= items.size() || items[i].points.size() < 2) continue;
        px.clear();
        for (PointF q : items[i].points) px.push_back(e.vs.view.toWindow(q));
        c.polyline(px.data(), px.size());
        drew = true;
    }
    return drew;
}

}  // namespace rz::sheettool
