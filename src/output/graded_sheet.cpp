#include "output/graded_sheet.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace rz {

namespace {

struct Box {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    void add(PointF p) {
        x0 = std::min(x0, double(p.x)), x1 = std::max(x1, double(p.x));
        y0 = std::min(y0, double(p.y)), y1 = std::max(y1, double(p.y));
    }
    bool empty() const { return x0 > x1; }
};

Box BoxOf(const std::vector<OutputItem>& items) {
    Box b;
    for (const OutputItem& it : items)
        for (PointF p : it.points) b.add(p);
    return b;
}

void Turn(std::vector<OutputItem>& items, double angle, double cx, double cy) {
    if (angle == 0.0) return;
    const double c = std::cos(angle), s = std::sin(angle);
    for (OutputItem& it : items)
        for (PointF& p : it.points) {
            const double dx = p.x - cx, dy = p.y - cy;
            p = {float(cx + c * dx - s * dy), float(cy + s * dx + c * dy)};
        }
}

void Move(std::vector<OutputItem>& items, double dx, double dy) {
    for (OutputItem& it : items)
        for (PointF& p : it.points) p = {float(p.x + dx), float(p.y + dy)};
}

}  // namespace

namespace {

// One sheet piece per size that `itemsAt` can generate, the shared-die rule applied first.
template <class ItemsAt>
int OutputSizes(PLTC& sheet, const std::optional<std::vector<uint8_t>>& die, int n, const std::vector<int>& sizes,
                const GradedOutputOptions& o, GradedOutputLog* log, ItemsAt&& itemsAt) {
    int first = -1;
    const std::vector<int> chosen = DieSizes(die, sizes, n);
    if (log)
        for (int i : sizes)
            if (std::find(chosen.begin(), chosen.end(), i) == chosen.end()) log->skipped.push_back(i);
    const WorkRange area = sheet.area();
    // 选片输出 lays the sizes side by side from the device width on.
    double cursor = area.w;
    int position = 0;
    for (int i : chosen) {
        std::optional<std::vector<OutputItem>> items = itemsAt(i);
        if (!items) {
            if (log) log->skipped.push_back(i);
            continue;
        }
        if (items->empty()) continue;
        const std::vector<OutputItem> generated = *items;
        if (o.layout == 1 || o.layout == 2) {
            const Box b = BoxOf(*items);
            double angle = o.angle;
            if (o.layout == 2 && position % 2 == 1) angle += M_PI;
            Turn(*items, angle, (b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2);
            const Box t = BoxOf(*items);
            Move(*items, cursor - t.x0, -t.y0);
            cursor += (t.x1 - t.x0) + 100.0;  // a millimetre between sizes
        } else if (o.corner) {
            const Box b = BoxOf(*items);
            Move(*items, area.w - b.x1, area.h - b.y1);
        }
        ++position;
        const int32_t id = sheet.nextPieceId;
        const size_t start = sheet.items.size();
        for (OutputItem& it : *items) {
            PlotItem p;
            p.points = std::move(it.points);
            p.flags = it.flags;
            p.setKind(it.kind);
            p.setTool(it.tool);
            p.setPen(PenSlot(sheet.settings(), it.tool));
            p.pieceId = id;
            sheet.items.push_back(std::move(p));
        }
        if (first < 0) first = int(start);
        if (log) log->pieces.push_back({id, i, start, sheet.items.size() - start, generated});
        if (sheet.nextPieceId < INT32_MAX) ++sheet.nextPieceId;
    }
    if (first >= 0) {
        sheet.dirty = 1;
        sheet.sorted = 0;
    }
    return first;
}

}  // namespace

int OutputPartSizes(PLTC& sheet, const Design& d, const Settings& s, const Part& part, const std::vector<int>& sizes,
                    const GradedOutputOptions& o, GradedOutputLog* log) {
    return OutputSizes(sheet, part.sharedDie, d.n, sizes, o, log,
                       [&](int i) { return PartItemsAtSize(d, s, part, i, o.font); });
}

int OutputPieceSizes(PLTC& sheet, const Design& d, const Settings& s, const Piece& piece, const std::vector<int>& sizes,
                     const GradedOutputOptions& o, GradedOutputLog* log) {
    GradedOutputOptions po = o;
    po.layout = 0;
    return OutputSizes(sheet, piece.sharedDie, d.n, sizes, po, log,
                       [&](int i) { return PieceItemsAtSize(d, s, piece, i, o.font); });
}

PageOutput OutputPage(PLTC& sheet, const Design& d, const Settings& s, int page, bool allPages,
                      const std::vector<int>& sizes, const GradedOutputOptions& o, const std::function<void()>& each,
                      const std::function<void(const Polyline& outline)>& before) {
    PageOutput r;
    if (page == 3) {
        for (auto& pc : d.pieces) {
            if (pc->outline.size() < 3) {
                r.noOutline.push_back(int(pc->slot) + 1);
                continue;
            }
            if (before) before(pc->outline);
            OutputPieceSizes(sheet, d, s, *pc, sizes, o);
            ++r.sources;
            if (each) each();
        }
        return r;
    }
    for (auto& p : d.parts) {
        if ((!allPages && p->page() != page) || p->hidden()) continue;
        if (before) before(p->outline);
        OutputPartSizes(sheet, d, s, *p, sizes, o);
        ++r.sources;
        if (each) each();
    }
    return r;
}

std::string NoOutlineMessage(const std::vector<int>& numbers) {
    if (numbers.empty()) return {};
    std::string m = "第 ";
    for (int n : numbers) m += std::to_string(n) + ",";
    return m + " 分片外轮廓线有问题，需重新提取！";
}

}  // namespace rz
