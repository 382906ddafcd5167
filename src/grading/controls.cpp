#include "grading/controls.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <unordered_map>

#include "geom/polyline.h"
#include "geom/stretch.h"

namespace rz {

std::optional<ControlSet> ParseControlSet(const std::string& text) {
    if (text == "all") return ControlSet{};
    if (text == "none") return ControlSet{false, false, false};
    ControlSet s{false, false, false};
    std::istringstream in(text);
    std::string item;
    int count = 0;
    while (std::getline(in, item, ',')) {
        if (item == "front") s.front = true;
        else if (item == "shared") s.shared = true;
        else if (item == "fixed") s.fixed = true;
        else return std::nullopt;
        ++count;
    }
    if (count == 0) return std::nullopt;
    return s;
}

// ---------------------------------------------------------------- positions along a line

namespace {

// A lower bound of the squared distance from p to every cell of a grid (cols × rows cells of
// size `cell` from (minX, minY)) outside the square of rings 0..r about cell (cx, cy): the
// nearest of the grid's strips beyond the square's four sides; HUGE_VAL when the square covers
// the grid. A search that has found a node nearer than this can stop.
class RingBound {
public:
    RingBound(PointF p, double minX, double minY, double cell, int cols, int rows, int cx, int cy)
        : px_(p.x), py_(p.y), minX_(minX), minY_(minY), cell_(cell), cols_(cols), rows_(rows), cx_(cx), cy_(cy) {
        const double gx = std::max(std::max(minX - px_, 0.0), px_ - (minX + cols * cell));
        const double gy = std::max(std::max(minY - py_, 0.0), py_ - (minY + rows * cell));
        gx2_ = gx * gx, gy2_ = gy * gy;
    }
    double beyond2(int r) const {
        double d2 = HUGE_VAL;
        auto side = [&](double d, double across2) {
            d = std::max(d, 0.0);
            d2 = std::min(d2, d * d + across2);
        };
        if (cx_ + r + 1 < cols_) side(minX_ + (cx_ + r + 1) * cell_ - px_, gy2_);
        if (cx_ - r > 0) side(px_ - (minX_ + (cx_ - r) * cell_), gy2_);
        if (cy_ + r + 1 < rows_) side(minY_ + (cy_ + r + 1) * cell_ - py_, gx2_);
        if (cy_ - r > 0) side(py_ - (minY_ + (cy_ - r) * cell_), gx2_);
        // Less a hair, so that rounding never ends a search a ring early.
        return d2 * (1.0 - 1e-9);
    }

private:
    double px_, py_, minX_, minY_, cell_;
    int cols_, rows_, cx_, cy_;
    double gx2_ = 0, gy2_ = 0;
};

// Nearest points on a long polyline: its segments binned in a grid, searched ring by ring
// outwards from the query's cell, so that every node of a long line finds its place in about
// constant time.
class SegmentGrid {
public:
    explicit SegmentGrid(const Polyline& pts) : pts_(pts) {
        arc_.assign(pts.size(), 0.0);
        double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
        for (size_t k = 0; k < pts.size(); ++k) {
            if (k) arc_[k] = arc_[k - 1] + std::hypot(double(pts[k].x) - pts[k - 1].x, double(pts[k].y) - pts[k - 1].y);
            minX = std::min(minX, double(pts[k].x)), maxX = std::max(maxX, double(pts[k].x));
            minY = std::min(minY, double(pts[k].y)), maxY = std::max(maxY, double(pts[k].y));
        }
        minX_ = minX, minY_ = minY;
        const double segs = double(pts.size() - 1);
        cell_ = std::max(arc_.back() / segs * 2.0, 1.0);
        cols_ = std::clamp(int((maxX - minX) / cell_) + 1, 1, 1024);
        rows_ = std::clamp(int((maxY - minY) / cell_) + 1, 1, 1024);
        cell_ = std::max({cell_, (maxX - minX) / (cols_ - 0.5), (maxY - minY) / (rows_ - 0.5)});
        cells_.resize(size_t(cols_) * size_t(rows_));
        for (size_t k = 1; k < pts.size(); ++k) {
            const int x0 = cx(std::min(pts[k - 1].x, pts[k].x)), x1 = cx(std::max(pts[k - 1].x, pts[k].x));
            const int y0 = cy(std::min(pts[k - 1].y, pts[k].y)), y1 = cy(std::max(pts[k - 1].y, pts[k].y));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) cells_[size_t(y) * size_t(cols_) + size_t(x)].push_back(int(k));
        }
    }
    double total() const { return arc_.back(); }
    // Arc length of the point of the polyline nearest p (the earliest of equally near ones).
    double lengthTo(PointF p) const {
        double best = HUGE_VAL, at = 0.0;
        int bestSeg = -1;
        auto consider = [&](int k) {
            const PointF a = pts_[size_t(k - 1)], b = pts_[size_t(k)];
            const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, l2 = ux * ux + uy * uy;
            double t = l2 > 0 ? ((double(p.x) - a.x) * ux + (double(p.y) - a.y) * uy) / l2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double dx = a.x + t * ux - p.x, dy = a.y + t * uy - p.y, d = dx * dx + dy * dy;
            if (d < best || (d == best && k < bestSeg)) best = d, bestSeg = k, at = arc_[size_t(k - 1)] + t * std::sqrt(l2);
        };
        const int qx = cx(p.x), qy = cy(p.y);
        const RingBound bound(p, minX_, minY_, cell_, cols_, rows_, qx, qy);
        for (int r = 0; r <= std::max(cols_, rows_); ++r) {
            for (int y = qy - r; y <= qy + r; ++y) {
                if (y < 0 || y >= rows_) continue;
                const bool edge = y == qy - r || y == qy + r;
                for (int x = qx - r; x <= qx + r; x += edge ? 1 : 2 * r) {
                    if (x >= 0 && x < cols_)
                        for (int k : cells_[size_t(y) * size_t(cols_) + size_t(x)]) consider(k);
                    if (r == 0) break;
                }
            }
            if (bestSeg >= 0 && bound.beyond2(r) > best) break;
        }
        return at;
    }

private:
    int cx(double x) const { return std::clamp(int(std::floor((x - minX_) / cell_)), 0, cols_ - 1); }
    int cy(double y) const { return std::clamp(int(std::floor((y - minY_) / cell_)), 0, rows_ - 1); }
    const Polyline& pts_;
    std::vector<double> arc_;
    double minX_ = 0, minY_ = 0, cell_ = 1;
    int cols_ = 1, rows_ = 1;
    std::vector<std::vector<int>> cells_;
};

// |(x, y)| as std::hypot gives it, where comparing it with `best` or `away` depends on it;
// elsewhere the plain root, which lies within a few ulps of it and so decides those comparisons
// alike at a fraction of the cost.
double OnCurveDistance(double x, double y, double best, double away) {
    constexpr double kSlack = 1e-12;
    const double e = std::sqrt(x * x + y * y);
    if (!std::isfinite(e) || e <= best * (1.0 + kSlack) || (std::isfinite(away) && std::abs(e - away) <= away * kSlack))
        return std::hypot(x, y);
    return e;
}

}  // namespace

