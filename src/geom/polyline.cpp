#include "geom/polyline.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "geom/primitives.h"

namespace rz {

namespace {

// Differences of floats squared cannot overflow a double: the plain root is exact enough and
// much cheaper than hypot in the length loops.
double SegLen(PointF a, PointF b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

}  // namespace

bool PolyClosed(std::span<const PointF> pts) { return pts.size() >= 2 && PtSame(pts.front(), pts.back()); }

float PolyLength(std::span<const PointF> pts) {
    double sum = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) sum += SegLen(pts[i - 1], pts[i]);
    return static_cast<float>(sum);
}

PointAt PolyPointAt(std::span<const PointF> pts, float s) {
    if (pts.empty()) return {};
    if (pts.size() == 1) return {pts[0], 0};
    if (!(s > 0.0f)) return {pts[0], 1};  // also NaN: parameters before the start clamp to it
    double sum = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) {
        double len = SegLen(pts[i - 1], pts[i]);
        sum += len;
        if (sum >= s) {
            double r = len > 0.0 ? (sum - s) / len : 1.0;
            PointF a = pts[i - 1], b = pts[i];
            return {{static_cast<float>(b.x + r * (double(a.x) - b.x)), static_cast<float>(b.y + r * (double(a.y) - b.y))},
                    static_cast<int>(i)};
        }
    }
    return {pts.back(), static_cast<int>(pts.size() - 1)};
}

Nearest PolyNearest(std::span<const PointF> pts, PointF p) {
    Nearest best;
    best.dist = std::numeric_limits<float>::infinity();
    if (pts.empty()) {
        best.where = 0;
        return best;
    }
    best.pt = pts[0];
    float bestD = std::numeric_limits<float>::max();
    for (size_t i = 1; i < pts.size(); ++i) {
        Foot f = FootOnSegment(pts[i - 1], pts[i], p);
        if (f.code != FootCode::Inside) continue;
        float d = PtDist(f.pt, p);
        if (d < bestD) {
            bestD = d;
            best.pt = f.pt;
            best.where = static_cast<int>(i);
        }
    }
    for (size_t j = 0; j < pts.size(); ++j) {
        float d = PtDist(pts[j], p);
        if (d < bestD) {
            bestD = d;
            best.pt = pts[j];
            best.where = -static_cast<int>(j);
        }
    }
    best.dist = bestD;
    return best;
}

LengthTo PolyLengthTo(std::span<const PointF> pts, PointF p) {
    LengthTo r;
    if (pts.empty()) return r;
    r.pt = pts[0];
    float best = std::numeric_limits<float>::max();
    double prefix = 0.0;
    for (size_t j = 0; j < pts.size(); ++j) {
        if (j > 0) prefix += SegLen(pts[j - 1], pts[j]);
        float d = PtDist(pts[j], p);
        if (best > d + kNearestHysteresis) {
            best = d;
            r.pt = pts[j];
            r.length = static_cast<float>(prefix);
        }
    }
    prefix = 0.0;
    for (size_t i = 1; i < pts.size(); ++i) {
        Foot f = FootOnSegment(pts[i - 1], pts[i], p);
        if (f.code == FootCode::Inside) {
            float d = PtDist(f.pt, p);
            if (best > d + kNearestHysteresis) {
                best = d;
                r.pt = f.pt;
                r.length = static_cast<float>(prefix + SegLen(pts[i - 1], f.pt));
            }
        }
        prefix += SegLen(pts[i - 1], pts[i]);
    }
    return r;
}

namespace {
struct CentroidSum {
    double wx = 0, wy = 0, w = 0, mx = 0, my = 0;
    size_t count = 0;
    void add(std::span<const PointF> pts) {
        for (size_t i = 0; i < pts.size(); ++i) {
            mx += pts[i].x;
            my += pts[i].y;
            ++count;
            if (i == 0) continue;
            double len = SegLen(pts[i - 1], pts[i]);
            wx += len * (double(pts[i - 1].x) + pts[i].x) * 0.5;
            wy += len * (double(pts[i - 1].y) + pts[i].y) * 0.5;
            w += len;
        }
    }
    PointF result() const {
        if (w > 0.0) return {static_cast<float>(wx / w), static_cast<float>(wy / w)};
        if (count == 0) return {};
        return {static_cast<float>(mx / count), static_cast<float>(my / count)};
    }
};
}  // namespace

PointF PolyCentroid(std::span<const PointF> pts) {
    CentroidSum s;
    s.add(pts);
    return s.result();
}

PointF PolyCentroid(const Shape& chain) {
    CentroidSum s;
    for (const Polyline& pl : chain) s.add(pl);
    return s.result();
}

