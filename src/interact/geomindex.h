// Bounding boxes of the lines of the visible parts of a page, so that snapping and picking on
// every mouse move can skip the lines that cannot be near the cursor. A box holds every point
// a test may look at (the evaluated polyline and the nodes), so skipping by box never changes
// a result: the answers are those of the plain walk over the lists.
#pragma once

#include <cstddef>
#include <vector>

#include "model/design.h"

namespace rz {

bool RectsOverlap(const RectF& a, const RectF& b);
bool RectContains(const RectF& r, PointF p);

class GeomIndex {
public:
    struct LineEntry {
        const Line* line = nullptr;
        RectF box;
        // What the box was built from; a change shows that the line was replaced or re-evaluated.
        const PointF* evalData = nullptr;
        size_t evalSize = 0;
        const Node* nodeData = nullptr;
        size_t nodeSize = 0;
    };
    struct PartEntry {
        const Part* part = nullptr;
        RectF box;              // union of its line boxes
        bool any = false;       // it has lines
        size_t first = 0;       // its lines A then lines B in `lines`
        size_t countA = 0, countB = 0;
    };

    void build(const Design& d, int page);
    // True when built for this design and page and every list still holds what the boxes were
    // made from. Points moved in place are not seen: whoever changes geometry calls invalidate().
    bool matches(const Design& d, int page) const;
    void invalidate() { built_ = false; }
    bool built() const { return built_; }

    // The entry of a visible part (nullptr when the part is not indexed).
    const PartEntry* find(const Part* p) const;
    const std::vector<PartEntry>& parts() const { return parts_; }
    const std::vector<LineEntry>& lines() const { return lines_; }

private:
    bool built_ = false;
    const Design* design_ = nullptr;
    int page_ = -1;
    std::vector<PartEntry> parts_;
    std::vector<LineEntry> lines_;
};

// Visible parts of a page in chain order.
template <class F>
void ForEachVisiblePart(const Design& d, int page, F&& f) {
    for (const auto& p : d.parts)
        if (p->page() == page && !p->hidden()) f(*p);
}

}  // namespace rz