std::vector<double> NodeFractions(const Line& line) {
    std::vector<double> out;
    const Polyline& ev = line.eval;
    if (ev.size() < 2 || line.nodes.empty()) return out;
    out.reserve(line.nodes.size());
    std::vector<double> arc(ev.size(), 0.0);
    for (size_t k = 1; k < ev.size(); ++k)
        arc[k] = arc[k - 1] + std::hypot(double(ev[k].x) - ev[k - 1].x, double(ev[k].y) - ev[k - 1].y);
    const double total = arc.back();
    const bool big = ev.size() >= 64 && line.nodes.size() >= 64;
    std::optional<SegmentGrid> grid;  // built when a node is off the curve
    // Most curves pass through their nodes in order (within the simplification's tolerance): a
    // node lying on one of the next segments is placed there; others (off-curve methods, loops)
    // take the nearest point of the whole line.
    constexpr size_t kLookAhead = 64;
    constexpr double kOnCurve = 2.0;
    size_t cursor = 1;  // the segment ending at vertex `cursor`
    for (const Node& n : line.nodes) {
        if (!(total > 0.0)) {
            out.push_back(0.0);
            continue;
        }
        double s = -1.0, best = HUGE_VAL;
        size_t bestSeg = 0;
        for (size_t k = cursor; k < ev.size() && k < cursor + kLookAhead; ++k) {
            const PointF a = ev[k - 1], b = ev[k];
            const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, l2 = ux * ux + uy * uy;
            const double t = l2 > 0 ? std::clamp(((double(n.x) - a.x) * ux + (double(n.y) - a.y) * uy) / l2, 0.0, 1.0) : 0.0;
            const double ex = a.x + t * ux - n.x, ey = a.y + t * uy - n.y;
            const double d = OnCurveDistance(ex, ey, best, best <= kOnCurve ? best + 100.0 : HUGE_VAL);
            if (d < best) best = d, bestSeg = k, s = arc[k - 1] + t * std::sqrt(l2);
            else if (best <= kOnCurve && d > best + 100.0) break;  // moving away from it
        }
        if (best <= kOnCurve) {
            cursor = bestSeg;
        } else {
            if (big && !grid) grid.emplace(ev);
            s = big ? grid->lengthTo(n.pt()) : PolyLengthTo(ev, n.pt()).length;
        }
        out.push_back(std::clamp(s / total, 0.0, 1.0));
    }
    // Fraction 0 is the first node and 1 the last, whatever the evaluation did at the ends.
    out.front() = 0.0;
    out.back() = 1.0;
    return out;
}

