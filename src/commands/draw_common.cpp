#include "commands/draw_common.h"

#include <algorithm>
#include <cmath>

#include "commands/features.h"
#include "geom/polyline.h"
#include "geom/primitives.h"
#include "model/afterload.h"

namespace rz {

std::unique_ptr<Line> MakeLineRecord(const TDoc& doc, std::vector<Node> nodes, int type, int edge) {
    auto l = std::make_unique<Line>();
    l->nodes = std::move(nodes);
    uint32_t width = uint32_t(std::clamp(doc.settings.defaultLineWidth, 0, 15));
    uint32_t orig = uint32_t(std::clamp(doc.settings.defaultOrigLine, 0, 3));
    l->colour = kNewLineColour;
    l->flags = (uint32_t(edge) & kLineEdgeMask) | (orig << 2) | (width << kLineWidthShift) |
               ((uint32_t(type) << kLineMethodShift) & kLineMethodMask);
    EvaluateLineRecord(*l, doc.smooth);
    return l;
}

bool WithinPatternLimits(PointF p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) <= kMaxPatternCoord &&
           std::fabs(p.y) <= kMaxPatternCoord;
}

LengthUnit DialogLengthUnit(const Settings& s) {
    if (s.centimetreDisplay) return {1000.0, "cm"};
    return {};
}

Part& AppendNewPart(Design& d, int page) {
    auto p = std::make_unique<Part>();
    p->stampToday();
    p->setPage(page);
    d.parts.push_back(std::move(p));
    return *d.parts.back();
}

void CompletePart(Part& p) {
    p.outline.clear();
    for (auto& l : p.linesA) {
        const Polyline& e = l->eval;
        if (e.empty()) continue;
        size_t from = 0;
        // Consecutive outline lines meet at a shared point: keep it once.
        if (!p.outline.empty() && p.outline.back() == e.front()) from = 1;
        p.outline.insert(p.outline.end(), e.begin() + long(from), e.end());
    }
    RectF box{};
    bool any = false;
    auto grow = [&](const Polyline& pl) {
        RectF r;
        if (!BoundsOf(pl, r)) return;
        if (!any) box = r;
        else {
            box.minX = std::min(box.minX, r.minX);
            box.minY = std::min(box.minY, r.minY);
            box.maxX = std::max(box.maxX, r.maxX);
            box.maxY = std::max(box.maxY, r.maxY);
        }
        any = true;
    };
    grow(p.outline);
    for (auto& l : p.linesB) grow(l->eval);
    p.bbox = any ? box : RectF{};
}

Polyline PinOutline(float x, float y, float diameter) { return PinCircle(x, y, diameter); }

std::unique_ptr<Notch> MakeNotch(const TDoc& doc, const Part& part, PointF at) {
    auto n = std::make_unique<Notch>();
    n->x = at.x;
    n->y = at.y;
    n->depth = doc.settings.markDepth;
    n->angle = doc.settings.notchAngle;
    n->flags = 1u | kFlagFolds;
    n->outline = NotchOutline(*n, part.outline);
    return n;
}

}  // namespace rz
