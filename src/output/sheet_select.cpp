#include "output/sheet_select.h"

#include "geom/polyline.h"

namespace rz {
namespace {

constexpr uint32_t kKeepsPick = kItemExcluded | kItemSetAside | kItemChosen;

bool Inside(const RectF& r, PointF p) { return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY; }

bool Touches(const RectF& r, const Polyline& pts) {
    if (pts.size() == 1) return Inside(r, pts[0]);
    return PolyHitRect(r, pts).segment != 0;
}

bool WhollyInside(const RectF& r, const Polyline& pts) {
    if (pts.empty()) return false;
    for (PointF p : pts)
        if (!Inside(r, p)) return false;
    return true;
}

}  // namespace

bool ClearBandPicks(ItemList& items) {
    bool any = false;
    for (PlotItem& it : items)
        if ((it.flags & kItemPicked) && !(it.flags & kKeepsPick)) {
            it.flags &= ~kItemPicked;
            any = true;
        }
    return any;
}

bool PickInRect(ItemList& items, const RectF& r, bool crossing, uint32_t ignore) {
    bool any = false;
    for (PlotItem& it : items) {
        if (it.flags & ignore) continue;
        if (it.flags & kItemPicked) continue;
        if (crossing ? Touches(r, it.points) : WhollyInside(r, it.points)) {
            it.flags |= kItemPicked;
            any = true;
        }
    }
    return any;
}

bool TogglePick(ItemList& items, int item) {
    if (item < 0 || size_t(item) >= items.size()) return false;
    items[size_t(item)].flags ^= kItemPicked;
    return true;
}

}  // namespace rz