std::optional<std::array<int, 4>> StretchNodes(const std::vector<double>& pos, const std::array<float, 4>& f) {
    const int n = int(pos.size());
    if (n == 0) return std::nullopt;
    for (float v : f)
        if (!std::isfinite(v)) return std::nullopt;
    constexpr double kAt = 1e-6;  // a node that coincides with the point counts as at it
    auto firstAtOrAfter = [&](double t) {
        if (t <= 0.0) return 0;
        for (int j = 0; j < n; ++j)
            if (pos[size_t(j)] >= t - kAt) return j;
        return n;  // past the end: no node
    };
    auto lastAtOrBefore = [&](double t) {
        if (t >= 1.0) return n - 1;
        for (int j = n - 1; j >= 0; --j)
            if (pos[size_t(j)] <= t + kAt) return j;
        return -1;
    };
    std::array<int, 4> i{firstAtOrAfter(f[0]), firstAtOrAfter(f[1]), lastAtOrBefore(f[2]), lastAtOrBefore(f[3])};
    if (i[0] == 0 && i[1] > 0) i[0] = 1;
    if (i[3] == n - 1 && i[2] < i[3]) i[3] = n - 2;
    if (!(0 <= i[0] && i[0] <= i[1] && i[1] <= i[2] && i[2] <= i[3] && i[3] < n)) return std::nullopt;
    return i;
}

std::optional<std::array<int, 4>> StretchNodes(const Line& line, const std::array<float, 4>& f) {
    return StretchNodes(NodeFractions(line), f);
}

PointF MirrorAcross(PointF p, PointF a, PointF b) { return MirrorAxis(a, b)(p); }

std::string AxisProblem(const Line& line, float tolerance) {
    if (line.nodes.size() < 2) return "对称轴必须是直线！";
    const PointF a = line.nodes.front().pt(), b = line.nodes.back().pt();
    const double chord = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    // A zero chord has no direction: the distance test below would divide by it.
    if (!(chord >= 0.01)) return "对称轴必须是直线！";
    const Polyline& pts = line.eval.empty() ? Polyline{} : line.eval;
    auto off = [&](PointF p) {
        return std::abs((double(b.x) - a.x) * (double(p.y) - a.y) - (double(b.y) - a.y) * (double(p.x) - a.x)) / chord;
    };
    for (PointF p : pts)
        if (off(p) > tolerance) return "对称轴必须是直线！";
    for (const Node& n : line.nodes)
        if (off(n.pt()) > tolerance) return "对称轴必须是直线！";
    return {};
}

// ---------------------------------------------------------------- nearest master node