namespace {

// Strip sum at heights base + kAreaStrip * k for k >= kStart while below the highest point.
// Each edge counts on the half-open interval [lower, upper) of its heights, so a vertex lying
// exactly on a strip height is counted once, and horizontal edges never.
double StripArea(std::span<const PointF> pts, double base, long kStart) {
    if (pts.size() < 4 || !(pts.front() == pts.back())) return 0.0;
    double hi = -std::numeric_limits<double>::infinity();
    for (PointF p : pts) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return 0.0;
        hi = std::max(hi, double(p.y));
    }
    if (!std::isfinite(base)) return 0.0;
    auto height = [&](long k) { return base + double(kAreaStrip) * double(k); };
    // Absurd extents (corrupt input) would need billions of strips.
    if ((hi - base) / kAreaStrip > 5.0e7) return 0.0;
    std::vector<std::pair<long, float>> xs;
    for (size_t i = 1; i < pts.size(); ++i) {
        PointF a = pts[i - 1], b = pts[i];
        if (a.y == b.y) continue;
        double lower = std::min(a.y, b.y), upper = std::max(a.y, b.y);
        long k0 = std::max(kStart, static_cast<long>(std::ceil((lower - base) / kAreaStrip)));
        while (k0 > kStart && height(k0 - 1) >= lower) --k0;
        while (height(k0) < lower) ++k0;
        for (long k = k0;; ++k) {
            double y = height(k);
            if (y >= upper || y >= hi) break;
            double t = (y - a.y) / (double(b.y) - a.y);
            xs.push_back({k, static_cast<float>(a.x + t * (double(b.x) - a.x))});
        }
    }
    std::sort(xs.begin(), xs.end());
    double area = 0.0;
    for (size_t i = 0; i < xs.size();) {
        size_t j = i;
        while (j < xs.size() && xs[j].first == xs[i].first) ++j;
        for (size_t m = i; m + 1 < j; m += 2) area += (double(xs[m + 1].second) - xs[m].second) * kAreaStrip;
        i = j;
    }
    return area;
}

}  // namespace

double PolyArea(std::span<const PointF> pts) {
    if (pts.empty()) return 0.0;
    double lo = std::numeric_limits<double>::infinity();
    for (PointF p : pts) lo = std::min(lo, double(p.y));
    return StripArea(pts, lo, 1);
}

double PolyAreaAbove(std::span<const PointF> pts, float y0) { return StripArea(pts, y0, 0); }

int PointInPolygon(std::span<const PointF> pts, PointF p) {
    size_t n = pts.size();
    if (n == 0) return 0;
    auto quadrant = [](double x, double y) {
        if (x > 0 && y >= 0) return 0;
        if (x <= 0 && y > 0) return 1;
        if (x < 0 && y <= 0) return 2;
        return 3;
    };
    size_t edges = pts.front() == pts.back() ? n - 1 : n;
    int sum = 0;
    for (size_t e = 0; e < edges; ++e) {
        PointF a = pts[e], b = pts[(e + 1) % n];
        double x1 = double(a.x) - p.x, y1 = double(a.y) - p.y;
        double x2 = double(b.x) - p.x, y2 = double(b.y) - p.y;
        if ((x1 == 0 && y1 == 0) || (x2 == 0 && y2 == 0)) return 8;
        int d = quadrant(x2, y2) - quadrant(x1, y1);
        if (d >= 3) d -= 4;
        if (d < -2) d += 4;
        if (d == 2 || d == -2) {
            // The edge passes the point on opposite sides: its turn is given by the sign of the
            // cross product; zero means the point lies on the edge.
            double c = x1 * y2 - x2 * y1;
            if (c == 0.0) return 8;
            d = c > 0 ? 2 : -2;
        }
        sum += d;
    }
    return sum;
}

