#include "design/needles.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "commands/draw_common.h"
#include "geom/primitives.h"
#include "model/afterload.h"
#include "model/integrity.h"

namespace rz {

namespace {
void SetDiameter(Pin& p, float d) {
    p.diameter = d;
    p.outline = PinOutline(p.x, p.y, d);
}
}  // namespace

int UnifyDiameters(std::span<Part* const> parts, float diameter) {
    int n = 0;
    for (Part* part : parts)
        for (auto& p : part->pins)
            if (p->diameter != diameter) SetDiameter(*p, diameter), ++n;
    return n;
}

float MeanDiameter(std::span<Part* const> parts) {
    double sum = 0.0;
    int n = 0;
    for (Part* part : parts)
        for (auto& p : part->pins)
            if (std::isfinite(p->diameter)) sum += p->diameter, ++n;
    return n ? float(sum / n) : 0.0f;
}

int ChangeSameClass(Part& part, float d0, float d1) {
    int n = 0;
    for (auto& p : part.pins)
        if (p->diameter == d0 && d0 != d1) SetDiameter(*p, d1), ++n;
    return n;
}

int ClassifyDiameters(Part& part) {
    std::vector<Pin*> pins;
    for (auto& p : part.pins)
        if (std::isfinite(p->diameter)) pins.push_back(p.get());
    std::stable_sort(pins.begin(), pins.end(), [](const Pin* a, const Pin* b) { return a->diameter < b->diameter; });
    int changed = 0;
    for (size_t i = 0; i < pins.size();) {
        size_t j = i;
        double sum = 0.0;
        while (j < pins.size() && pins[j]->diameter - pins[i]->diameter < kNeedleClassStep) sum += pins[j++]->diameter;
        float mean = float(sum / double(j - i));
        for (size_t k = i; k < j; ++k)
            if (pins[k]->diameter != mean) SetDiameter(*pins[k], mean), ++changed;
        i = j;
    }
    return changed;
}

bool OrderPins(Part& part, const Pin* first) {
    auto& l = part.pins;
    auto at = std::find_if(l.begin(), l.end(), [&](auto& p) { return p.get() == first; });
    if (at == l.end()) return false;
    std::vector<std::unique_ptr<Pin>> rest;
    rest.reserve(l.size());
    std::unique_ptr<Pin> cur = std::move(*at);
    for (auto& p : l)
        if (p) rest.push_back(std::move(p));
    l.clear();
    l.reserve(rest.size() + 1);
    std::vector<bool> taken(rest.size(), false);
    while (cur) {
        const float x = cur->x, y = cur->y;
        l.push_back(std::move(cur));
        size_t best = rest.size();
        double bd = 0.0;
        for (size_t i = 0; i < rest.size(); ++i) {
            if (taken[i]) continue;
            double dx = double(rest[i]->x) - x, dy = double(rest[i]->y) - y, d = dx * dx + dy * dy;
            if (best == rest.size() || d < bd) bd = d, best = i;
        }
        if (best == rest.size()) break;
        taken[best] = true;
        cur = std::move(rest[best]);
    }
    return true;
}

bool LineMakesPin(const Line& l) {
    return l.nodes.size() >= 3 && PtDist(l.nodes.front().pt(), l.nodes.back().pt()) <= kPinLineClosure && !l.eval.empty();
}

Pin* LineToPin(Design& d, Part& part, Line& line, uint32_t tool) {
    RectF box;
    if (!LineMakesPin(line) || !BoundsOf(line.eval, box)) return nullptr;
    auto pin = std::make_unique<Pin>();
    pin->x = 0.5f * (box.minX + box.maxX);
    pin->y = 0.5f * (box.minY + box.maxY);
    pin->basePoint = line.basePoint;
    pin->flags = kFlagFolds | (tool & kFlagToolMask);
    SetDiameter(*pin, 0.5f * ((box.maxX - box.minX) + (box.maxY - box.minY)));
    Pin* made = pin.get();
    part.pins.push_back(std::move(pin));
    RemoveRecord(d, &line);
    return made;
}

}  // namespace rz