NearestNodeIndex::NearestNodeIndex(const std::vector<Node>& nodes) : nodes_(nodes) {
    if (nodes.size() < 64) return;  // a scan is faster
    double maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    minX_ = minY_ = HUGE_VAL;
    for (const Node& n : nodes) {
        minX_ = std::min(minX_, double(n.x)), minY_ = std::min(minY_, double(n.y));
        maxX = std::max(maxX, double(n.x)), maxY = std::max(maxY, double(n.y));
    }
    if (!std::isfinite(minX_) || !std::isfinite(maxX) || !std::isfinite(minY_) || !std::isfinite(maxY)) return;
    const double w = std::max(maxX - minX_, 1.0), h = std::max(maxY - minY_, 1.0);
    // About two nodes a cell.
    cell_ = std::max(std::sqrt(w * h * 2.0 / double(nodes.size())), 1.0);
    cols_ = std::clamp(int(w / cell_) + 1, 1, 2048);
    rows_ = std::clamp(int(h / cell_) + 1, 1, 2048);
    cell_ = std::max(w / (cols_ - 0.5), h / (rows_ - 0.5));
    std::vector<int> count(size_t(cols_) * size_t(rows_) + 1, 0);
    std::vector<int> cellOf(nodes.size());
    for (size_t k = 0; k < nodes.size(); ++k) {
        const int cx = std::clamp(int((nodes[k].x - minX_) / cell_), 0, cols_ - 1);
        const int cy = std::clamp(int((nodes[k].y - minY_) / cell_), 0, rows_ - 1);
        cellOf[k] = cy * cols_ + cx;
        ++count[size_t(cellOf[k]) + 1];
    }
    for (size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
    start_ = count;
    items_.assign(nodes.size(), 0);
    for (size_t k = 0; k < nodes.size(); ++k) items_[size_t(count[size_t(cellOf[k])]++)] = int(k);
}

int NearestNodeIndex::nearest(PointF p) const {
    int best = -1;
    double bestD = HUGE_VAL;
    auto consider = [&](int k) {
        const double dx = double(nodes_[size_t(k)].x) - p.x, dy = double(nodes_[size_t(k)].y) - p.y;
        const double d = dx * dx + dy * dy;
        if (d < bestD || (d == bestD && k < best)) bestD = d, best = k;
    };
    if (cols_ == 0) {
        for (size_t k = 0; k < nodes_.size(); ++k) consider(int(k));
        return best;
    }
    const int cx = std::clamp(int(std::floor((p.x - minX_) / cell_)), 0, cols_ - 1);
    const int cy = std::clamp(int(std::floor((p.y - minY_) / cell_)), 0, rows_ - 1);
    const RingBound bound(p, minX_, minY_, cell_, cols_, rows_, cx, cy);
    for (int r = 0; r <= std::max(cols_, rows_); ++r) {
        for (int y = cy - r; y <= cy + r; ++y) {
            if (y < 0 || y >= rows_) continue;
            const bool edgeRow = y == cy - r || y == cy + r;
            for (int x = cx - r; x <= cx + r; x += edgeRow ? 1 : 2 * r) {
                if (x >= 0 && x < cols_) {
                    const int c = y * cols_ + x;
                    for (int i = start_[size_t(c)]; i < start_[size_t(c) + 1]; ++i) consider(items_[size_t(i)]);
                }
                if (r == 0) break;
            }
        }
        if (best >= 0 && bound.beyond2(r) > bestD) break;
    }
    return best;
}

double FixedDistanceChange(const std::vector<float>& perSize, int b, int i) {
    const int n = int(perSize.size());
    if (b < 0 || b >= n || i < 0 || i >= n) return 0.0;
    double D = 0.0;
    if (i > b)
        for (int k = b + 1; k <= i; ++k) D += perSize[size_t(k)];
    else
        for (int k = i; k < b; ++k) D -= perSize[size_t(k)];
    return D;
}

// ---------------------------------------------------------------- helpers of the run

namespace {

bool InList(const List<Line>& list, const Line* l) {
    for (auto& x : list)
        if (x.get() == l) return true;
    return false;
}
bool InLines(const Part& p, const Line* l) { return l && (InList(p.linesA, l) || InList(p.linesB, l)); }

template <class T>
bool Holds(const List<T>& list, const T* e) {
    for (auto& x : list)
        if (x.get() == e) return true;
    return false;
}

// Node j of a line as the copies are graded from it (PartGrading::sourcePoint), with the
// scratch positions looked up once for many nodes.
class SourcePoints {
public:
    SourcePoints(const PartGrading& g, const Line& line) : line_(line), scratch_(g.sourceOf(&line)) {}
    PointF operator()(size_t j) const { return scratch_ && j < scratch_->size() ? (*scratch_)[j] : line_.nodes[j].pt(); }

private:
    const Line& line_;
    const std::vector<PointF>* scratch_;
};

// Nodes i0..i3 of a line placed by one control: blend anchors and the arc-length fallback.
// Maps nodes `which` of copy c per axis by the map that takes the base positions of anchors a and
// b to their graded positions in c. An axis on which the anchors coincide has no ratio: it
// interpolates the anchors' displacement by arc length along the base nodes instead.
void Blend(Line& c, const PartGrading& g, const Line& src, int a, int b, const std::vector<int>& which) {
    if (which.empty()) return;
    const int n = int(src.nodes.size());
    if (a < 0 || b < 0 || a >= n || b >= n || int(c.nodes.size()) != n) return;
    const SourcePoints at(g, src);
    const PointF A = at(size_t(a)), B = at(size_t(b));
    const PointF GA = c.nodes[size_t(a)].pt(), GB = c.nodes[size_t(b)].pt();
    const double dxA = double(GA.x) - A.x, dyA = double(GA.y) - A.y;
    const double dxB = double(GB.x) - B.x, dyB = double(GB.y) - B.y;
    const double spanX = double(B.x) - A.x, spanY = double(B.y) - A.y;
    constexpr double kNoSpan = 1e-6;
    const bool byX = std::abs(spanX) > kNoSpan, byY = std::abs(spanY) > kNoSpan;
    std::vector<double> arc;  // arc length from a, along the base nodes between the anchors
    double total = 0.0;
    if (!byX || !byY) {
        const int lo = std::min(a, b), hi = std::max(a, b);
        arc.assign(size_t(n), 0.0);
        for (int j = lo + 1; j <= hi; ++j) {
            const PointF p = at(size_t(j - 1)), q = at(size_t(j));
            arc[size_t(j)] = arc[size_t(j - 1)] + std::hypot(double(q.x) - p.x, double(q.y) - p.y);
        }
        total = arc[size_t(hi)];
        if (a > b)  // measured from a
            for (int j = lo; j <= hi; ++j) arc[size_t(j)] = total - arc[size_t(j)];
    }
    for (int j : which) {
        if (j < 0 || j >= n) continue;
        const PointF p = at(size_t(j));
        const double t = total > 0.0 ? arc.empty() ? 0.0 : arc[size_t(j)] / total : 0.0;
        const double x = byX ? GA.x + (double(p.x) - A.x) * (double(GB.x) - GA.x) / spanX : p.x + dxA + (dxB - dxA) * t;
        const double y = byY ? GA.y + (double(p.y) - A.y) * (double(GB.y) - GA.y) / spanY : p.y + dyA + (dyB - dyA) * t;
        c.nodes[size_t(j)].x = float(x);
        c.nodes[size_t(j)].y = float(y);
    }
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int j = from; j <= to; ++j) v.push_back(j);
    return v;
}

// Blends of a stretch [i0..i3] in copy c, anchored as the run anchors them.
void BlendStretch(Line& c, const PartGrading& g, const Line& src, const std::array<int, 4>& i,
                  const std::vector<int>& front, const std::vector<int>& rear) {
    const int last = int(src.nodes.size()) - 1;
    if (!front.empty()) Blend(c, g, src, i[0] - 1, i[1], front);
    if (!rear.empty()) Blend(c, g, src, i[2], std::min(i[3] + 1, last), rear);
}

}  // namespace