bool PolyIsCounterClockwise(std::span<const PointF> pts) {
    size_t n = pts.size();
    if (n < 3) return false;
    double a = 0.0;
    for (size_t i = 0; i < n; ++i) {
        PointF p = pts[i], q = pts[(i + 1) % n];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return a > 0.0;
}

bool PolyIsStraight(std::span<const PointF> pts, float tolerance) {
    size_t n = pts.size();
    if (n < 2) return false;
    if (PtSame(pts.front(), pts.back())) return false;
    size_t allowed = n / 20, count = 0;
    for (size_t j = 1; j + 1 < n; ++j) {
        if (DistToLine(pts.front(), pts.back(), pts[j]) >= tolerance && ++count > allowed) return false;
    }
    return true;
}

namespace {

// PtSame, inlined for the simplification.
inline bool SamePoint(PointF a, PointF b) { return std::fabs(a.x - b.x) < kSameTol && std::fabs(a.y - b.y) < kSameTol; }

// PtDist(a, b) > limit, given the chord's squared length computed from the same coordinate
// differences as PtDist's. Only a chord within a hair of the limit needs the square root.
inline bool ChordOver(PointF a, PointF b, double l2, float limit) {
    const double lim2 = double(limit) * limit;
    if (l2 < lim2 * (1.0 - 1e-12)) return false;
    if (l2 > lim2 * (1.0 + 1e-6)) return true;
    return PtDist(a, b) > limit;
}

// The farthest of points i+1..k-1 from the chord segment i-k: the first index with the largest
// squared distance scaled by the chord's squared length (so that no square root or division is
// needed), and that value in `maxS` (-1 when there is none). Coordinates come as doubles, one
// array per axis, so that four points can be taken at once.
struct Chord {
    double ax, ay, dx, dy, l2;
};

inline Chord ChordOf(const double* xs, const double* ys, size_t i, size_t k) {
    const double ax = xs[i], ay = ys[i];
    const double dx = xs[k] - ax, dy = ys[k] - ay;
    return {ax, ay, dx, dy, dx * dx + dy * dy};
}

// Scans j in [j, k) in order, continuing from (maxS, at).
inline size_t FarthestFrom(const double* xs, const double* ys, const Chord& c, size_t j, size_t k, double& maxS,
                           size_t at) {
    for (; j < k; ++j) {
        double px = xs[j] - c.ax, py = ys[j] - c.ay;
        double dot = px * c.dx + py * c.dy;
        double qx = px - c.dx, qy = py - c.dy, cr = px * c.dy - py * c.dx;
        double s0 = (px * px + py * py) * c.l2, s1 = (qx * qx + qy * qy) * c.l2, sc = cr * cr;
        double s = dot <= 0.0 ? s0 : (dot >= c.l2 ? s1 : sc);  // selects, not branches
        at = s > maxS ? j : at;
        maxS = s > maxS ? s : maxS;
    }
    return at;
}

#if defined(__GNUC__) && defined(__x86_64__)
#define RZ_FARTHEST_AVX2 1

// The same with four points per step where the processor has AVX2. Every lane computes exactly
// what the scalar loop computes for its point (the same operations in the same order; AVX2 alone
// brings no fused multiply-add), each lane keeps its own first maximum, and the lanes are merged
// by value and then by the lower index, which is the scalar loop's first maximum.
typedef double V4d __attribute__((vector_size(32)));
typedef long long V4i __attribute__((vector_size(32)));

__attribute__((target("avx2"))) size_t FarthestAvx2(const double* xs, const double* ys, size_t i, size_t k,
                                                     double& maxS) {
    const Chord c = ChordOf(xs, ys, i, k);
    maxS = -1.0;
    size_t at = 0, j = i + 1;
    if (k - j >= 8) {
        V4d m = {-1.0, -1.0, -1.0, -1.0};
        V4i idx = {0, 0, 0, 0};
        V4i jv = {static_cast<long long>(j), static_cast<long long>(j + 1), static_cast<long long>(j + 2),
                  static_cast<long long>(j + 3)};
        for (; j + 4 <= k; j += 4) {
            V4d x, y;
            std::memcpy(&x, xs + j, sizeof x);
            std::memcpy(&y, ys + j, sizeof y);
            V4d px = x - c.ax, py = y - c.ay;
            V4d dot = px * c.dx + py * c.dy;
            V4d qx = px - c.dx, qy = py - c.dy, cr = px * c.dy - py * c.dx;
            V4d s0 = (px * px + py * py) * c.l2, s1 = (qx * qx + qy * qy) * c.l2, sc = cr * cr;
            V4d s = dot <= 0.0 ? s0 : (dot >= c.l2 ? s1 : sc);
            V4i gt = s > m;
            m = gt ? s : m;
            idx = gt ? jv : idx;
            jv += 4;
        }
        for (int q = 0; q < 4; ++q) {
            if (m[q] > maxS || (m[q] == maxS && static_cast<size_t>(idx[q]) < at)) {
                maxS = m[q];
                at = static_cast<size_t>(idx[q]);
            }
        }
    }
    return FarthestFrom(xs, ys, c, j, k, maxS, at);
}

bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}
#endif

bool UseAvx2() {
#ifdef RZ_FARTHEST_AVX2
    return HaveAvx2();
#else
    return false;
#endif
}

// Short spans are scanned in place: the call and the set-up of four lanes cost more than they save.
inline size_t Farthest(const double* xs, const double* ys, size_t i, size_t k, bool avx2, double& maxS) {
#ifdef RZ_FARTHEST_AVX2
    if (avx2 && k - i > 24) return FarthestAvx2(xs, ys, i, k, maxS);
#endif
    const Chord c = ChordOf(xs, ys, i, k);
    maxS = -1.0;
    return FarthestFrom(xs, ys, c, i + 1, k, maxS, 0);
}

// Douglas-Peucker with the chord limit, without recursion: spans are taken left before right,
// so the spans that are not split come in order, and emit(k) receives the end of each one —
// the kept points after the first, in order.
template <class Emit>
void DouglasPeucker(std::span<const PointF> pts, float tolerance, float longestChord, SimplifyScratch& scratch,
                    Emit&& emit) {
    const size_t n = pts.size();
    const bool chordLimit = longestChord > 0.0f;
    const double tol2 = double(tolerance) * tolerance;
    std::vector<double>& xs = scratch.xs;
    std::vector<double>& ys = scratch.ys;
    xs.resize(n);
    ys.resize(n);
    for (size_t i = 0; i < n; ++i) {
        xs[i] = pts[i].x;
        ys[i] = pts[i].y;
    }
    const bool avx2 = UseAvx2();
    auto& stack = scratch.spans;
    stack.clear();
    stack.push_back({0, n - 1});
    while (!stack.empty()) {
        auto [i, k] = stack.back();
        stack.pop_back();
        size_t split = 0;
        // Two adjacent points cannot be split further, however long their chord.
        if (k - i < 2) {
        } else if (!SamePoint(pts[i], pts[k])) {
            double maxS;
            size_t at = Farthest(xs.data(), ys.data(), i, k, avx2, maxS);
            const double l2 = ChordOf(xs.data(), ys.data(), i, k).l2;
            if (maxS > (tolerance < 0.0f ? -0.5 : tol2 * l2)) split = at;
            else if (chordLimit && ChordOver(pts[i], pts[k], l2, longestChord)) split = (i + k) / 2;
        } else {
            split = (i + k) / 2;
        }
        if (split == 0) {
            emit(k);
            continue;
        }
        stack.push_back({split, k});
        stack.push_back({i, split});
    }
}

}  // namespace

