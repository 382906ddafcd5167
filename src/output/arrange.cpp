// 排位: each piece turned to its smallest upright box, then packed into free rectangles.
#include <algorithm>
#include <cmath>
#include <map>

#include "output/sheet_rules.h"

namespace rz {

namespace {

constexpr float kMargin = 100.0f;  // 1 mm round every piece

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double w() const { return x1 - x0; }
    double h() const { return y1 - y0; }
};

struct PieceRec {
    std::vector<size_t> members;  // all items of the piece
    std::vector<size_t> shape;    // the items that give its box
    Box box;                      // grown by the margin
    double area = 0;
    bool placed = false;
};

// The grown box of the shape items turned by `angle` (radians) about `c`; false without points.
bool TurnedBox(const ItemList& items, const std::vector<size_t>& shape, double angle, double cx, double cy,
               Box& b) {
    const double cs = std::cos(angle), sn = std::sin(angle);
    bool any = false;
    for (size_t i : shape)
        for (PointF q : items[i].points) {
            double dx = q.x - cx, dy = q.y - cy;
            double x = cx + dx * cs - dy * sn, y = cy + dx * sn + dy * cs;
            if (!any) b = {x, y, x, y}, any = true;
            b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
            b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
        }
    b.x0 -= kMargin, b.y0 -= kMargin, b.x1 += kMargin, b.y1 += kMargin;
    return any;
}

void TurnItems(ItemList& items, const std::vector<size_t>& members, double angle, double cx, double cy) {
    const double cs = std::cos(angle), sn = std::sin(angle);
    for (size_t i : members)
        for (PointF& q : items[i].points) {
            double dx = q.x - cx, dy = q.y - cy;
            q = {float(cx + dx * cs - dy * sn), float(cy + dx * sn + dy * cs)};
        }
}

void MoveItems(ItemList& items, const std::vector<size_t>& members, double dx, double dy) {
    for (size_t i : members)
        for (PointF& q : items[i].points) q = {float(q.x + dx), float(q.y + dy)};
}

}  // namespace

void ArrangeSheet(ItemList& items, float W, float H) {
    // Pieces in list order; the outline gives the box, or every item when there is none.
    std::vector<PieceRec> pieces;
    std::map<int32_t, size_t> index;
    for (size_t i = 0; i < items.size(); ++i) {
        auto [at, fresh] = index.try_emplace(items[i].pieceId, pieces.size());
        if (fresh) pieces.emplace_back();
        pieces[at->second].members.push_back(i);
    }
    std::vector<PieceRec> recs;
    for (PieceRec& p : pieces) {
        for (size_t i : p.members)
            if (items[i].kind() == kItemOutline && !items[i].points.empty()) p.shape.push_back(i);
        if (p.shape.empty()) p.shape = p.members;
        Box start;
        if (!TurnedBox(items, p.shape, 0.0, 0.0, 0.0, start)) continue;  // no points: stays
        const double cx = (start.x0 + start.x1) / 2, cy = (start.y0 + start.y1) / 2;
        double bestArea = start.w() * start.h();
        int bestStep = 0;
        Box best = start;
        for (int step = 1; step <= 90; ++step) {
            Box b;
            TurnedBox(items, p.shape, step * M_PI / 180.0, cx, cy, b);
            double a = b.w() * b.h();
            if (a < bestArea) bestArea = a, bestStep = step, best = b;
        }
        if (bestStep != 0) TurnItems(items, p.members, bestStep * M_PI / 180.0, cx, cy);
        p.box = best;
        p.area = bestArea;
        recs.push_back(std::move(p));
    }
    std::stable_sort(recs.begin(), recs.end(), [](const PieceRec& a, const PieceRec& b) { return a.area > b.area; });

    std::vector<Box> free{{0.0, 0.0, double(W), double(H)}};
    for (int sheetNo = 1;; ++sheetNo) {
        bool anyLeft = false;
        int placed = 0;
        for (PieceRec& p : recs) {
            if (p.placed) continue;
            anyLeft = true;
            for (size_t r = 0; r < free.size(); ++r) {
                const Box fr = free[r];
                const double rw = fr.w(), rh = fr.h();
                double pw = p.box.w(), ph = p.box.h();
                const bool sameWay = (rw > rh && pw > ph) || (rw < rh && pw < ph);
                if (sameWay && rh > pw && rw > ph) {
                    // Turned a quarter counter-clockwise about the box's lower left corner.
                    TurnItems(items, p.members, M_PI / 2, p.box.x0, p.box.y0);
                    p.box = {p.box.x0 - ph, p.box.y0, p.box.x0, p.box.y0 + pw};
                    std::swap(pw, ph);
                }
                if (!(rw > pw && rh > ph)) continue;
                MoveItems(items, p.members, fr.x0 - p.box.x0, fr.y0 - p.box.y0);
                p.box = {fr.x0, fr.y0, fr.x0 + pw, fr.y0 + ph};
                const double G = std::fabs(pw - (rh - ph)) + std::fabs((rw - pw) - rh);
                const double I = std::fabs(rw - (rh - ph)) + std::fabs((rw - pw) - ph);
                Box keep, added;
                if (I > G) {
                    keep = {fr.x0, fr.y0 + ph, fr.x0 + pw, fr.y1};
                    added = {fr.x0 + pw, fr.y0, fr.x1, fr.y1};
                } else {
                    keep = {fr.x0 + pw, fr.y0, fr.x1, fr.y0 + ph};
                    added = {fr.x0, fr.y0 + ph, fr.x1, fr.y1};
                }
                free[r] = keep;
                free.insert(free.begin() + long(r + 1), added);
                p.placed = true;
                ++placed;
                break;
            }
        }
        if (!anyLeft || placed == 0) break;
        if (std::all_of(recs.begin(), recs.end(), [](const PieceRec& p) { return p.placed; })) break;
        free.push_back({double(sheetNo) * W, 0.0, double(sheetNo + 1) * W, double(H)});
    }
}

}  // namespace rz