// ---------------------------------------------------------------- the run hooks

void GradingRunControls::prepare(PartGrading& g) {
    zones_.clear();
    fixed_.clear();
    front_.clear();
    PartControlReport r;
    r.part = &g.part();
    r.partIndex = g.partIndex();
    // The scene's shapes of the zones and ties follow the lines as the run finds them.
    BuildControlShapes(g.part());
    if (set_.shared) prepareZones(g, r);
    if (set_.fixed) prepareFixed(g, r);
    report_.push_back(std::move(r));
}

void GradingRunControls::prepareZones(PartGrading& g, PartControlReport& r) {
    Part& part = g.part();
    // Nodes already placed by an earlier zone's stretch, then by any blend: a shared node
    // belongs to the first zone, and all stretches go before any blend.
    std::unordered_map<const Line*, std::vector<uint8_t>> taken;
    std::vector<size_t> valid;
    for (auto& z : part.sharedZones) {
        ZoneOutcome out;
        out.zone = z.get();
        Zone zone;
        zone.record = z.get();
        zone.base = g.indexOf(z->basePoint);
        if (!z->host || !InLines(part, z->host)) out.skipped = "共用线不在本部位";
        else if (!z->basePoint) out.skipped = "没有基点";
        else if (zone.base < 0) out.skipped = "基点不在本部位";
        else if (g.indexOf(z->host->basePoint) < 0) out.skipped = "共用线没有扩缩";
        else if (auto nodes = StretchNodes(*z->host, z->f)) {
            out.nodes = nodes;
            zone.nodes = *nodes;
        } else {
            out.skipped = "共用段不含节点";
        }
        if (out.skipped.empty()) {
            valid.push_back(zones_.size());
            zones_.push_back(std::move(zone));
        }
        r.zones.push_back(std::move(out));
    }
    for (Zone& z : zones_) {
        std::vector<uint8_t>& t = taken[z.record->host];
        t.resize(z.record->host->nodes.size(), 0);
        for (int j = z.nodes[1]; j <= z.nodes[2]; ++j)
            if (!t[size_t(j)]) t[size_t(j)] = 1, z.stretch.push_back(j);
    }
    for (Zone& z : zones_) {
        std::vector<uint8_t>& t = taken[z.record->host];
        for (int j = z.nodes[0]; j < z.nodes[1]; ++j)
            if (!t[size_t(j)]) t[size_t(j)] = 1, z.front.push_back(j);
        for (int j = z.nodes[2] + 1; j <= z.nodes[3]; ++j)
            if (!t[size_t(j)]) t[size_t(j)] = 1, z.rear.push_back(j);
        // Only what apply places is marked.
        for (const std::vector<int>* v : {&z.stretch, &z.front, &z.rear})
            for (int j : *v) g.markNode(*z.record->host, size_t(j), kNodeSharedMark);
    }
}