size_t PolySimplify(Polyline& pts, float tolerance, float longestChord) {
    size_t n = pts.size();
    if (n <= 2) return n;
    SimplifyScratch scratch;
    // Every span still to visit starts at or after k, so the points before it may be overwritten.
    size_t w = 1;
    DouglasPeucker(pts, tolerance, longestChord, scratch, [&](size_t k) { pts[w++] = pts[k]; });
    pts.resize(w);
    return w;
}

void PolySimplifyTo(std::span<const PointF> pts, float tolerance, float longestChord, Polyline& out,
                    SimplifyScratch& scratch) {
    out.clear();
    if (pts.size() <= 2) {
        out.assign(pts.begin(), pts.end());
        return;
    }
    std::vector<size_t>& kept = scratch.kept;
    kept.clear();
    kept.push_back(0);
    DouglasPeucker(pts, tolerance, longestChord, scratch, [&](size_t k) { kept.push_back(k); });
    out.reserve(kept.size());
    for (size_t k : kept) out.push_back(pts[k]);
}

// ---------------------------------------------------------------------------------------------
// Offset

namespace {

struct DPoint {
    double x, y;
};

// The length of a difference of two float points. Their squares cannot overflow a double, and
// the plain square root costs a fraction of hypot in the offset's inner loop.
double DiffLen(double x, double y) { return std::sqrt(x * x + y * y); }

// Offset position of vertex i between segments prev->i and i->next (either may be absent);
// lenIn and lenOut are the lengths of those segments, already measured by the neighbour search.
DPoint OffsetVertex(const PointF* prev, PointF v, const PointF* next, double d, double lenIn, double lenOut) {
    DPoint vin{}, vout{};
    double ux = 0, uy = 0, wx = 0, wy = 0;
    bool hasIn = false, hasOut = false;
    if (prev) {
        ux = double(v.x) - prev->x;
        uy = double(v.y) - prev->y;
        const double len = lenIn;
        if (len >= kSameTol) {
            hasIn = true;
            vin = {v.x + d * uy / len, v.y - d * ux / len};
        }
    }
    if (next) {
        wx = double(next->x) - v.x;
        wy = double(next->y) - v.y;
        const double len = lenOut;
        if (len >= kSameTol) {
            hasOut = true;
            vout = {v.x + d * wy / len, v.y - d * wx / len};
        }
    }
    if (hasIn && hasOut) {
        double det = Cross(ux, uy, wx, wy);
        if (std::fabs(det) < 1e-8) return {(vin.x + vout.x) * 0.5, (vin.y + vout.y) * 0.5};
        double t = Cross(vout.x - vin.x, vout.y - vin.y, wx, wy) / det;
        return {vin.x + t * ux, vin.y + t * uy};
    }
    if (hasIn) return vin;
    if (hasOut) return vout;
    return {v.x, v.y};
}

// Segments cross when their boxes overlap and each one's ends lie on opposite sides of the
// other's line, touching included. The box test keeps collinear but disjoint segments apart.
bool SegmentsCross(PointF a1, PointF a2, PointF b1, PointF b2) {
    if (std::max(a1.x, a2.x) < std::min(b1.x, b2.x) || std::max(b1.x, b2.x) < std::min(a1.x, a2.x) ||
        std::max(a1.y, a2.y) < std::min(b1.y, b2.y) || std::max(b1.y, b2.y) < std::min(a1.y, a2.y))
        return false;
    double dax = double(a2.x) - a1.x, day = double(a2.y) - a1.y;
    double dbx = double(b2.x) - b1.x, dby = double(b2.y) - b1.y;
    double s1 = Cross(dax, day, double(b1.x) - a1.x, double(b1.y) - a1.y);
    double s2 = Cross(dax, day, double(b2.x) - a1.x, double(b2.y) - a1.y);
    if (s1 * s2 > 0.0) return false;
    double s3 = Cross(dbx, dby, double(a1.x) - b1.x, double(a1.y) - b1.y);
    double s4 = Cross(dbx, dby, double(a2.x) - b1.x, double(a2.y) - b1.y);
    return s3 * s4 <= 0.0;
}

// Boxes of the segments of a polyline in a binary tree over their ids. Segment e is the one
// ending at point e; ids follow the order along the line, so the last (or first) segment of an
// id range that crosses a query segment is found by descending right (or left) first and
// stopping at the first hit. A removed segment's box is empty. Every update costs one path to
// the root; a query visits the paths to the segments whose boxes meet the query's.
class SegmentBoxTree {
public:
    explicit SegmentBoxTree(int n) {
        while (leaves_ < n) leaves_ *= 2;
        box_.assign(size_t(2) * leaves_, kEmpty);
    }
    // All segments of a polyline at once: one pass up the tree instead of a path per segment.
    void Build(const Polyline& p) {
        for (size_t e = 1; e < p.size(); ++e) box_[e + leaves_] = SegBox(p[e - 1], p[e]);
        for (size_t k = size_t(leaves_); k-- > 1;) box_[k] = Union(box_[2 * k], box_[2 * k + 1]);
    }
    void Set(int e, PointF a, PointF b) {
        size_t k = size_t(e) + leaves_;
        box_[k] = SegBox(a, b);
        Up(k);
    }
    void Clear(int e) {
        size_t k = size_t(e) + leaves_;
        box_[k] = kEmpty;
        Up(k);
    }
    // The highest (lastFirst) or lowest id in [lo, hi] whose box meets `q` and for which
    // `accept` holds; -1 when there is none. `visits` counts the tree nodes looked at.
    template <class Accept>
    int Find(int lo, int hi, const RectF& q, bool lastFirst, Accept&& accept, size_t& visits) {
        if (lo > hi) return -1;
        struct Item {
            size_t node;
            int first, width;
        };
        Item stack[64];
        int top = 0;
        stack[top++] = {1, 0, leaves_};
        while (top > 0) {
            Item it = stack[--top];
            ++visits;
            const RectF& b = box_[it.node];
            if (it.first > hi || it.first + it.width - 1 < lo) continue;
            if (b.maxX < q.minX || q.maxX < b.minX || b.maxY < q.minY || q.maxY < b.minY) continue;
            if (it.width == 1) {
                if (accept(it.first)) return it.first;
                continue;
            }
            int half = it.width / 2;
            Item left{it.node * 2, it.first, half}, right{it.node * 2 + 1, it.first + half, half};
            // The child to look at first goes on top.
            stack[top++] = lastFirst ? left : right;
            stack[top++] = lastFirst ? right : left;
        }
        return -1;
    }

private:
    // An empty box meets nothing: every comparison with it fails the overlap test.
    static constexpr RectF kEmpty{std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    static RectF SegBox(PointF a, PointF b) {
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }
    static RectF Union(const RectF& l, const RectF& r) {
        return {std::min(l.minX, r.minX), std::min(l.minY, r.minY), std::max(l.maxX, r.maxX), std::max(l.maxY, r.maxY)};
    }
    void Up(size_t k) {
        for (k /= 2; k >= 1; k /= 2) box_[k] = Union(box_[2 * k], box_[2 * k + 1]);
    }
    int leaves_ = 1;
    std::vector<RectF> box_;
};

// Loop removal over a doubly linked list of points. Scanning segment i finds the last later
// segment j (j >= i + 2) crossing it, deletes the points between and smooths point i. After a
// cut only the two segments around point i have changed, so of the segments scanned before i
// only their crossings with those two need checking again; the first such segment is cut next.
// This gives the same cuts, in the same order, as rescanning everything after each cut.
//
// The work is bounded by a number of tree visits of the order n log n: tangled input whose
// segment boxes all overlap could otherwise cost a visit of every segment for every segment. A
// line that uses the budget up keeps the cuts made so far and the rest of it as offset. Lines a
// pattern maker draws stay far below it: wavy margins and zigzags with a loop at every tooth take
// 6 to 26 visits per point, the budget is 8 log2 n per point.
size_t LoopRemovalBudget(int n) {
    size_t log2n = 1;
    while ((size_t(1) << log2n) <= size_t(n)) ++log2n;
    return 8 * size_t(n) * log2n + 4096;
}

class LoopRemover {
public:
    LoopRemover(Polyline& pts, bool closed)
        : p_(pts), n_(static_cast<int>(pts.size())), closed_(closed), tree_(n_) {
        prev_.resize(n_);
        next_.resize(n_);
        for (int i = 0; i < n_; ++i) {
            prev_[i] = i - 1;
            next_[i] = i + 1;
        }
        tail_ = n_ - 1;
        budget_ = LoopRemovalBudget(n_);
        tree_.Build(p_);
    }

