// A part or piece brought to one size of the grading run, as a temporary copy (the output of
// graded parts and pieces lays it onto a sheet); the design is not touched.
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "commands/draw_common.h"
#include "commands/features.h"
#include "design/pieces.h"
#include "design/rows.h"
#include "design/seam.h"
#include "grading/control_edit.h"
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

PointF ScaleByFirstBasePoint(const Part& part, int size, PointF p) {
    if (part.basePoints.empty() || size < 0) return p;
    const BasePoint& b0 = *part.basePoints.front();
    if (!b0.factors || size_t(size) >= b0.factors->size()) return p;
    const PairF f = (*b0.factors)[size_t(size)];
    const double a = b0.direction, c = std::cos(a), s = std::sin(a);
    const double dx = double(p.x) - b0.x, dy = double(p.y) - b0.y;
    const double u = (c * dx + s * dy) * f.a, w = (-s * dx + c * dy) * f.b;
    return {float(b0.x + c * u - s * w), float(b0.y + s * u + c * w)};
}

namespace {

void FollowFirstBasePoint(const Part& scaler, int size, List<SizeLabel>& labels, List<TextString>& texts,
                          List<Notch>& notches) {
    for (auto& l : labels) {
        const PointF q = ScaleByFirstBasePoint(scaler, size, {l->x, l->y});
        Shift(l->strokes, q.x - l->x, q.y - l->y);
        l->x = q.x, l->y = q.y;
    }
    for (auto& t : texts) {
        const PointF q = ScaleByFirstBasePoint(scaler, size, {t->x, t->y});
        Shift(t->strokes, q.x - t->x, q.y - t->y);
        t->x = q.x, t->y = q.y;
    }
    for (auto& n : notches) {
        const PointF q = ScaleByFirstBasePoint(scaler, size, {n->x, n->y});
        for (PointF& p : n->outline) p.x += q.x - n->x, p.y += q.y - n->y;
        n->x = q.x, n->y = q.y;
    }
}

}  // namespace

std::unique_ptr<Part> PartAtSize(const Design& d, const Part& part, int size,
                                 std::unordered_map<const void*, void*>* map) {
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
    FollowFirstBasePoint(part, size, out->sizeLabels, out->texts, out->notches);
    CompletePart(*out);
    // What hangs on the lines follows them: allowances, symmetry links (hosts of slots), rows,
    // slots, marks, chamfers, dimensions, and the element links that mirror slots.
    for (auto& a : out->seamAllowances) RebuildSeam(*a);
    BuildSymmetryShapes(*out);
    for (auto& r : out->pointRows) RebuildRow(*r);
    RebuildPartFeatures(*out);
    BuildSymmetryShapes(*out);
    if (map) map->insert(remap.map.begin(), remap.map.end());
    return out;
}

namespace {

// Every record of a part a piece may refer to.
template <class F>
void ForEachSourceRecord(const Part& p, F&& f) {
    for (const List<Line>* l : {&p.linesA, &p.linesB})
        for (auto& r : *l) f(r.get());
    for (auto& r : p.seamAllowances) f(r.get());
    for (auto& r : p.symLineLinks) f(r.get());
    for (auto& r : p.pins) f(r.get());
    for (auto& r : p.motifs) f(r.get());
    for (auto& r : p.pointRows) f(r.get());
    for (auto& r : p.slotLines) f(r.get());
    for (auto& r : p.symElemLinks) f(r.get());
    for (auto& r : p.marks) f(r.get());
    for (auto& r : p.chamfers) f(r.get());
}

struct Gather {
    std::unordered_set<const void*>& s;
    template <class T>
    void operator()(T*& p) const {
        if (p) s.insert(p);
    }
    void operator()(KindRef& r) const {
        if (r.ptr) s.insert(r.ptr);
    }
};

}  // namespace

std::optional<SizedPiece> PieceAtSize(const Design& d, const Piece& pc, int size) {
    if (!(d.flags & kDesignGraded) || size < 0 || size >= d.n) return std::nullopt;
    // What the piece refers to outside itself.
    std::unordered_set<const void*> wanted;
    SizedPiece out;
    out.piece = ClonePiece(pc);
    VisitPieceRefs(*out.piece, Gather{wanted});
    // Only the parts it takes something from are brought to the size.
    PartRemap remap;
    std::vector<const Part*> originals;
    for (auto& p : d.parts) {
        bool uses = false;
        ForEachSourceRecord(*p, [&](const void* r) { uses = uses || wanted.count(r) != 0; });
        if (!uses) continue;
        auto at = PartAtSize(d, *p, size, &remap.map);
        if (!at) return std::nullopt;
        out.parts.push_back(std::move(at));
        originals.push_back(p.get());
    }
    VisitPieceRefs(*out.piece, remap);
    // The part whose first base point moves the piece's labels: the one its outline starts in.
    const std::vector<PieceLine*> order = OutlineOrder(*out.piece);
    if (!order.empty())
        for (size_t k = 0; k < out.parts.size() && !out.mainPart; ++k)
            ForEachSourceRecord(*out.parts[k], [&](const void* r) {
                if (r == order.front()->source.ptr) out.mainPart = originals[k];
            });
    Piece& sp = *out.piece;
    // No font: the design is only read for label texts, which the output lays out itself.
    const PieceReport rep = AssemblePiece(const_cast<Design&>(d), sp, nullptr);
    if (!rep.closed) return std::nullopt;
    RebuildPieceFeatures(sp);
    if (out.mainPart) FollowFirstBasePoint(*out.mainPart, size, sp.sizeLabels, sp.texts, sp.notches);
    return out;
}

}  // namespace rz
