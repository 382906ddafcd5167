#include "grading/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "commands/draw_common.h"
#include "model/afterload.h"

namespace rz {

namespace {

bool ValidReference(double v) { return std::isfinite(v) && v > 0.0; }

bool LineWithinLimits(const Line& l) {
    for (const Node& n : l.nodes)
        if (!WithinPatternLimits(n.pt())) return false;
    return true;
}

// A node beyond the model range makes a bad line: its copies are bad lines too.
bool LineIsAbsurd(const Line& l) {
    for (const Node& n : l.nodes)
        if (!InModelRange(n.pt())) return true;
    return false;
}

std::string Format(const char* fmt, int a, int b = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

}  // namespace

// ---------------------------------------------------------------- reference length and width

PairD ReferenceLengthAndWidth(const DesignParams& d, const Part& part, const BasePoint& b) {
    double L = double(d.baseParams[0]) + d.lengthAdj;
    double W = double(d.baseParams[1]) + d.girthAdj;
    const int lm = LengthReferenceMode(b), wm = WidthReferenceMode(b);
    if ((lm == 1 || wm == 1) && part.outline.size() >= 2) {
        // The outline's box in the frame of the part's first base point.
        const double a = part.basePoints.empty() ? 0.0 : double(part.basePoints.front()->direction);
        const double c = std::cos(a), s = std::sin(a);
        double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
        for (PointF p : part.outline) {
            const double x = c * p.x + s * p.y, y = -s * p.x + c * p.y;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
        if (lm == 1) L = (maxX - minX) / 100.0;
        if (wm == 1) W = (maxY - minY) / 100.0;
    }
    auto chord = [](const Line* l, double& v) {
        if (!l || l->nodes.empty()) return;
        const Node &f = l->nodes.front(), &e = l->nodes.back();
        v = std::hypot(double(e.x) - f.x, double(e.y) - f.y) / 100.0;
    };
    if (lm == 2) chord(part.lengthLine(), L);
    if (wm == 2) chord(part.widthLine(), W);
    if (lm == 3) L = b.length;
    if (wm == 3) W = b.width;
    return {L, W};
}

// ---------------------------------------------------------------- part grading

PartGrading::PartGrading(const Design& d, Part& part, int partIndex, const SizeList& list,
                         const std::vector<PairF>& table)
    : part_(part), partIndex_(partIndex), n_(list.n), b_(list.baseIndex) {
    if (part.basePoints.empty() || n_ <= 0) return;
    const BasePoint& first = *part.basePoints.front();
    origin_ = {first.x, first.y};
    angle_ = first.direction;
    if (angle_ != 0.0) cos_ = std::cos(angle_), sin_ = std::sin(angle_);
    bases_.resize(part.basePoints.size());
    for (size_t k = 0; k < bases_.size(); ++k) {
        Base& b = bases_[k];
        b.record = part.basePoints[k].get();
        b.model = {b.record->x, b.record->y};
        b.pos = toFrame({b.record->x, b.record->y});
        b.relDirection = double(b.record->direction) - angle_;
        b.turned = IndependentDirection(*b.record) && b.relDirection != 0.0;
    }
    // Owner chains: within the part, and never round a cycle (files may hold either).
    for (size_t k = 0; k < bases_.size(); ++k) {
        std::vector<bool> seen(bases_.size(), false);
        seen[k] = true;
        int cur = int(k);
        for (;;) {
            const BasePoint* o = bases_[size_t(cur)].record->owner;
            if (!o) break;
            const int j = indexOf(o);
            if (j < 0) {
                warnings_.push_back(Format("部位 %d: 基点 %d 的归属不在本部位", partIndex_, bases_[size_t(cur)].record->index));
                break;
            }
            if (seen[size_t(j)]) {
                warnings_.push_back(Format("部位 %d: 基点 %d 的归属成环", partIndex_, bases_[size_t(cur)].record->index));
                break;
            }
            seen[size_t(j)] = true;
            bases_[k].chain.push_back(j);
            cur = j;
        }
    }
    std::sort(warnings_.begin(), warnings_.end());
    warnings_.erase(std::unique(warnings_.begin(), warnings_.end()), warnings_.end());
    computeFactors(d, list, table);
    computeDisplacements();
    computeMaps();
}

int PartGrading::indexOf(const BasePoint* b) const {
    if (!b) return -1;
    for (size_t k = 0; k < bases_.size(); ++k)
        if (bases_[k].record == b) return int(k);
    return -1;
}

PointD PartGrading::toFrame(PointF p) const {
    if (angle_ == 0.0) return {p.x, p.y};
    const double dx = double(p.x) - origin_.x, dy = double(p.y) - origin_.y;
    return {origin_.x + cos_ * dx + sin_ * dy, origin_.y - sin_ * dx + cos_ * dy};
}

static PointD FromFrameD(PointD p, PointD origin, double angle, double c, double s) {
    if (angle == 0.0) return p;
    const double dx = p.x - origin.x, dy = p.y - origin.y;
    return {origin.x + c * dx - s * dy, origin.y + s * dx + c * dy};
}

PointF PartGrading::fromFrame(PointD p) const {
    PointD m = FromFrameD(p, origin_, angle_, cos_, sin_);
    return {float(m.x), float(m.y)};
}

PointD PartGrading::displacement(int k, int i) const {
    PointD v = displacementInFrame(k, i);
    if (angle_ == 0.0) return v;
    return {cos_ * v.x - sin_ * v.y, sin_ * v.x + cos_ * v.y};
}

PointD PartGrading::scaleVector(int k, int i, PointD v) const {
    const Base& b = bases_[size_t(k)];
    const PairF f = factors(k, i);
    if (!b.turned) return {f.a * v.x, f.b * v.y};
    const double c = std::cos(b.relDirection), s = std::sin(b.relDirection);
    const double u = c * v.x + s * v.y, w = -s * v.x + c * v.y;
    const double su = f.a * u, sw = f.b * w;
    return {c * su - s * sw, s * su + c * sw};
}

void PartGrading::computeFactors(const Design& d, const SizeList& list, const std::vector<PairF>& table) {
    factors_.assign(bases_.size() * size_t(n_), PairF{1.0f, 1.0f});
    const auto perSize = [&](const std::optional<std::vector<PairF>>& a) { return a && int(a->size()) == n_; };
    for (size_t k = 0; k < bases_.size(); ++k) {
        const BasePoint& bp = *bases_[k].record;
        const PairD ref = ReferenceLengthAndWidth(d, part_, bp);
        // Own targets, else the design's, else the steps of the size system.
        const std::vector<PairF>& T = perSize(bp.targets) ? *bp.targets : perSize(d.targets) ? *d.targets : table;
        PairF* f = &factors_[k * size_t(n_)];
        for (int i = 0; i < n_; ++i) {
            const PairD D = CumulativeDifference(T, b_, i);
            const double steps = SizeStepsFromBase(list, d.baseSize, d.step, i);
            double sx = ValidReference(ref.a) ? D.a / ref.a + 1.0 : 1.0;
            double sy = ValidReference(ref.b) ? D.b / ref.b + 1.0 : 1.0;
            if (LengthStepMode(bp) == 1) sx = 1.0;
            if (LengthStepMode(bp) == 2) sx = ValidReference(ref.a) ? steps * bp.lengthStep / ref.a + 1.0 : 1.0;
            if (WidthStepMode(bp) == 1) sy = 1.0;
            if (WidthStepMode(bp) == 2) sy = ValidReference(ref.b) ? steps * bp.widthStep / ref.b + 1.0 : 1.0;
            f[i] = {float(sx), float(sy)};
            finite_ = finite_ && std::isfinite(f[i].a) && std::isfinite(f[i].b);
        }
        // Shared notes: every size of a group takes the factors of the group's first marked
        // size; a group without one collapses onto the base point. A 0 byte is no group: an
        // array filled with zeros (a resize, an old file) would otherwise collapse every size.
        if (bp.sharedNotes && int(bp.sharedNotes->size()) == n_) {
            const std::vector<uint8_t>& notes = *bp.sharedNotes;
            const std::vector<PairF> own(f, f + n_);
            std::vector<bool> handled(size_t(n_), false);
            for (int i = 0; i < n_; ++i) {
                if (handled[size_t(i)] || notes[size_t(i)] == 0) continue;
                const int g = notes[size_t(i)] & 0x7F;
                int rep = -1;
                for (int j = 0; j < n_ && rep < 0; ++j)
                    if ((notes[size_t(j)] & 0x7F) == g && (notes[size_t(j)] & 0x80)) rep = j;
                for (int j = 0; j < n_; ++j) {
                    if ((notes[size_t(j)] & 0x7F) != g || notes[size_t(j)] == 0) continue;
                    f[j] = rep >= 0 ? own[size_t(rep)] : PairF{0.0f, 0.0f};
                    handled[size_t(j)] = true;
                }
            }
        }
    }
}

PointD PartGrading::chainDisplacement(size_t k, int i) const {
    PointD D{};
    PointD c = bases_[k].pos;
    for (int o : bases_[k].chain) {
        const PointD op = bases_[size_t(o)].pos;
        const PointD s = scaleVector(o, i, {c.x - op.x, c.y - op.y});
        D.x += op.x + s.x - c.x;
        D.y += op.y + s.y - c.y;
        c = op;
    }
    return D;
}

void PartGrading::computeDisplacements() {
    disp_.assign(bases_.size() * size_t(n_), PointD{});
    for (size_t k = 0; k < bases_.size(); ++k)
        for (int i = 0; i < n_; ++i) disp_[k * size_t(n_) + size_t(i)] = chainDisplacement(k, i);
}

void PartGrading::computeMaps() {
    maps_.assign(bases_.size() * size_t(n_), PointMap{});
    for (size_t k = 0; k < bases_.size(); ++k) {
        const Base& b = bases_[k];
        // The linear part is the base point's scaling seen from the model: along its own axes,
        // or along the part's when it follows its owner.
        const bool alongAxes = angle_ == 0.0 && !b.turned;
        const double phi = angle_ + (b.turned ? b.relDirection : 0.0);
        const double c = std::cos(phi), s = std::sin(phi);
        for (int i = 0; i < n_; ++i) {
            PointMap& m = maps_[k * size_t(n_) + size_t(i)];
            const PairF f = factors(int(k), i);
            if (alongAxes) {
                m.m00 = f.a, m.m01 = 0, m.m10 = 0, m.m11 = f.b;
            } else {
                m.m00 = c * c * f.a + s * s * f.b;
                m.m11 = s * s * f.a + c * c * f.b;
                m.m01 = m.m10 = c * s * (double(f.a) - f.b);
            }
            m.from = b.model;
            // From the positions as they stand: a base point moved by front symmetry carries
            // the base points hanging from it.
            const PointD D = chainDisplacement(k, i);
            m.to = FromFrameD({b.pos.x + D.x, b.pos.y + D.y}, origin_, angle_, cos_, sin_);
            if (angle_ == 0.0) m.to = {b.model.x + D.x, b.model.y + D.y};
        }
    }
}

PointF PartGrading::scaleByFirst(PointF p, int i) const {
    if (bases_.empty() || i < 0 || i >= n_) return p;
    const PairF f = factors(0, i);
    const PointD o = bases_[0].model;
    const double dx = double(p.x) - o.x, dy = double(p.y) - o.y;
    if (angle_ == 0.0) return {float(o.x + f.a * dx), float(o.y + f.b * dy)};
    const double u = cos_ * dx + sin_ * dy, w = -sin_ * dx + cos_ * dy;
    const double su = f.a * u, sw = f.b * w;
    return {float(o.x + cos_ * su - sin_ * sw), float(o.y + sin_ * su + cos_ * sw)};
}

void PartGrading::markNode(const Line& line, size_t node, uint32_t bits) {
    if (node >= line.nodes.size()) return;
    std::vector<uint32_t>& m = marks_[&line];
    if (m.size() != line.nodes.size()) m.assign(line.nodes.size(), 0);
    m[node] |= bits & kNodeGradingMarks;
}

uint32_t PartGrading::nodeMark(const Line& line, size_t node) const {
    const std::vector<uint32_t>* m = marksOf(line);
    return m && node < m->size() ? (*m)[node] : 0;
}

const std::vector<uint32_t>* PartGrading::marksOf(const Line& line) const {
    auto it = marks_.find(&line);
    return it == marks_.end() ? nullptr : &it->second;
}

void PartGrading::setSource(const void* element, std::vector<PointF> points) {
    sources_[element] = std::move(points);
}

const std::vector<PointF>* PartGrading::sourceOf(const void* element) const {
    auto it = sources_.find(element);
    return it == sources_.end() ? nullptr : &it->second;
}

PointF PartGrading::sourcePoint(const Line& line, size_t j) const {
    const std::vector<PointF>* s = sources_.empty() ? nullptr : sourceOf(&line);
    return s && j < s->size() ? (*s)[j] : line.nodes[j].pt();
}

void PartGrading::moveBasePoint(int k, PointF p) {
    if (k < 0 || size_t(k) >= bases_.size()) return;
    bases_[size_t(k)].model = {p.x, p.y};
    bases_[size_t(k)].pos = toFrame(p);
    computeMaps();
}

void PartGrading::restoreBasePoints() {
    bool moved = false;
    for (Base& b : bases_) {
        const PointD own{b.record->x, b.record->y};
        if (b.model.x != own.x || b.model.y != own.y) {
            b.model = own;
            b.pos = toFrame({b.record->x, b.record->y});
            moved = true;
        }
    }
    if (moved) computeMaps();
}

// ---------------------------------------------------------------- the run

namespace {

// Per-size arrays that do not have the run's size count.
int ForeignSizeArrays(const Design& d, int n) {
    int bad = 0;
    // An empty array was made while there were no sizes: the run sizes it (MendEmptySizeArrays).
    auto check = [&](const auto& a) {
        if (a && !a->empty() && int(a->size()) != n) ++bad;
    };
    check(d.targets);
    for (auto& p : d.parts) {
        check(p->sharedDie);
        for (auto& b : p->basePoints) {
            check(b->targets);
            check(b->sharedNotes);
        }
        for (auto& f : p->fixedDistances) check(f->perSize);
    }
    for (auto& pc : d.pieces) check(pc->sharedDie);
    return bad;
}

// Arrays made while the design had no sizes (a control set before any run) are empty: they take
// the run's size count, zero-filled (no group, no change), and an empty target array is no
// target array.
void MendEmptySizeArrays(Design& d, int n) {
    auto fill = [&](auto& a) {
        if (a && a->empty()) a->resize(size_t(n));
    };
    if (d.targets && d.targets->empty()) d.targets.reset();
    for (auto& p : d.parts) {
        fill(p->sharedDie);
        for (auto& b : p->basePoints) {
            if (b->targets && b->targets->empty()) b->targets.reset();
            fill(b->sharedNotes);
        }
        for (auto& f : p->fixedDistances) fill(f->perSize);
    }
    for (auto& pc : d.pieces) fill(pc->sharedDie);
}

struct Box {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    void add(PointF p) {
        minX = std::min(minX, double(p.x)), maxX = std::max(maxX, double(p.x));
        minY = std::min(minY, double(p.y)), maxY = std::max(maxY, double(p.y));
    }
    bool empty() const { return minX > maxX; }
};

// The map of a base point is affine, so its images of the box's corners bound the images of
// every point inside: a run that would take a point beyond 10 m is refused before anything
// changes.
bool GradedWithinLimits(const PartGrading& g) {
    std::vector<Box> boxes(size_t(g.basePointCount()));
    auto add = [&](const BasePoint* b, PointF p) {
        const int k = g.indexOf(b);
        if (k >= 0 && WithinPatternLimits(p)) boxes[size_t(k)].add(p);
    };
    for (const List<Line>* l : {&g.part().linesA, &g.part().linesB})
        for (auto& ln : *l)
            if (ln->basePoint && LineWithinLimits(*ln))
                for (const Node& n : ln->nodes) add(ln->basePoint, n.pt());
    for (auto& p : g.part().pins) add(p->basePoint, {p->x, p->y});
    for (auto& m : g.part().motifs) add(m->basePoint, {m->x, m->y});
    for (size_t k = 0; k < boxes.size(); ++k) {
        const Box& b = boxes[k];
        if (b.empty()) continue;
        for (int i = 0; i < g.sizeCount(); ++i)
            for (PointF c : {PointF{float(b.minX), float(b.minY)}, PointF{float(b.maxX), float(b.minY)},
                             PointF{float(b.minX), float(b.maxY)}, PointF{float(b.maxX), float(b.maxY)}})
                if (!WithinPatternLimits(g.transform(c, int(k), i))) return false;
    }
    return true;
}

void FreeDerived(Design& d) {
    d.stepTable.reset();
    d.outputSelection.reset();
    for (auto& p : d.parts)
        for (auto& b : p->basePoints) {
            b->factors.reset();
            b->displacement.reset();
        }
}

struct CopyCounts {
    int lines = 0, pins = 0, motifs = 0, foreign = 0, far = 0;
};

// Step 7: N copies of every line of lines A then B, every pin and every motif with a base point.
void MakeCopies(PartGrading& g, std::vector<Line*>& evaluate, CopyCounts& counts) {
    Part& part = g.part();
    const int n = g.sizeCount();
    auto baseOf = [&](const BasePoint* b) {
        const int k = g.indexOf(b);
        if (b && k < 0) ++counts.foreign;
        return k;
    };
    for (List<Line>* list : {&part.linesA, &part.linesB}) {
        for (auto& src : *list) {
            const int k = baseOf(src->basePoint);
            if (k < 0) continue;
            // Lines beyond the pattern limits are copied as they are, and bad lines stay bad.
            const bool inside = LineWithinLimits(*src);
            const bool absurd = !inside && LineIsAbsurd(*src);
            if (!inside) ++counts.far;
            const std::vector<uint32_t>* marks = g.marksOf(*src);
            const std::vector<PointF>* mirrored = g.sourceOf(src.get());
            if (mirrored && mirrored->size() != src->nodes.size()) mirrored = nullptr;
            Line* prev = nullptr;
            for (int i = 0; i < n; ++i) {
                auto c = std::make_unique<Line>();
                c->nodes = src->nodes;
                const PartGrading::PointMap& m = g.pointMap(k, i);
                for (size_t j = 0; j < c->nodes.size(); ++j) {
                    Node& node = c->nodes[j];
                    node.word &= ~kNodeGradingMarks;
                    if (!inside) continue;
                    const PointF from = mirrored ? (*mirrored)[j] : node.pt();
                    // Marked nodes keep their (scratch) base position until their control places them.
                    const PointF q = marks && (*marks)[j] ? from : m.apply(from);
                    node.x = q.x;
                    node.y = q.y;
                }
                // A line the user hid stays hidden in every size.
                c->flags = (src->flags & ~kFlagTransient) | (src->flags & kFlagHidden) | kLineGradedCopy;
                c->valueA = src->valueA;
                c->valueB = src->valueB;
                c->colour = src->colour;
                c->margin = src->margin;
                c->startExt = src->startExt;
                c->endExt = src->endExt;
                c->basePoint = src->basePoint;
                c->frontSym = src->frontSym;
                Line* raw = c.get();
                (prev ? prev->graded : src->graded) = raw;
                prev = raw;
                part.gradedLines.push_back(std::move(c));
                if (!absurd) evaluate.push_back(raw);
                ++counts.lines;
            }
        }
    }
    // Pins and motifs: only the position grades; diameter, shape (relative to the position)
    // and flags are copied.
    auto positioned = [&](auto& list, auto& graded, int& count, auto fill) {
        for (auto& src : list) {
            const int k = baseOf(src->basePoint);
            if (k < 0) continue;
            const bool inside = WithinPatternLimits({src->x, src->y});
            if (!inside) ++counts.far;
            const std::vector<PointF>* mirrored = g.sourceOf(src.get());
            const PointF from = mirrored && mirrored->size() == 1 ? mirrored->front() : PointF{src->x, src->y};
            using T = std::remove_reference_t<decltype(*src)>;
            T* prev = nullptr;
            for (int i = 0; i < n; ++i) {
                auto c = std::make_unique<T>();
                const PointF q = inside ? g.transform(from, k, i) : PointF{src->x, src->y};
                c->x = q.x;
                c->y = q.y;
                fill(*c, *src);
                c->flags = (src->flags & ~kFlagTransient) | (src->flags & kFlagHidden) | kElementGradedCopy;
                c->basePoint = src->basePoint;
                c->frontSym = src->frontSym;
                T* raw = c.get();
                (prev ? prev->graded : src->graded) = raw;
                prev = raw;
                graded.push_back(std::move(c));
                ++count;
            }
        }
    };
    positioned(part.pins, part.gradedPins, counts.pins, [](Pin& c, const Pin& s) { c.diameter = s.diameter; });
    positioned(part.motifs, part.gradedMotifs, counts.motifs, [](Motif& c, const Motif& s) { c.shape = s.shape; });
}

}  // namespace

GradeReport GradeDesign(Design& d, const TSmooth& smooth, const GradeOptions& options) {
    GradeReport r;
    // Everything that can refuse the run is checked before anything changes.
    const SizeList list = MakeSizeList(d);
    if (!list.ok()) {
        r.error = "不能扩缩：" + SizeListProblem(list.status) + "。";
        return r;
    }
    if (int bad = ForeignSizeArrays(d, list.n)) {
        r.error = Format("不能扩缩：有 %d 组号数说明（目标参数、共用、共模或定距说明）的号数与扩缩范围的 %d 个号不符。",
                         bad, list.n);
        return r;
    }
    r.n = list.n;
    r.baseIndex = list.baseIndex;
    const std::vector<PairF> table = BuildStepTable(d, list);
    std::vector<std::unique_ptr<PartGrading>> parts(d.parts.size());
    for (size_t pi = 0; pi < d.parts.size(); ++pi) {
        Part& p = *d.parts[pi];
        if (p.basePoints.empty()) continue;
        parts[pi] = std::make_unique<PartGrading>(d, p, int(pi), list, table);
        if (!parts[pi]->factorsFinite()) {
            r.error = Format("不能扩缩：部位 %d 的扩缩系数不是有效的数。", int(pi));
            return r;
        }
        if (!GradedWithinLimits(*parts[pi])) {
            r.error = Format("不能扩缩：部位 %d 扩缩后会超出离原点10米的范围。", int(pi));
            return r;
        }
    }

    ClearGrading(d);
    MendEmptySizeArrays(d, list.n);
    d.n = list.n;
    d.baseIndex = list.baseIndex;
    d.stepTable = table;
    d.outputSelection = std::vector<uint8_t>(size_t(list.n), 0);
    // Marks left in node words (from files) would keep nodes from being graded.
    for (auto& p : d.parts)
        for (List<Line>* l : {&p->linesA, &p->linesB})
            for (auto& ln : *l)
                for (Node& node : ln->nodes) node.word &= ~kNodeGradingMarks;

    // Each part's copies are evaluated (by helper threads) while the next part is graded: the
    // copies of one part are not touched by the grading of another.
    LineEvaluator evaluator(smooth, options.threads);
    std::vector<Line*> evaluate;
    GradingControls none;
    GradingControls& controls = options.controls ? *options.controls : none;
    for (size_t pi = 0; pi < parts.size(); ++pi) {
        if (!parts[pi]) continue;
        PartGrading& g = *parts[pi];
        controls.prepare(g);
        controls.frontSymmetryBefore(g);
        CopyCounts counts;
        MakeCopies(g, evaluate, counts);
        controls.applySharedZones(g);
        controls.frontSymmetryAfter(g);
        controls.applyFixedDistances(g);
        // The copies' node words were cleared of marks as they were made, and the controls mark
        // only in the run's own table (PartGrading::markNode): nothing to clear here.
        Part& part = g.part();
        if (options.evaluate) evaluator.add(evaluate);
        evaluate.clear();
        for (auto& pin : part.gradedPins) pin->outline = PinOutline(pin->x, pin->y, pin->diameter);
        for (int k = 0; k < g.basePointCount(); ++k) {
            BasePoint& bp = *part.basePoints[size_t(k)];
            bp.factors.emplace(size_t(list.n));
            bp.displacement.emplace(size_t(list.n));
            for (int i = 0; i < list.n; ++i) {
                (*bp.factors)[size_t(i)] = g.factors(k, i);
                const PointD v = g.displacement(k, i);
                (*bp.displacement)[size_t(i)] = {float(v.x), float(v.y)};
            }
        }
        r.lines += counts.lines;
        r.pins += counts.pins;
        r.motifs += counts.motifs;
        for (const std::string& w : g.warnings()) r.warnings.push_back(w);
        if (counts.foreign)
            r.warnings.push_back(Format("部位 %d: %d 个元素的基点不在本部位，未扩缩", int(pi), counts.foreign));
        if (counts.far)
            r.warnings.push_back(Format("部位 %d: %d 个元素在离原点10米以外，未扩缩", int(pi), counts.far));
    }
    evaluator.finish();
    d.updateGradedFlag();
    if (!(d.flags & kDesignGraded)) FreeDerived(d);
    r.ok = true;
    return r;
}

bool ClearGrading(Design& d) {
    const bool had = d.hasGradedLists() || (d.flags & kDesignGraded);
    ClearGradingResults(d);
    FreeDerived(d);
    // The base-index field held the size shown; it names the base size again.
    const SizeList list = MakeSizeList(d, 32767);
    if (list.n > 0 && list.status != SizeListStatus::NoStep && list.status != SizeListStatus::Reversed)
        d.baseIndex = list.baseIndex;
    return had;
}

}  // namespace rz