    std::vector<int> Run() {
        int i = 1;
        while (i != tail_ && visits_ < budget_) {
            int j = LastCross(i);
            if (j < 0) {
                i = next_[i];
                continue;
            }
            int at = i, to = j;
            for (;;) {
                Cut(at, to);
                auto [k, kj] = FirstEarlierCross(at);
                if (k < 0) break;
                at = k;
                to = kj;
            }
            i = at > 1 ? at : next_[1];
        }
        std::vector<int> ids;
        for (int e = 0; e != -1 && e < n_; e = (e == tail_ ? -1 : next_[e])) ids.push_back(e);
        Polyline out;
        out.reserve(ids.size());
        for (int e : ids) out.push_back(p_[e]);
        p_ = std::move(out);
        return ids;
    }

private:
    // On a closed outline a cut never takes more than half of it: the loop is the smaller side.
    int Reach() const { return (n_ - 1) / 2; }
    bool Cross(int i, int j) const { return SegmentsCross(p_[prev_[i]], p_[i], p_[prev_[j]], p_[j]); }
    RectF Box(int e) const {
        PointF a = p_[prev_[e]], b = p_[e];
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }
    // The last segment j after the next one that crosses segment i. The first and the closing
    // segment meet by construction and are never a loop.
    int LastCross(int i) {
        int hi = closed_ ? std::min(tail_, i + 1 + Reach()) : tail_;
        if (i == 1 && hi == tail_) --hi;
        return tree_.Find(next_[i] + 1, hi, Box(i), true, [&](int j) { return Cross(i, j); }, visits_);
    }
    // The first segment k (1 < k < i) that crosses one of the two segments changed by the cut
    // at i, and the later of the two it crosses.
    std::pair<int, int> FirstEarlierCross(int i) {
        int j = next_[i];
        auto first = [&](int seg, int skip) {
            int lo = closed_ ? std::max(2, seg - 1 - Reach()) : 2;
            return tree_.Find(lo, i - 1, Box(seg), false, [&](int k) { return k != skip && Cross(k, seg); },
                              visits_);
        };
        int kj = first(j, -1);
        int ki = first(i, prev_[i]);  // the segment just before i shares its start point
        if (kj < 0 && ki < 0) return {-1, -1};
        if (ki < 0 || (kj >= 0 && kj <= ki)) return {kj, j};
        return {ki, i};
    }
    void Cut(int i, int j) {
        for (int e = next_[i]; e != j; e = next_[e]) tree_.Clear(e);
        next_[i] = j;
        prev_[j] = i;
        int a = prev_[i], b = j;
        int aa = a == 0 ? a : prev_[a];
        int bb = b == tail_ ? b : next_[b];
        double x = 9.0 / 16.0 * (double(p_[a].x) + p_[b].x) - 1.0 / 16.0 * (double(p_[aa].x) + p_[bb].x);
        double y = 9.0 / 16.0 * (double(p_[a].y) + p_[b].y) - 1.0 / 16.0 * (double(p_[aa].y) + p_[bb].y);
        p_[i] = {static_cast<float>(x), static_cast<float>(y)};
        tree_.Set(i, p_[a], p_[i]);
        tree_.Set(j, p_[i], p_[j]);
    }

