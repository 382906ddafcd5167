#include "output/sheet_edit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geom/polyline.h"
#include "interact/scene.h"

namespace rz {
namespace {

bool InPieces(const std::set<int32_t>& s, const PlotItem& it) { return s.count(it.pieceId) != 0; }

}  // namespace

int PickSheetPiece(const ItemList& items, PointF p, float half) {
    const RectF r = PickBox(p, half);
    for (size_t i = 0; i < items.size(); ++i) {
        const PlotItem& it = items[i];
        if (it.flags & (kItemExcluded | kItemSetAside | kItemChosen)) continue;
        if (it.points.size() == 1) {
            const PointF q = it.points[0];
            if (q.x >= r.minX && q.x <= r.maxX && q.y >= r.minY && q.y <= r.maxY) return int(i);
        } else if (PolyHitRect(r, it.points).segment) {
            return int(i);
        }
    }
    return -1;
}

std::set<int32_t> PickedPieces(const ItemList& items) {
    std::set<int32_t> s;
    for (const PlotItem& it : items)
        if (it.flags & kItemPicked) s.insert(it.pieceId);
    return s;
}

std::set<int32_t> PiecesToAct(const ItemList& items, int32_t piece) {
    std::set<int32_t> picked = PickedPieces(items);
    if (picked.count(piece)) return picked;
    return {piece};
}

bool ClearPicks(ItemList& items) {
    bool any = false;
    for (PlotItem& it : items)
        if (it.flags & kItemPicked) it.flags &= ~kItemPicked, any = true;
    return any;
}

size_t DeleteAt(ItemList& items, int hit, bool itemLevel) {
    if (hit < 0 || size_t(hit) >= items.size()) return 0;
    const size_t before = items.size();
    if (itemLevel) {
        if (items[size_t(hit)].flags & kItemPicked)
            std::erase_if(items, [](const PlotItem& it) { return (it.flags & kItemPicked) != 0; });
        else
            items.erase(items.begin() + hit);
    } else {
        const std::set<int32_t> pieces = PiecesToAct(items, items[size_t(hit)].pieceId);
        std::erase_if(items, [&](const PlotItem& it) { return InPieces(pieces, it); });
    }
    return before - items.size();
}

size_t DeletePickedPieces(ItemList& items) {
    const std::set<int32_t> pieces = PickedPieces(items);
    const size_t before = items.size();
    std::erase_if(items, [&](const PlotItem& it) { return InPieces(pieces, it); });
    return before - items.size();
}

bool ToggleSetAside(ItemList& items) {
    const std::set<int32_t> pieces = PickedPieces(items);
    bool changed = false;
    for (PlotItem& it : items) {
        const uint32_t was = it.flags;
        if (!pieces.empty()) {
            if (InPieces(pieces, it)) it.flags = (it.flags & ~kItemPicked) | kItemSetAside;
        } else {
            it.flags &= ~kItemSetAside;
        }
        changed = changed || it.flags != was;
    }
    return changed;
}

bool PickedIntoCorner(ItemList& items) {
    const std::set<int32_t> pieces = PickedPieces(items);
    if (pieces.empty()) return false;
    float x0 = std::numeric_limits<float>::infinity(), y0 = x0;
    for (const PlotItem& it : items)
        if (InPieces(pieces, it))
            for (PointF p : it.points) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    if (!std::isfinite(x0) || !std::isfinite(y0) || (x0 == 100.0f && y0 == 100.0f)) return false;
    const float dx = 100.0f - x0, dy = 100.0f - y0;
    MapPieces(items, pieces, [&](PointF p) { return PointF{p.x + dx, p.y + dy}; });
    return true;
}

void MapPieces(ItemList& items, const std::set<int32_t>& pieces, const std::function<PointF(PointF)>& map) {
    for (PlotItem& it : items)
        if (InPieces(pieces, it))
            for (PointF& p : it.points) p = map(p);
}

void CopyPieces(ItemList& items, int& nextPieceId, const std::set<int32_t>& pieces,
                const std::function<PointF(PointF)>& map) {
    ClearPicks(items);
    const size_t n = items.size();
    for (int32_t id : pieces) {
        const int32_t copyId = nextPieceId++;
        for (size_t i = 0; i < n; ++i) {
            if (items[i].pieceId != id) continue;
            PlotItem c = items[i];
            c.pieceId = copyId;
            c.flags |= kItemPicked;
            for (PointF& p : c.points) p = map(p);
            items.push_back(std::move(c));
        }
    }
}

bool SetOutputTool(ItemList& items, int hit, int tool, const SheetSettings& s) {
    if (hit < 0 || size_t(hit) >= items.size()) return false;
    const bool picked = (items[size_t(hit)].flags & kItemPicked) != 0;
    bool changed = false;
    for (size_t i = 0; i < items.size(); ++i) {
        PlotItem& it = items[i];
        if (picked ? !(it.flags & kItemPicked) : i != size_t(hit)) continue;
        const uint32_t was = it.flags;
        it.setTool(tool);
        it.setPen(PenSlot(s, tool));
        changed = changed || it.flags != was;
    }
    return changed;
}

}  // namespace rz
