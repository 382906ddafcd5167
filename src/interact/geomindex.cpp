#include "interact/geomindex.h"

#include <cmath>
#include <limits>

namespace rz {

bool RectsOverlap(const RectF& a, const RectF& b) {
    return !(a.maxX < b.minX || a.minX > b.maxX || a.maxY < b.minY || a.minY > b.maxY);
}

bool RectContains(const RectF& r, PointF p) {
    return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY;
}

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

struct BoxBuilder {
    RectF r{kInf, kInf, -kInf, -kInf};
    bool wild = false;  // a non-finite coordinate: the box must not reject anything
    bool any = false;
    void add(float x, float y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            wild = true;
            return;
        }
        any = true;
        r.minX = std::min(r.minX, x);
        r.minY = std::min(r.minY, y);
        r.maxX = std::max(r.maxX, x);
        r.maxY = std::max(r.maxY, y);
    }
    void add(const RectF& b) {
        add(b.minX, b.minY);
        add(b.maxX, b.maxY);
    }
    RectF box() const {
        if (wild) return {-kInf, -kInf, kInf, kInf};
        return r;
    }
};

GeomIndex::LineEntry MakeEntry(const Line& l) {
    BoxBuilder b;
    for (const auto& p : l.eval) b.add(p.x, p.y);
    for (const auto& n : l.nodes) b.add(n.x, n.y);
    GeomIndex::LineEntry e;
    e.line = &l;
    e.box = b.box();
    e.evalData = l.eval.data();
    e.evalSize = l.eval.size();
    e.nodeData = l.nodes.data();
    e.nodeSize = l.nodes.size();
    return e;
}

}  // namespace

void GeomIndex::build(const Design& d, int page) {
    parts_.clear();
    lines_.clear();
    ForEachVisiblePart(d, page, [&](const Part& p) {
        PartEntry pe;
        pe.part = &p;
        pe.first = lines_.size();
        BoxBuilder pb;
        for (const auto& l : p.linesA) {
            lines_.push_back(MakeEntry(*l));
            pb.add(lines_.back().box);
        }
        pe.countA = p.linesA.size();
        for (const auto& l : p.linesB) {
            lines_.push_back(MakeEntry(*l));
            pb.add(lines_.back().box);
        }
        pe.countB = p.linesB.size();
        pe.any = pb.any || pb.wild;
        pe.box = pb.box();
        parts_.push_back(pe);
    });
    design_ = &d;
    page_ = page;
    built_ = true;
}

bool GeomIndex::matches(const Design& d, int page) const {
    if (!built_ || design_ != &d || page_ != page) return false;
    size_t k = 0;
    for (const auto& p : d.parts) {
        if (p->page() != page || p->hidden()) continue;
        if (k >= parts_.size() || parts_[k].part != p.get()) return false;
        const PartEntry& pe = parts_[k++];
        if (pe.countA != p->linesA.size() || pe.countB != p->linesB.size()) return false;
        size_t i = pe.first;
        auto same = [&](const Line& l) {
            const LineEntry& e = lines_[i++];
            return e.line == &l && e.evalData == l.eval.data() && e.evalSize == l.eval.size() &&
                   e.nodeData == l.nodes.data() && e.nodeSize == l.nodes.size();
        };
        for (const auto& l : p->linesA)
            if (!same(*l)) return false;
        for (const auto& l : p->linesB)
            if (!same(*l)) return false;
    }
    return k == parts_.size();
}

const GeomIndex::PartEntry* GeomIndex::find(const Part* p) const {
    for (const auto& pe : parts_)
        if (pe.part == p) return &pe;
    return nullptr;
}

}  // namespace rz