    Polyline& p_;
    int n_;
    bool closed_;
    int tail_ = 0;
    std::vector<int> prev_, next_;
    SegmentBoxTree tree_;
    size_t visits_ = 0, budget_ = 0;
};

// Whether no two segments of `p` that share no point cross or touch (on a closed line the first
// and the closing segment excepted, as the loop removal excepts them): the loop removal then has
// nothing to cut, and the usual smooth offset skips building its tree. The line is split into
// runs of segments strictly monotone in x; two segments of one run that share no point have
// disjoint x ranges, so only segments of different runs whose x ranges meet are tested, by
// walking both runs in x order. Lines of many short runs are left undecided (false).
bool NoSegmentsMeet(const Polyline& p, bool closed) {
    const size_t n = p.size();
    struct Run {
        size_t first, last;  // segments first..last (segment e ends at point e)
        int dir;             // +1 rising x, −1 falling, 0 a vertical segment (a run of its own)
        RectF box;
    };
    std::vector<Run> runs;
    for (size_t e = 1; e < n; ++e) {
        const int dir = p[e].x > p[e - 1].x ? 1 : p[e].x < p[e - 1].x ? -1 : 0;
        if (dir != 0 && !runs.empty() && runs.back().dir == dir) runs.back().last = e;
        else runs.push_back({e, e, dir, {}});
        if (runs.size() > 64 && runs.size() * runs.size() > 8 * n) return false;
    }
    for (Run& r : runs) {
        r.box = {p[r.first - 1].x, p[r.first - 1].y, p[r.first - 1].x, p[r.first - 1].y};
        for (size_t e = r.first; e <= r.last; ++e) {
            r.box.minX = std::min(r.box.minX, p[e].x), r.box.maxX = std::max(r.box.maxX, p[e].x);
            r.box.minY = std::min(r.box.minY, p[e].y), r.box.maxY = std::max(r.box.maxY, p[e].y);
        }
    }
    const size_t tail = n - 1;
    auto meet = [&](size_t a, size_t b) {
        if ((a > b ? a - b : b - a) < 2) return false;  // neighbours share a point
        if (closed && std::min(a, b) == 1 && std::max(a, b) == tail) return false;
        return SegmentsCross(p[a - 1], p[a], p[b - 1], p[b]);
    };
    // The k-th segment of a run in increasing x.
    auto seg = [](const Run& r, size_t k) { return r.dir >= 0 ? r.first + k : r.last - k; };
    auto lo = [&](size_t e) { return std::min(p[e - 1].x, p[e].x); };
    auto hi = [&](size_t e) { return std::max(p[e - 1].x, p[e].x); };
    for (size_t i = 0; i < runs.size(); ++i) {
        for (size_t j = i + 1; j < runs.size(); ++j) {
            const Run &A = runs[i], &B = runs[j];
            if (A.box.maxX < B.box.minX || B.box.maxX < A.box.minX || A.box.maxY < B.box.minY ||
                B.box.maxY < A.box.minY)
                continue;
            const size_t na = A.last - A.first + 1, nb = B.last - B.first + 1;
            size_t kb = 0;
            for (size_t ka = 0; ka < na; ++ka) {
                const size_t a = seg(A, ka);
                while (kb < nb && hi(seg(B, kb)) < lo(a)) ++kb;
                for (size_t m = kb; m < nb && lo(seg(B, m)) <= hi(a); ++m)
                    if (meet(a, seg(B, m))) return false;
            }
        }
    }
    return true;
}

}  // namespace

std::vector<int> PolyOffset(Polyline& pts, std::span<const float> dist, bool removeLoops) {
    size_t n = pts.size();
    std::vector<int> ids(n);
    for (size_t i = 0; i < n; ++i) ids[i] = static_cast<int>(i);
    if (n < 2) return ids;
    auto d = [&](size_t i) -> double {
        if (dist.empty()) return 0.0;
        return dist[std::min(i, dist.size() - 1)];
    };
    bool closed = PolyClosed(pts);
    Polyline out(n);
    // The length from point i to point k is the segment length when k is next to i's run of
    // equal points (the usual case: every point's neighbours are adjacent), measured once.
    std::vector<double> seg(n, 0.0);
    for (size_t j = 1; j < n; ++j) seg[j] = DiffLen(double(pts[j].x) - pts[j - 1].x, double(pts[j].y) - pts[j - 1].y);
    double lastLen = 0.0;
    // segment: the segment joining k to i's run, or 0 when k is further away.
    auto differs = [&](size_t k, size_t i, size_t segment) {
        lastLen = segment ? seg[segment] : DiffLen(double(pts[i].x) - pts[k].x, double(pts[i].y) - pts[k].y);
        return lastLen >= kSameTol;
    };
    // Runs of exactly equal points: a point's neighbour search starts past its run (every point
    // of it fails the test anyway), so that a long run costs no more than a short one.
    const size_t span = closed ? n - 1 : n;
    std::vector<size_t> runFirst(span), runLast(span);
    for (size_t i = 0; i < span; ++i) runFirst[i] = (i > 0 && pts[i] == pts[i - 1]) ? runFirst[i - 1] : i;
    for (size_t i = span; i-- > 0;) runLast[i] = (i + 1 < span && pts[i] == pts[i + 1]) ? runLast[i + 1] : i;
    for (size_t i = 0; i < n; ++i) {
        if (closed && i == n - 1) {
            out[i] = out[0];
            continue;
        }
        // The neighbours are the nearest points that differ from this one, so that repeated
        // points are offset like the corner they sit on instead of staying on the base line.
        const PointF* prev = nullptr;
        const PointF* next = nullptr;
        double lenIn = 0.0, lenOut = 0.0;
        // Point i equals every point of its run exactly, so its distance to the point just
        // before the run is the length of the segment into the run (and likewise after it).
        if (closed) {
            size_t m = n - 1;
            for (size_t s = i - runFirst[i] + 1; s < m && !prev; ++s)
                if (size_t k = (i + m - s) % m; differs(k, i, k + 1 == runFirst[i] ? k + 1 : 0)) prev = &pts[k], lenIn = lastLen;
            for (size_t s = runLast[i] - i + 1; s < m && !next; ++s)
                if (size_t k = (i + s) % m; differs(k, i, k == runLast[i] + 1 ? k : 0)) next = &pts[k], lenOut = lastLen;
        } else {
            for (size_t k = runFirst[i]; k-- > 0 && !prev;)
                if (differs(k, i, k + 1 == runFirst[i] ? k + 1 : 0)) prev = &pts[k], lenIn = lastLen;
            for (size_t k = runLast[i] + 1; k < n && !next; ++k)
                if (differs(k, i, k == runLast[i] + 1 ? k : 0)) next = &pts[k], lenOut = lastLen;
        }
        DPoint q = OffsetVertex(prev, pts[i], next, d(i), lenIn, lenOut);
        out[i] = {static_cast<float>(q.x), static_cast<float>(q.y)};
    }
    pts = std::move(out);
    if (!removeLoops || n < 4) return ids;
    for (PointF q : pts)
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) return ids;
    if (NoSegmentsMeet(pts, closed)) return ids;
    LoopRemover lr(pts, closed);
    return lr.Run();
}

