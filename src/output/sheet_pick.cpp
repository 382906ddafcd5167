#include "output/sheet_pick.h"

#include "geom/polyline.h"

namespace rz {

RectF PickBox(PointF p, float half) { return {p.x - half, p.y - half, p.x + half, p.y + half}; }

SheetHit HitSheetItem(const ItemList& items, PointF p, float half) {
    const RectF r = PickBox(p, half);
    for (size_t i = 0; i < items.size(); ++i) {
        const Polyline& pts = items[i].points;
        if (pts.size() == 1) {
            if (pts[0].x >= r.minX && pts[0].x <= r.maxX && pts[0].y >= r.minY && pts[0].y <= r.maxY)
                return {int(i), 0};
            continue;
        }
        if (RectHit h = PolyHitRect(r, pts); h.segment) return {int(i), h.vertex};
    }
    return {};
}

}  // namespace rz