void GradingRunControls::prepareFixed(PartGrading& g, PartControlReport& r) {
    Part& part = g.part();
    // Masters that are themselves slave lines would depend on the order of the list.
    std::vector<const Line*> slaveLines;
    for (auto& f : part.fixedDistances)
        if (f->first.kind == kKindLine && f->first.ptr) slaveLines.push_back(f->first.as<Line>());
    for (auto& f : part.fixedDistances) {
        FixedOutcome out;
        out.fixed = f.get();
        Fixed fx;
        fx.record = f.get();
        Line* master = f->host;
        const uint32_t kind = f->first.kind;
        if (!master || !InLines(part, master)) out.skipped = "定距主线不在本部位";
        else if (master->nodes.empty()) out.skipped = "定距主线没有节点";
        else if (std::find(slaveLines.begin(), slaveLines.end(), master) != slaveLines.end())
            out.skipped = "定距主线本身是定距从线";
        else if (!f->first.ptr) out.skipped = "没有定距从元素";
        else if (kind == kKindPin) {
            fx.pin = f->first.as<Pin>();
            if (!Holds(part.pins, fx.pin)) out.skipped = "定距从元素不在本部位";
            else if (g.indexOf(fx.pin->basePoint) < 0) out.skipped = "定距从元素没有扩缩";
        } else if (kind == kKindMotif) {
            fx.motif = f->first.as<Motif>();
            if (!Holds(part.motifs, fx.motif)) out.skipped = "定距从元素不在本部位";
            else if (g.indexOf(fx.motif->basePoint) < 0) out.skipped = "定距从元素没有扩缩";
        } else if (kind == kKindLine || kind == kKindLineA || kind == kKindLineB) {
            fx.slaveLine = f->first.as<Line>();
            if (!InLines(part, fx.slaveLine)) out.skipped = "定距从线不在本部位";
            else if (fx.slaveLine == master) out.skipped = "定距从线就是主线";
            else if (g.indexOf(fx.slaveLine->basePoint) < 0) out.skipped = "定距从线没有扩缩";
        } else {
            out.skipped = "定距从元素的种类不对";
        }
        if (out.skipped.empty()) {
            const NearestNodeIndex index(master->nodes);
            auto pair = [&](int k, PointF p) {
                const int m = index.nearest(p);
                const Node& mn = master->nodes[size_t(m)];
                fx.pairs.push_back({k, m, p.x - mn.x, p.y - mn.y});
            };
            if (fx.pin) pair(0, {fx.pin->x, fx.pin->y});
            else if (fx.motif) pair(0, {fx.motif->x, fx.motif->y});
            else if (auto nodes = StretchNodes(*fx.slaveLine, f->f)) {
                fx.nodes = *nodes;
                out.nodes = nodes;
                for (int k = (*nodes)[1]; k <= (*nodes)[2]; ++k) pair(k, fx.slaveLine->nodes[size_t(k)].pt());
                for (int k = (*nodes)[0]; k <= (*nodes)[3]; ++k) g.markNode(*fx.slaveLine, size_t(k), kNodeFixedMark);
            } else {
                out.skipped = "定距段不含节点";
            }
        }
        if (out.skipped.empty()) {
            out.pairs = fx.pairs;
            fixed_.push_back(std::move(fx));
        }
        r.fixed.push_back(std::move(out));
    }
}