void PolyOffset(Polyline& pts, float dist, bool removeLoops) {
    float d[1] = {dist};
    PolyOffset(pts, std::span<const float>(d, 1), removeLoops);
}

void OffsetNodes(std::vector<Node>& nodes, float dist, bool removeLoops) {
    Polyline pts;
    pts.reserve(nodes.size());
    for (const Node& nd : nodes) pts.push_back(nd.pt());
    float d[1] = {dist};
    std::vector<int> src = PolyOffset(pts, std::span<const float>(d, 1), removeLoops);
    std::vector<Node> out(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        out[i].x = pts[i].x;
        out[i].y = pts[i].y;
        out[i].word = nodes[src[i]].word & kNodeBreak;
    }
    nodes = std::move(out);
}

// ---------------------------------------------------------------------------------------------
// Clipping and picking

namespace {
int OutCode(const RectF& r, PointF p) {
    int c = 0;
    if (p.x < r.minX) c |= 1;
    else if (p.x > r.maxX) c |= 2;
    if (p.y < r.minY) c |= 4;
    else if (p.y > r.maxY) c |= 8;
    return c;
}
}  // namespace

bool ClipSegmentToRect(const RectF& r, PointF& a, PointF& b) {
    int ca = OutCode(r, a), cb = OutCode(r, b);
    for (int guard = 0; guard < 8; ++guard) {
        if ((ca | cb) == 0) return true;
        if (ca & cb) return false;
        int c = ca ? ca : cb;
        double x = 0, y = 0;
        double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
        // The out-code guarantees a non-zero difference along the axis being clipped.
        if (c & 8) {
            x = a.x + dx * (r.maxY - a.y) / dy;
            y = r.maxY;
        } else if (c & 4) {
            x = a.x + dx * (r.minY - a.y) / dy;
            y = r.minY;
        } else if (c & 2) {
            y = a.y + dy * (r.maxX - a.x) / dx;
            x = r.maxX;
        } else {
            y = a.y + dy * (r.minX - a.x) / dx;
            x = r.minX;
        }
        PointF q{static_cast<float>(x), static_cast<float>(y)};
        if (c == ca) {
            a = q;
            ca = OutCode(r, a);
        } else {
            b = q;
            cb = OutCode(r, b);
        }
    }
    return (ca | cb) == 0;
}

