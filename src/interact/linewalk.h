// Walks the lines A then lines B of the visible parts of a page, skipping by bounding box the
// lines (and parts) that cannot meet a rectangle when an index is at hand.
#pragma once

#include "interact/geomindex.h"

namespace rz::detail {

inline bool LineUsable(const Line& l) { return !(l.flags & kFlagHidden); }

// f(part, line, isA) returns true to stop; the walk returns true when it was stopped.
template <class F>
bool WalkLines(const Design& d, int page, const GeomIndex* idx, const RectF& r, F&& f) {
    if (idx) {
        const auto& lines = idx->lines();
        for (const auto& pe : idx->parts()) {
            if (!pe.any || !RectsOverlap(pe.box, r)) continue;
            for (size_t i = 0; i < pe.countA + pe.countB; ++i) {
                const auto& e = lines[pe.first + i];
                if (!RectsOverlap(e.box, r) || !LineUsable(*e.line)) continue;
                if (f(*pe.part, *e.line, i < pe.countA)) return true;
            }
        }
        return false;
    }
    for (const auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        for (const auto& l : p->linesA)
            if (LineUsable(*l) && f(*p, *l, true)) return true;
        for (const auto& l : p->linesB)
            if (LineUsable(*l) && f(*p, *l, false)) return true;
    }
    return false;
}

}  // namespace rz::detail