void GradingRunControls::frontSymmetryBefore(PartGrading& g) {
    if (!set_.front) return;
    Part& part = g.part();
    PartControlReport& r = report_.back();
    auto check = [&](const void* element, const Line* master) -> std::string {
        if (!InLines(part, master)) return "对称主线不在本部位";
        if (master == element) return "对称主线就是元素本身";
        if (master->frontSym) return "对称主线本身是前对称元素";
        if (master->nodes.size() < 2) return "对称主线没有方向";
        const PointF a = master->nodes.front().pt(), b = master->nodes.back().pt();
        if (!(std::hypot(double(b.x) - a.x, double(b.y) - a.y) >= 0.01)) return "对称主线没有方向";
        // The tools refuse a bent master; one from a file is not mirrored across its chord.
        if (!AxisProblem(*master).empty()) return "对称主线不是直线";
        return {};
    };
    auto take = [&](void* element, uint32_t kind, Line* master, std::vector<PointF> pts, int base = -1) {
        FrontOutcome out{{element, kind}, master, check(element, master)};
        if (out.skipped.empty()) {
            const MirrorAxis axis(master->nodes.front().pt(), master->nodes.back().pt());
            for (PointF& p : pts) p = axis(p);
            if (kind == kKindBasePoint) g.moveBasePoint(base, pts.front());
            else g.setSource(element, std::move(pts));
            front_.push_back({{element, kind}, master, base});
        }
        r.front.push_back(std::move(out));
    };
    for (List<Line>* list : {&part.linesA, &part.linesB})
        for (auto& l : *list)
            if (l->frontSym) {
                std::vector<PointF> pts;
                for (const Node& n : l->nodes) pts.push_back(n.pt());
                take(l.get(), kKindLine, l->frontSym, std::move(pts));
            }
    for (auto& p : part.pins)
        if (p->frontSym) take(p.get(), kKindPin, p->frontSym, {{p->x, p->y}});
    for (auto& m : part.motifs)
        if (m->frontSym) take(m.get(), kKindMotif, m->frontSym, {{m->x, m->y}});
    for (size_t k = 0; k < part.basePoints.size(); ++k) {
        BasePoint& b = *part.basePoints[k];
        if (b.frontSym) take(&b, kKindBasePoint, b.frontSym, {{b.x, b.y}}, int(k));
    }
}

void GradingRunControls::applySharedZones(PartGrading& g) {
    for (const Zone& z : zones_) {
        const Line& host = *z.record->host;
        const SourcePoints at(g, host);
        for (int i = 0; i < g.sizeCount(); ++i) {
            Line* c = GradedCopyAt(host, i);
            if (!c || c->nodes.size() != host.nodes.size()) continue;
            for (int j : z.stretch) {
                const PointF q = g.transform(at(size_t(j)), z.base, i);
                c->nodes[size_t(j)].x = q.x;
                c->nodes[size_t(j)].y = q.y;
            }
        }
    }
    for (const Zone& z : zones_) {
        const Line& host = *z.record->host;
        for (int i = 0; i < g.sizeCount(); ++i)
            if (Line* c = GradedCopyAt(host, i)) BlendStretch(*c, g, host, z.nodes, z.front, z.rear);
    }
}

void GradingRunControls::frontSymmetryAfter(PartGrading& g) {
    if (!set_.front) return;
    for (const Front& f : front_) {
        if (f.element.kind == kKindBasePoint) continue;  // mirrored back across the master only
        const Line& master = *f.master;
        for (int i = 0; i < g.sizeCount(); ++i) {
            // A master without copies stands for every size.
            const Line* mi = GradedCopyAt(master, i);
            if (!mi || mi->nodes.size() < 2) mi = &master;
            PointF a = mi->nodes.front().pt(), b = mi->nodes.back().pt();
            if (!(std::hypot(double(b.x) - a.x, double(b.y) - a.y) >= 0.01))
                a = master.nodes.front().pt(), b = master.nodes.back().pt();
            const MirrorAxis axis(a, b);
            // The base size grades by the identity: its copy is the element itself, exactly, not
            // the element mirrored there and back (which rounds).
            const bool base = i == g.baseIndex();
            auto back = [&](PointF p, PointF own) { return base ? own : axis(p); };
            if (f.element.kind == kKindLine) {
                const Line& own = *f.element.as<Line>();
                if (Line* c = GradedCopyAt(own, i)) {
                    const size_t count = std::min(c->nodes.size(), own.nodes.size());
                    Node* to = c->nodes.data();
                    const Node* from = own.nodes.data();
                    if (base)
                        for (size_t j = 0; j < count; ++j) to[j].x = from[j].x, to[j].y = from[j].y;
                    else
                        for (size_t j = 0; j < count; ++j) {
                            const PointF q = axis(to[j].pt());
                            to[j].x = q.x, to[j].y = q.y;
                        }
                }
            } else if (f.element.kind == kKindPin) {
                const Pin& own = *f.element.as<Pin>();
                if (Pin* c = GradedCopyAt(own, i)) {
                    const PointF q = back({c->x, c->y}, {own.x, own.y});
                    c->x = q.x, c->y = q.y;
                }
            } else if (f.element.kind == kKindMotif) {
                const Motif& own = *f.element.as<Motif>();
                if (Motif* c = GradedCopyAt(own, i)) {
                    const PointF q = back({c->x, c->y}, {own.x, own.y});
                    c->x = q.x, c->y = q.y;
                }
            }
        }
    }
    // Back to the elements' own positions: fixed distances blend from them.
    g.clearSources();
    g.restoreBasePoints();
}