namespace {
// Liang-Barsky: does the closed segment meet the closed rectangle?
bool SegmentMeetsRect(const RectF& r, PointF a, PointF b) {
    double t0 = 0.0, t1 = 1.0;
    double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    auto clip = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        double t = q / p;
        if (p < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
        return true;
    };
    return clip(-dx, double(a.x) - r.minX) && clip(dx, double(r.maxX) - a.x) && clip(-dy, double(a.y) - r.minY) &&
           clip(dy, double(r.maxY) - a.y);
}
bool Inside(const RectF& r, PointF p) { return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY; }
}  // namespace

RectHit PolyHitRect(const RectF& r, std::span<const PointF> pts) {
    double cx = (double(r.minX) + r.maxX) * 0.5, cy = (double(r.minY) + r.maxY) * 0.5;
    for (size_t i = 1; i < pts.size(); ++i) {
        PointF a = pts[i - 1], b = pts[i];
        if ((a.x < r.minX && b.x < r.minX) || (a.x > r.maxX && b.x > r.maxX) || (a.y < r.minY && b.y < r.minY) ||
            (a.y > r.maxY && b.y > r.maxY))
            continue;
        int seg = static_cast<int>(i);
        if (Inside(r, a)) return {seg, seg - 1};
        if (Inside(r, b)) return {seg, seg};
        if (!SegmentMeetsRect(r, a, b)) continue;
        double da = std::hypot(a.x - cx, a.y - cy), db = std::hypot(b.x - cx, b.y - cy);
        return {seg, da < db ? seg - 1 : seg};
    }
    return {};
}

}  // namespace rz
