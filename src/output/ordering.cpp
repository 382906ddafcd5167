// The output order of a sheet: pieces in serpentine columns, each piece's items by tool.
#include <algorithm>
#include <map>
#include <optional>

#include "output/sheet_rules.h"

namespace rz {

namespace {

struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct PieceOrder {
    int32_t id = 0;
    std::optional<PixelBox> box;  // none for a piece without points: it keeps its place
};

std::optional<PixelBox> BoxOf(const ItemList& items, const std::vector<size_t>& members, const View& v,
                              bool outlineOnly) {
    std::optional<PixelBox> b;
    for (size_t i : members) {
        const PlotItem& it = items[i];
        if (outlineOnly && it.kind() != kItemOutline) continue;
        for (PointF q : it.points) {
            PixelPoint p = v.toPixel(q);
            if (!b) b = PixelBox{p.x, p.y, p.x, p.y};
            b->left = std::min(b->left, p.x), b->right = std::max(b->right, p.x);
            b->top = std::min(b->top, p.y), b->bottom = std::max(b->bottom, p.y);
        }
    }
    return b;
}

// Column by column from the left, each column bottom-up, the next top-down, and so on.
std::vector<size_t> SerpentineOrder(const std::vector<PieceOrder>& pieces) {
    std::vector<size_t> remaining;
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].box) remaining.push_back(i);
    std::vector<size_t> out;
    bool bottomFirst = true;
    while (!remaining.empty()) {
        size_t first = 0;
        for (size_t k = 1; k < remaining.size(); ++k)
            if (pieces[remaining[k]].box->left < pieces[remaining[first]].box->left) first = k;
        const PixelBox& fb = *pieces[remaining[first]].box;
        const int from = fb.left, to = fb.left + (fb.right - fb.left) / 2;
        std::vector<size_t> column{remaining[first]}, rest;
        for (size_t k = 0; k < remaining.size(); ++k) {
            if (k == first) continue;
            int left = pieces[remaining[k]].box->left;
            (left >= from && left <= to ? column : rest).push_back(remaining[k]);
        }
        std::stable_sort(column.begin(), column.end(), [&](size_t a, size_t b) {
            int ya = pieces[a].box->bottom, yb = pieces[b].box->bottom;
            return bottomFirst ? ya > yb : ya < yb;
        });
        out.insert(out.end(), column.begin(), column.end());
        remaining.swap(rest);
        bottomFirst = !bottomFirst;
    }
    return out;
}

}  // namespace

View OrderingView(WorkRange area) {
    View v;
    v.make(1280, 800, area.valid() ? area : WorkRange{92300.0f, 61800.0f}, 0);
    return v;
}

void OrderItems(ItemList& items, const View& view, OrderOptions o) {
    if (items.empty()) return;
    // Pieces in list order, with the items of each; items neither chosen nor excluded wait
    // at the end.
    std::vector<PieceOrder> pieces;
    std::map<int32_t, size_t> pieceIndex;
    std::vector<std::vector<size_t>> members;
    std::vector<size_t> aside;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!(items[i].flags & (kItemExcluded | kItemChosen))) {
            aside.push_back(i);
            continue;
        }
        auto [at, fresh] = pieceIndex.try_emplace(items[i].pieceId, pieces.size());
        if (fresh) {
            pieces.push_back({items[i].pieceId, std::nullopt});
            members.emplace_back();
        }
        members[at->second].push_back(i);
    }
    for (size_t p = 0; p < pieces.size(); ++p) {
        // A piece without an outline is placed by all its items.
        pieces[p].box = BoxOf(items, members[p], view, true);
        if (!pieces[p].box) pieces[p].box = BoxOf(items, members[p], view, false);
    }

    std::vector<size_t> sequence(pieces.size());
    for (size_t p = 0; p < pieces.size(); ++p) sequence[p] = p;
    if (!o.keepPieceOrder) {
        std::vector<size_t> ordered = SerpentineOrder(pieces);
        size_t next = 0;
        for (size_t p = 0; p < pieces.size(); ++p)
            if (pieces[p].box) sequence[p] = ordered[next++];
    }

    auto byByte = [&](bool descending) {
        return [&items, descending](size_t a, size_t b) {
            return descending ? items[a].lowByte() > items[b].lowByte() : items[a].lowByte() < items[b].lowByte();
        };
    };
    std::vector<size_t> order;
    order.reserve(items.size());
    if (o.singleHead) {
        std::vector<size_t> pens, halves, cuts;
        for (size_t p : sequence) {
            std::vector<size_t> a, b, c;
            for (size_t i : members[p]) {
                int t = items[i].tool();
                (t <= kToolPen ? a : t == kToolHalfCut ? b : c).push_back(i);
            }
            std::stable_sort(a.begin(), a.end(), byByte(true));
            std::stable_sort(b.begin(), b.end(), byByte(false));
            std::stable_sort(c.begin(), c.end(), byByte(false));
            pens.insert(pens.end(), a.begin(), a.end());
            halves.insert(halves.end(), b.begin(), b.end());
            cuts.insert(cuts.end(), c.begin(), c.end());
        }
        for (auto* l : {&pens, &halves, &cuts}) order.insert(order.end(), l->begin(), l->end());
    } else {
        for (size_t p : sequence) {
            std::vector<size_t> m = members[p];
            std::stable_sort(m.begin(), m.end(), byByte(false));
            order.insert(order.end(), m.begin(), m.end());
        }
    }
    order.insert(order.end(), aside.begin(), aside.end());

    ItemList sorted;
    sorted.reserve(items.size());
    for (size_t i : order) sorted.push_back(std::move(items[i]));
    items.swap(sorted);
}

void OrderForJob(PLTC& sheet, const View& view) {
    if (sheet.items.empty() || sheet.sorted) return;
    const SheetSettings& s = sheet.settings();
    OrderItems(sheet.items, view,
               {SheetInt(s, sheetword::OutputMethod) == 2, SheetInt(s, sheetword::Method) == 2});
    sheet.sorted = 1;
    sheet.dirty = 1;
}

}  // namespace rz
