// Designs for the grading tests: sizes 240–260 by 5 about base 250 (N = 5, base index 2), last
// length and girth 100 mm, steps (2, 1) per size: size i scales by (1 + 0.02·(i − 2),
// 1 + 0.01·(i − 2)) about its base point.
#pragma once

#include <gtest/gtest.h>

#include "grading/engine.h"
#include "model/xie.h"

namespace rz::test {

inline void SetSizes(Design& d, int from = 240, int to = 260, int step = 5, int base = 250) {
    d.flags = 0;
    d.rangeFrom = from;
    d.rangeTo = to;
    d.step = step;
    d.baseSize = base;
    d.baseParams = {100.0f, 100.0f, 2.0f, 1.0f};
}

inline BasePoint& AddBase(Part& p, float x, float y, BasePoint* owner = nullptr, float direction = 0,
                          bool follows = true) {
    auto b = std::make_unique<BasePoint>();
    b->x = x, b->y = y, b->direction = direction, b->owner = owner;
    b->flags = follows ? kBaseFollowsOwner : 0;
    b->index = int(p.basePoints.size());
    p.basePoints.push_back(std::move(b));
    return *p.basePoints.back();
}

inline Line& AddLine(List<Line>& list, std::vector<PointF> pts, BasePoint* b) {
    auto l = std::make_unique<Line>();
    for (PointF q : pts) l->nodes.push_back({q.x, q.y, 0});
    l->flags = 4u << kLineMethodShift;  // straight segments
    l->basePoint = b;
    list.push_back(std::move(l));
    return *list.back();
}

inline Pin& AddPin(Part& p, float x, float y, BasePoint* b) {
    auto q = std::make_unique<Pin>();
    q->x = x, q->y = y, q->diameter = 100, q->basePoint = b;
    p.pins.push_back(std::move(q));
    return *p.pins.back();
}

inline Motif& AddMotif(Part& p, float x, float y, BasePoint* b) {
    auto m = std::make_unique<Motif>();
    m->x = x, m->y = y, m->basePoint = b;
    m->shape = {{{-50, 0}, {0, 50}, {50, 0}, {-50, 0}}};
    p.motifs.push_back(std::move(m));
    return *p.motifs.back();
}

// Every graded node of every part, in list order: equal vectors mean bit-identical copies.
inline std::vector<float> CopyCoordinates(const Design& d) {
    std::vector<float> v;
    for (auto& p : d.parts) {
        for (auto& c : p->gradedLines)
            for (const Node& n : c->nodes) v.insert(v.end(), {n.x, n.y, float(n.word)});
        for (auto& c : p->gradedPins) v.insert(v.end(), {c->x, c->y});
        for (auto& c : p->gradedMotifs) v.insert(v.end(), {c->x, c->y});
    }
    return v;
}

inline std::vector<uint8_t> Saved(Design& d) { return WriteXie(d); }

}  // namespace rz::test
