// The grading run (鞋样扩缩): for every part with base points, one graded copy of each line, pin
// and motif that names a base point, for each size of the size list. The base-size pattern is
// never changed: every part is graded in a frame turned by its first base point's direction,
// kept in double precision, and each base point scales about its own position after its
// owners have moved it.
//
//     GradeReport r = GradeDesign(doc.design, doc.smooth);
//     if (!r.ok) platform.warn(r.error);   // nothing was changed
//
// The grading controls (front symmetry, shared zones, fixed distances) hook into the run
// through GradingControls; without them every element is graded plainly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "geom/smooth.h"
#include "model/design.h"
#include "model/sizes.h"

namespace rz {

// Transient node marks set during a run on nodes that a fixed distance (bit 17) or a shared zone
// (bit 18) places; marked nodes are skipped by the plain transform.
constexpr uint32_t kNodeFixedMark = 0x20000u;
constexpr uint32_t kNodeSharedMark = 0x40000u;
constexpr uint32_t kNodeGradingMarks = kNodeFixedMark | kNodeSharedMark;
// Graded copies: line flag bit 25, pin and motif flag bit 20.
constexpr uint32_t kLineGradedCopy = 1u << 25;
constexpr uint32_t kElementGradedCopy = 1u << 20;

// Base-point modes (flag fields).
inline int LengthReferenceMode(const BasePoint& b) { return int(b.flags & 0xFu); }
inline int WidthReferenceMode(const BasePoint& b) { return int((b.flags >> 4) & 0xFu); }
inline int LengthStepMode(const BasePoint& b) { return int((b.flags >> 8) & 0xFu); }
inline int WidthStepMode(const BasePoint& b) { return int((b.flags >> 12) & 0xFu); }
inline bool IndependentDirection(const BasePoint& b) { return !(b.flags & kBaseFollowsOwner); }

struct PointD {
    double x = 0.0, y = 0.0;
};

// The reference length and width of a base point in mm (before the factor rule: a value that is
// not a positive number gives factor 1).
PairD ReferenceLengthAndWidth(const DesignParams& d, const Part& part, const BasePoint& b);

// One part's grading: the base points in the part's turned frame, their owner chains, factors,
// displacements and the affine map of every (base point, size). Built from the design without
// changing it.
class PartGrading {
public:
    // `table`: the step table of the run; `list`: its size list.
    PartGrading(const Design& d, Part& part, int partIndex, const SizeList& list, const std::vector<PairF>& table);

    Part& part() const { return part_; }
    int partIndex() const { return partIndex_; }
    int sizeCount() const { return n_; }
    int baseIndex() const { return b_; }
    int basePointCount() const { return int(bases_.size()); }
    const BasePoint& basePoint(int k) const { return *bases_[size_t(k)].record; }
    // Index of a base point of this part; −1 for null or a base point of another part.
    int indexOf(const BasePoint* b) const;
    // False when some factor is not a finite number (the run is refused).
    bool factorsFinite() const { return finite_; }
    // Problems found in the part (owners outside it, owner cycles), for the report.
    const std::vector<std::string>& warnings() const { return warnings_; }

    // The turned frame: positions turned by −(first base point's direction) about its position.
    double frameAngle() const { return angle_; }
    PointD toFrame(PointF p) const;
    PointF fromFrame(PointD p) const;

    PairF factors(int k, int i) const { return factors_[size_t(k) * size_t(n_) + size_t(i)]; }
    // Movement of base point k in size i, in the turned frame and in model coordinates.
    PointD displacementInFrame(int k, int i) const { return disp_[size_t(k) * size_t(n_) + size_t(i)]; }
    PointD displacement(int k, int i) const;
    // The point transform for size i with base point k, in model coordinates: affine, so it is
    // kept per (base point, size) as the base point's graded position and a linear part.
    struct PointMap {
        double m00 = 1, m01 = 0, m10 = 0, m11 = 1;
        PointD from, to;  // the base point's position and its graded position
        PointF apply(PointF p) const {
            const double dx = double(p.x) - from.x, dy = double(p.y) - from.y;
            return {float(to.x + m00 * dx + m01 * dy), float(to.y + m10 * dx + m11 * dy)};
        }
    };
    const PointMap& pointMap(int k, int i) const { return maps_[size_t(k) * size_t(n_) + size_t(i)]; }
    PointF transform(PointF p, int k, int i) const { return pointMap(k, i).apply(p); }
    // Image of p under the first base point's own scaling for size i, about its position and
    // along its direction (靠齐, texts and labels of the output).
    PointF scaleByFirst(PointF p, int i) const;

    // Run-local node marks (bits 17 and 18) that the controls set on nodes of lines A and B;
    // the node words themselves carry no marks.
    void markNode(const Line& line, size_t node, uint32_t bits);
    uint32_t nodeMark(const Line& line, size_t node) const;
    // The marks of a line (one word per node), or null when none of its nodes is marked.
    const std::vector<uint32_t>* marksOf(const Line& line) const;