void GradingRunControls::applyFixedDistances(PartGrading& g) {
    const int b = g.baseIndex();
    for (const Fixed& f : fixed_) {
        const Line& master = *f.record->host;
        const std::vector<float>* perSize =
            f.record->perSize && int(f.record->perSize->size()) == g.sizeCount() ? &*f.record->perSize : nullptr;
        // The offsets' lengths are the same in every size.
        std::vector<double> lengths;
        if (perSize) {
            lengths.reserve(f.pairs.size());
            for (const FixedPair& p : f.pairs) lengths.push_back(std::hypot(double(p.dx), double(p.dy)));
        }
        const std::vector<int> front = f.slaveLine ? Range(f.nodes[0], f.nodes[1] - 1) : std::vector<int>{};
        const std::vector<int> rear = f.slaveLine ? Range(f.nodes[2] + 1, f.nodes[3]) : std::vector<int>{};
        for (int i = 0; i < g.sizeCount(); ++i) {
            const Line* mi = GradedCopyAt(master, i);
            if (!mi || mi->nodes.size() != master.nodes.size()) mi = &master;  // the base master
            const double D = perSize ? FixedDistanceChange(*perSize, b, i) : 0.0;
            auto place = [&](size_t k) {
                const FixedPair& p = f.pairs[k];
                double dx = p.dx, dy = p.dy;
                const double len = D != 0.0 ? lengths[k] : 0.0;
                if (D != 0.0 && len >= 0.01) {
                    // The distance grows by D; it never passes through the master node.
                    const double s = std::max(0.0, D / len + 1.0);
                    dx *= s, dy *= s;
                }
                const Node& m = mi->nodes[size_t(p.masterNode)];
                return PointF{float(m.x + dx), float(m.y + dy)};
            };
            if (f.pin) {
                if (Pin* c = GradedCopyAt(*f.pin, i)) {
                    const PointF q = place(0);
                    c->x = q.x, c->y = q.y;
                }
            } else if (f.motif) {
                if (Motif* c = GradedCopyAt(*f.motif, i)) {
                    const PointF q = place(0);
                    c->x = q.x, c->y = q.y;
                }
            } else if (Line* c = GradedCopyAt(*f.slaveLine, i)) {
                if (c->nodes.size() != f.slaveLine->nodes.size()) continue;
                for (size_t k = 0; k < f.pairs.size(); ++k) {
                    const PointF q = place(k);
                    c->nodes[size_t(f.pairs[k].slaveNode)].x = q.x;
                    c->nodes[size_t(f.pairs[k].slaveNode)].y = q.y;
                }
                BlendStretch(*c, g, *f.slaveLine, f.nodes, front, rear);
            }
        }
    }
}

// ---------------------------------------------------------------- drawn shapes

void BuildControlShapes(Part& part) {
    auto stretch = [](const Line* l, const std::array<float, 4>& f) {
        Shape s;
        if (!l || l->eval.size() < 2) return s;
        s.push_back(PolySubFraction(l->eval, f[0], f[1]));
        s.push_back(PolySubFraction(l->eval, f[1], f[2]));
        s.push_back(PolySubFraction(l->eval, f[2], f[3]));
        return s;
    };
    for (auto& z : part.sharedZones) z->drawn = InLines(part, z->host) ? stretch(z->host, z->f) : Shape{};
    for (auto& f : part.fixedDistances) {
        f->drawn.clear();
        if (!f->first.ptr || !InLines(part, f->host) || f->host->nodes.empty()) continue;
        if (f->first.kind == kKindLine || f->first.kind == kKindLineA || f->first.kind == kKindLineB) {
            if (InLines(part, f->first.as<Line>())) f->drawn = stretch(f->first.as<Line>(), f->f);
            continue;
        }
        PointF p;
        if (f->first.kind == kKindPin && Holds(part.pins, f->first.as<Pin>()))
            p = {f->first.as<Pin>()->x, f->first.as<Pin>()->y};
        else if (f->first.kind == kKindMotif && Holds(part.motifs, f->first.as<Motif>()))
            p = {f->first.as<Motif>()->x, f->first.as<Motif>()->y};
        else
            continue;
        const int m = NearestNodeIndex(f->host->nodes).nearest(p);
        f->drawn.push_back({p, f->host->nodes[size_t(m)].pt()});
    }
}

}  // namespace rz
