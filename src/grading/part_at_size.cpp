// A part brought to one size of the grading run, as a temporary copy (the output of graded
// pieces lays it onto a sheet); the design is not touched.
#include <cmath>
#include <unordered_map>

#include "commands/draw_common.h"
#include "grading/engine.h"
#include "model/refs.h"

namespace rz {

namespace {

// Old record → its copy, for the references inside one part.
struct PartRemap {
    std::unordered_map<const void*, void*> map;
    template <class T>
    void operator()(T*& p) {
        if (!p) return;
        auto it = map.find(p);
        if (it != map.end()) p = static_cast<T*>(it->second);
    }
    void operator()(KindRef& r) {
        if (!r.ptr) return;
        auto it = map.find(r.ptr);
        if (it != map.end()) r.ptr = it->second;
    }
};

template <class T>
void CopyRecords(const List<T>& src, List<T>& dst, PartRemap& remap) {
    dst.reserve(src.size());
    for (auto& r : src) {
        dst.push_back(std::make_unique<T>(*r));
        remap.map[r.get()] = dst.back().get();
    }
}

void Shift(Shape& s, float dx, float dy) {
    for (auto& pl : s)
        for (PointF& p : pl) p.x += dx, p.y += dy;
}

}  // namespace

std::unique_ptr<Part> PartAtSize(const Design& d, const Part& part, int size) {
    if (!(d.flags & kDesignGraded) || size < 0 || size >= d.n) return nullptr;
    auto out = std::make_unique<Part>();
    static_cast<PartHeader&>(*out) = part;
    PartRemap remap;
    CopyRecords(part.linesA, out->linesA, remap);
    CopyRecords(part.linesB, out->linesB, remap);
    CopyRecords(part.pins, out->pins, remap);
    CopyRecords(part.sizeLabels, out->sizeLabels, remap);
    CopyRecords(part.notches, out->notches, remap);
    CopyRecords(part.motifs, out->motifs, remap);
    CopyRecords(part.texts, out->texts, remap);
    CopyRecords(part.dimensions, out->dimensions, remap);
    CopyRecords(part.basePoints, out->basePoints, remap);
    CopyRecords(part.pointRows, out->pointRows, remap);
    CopyRecords(part.seamAllowances, out->seamAllowances, remap);
    CopyRecords(part.symLineLinks, out->symLineLinks, remap);
    CopyRecords(part.slotLines, out->slotLines, remap);
    CopyRecords(part.marks, out->marks, remap);
    CopyRecords(part.chamfers, out->chamfers, remap);
    CopyRecords(part.symElemLinks, out->symElemLinks, remap);
    CopyRecords(part.sharedZones, out->sharedZones, remap);
    CopyRecords(part.fixedDistances, out->fixedDistances, remap);
    // The copy has no graded lists of its own.
    for (List<Line>* l : {&out->linesA, &out->linesB})
        for (auto& ln : *l) ln->graded = nullptr;
    for (auto& p : out->pins) p->graded = nullptr;
    for (auto& m : out->motifs) m->graded = nullptr;
    VisitPartRefs(*out, remap);

    // Lines, pins and motifs of that size.
    for (size_t li = 0; li < 2; ++li) {
        const List<Line>& src = li == 0 ? part.linesA : part.linesB;
        List<Line>& dst = li == 0 ? out->linesA : out->linesB;
        for (size_t i = 0; i < src.size(); ++i)
            if (const Line* c = GradedCopyAt(*src[i], size)) {
                dst[i]->nodes = c->nodes;
                dst[i]->eval = c->eval;
                dst[i]->second = c->second;
            }
    }
    for (size_t i = 0; i < part.pins.size(); ++i)
        if (const Pin* c = GradedCopyAt(*part.pins[i], size)) {
            out->pins[i]->x = c->x;
            out->pins[i]->y = c->y;
            out->pins[i]->outline = c->outline;
        }
    for (size_t i = 0; i < part.motifs.size(); ++i)
        if (const Motif* c = GradedCopyAt(*part.motifs[i], size)) {
            out->motifs[i]->x = c->x;
            out->motifs[i]->y = c->y;
        }
    for (auto& b : out->basePoints)
        if (b->displacement && size_t(size) < b->displacement->size()) {
            b->x += (*b->displacement)[size_t(size)].a;
            b->y += (*b->displacement)[size_t(size)].b;
        }
    // Labels, notches and texts follow the first base point's scaling.
    if (!part.basePoints.empty() && part.basePoints.front()->factors &&
        size_t(size) < part.basePoints.front()->factors->size()) {
        const BasePoint& b0 = *part.basePoints.front();
        const PairF f = (*b0.factors)[size_t(size)];
        const double a = b0.direction, c = std::cos(a), s = std::sin(a);
        auto scaled = [&](float x, float y) {
            const double dx = double(x) - b0.x, dy = double(y) - b0.y;
            const double u = (c * dx + s * dy) * f.a, w = (-s * dx + c * dy) * f.b;
            return PointF{float(b0.x + c * u - s * w), float(b0.y + s * u + c * w)};
        };
        for (auto& l : out->sizeLabels) {
            const PointF q = scaled(l->x, l->y);
            Shift(l->strokes, q.x - l->x, q.y - l->y);
            l->x = q.x, l->y = q.y;
        }
        for (auto& t : out->texts) {
            const PointF q = scaled(t->x, t->y);
            Shift(t->strokes, q.x - t->x, q.y - t->y);
            t->x = q.x, t->y = q.y;
        }
        for (auto& n : out->notches) {
            const PointF q = scaled(n->x, n->y);
            for (PointF& p : n->outline) p.x += q.x - n->x, p.y += q.y - n->y;
            n->x = q.x, n->y = q.y;
        }
    }
    CompletePart(*out);
    return out;
}

}  // namespace rz