    // Scratch positions the copies are graded from in place of an element's own (front symmetry
    // grades an element from its mirror image): one point per node of a line, one for a pin or
    // motif. The base records are never written, so nothing drifts by rounding.
    void setSource(const void* element, std::vector<PointF> points);
    const std::vector<PointF>* sourceOf(const void* element) const;
    // Node j of a line as the copies are graded from it.
    PointF sourcePoint(const Line& line, size_t j) const;
    void clearSources() { sources_.clear(); }
    // Grades base point k as if it stood at p (front symmetry): the maps of it and of the base
    // points hanging from it follow; factors and the reported displacement stay.
    void moveBasePoint(int k, PointF p);
    // Every base point back at its own position.
    void restoreBasePoints();

private:
    struct Base {
        const BasePoint* record = nullptr;
        PointD pos;              // in the frame
        PointD model;            // model position
        double relDirection = 0; // direction relative to the first base point's
        bool turned = false;     // scales along its own axes
        std::vector<int> chain;  // owners above it, nearest first
    };
    PointD scaleVector(int k, int i, PointD v) const;  // S_k,i in the frame
    void computeFactors(const Design& d, const SizeList& list, const std::vector<PairF>& table);
    void computeDisplacements();
    void computeMaps();
    PointD chainDisplacement(size_t k, int i) const;

    Part& part_;
    int partIndex_ = 0;
    int n_ = 0, b_ = 0;
    double angle_ = 0, cos_ = 1, sin_ = 0;
    PointD origin_;
    std::vector<Base> bases_;
    std::vector<PairF> factors_;
    std::vector<PointD> disp_;
    std::vector<PointMap> maps_;
    bool finite_ = true;
    std::vector<std::string> warnings_;
    std::unordered_map<const Line*, std::vector<uint32_t>> marks_;
    std::unordered_map<const void*, std::vector<PointF>> sources_;
};

// The grading controls hook into the run at fixed points of every part with base points. The
// run calls them in this order; each works on the part's copies of all sizes.
class GradingControls {
public:
    virtual ~GradingControls() = default;
    // Shared zones and fixed distances prepare their data and mark the nodes they place.
    virtual void prepare(PartGrading&) {}
    // Front symmetry: before the copies are made, and after shared zones were applied.
    virtual void frontSymmetryBefore(PartGrading&) {}
    virtual void applySharedZones(PartGrading&) {}
    virtual void frontSymmetryAfter(PartGrading&) {}
    // Fixed distances, after everything else and before the copies are evaluated.
    virtual void applyFixedDistances(PartGrading&) {}
};

struct GradeOptions {
    GradingControls* controls = nullptr;
    unsigned threads = 0;  // 0: one per core for large designs
    bool evaluate = true;  // evaluate the graded line copies
};

struct GradeReport {
    bool ok = false;
    std::string error;  // why the run was refused; the design is then unchanged
    int n = 0, baseIndex = 0;
    int lines = 0, pins = 0, motifs = 0;  // graded copies made
    std::vector<std::string> warnings;
};

// The grading run. Refused, with nothing changed, when the size range gives no usable size list
// (step not positive, from above to, more than 30 sizes), when per-size arrays of the design have
// another size count, when a factor is not a finite number, or when a graded point would lie
// beyond 10 m from the origin.
GradeReport GradeDesign(Design& d, const TSmooth& smooth, const GradeOptions& options = {});

// Frees every grading result: graded copies, design flag bit 19, the step table, the output
// selection and the base points' factors and displacements; the base-index field goes back to
// the base size's index (it holds the size shown while results exist). False when there were no
// results.
bool ClearGrading(Design& d);

// The graded copy of size i of a line, pin or motif (following the chain of copies); null when
// the element has no copy of that size.
template <class T>
T* GradedCopyAt(const T& element, int size) {
    if (size < 0) return nullptr;
    T* c = element.graded;
    for (int i = 0; i < size && c; ++i) c = c->graded;
    return c;
}

// A temporary copy of a part at size i of the last grading run: lines, pins and motifs take
// their graded copies (or stay as they are without one), base points their graded positions,
// size labels, notches and text strings the scaling of the first base point; the part's own
// derived data is rebuilt. The design is not changed. Null when the design has no grading
// results or i is not a size of the run.
// `map`, when given, receives each record of the part → its copy (for pieces that take stretches
// and members from the part).
std::unique_ptr<Part> PartAtSize(const Design& d, const Part& part, int size,
                                 std::unordered_map<const void*, void*>* map = nullptr);

// Where p goes in size i under the scaling of the part's first base point (labels, texts and
// notches follow it); p itself without grading results for that size or without a base point.
PointF ScaleByFirstBasePoint(const Part& part, int size, PointF p);

// A piece at size i of the last grading run, in scratch: copies of the parts it takes stretches,
// members or hosts from, at that size, and a copy of the piece that refers to them, assembled
// with its own features built; labels, texts and notches moved by the scaling of `mainPart`'s
// first base point. The design is not changed.
struct SizedPiece {
    std::vector<std::unique_ptr<Part>> parts;
    std::unique_ptr<Piece> piece;
    const Part* mainPart = nullptr;  // the source part of the first outline line (the original)
};
// Null when the design has no grading results, i is not a size of the run, a source part cannot
// be brought to that size, or the outline does not close at that size.
std::optional<SizedPiece> PieceAtSize(const Design& d, const Piece& pc, int size);

}  // namespace rz
